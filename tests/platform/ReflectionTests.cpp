// The registry seen the way the script engine and the serializer see it: a
// small report-like hierarchy with every property kind.

#include <gtest/gtest.h>

#include <memory>

#include "CoreClassesFixture.h"
#include "Graphics.h"
#include "StringLists.h"
#include "SysUtils.h"

namespace {

enum TrpHAlign { haLeft, haRight, haCenter, haBlock };
enum TrpFrameLine { flLeft, flTop, flRight, flBottom };
using TrpFrameLines = TSet<TrpFrameLine>;

// A nested object that tells its owner about changes.
class TTestLine : public TPersistent {
    DORVAK_CLASS(TTestLine, TPersistent)
public:
    TNotifyEvent OnChange;
    TColor Color() const { return color_; }
    void SetColor(TColor v)
    {
        color_ = v;
        if (OnChange) OnChange(this);
    }
    static void Publish(TClassBuilder<TTestLine>& b)
    {
        b.property("Color", &TTestLine::Color, &TTestLine::SetColor).defaultValue(clBlack);
    }

private:
    TColor color_ = clBlack;
};

class TTestFrame : public TPersistent {
    DORVAK_CLASS(TTestFrame, TPersistent)
public:
    TTestFrame()
    {
        line_->OnChange = [this](TObject*) { changed(); };
    }
    TNotifyEvent OnChange;
    TTestLine* LeftLine() const { return line_.get(); }
    TrpFrameLines Typ() const { return typ_; }
    void SetTyp(TrpFrameLines v)
    {
        typ_ = v;
        changed();
    }
    Extended Width = 1;
    static void Publish(TClassBuilder<TTestFrame>& b)
    {
        b.property("LeftLine", &TTestFrame::LeftLine);
        b.property("Typ", &TTestFrame::Typ, &TTestFrame::SetTyp).defaultValue(TrpFrameLines{});
        b.property("Width", &TTestFrame::Width);
    }

private:
    void changed()
    {
        if (OnChange) OnChange(this);
    }
    std::unique_ptr<TTestLine> line_ = std::make_unique<TTestLine>();
    TrpFrameLines typ_;
};

// Stands in for the report's wide string list.
class TTestWideLines : public TPersistent {
    DORVAK_CLASS(TTestWideLines, TPersistent)
public:
    WideString Text;
};

}  // namespace

template <>
struct ObjectPropKind<TTestWideLines> {
    static constexpr TPropKind value = pkWideStrings;
};

