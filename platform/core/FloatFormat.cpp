// Floating point to text and back: FloatToStr, FloatToStrF, FormatFloat,
// StrToFloat, CurrToStr.
//
// Every conversion starts from the same decimal digits: 18 significant digits
// of the value (std::to_chars, correctly rounded and locale-free), rounded
// half away from zero to the precision asked for (15 for FloatToStr and
// FormatFloat). Pictures and fixed formats then round those digits again,
// half away from zero, at the decimal position they show. Taking 15 digits
// first is deliberate: 1.005 is stored as 1.00499999999999989..., and an
// office user pricing at two decimals expects 1.01 (and 2.68 for 2.675), not
// the artefact of the binary representation.

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "SysUtils.h"
#include "SysUtilsInternal.h"

using namespace sysutils_detail;

namespace {

constexpr int kWorkDigits = 18;  // the platform's working precision for Extended

// value = 0.d1d2d3... * 10^exponent; no trailing zeros; count 0 means zero.
struct Decimal {
    bool negative = false;
    int exponent = 0;
    int count = 0;
    char digits[kWorkDigits + 2] = {};

    bool isZero() const { return count == 0; }
    // Digits left of the first significant one (i < 0, values below 0.1)
    // and right of the last are zeros.
    char digit(int i) const { return i >= 0 && i < count ? digits[i] : '0'; }
};

void stripZeros(Decimal& d)
{
    while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
    if (d.count == 0) d.exponent = 0;
}

// Keeps `keep` significant digits, rounding half away from zero.
void roundAt(Decimal& d, int keep)
{
    if (keep >= d.count) return;
    if (keep < 0) {
        d.count = 0;
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') --i;
        if (i < 0) {
            d.digits[0] = '1';
            d.count = 1;
            ++d.exponent;
        } else {
            ++d.digits[i];
            d.count = i + 1;
        }
    }
    stripZeros(d);
}

// The working digits of a finite value.
Decimal toDecimal(Extended v)
{
    Decimal d;
    if (v == 0) return d;  // negative zero prints as zero
    d.negative = std::signbit(v);
    if (d.negative) v = -v;
    char buf[64];
    std::to_chars_result r;
    const double dv = static_cast<double>(v);
    // Most values come from doubles: the double conversion is much faster
    // and gives the same digits for them.
    if (static_cast<Extended>(dv) == v)
        r = std::to_chars(buf, buf + sizeof buf, dv, std::chars_format::scientific, kWorkDigits - 1);
    else
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, kWorkDigits - 1);
    // "d.ddddddddddddddddde+XX"
    d.digits[0] = buf[0];
    std::memcpy(d.digits + 1, buf + 2, kWorkDigits - 1);
    d.count = kWorkDigits;
    const char* e = buf + 2 + (kWorkDigits - 1) + 1;  // after 'e'
    int exp10 = 0;
    std::from_chars(e[0] == '+' ? e + 1 : e, r.ptr, exp10);
    d.exponent = exp10 + 1;
    stripZeros(d);
    return d;
}

// Significant digits first, then decimals: see the comment at the top.
Decimal toDecimal(Extended v, int precision, int decimals)
{
    Decimal d = toDecimal(v);
    roundAt(d, precision);
    if (!d.isZero()) roundAt(d, d.exponent + decimals);
    if (d.isZero()) d.negative = false;
    return d;
}

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool specialValue(Extended v, std::string& out)
{
    if (std::isnan(v)) {
        out = "NAN";
        return true;
    }
    if (std::isinf(v)) {
        out = v < 0 ? "-INF" : "INF";
        return true;
    }
    return false;
}

void appendExponent(std::string& out, int exp, bool alwaysSign, int minDigits)
{
    if (exp < 0)
        out += '-';
    else if (alwaysSign)
        out += '+';
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, exp < 0 ? -exp : exp);
    const int len = static_cast<int>(r.ptr - buf);
    if (len < minDigits) out.append(minDigits - len, '0');
    out.append(buf, r.ptr);
}

