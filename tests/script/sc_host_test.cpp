// Host classes: published properties of every kind, indexed and default
// properties, var parameters of methods, events assigned and cleared by
// name, checked object references, late binding across classes, and OLE
// late binding against a mock automation object.

#include <gtest/gtest.h>

#include "CodePages.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_disp.h"
#include "sc_test_support.h"

namespace {

// A script with the test classes and the object "Thing" registered.
class HostScript : public TestScript {
public:
    explicit HostScript(const std::string& text) : TestScript(text)
    {
        addTestClasses(script);
        thing = std::make_unique<TTestThing>();
        thing->SetName("Thing");
        script.AddObject("Thing", thing.get());
    }
    std::unique_ptr<TTestThing> thing;
};

}  // namespace

class HostClasses : public HostClassesTest {};

TEST_F(HostClasses, PublishedPropertiesOfEveryKind)
{
    HostScript t("begin Thing.Count := 5; Thing.Big := 9000000000; Thing.Flag := True; Thing.Letter := 'z'; "
                 "Thing.Color := tcBlue; Thing.Colors := 5; Thing.Ratio := 2.5; Thing.Text := '中文'; "
                 "Thing.Wide := 'wide'; Thing.Any := Null; Thing.Link := Thing; "
                 "ShowMessage(IntToStr(Thing.Count) + ' ' + VarToStr(Thing.Big) + ' ' + BoolToStr(Thing.Flag) + ' ' + "
                 "Thing.Letter + ' ' + IntToStr(Thing.Color) + ' ' + IntToStr(Thing.Colors) + ' ' + "
                 "FloatToStr(Thing.Ratio) + ' ' + Thing.Text + ' ' + Thing.Wide + ' ' + IntToStr(VarType(Thing.Any))); "
                 "ShowMessage(Thing.Link.Text) end.");
    EXPECT_EQ(t.run(), "5 9000000000 -1 z 2 5 2.5 中文 wide 1|中文|");
    EXPECT_EQ(t.thing->Count, 5);
    EXPECT_EQ(t.thing->Flag, true);
    EXPECT_EQ(t.thing->Color, tcBlue);
    EXPECT_EQ(t.thing->Colors, (TTestColors{tcRed, tcBlue}));
    EXPECT_EQ(t.thing->Wide, u"wide");
    EXPECT_EQ(t.thing->Link, t.thing.get());
}

TEST_F(HostClasses, BooleanAndEnumerationProperties)
{
    // True stores as 1 (the host's Boolean), an enumeration reads and
    // writes as its ordinal.
    HostScript t("var v: Variant; begin v := True; Thing.Flag := v; Thing.Color := 1; "
                 "ShowMessage(IntToStr(Thing.Color) + BoolToStr(Thing.Color = tcGreen)) end.");
    EXPECT_EQ(t.run(), "1-1|");
    EXPECT_TRUE(t.thing->Flag);
    EXPECT_EQ(t.thing->Color, tcGreen);
}

TEST_F(HostClasses, BooleanGetterNormalisesNumbers)
{
    HostScript t("begin if Thing.Odd then ShowMessage('true') end.");
    t.script.FindClass("TTestThing")
        ->AddProperty("Odd", "Boolean", [](TObject*, const TClass*, const std::string&) { return Variant(5); });
    EXPECT_EQ(t.run(), "true|");
}

TEST_F(HostClasses, IndexedDefaultPropertyAndItsAccessorNames)
{
    HostScript t("begin Thing.Items[1] := 'one'; Thing[2] := 'two'; ShowMessage(Thing.Items[1] + Thing[2]) end.");
    std::vector<std::string> names;
    t.script.FindClass("TTestThing")
        ->AddIndexProperty("Probe", "Integer, String", "Variant",
                           [&](TObject*, const TClass*, const std::string& name, TscMethodHelper* c) {
                               names.push_back(name + ":" + std::to_string(c->ParamCount()) + ":" +
                                               c->GetParam(c->ParamCount()).toString());
                               return Variant(0);
                           });
    t.script.Lines = {"begin Thing.Items[1] := 'one'; Thing[2] := 'two'; ShowMessage(Thing.Items[1] + Thing[2]); "
                      "Thing.Probe[1, 'a'] := 'v'; ShowMessage(VarToStr(Thing.Probe[2, 'b'])) end."};
    EXPECT_EQ(t.run(), "onetwo|0|");
    EXPECT_EQ(names, (std::vector<std::string>{"PROBE.SET:2:v", "PROBE.GET:2:"}));
}