namespace {

class TTestView : public TComponent {
    DORVAK_CLASS(TTestView, TComponent)
public:
    explicit TTestView(TComponent* owner = nullptr) : TComponent(owner)
    {
        frame_->OnChange = [this](TObject*) { ++frameChanges; };
        font_->OnChange = [this](TObject*) { parentFont_ = false; };
    }
    Extended Left() const { return left_; }
    void SetLeft(Extended v) { left_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    TrpHAlign HAlign() const { return halign_; }
    void SetHAlign(TrpHAlign v) { halign_ = v; }
    TTestFrame* Frame() const { return frame_.get(); }
    void SetFrame(TTestFrame* v) { frame_->SetTyp(v->Typ()); }
    TFont* Font() const { return font_.get(); }
    void SetFont(TFont* v) { font_->Assign(v); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v) { parentFont_ = v; }
    bool IsFontStored() const { return !parentFont_; }
    TStringList* Lines() const { return lines_.get(); }
    void SetLines(TStringList* v) { lines_->Assign(v); }
    TTestWideLines* WideLines() const { return wide_.get(); }
    int32_t Kind() const { return 7; }

    std::string Caption;
    WideString WideCaption;
    Variant Value;
    char Accel = 'A';
    int64_t Big = 0;
    uint8_t Charset = 1;
    TColor Color = clNone;
    double Created = 0;
    Ref<TTestView> DataSet;
    TNotifyEvent OnClick;
    int frameChanges = 0;

    static void Publish(TClassBuilder<TTestView>& b)
    {
        b.property("Left", &TTestView::Left, &TTestView::SetLeft);
        b.property("Visible", &TTestView::Visible, &TTestView::SetVisible).defaultValue(true);
        b.property("HAlign", &TTestView::HAlign, &TTestView::SetHAlign).defaultValue(haLeft);
        b.property("Frame", &TTestView::Frame, &TTestView::SetFrame);
        b.property("Font", &TTestView::Font, &TTestView::SetFont).stored(&TTestView::IsFontStored);
        b.property("ParentFont", &TTestView::ParentFont, &TTestView::SetParentFont).defaultValue(true);
        b.property("Lines", &TTestView::Lines, &TTestView::SetLines);
        b.property("WideLines", &TTestView::WideLines);
        b.property("Kind", &TTestView::Kind);
        b.property("Caption", &TTestView::Caption);
        b.property("WideCaption", &TTestView::WideCaption);
        b.property("Value", &TTestView::Value);
        b.property("Accel", &TTestView::Accel);
        b.property("Big", &TTestView::Big);
        b.property("Charset", &TTestView::Charset).defaultValue(1);
        b.property("Color", &TTestView::Color).defaultValue(clNone);
        b.property("Created", &TTestView::Created).typeName("TDateTime");
        b.property("DataSet", &TTestView::DataSet);
        b.property("OnClick", &TTestView::OnClick);
    }

private:
    Extended left_ = 0;
    bool visible_ = true;
    TrpHAlign halign_ = haLeft;
    bool parentFont_ = true;
    std::unique_ptr<TTestFrame> frame_ = std::make_unique<TTestFrame>();
    std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
    std::unique_ptr<TStringList> lines_ = std::make_unique<TStringList>();
    std::unique_ptr<TTestWideLines> wide_ = std::make_unique<TTestWideLines>();
};

class TTestMemo : public TTestView {
    DORVAK_CLASS(TTestMemo, TTestView)
public:
    using TTestView::TTestView;
    bool WordWrap = true;
    static void Publish(TClassBuilder<TTestMemo>& b)
    {
        b.property("WordWrap", &TTestMemo::WordWrap).defaultValue(true);
        b.redeclare("Visible").defaultValue(false);
        b.redeclare("Font");
    }
};

// Abstract on the platform, though C++ could build it.
class TTestAbstract : public TComponent {
    DORVAK_CLASS(TTestAbstract, TComponent)
public:
    using TComponent::TComponent;
    static void Publish(TClassBuilder<TTestAbstract>& b) { b.abstract(); }
};

// Classes the tests register (or fail to) on their own.
class TOrphan : public TTestLine {
    DORVAK_CLASS(TOrphan, TTestLine)
};
class TOrphanChild : public TOrphan {
    DORVAK_CLASS(TOrphanChild, TOrphan)
};
class TTwice : public TTestLine {
    DORVAK_CLASS(TTwice, TTestLine)
    static void Publish(TClassBuilder<TTwice>& b)
    {
        b.property("Color", &TTestLine::Color, &TTestLine::SetColor);
        b.property("color", &TTestLine::Color, &TTestLine::SetColor);
    }
};
class TWatcher : public TComponent {
    DORVAK_CLASS(TWatcher, TComponent)
public:
    using TComponent::TComponent;
    Ref<TComponent> watched;
    bool* sawOwnerAlive = nullptr;
    ~TWatcher() override
    {
        *sawOwnerAlive = static_cast<bool>(watched);
        // A dying owner hands out no new handle either.
        if (Ref<TComponent>(Owner() ? Owner() : formerOwner)) *sawOwnerAlive = true;
    }
    TComponent* formerOwner = nullptr;
};

class RegistryTest : public CoreClassesTest {
protected:
    static void SetUpTestSuite()
    {
        CoreClassesTest::SetUpTestSuite();
        RegisterEnum<TrpHAlign>("TrpHAlign", {"haLeft", "haRight", "haCenter", "haBlock"});
        RegisterEnum<TrpFrameLine>("TrpFrameLine", {"flLeft", "flTop", "flRight", "flBottom"});
        RegisterSet<TrpFrameLines>("TrpFrameLines");
        RegisterClass<TTestLine>(TTestLine::Publish);
        RegisterClass<TTestFrame>(TTestFrame::Publish);
        RegisterClass<TTestWideLines>();
        RegisterClass<TTestView>(TTestView::Publish);
        RegisterClass<TTestMemo>(TTestMemo::Publish);
        RegisterClass<TTestAbstract>(TTestAbstract::Publish);
    }
    static void TearDownTestSuite()
    {
        UnregisterClass<TTestAbstract>();
        UnregisterClass<TTestMemo>();
        UnregisterClass<TTestView>();
        UnregisterClass<TTestWideLines>();
        UnregisterClass<TTestFrame>();
        UnregisterClass<TTestLine>();
        UnregisterType<TrpFrameLines>();
        UnregisterType<TrpFrameLine>();
        UnregisterType<TrpHAlign>();
        CoreClassesTest::TearDownTestSuite();
    }

