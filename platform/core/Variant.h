#pragma once
// The one value type of scripts and report expressions, with the platform's
// conversion and arithmetic rules. 16 bytes; numbers never allocate; strings
// and arrays are reference counted with value semantics (copy on write).

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using WideString = std::u16string;
// Days since 1899-12-30; the fraction is the time of day.
using TDateTime = double;

// The platform's VarType codes.
enum : uint16_t {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,
    varInteger = 0x0003,
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varOleStr = 0x0008,
    varDispatch = 0x0009,
    varError = 0x000A,
    varBoolean = 0x000B,
    varVariant = 0x000C,
    varUnknown = 0x000D,
    varShortInt = 0x0010,
    varByte = 0x0011,
    varWord = 0x0012,
    varLongWord = 0x0013,
    varInt64 = 0x0014,
    varStrArg = 0x0048,
    // Our own: a checked object handle (see the reflection layer). Unused by
    // the platform's table, so it never collides with a stored code.
    varObject = 0x0049,
    varString = 0x0100,
    varAny = 0x0101,
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
    varByRef = 0x4000,
};

class Variant;

// What a failing late-bound call tells besides its code (the platform's
// EXCEPINFO).
struct TDispExcepInfo {
    std::string Source;
    std::string Description;
    std::string HelpFile;
};

// A late-bound object (the platform's IDispatch). Intrusively reference
// counted; the script engine calls it, hosts and tests implement it. Codes
// are HRESULTs: 0 for success, 0x8002xxxx-style negatives for failure.
class IDispatchObject {
public:
    // Invoke flags; a method call that wants a result passes Method | PropertyGet.
    enum InvokeKind : uint16_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };
    // The named argument of a property put (its value).
    static constexpr int32_t DispIdPropertyPut = -3;

    virtual ~IDispatchObject() = default;
    void AddRef() noexcept { ++refs_; }
    void Release() noexcept
    {
        if (--refs_ == 0) delete this;
    }
    virtual int32_t GetIDsOfNames(const WideString& name, int32_t& dispId) = 0;
    // args are in reverse order (the last argument first); namedArgs names
    // the leading entries of args (a property put: DispIdPropertyPut for
    // the value); result is nullptr when the caller wants none.
    virtual int32_t Invoke(int32_t dispId, uint16_t flags, std::span<Variant> args, std::span<const int32_t> namedArgs,
                           Variant* result, TDispExcepInfo& excepInfo) = 0;

private:
    long refs_ = 0;
};

// Object handles: non-zero id with a generation count; 0 is nil. The
// reflection layer issues and resolves them.
using ObjectHandle = uint64_t;

