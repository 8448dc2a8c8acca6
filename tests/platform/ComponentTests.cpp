// Components (owners, names, destruction), persistent assignment,
// collections and the object list.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CoreClassesFixture.h"
#include "Graphics.h"
#include "StringLists.h"

namespace {

// Records what its owner tells it and what happens at its destruction.
class TProbe : public TComponent {
    DORVAK_CLASS(TProbe, TComponent)
public:
    using TComponent::TComponent;
    ~TProbe() override
    {
        if (log) log->push_back("destroy " + Name());
    }
    void Notification(TComponent* component, TOperation operation) override
    {
        if (log) log->push_back((operation == opInsert ? "insert " : "remove ") + component->Name());
        TComponent::Notification(component, operation);
    }
    std::vector<std::string>* log = nullptr;
    using TComponent::ChangeName;
    using TComponent::ListenToSiblings;
};

class TTestItem : public TCollectionItem {
    DORVAK_CLASS(TTestItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    std::string Caption;
    void Assign(const TPersistent* source) override
    {
        if (const auto* item = dynamic_cast<const TTestItem*>(source)) Caption = item->Caption;
        else TCollectionItem::Assign(source);
    }
    void Touch() { Changed(false); }
};

class TTestItems : public TCollection {
    DORVAK_CLASS(TTestItems, TCollection)
public:
    explicit TTestItems(TPersistent* owner = nullptr) : TCollection(TTestItem::StaticClass(), owner) {}
    int updates = 0;
    TCollectionItem* lastUpdated = nullptr;

protected:
    void Update(TCollectionItem* item) override
    {
        ++updates;
        lastUpdated = item;
    }
};

class TItemsOwner : public TComponent {
    DORVAK_CLASS(TItemsOwner, TComponent)
public:
    using TComponent::TComponent;
    TTestItems* Items() const { return items_.get(); }
    static void Publish(TClassBuilder<TItemsOwner>& b) { b.property("Items", &TItemsOwner::Items); }

private:
    std::unique_ptr<TTestItems> items_ = std::make_unique<TTestItems>(this);
};

class ComponentTest : public CoreClassesTest {
protected:
    static void SetUpTestSuite()
    {
        CoreClassesTest::SetUpTestSuite();
        RegisterClass<TProbe>();
        RegisterClass<TTestItem>();
        RegisterClass<TTestItems>();
        RegisterClass<TItemsOwner>(TItemsOwner::Publish);
    }
    static void TearDownTestSuite()
    {
        UnregisterClass<TItemsOwner>();
        UnregisterClass<TTestItems>();
        UnregisterClass<TTestItem>();
        UnregisterClass<TProbe>();
        CoreClassesTest::TearDownTestSuite();
    }
};

// ---------------------------------------------------------------- names

TEST_F(ComponentTest, NamesMustBeIdentifiers)
{
    TComponent c;
    c.SetName("Button_1");
    c.SetName("");
    c.SetName("_x9");
    for (const char* bad : {"1abc", "a b", "a.b", "名字", "a-b"}) {
        EXPECT_RAISES(EComponentError, std::string("'") + bad + "' is not a valid component name", c.SetName(bad));
    }
    EXPECT_EQ(c.Name(), "_x9");
    EXPECT_FALSE(IsValidIdent(""));
}

TEST_F(ComponentTest, NamesAreUniqueAmongTheOwnersComponentsIgnoringCase)
{
    TComponent form;
    auto* a = new TComponent(&form);
    auto* b = new TComponent(&form);
    a->SetName("Button1");
    EXPECT_RAISES(EComponentError, "A component named BUTTON1 already exists", b->SetName("BUTTON1"));
    a->SetName("BUTTON1");  // its own name in another case
    EXPECT_EQ(a->Name(), "BUTTON1");
    b->SetName("Edit1");
    EXPECT_EQ(form.FindComponent("edit1"), b);
    EXPECT_EQ(form.FindComponent(""), nullptr);
    EXPECT_EQ(form.FindComponent("Edit"), nullptr);

    // Components without owner, or under different owners, may share a name.
    TComponent loose1, loose2;
    loose1.SetName("Same");
    loose2.SetName("Same");
    TComponent other;
    EXPECT_RAISES(EComponentError, "A component named Edit1 already exists", [&] {
        auto* c = new TComponent(&other);
        c->SetName("Edit1");
        form.InsertComponent(c);
    }());
}

TEST_F(ComponentTest, OwnersDestroyWhatTheyOwnLastFirst)
{
    std::vector<std::string> log;
    auto* owner = new TProbe;
    for (const char* name : {"A", "B", "C"}) {
        auto* c = new TProbe(owner);
        c->SetName(name);
        c->log = &log;
    }
    owner->log = &log;
    EXPECT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->Components(2)->ComponentIndex(), 2);
    EXPECT_RAISES(EListError, "List index out of bounds (3)", owner->Components(3));
    owner->SetName("Owner");
    log.clear();
    delete owner;  // the owner's own destructor body runs before its components go
    EXPECT_EQ(log, (std::vector<std::string>{"destroy Owner", "destroy C", "destroy B", "destroy A"}));
}

TEST_F(ComponentTest, AComponentLeavesItsOwnerWhenDestroyedAndOwnersAreTold)
{
    std::vector<std::string> log;
    TProbe owner;
    owner.log = &log;
    auto* c = new TProbe(&owner);
    EXPECT_EQ(log, std::vector<std::string>{"insert "});
    c->SetName("Child");
    delete c;
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(log.back(), "remove Child");
}

TEST_F(ComponentTest, OnlyComponentsThatListenHearAboutTheirSiblings)
{
    // A thousand quiet siblings hear nothing when one goes: removing one
    // costs the same however many stand beside it.
    std::vector<std::string> log, heard;
    TProbe owner;
    owner.log = &log;
    for (int i = 0; i < 1000; ++i) (new TProbe(&owner))->log = &heard;
    auto* listener = new TProbe(&owner);
    listener->SetName("Listener");
    auto* gone = new TProbe(&owner);
    gone->SetName("Gone");
    heard.clear();
    std::vector<std::string> listened;
    listener->log = &listened;
    listener->ListenToSiblings();
    delete gone;
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(listened, std::vector<std::string>{"remove Gone"});
    EXPECT_EQ(log.back(), "remove Gone");
    // It keeps listening under another owner (and hears its own move).
    TProbe other;
    other.InsertComponent(listener);
    auto* added = new TProbe(&other);
    added->SetName("Added");
    delete added;
    EXPECT_EQ(listened, (std::vector<std::string>{"remove Gone", "remove Listener", "insert Listener", "insert ",
                                                  "remove Added"}));
    EXPECT_EQ(owner.ComponentCount(), 1000);
}

TEST_F(ComponentTest, ManyComponentsAreFoundByTheirNames)
{
    // Enough components for the owner's name index, through every change
    // of name and owner.
    TComponent form;
    std::vector<TProbe*> made;
    for (int i = 0; i < 100; ++i) {
        made.push_back(new TProbe(&form));
        made.back()->SetName("Edit" + std::to_string(i));
    }
    EXPECT_EQ(form.FindComponent("EDIT42"), made[42]);
    EXPECT_EQ(form.FindComponent("Edit100"), nullptr);
    EXPECT_EQ(form.FindComponent(""), nullptr);
    made[42]->SetName("Renamed");
    EXPECT_EQ(form.FindComponent("edit42"), nullptr);
    EXPECT_EQ(form.FindComponent("renamed"), made[42]);
    EXPECT_RAISES(EComponentError, "A component named EDIT7 already exists", made[8]->SetName("EDIT7"));
    EXPECT_EQ(form.FindComponent("Edit8"), made[8]);

    delete made[7];
    EXPECT_EQ(form.FindComponent("Edit7"), nullptr);
    made[8]->SetName("Edit7");  // the name is free again
    TComponent other;
    other.InsertComponent(made[9]);
    EXPECT_EQ(form.FindComponent("Edit9"), nullptr);
    EXPECT_EQ(other.FindComponent("Edit9"), made[9]);

    // Two of one name (renamed without checks): the first in order.
    made[20]->ChangeName("Twin");
    made[10]->ChangeName("twin");
    EXPECT_EQ(form.FindComponent("TWIN"), made[10]);
    made[10]->ChangeName("");
    EXPECT_EQ(form.FindComponent("twin"), made[20]);

    // Components the owner destroys leave the index as they go.
    std::vector<std::string> log;
    auto* owner = new TProbe;
    for (int i = 0; i < 40; ++i) {
        auto* c = new TProbe(owner);
        c->SetName("C" + std::to_string(i));
        c->log = &log;
    }
    delete owner;
    EXPECT_EQ(log.size(), 40u);
}

TEST_F(ComponentTest, FindComponentBelowLooksIntoOwnersInOrder)
{
    TComponent form;
    auto* panel = new TComponent(&form);
    auto* box = new TComponent(&form);
    auto* inPanel = new TComponent(panel);
    auto* inBox = new TComponent(box);
    auto* deep = new TComponent(inBox);
    inPanel->SetName("Same");
    inBox->SetName("Same");
    deep->SetName("Deep");
    EXPECT_EQ(form.FindComponentBelow("same"), inPanel);
    EXPECT_EQ(form.FindComponentBelow("deep"), deep);
    delete inPanel;  // the panel owns nothing now
    EXPECT_EQ(form.FindComponentBelow("Same"), inBox);
    new TComponent(panel);  // and something again, before the box in order
    (*panel).Components(0)->SetName("Same");
    EXPECT_EQ(form.FindComponentBelow("Same"), panel->Components(0));
    box->RemoveComponent(inBox);
    EXPECT_EQ(form.FindComponentBelow("Deep"), nullptr);
    delete inBox;
    EXPECT_EQ(form.FindComponentBelow("nothing"), nullptr);
}

TEST_F(ComponentTest, InsertComponentMovesFromTheFormerOwner)
{
    TComponent first, second;
    auto* c = new TComponent(&first);
    c->SetName("Moved");
    second.InsertComponent(c);
    EXPECT_EQ(c->Owner(), &second);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(second.FindComponent("moved"), c);
    second.RemoveComponent(c);
    EXPECT_EQ(c->Owner(), nullptr);
    EXPECT_EQ(c->ComponentIndex(), -1);
    delete c;
}

TEST_F(ComponentTest, StateFlagsFollowLoadingAndDesigning)
{
    TComponent owner;
    auto* c = new TComponent(&owner);
    c->Loading();
    EXPECT_TRUE(c->ComponentState().Contains(csLoading));
    c->Loaded();
    EXPECT_FALSE(c->ComponentState().Contains(csLoading));
    owner.SetDesigning(true);
    EXPECT_TRUE(c->ComponentState().Contains(csDesigning));
    auto* late = new TComponent(&owner);
    EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
}

TEST_F(ComponentTest, PublishedNameAndTag)
{
    TComponent c;
    SetPropValue(&c, "Name", Variant("Memo1"));
    SetPropValue(&c, "Tag", Variant(int32_t(318)));
    EXPECT_EQ(c.Name(), "Memo1");
    EXPECT_EQ(c.Tag(), 318);
    const TPropInfo* name = GetPropInfo(&c, "Name");
    EXPECT_FALSE(name->IsStored(&c));
    EXPECT_THROW(SetPropValue(&c, "Name", Variant("no good")), EComponentError);
}

// ---------------------------------------------------------------- TPersistent

TEST_F(ComponentTest, AssignBetweenUnrelatedClassesNamesBoth)
{
    TFont font;
    TPen pen;
    EXPECT_RAISES(EConvertError, "Cannot assign a TFont to a TPen", pen.Assign(&font));
    EXPECT_RAISES(EConvertError, "Cannot assign a nil to a TFont", font.Assign(nullptr));
}

// ---------------------------------------------------------------- collections

TEST_F(ComponentTest, CollectionsCreateTheirItemClassAndNumberItems)
{
    TTestItems items;
    auto* first = dynamic_cast<TTestItem*>(items.Add());
    ASSERT_NE(first, nullptr);
    auto* second = items.Add();
    EXPECT_EQ(first->ID(), 0);
    EXPECT_EQ(second->ID(), 1);
    items.Delete(0);
    EXPECT_EQ(items.Add()->ID(), 2);  // IDs are never reused
    EXPECT_EQ(items.FindItemID(1), second);
    EXPECT_EQ(second->Index(), 0);
    EXPECT_RAISES(EListError, "List index out of bounds (2)", items.Items(2));

    TCollectionItem* inserted = items.Insert(0);
    EXPECT_EQ(items.Items(0), inserted);
    delete inserted;  // an item leaves its collection when destroyed
    EXPECT_EQ(items.Count(), 2);
}

TEST_F(ComponentTest, CollectionChangesReachUpdateOncePerUpdateBlock)
{
    TTestItems items;
    items.updates = 0;
    items.BeginUpdate();
    items.Add();
    items.Add();
    EXPECT_EQ(items.updates, 0);
    items.EndUpdate();
    EXPECT_EQ(items.updates, 1);
    EXPECT_EQ(items.lastUpdated, nullptr);
    auto* item = static_cast<TTestItem*>(items.Items(1));
    item->Touch();
    EXPECT_EQ(items.lastUpdated, item);
    item->SetIndex(0);
    EXPECT_EQ(items.Items(0), item);
    EXPECT_EQ(items.lastUpdated, nullptr);
    EXPECT_RAISES(EListError, "List index out of bounds (5)", item->SetIndex(5));
}

TEST_F(ComponentTest, CollectionsAssignCopiesOfTheItems)
{
    TTestItems from, to;
    static_cast<TTestItem*>(from.Add())->Caption = "a";
    static_cast<TTestItem*>(from.Add())->Caption = "b";
    to.Add();
    to.Assign(&from);
    ASSERT_EQ(to.Count(), 2);
    EXPECT_EQ(static_cast<TTestItem*>(to.Items(1))->Caption, "b");
    EXPECT_NE(to.Items(0), from.Items(0));
    to.Assign(&to);  // onto itself: nothing lost
    EXPECT_EQ(to.Count(), 2);
}

TEST_F(ComponentTest, ItemsMoveOnlyIntoCollectionsOfTheirClass)
{
    TTestItems items;
    TCollection fonts(TFont::StaticClass());
    TCollectionItem* item = items.Add();
    EXPECT_RAISES(EListError, "Invalid property value", item->SetCollection(&fonts));
    EXPECT_THROW(fonts.Add(), EInvalidOperation);  // TFont is no collection item
    TTestItems others;
    item->SetCollection(&others);
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(others.Items(0), item);
}

TEST_F(ComponentTest, NamePathsNameTheOwningProperty)
{
    TItemsOwner owner;
    owner.SetName("Owner1");
    owner.Items()->Add();
    TCollectionItem* item = owner.Items()->Add();
    EXPECT_EQ(owner.Items()->GetNamePath(), "Owner1.Items");
    EXPECT_EQ(item->GetNamePath(), "Owner1.Items[1]");
    TTestItems loose;
    EXPECT_EQ(loose.GetNamePath(), "TTestItems");
}

// ---------------------------------------------------------------- TList

TEST_F(ComponentTest, ListKeepsReferencesInOrder)
{
    TList list;
    TComponent a, b, c;
    list.Add(&a);
    list.Add(&b);
    list.Insert(0, &c);
    EXPECT_EQ(list.IndexOf(&a), 1);
    list.Move(0, 2);
    EXPECT_EQ(list.Last(), &c);
    EXPECT_EQ(list.Remove(&b), 1);
    EXPECT_EQ(list.Remove(&b), -1);
    list.Exchange(0, 1);
    EXPECT_EQ(list.First(), &c);
    EXPECT_RAISES(EListError, "List index out of bounds (2)", list.Items(2));
    EXPECT_RAISES(EListError, "List index out of bounds (3)", list.Insert(3, &a));
    list.Clear();
    EXPECT_RAISES(EListError, "List index out of bounds (-1)", list.Last());
}

TEST_F(ComponentTest, ListedObjectsFreedMeanwhileReadNil)
{
    TList list;
    TComponent kept;
    auto gone = std::make_unique<TComponent>();
    list.Add(gone.get());
    list.Add(&kept);
    list.Add(nullptr);
    gone.reset();
    EXPECT_EQ(list.Items(0), nullptr);
    EXPECT_EQ(list.Items(1), &kept);
    EXPECT_EQ(list.IndexOf(nullptr), 0);
    EXPECT_EQ(list.Remove(nullptr), 0);
    EXPECT_EQ(list.Remove(nullptr), 1);
    EXPECT_EQ(list.Count(), 1);
}

}  // namespace
