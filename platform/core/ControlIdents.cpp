#include "ControlIdents.h"

#include "Exceptions.h"
#include "SysUtils.h"

namespace {

struct IdentEntry {
    int32_t value;
    const char* name;
};

constexpr IdentEntry kCursors[] = {
    {crDefault, "crDefault"},   {crArrow, "crArrow"},       {crCross, "crCross"},       {crIBeam, "crIBeam"},
    {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"},     {crSizeNWSE, "crSizeNWSE"}, {crSizeWE, "crSizeWE"},
    {crUpArrow, "crUpArrow"},   {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},       {crNoDrop, "crNoDrop"},
    {crHSplit, "crHSplit"},     {crVSplit, "crVSplit"},     {crMultiDrag, "crMultiDrag"}, {crSQLWait, "crSQLWait"},
    {crNo, "crNo"},             {crAppStart, "crAppStart"}, {crHelp, "crHelp"},         {crHandPoint, "crHandPoint"},
    {crSizeAll, "crSizeAll"},   {crNone, "crNone"},
};

constexpr IdentEntry kCharsets[] = {
    {0, "ANSI_CHARSET"},         {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},     {77, "MAC_CHARSET"},
    {128, "SHIFTJIS_CHARSET"},   {129, "HANGEUL_CHARSET"},  {130, "JOHAB_CHARSET"},    {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"}, {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},     {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},   {204, "RUSSIAN_CHARSET"},
    {222, "THAI_CHARSET"},       {238, "EASTEUROPE_CHARSET"}, {255, "OEM_CHARSET"},
};

template <size_t N>
bool toIdent(const IdentEntry (&table)[N], int32_t value, std::string& ident)
{
    for (const IdentEntry& e : table) {
        if (e.value == value) {
            ident = e.name;
            return true;
        }
    }
    return false;
}

template <size_t N>
bool fromIdent(const IdentEntry (&table)[N], std::string_view ident, int32_t& value)
{
    const std::string trimmed = Trim(ident);
    for (const IdentEntry& e : table) {
        if (SameText(e.name, trimmed)) {
            value = e.value;
            return true;
        }
    }
    return false;
}

// Keys that have a name of their own; letters, digits and F-keys are
// computed.
constexpr IdentEntry kKeys[] = {
    {0x08, "BkSp"}, {0x09, "Tab"},  {0x0D, "Enter"}, {0x1B, "Esc"},   {0x20, "Space"}, {0x21, "PgUp"},
    {0x22, "PgDn"}, {0x23, "End"},  {0x24, "Home"},  {0x25, "Left"},  {0x26, "Up"},    {0x27, "Right"},
    {0x28, "Down"}, {0x2D, "Ins"},  {0x2E, "Del"},
};

std::string keyName(int key)
{
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= 0x70 && key <= 0x87) return "F" + IntToStr(key - 0x6F);
    std::string name;
    return toIdent(kKeys, key, name) ? name : std::string();
}

}  // namespace

bool CursorToIdent(int32_t cursor, std::string& ident)
{
    return toIdent(kCursors, cursor, ident);
}

bool IdentToCursor(std::string_view ident, int32_t& cursor)
{
    return fromIdent(kCursors, ident, cursor);
}

std::string CursorToString(int32_t cursor)
{
    std::string ident;
    return CursorToIdent(cursor, ident) ? ident : IntToStr(cursor);
}

int32_t StringToCursor(std::string_view text)
{
    int32_t cursor = 0;
    return IdentToCursor(text, cursor) ? cursor : StrToInt(text);
}

void GetCursorValues(const std::function<void(const std::string&)>& proc)
{
    for (const IdentEntry& e : kCursors) proc(e.name);
}

bool CharsetToIdent(int32_t charset, std::string& ident)
{
    return toIdent(kCharsets, charset, ident);
}

bool IdentToCharset(std::string_view ident, int32_t& charset)
{
    return fromIdent(kCharsets, ident, charset);
}

void GetCharsetValues(const std::function<void(const std::string&)>& proc)
{
    for (const IdentEntry& e : kCharsets) proc(e.name);
}

std::string ShortCutToText(TShortCut shortCut)
{
    const std::string key = keyName(shortCut & 0xFF);
    if (key.empty()) return std::string();
    std::string text;
    if (shortCut & scShift) text += "Shift+";
    if (shortCut & scCtrl) text += "Ctrl+";
    if (shortCut & scAlt) text += "Alt+";
    return text + key;
}

TShortCut TextToShortCut(std::string_view text)
{
    std::string rest = Trim(text);
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        static constexpr std::pair<const char*, TShortCut> kModifiers[] = {
            {"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}};
        for (const auto& [prefix, bit] : kModifiers) {
            const std::string_view p(prefix);
            if (rest.size() > p.size() && SameText(std::string_view(rest).substr(0, p.size()), p)) {
                modifiers |= bit;
                rest.erase(0, p.size());
                found = true;
            }
        }
    }
    for (int key = 1; key < 0x100; ++key) {
        const std::string name = keyName(key);
        if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(modifiers | key);
    }
    return 0;
}

void GetShortCutValues(const std::function<void(const std::string&)>& proc)
{
    auto run = [&](TShortCut modifiers, int first, int last) {
        for (int key = first; key <= last; ++key) proc(ShortCutToText(static_cast<TShortCut>(modifiers | key)));
    };
    run(scCtrl, 'A', 'Z');
    run(scCtrl, 0x70, 0x7B);
    run(0, 0x70, 0x7B);
    run(scShift, 0x70, 0x7B);
    run(scShift | scCtrl, 0x70, 0x7B);
    for (TShortCut s : {TShortCut(0x2D), TShortCut(scShift | 0x2D), TShortCut(scCtrl | 0x2D), TShortCut(0x2E),
                        TShortCut(scShift | 0x2E), TShortCut(scCtrl | 0x2E), TShortCut(scAlt | 0x08),
                        TShortCut(scShift | scAlt | 0x08)})
        proc(ShortCutToText(s));
}