TEST_F(HostClasses, DefaultPropertyOfTheAncestor)
{
    HostScript t("var o: TTestOther; begin o := TTestOther.Create(nil); o[0] := 'x'; ShowMessage(o[0] + o.Extra); "
                 "o.Free end.");
    EXPECT_EQ(t.run(), "xextra|");
}

TEST_F(HostClasses, MethodWithVarParameters)
{
    HostScript t("var l, r: String; begin if Thing.Split('key=value', l, r) then ShowMessage(l + '/' + r) end.");
    EXPECT_EQ(t.run(), "key/value|");
}

TEST_F(HostClasses, FirstKindCallbackWritesVarParametersThroughTheArray)
{
    HostScript t("var x: Integer; begin Fill(1, x); ShowMessage(IntToStr(x)) end.");
    t.script.AddMethod("procedure Fill(a: Integer; var b: Integer)",
                       [](TObject* instance, const TClass*, const std::string& name, Variant& params) {
                           EXPECT_EQ(instance, nullptr);
                           EXPECT_EQ(name, "FILL");
                           params.arrayPut(1, Variant(params.arrayGet(0).toInt() + 41));
                           return Variant();
                       });
    EXPECT_EQ(t.run(), "42|");
}

TEST_F(HostClasses, ConstructorsMakeTheNamedClass)
{
    HostScript t("var a: TComponent; b: TTestThing; begin a := TComponent.Create(nil); b := TTestThing.Create(a); "
                 "b.Count := 3; ShowMessage(IntToStr(b.Count) + BoolToStr(b is TTestThing) + BoolToStr(a is TTestThing)); "
                 "a.Free; ShowMessage(IntToStr(b.Count)) end.");
    EXPECT_EQ(t.run(), "3-10|EObjectReferenceError: Invalid object reference");
}

TEST_F(HostClasses, FreedObjectsAndForgedReferencesRaise)
{
    HostScript t("var o: TTestThing; begin o := TTestThing.Create(nil); o.Free; o.Count := 1 end.");
    EXPECT_EQ(t.run(), "EObjectReferenceError: Invalid object reference");
    HostScript forged("var o: TTestThing; begin o := TTestThing(12345); ShowMessage(IntToStr(o.Count)) end.");
    EXPECT_EQ(forged.run(), "EObjectReferenceError: Invalid object reference");
    HostScript nil("var o: TTestThing; begin o := nil; ShowMessage(IntToStr(o.Count)) end.");
    EXPECT_EQ(nil.run(), "EObjectReferenceError: Invalid object reference");
    HostScript freeNil("var o: TTestThing; begin o := nil; o.Free; ShowMessage('ok') end.");
    EXPECT_EQ(freeNil.run(), "ok|");
}

TEST_F(HostClasses, EventsAssignedAndClearedByName)
{
    HostScript t("procedure Changed(Sender: TObject); begin ShowMessage('changed ' + TTestThing(Sender).Name) end; "
                 "begin Thing.OnChange := 'Changed'; Thing.Change; Thing.OnChange := @Changed; Thing.Change; "
                 "Thing.OnChange := nil; Thing.Change end.");
    EXPECT_EQ(t.run(), "changed Thing|changed Thing|");
    EXPECT_FALSE(t.thing->OnChange);
    HostScript wrong("var x: Integer; begin Thing.OnChange := 'x' end.");
    EXPECT_EQ(wrong.run(), "Exception: Event handler must be a procedure");
}

TEST_F(HostClasses, EventFiredByTheHostAfterTheScriptIsGone)
{
    auto thing = std::make_unique<TTestThing>();
    {
        HostScript t("procedure Changed(Sender: TObject); begin ShowMessage('x') end; begin Link.OnChange := 'Changed' end.");
        t.script.AddObject("Link", thing.get());
        EXPECT_EQ(t.run(), "");
        EXPECT_TRUE(thing->OnChange);
        t.script.Clear();
        EXPECT_FALSE(thing->OnChange);  // the adapter detached itself
    }
    EXPECT_NO_THROW(thing->Change());
    {
        HostScript t("procedure Changed(Sender: TObject); begin ShowMessage('x') end; begin Link.OnChange := 'Changed' end.");
        t.script.AddObject("Link", thing.get());
        t.run();
    }
    EXPECT_FALSE(thing->OnChange);  // destroyed script, detached too
    EXPECT_NO_THROW(thing->Change());
}

