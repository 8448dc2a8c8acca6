#include "rpPageReuse.h"

#include <typeindex>
#include <vector>

#include "rpBands.h"
#include "rpMemo.h"
#include "rpShapes.h"

namespace {

// A view aligned in its parent is placed by its neighbours.
bool notAligned(const TrpComponent& object)
{
    return static_cast<const TrpView&>(object).Align() == baNone;
}

// Drawing fills a text's placeholders in place, and an element without a
// text (the short one of a first pass, a file from elsewhere) would show
// what the page before showed. A text that takes the width of its content
// is resized and moved by drawing, and its element never holds its width.
bool text(const TrpComponent& object)
{
    const auto& memo = static_cast<const TrpCustomMemoView&>(object);
    return notAligned(memo) && !memo.AutoWidth && !memo.HasPlaceholders();
}

// Drawing makes a line that is not diagonal straight, resizing it: only
// one that is straight already keeps its size.
bool line(const TrpComponent& object)
{
    const auto& l = static_cast<const TrpLineView&>(object);
    return notAligned(l) && (l.Diagonal || (l.Height() >= l.Width() ? l.Width() == 0 : l.Height() == 0));
}

// ... and sets its frame sides, which its element does not hold.
void lineSides(TrpComponent& object, const TrpComponent& source)
{
    auto& l = static_cast<TrpLineView&>(object);
    if (l.Diagonal) return;
    const auto* from = ObjectAs<TrpLineView>(&source);
    l.Frame()->SetTyp(from ? from->Frame()->Typ() : TrpFrameTyp{});
}

struct Declaration {
    std::type_index type;
    // Also for its derived classes: how to tell an object of one.
    bool (*derived)(const TrpComponent& object);
    TrpPageReuse reuse;
};

template <class T>
Declaration exactly(TrpPageReuse reuse)
{
    return {typeid(T), nullptr, reuse};
}

template <class T>
Declaration withDerived(TrpPageReuse reuse)
{
    return {typeid(T), [](const TrpComponent& o) { return ObjectAs<T>(&o) != nullptr; }, reuse};
}

// The classes whose objects may build later pages' objects. Exact classes
// first: they are most of a page and the cheapest to tell.
const std::vector<Declaration>& declarations()
{
    static const std::vector<Declaration> all = {
        exactly<TrpMemoView>({text, nullptr}),
        exactly<TrpSysMemoView>({text, nullptr}),
        exactly<TrpLineView>({line, lineSides}),
        exactly<TrpShapeView>({notAligned, nullptr}),
        // A band's state is its attributes, whatever kind of band it is.
        withDerived<TrpBand>({nullptr, nullptr}),
    };
    return all;
}

}  // namespace

const TrpPageReuse* PageReuseOf(const TrpComponent& object)
{
    const std::type_index type(typeid(object));
    for (const Declaration& d : declarations()) {
        if (d.type != type && !(d.derived && d.derived(object))) continue;
        return !d.reuse.asBuilt || d.reuse.asBuilt(object) ? &d.reuse : nullptr;
    }
    return nullptr;
}
