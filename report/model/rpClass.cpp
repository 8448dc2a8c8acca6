#include "rpClass.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "NoCaseHash.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpDataSets.h"
#include "rpDiff.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"

std::recursive_mutex& rpClassLock()
{
    static std::recursive_mutex lock;
    return lock;
}

namespace {

TComponent* platformOwner(TComponent* owner)
{
    if (auto* parent = dynamic_cast<TrpComponent*>(owner)) return parent->GetReport();
    return owner;
}

void collectAll(const TrpComponent* object, std::vector<TrpComponent*>& out)
{
    for (TrpComponent* child : object->Objects()) {
        out.push_back(child);
        collectAll(child, out);
    }
}

// `object` and everything below it, without recursion.
template <class F>
void forSubtree(TrpComponent* object, F f)
{
    std::vector<TrpComponent*> pending{object};
    while (!pending.empty()) {
        TrpComponent* c = pending.back();
        pending.pop_back();
        f(c);
        pending.insert(pending.end(), c->Objects().begin(), c->Objects().end());
    }
}

bool isBelow(const TrpComponent* object, const TrpComponent* ancestor) noexcept
{
    for (const TrpComponent* p = object->Parent(); p; p = p->Parent())
        if (p == ancestor) return true;
    return false;
}

TrpComponent* findIn(const TrpComponent* object, std::string_view name)
{
    for (TrpComponent* child : object->Objects()) {
        if (SameText(child->Name(), name)) return child;
        if (TrpComponent* found = findIn(child, name)) return found;
    }
    return nullptr;
}

std::string removeFirst(std::string s, std::string_view part)
{
    const size_t at = s.find(part);
    if (at != std::string::npos) s.erase(at, part.size());
    return s;
}

}  // namespace

// ---------------------------------------------------------------- TrpDataSetLink

TrpDataSet* TrpDataSetLink::DataSet() const noexcept
{
    return dataSet_.get();
}

void TrpDataSetLink::SetDataSet(TrpDataSet* value)
{
    dataSet_ = value;
    name_ = value ? value->UserName() : std::string();
}

std::string TrpDataSetLink::Name() const
{
    if (TrpDataSet* ds = dataSet_.get()) return ds->UserName();
    return name_;
}

void TrpDataSetLink::SetName(const TrpComponent& holder, const std::string& value)
{
    name_ = value;
    dataSet_ = holder.FindDataSet(dataSet_.get(), value);
}

// ---------------------------------------------------------------- TrpComponent

struct TrpComponent::TreeNames {
    NoCaseMultiMap<TrpComponent*> map;

    void add(const std::string& name, TrpComponent* c)
    {
        if (!name.empty()) map.emplace(name, c);
    }
    void drop(const std::string& name, TrpComponent* c) noexcept
    {
        if (name.empty()) return;
        for (auto [at, end] = map.equal_range(name); at != end; ++at)
            if (at->second == c) {
                map.erase(at);
                return;
            }
    }
};

void TrpComponent::indexBelow(const TrpComponent* from, bool add)
{
    try {
        std::vector<TreeNames*> indexes;
        for (const TrpComponent* p = from; p; p = p->parent_)
            if (p->names_) indexes.push_back(p->names_.get());
        if (indexes.empty()) return;
        forSubtree(this, [&](TrpComponent* c) {
            for (TreeNames* index : indexes) add ? index->add(c->Name(), c) : index->drop(c->Name(), c);
        });
    } catch (...) {
        // Out of memory: the reports look their names up the slow way again.
        for (const TrpComponent* p = from; p; p = p->parent_) p->names_.reset();
    }
}

void TrpComponent::renamed(const std::string& oldName)
{
    for (const TrpComponent* p = parent_; p; p = p->parent_) {
        if (!p->names_) continue;
        p->names_->drop(oldName, this);
        try {
            p->names_->add(Name(), this);
        } catch (...) {
            p->names_.reset();
        }
    }
}