    static std::vector<std::string> names(const TClass* c)
    {
        std::vector<std::string> list;
        for (const TPropInfo* p : c->Properties()) list.push_back(p->Name());
        return list;
    }
};

// ---------------------------------------------------------------- class records

TEST_F(RegistryTest, PropertiesComeInDeclarationOrderAncestorsFirst)
{
    const std::vector<std::string> view = {"Name", "Tag", "Left", "Visible", "HAlign", "Frame", "Font",
                                           "ParentFont", "Lines", "WideLines", "Kind", "Caption", "WideCaption",
                                           "Value", "Accel", "Big", "Charset", "Color", "Created", "DataSet",
                                           "OnClick"};
    EXPECT_EQ(names(TTestView::StaticClass()), view);
    // A redeclared property keeps its ancestor's place; new ones follow.
    std::vector<std::string> memo = view;
    memo.push_back("WordWrap");
    EXPECT_EQ(names(TTestMemo::StaticClass()), memo);
    const TPropInfo* visible = TTestMemo::StaticClass()->FindProperty("Visible");
    EXPECT_EQ(visible->DeclaringClass(), TTestMemo::StaticClass());
    EXPECT_EQ(visible->Default(), 0);
    EXPECT_EQ(TTestView::StaticClass()->FindProperty("Visible")->Default(), 1);
}

TEST_F(RegistryTest, KindsAndTypeNamesAsScriptsSeeThem)
{
    struct Expect {
        const char* name;
        TPropKind kind;
        const char* type;
    };
    const Expect expected[] = {
        {"Name", pkString, "String"},          {"Tag", pkInteger, "Integer"},
        {"Left", pkFloat, "Extended"},         {"Visible", pkEnumeration, "Boolean"},
        {"HAlign", pkEnumeration, "TrpHAlign"}, {"Frame", pkObject, "TTestFrame"},
        {"Font", pkObject, "TFont"},           {"Lines", pkStrings, "TStringList"},
        {"WideLines", pkWideStrings, "TTestWideLines"}, {"Caption", pkString, "String"},
        {"WideCaption", pkWideString, "WideString"}, {"Value", pkVariant, "Variant"},
        {"Accel", pkChar, "Char"},             {"Big", pkInt64, "Int64"},
        {"Charset", pkInteger, "Byte"},        {"Color", pkInteger, "TColor"},
        {"Created", pkFloat, "TDateTime"},     {"DataSet", pkComponent, "TTestView"},
        {"OnClick", pkMethod, "TNotifyEvent"},
    };
    for (const Expect& e : expected) {
        const TPropInfo* p = TTestView::StaticClass()->FindProperty(e.name);
        ASSERT_NE(p, nullptr) << e.name;
        EXPECT_EQ(p->Kind(), e.kind) << e.name;
        EXPECT_EQ(p->TypeName(), e.type) << e.name;
    }
    const TPropInfo* frame = TTestView::StaticClass()->FindProperty("Frame");
    EXPECT_EQ(frame->PropType()->ClassRef(), TTestFrame::StaticClass());
    EXPECT_FALSE(TTestView::StaticClass()->FindProperty("Kind")->IsWritable());
    EXPECT_TRUE(TTestView::StaticClass()->FindProperty("Frame")->IsWritable());
}

TEST_F(RegistryTest, ClassesAndPropertiesAreFoundIgnoringCase)
{
    EXPECT_EQ(GetClass("ttestMEMO"), TTestMemo::StaticClass());
    EXPECT_EQ(GetClass("TNothing"), nullptr);
    EXPECT_RAISES(EClassNotFound, "Class TNothing not found", FindClass("TNothing"));
    EXPECT_EQ(TTestMemo::StaticClass()->FindProperty("hALIGN")->Name(), "HAlign");
    EXPECT_EQ(TTestMemo::StaticClass()->FindProperty("Halig"), nullptr);
    EXPECT_TRUE(TTestMemo::StaticClass()->InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TTestView::StaticClass()->InheritsFrom(TTestMemo::StaticClass()));
    EXPECT_FALSE(TTestView::StaticClass()->InheritsFrom(nullptr));
}

TEST_F(RegistryTest, ClassesAreCreatedByName)
{
    TComponent owner;
    TObject* made = FindClass("TTestMemo")->Create(&owner);
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), made);
    EXPECT_EQ(made->ClassName(), "TTestMemo");
    EXPECT_TRUE(made->InheritsFrom(TTestView::StaticClass()));
    // The owner must be a component; abstract classes are not made.
    TStringList notAnOwner;
    EXPECT_THROW(FindClass("TTestView")->Create(&notAnOwner), EInvalidOperation);
    EXPECT_RAISES(EInvalidOperation, "Cannot create an instance of abstract class TTestAbstract",
                  FindClass("TTestAbstract")->Create(&owner));
    std::unique_ptr<TObject> list(FindClass("TStringList")->Create());
    EXPECT_NE(dynamic_cast<TStringList*>(list.get()), nullptr);
}