// "d.dddE-x": the significant digits with the exponent of the first one.
void appendScientific(std::string& out, const Decimal& d, int digitCount, bool alwaysSign, int expDigits)
{
    const char sep = FormatSettings().DecimalSeparator;
    out += d.digit(0);
    if (digitCount > 1) {
        out += sep;
        for (int i = 1; i < digitCount; ++i) out += d.digit(i);
    }
    out += 'E';
    appendExponent(out, d.isZero() ? 0 : d.exponent - 1, alwaysSign, expDigits);
}

std::string general(const Decimal& d, int precision, int expDigits)
{
    std::string out;
    if (d.isZero()) return "0";
    if (d.negative) out += '-';
    if (d.exponent > precision || d.exponent < -3) {
        appendScientific(out, d, d.count, false, expDigits);
        return out;
    }
    const char sep = FormatSettings().DecimalSeparator;
    if (d.exponent <= 0) {
        out += '0';
        out += sep;
        out.append(-d.exponent, '0');
        out.append(d.digits, d.count);
        return out;
    }
    for (int i = 0; i < d.exponent; ++i) out += d.digit(i);
    if (d.count > d.exponent) {
        out += sep;
        out.append(d.digits + d.exponent, d.count - d.exponent);
    }
    return out;
}


// Integer part (thousands separators when asked), then `decimals` digits.
void appendFixed(std::string& out, const Decimal& d, int decimals, bool thousands)
{
    const TFormatSettings& fs = FormatSettings();
    if (d.exponent <= 0) {
        out += '0';
    } else {
        for (int i = 0; i < d.exponent; ++i) {
            out += d.digit(i);
            const int left = d.exponent - 1 - i;
            if (thousands && left > 0 && left % 3 == 0 && fs.ThousandSeparator != '\0') out += fs.ThousandSeparator;
        }
    }
    if (decimals <= 0) return;
    out += fs.DecimalSeparator;
    for (int i = 0; i < decimals; ++i) out += d.digit(d.exponent + i);
}

void appendCurrency(std::string& out, const std::string& number, bool negative)
{
    // '$' stands for the currency string, '1' for the number.
    static const char* const positive[4] = {"$1", "1$", "$ 1", "1 $"};
    static const char* const negativeForms[16] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)",  "-1$",  "1-$",   "1$-",
                                                  "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    const TFormatSettings& fs = FormatSettings();
    const char* pattern = negative ? negativeForms[fs.NegCurrFormat & 15] : positive[fs.CurrencyFormat & 3];
    for (const char* p = pattern; *p; ++p) {
        if (*p == '$')
            out += fs.CurrencyString;
        else if (*p == '1')
            out += number;
        else
            out += *p;
    }
}

}  // namespace

namespace sysutils_detail {

std::string formatFloat(Extended v, TFloatFormat format, int precision, int digits, int switchPrecision)
{
    std::string out;
    if (specialValue(v, out)) return out;
    precision = clampInt(precision, 1, kWorkDigits);
    switch (format) {
    case ffGeneral: {
        Decimal d = toDecimal(v, precision, 9999);
        return general(d, precision, clampInt(digits, 0, 4));
    }
    case ffExponent: {
        Decimal d = toDecimal(v, precision, 9999);
        if (d.negative) out += '-';
        appendScientific(out, d, precision, true, clampInt(digits, 0, 4));
        return out;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        digits = clampInt(digits, 0, kWorkDigits);
        Decimal d = toDecimal(v, precision, digits);
        // Too many integer digits for the precision: the general form.
        if (d.exponent > switchPrecision) return general(d, precision, 0);
        if (format != ffCurrency) {
            if (d.negative) out += '-';
            appendFixed(out, d, digits, format == ffNumber);
            return out;
        }
        std::string number;
        appendFixed(number, d, digits, true);
        appendCurrency(out, number, d.negative);
        return out;
    }
    }
    return out;
}

}  // namespace sysutils_detail