namespace {

// Through the class registry where the classes are registered: a cast that
// walks the type tree costs as much as the rest of making an object, and a
// page built for printing makes hundreds.
TrpComponent* reportComponentOf(TComponent* owner)
{
    if (!owner) return nullptr;
    const TClass* base = TrpComponent::StaticClass();
    const TClass* cls = owner->ClassType();
    if (base && cls) return cls->InheritsFrom(base) ? static_cast<TrpComponent*>(owner) : nullptr;
    return dynamic_cast<TrpComponent*>(owner);
}

}  // namespace

TrpComponent::TrpComponent(TComponent* owner) : TComponent(platformOwner(owner)), font_(std::make_unique<TFont>())
{
    font_->SetName("Arial");
    font_->SetSize(10);
    font_->SetColor(clBlack);
    font_->SetCharset(DEFAULT_CHARSET);
    font_->OnChange = [this](TObject*) { FontChanged(); };
    if (TrpComponent* parent = reportComponentOf(owner)) SetParent(parent);
}

TrpComponent::~TrpComponent()
{
    Destroying();
    names_.reset();  // the children leave it one by one otherwise
    SetParent(nullptr);
    // Inherited children too: nothing else would free them.
    while (!objects_.empty()) delete objects_.back();
    font_->OnChange = nullptr;
}

void TrpComponent::SetParent(TrpComponent* value)
{
    if (value == parent_) return;
    for (const TrpComponent* p = value; p; p = p->parent_)
        if (p == this) throw EInvalidOperation("An object cannot be its own parent");
    if (parent_) {
        indexBelow(parent_, false);
        auto& list = parent_->objects_;
        auto it = std::find(list.rbegin(), list.rend(), this);
        if (it != list.rend()) list.erase(std::next(it).base());
    }
    parent_ = value;
    if (value) {
        value->objects_.push_back(this);
        indexBelow(value, true);
        SetParentFont(parentFont_);
    }
}

void TrpComponent::SetChildIndex(TrpComponent* child, int index)
{
    auto it = std::find(objects_.begin(), objects_.end(), child);
    if (it == objects_.end()) return;
    objects_.erase(it);
    index = std::clamp(index, 0, static_cast<int>(objects_.size()));
    objects_.insert(objects_.begin() + index, child);
}

void TrpComponent::Clear()
{
    const std::vector<TrpComponent*> children = objects_;
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if ((*it)->IsAncestor())
            (*it)->Clear();
        else
            delete *it;
    }
}

TrpPage* TrpComponent::GetPage() const
{
    for (const TrpComponent* c = this; c; c = c->parent_)
        if (c->treeKind_ & rpkPage) return static_cast<TrpPage*>(const_cast<TrpComponent*>(c));
    return nullptr;
}

TrpReport* TrpComponent::GetReport() const
{
    for (const TrpComponent* c = this; c; c = c->parent_)
        if (c->treeKind_ & rpkReport) return static_cast<TrpReport*>(const_cast<TrpComponent*>(c));
    return nullptr;
}

const std::vector<TrpComponent*>& TrpComponent::GetAllObjects()
{
    allObjects_.clear();
    collectAll(this, allObjects_);
    return allObjects_;
}

TrpComponent* TrpComponent::FindObject(std::string_view name) const
{
    if (name.empty()) return nullptr;
    const TrpComponent* report = this;
    while (report && !(report->treeKind_ & rpkReport)) report = report->parent_;
    if (report && !report->names_) {
        try {
            report->names_ = std::make_unique<TreeNames>();
            for (TrpComponent* child : report->objects_)
                forSubtree(child, [&](TrpComponent* c) { report->names_->add(c->Name(), c); });
        } catch (...) {
            report->names_.reset();
        }
    }
    if (report && report->names_) {
        TrpComponent* found = nullptr;
        int count = 0;
        for (auto [at, end] = report->names_->map.equal_range(name); at != end; ++at)
            if (isBelow(at->second, this)) {
                found = at->second;
                ++count;
            }
        // Several of one name (renamed without checks): the first in order.
        if (count <= 1) return found;
    }
    return findIn(this, name);
}

TrpDataSet* TrpComponent::FindDataSet(TrpDataSet* current, std::string_view name) const
{
    TrpReport* report = GetReport();
    if (report && !report->EngineOptions()->GlobalDataSetLookup) {
        TrpDataSetItem* item = report->EnabledDataSets()->Find(name);
        return item ? item->DataSet() : nullptr;
    }
    return FindGlobalDataSet(current, name, report);
}