TEST_F(RegistryTest, RegistrationMistakesAreRefused)
{
    EXPECT_RAISES(EInvalidOperation, "Class TOrphanChild: ancestor TOrphan is not registered",
                  RegisterClass<TOrphanChild>());
    // Registering again is harmless and keeps one set of properties.
    EXPECT_EQ(RegisterClass<TTestLine>(TTestLine::Publish), TTestLine::StaticClass());
    EXPECT_EQ(TTestLine::StaticClass()->Properties().size(), 1u);
    EXPECT_RAISES(EInvalidOperation, "Class TTestView still has the descendant TTestMemo",
                  UnregisterClass(TTestView::StaticClass()));
    EXPECT_THROW(UnregisterType(FindTypeInfo("TrpHAlign")), EInvalidOperation);

    EXPECT_RAISES(EInvalidOperation, "Property TTwice.color is declared twice", RegisterClass<TTwice>(TTwice::Publish));
    EXPECT_EQ(GetClass("TTwice"), nullptr);  // a failed registration leaves nothing behind
}

// ---------------------------------------------------------------- values

TEST_F(RegistryTest, DefaultsAndStoredFlagsDecideWhatIsWritten)
{
    TTestView view;
    auto prop = [](const char* name) { return TTestView::StaticClass()->FindProperty(name); };
    EXPECT_TRUE(IsDefaultPropValue(&view, prop("Visible")));
    EXPECT_TRUE(IsDefaultPropValue(&view, prop("HAlign")));
    EXPECT_TRUE(IsDefaultPropValue(&view, prop("Color")));
    EXPECT_TRUE(IsDefaultPropValue(&view, prop("Caption")));  // strings: empty
    EXPECT_FALSE(IsDefaultPropValue(&view, prop("Left")));    // floats: always written
    EXPECT_FALSE(IsDefaultPropValue(&view, prop("Accel")));   // no declared default
    view.SetVisible(false);
    view.Caption = "x";
    EXPECT_FALSE(IsDefaultPropValue(&view, prop("Visible")));
    EXPECT_FALSE(IsDefaultPropValue(&view, prop("Caption")));

    // The stored predicate answers per object.
    EXPECT_FALSE(IsStoredProp(&view, prop("Font")));
    view.Font()->SetSize(12);
    EXPECT_TRUE(IsStoredProp(&view, prop("Font")));
    EXPECT_FALSE(IsStoredProp(&view, prop("Name")));
    // A redeclared property keeps its ancestor's stored predicate.
    TTestMemo memo;
    const TPropInfo* memoFont = TTestMemo::StaticClass()->FindProperty("Font");
    EXPECT_EQ(memoFont->DeclaringClass(), TTestMemo::StaticClass());
    EXPECT_FALSE(IsStoredProp(&memo, memoFont));
    memo.Font()->SetName("SimSun");
    EXPECT_TRUE(IsStoredProp(&memo, memoFont));
    EXPECT_FALSE(IsStoredProp(view.Font(), TFont::StaticClass()->FindProperty("Size")));
}

