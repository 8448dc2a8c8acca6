// Format: the platform's %-specifiers over Variant arguments.
//
// Arguments keep the kinds the platform's array-of-const gives them:
// integer kinds serve d u x (and p), floating, currency and date values
// serve e f g n m, strings serve s; booleans serve nothing. Other Variants
// (Empty, Null, arrays ...) travel as Variants and are converted by the
// Variant's own rules, which raise for what they cannot convert.

#include <charconv>
#include <optional>

#include "SysUtils.h"
#include "SysUtilsInternal.h"

using namespace sysutils_detail;

namespace {

// Width and precision beyond this are surely a mistake, never a wish for a
// gigabyte of blanks.
constexpr int kMaxWidth = 1 << 20;

enum class ArgKind { Integer, Float, String, Boolean, Object, Other };

ArgKind kindOf(const Variant& v)
{
    if (v.isOrdinal()) return ArgKind::Integer;
    if (v.isFloat()) return ArgKind::Float;
    if (v.isString()) return ArgKind::String;
    if (v.isBool()) return ArgKind::Boolean;
    if (v.isObject()) return ArgKind::Object;
    return ArgKind::Other;
}

class Formatter {
public:
    Formatter(std::string_view format, std::span<const Variant> args) : format_(format), args_(args) {}

    std::string run();

private:
    [[noreturn]] void fail(size_t end) const
    {
        throw EConvertError("Format '" + std::string(format_.substr(start_, end - start_)) +
                            "' invalid or incompatible with argument");
    }
    const Variant& nextArg(size_t pos)
    {
        if (argIndex_ >= args_.size()) fail(pos);
        return args_[argIndex_++];
    }
    // A number written in the specifier, or '*' for one taken from the
    // arguments (which may be negative); nothing when neither is there.
    std::optional<int> readNumber(size_t& i);
    void convert(char conversion, int precision, size_t end, std::string& text);

    std::string_view format_;
    std::span<const Variant> args_;
    size_t argIndex_ = 0;
    size_t start_ = 0;  // where the specifier being read starts
};

std::optional<int> Formatter::readNumber(size_t& i)
{
    if (i < format_.size() && format_[i] == '*') {
        const Variant& arg = nextArg(i + 1);
        if (kindOf(arg) != ArgKind::Integer) fail(i + 1);
        ++i;
        const int64_t v = arg.toInt64();
        if (v > kMaxWidth || v < -kMaxWidth) fail(i);
        return static_cast<int>(v);
    }
    if (i >= format_.size() || format_[i] < '0' || format_[i] > '9') return std::nullopt;
    int v = 0;
    for (; i < format_.size() && format_[i] >= '0' && format_[i] <= '9'; ++i) {
        v = v * 10 + (format_[i] - '0');
        if (v > kMaxWidth) fail(i + 1);
    }
    return v;
}

void appendUnsigned(std::string& out, uint64_t v, int base, int minDigits)
{
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v, base);
    const int len = static_cast<int>(r.ptr - buf);
    if (len < minDigits) out.append(minDigits - len, '0');
    for (char* p = buf; p != r.ptr; ++p) out += (*p >= 'a' ? static_cast<char>(*p - 32) : *p);
}

// The bit pattern the platform shows for a negative integer in %u and %x:
// 32 bits for the Integer kinds, 64 for Int64.
uint64_t unsignedBits(const Variant& arg, int64_t v)
{
    if (v < 0 && arg.type() != varInt64 && v >= INT32_MIN) return static_cast<uint32_t>(v);
    return static_cast<uint64_t>(v);
}

Extended floatValue(const Variant& arg)
{
    if (arg.type() == varCurrency) return static_cast<Extended>(arg.rawInt64()) / 10000;
    return arg.toDouble();
}

