// Variant lifetime, type queries and conversions.

#include <charconv>
#include <cmath>
#include <limits>

#include "CodePages.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include "VariantImpl.h"

namespace {

const std::string kEmptyString;
const std::u16string kEmptyWide;

template <class Box>
void retainBox(void* p) noexcept
{
    if (p) static_cast<Box*>(p)->refs.fetch_add(1, std::memory_order_relaxed);
}

template <class Box>
void releaseBox(void* p) noexcept
{
    auto* box = static_cast<Box*>(p);
    if (box && box->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete box;
}

std::string formatMessage(const char* head, uint16_t from, uint16_t to)
{
    return std::string(head) + VarTypeAsText(from) + ") into type (" + VarTypeAsText(to) + ")";
}

// A float to a 64-bit integer, half to even; NaN and out of range raise.
int64_t roundToInt64(Extended x, uint16_t from, uint16_t to)
{
    const Extended r = std::nearbyint(x);
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) VarOverflowError(from, to);
    return static_cast<int64_t>(r);
}

// Currency (scaled by 10000) to an integer, half to even, exactly.
int64_t roundCurrency(int64_t scaled) noexcept
{
    int64_t q = scaled / 10000;
    const int64_t r = scaled % 10000;
    const int64_t ar = r < 0 ? -r : r;
    if (ar > 5000 || (ar == 5000 && (q & 1) != 0)) q += r < 0 ? -1 : 1;
    return q;
}

// Text to a number: a float literal, else an integer one ("$FF"), else
// "true"/"false"; anything else is a conversion error.
Extended textToNumber(std::string_view text, uint16_t from, uint16_t to)
{
    Extended f = 0;
    if (TryStrToFloat(text, f)) return f;
    int64_t i = 0;
    if (TryStrToInt64(text, i)) return static_cast<Extended>(i);
    bool b = false;
    if (VarTextToBool(text, b)) return b ? -1 : 0;
    VarCastError(from, to);
}

// Text to a 64-bit integer: an integer literal, else a number rounded half
// to even.
int64_t textToInt64(std::string_view text, uint16_t from, uint16_t to)
{
    int64_t i = 0;
    if (TryStrToInt64(text, i)) return i;
    return roundToInt64(textToNumber(text, from, to), from, to);
}

double textToDouble(std::string_view text, uint16_t from, uint16_t to)
{
    const Extended f = textToNumber(text, from, to);
    const double d = static_cast<double>(f);
    if (std::isinf(d) && !std::isinf(f)) VarOverflowError(from, to);
    return d;
}

std::string unsignedText(uint64_t v)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// Currency has 19 significant digits, more than FloatToStr's 15: its
// text is written exactly from the scaled integer.
std::string currencyText(int64_t scaled)
{
    const uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = scaled < 0 ? "-" : "";
    text += unsignedText(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) { fraction /= 10; --digits; }
        const std::string f = unsignedText(fraction);
        text += FormatSettings().DecimalSeparator;
        text.append(static_cast<size_t>(digits) - f.size(), '0').append(f);
    }
    return text;
}

}  // namespace

// ---- Errors

void VarCastError(uint16_t from, uint16_t to)
{
    throw EVariantTypeCastError(formatMessage("Could not convert variant of type (", from, to));
}

void VarOverflowError(uint16_t from, uint16_t to)
{
    throw EVariantOverflowError(formatMessage("Overflow while converting variant of type (", from, to));
}

void VarInvalidOp()
{
    throw EVariantError("Invalid variant operation");
}

void VarBadIndex()
{
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
}

// ---- Lifetime

void Variant::retain() const noexcept
{
    if (vt_ == varString) retainBox<VarStringBox>(u_.p);
    else if (vt_ == varOleStr) retainBox<VarWideBox>(u_.p);
    else if (vt_ == varDispatch) { if (u_.p) static_cast<IDispatchObject*>(u_.p)->AddRef(); }
    else retainBox<VarArrayBox>(u_.p);
}

