#pragma once
// Writers of the attribute text prepared pages store per object: a blank,
// the name, an equals sign and the value in double quotes. `head` is the
// text up to the opening quote (" l=\""). Values are compared before
// anything is formatted, so an unchanged object costs no allocation.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "Numbers.h"
#include "SysUtils.h"

// Appends text escaped as the XML writer escapes attribute values.
void rpAppendEscaped(std::string& out, std::string_view text);
// The same for UTF-16 text, encoded as UTF-8 on the way.
void rpAppendEscaped(std::string& out, std::u16string_view text);
void rpAppendInt(std::string& out, int64_t value);
// FloatToStr's text (15 significant digits), written directly for values of
// at most eight decimals below ten million (report geometry), else through
// FloatToStr.
void rpAppendFloatText(std::string& out, Extended value);

inline void rpAppendFloat(std::string& out, std::string_view head, Extended value)
{
    out += head;
    rpAppendFloatText(out, value);
    out += '"';
}

// Floats differ beyond 0.0001.
inline void rpDiffFloat(std::string& out, std::string_view head, Extended value, Extended reference)
{
    if (std::fabs(value - reference) > 0.0001L) rpAppendFloat(out, head, value);
}

inline void rpAppendIntAttr(std::string& out, std::string_view head, int64_t value)
{
    out += head;
    rpAppendInt(out, value);
    out += '"';
}

inline void rpDiffInt(std::string& out, std::string_view head, int64_t value, int64_t reference)
{
    if (value != reference) rpAppendIntAttr(out, head, value);
}

inline void rpDiffBool(std::string& out, std::string_view head, bool value, bool reference)
{
    if (value == reference) return;
    out += head;
    out += value ? "True\"" : "False\"";
}

inline void rpAppendText(std::string& out, std::string_view head, std::string_view value)
{
    out += head;
    rpAppendEscaped(out, value);
    out += '"';
}

inline void rpDiffText(std::string& out, std::string_view head, const std::string& value, const std::string& reference)
{
    if (value != reference) rpAppendText(out, head, value);
}