std::string FloatToStr(Extended v)
{
    return formatFloat(v, ffGeneral, 15, 0, 15);
}

std::string FloatToStrF(Extended v, TFloatFormat format, int precision, int digits)
{
    return formatFloat(v, format, precision, digits, clampInt(precision, 1, kWorkDigits));
}

std::string CurrToStr(double v)
{
    // Currency holds four decimals in a 64-bit integer; the conversion
    // rounds half to even as the platform's does.
    const int64_t scaled = Round(static_cast<Extended>(v) * 10000);
    std::string out;
    const uint64_t mag = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    if (scaled < 0) out += '-';
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, mag / 10000);
    out.append(buf, r.ptr);
    unsigned frac = static_cast<unsigned>(mag % 10000);
    if (frac != 0) {
        out += FormatSettings().DecimalSeparator;
        char f[4];
        for (int i = 3; i >= 0; --i, frac /= 10) f[i] = static_cast<char>('0' + frac % 10);
        int n = 4;
        while (f[n - 1] == '0') --n;
        out.append(f, n);
    }
    return out;
}

// ---- FormatFloat

namespace {

// One section of a picture, scanned once before the digits are laid out.
struct Picture {
    std::string_view text;
    int intPlaces = 0;      // placeholders before the decimal point
    int intForced = 0;      // of these, how many from the right print as '0' when empty
    int fracPlaces = 0;     // placeholders after the decimal point
    int fracForced = 0;     // decimals that always print (up to the last '0')
    bool thousands = false;
    bool scientific = false;
};

// Skips a quoted literal starting at text[i]; returns the index after it.
size_t skipQuoted(std::string_view text, size_t i)
{
    const char q = text[i];
    const size_t end = text.find(q, i + 1);
    return end == std::string_view::npos ? text.size() : end + 1;
}

bool isExponentMark(std::string_view text, size_t i)
{
    return (text[i] == 'E' || text[i] == 'e') && i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-');
}

Picture scanPicture(std::string_view text)
{
    Picture p;
    p.text = text;
    bool afterPoint = false;
    int firstIntZero = -1;  // index among the integer placeholders
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            i = skipQuoted(text, i);
            continue;
        }
        if (isExponentMark(text, i)) {
            p.scientific = true;
            break;  // placeholders after the exponent mark size the exponent only
        }
        if (c == '0' || c == '#') {
            if (afterPoint) {
                ++p.fracPlaces;
                if (c == '0') p.fracForced = p.fracPlaces;
            } else {
                if (c == '0' && firstIntZero < 0) firstIntZero = p.intPlaces;
                ++p.intPlaces;
            }
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            p.thousands = true;
        }
        ++i;
    }
    if (firstIntZero >= 0) p.intForced = p.intPlaces - firstIntZero;
    return p;
}

// Splits a picture into up to three sections at ';' outside quotes; text
// after a third ';' is ignored.
int splitSections(std::string_view format, std::string_view sections[3])
{
    int n = 0;
    size_t start = 0;
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            i = skipQuoted(format, i);
            continue;
        }
        if (c == ';') {
            sections[n++] = format.substr(start, i - start);
            start = i + 1;
            if (n == 3) return n;
        }
        ++i;
    }
    sections[n++] = format.substr(start);
    return n;
}