void TrpComponent::CreateUniqueName()
{
    std::vector<TrpComponent*> objects;
    if (TrpReport* report = GetReport())
        collectAll(report, objects);
    else if (parent_)
        objects = parent_->objects_;
    std::unordered_set<std::string> taken;
    for (const TrpComponent* o : objects) taken.insert(UpperCase(o->Name()));
    const std::string base = BaseName();
    for (int n = 1;; ++n) {
        const std::string name = base + IntToStr(n);
        if (!taken.contains(UpperCase(name))) {
            SetName(name);
            return;
        }
    }
}

void TrpComponent::SetName(const std::string& newName)
{
    if (SameText(newName, Name())) return;
    if (!newName.empty()) {
        if (TrpReport* report = GetReport()) {
            const TrpComponent* other = report->FindObject(newName);
            if (other && other != this) throw EComponentError(GetResources().Get("prDupl"));
            if (IsAncestor())
                throw EComponentError("Could not rename " + Name() + ", it was introduced in the ancestor report");
        }
    }
    const std::string oldName = Name();
    TComponent::SetName(newName);
    renamed(oldName);
}

void TrpComponent::SetLeft(Extended value)
{
    if (IsDesigning() && restrictions_.Contains(rfDontMove)) return;
    left_ = value;
}

void TrpComponent::SetTop(Extended value)
{
    if (IsDesigning() && restrictions_.Contains(rfDontMove)) return;
    top_ = value;
}

void TrpComponent::SetWidth(Extended value)
{
    if (IsDesigning() && restrictions_.Contains(rfDontSize)) return;
    width_ = value;
}

void TrpComponent::SetHeight(Extended value)
{
    if (IsDesigning() && restrictions_.Contains(rfDontSize)) return;
    height_ = value;
}

void TrpComponent::SetBounds(Extended left, Extended top, Extended width, Extended height)
{
    SetLeft(left);
    SetTop(top);
    SetWidth(width);
    SetHeight(height);
}

Extended TrpComponent::AbsLeft() const
{
    Extended x = left_;
    for (const TrpComponent* p = parent_; p && !(p->treeKind_ & rpkDialogPage); p = p->parent_) x += p->left_;
    return x;
}

Extended TrpComponent::AbsTop() const
{
    Extended y = top_;
    for (const TrpComponent* p = parent_; p && !(p->treeKind_ & rpkDialogPage); p = p->parent_) y += p->top_;
    return y;
}

namespace {

// Whether two objects share some height (with a touch of 0.0001 allowed).
bool overlapVertically(const TrpComponent* a, const TrpComponent* b)
{
    const Extended ta = a->AbsTop(), tb = b->AbsTop();
    return !(ta >= tb + b->Height() - 0.0001L) && !(tb >= ta + a->Height() - 0.0001L);
}

}  // namespace

void TrpComponent::AlignChildren()
{
    auto asView = [](TrpComponent* child) { return ObjectAs<TrpView>(child); };
    // Only views aligned to their neighbours need the others in order (a
    // page built for drawing has hundreds of views and seldom such a one).
    const bool byNeighbours = std::any_of(objects_.begin(), objects_.end(), [&](TrpComponent* child) {
        auto* v = asView(child);
        return v && (v->Align() == baLeft || v->Align() == baRight || v->Align() == baWidth);
    });
    if (byNeighbours) alignToNeighbours();
    for (TrpComponent* child : objects_) {
        auto* c = asView(child);
        if (!c) continue;
        switch (c->Align()) {
        case baCenter: c->SetLeft((Width() - c->Width()) / 2); break;
        case baBottom: c->SetTop(Height() - c->Height()); break;
        case baClient: c->SetBounds(0, 0, Width(), Height()); break;
        default: break;
        }
    }
}