void Variant::release() noexcept
{
    if (vt_ == varString) releaseBox<VarStringBox>(u_.p);
    else if (vt_ == varOleStr) releaseBox<VarWideBox>(u_.p);
    else if (vt_ == varDispatch) { if (u_.p) static_cast<IDispatchObject*>(u_.p)->Release(); }
    else releaseBox<VarArrayBox>(u_.p);
}

// ---- Construction

Variant::Variant(const char* s) : Variant(std::string_view(s ? s : "")) {}

Variant::Variant(std::string_view s) : vt_(varString)
{
    u_.p = s.empty() ? nullptr : new VarStringBox{{1}, std::string(s)};
}

Variant::Variant(std::string&& s) : vt_(varString)
{
    u_.p = s.empty() ? nullptr : new VarStringBox{{1}, std::move(s)};
}

Variant::Variant(const char16_t* s) : Variant(std::u16string_view(s ? s : u"")) {}

Variant::Variant(std::u16string_view s) : vt_(varOleStr)
{
    u_.p = s.empty() ? nullptr : new VarWideBox{{1}, std::u16string(s)};
}

Variant::Variant(std::u16string&& s) : vt_(varOleStr)
{
    u_.p = s.empty() ? nullptr : new VarWideBox{{1}, std::move(s)};
}

Variant::Variant(IDispatchObject* disp) : vt_(varDispatch)
{
    u_.p = disp;
    if (disp) disp->AddRef();
}

Variant Variant::FromCurrency(double value)
{
    return FromCurrencyScaled(VarToCurrencyScaled(Variant(value)));
}

Variant Variant::FromTyped(int64_t value, uint16_t vt)
{
    return Variant(value).cast(vt);
}

void Variant::appendString(std::string_view tail)
{
    if (tail.empty()) return;
    auto* box = static_cast<VarStringBox*>(u_.p);
    if (box && box->refs.load(std::memory_order_acquire) == 1) {
        box->value.append(tail);  // tail may be this very text
        return;
    }
    std::string joined;
    joined.reserve(rawString().size() + tail.size());
    joined.append(rawString()).append(tail);
    *this = Variant(std::move(joined));
}

// ---- Type queries

const std::string& Variant::rawString() const noexcept
{
    return u_.p ? static_cast<const VarStringBox*>(u_.p)->value : kEmptyString;
}

const std::u16string& Variant::rawWideString() const noexcept
{
    return u_.p ? static_cast<const VarWideBox*>(u_.p)->value : kEmptyWide;
}

// ---- Conversions

bool VarTextToBool(std::string_view text, bool& out)
{
    const std::string word = Trim(text);
    if (SameText(word, "true")) { out = true; return true; }
    if (SameText(word, "false")) { out = false; return true; }
    return false;
}

std::string_view VarStringText(const Variant& v, std::string& buffer)
{
    if (v.type() != varOleStr) return v.rawString();
    buffer = Utf16ToUtf8(v.rawWideString());
    return buffer;
}

int64_t VarToInt64As(const Variant& v, uint16_t target)
{
    const uint16_t vt = v.type();
    switch (vt) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return VarOrdinalValue(v);
    case varBoolean: return v.rawBool() ? -1 : 0;
    case varSingle: case varDouble: case varDate:
        return roundToInt64(v.rawDouble(), vt, target);
    case varCurrency: return roundCurrency(v.rawInt64());
    case varString: case varOleStr: {
        std::string buffer;
        return textToInt64(VarStringText(v, buffer), vt, target);
    }
    case varObject:
        if (v.rawObject() > static_cast<uint64_t>(INT64_MAX)) VarOverflowError(vt, target);
        return static_cast<int64_t>(v.rawObject());
    default: VarCastError(vt, target);
    }
}

int64_t VarToCurrencyScaled(const Variant& v)
{
    const uint16_t vt = v.type();
    constexpr int64_t kMax = INT64_MAX / 10000;
    switch (vt) {
    case varCurrency: return v.rawInt64();
    case varSingle: case varDouble: case varDate: case varString: case varOleStr: {
        // Text keeps Extended precision: all 19 digits of a currency.
        std::string buffer;
        const Extended value = vt == varString || vt == varOleStr
                                   ? textToNumber(VarStringText(v, buffer), vt, varCurrency)
                                   : static_cast<Extended>(v.rawDouble());
        return roundToInt64(value * 10000, vt, varCurrency);
    }
    default: {
        const int64_t i = VarToInt64As(v, varCurrency);
        if (i > kMax || i < -kMax) VarOverflowError(vt, varCurrency);
        return i * 10000;
    }
    }
}

