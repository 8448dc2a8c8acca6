#pragma once
// Formatting and parsing of numbers, dates and text with the platform's
// semantics, driven by one fixed regional settings object. Never use
// printf, iostream locales or QLocale for anything stored or compared.

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "Numbers.h"
#include "Variant.h"

// The regional settings of a Chinese (PRC) workstation, fixed for the whole
// process so that stored dates and numbers do not depend on the machine.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '-';
    char TimeSeparator = ':';
    char ListSeparator = ',';
    std::string CurrencyString = "\xEF\xBF\xA5";  // U+FFE5 fullwidth yen sign
    uint8_t CurrencyFormat = 0;                   // "$1"
    uint8_t NegCurrFormat = 2;                    // "$-1"
    uint8_t CurrencyDecimals = 2;
    std::string ShortDateFormat = "yyyy-mm-dd";
    std::string LongDateFormat = "yyyy'\xE5\xB9\xB4'm'\xE6\x9C\x88'd'\xE6\x97\xA5'";  // yyyy'年'm'月'd'日'
    std::string TimeAMString = "\xE4\xB8\x8A\xE5\x8D\x88";  // 上午
    std::string TimePMString = "\xE4\xB8\x8B\xE5\x8D\x88";  // 下午
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 12> LongMonthNames;
    std::array<std::string, 7> ShortDayNames;  // Sunday first
    std::array<std::string, 7> LongDayNames;
    uint16_t TwoDigitYearCenturyWindow = 50;

    TFormatSettings();
};

// The process-wide settings. Tests may change fields and must restore them.
TFormatSettings& FormatSettings();

// ---- Integers
std::string IntToStr(int64_t v);
std::string IntToHex(int64_t v, int digits);
// Decimal or "$"/"0x" hex, blanks trimmed; EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view s);
int64_t StrToInt64(std::string_view s);
int32_t StrToIntDef(std::string_view s, int32_t def);
int64_t StrToInt64Def(std::string_view s, int64_t def);
bool TryStrToInt(std::string_view s, int32_t& out);
bool TryStrToInt64(std::string_view s, int64_t& out);

// ---- Floating point
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
// General format, 15 significant digits, trailing zeros dropped, exponent as
// "1E15" / "1.5E-7".
std::string FloatToStr(Extended v);
std::string FloatToStrF(Extended v, TFloatFormat format, int precision, int digits);
// Picture formats ("0.00", "#,##0.00;(#,##0.00);zero", "0.###E+00", quoted
// literals). The value is taken to 15 significant digits, then rounded half
// away from zero at the last decimal shown: '0.00' of 1.005 is "1.01". A
// value that rounds to zero uses the zero section when there is one and
// never shows a lone minus sign.
std::string FormatFloat(std::string_view format, Extended v);
// "." separator (the fixed settings), blanks trimmed;
// EConvertError "'%s' is not a valid floating point value".
Extended StrToFloat(std::string_view s);
Extended StrToFloatDef(std::string_view s, Extended def);
bool TryStrToFloat(std::string_view s, Extended& out);
std::string CurrToStr(double v);

// ---- Format: %[index:][-][width][.prec] with d u e f g n m p s x, '*' for
// a width or precision taken from the arguments.
// A wrong argument kind or a missing argument raises EConvertError
// "Format '%d' invalid or incompatible with argument", naming the specifier.
// Integers serve d u x p, floating/currency/date values e f g n m, strings
// s; Empty, Null and arrays convert by the Variant's own rules. Width and
// precision of %s count characters (code points), not UTF-8 bytes.
std::string Format(std::string_view format, std::span<const Variant> args);
inline std::string Format(std::string_view format, std::initializer_list<Variant> args)
{
    return Format(format, std::span<const Variant>(args.begin(), args.size()));
}

// ---- Dates and times (TDateTime: days since 1899-12-30)
TDateTime EncodeDate(int year, int month, int day);      // EConvertError "Invalid argument to date encode"
TDateTime EncodeTime(int hour, int min, int sec, int msec);  // EConvertError "Invalid argument to time encode"
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime dt);  // 1 = Sunday
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// "mm" right after "h"/"hh" means minutes; "c" is short date then long time
// (the time left out when zero).
std::string FormatDateTime(std::string_view format, TDateTime dt);
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);
std::string DateTimeToStr(TDateTime dt);
// The short date format gives the order (y-m-d here); the separator is the
// settings' one or '/', the same in one text. Two-digit years fall into the
// century window, a missing year is this year. Times take "h[:n[:s[.fff]]]"
// with an optional am/pm marker. A date before 1899-12-30 with a time keeps
// the time counting forward from its midnight.
// EConvertError "'%s' is not a valid date" / "time" / "date and time".
TDateTime StrToDate(std::string_view s);
TDateTime StrToTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
bool TryStrToDate(std::string_view s, TDateTime& out);
bool TryStrToTime(std::string_view s, TDateTime& out);
bool TryStrToDateTime(std::string_view s, TDateTime& out);

// The clock is injectable: the application's clock seam sets it, tests pin it.
using ClockFunction = std::function<TDateTime()>;
void SetClock(ClockFunction clock);  // empty function restores the system clock
TDateTime Now();
TDateTime Date();
TDateTime Time();

// ---- Edit masks: "mask;save-literals;blank" with L l A a C c 0 9 # > < \ : / _ !
// Empty positions show as blanks; characters that do not fit are kept.
std::string FormatMaskText(std::string_view editMask, std::string_view value);

// ---- Text (8-bit strings hold UTF-8)
std::string Trim(std::string_view s);       // removes characters <= ' ' at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string UpperCase(std::string_view s);  // ASCII letters only
std::string LowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);  // full Unicode simple case mapping
std::string AnsiLowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);  // ASCII case-insensitive
bool SameText(std::string_view a, std::string_view b);
// Equal under AnsiUpperCase; allocates nothing when both are ASCII.
bool AnsiSameText(std::string_view a, std::string_view b);
std::string QuotedStr(std::string_view s);
std::string AnsiQuotedStr(std::string_view s, char quote);
std::string AnsiDequotedStr(std::string_view s, char quote);
enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(std::string_view s, std::string_view oldPattern, std::string_view newPattern, unsigned flags);
std::string BoolToStr(bool b, bool useBoolStrs = false);  // "-1"/"0", or "True"/"False"