void TrpComponent::alignToNeighbours()
{
    // The views ordered by Left, as the sort key text orders them.
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(dupAccept);
    for (TrpComponent* child : objects_) {
        if (!dynamic_cast<TrpView*>(child)) continue;
        const Extended l = child->Left();
        const std::string key = (l >= 0 ? "1" : "0") + Format("%9.2f", {Variant(l >= 0 ? l : -l)});
        sorted.AddObject(key, child);
    }
    const int n = sorted.Count();
    auto view = [&](int i) { return static_cast<TrpView*>(sorted.Objects(i)); };
    // The first object from position i towards one side that shares some
    // height with the child; for a baWidth child those beyond it are skipped.
    auto neighbour = [&](int i, bool towardsLeft) -> TrpView* {
        TrpView* c = view(i);
        for (int k = towardsLeft ? i - 1 : i + 1; k >= 0 && k < n; k += towardsLeft ? -1 : 1) {
            TrpView* o = view(k);
            if (o == c || !overlapVertically(c, o)) continue;
            if (c->Align() == baWidth) {
                if (towardsLeft && o->Left() > c->Left()) continue;
                if (!towardsLeft && o->Left() + o->Width() < c->Left() + c->Width()) continue;
            }
            return o;
        }
        return nullptr;
    };
    for (int i = 0; i < n; ++i) {
        TrpView* c = view(i);
        if (c->Align() != baLeft && c->Align() != baWidth) continue;
        TrpView* nb = neighbour(i, true);
        c->SetLeft(nb ? nb->Left() + nb->Width() : 0);
    }
    for (int i = n - 1; i >= 0; --i) {
        TrpView* c = view(i);
        if (c->Align() == baRight) {
            TrpView* nb = neighbour(i, false);
            c->SetLeft(nb ? nb->Left() - c->Width() : Width() - c->Width());
        } else if (c->Align() == baWidth) {
            TrpView* nb = neighbour(i, false);
            c->SetWidth(nb ? nb->Left() - c->Left() : Width() - c->Left());
        }
    }
}

void TrpComponent::SetFont(const TFont* value)
{
    font_->Assign(value);
    parentFont_ = false;
}

void TrpComponent::SetParentFont(bool value)
{
    if (value && parent_) SetFont(parent_->Font());
    parentFont_ = value;
}

void TrpComponent::FontChanged()
{
    parentFont_ = false;
    for (TrpComponent* child : objects_)
        if (child->ParentFont()) child->SetParentFont(true);
}

bool TrpComponent::IsDesigning() const noexcept
{
    return isDesigning_ || ComponentState().Contains(csDesigning);
}

bool TrpComponent::IsLoading() const noexcept
{
    return loading_ || XMLLoading || ComponentState().Contains(csLoading);
}

bool TrpComponent::IsAncestor() const noexcept
{
    return isAncestor_ || ComponentState().Contains(csAncestor);
}

std::string TrpComponent::BaseName() const
{
    if (!baseName_.empty()) return baseName_;
    std::string name = removeFirst(ClassName(), "Trp");
    return removeFirst(std::move(name), InheritsFrom(TrpDialogControl::StaticClass()) ? "Control" : "View");
}

std::string TrpComponent::GetDescription() const
{
    return ClassName();
}

void TrpComponent::InitDesigning(uint16_t)
{
    isDesigning_ = true;
}

void TrpComponent::LoadFromStream(TStream& stream)
{
    Clear();
    TrpReport* report = GetReport();
    std::unique_lock<std::recursive_mutex> lock(rpClassLock(), std::defer_lock);
    if (report && report->EngineOptions()->BackgroundMode) lock.lock();
    TrpXMLDocument document;
    document.LoadFromStream(stream);
    ReadXMLTree(document);
}

void TrpComponent::ReadXMLTree(const TrpXMLDocument& document)
{
    TrpReport* report = GetReport();
    TrpXMLSerializer reader;
    reader.Owner = report ? static_cast<TComponent*>(report) : this;
    reader.OldFormat = document.OldVersion;
    if (report) report->CurrentReader = &reader;
    try {
        reader.ReadRootComponent(this, document.Root());
    } catch (...) {
        if (report) report->CurrentReader = nullptr;
        throw;
    }
    if (report) {
        for (int i = 0; i < reader.Errors.Count(); ++i) report->Errors.Add(reader.Errors.Strings(i));
        report->CurrentReader = nullptr;
    }
}