int32_t Variant::toInt() const
{
    if (vt_ == varInteger) return u_.i;
    const int64_t v = VarToInt64As(*this, varInteger);
    if (v < INT32_MIN || v > INT32_MAX) VarOverflowError(vt_, varInteger);
    return static_cast<int32_t>(v);
}

int64_t Variant::toInt64() const
{
    return VarToInt64As(*this, varInt64);
}

double Variant::toDouble() const
{
    switch (vt_) {
    case varEmpty: return 0;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return static_cast<double>(VarOrdinalValue(*this));
    case varBoolean: return u_.b ? -1.0 : 0.0;
    case varSingle: case varDouble: case varDate: return u_.d;
    case varCurrency: return VarCurrencyToDouble(u_.l);
    case varString: case varOleStr: {
        std::string buffer;
        return textToDouble(VarStringText(*this, buffer), vt_, varDouble);
    }
    case varObject: return static_cast<double>(u_.obj);
    default: VarCastError(vt_, varDouble);
    }
}

bool Variant::toBool() const
{
    switch (vt_) {
    case varEmpty: return false;
    case varBoolean: return u_.b;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return VarOrdinalValue(*this) != 0;
    case varSingle: case varDouble: case varDate: return u_.d != 0;
    case varCurrency: return u_.l != 0;
    case varObject: return u_.obj != 0;
    case varString: case varOleStr: {
        std::string buffer;
        const std::string_view text = VarStringText(*this, buffer);
        bool b = false;
        if (VarTextToBool(text, b)) return b;
        Extended f = 0;
        if (TryStrToFloat(text, f)) return f != 0;
        VarCastError(vt_, varBoolean);
    }
    default: VarCastError(vt_, varBoolean);
    }
}

TDateTime Variant::toDate() const
{
    switch (vt_) {
    case varString: case varOleStr: {
        std::string buffer;
        const std::string_view text = VarStringText(*this, buffer);
        TDateTime dt = 0;
        if (TryStrToDateTime(text, dt)) return dt;
        Extended f = 0;
        if (TryStrToFloat(text, f) && std::isfinite(static_cast<double>(f))) return static_cast<double>(f);
        VarCastError(vt_, varDate);
    }
    case varEmpty: case varBoolean: case varSmallint: case varInteger: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64: case varSingle: case varDouble: case varDate:
    case varCurrency:
        return toDouble();
    default: VarCastError(vt_, varDate);
    }
}

std::string Variant::toString() const
{
    switch (vt_) {
    case varEmpty: return {};
    case varString: return rawString();
    case varOleStr: return Utf16ToUtf8(rawWideString());
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return IntToStr(VarOrdinalValue(*this));
    case varBoolean: return u_.b ? "True" : "False";
    case varDouble: return FloatToStr(u_.d);
    // A Single carries about 7 digits; more would show its binary noise.
    case varSingle: return FloatToStrF(u_.d, ffGeneral, 7, 0);
    case varCurrency: return currencyText(u_.l);
    case varDate: return DateTimeToStr(u_.d);
    case varObject: return unsignedText(u_.obj);
    default: VarCastError(vt_, varString);
    }
}

WideString Variant::toWideString() const
{
    if (vt_ == varOleStr) return rawWideString();
    if (vt_ == varString) return Utf8ToUtf16(rawString());
    try {
        return Utf8ToUtf16(toString());
    } catch (const EVariantTypeCastError&) {
        VarCastError(vt_, varOleStr);
    }
}