TEST_F(RegistryTest, EnumerationTextBothWays)
{
    TTestView view;
    EXPECT_EQ(GetEnumProp(&view, "HAlign"), "haLeft");
    SetEnumProp(&view, "HAlign", "HACENTER");
    EXPECT_EQ(view.HAlign(), haCenter);
    const TPropInfo* halign = GetPropInfo(&view, "HAlign");
    SetPropText(&view, halign, "1");  // an ordinal number reads as well as the name
    EXPECT_EQ(view.HAlign(), haRight);
    SetPropText(&view, halign, "haBlock");
    EXPECT_EQ(GetPropText(&view, halign), "haBlock");
    EXPECT_RAISES(EPropertyError, "Invalid property value", SetPropText(&view, halign, "haNowhere"));
    EXPECT_RAISES(EPropertyError, "Invalid property value", SetOrdProp(&view, "HAlign", 4));
    EXPECT_RAISES(EPropertyError, "Invalid property value", SetOrdProp(&view, "Visible", 2));
    EXPECT_EQ(view.HAlign(), haBlock);
    EXPECT_EQ(GetPropText(&view, GetPropInfo(&view, "Visible")), "True");
}

TEST_F(RegistryTest, SetTextBothWays)
{
    TTestView view;
    TTestFrame* frame = view.Frame();
    EXPECT_EQ(GetSetProp(frame, "Typ"), "[]");
    SetSetProp(frame, "Typ", " [ flTop , FLBOTTOM ] ");
    EXPECT_EQ(frame->Typ(), (TrpFrameLines{flTop, flBottom}));
    EXPECT_EQ(GetSetProp(frame, "Typ"), "[flTop,flBottom]");
    EXPECT_EQ(GetSetProp(frame, "Typ", false), "flTop,flBottom");
    const TPropInfo* typ = GetPropInfo(frame, "Typ");
    SetPropText(frame, typ, "5");  // the bit mask the serializer writes
    EXPECT_EQ(frame->Typ(), (TrpFrameLines{flLeft, flRight}));
    EXPECT_RAISES(EPropertyError, "Invalid property element: flMiddle", SetSetProp(frame, "Typ", "[flLeft,flMiddle]"));
    EXPECT_RAISES(EPropertyError, "Invalid property value", SetOrdProp(frame, "Typ", 16));
    EXPECT_EQ(frame->Typ(), (TrpFrameLines{flLeft, flRight}));
    SetPropValue(frame, "Typ", Variant("[flRight]"));
    EXPECT_EQ(GetOrdProp(frame, "Typ"), 4);
}

TEST_F(RegistryTest, DottedPathsWriteInPlaceAndNotifyTheOwner)
{
    TTestView view;
    SetPropValue(&view, "Frame.LeftLine.Color", Variant(int32_t(clRed)));
    EXPECT_EQ(view.Frame()->LeftLine()->Color(), clRed);
    EXPECT_EQ(view.frameChanges, 1);
    SetStrProp(&view, "font.name", "Arial");
    EXPECT_EQ(view.Font()->Name(), "Arial");
    EXPECT_FALSE(view.ParentFont());  // the font's change reached the view
    EXPECT_EQ(GetPropValue(&view, "Font.Size"), Variant(int32_t(8)));

    TObject* target = nullptr;
    const TPropInfo* p = FindPropPath(&view, "Frame.LeftLine.Color", target);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(target, view.Frame()->LeftLine());
    EXPECT_EQ(FindPropPath(&view, "Nothing.Color", target), nullptr);
    EXPECT_EQ(FindPropPath(&view, "Caption.Length", target), nullptr);  // not an object
    EXPECT_EQ(FindPropPath(&view, "DataSet.Caption", target), nullptr);  // references are not nested objects
    EXPECT_RAISES(EPropertyError, "Property Frame.Colour does not exist", GetPropValue(&view, "Frame.Colour"));
}