void TrpComponent::SaveToStream(TStream& stream, bool saveChildren, bool saveDefaultValues,
                                [[maybe_unused]] bool useGetAncestor)
{
    TrpReport* report = GetReport();
    TrpXMLSerializer writer(&stream);
    writer.Owner = report ? static_cast<TComponent*>(report) : this;
    writer.SerializeDefaultValues = saveDefaultValues;
    writer.WriteRootComponent(this, saveChildren);
}

void TrpComponent::Assign(const TPersistent* source)
{
    auto* from = const_cast<TrpComponent*>(dynamic_cast<const TrpComponent*>(source));
    if (!from) {
        TComponent::Assign(source);
        return;
    }
    TMemoryStream stream;
    from->SaveToStream(stream, false, false, true);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TrpComponent::AssignAll(const TrpComponent* source)
{
    TMemoryStream stream;
    const_cast<TrpComponent*>(source)->SaveToStream(stream, true);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

std::string TrpComponent::Diff(TrpComponent* reference)
{
    std::string out;
    DiffTo(out, reference);
    return out;
}

void TrpComponent::DiffTo(std::string& out, TrpComponent* reference)
{
    if (!reference) return;
    rpDiffFloat(out, " l=\"", left_, reference->left_);
    if (DiffTopAlways())
        rpAppendFloat(out, " t=\"", top_);
    else
        rpDiffFloat(out, " t=\"", top_, reference->top_);
    if (DiffWidth()) rpDiffFloat(out, " w=\"", width_, reference->width_);
    rpDiffFloat(out, " h=\"", height_, reference->height_);
    rpDiffBool(out, " Visible=\"", visible_, reference->visible_);
    rpDiffBool(out, " ParentFont=\"", parentFont_, reference->parentFont_);
    rpDiffInt(out, " Tag=\"", Tag(), reference->Tag());
    if (!parentFont_) {
        const TFont& f = *font_;
        const TFont& r = *reference->font_;
        if (f.Name() != r.Name()) rpAppendText(out, " Font.Name=\"", f.Name());
        rpDiffInt(out, " Font.Size=\"", f.Size(), r.Size());
        rpDiffInt(out, " Font.Color=\"", f.Color(), r.Color());
        rpDiffInt(out, " Font.Style=\"", f.Style().Bits(), r.Style().Bits());
        rpDiffInt(out, " Font.Charset=\"", f.Charset(), r.Charset());
    }
}

std::string TrpComponent::DiffAll(TrpComponent* reference)
{
    TrpXMLSerializer writer;
    TrpReport* report = GetReport();
    writer.Owner = report ? static_cast<TComponent*>(report) : this;
    std::string out = writer.WriteProps(this);
    if (reference) DiffTo(out, reference);
    if (dynamic_cast<TrpNullBand*>(this)) {
        rpAppendFloat(out, " l=\"", left_);
        rpAppendFloat(out, " t=\"", top_);
    }
    return out;
}

void TrpComponent::Publish([[maybe_unused]] TClassBuilder<TrpComponent>& b) {}

TrpRectArea TrpRectArea::CreateFromView(const TrpComponent& view)
{
    const Extended l = view.AbsLeft(), t = view.AbsTop();
    return TrpRectArea(l, t, l + view.Width(), t + view.Height());
}

// ---------------------------------------------------------------- TrpReportComponent

void TrpReportComponent::BeforePrint()
{
    savedLeft_ = Left();
    savedTop_ = Top();
    savedWidth_ = Width();
    savedHeight_ = Height();
}

void TrpReportComponent::AfterPrint()
{
    SetBounds(savedLeft_, savedTop_, savedWidth_, savedHeight_);
}

TrpRect TrpReportComponent::GetRealBounds() const
{
    const Extended l = AbsLeft(), t = AbsTop();
    return MakeExtRect(l, t, l + Width(), t + Height());
}

void TrpReportComponent::Publish(TClassBuilder<TrpReportComponent>& b)
{
    b.abstract();
    b.property("Description", &TrpReportComponent::Description, &TrpReportComponent::SetDescription);
}