TEST_F(HostClasses, EventHandlerFailingOnceStillRunsTheNextTime)
{
    HostScript t("var n: Integer; procedure Changed(Sender: TObject); begin n := n + 1; "
                 "if n = 1 then RaiseException('first') else ShowMessage('second') end; "
                 "begin n := 0; Thing.OnChange := 'Changed' end.");
    EXPECT_EQ(t.run(), "");
    EXPECT_THROW(t.thing->Change(), Exception);
    t.thing->Change();
    EXPECT_EQ(t.ui.lines, "second|");
}

TEST_F(HostClasses, HandlerIsNotEnteredAgainWhileItRuns)
{
    HostScript t("var n: Integer; procedure Changed(Sender: TObject); begin n := n + 1; Thing.Change end; "
                 "begin n := 0; Thing.OnChange := 'Changed'; Thing.Change; ShowMessage(IntToStr(n)) end.");
    EXPECT_EQ(t.run(), "1|");
}

TEST_F(HostClasses, MemberOfTheAncestorRecord)
{
    HostScript t("var o: TTestOther; begin o := TTestOther.Create(nil); o.Count := 2; "
                 "if o.Split('a=b', o.Text, o.Extra) then ShowMessage(o.Text + o.Extra + IntToStr(o.Count)); o.Free end.");
    EXPECT_EQ(t.run(), "ab2|");
}

TEST_F(HostClasses, LateBindingPerClassOfObject)
{
    // One Variant holds objects of two classes: each access resolves on the
    // object's own class, never reusing the other class's lookup.
    HostScript t("var v: Variant; a: TTestThing; b: TTestOther; i: Integer; begin "
                 "a := TTestThing.Create(nil); b := TTestOther.Create(nil); a.Text := 'A'; b.Text := 'B'; "
                 "for i := 1 to 4 do begin if i mod 2 = 1 then v := a else v := b; ShowMessage(v.Text) end; "
                 "v := b; ShowMessage(v.Extra); v := a; ShowMessage(v.Extra) end.");
    EXPECT_EQ(t.run(), "A|B|A|B|extra|Exception: Undeclared identifier: 'Extra'");
}

TEST_F(HostClasses, LateBoundVariantThatHoldsNothing)
{
    HostScript t("var v: Variant; begin v := Null; v.Text := 'x' end.");
    EXPECT_EQ(t.run(), "EObjectReferenceError: Invalid object reference");
}

TEST_F(HostClasses, LateBoundWriteToAReadOnlyMember)
{
    HostScript t("var v: Variant; begin v := Thing; ShowMessage(VarToStr(v.Size)); v.Size := 1 end.");
    t.script.FindClass("TTestThing")
        ->AddProperty("Size", "Integer", [](TObject*, const TClass*, const std::string&) { return Variant(3); });
    EXPECT_EQ(t.run(), "3|Exception: Left side cannot be assigned to");
}

TEST_F(HostClasses, CastToTheWrongClassIsResolvedOnTheRealOne)
{
    // A cast names TTestOther, the object is a TTestThing: a member only
    // TTestOther has is refused instead of reading past the object.
    HostScript t("var o: TTestThing; begin o := TTestThing.Create(nil); o.Text := 't'; "
                 "ShowMessage(TTestOther(o).Text); ShowMessage(TTestOther(o).Extra) end.");
    EXPECT_EQ(t.run(), "t|Exception: Undeclared identifier: 'Extra'");
}

TEST_F(HostClasses, ChildComponentsAsMembers)
{
    HostScript t("begin ShowMessage(Thing.Part.Text) end.");
    auto* part = new TTestThing(t.thing.get());
    part->SetName("Part");
    part->Text = "inner";
    EXPECT_EQ(t.run(), "inner|");
}

TEST_F(HostClasses, WithOverObjects)
{
    HostScript t("begin with Thing do begin Count := 4; Text := IntToStr(Count * 2) end; ShowMessage(Thing.Text) end.");
    EXPECT_EQ(t.run(), "8|");
}