class Variant {
public:
    // Copies of numbers are inline (the interpreter copies values all the
    // time); only the shared payloads take a call.
    Variant() noexcept : vt_(varEmpty) { u_.l = 0; }
    Variant(const Variant& other) noexcept : vt_(other.vt_), u_(other.u_)
    {
        if (ownsPayload()) retain();
    }
    Variant(Variant&& other) noexcept : vt_(other.vt_), u_(other.u_) { other.vt_ = varEmpty; }
    Variant& operator=(const Variant& other) noexcept
    {
        if (other.ownsPayload()) other.retain();
        if (ownsPayload()) release();
        vt_ = other.vt_;
        u_ = other.u_;
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept
    {
        if (this != &other) {
            if (ownsPayload()) release();
            vt_ = other.vt_;
            u_ = other.u_;
            other.vt_ = varEmpty;
        }
        return *this;
    }
    ~Variant() { if (ownsPayload()) release(); }

    // Small payloads are written as one 64-bit store (the low half holds
    // them), so that a whole-payload copy right after reads it back at once.
    Variant(int32_t v) noexcept : vt_(varInteger) { u_.l = static_cast<int64_t>(static_cast<uint32_t>(v)); }
    Variant(int64_t v) noexcept : vt_(varInt64) { u_.l = v; }
    Variant(long long v) noexcept : vt_(varInt64) { u_.l = static_cast<int64_t>(v); }
    Variant(uint32_t v) noexcept : vt_(varLongWord) { u_.l = v; }
    Variant(double v) noexcept : vt_(varDouble) { u_.d = v; }
    Variant(long double v) noexcept : vt_(varDouble) { u_.d = static_cast<double>(v); }
    Variant(bool v) noexcept : vt_(varBoolean) { u_.l = v ? 1 : 0; }
    Variant(const char* s);
    Variant(std::string_view s);
    Variant(const std::string& s) : Variant(std::string_view(s)) {}
    Variant(std::string&& s);
    Variant(const char16_t* s);
    Variant(std::u16string_view s);
    Variant(const std::u16string& s) : Variant(std::u16string_view(s)) {}
    Variant(std::u16string&& s);
    Variant(IDispatchObject* disp);
    // Guard against pointers silently becoming booleans, and against a
    // 64-bit unsigned value (an ObjectHandle, a size) picking some number
    // kind by accident: use FromObject or an explicit cast.
    Variant(const void*) = delete;
    Variant(unsigned long) = delete;
    Variant(unsigned long long) = delete;

    static Variant Null() noexcept { Variant v; v.vt_ = varNull; return v; }
    static Variant FromDate(TDateTime d) noexcept { Variant v(d); v.vt_ = varDate; return v; }
    // Currency is a 64-bit integer scaled by 10000.
    static Variant FromCurrencyScaled(int64_t scaled) noexcept { Variant v(scaled); v.vt_ = varCurrency; return v; }
    static Variant FromCurrency(double value);
    static Variant FromObject(ObjectHandle h) noexcept { Variant v; v.vt_ = varObject; v.u_.obj = h; return v; }
    // The value as the given VarType (varSmallint, varByte ...), range checked.
    static Variant FromTyped(int64_t value, uint16_t vt);
    static Variant FromSingle(float f) noexcept { Variant v; v.vt_ = varSingle; v.u_.d = f; return v; }
    static Variant FromError(int32_t code) noexcept { Variant v; v.vt_ = varError; v.u_.l = 0; v.u_.i = code; return v; }

    uint16_t type() const noexcept { return vt_; }
    bool isEmpty() const noexcept { return vt_ == varEmpty; }
    bool isNull() const noexcept { return vt_ == varNull; }
    bool isEmptyOrNull() const noexcept { return vt_ <= varNull; }
    bool isArray() const noexcept { return (vt_ & varArray) != 0; }
    bool isString() const noexcept { return vt_ == varString || vt_ == varOleStr; }
    bool isObject() const noexcept { return vt_ == varObject; }
    bool isDispatch() const noexcept { return vt_ == varDispatch; }
    bool isBool() const noexcept { return vt_ == varBoolean; }
    // Integer kinds (Smallint, Integer, ShortInt, Byte, Word, LongWord, Int64).
    bool isOrdinal() const noexcept
    {
        return vt_ == varInteger || vt_ == varInt64 || vt_ == varSmallint || vt_ == varShortInt || vt_ == varByte ||
               vt_ == varWord || vt_ == varLongWord;
    }
    // Floating kinds (Single, Double, Currency, Date).
    bool isFloat() const noexcept
    {
        return vt_ == varDouble || vt_ == varSingle || vt_ == varCurrency || vt_ == varDate;
    }
    bool isNumeric() const noexcept { return isOrdinal() || isFloat(); }

    // Strict conversions with the platform's rules: Empty gives 0 / "" /
    // False; Null and impossible conversions raise EVariantTypeCastError,
    // values out of the target's range EVariantOverflowError. Floating
    // values round half to even; text is read with "." as the separator.
    int32_t toInt() const;
    int64_t toInt64() const;
    double toDouble() const;
    bool toBool() const;
    TDateTime toDate() const;
    std::string toString() const;
    WideString toWideString() const;
    ObjectHandle toObject() const;
    IDispatchObject* toDispatch() const;  // borrowed; nullptr when not a dispatch object
    // VarAsType: the value converted to another VarType code.
    Variant cast(uint16_t vt) const;

    // Direct payload access; only valid for the matching type().
    int32_t rawInt() const noexcept { return u_.i; }
    int64_t rawInt64() const noexcept { return u_.l; }
    double rawDouble() const noexcept { return u_.d; }
    bool rawBool() const noexcept { return u_.b; }
    ObjectHandle rawObject() const noexcept { return u_.obj; }
    const std::string& rawString() const noexcept;     // varString only
    const std::u16string& rawWideString() const noexcept;  // varOleStr only

    // Arrays (multi-dimensional, any low bounds, value semantics).
    int arrayDimCount() const noexcept;
    int arrayLowBound(int dim) const;   // dim is 1-based
    int arrayHighBound(int dim) const;
    Variant arrayGet(std::span<const int> indices) const;
    void arrayPut(std::span<const int> indices, const Variant& value);
    Variant arrayGet(int index) const { return arrayGet(std::span<const int>(&index, 1)); }
    void arrayPut(int index, const Variant& value) { arrayPut(std::span<const int>(&index, 1), value); }
    // Changes the high bound of the last dimension, keeping the elements.
    void arrayRedim(int highBound);
    // Element type code of the array (varVariant for variant arrays).
    uint16_t arrayElementType() const noexcept;

    // Appends to a String value (type() must be varString). The text grows
    // in place, with amortised growth, when no other Variant shares it.
    void appendString(std::string_view tail);

    void clear() noexcept { if (ownsPayload()) release(); vt_ = varEmpty; u_.l = 0; }
    void swap(Variant& other) noexcept { std::swap(vt_, other.vt_); std::swap(u_, other.u_); }

private:
    friend struct VariantAccess;
    // Numbers (Integer 3, Double 5, Date 7 and below) answer with one test.
    bool ownsPayload() const noexcept
    {
        return vt_ >= varOleStr && (vt_ <= varDispatch || vt_ == varString || (vt_ & varArray) != 0);
    }
    void release() noexcept;
    void retain() const noexcept;

    uint16_t vt_;
    union Payload {
        int32_t i;
        int64_t l;
        double d;
        bool b;
        ObjectHandle obj;
        void* p;  // string, wide string, array or dispatch payload
    } u_;
};

static_assert(sizeof(Variant) == 16, "Variant must stay 16 bytes");

// Array construction.
struct VarArrayBound {
    int low;
    int high;
};
Variant VarArrayCreate(std::initializer_list<VarArrayBound> bounds, uint16_t elementType = varVariant);
Variant VarArrayCreate(std::span<const VarArrayBound> bounds, uint16_t elementType = varVariant);
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(std::span<const Variant> values);

// Arithmetic and logic with the platform's rules (see the tests for them):
// text + text concatenates, text beside a number is read as a Double;
// integers never wrap (Integer, else Int64, else Double); Currency stays
// exact while it fits; date +- number is a Date, date - date a Double;
// Null in gives Null out; objects, arrays and dispatch objects raise
// EVariantError "Invalid variant operation".
Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);  // always floating
Variant operator-(const Variant& a);
Variant VarIntDiv(const Variant& a, const Variant& b);  // div
Variant VarMod(const Variant& a, const Variant& b);     // mod
Variant VarShl(const Variant& a, const Variant& b);
Variant VarShr(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

// Comparison. Null = Null is true, Null = x false; Null orders below every
// non-Null value. Strings compare by UTF-16 code units; a string against a
// number compares as numbers.
bool VarEquals(const Variant& a, const Variant& b);
int VarCompare(const Variant& a, const Variant& b);  // -1, 0, 1
inline bool operator==(const Variant& a, const Variant& b) { return VarEquals(a, b); }
inline bool operator!=(const Variant& a, const Variant& b) { return !VarEquals(a, b); }
inline bool operator<(const Variant& a, const Variant& b) { return VarCompare(a, b) < 0; }
inline bool operator<=(const Variant& a, const Variant& b) { return VarCompare(a, b) <= 0; }
inline bool operator>(const Variant& a, const Variant& b) { return VarCompare(a, b) > 0; }
inline bool operator>=(const Variant& a, const Variant& b) { return VarCompare(a, b) >= 0; }

// Lenient helpers of the platform.
std::string VarToStr(const Variant& v);        // Null and Empty give ""
WideString VarToWideStr(const Variant& v);
bool VarIsNull(const Variant& v) noexcept;
bool VarIsEmpty(const Variant& v) noexcept;
// "String", "Integer", "Double"... as in the platform's error messages.
std::string VarTypeAsText(uint16_t vt);
// The platform's VarType function; varObject answers varInteger so that
// scripts see object references as integers.
uint16_t VarType(const Variant& v) noexcept;