void Formatter::convert(char conversion, int precision, size_t end, std::string& text)
{
    const Variant& arg = nextArg(end);
    const ArgKind kind = kindOf(arg);
    switch (conversion) {
    case 'D':
    case 'U':
    case 'X': {
        if (kind != ArgKind::Integer && kind != ArgKind::Other) fail(end);
        const int64_t v = arg.toInt64();
        const int minDigits = precision < 0 ? 0 : precision;
        if (conversion == 'D')
            appendInt(text, v, minDigits);
        else
            appendUnsigned(text, unsignedBits(arg, v), conversion == 'U' ? 10 : 16, minDigits);
        return;
    }
    case 'E':
    case 'F':
    case 'G':
    case 'N':
    case 'M': {
        if (kind != ArgKind::Float && kind != ArgKind::Other) fail(end);
        const Extended v = kind == ArgKind::Float ? floatValue(arg) : static_cast<Extended>(arg.toDouble());
        // %e and %g count significant digits; %f %n %m count decimals and
        // round like FloatToStr (15 digits) while keeping 18 integer digits.
        switch (conversion) {
        case 'E': text = formatFloat(v, ffExponent, precision < 0 ? 15 : precision, 3, 18); break;
        case 'G': text = formatFloat(v, ffGeneral, precision < 0 ? 15 : precision, 0, 18); break;
        case 'F': text = formatFloat(v, ffFixed, 15, precision < 0 ? 2 : precision, 18); break;
        case 'N': text = formatFloat(v, ffNumber, 15, precision < 0 ? 2 : precision, 18); break;
        default:
            text = formatFloat(v, ffCurrency, 15, precision < 0 ? FormatSettings().CurrencyDecimals : precision, 18);
            break;
        }
        return;
    }
    case 'P': {
        if (kind != ArgKind::Integer && kind != ArgKind::Object) fail(end);
        const uint64_t v = kind == ArgKind::Object ? arg.rawObject() : static_cast<uint64_t>(arg.toInt64());
        appendUnsigned(text, v, 16, v > UINT32_MAX ? 16 : 8);
        return;
    }
    case 'S': {
        if (kind != ArgKind::String && kind != ArgKind::Other) fail(end);
        text = arg.toString();
        if (precision >= 0) {
            // The precision is the most characters shown (never half of one).
            size_t i = 0;
            for (int n = 0; n < precision && i < text.size(); ++n) nextCodePoint(text, i);
            text.resize(i);
        }
        return;
    }
    default:
        fail(end);
    }
}

std::string Formatter::run()
{
    std::string out;
    std::string text;
    size_t i = 0;
    while (i < format_.size()) {
        const size_t percent = format_.find('%', i);
        if (percent == std::string_view::npos) {
            out.append(format_.substr(i));
            break;
        }
        out.append(format_.substr(i, percent - i));
        start_ = percent;
        i = percent + 1;
        if (i < format_.size() && format_[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %[index:][-][width][.prec]type
        std::optional<int> number = readNumber(i);
        if (i < format_.size() && format_[i] == ':') {
            if (!number || *number < 0) fail(i + 1);
            argIndex_ = static_cast<size_t>(*number);
            ++i;
            number.reset();
        }
        bool left = false;
        if (!number && i < format_.size() && format_[i] == '-') {
            left = true;
            ++i;
        }
        if (!number) number = readNumber(i);
        int width = number.value_or(0);
        if (width < 0) {
            left = true;  // a negative width from '*' justifies left
            width = -width;
        }
        int precision = -1;  // none
        if (i < format_.size() && format_[i] == '.') {
            ++i;
            // "." alone is precision 0; a negative one from '*' is none.
            const std::optional<int> p = readNumber(i);
            precision = p ? (*p < 0 ? -1 : *p) : 0;
        }
        if (i >= format_.size()) fail(i);
        char conversion = format_[i++];
        if (conversion >= 'a' && conversion <= 'z') conversion = static_cast<char>(conversion - 32);
        text.clear();
        convert(conversion, precision, i, text);
        const size_t chars = charCount(text);
        if (width > 0 && chars < static_cast<size_t>(width)) {
            if (left) {
                out += text;
                out.append(width - chars, ' ');
            } else {
                out.append(width - chars, ' ');
                out += text;
            }
        } else {
            out += text;
        }
    }
    return out;
}

}  // namespace

std::string Format(std::string_view format, std::span<const Variant> args)
{
    return Formatter(format, args).run();
}