// ---------------------------------------------------------------- OLE

namespace {

// Records every call; "Fail" raises an automation error with a description.
class MockAutomation : public IDispatchObject {
public:
    struct Call {
        std::string member;
        uint16_t flags;
        std::vector<std::string> args;
        std::vector<int32_t> named;
        bool wantsResult;
    };
    std::vector<Call>* log;
    explicit MockAutomation(std::vector<Call>* l) : log(l) {}

    int32_t GetIDsOfNames(const WideString& name, int32_t& dispId) override
    {
        static const char* const names[] = {"Visible", "Add", "Fail", "Cells"};
        const std::string utf8 = Utf16ToUtf8(name);
        for (int i = 0; i < 4; ++i)
            if (SameText(utf8, names[i])) {
                dispId = i + 1;
                names_[dispId] = names[i];
                return 0;
            }
        return static_cast<int32_t>(0x80020006u);
    }
    int32_t Invoke(int32_t dispId, uint16_t flags, std::span<Variant> args, std::span<const int32_t> named,
                   Variant* result, TDispExcepInfo& info) override
    {
        Call call{names_[dispId], flags, {}, std::vector<int32_t>(named.begin(), named.end()), result != nullptr};
        for (const Variant& arg : args) call.args.push_back(VarToStr(arg));
        log->push_back(call);
        if (call.member == "Fail") {
            info.Source = "Mock";
            info.Description = "It broke";
            return static_cast<int32_t>(0x80020009u);
        }
        if (result) *result = Variant(call.member + "!");
        return 0;
    }

private:
    std::map<int32_t, std::string> names_;
};

class OleScript : public TestScript {
public:
    explicit OleScript(const std::string& text) : TestScript(text)
    {
        scRegisterOleClass("Mock.Application", [this] { return new MockAutomation(&log); });
    }
    ~OleScript() { scUnregisterOleClass("Mock.Application"); }
    std::vector<MockAutomation::Call> log;
};

}  // namespace

TEST(OleLateBinding, CallStatementAsksForNoResult)
{
    OleScript t("var app: Variant; begin app := CreateOleObject('Mock.Application'); app.Add(1, 'two'); "
                "ShowMessage(app.Add(3)) end.");
    EXPECT_EQ(t.run(), "Add!|");
    ASSERT_EQ(t.log.size(), 2u);
    EXPECT_EQ(t.log[0].flags, 1);
    EXPECT_FALSE(t.log[0].wantsResult);
    EXPECT_EQ(t.log[0].args, (std::vector<std::string>{"two", "1"}));  // the last argument first
    EXPECT_EQ(t.log[1].flags, 3);
    EXPECT_TRUE(t.log[1].wantsResult);
}

TEST(OleLateBinding, PropertyPutIsANamedArgument)
{
    OleScript t("var app: Variant; begin app := CreateOleObject('Mock.Application'); app.Visible := True; "
                "app.Cells[1, 2] := 'x' end.");
    EXPECT_EQ(t.run(), "");
    ASSERT_EQ(t.log.size(), 2u);
    EXPECT_EQ(t.log[0].flags, 4);
    EXPECT_EQ(t.log[0].named, (std::vector<int32_t>{-3}));
    EXPECT_EQ(t.log[0].args, (std::vector<std::string>{"True"}));
    EXPECT_FALSE(t.log[0].wantsResult);
    EXPECT_EQ(t.log[1].args, (std::vector<std::string>{"x", "2", "1"}));
}

TEST(OleLateBinding, AutomationErrorMessage)
{
    OleScript t("var app: Variant; begin app := CreateOleObject('Mock.Application'); "
                "try app.Fail except ShowMessage(ExceptionMessage) end; app.Missing end.");
    EXPECT_EQ(t.run(),
              "OLE error 80020009: Fail: Exception occurred\r\nSource        ::  Mock\r\nDescription ::  It broke|"
              "EOleError: OLE error 80020006: Missing: Unknown name");
}

TEST(OleLateBinding, UnknownClassStringIsCatchable)
{
    TestScript t("var app: Variant; begin try app := CreateOleObject('Excel.Application') except "
                 "ShowMessage(ExceptionClassName + ': ' + ExceptionMessage) end end.");
    EXPECT_EQ(t.run(), "EOleSysError: Invalid class string|");
}
