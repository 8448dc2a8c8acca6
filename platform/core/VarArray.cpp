// Variant arrays: any number of dimensions with their own low bounds, value
// semantics through copy on write.

#include "Exceptions.h"
#include "VariantImpl.h"

namespace {

// A script asking for a billion elements gets an error, not an exhausted
// machine: 64 Mi elements (1 GiB) is far beyond any report's need.
constexpr int64_t kMaxElements = int64_t(1) << 26;

[[noreturn]] void raiseCreate()
{
    throw EVariantError("Error creating variant or safe array");
}

[[noreturn]] void raiseNotArray()
{
    throw EVariantError("Variant is not an array");
}

bool validElementType(uint16_t vt) noexcept
{
    switch (vt) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency: case varDate:
    case varOleStr: case varDispatch: case varError: case varBoolean: case varVariant: case varShortInt:
    case varByte: case varWord: case varLongWord: case varInt64: case varString: case varObject:
        return true;
    default: return false;
    }
}

// The zero value of an element type.
Variant initialElement(uint16_t vt)
{
    switch (vt) {
    case varVariant: return Variant();
    case varOleStr: return Variant(std::u16string_view());
    case varString: return Variant(std::string_view());
    case varDispatch: return Variant(static_cast<IDispatchObject*>(nullptr));
    case varError: return Variant::FromError(0);
    default: return Variant(int32_t(0)).cast(vt);
    }
}

int64_t elementCount(std::span<const VarArrayBound> bounds)
{
    int64_t total = 1;
    for (const VarArrayBound& b : bounds) {
        const int64_t n = int64_t(b.high) - b.low + 1;
        if (n < 0) raiseCreate();
        total *= n;
        if (total > kMaxElements) raiseCreate();
    }
    return total;
}

const VarArrayData& arrayOf(const Variant& v)
{
    if (!v.isArray()) raiseNotArray();
    return VariantAccess::array(v)->value;
}

const VarArrayBound& boundOf(const Variant& v, int dim)
{
    const VarArrayData& a = arrayOf(v);
    if (dim < 1 || dim > static_cast<int>(a.bounds.size())) VarBadIndex();
    return a.bounds[dim - 1];
}

size_t offsetOf(const VarArrayData& a, std::span<const int> indices)
{
    if (indices.size() != a.bounds.size()) VarBadIndex();
    size_t offset = 0, stride = 1;
    for (size_t k = 0; k < indices.size(); ++k) {
        const VarArrayBound& b = a.bounds[k];
        if (indices[k] < b.low || indices[k] > b.high) VarBadIndex();
        offset += static_cast<size_t>(int64_t(indices[k]) - b.low) * stride;
        stride *= static_cast<size_t>(int64_t(b.high) - b.low + 1);
    }
    return offset;
}

}  // namespace

VarArrayData& VariantAccess::mutableArray(Variant& v)
{
    if (!v.isArray()) raiseNotArray();
    auto* box = array(v);
    if (box->refs.load(std::memory_order_acquire) != 1) {
        auto* copy = new VarArrayBox{{1}, box->value};
        v = adopt(v.type(), copy);  // drops our share of the old payload
        box = copy;
    }
    return box->value;
}

Variant VarArrayCreate(std::span<const VarArrayBound> bounds, uint16_t elementType)
{
    if (bounds.empty()) raiseCreate();
    if (!validElementType(elementType)) throw EVariantError("Invalid variant type");
    const int64_t count = elementCount(bounds);
    auto* box = new VarArrayBox{{1}, {elementType, {bounds.begin(), bounds.end()}, {}}};
    Variant result = VariantAccess::adopt(varArray | elementType, box);
    box->value.items.assign(static_cast<size_t>(count), initialElement(elementType));
    return result;
}

Variant VarArrayCreate(std::initializer_list<VarArrayBound> bounds, uint16_t elementType)
{
    return VarArrayCreate(std::span<const VarArrayBound>(bounds.begin(), bounds.size()), elementType);
}

Variant VarArrayOf(std::span<const Variant> values)
{
    if (static_cast<int64_t>(values.size()) > kMaxElements) raiseCreate();
    const VarArrayBound bound{0, static_cast<int>(values.size()) - 1};
    auto* box = new VarArrayBox{{1}, {varVariant, {bound}, {values.begin(), values.end()}}};
    return VariantAccess::adopt(varArray | varVariant, box);
}

Variant VarArrayOf(std::initializer_list<Variant> values)
{
    return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}

int Variant::arrayDimCount() const noexcept
{
    return isArray() ? static_cast<int>(VariantAccess::array(*this)->value.bounds.size()) : 0;
}

int Variant::arrayLowBound(int dim) const
{
    return boundOf(*this, dim).low;
}

int Variant::arrayHighBound(int dim) const
{
    return boundOf(*this, dim).high;
}

uint16_t Variant::arrayElementType() const noexcept
{
    return isArray() ? VariantAccess::array(*this)->value.elementType : uint16_t(varEmpty);
}

Variant Variant::arrayGet(std::span<const int> indices) const
{
    const VarArrayData& a = arrayOf(*this);
    return a.items[offsetOf(a, indices)];
}

void Variant::arrayPut(std::span<const int> indices, const Variant& value)
{
    // Convert (and so copy) first: value may be this array or one of its
    // elements, which detaching or the store would change under it.
    const uint16_t elementType = arrayOf(*this).elementType;
    Variant stored = elementType == varVariant ? value : value.cast(elementType);
    VarArrayData& a = VariantAccess::mutableArray(*this);
    a.items[offsetOf(a, indices)] = std::move(stored);
}

void Variant::arrayRedim(int highBound)
{
    const VarArrayData& current = arrayOf(*this);
    std::vector<VarArrayBound> bounds = current.bounds;
    bounds.back().high = highBound;
    const int64_t count = elementCount(bounds);
    VarArrayData& a = VariantAccess::mutableArray(*this);
    // The last dimension varies slowest, so its elements are a tail.
    a.items.resize(static_cast<size_t>(count), initialElement(a.elementType));
    a.bounds = std::move(bounds);
}