TEST_F(RegistryTest, VariantViewOfEveryKind)
{
    TTestView view;
    TTestView other;
    EXPECT_VARIANT(varBoolean, true, GetPropValue(&view, "Visible"));
    EXPECT_VARIANT(varInteger, int32_t(clNone), GetPropValue(&view, "Color"));
    EXPECT_VARIANT(varString, "A", GetPropValue(&view, "Accel"));

    SetPropValue(&view, "Visible", Variant("false"));
    EXPECT_FALSE(view.Visible());
    SetPropValue(&view, "Left", Variant("2.5"));
    EXPECT_EQ(view.Left(), 2.5L);
    SetPropValue(&view, "Tag", Variant("12"));
    EXPECT_EQ(view.Tag(), 12);
    SetPropValue(&view, "HAlign", Variant("haCenter"));
    EXPECT_EQ(view.HAlign(), haCenter);
    SetPropValue(&view, "Accel", Variant("xyz"));
    EXPECT_EQ(view.Accel, 'x');
    SetPropValue(&view, "WideCaption", Variant("发货"));
    EXPECT_EQ(view.WideCaption, u"发货");
    EXPECT_EQ(GetStrProp(&view, "WideCaption"), "发货");
    SetPropValue(&view, "Value", Variant::Null());
    EXPECT_TRUE(view.Value.isNull());
    SetPropValue(&view, "Big", Variant(int64_t(1) << 40));
    EXPECT_VARIANT(varInt64, int64_t(1) << 40, GetPropValue(&view, "Big"));
    EXPECT_THROW(SetPropValue(&view, "Tag", Variant("abc")), EVariantError);
    EXPECT_THROW(SetPropValue(&view, "Tag", Variant(int64_t(1) << 40)), EPropertyError);

    // Class kinds travel as handles.
    SetPropValue(&view, "DataSet", ObjectToVariant(&other));
    EXPECT_EQ(view.DataSet.get(), &other);
    const Variant font = GetPropValue(&view, "Font");
    EXPECT_TRUE(font.isObject());
    EXPECT_EQ(VariantToObject(font), view.Font());
    SetPropValue(&view, "DataSet", Variant(int32_t(0)));
    EXPECT_EQ(view.DataSet.get(), nullptr);
    TStringList wrongClass;
    EXPECT_RAISES(EPropertyError, "Invalid property value", SetPropValue(&view, "DataSet", ObjectToVariant(&wrongClass)));
    EXPECT_TRUE(GetPropValue(&view, "OnClick").isNull());
}

TEST_F(RegistryTest, WrongFamilyAndReadOnlyAreErrors)
{
    TTestView view;
    EXPECT_EQ(GetOrdProp(&view, "Kind"), 7);
    EXPECT_RAISES(EPropertyError, "Property Kind is read-only", SetOrdProp(&view, "Kind", 1));
    EXPECT_RAISES(EPropertyError, "Invalid property type: Extended", GetStrProp(&view, "Left"));
    EXPECT_RAISES(EPropertyError, "Invalid property type: TFont", GetPropText(&view, GetPropInfo(&view, "Font")));
    EXPECT_RAISES(EPropertyError, "Property Nothing does not exist", SetOrdProp(&view, "Nothing", 1));
    EXPECT_RAISES(EObjectReferenceError, "Invalid object reference", GetOrdProp(nullptr, "Tag"));
}

TEST_F(RegistryTest, NestedObjectPropertiesAssign)
{
    TTestView view;
    TFont font;
    font.SetName("Tahoma");
    SetObjectProp(&view, "Font", &font);
    EXPECT_EQ(view.Font()->Name(), "Tahoma");
    EXPECT_NE(view.Font(), &font);  // copied, not replaced
    TStringList lines;
    lines.SetCommaText("a,b");
    SetObjectProp(&view, "Lines", &lines);
    EXPECT_EQ(view.Lines()->Text(), "a\r\nb\r\n");
    EXPECT_RAISES(EPropertyError, "Property WideLines is read-only", SetObjectProp(&view, "WideLines", nullptr));
}

TEST_F(RegistryTest, EventsAreAssignedAndDetachedByName)
{
    TTestView view;
    int calls = 0;
    TObject* sender = nullptr;
    const int adapter = 0;  // whoever attaches passes itself as Data
    TMethod m;
    m.Code = TNotifyEvent::Handler([&](TObject* s) {
        ++calls;
        sender = s;
    });
    m.Data = &adapter;
    SetMethodProp(&view, "onclick", m);
    view.OnClick(&view);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sender, &view);
    EXPECT_EQ(GetMethodProp(&view, "OnClick").Data, &adapter);

    TMethod wrong;
    wrong.Code = std::function<void(int)>([](int) {});
    EXPECT_RAISES(EPropertyError, "Invalid property value", SetMethodProp(&view, "OnClick", wrong));
    SetMethodProp(&view, "OnClick", TMethod{});
    EXPECT_FALSE(view.OnClick);
    EXPECT_FALSE(GetMethodProp(&view, "OnClick").Assigned());
}