// Lays the value's digits into one section. `d` holds the value already
// rounded to 15 significant digits.
std::string applyPicture(const Picture& p, Decimal d, bool showMinus, bool& roundedToZero)
{
    const TFormatSettings& fs = FormatSettings();
    int expValue = 0;
    if (p.scientific) {
        roundAt(d, p.intPlaces + p.fracPlaces);
        expValue = d.isZero() ? 0 : d.exponent - p.intPlaces;
        if (!d.isZero()) d.exponent = p.intPlaces;  // digits now read as d1..dk.rest
    } else {
        roundAt(d, d.exponent + p.fracPlaces);
    }
    roundedToZero = d.isZero();
    if (roundedToZero) d.exponent = p.scientific ? p.intPlaces : 0;

    // Decimals shown: all forced ones, then optional ones up to the last
    // non-zero digit.
    auto fracDigit = [&](int k) {  // k: 1 = tenths, 2 = hundredths ...
        const int idx = d.exponent + k - 1;
        return idx >= 0 ? d.digit(idx) : '0';
    };
    int fracShown = p.fracForced;
    for (int k = p.fracPlaces; k > fracShown; --k) {
        if (fracDigit(k) != '0') {
            fracShown = k;
            break;
        }
    }

    std::string out;
    if (showMinus && !roundedToZero) out += '-';
    const int intDigits = d.exponent > 0 ? d.exponent : 0;  // digits the value has before the point
    int intSeen = 0;
    int fracSeen = 0;
    bool afterPoint = false;
    bool started = false;  // an integer digit has been written
    auto digitAt = [&](int pos) {  // pos: 1 = units, 2 = tens ...
        const int idx = d.exponent - pos;
        return idx >= 0 ? d.digit(idx) : '0';
    };
    auto putIntDigit = [&](int pos) {
        out += digitAt(pos);
        started = true;
        if (p.thousands && !p.scientific && pos > 1 && (pos - 1) % 3 == 0 && fs.ThousandSeparator != '\0')
            out += fs.ThousandSeparator;
    };
    const std::string_view text = p.text;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t end = skipQuoted(text, i);
            const size_t close = (end > i + 1 && end <= text.size() && text[end - 1] == c) ? end - 1 : end;
            out.append(text.substr(i + 1, close - i - 1));
            i = end;
            continue;
        }
        if (isExponentMark(text, i)) {
            out += c;
            const bool plus = text[i + 1] == '+';
            i += 2;
            int minDigits = 0;
            while (i < text.size() && text[i] == '0') {
                ++minDigits;
                ++i;
            }
            if (expValue >= 0 && plus) out += '+';
            if (expValue < 0) out += '-';
            appendExponent(out, expValue < 0 ? -expValue : expValue, false, minDigits > 4 ? 4 : minDigits);
            continue;
        }
        if ((c == '0' || c == '#') && !afterPoint) {
            const int pos = p.intPlaces - intSeen;  // position of this placeholder
            if (intSeen == 0) {
                // Digits beyond the placeholders go before the first one.
                for (int extra = intDigits; extra > pos; --extra) putIntDigit(extra);
            }
            ++intSeen;
            if (p.scientific || pos <= intDigits || pos <= p.intForced || started)
                putIntDigit(pos);
        } else if ((c == '0' || c == '#') && afterPoint) {
            ++fracSeen;
            if (fracSeen <= fracShown) out += fracDigit(fracSeen);
        } else if (c == '.') {
            if (!afterPoint) {
                afterPoint = true;
                // A picture without integer placeholders still shows the
                // integer digits, before the point.
                if (p.intPlaces == 0 && !p.scientific)
                    for (int extra = intDigits; extra >= 1; --extra) putIntDigit(extra);
                if (fracShown > 0) out += fs.DecimalSeparator;
            }
        } else if (c != ',') {
            out += c;
        }
        ++i;
    }
    return out;
}

}  // namespace

std::string FormatFloat(std::string_view format, Extended v)
{
    std::string special;
    if (specialValue(v, special)) return special;
    std::string_view sections[3];
    const int n = splitSections(format, sections);
    Decimal d = toDecimal(v, 15, 9999);
    // Numbers too large for a picture fall back to the general format.
    if (sections[0].empty() || d.exponent > 18) return general(d, 15, 0);

    auto sectionOrPositive = [&](int k) { return k < n && !sections[k].empty() ? k : 0; };
    int section = d.isZero() ? sectionOrPositive(2) : (d.negative ? sectionOrPositive(1) : 0);
    bool zero = false;
    std::string out = applyPicture(scanPicture(sections[section]), d, d.negative && section == 0, zero);
    // A value that rounds to zero in its section shows as zero: through the
    // zero section when there is one, never with a lone minus sign.
    if (zero && section != 2 && sectionOrPositive(2) == 2)
        out = applyPicture(scanPicture(sections[2]), Decimal{}, false, zero);
    return out;
}

