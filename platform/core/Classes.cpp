#include "Classes.h"

#include <algorithm>

#include "NoCaseHash.h"
#include "SysUtils.h"

void RaiseListIndexError(int index)
{
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

// ---------------------------------------------------------------- TPersistent

void TPersistent::Assign(const TPersistent* source)
{
    if (!source) AssignError(nullptr);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const
{
    const std::string from = source ? source->ClassName() : std::string("nil");
    throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const
{
    std::string path = ClassName();
    if (const TPersistent* owner = GetOwner()) {
        const std::string ownerPath = owner->GetNamePath();
        if (!ownerPath.empty()) path = ownerPath + "." + path;
    }
    return path;
}

// ---------------------------------------------------------------- TComponent

bool IsValidIdent(std::string_view ident) noexcept
{
    if (ident.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(ident[0])) return false;
    return std::all_of(ident.begin() + 1, ident.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

// The names of an owner's components. Several components may share one
// when renamed without checks.
struct TComponent::Names {
    NoCaseMultiMap<TComponent*> map;

    void add(TComponent* c)
    {
        if (!c->name_.empty()) map.emplace(c->name_, c);
    }
    void drop(TComponent* c) noexcept
    {
        if (c->name_.empty()) return;
        for (auto [at, end] = map.equal_range(c->name_); at != end; ++at)
            if (at->second == c) {
                map.erase(at);
                return;
            }
    }
};

namespace {

// Fewer components are searched faster than hashed.
constexpr size_t kIndexedFrom = 16;

template <class T>
void eraseLast(std::vector<T*>& list, T* item) noexcept
{
    // Components usually go last first: from the back.
    const auto it = std::find(list.rbegin(), list.rend(), item);
    if (it != list.rend()) list.erase(std::next(it).base());
}

}  // namespace

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() noexcept
{
    if (state_.Contains(csDestroying)) return;
    state_.Include(csDestroying);
    ReleaseHandle();
    for (TComponent* c : components_) c->Destroying();
}

void TComponent::SetName(const std::string& newName)
{
    if (name_ == newName) return;
    if (!newName.empty() && !IsValidIdent(newName)) {
        throw EComponentError("'" + newName + "' is not a valid component name");
    }
    if (owner_) owner_->ValidateRename(this, name_, newName);
    else ValidateRename(nullptr, name_, newName);
    ChangeName(newName);
}

void TComponent::ChangeName(const std::string& newName)
{
    Names* index = owner_ ? owner_->names_.get() : nullptr;
    if (index) index->drop(this);
    name_ = newName;
    if (index) index->add(this);
}

void TComponent::ListenToSiblings()
{
    if (listens_) return;
    listens_ = true;
    if (owner_) owner_->listeners_.push_back(this);
}

void TComponent::ValidateRename(TComponent* component, const std::string& curName, const std::string& newName)
{
    if (component && !SameText(curName, newName) && component->owner_ == this) {
        const TComponent* other = FindComponent(newName);
        if (other && other != component) throw EComponentError("A component named " + newName + " already exists");
    }
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount()) RaiseListIndexError(index);
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const noexcept
{
    if (!owner_) return -1;
    const auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const noexcept
{
    if (name.empty()) return nullptr;
    if (names_) {
        auto [at, end] = names_->map.equal_range(name);
        if (at == end) return nullptr;
        TComponent* only = at->second;
        if (++at == end) return only;
        // One name held by several: the first of them in order.
    }
    for (TComponent* c : components_) {
        if (SameText(c->name_, name)) return c;
    }
    return nullptr;
}

TComponent* TComponent::FindComponentBelow(std::string_view name) const noexcept
{
    if (TComponent* found = FindComponent(name)) return found;
    for (const TComponent* o : owners_)
        if (TComponent* found = o->FindComponentBelow(name)) return found;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->owner_ == this) return;
    // Names stay unique within one owner, whichever way a component arrives.
    if (!component->name_.empty() && FindComponent(component->name_)) {
        throw EComponentError("A component named " + component->name_ + " already exists");
    }
    if (component->owner_) component->owner_->RemoveComponent(component);
    insert(component);
    if (state_.Contains(csDesigning)) component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->owner_ != this) return;
    Notification(component, opRemove);
    remove(component);
}

void TComponent::insert(TComponent* component)
{
    components_.push_back(component);
    component->owner_ = this;
    if (names_) {
        names_->add(component);
    } else if (components_.size() >= kIndexedFrom) {
        names_ = std::make_unique<Names>();
        for (TComponent* c : components_) names_->add(c);
    }
    if (component->listens_) listeners_.push_back(component);
    if (!component->components_.empty()) owners_.push_back(component);  // it is the last
    if (components_.size() == 1) ownsChanged(true);
}

void TComponent::remove(TComponent* component) noexcept
{
    eraseLast(components_, component);
    if (names_) names_->drop(component);
    if (component->listens_) eraseLast(listeners_, component);
    if (!component->components_.empty()) eraseLast(owners_, component);
    component->owner_ = nullptr;
    if (components_.empty()) ownsChanged(false);
}

void TComponent::ownsChanged(bool owns) noexcept
{
    if (!owner_) return;
    std::vector<TComponent*>& owners = owner_->owners_;
    if (!owns) return eraseLast(owners, this);
    // In the owner's order: owners is an ordered part of its components.
    auto at = owners.begin();
    for (TComponent* sibling : owner_->components_) {
        if (sibling == this) break;
        if (at != owners.end() && *at == sibling) ++at;
    }
    try {
        owners.insert(at, this);
    } catch (...) {
        // Out of memory: FindComponentBelow misses what this one owns.
    }
}

void TComponent::DestroyComponents()
{
    // Last first; owned components were created with new.
    while (!components_.empty()) {
        TComponent* c = components_.back();
        remove(c);
        delete c;
    }
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::SetDesigning(bool value, bool setChildren)
{
    if (value) state_.Include(csDesigning);
    else state_.Exclude(csDesigning);
    if (setChildren) {
        for (TComponent* c : components_) c->SetDesigning(value, true);
    }
}

void TComponent::SetAncestor(bool value)
{
    if (value) state_.Include(csAncestor);
    else state_.Exclude(csAncestor);
    for (TComponent* c : components_) c->SetAncestor(value);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    // One may leave the list meanwhile.
    for (size_t i = listeners_.size(); i-- > 0;) {
        if (i >= listeners_.size()) continue;
        listeners_[i]->Notification(component, operation);
    }
}

void TComponent::Publish(TClassBuilder<TComponent>& b)
{
    b.property("Name", &TComponent::Name, &TComponent::SetName).stored(false);
    b.property("Tag", &TComponent::Tag, &TComponent::SetTag).defaultValue(0);
}

// ---------------------------------------------------------------- TCollection

TCollectionItem::TCollectionItem(TCollection* collection)
{
    // The item is not fully built yet, so its class is not checked here:
    // collections create items of their own class.
    if (collection) collection->insertItem(this);
}

TCollectionItem::~TCollectionItem()
{
    if (collection_) collection_->removeItem(this);
}

void TCollectionItem::SetCollection(TCollection* value)
{
    if (collection_ == value) return;
    if (value && value->itemClass_ && !InheritsFrom(value->itemClass_)) throw EListError("Invalid property value");
    if (collection_) collection_->removeItem(this);
    if (value) value->insertItem(this);
}

int TCollectionItem::Index() const noexcept
{
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int value)
{
    const int current = Index();
    if (current < 0 || current == value) return;
    auto& items = collection_->items_;
    if (value < 0 || value >= static_cast<int>(items.size())) RaiseListIndexError(value);
    items.erase(items.begin() + current);
    items.insert(items.begin() + value, this);
    Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

std::string TCollectionItem::GetNamePath() const
{
    if (!collection_) return ClassName();
    return collection_->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems)
{
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

TCollection::TCollection(const TClass* itemClass, TPersistent* owner) : itemClass_(itemClass), owner_(owner) {}

TCollection::~TCollection()
{
    updateCount_ = 1;
    Clear();
}

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TCollection::SetItem(int index, const TCollectionItem* value) { Items(index)->Assign(value); }

TCollectionItem* TCollection::Add()
{
    if (!itemClass_) throw EInvalidOperation("The collection has no item class");
    TObject* made = itemClass_->Create(this);
    auto* item = dynamic_cast<TCollectionItem*>(made);
    if (!item) {
        delete made;
        throw EInvalidOperation("Class " + itemClass_->ClassName() + " is no collection item");
    }
    if (item->collection_ != this) item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index)
{
    TCollectionItem* item = Add();
    try {
        item->SetIndex(index);
    } catch (...) {
        delete item;
        throw;
    }
    return item;
}

void TCollection::Delete(int index)
{
    TCollectionItem* item = Items(index);
    Notify(item, cnDeleting);
    delete item;
}

void TCollection::Clear()
{
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) delete items_.back();
    EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const noexcept
{
    for (TCollectionItem* item : items_) {
        if (item->id_ == id) return item;
    }
    return nullptr;
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0) --updateCount_;
    Changed();
}

void TCollection::Changed()
{
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (const TCollectionItem* item : other->items_) Add()->Assign(item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

std::string TCollection::GetNamePath() const
{
    // The owner's path and the published property that holds this collection.
    const TPersistent* owner = GetOwner();
    if (!owner) return ClassName();
    const std::string ownerPath = owner->GetNamePath();
    if (ownerPath.empty()) return ClassName();
    if (const TClass* cls = owner->ClassType()) {
        for (const TPropInfo* p : cls->Properties()) {
            if (p->Kind() == pkObject && p->GetObject(owner) == this) return ownerPath + "." + p->Name();
        }
    }
    return ClassName();
}

void TCollection::insertItem(TCollectionItem* item)
{
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    Notify(item, cnAdded);
    Changed();
}

void TCollection::removeItem(TCollectionItem* item)
{
    Notify(item, cnExtracting);
    std::erase(items_, item);
    item->collection_ = nullptr;
    Changed();
}

// ---------------------------------------------------------------- TList

void TList::check(int index) const
{
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
}

TObject* TList::Items(int index) const
{
    check(index);
    return items_[static_cast<size_t>(index)].get();
}

void TList::Put(int index, TObject* item)
{
    check(index);
    items_[static_cast<size_t>(index)] = item;
}

int TList::Add(TObject* item)
{
    items_.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, TObject* item)
{
    if (index < 0 || index > Count()) RaiseListIndexError(index);
    items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index)
{
    check(index);
    items_.erase(items_.begin() + index);
}

int TList::Remove(const TObject* item)
{
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

int TList::IndexOf(const TObject* item) const noexcept
{
    auto it = std::find_if(items_.begin(), items_.end(), [item](const Ref<TObject>& r) { return r.get() == item; });
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2)
{
    check(index1);
    check(index2);
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    check(curIndex);
    check(newIndex);
    const Ref<TObject> item = items_[static_cast<size_t>(curIndex)];
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
}

TObject* TList::First() const { return Items(0); }

TObject* TList::Last() const { return Items(Count() - 1); }
