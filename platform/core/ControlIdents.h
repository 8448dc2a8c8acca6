#pragma once
// The platform's name tables of control values that designers and scripts
// show as text: cursors, font character sets and keyboard shortcuts.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// A cursor number; the platform's own cursors are 0 and negative, a
// program's own from 1 up.
enum TCursor : int32_t {
    crDefault = 0,
    crNone = -1,
    crArrow = -2,
    crCross = -3,
    crIBeam = -4,
    crSizeNESW = -6,
    crSizeNS = -7,
    crSizeNWSE = -8,
    crSizeWE = -9,
    crUpArrow = -10,
    crHourGlass = -11,
    crDrag = -12,
    crNoDrop = -13,
    crHSplit = -14,
    crVSplit = -15,
    crMultiDrag = -16,
    crSQLWait = -17,
    crNo = -18,
    crAppStart = -19,
    crHelp = -20,
    crHandPoint = -21,
    crSizeAll = -22,
    crSize = crSizeAll,
};

// "crHandPoint" and back; names ignore case.
bool CursorToIdent(int32_t cursor, std::string& ident);
bool IdentToCursor(std::string_view ident, int32_t& cursor);
// The identifier, else the decimal number.
std::string CursorToString(int32_t cursor);
// An identifier or an integer text; else EConvertError.
int32_t StringToCursor(std::string_view text);
void GetCursorValues(const std::function<void(const std::string&)>& proc);

// "GB2312_CHARSET" and back.
bool CharsetToIdent(int32_t charset, std::string& ident);
bool IdentToCharset(std::string_view ident, int32_t& charset);
void GetCharsetValues(const std::function<void(const std::string&)>& proc);

// A key code (the platform's virtual keys) with modifier bits.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

// "Shift+Ctrl+F5"; modifiers in the order Shift, Ctrl, Alt. 0 and keys
// without a name give "".
std::string ShortCutToText(TShortCut shortCut);
// The reverse, ignoring case; 0 when the text names no key.
TShortCut TextToShortCut(std::string_view text);
// The shortcuts a designer offers, in its order.
void GetShortCutValues(const std::function<void(const std::string&)>& proc);