// ---- StrToFloat

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

}  // namespace

bool TryStrToFloat(std::string_view s, Extended& out)
{
    s = trimBlanks(s);
    const char sep = FormatSettings().DecimalSeparator;
    bool negative = false;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::string_view body = s.substr(i);
    if (equalsNoCase(body, "INF")) {
        out = negative ? -HUGE_VALL : HUGE_VALL;
        return true;
    }
    if (equalsNoCase(body, "NAN")) {
        out = std::nanl("");
        return true;
    }
    // Rebuild the text in the form std::from_chars reads (". " separator, no
    // '+'), checking the platform's syntax on the way: digits, an optional
    // separator with digits, an optional exponent.
    char small[64];
    std::string large;
    char* buf = small;
    if (s.size() + 2 > sizeof small) {
        large.resize(s.size() + 2);
        buf = large.data();
    }
    size_t n = 0;
    if (negative) buf[n++] = '-';
    int mantissaDigits = 0;
    int firstSignificant = 0;   // decimal position of the first non-zero digit, to tell underflow from overflow
    bool seenNonZero = false;
    int intDigits = 0;
    uint64_t mantissa = 0;  // the significant digits while they fit (fast path)
    int significantDigits = 0;
    bool afterPoint = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            ++mantissaDigits;
            if (!afterPoint) ++intDigits;
            if (c != '0' && !seenNonZero) {
                seenNonZero = true;
                firstSignificant = afterPoint ? -(mantissaDigits - intDigits) : intDigits;
            }
            if (seenNonZero && ++significantDigits <= 19) mantissa = mantissa * 10 + (c - '0');
            buf[n++] = c;
        } else if (c == sep && !afterPoint) {
            afterPoint = true;
            buf[n++] = '.';
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return false;
    int exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        buf[n++] = 'e';
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            expNegative = s[i] == '-';
            buf[n++] = s[i++];
        }
        int expDigits = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++expDigits) {
            buf[n++] = s[i];
            if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
        }
        if (expDigits == 0) return false;
        if (expNegative) exponent = -exponent;
    }
    if (i != s.size()) return false;
    // Up to 19 digits times an exactly held power of ten: one correctly
    // rounded operation gives the same value as the full conversion.
    const int scale = exponent - (mantissaDigits - intDigits);
    if (significantDigits <= 19 && scale >= -27 && scale <= 27) {
        static const auto powers = [] {
            std::array<Extended, 28> p{};
            p[0] = 1;
            for (size_t k = 1; k < p.size(); ++k) p[k] = p[k - 1] * 10;
            return p;
        }();
        const Extended m = static_cast<Extended>(mantissa);
        const Extended v = scale < 0 ? m / powers[-scale] : m * powers[scale];
        out = negative ? -v : v;
        return true;
    }
    Extended v = 0;
    const auto r = std::from_chars(buf, buf + n, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Below the smallest Extended is zero; above the largest is an error.
        if (!seenNonZero || firstSignificant + exponent < 0) {
            out = negative ? -0.0L : 0.0L;
            return true;
        }
        return false;
    }
    if (r.ec != std::errc() || r.ptr != buf + n) return false;
    out = v;
    return true;
}

Extended StrToFloat(std::string_view s)
{
    Extended v;
    if (!TryStrToFloat(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return v;
}

Extended StrToFloatDef(std::string_view s, Extended def)
{
    Extended v;
    return TryStrToFloat(s, v) ? v : def;
}