ObjectHandle Variant::toObject() const
{
    switch (vt_) {
    case varObject: return u_.obj;
    case varEmpty: return 0;
    case varBoolean: case varNull: case varDispatch: case varError:
        VarCastError(vt_, varObject);
    default: {
        if (isArray()) VarCastError(vt_, varObject);
        const int64_t v = VarToInt64As(*this, varObject);
        if (v < 0) VarCastError(vt_, varObject);
        return static_cast<ObjectHandle>(v);
    }
    }
}

IDispatchObject* Variant::toDispatch() const
{
    return vt_ == varDispatch ? static_cast<IDispatchObject*>(u_.p) : nullptr;
}

namespace {

Variant castOrdinal(const Variant& v, uint16_t vt, int64_t low, int64_t high)
{
    const int64_t i = VarToInt64As(v, vt);
    if (i < low || i > high) VarOverflowError(v.type(), vt);
    return VariantAccess::fromInt64(i, vt);
}

}  // namespace

Variant Variant::cast(uint16_t vt) const
{
    if (vt == vt_ || vt == varVariant) return *this;
    switch (vt) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varSmallint: return castOrdinal(*this, vt, INT16_MIN, INT16_MAX);
    case varShortInt: return castOrdinal(*this, vt, INT8_MIN, INT8_MAX);
    case varByte: return castOrdinal(*this, vt, 0, UINT8_MAX);
    case varWord: return castOrdinal(*this, vt, 0, UINT16_MAX);
    case varLongWord: return castOrdinal(*this, vt, 0, UINT32_MAX);
    case varInteger: return Variant(toInt());
    case varInt64: return Variant(toInt64());
    case varSingle: {
        const double d = toDouble();
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) VarOverflowError(vt_, vt);
        return FromSingle(static_cast<float>(d));
    }
    case varDouble: return Variant(toDouble());
    case varDate: return FromDate(toDate());
    case varCurrency: return FromCurrencyScaled(VarToCurrencyScaled(*this));
    case varBoolean: return Variant(toBool());
    case varString: return Variant(toString());
    case varOleStr: return Variant(toWideString());
    case varObject: return FromObject(toObject());
    case varDispatch: case varError: case varUnknown: VarCastError(vt_, vt);
    default:
        if (vt & varArray) VarCastError(vt_, vt);
        throw EVariantError("Invalid variant type");
    }
}

// ---- Lenient helpers

std::string VarToStr(const Variant& v)
{
    return v.isNull() ? std::string() : v.toString();
}

WideString VarToWideStr(const Variant& v)
{
    return v.isNull() ? WideString() : v.toWideString();
}

bool VarIsNull(const Variant& v) noexcept
{
    return v.isNull();
}

bool VarIsEmpty(const Variant& v) noexcept
{
    return v.isEmpty();
}

uint16_t VarType(const Variant& v) noexcept
{
    return v.type() == varObject ? uint16_t(varInteger) : v.type();
}

std::string VarTypeAsText(uint16_t vt)
{
    const char* name = nullptr;
    switch (vt & varTypeMask) {
    case varEmpty: name = "Empty"; break;
    case varNull: name = "Null"; break;
    case varSmallint: name = "Smallint"; break;
    case varInteger: name = "Integer"; break;
    case varSingle: name = "Single"; break;
    case varDouble: name = "Double"; break;
    case varCurrency: name = "Currency"; break;
    case varDate: name = "Date"; break;
    case varOleStr: name = "OleStr"; break;
    case varDispatch: name = "Dispatch"; break;
    case varError: name = "Error"; break;
    case varBoolean: name = "Boolean"; break;
    case varVariant: name = "Variant"; break;
    case varUnknown: name = "Unknown"; break;
    case varShortInt: name = "ShortInt"; break;
    case varByte: name = "Byte"; break;
    case varWord: name = "Word"; break;
    case varLongWord: name = "LongWord"; break;
    case varInt64: name = "Int64"; break;
    case varStrArg: name = "StrArg"; break;
    case varObject: name = "Object"; break;
    case varString: name = "String"; break;
    case varAny: name = "Any"; break;
    }
    std::string text;
    if (vt & varByRef) text += "ByRef ";
    if (vt & varArray) text += "Array ";
    if (name) text += name;
    else text.append("$").append(IntToHex(vt & varTypeMask, 4));
    return text;
}
