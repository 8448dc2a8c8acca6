#pragma once
// Number and list text with fixed rules, and bracketed expressions.

#include <string>
#include <string_view>

#include "Numbers.h"

class TStrings;

// "," and "." both act as the decimal separator, blanks are ignored.
Extended StrToFloatAnySep(std::string_view text);
// Integral values without decimals, others with two ("%2.2f").
std::string FloatToStrPlain(Extended value);

// The text between the delimiter pair that starts at start (1-based), with
// nested pairs counted and delimiters inside '...' or "..." ignored. end
// receives the position of the closing delimiter's last character.
std::string GetBracketedText(std::string_view text, std::string_view open, std::string_view close, int& end,
                             int& start);
std::u16string GetBracketedTextW(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                                 int& end, int& start);

// "1,3,5-12" to the page numbers, in order, as decimal text. Ranges are
// clamped to 1..pageCount. A piece that is no integer raises EConvertError;
// the numbers before it stay in the list.
void ParsePageNumbers(std::string_view text, TStrings* pages, int pageCount);

// Clears the list and adds every item of the text split at the delimiter;
// a trailing delimiter adds no empty item.
void SetStringsFromDelimited(std::string_view text, TStrings* strings, char delimiter);
