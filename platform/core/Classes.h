#pragma once
// The platform's base classes: persistent objects, components with owners
// and names, collections and the object list. Registered with the
// reflection registry by registerCoreClasses() (see CoreClasses.h).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Reflection.h"

// ---------------------------------------------------------------- TPersistent

// An object that can copy another of a compatible class (Assign).
class TPersistent : public TObject {
    DORVAK_CLASS(TPersistent, TObject)
public:
    // Copies source into this object. The base asks the source to do it
    // (AssignTo); a pair of classes that cannot copy raises EConvertError
    // "Cannot assign a %s to a %s" (source class or "nil", this class).
    virtual void Assign(const TPersistent* source);
    // The dotted name the platform shows in designers ("Form1.Font").
    virtual std::string GetNamePath() const;

protected:
    virtual void AssignTo(TPersistent* dest) const;
    // The object this one belongs to, for GetNamePath.
    virtual TPersistent* GetOwner() const { return nullptr; }
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

// ---------------------------------------------------------------- TComponent

enum TComponentStateFlag {
    csLoading, csReading, csWriting, csDestroying, csDesigning,
    csAncestor, csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;
enum TOperation { opInsert, opRemove };

// An identifier: a letter or underscore, then letters, digits and
// underscores (ASCII).
bool IsValidIdent(std::string_view ident) noexcept;

// A named object with an owner that destroys it. Published: Name (not
// stored: writers store it themselves), Tag (default 0).
class TComponent : public TPersistent {
    DORVAK_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* owner = nullptr);
    // Destroys the owned components (last first) and leaves the owner.
    ~TComponent() override;

    TComponent* Owner() const noexcept { return owner_; }
    const std::string& Name() const noexcept { return name_; }
    // A name must be empty or an identifier (EComponentError "'%s' is not a
    // valid component name") and unique among the owner's components
    // ignoring case (EComponentError "A component named %s already exists").
    virtual void SetName(const std::string& newName);
    int32_t Tag() const noexcept { return tag_; }
    void SetTag(int32_t value) noexcept { tag_ = value; }

    int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
    // EListError "List index out of bounds (%d)" out of range.
    TComponent* Components(int index) const;
    // Position in the owner's list, -1 without owner.
    int ComponentIndex() const noexcept;
    // The owned component of that name ignoring case, nullptr when none
    // (also for the empty name). An owner of many components keeps an
    // index of their names.
    TComponent* FindComponent(std::string_view name) const noexcept;
    // FindComponent here, then depth first in the owned components that
    // own components themselves.
    TComponent* FindComponentBelow(std::string_view name) const noexcept;

    // Takes a component over from its current owner (checks its name).
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    TComponentState ComponentState() const noexcept { return state_; }
    // Marks the component as being read; Loaded clears the mark. Readers
    // (the serializer) call both.
    void Loading() noexcept { state_.Include(csLoading); }
    virtual void Loaded();
    void SetDesigning(bool value, bool setChildren = true);
    void SetAncestor(bool value);

    // Told about components inserted into or removed from this owner. The
    // base passes it on to the owned components that listen to their
    // siblings (ListenToSiblings), not to every one: removing a component
    // costs the same however many it has beside it.
    virtual void Notification(TComponent* component, TOperation operation);
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    std::string GetNamePath() const override { return name_; }

    static void Publish(TClassBuilder<TComponent>& b);

protected:
    virtual void ValidateRename(TComponent* component, const std::string& curName, const std::string& newName);
    // Renames without checks.
    void ChangeName(const std::string& newName);
    // From now on the owner (any later one too) passes on what it is told
    // about its components.
    void ListenToSiblings();
    // Marks the component as going away and invalidates its handle. A
    // derived destructor whose teardown could call out (events, owned
    // children reaching back) calls it, and DestroyComponents, first.
    void Destroying() noexcept;

private:
    struct Names;
    void insert(TComponent* component);
    void remove(TComponent* component) noexcept;
    // Keeps owners_ of this component's owner up to date.
    void ownsChanged(bool owns) noexcept;

    TComponent* owner_ = nullptr;
    std::string name_;
    int32_t tag_ = 0;
    TComponentState state_;
    bool listens_ = false;
    std::vector<TComponent*> components_;
    std::unique_ptr<Names> names_;          // made once many components are owned
    std::vector<TComponent*> listeners_;    // owned components that listen to their siblings
    std::vector<TComponent*> owners_;       // owned components that own components, in their order
};

// ---------------------------------------------------------------- TCollection

class TCollection;

// An item of a collection, destroyed with it. Derived item classes publish
// what they hold and are created by the collection through the registry.
class TCollectionItem : public TPersistent {
    DORVAK_CLASS(TCollectionItem, TPersistent)
public:
    explicit TCollectionItem(TCollection* collection = nullptr);
    ~TCollectionItem() override;

    TCollection* Collection() const noexcept { return collection_; }
    // Moves the item to another collection (or out of any).
    void SetCollection(TCollection* value);
    // A number unique within the collection, never reused.
    int ID() const noexcept { return id_; }
    int Index() const noexcept;
    void SetIndex(int value);
    virtual std::string DisplayName() const;
    std::string GetNamePath() const override;

protected:
    // Tells the collection the item changed (all items: a change of order).
    void Changed(bool allItems);
    TPersistent* GetOwner() const override;

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
    DORVAK_CLASS(TCollection, TPersistent)
public:
    // itemClass must be a registered TCollectionItem class.
    explicit TCollection(const TClass* itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;

    const TClass* ItemClass() const noexcept { return itemClass_; }
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // EListError "List index out of bounds (%d)" out of range.
    TCollectionItem* Items(int index) const;
    // Assigns value to the item at index.
    void SetItem(int index, const TCollectionItem* value);
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const noexcept;
    void BeginUpdate() noexcept { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const noexcept { return updateCount_; }

    // From another collection: its items' copies replace this one's items.
    void Assign(const TPersistent* source) override;
    std::string GetNamePath() const override;

protected:
    TPersistent* GetOwner() const override { return owner_; }
    // After a change of the item (or of all items when item is nil); not
    // while updating.
    virtual void Update(TCollectionItem* /*item*/) {}
    virtual void Notify(TCollectionItem* /*item*/, TCollectionNotification /*action*/) {}
    void Changed();

private:
    friend class TCollectionItem;
    void insertItem(TCollectionItem* item);
    void removeItem(TCollectionItem* item);

    const TClass* itemClass_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

// ---------------------------------------------------------------- TList

// A list of object references (not owned). An object freed while listed
// reads nil, as a weak reference does.
class TList : public TObject {
    DORVAK_CLASS(TList, TObject)
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // EListError "List index out of bounds (%d)" out of range, here and below.
    TObject* Items(int index) const;
    void Put(int index, TObject* item);
    int Add(TObject* item);
    void Insert(int index, TObject* item);
    void Delete(int index);
    // Removes the first occurrence; its former index or -1.
    int Remove(const TObject* item);
    int IndexOf(const TObject* item) const noexcept;
    void Exchange(int index1, int index2);
    void Move(int curIndex, int newIndex);
    TObject* First() const;
    TObject* Last() const;
    void Clear() noexcept { items_.clear(); }

private:
    void check(int index) const;
    std::vector<Ref<TObject>> items_;
};

// "List index out of bounds (%d)" as EListError.
[[noreturn]] void RaiseListIndexError(int index);