// ---------------------------------------------------------------- handles

TEST_F(RegistryTest, HandlesResolveWhileTheObjectLives)
{
    auto view = std::make_unique<TTestView>();
    const ObjectHandle h = view->Handle();
    EXPECT_NE(h, 0u);
    EXPECT_EQ(view->Handle(), h);
    EXPECT_EQ(ObjectFromHandle(h), view.get());
    EXPECT_EQ(ObjectFromHandle(0), nullptr);
    view.reset();
    EXPECT_RAISES(EObjectReferenceError, "Invalid object reference", ObjectFromHandle(h));
    EXPECT_EQ(FindObjectByHandle(h), nullptr);

    // A new object in the same slot gets a new generation: the old handle stays dead.
    TTestView next;
    EXPECT_NE(next.Handle(), h);
    EXPECT_EQ(FindObjectByHandle(h), nullptr);
}

TEST_F(RegistryTest, ForgedHandlesAndValuesAreRefused)
{
    TTestView view;
    const ObjectHandle h = view.Handle();
    for (ObjectHandle forged : {h + 1, h ^ (ObjectHandle(1) << 30), ObjectHandle(0xFFFFFFFFFFFFFFFFull),
                                ObjectHandle(12345)}) {
        EXPECT_RAISES(EObjectReferenceError, "Invalid object reference", ObjectFromHandle(forged));
    }
    EXPECT_EQ(VariantToObject(Variant()), nullptr);
    EXPECT_EQ(VariantToObject(Variant::Null()), nullptr);
    EXPECT_EQ(VariantToObject(Variant(int32_t(0))), nullptr);
    EXPECT_EQ(VariantToObject(Variant(static_cast<int64_t>(h))), &view);  // an integer carrying a handle
    EXPECT_RAISES(EObjectReferenceError, "Invalid object reference", VariantToObject(Variant(int32_t(-5))));
    EXPECT_RAISES(EObjectReferenceError, "Invalid object reference", VariantToObject(Variant("view")));
    EXPECT_EQ(ObjectToVariant(nullptr).rawObject(), 0u);
}

TEST_F(RegistryTest, HandleVariantsCompareAndPrintAsNumbers)
{
    TTestView view;
    const Variant ref = ObjectToVariant(&view);
    EXPECT_EQ(ref.toString(), IntToStr(static_cast<int64_t>(view.Handle())));
    EXPECT_FALSE(ref == Variant(int32_t(0)));
    EXPECT_TRUE(ObjectToVariant(nullptr) == Variant(int32_t(0)));  // nil is 0
}

TEST_F(RegistryTest, WeakReferencesReadNilOnceTheTargetDies)
{
    auto target = std::make_unique<TTestMemo>();
    TTestView holder;
    holder.DataSet = target.get();
    Ref<TTestView> base = Ref<TTestMemo>(target.get());
    EXPECT_EQ(holder.DataSet.get(), target.get());
    EXPECT_EQ(base->ClassName(), "TTestMemo");
    const size_t live = LiveHandleCount();
    target.reset();
    EXPECT_EQ(LiveHandleCount(), live - 1);
    EXPECT_EQ(holder.DataSet.get(), nullptr);
    EXPECT_FALSE(base);
    EXPECT_RAISES(EObjectReferenceError, "Invalid object reference", base->Tag());
    EXPECT_EQ(GetObjectProp(&holder, "DataSet"), nullptr);
}

TEST_F(RegistryTest, AComponentIsGoneForScriptsWhileItsChildrenAreDestroyed)
{
    bool alive = true;
    auto* owner = new TComponent;
    auto* watcher = new TWatcher(owner);
    watcher->watched = owner;
    watcher->formerOwner = owner;
    watcher->sawOwnerAlive = &alive;
    delete owner;
    EXPECT_FALSE(alive);
}

}  // namespace
