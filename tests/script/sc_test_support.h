#pragma once
// Running scripts in tests: compile a text in a language with the standard
// modules, run it, and collect what ShowMessage said. A test class with
// published properties of every kind serves the host-class tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Classes.h"
#include "sc_classes.h"
#include "sc_interpreter.h"
#include "sc_sysrtti.h"

// ShowMessage texts, each followed by "|".
class TestUi final : public TscScriptUi {
public:
    TestUi() { scSetScriptUi(this); }
    ~TestUi() override { scSetScriptUi(nullptr); }
    void ShowMessage(const std::string& text) override { lines += text + "|"; }
    std::string lines;
};

// A script with the standard modules, ready to compile.
class TestScript {
public:
    explicit TestScript(const std::string& text = {}, const std::string& language = "PascalScript");
    TscScript script;
    TestUi ui;
    // Compiles; false with ErrorPos/ErrorMsg in error().
    bool compile();
    std::string error() const { return script.ErrorPos + ": " + script.ErrorMsg; }
    // Compiles and runs: the ShowMessage output, or "error: ..." for a
    // compile error, or "ClassName: message" of an escaping exception.
    std::string run();
};

// Compiles and runs a PascalScript text; see TestScript::run.
std::string runPascal(const std::string& text);

// ---- the test host class

enum TTestColor { tcRed, tcGreen, tcBlue };
using TTestColors = TSet<TTestColor>;

class TTestThing : public TComponent {
    DORVAK_CLASS(TTestThing, TComponent)
public:
    explicit TTestThing(TComponent* owner = nullptr) : TComponent(owner) {}
    ~TTestThing() override { Destroying(); }

    int32_t Count = 0;
    int64_t Big = 0;
    bool Flag = false;
    char Letter = 'a';
    TTestColor Color = tcRed;
    TTestColors Colors;
    double Ratio = 0;
    std::string Text;
    WideString Wide;
    Variant Any;
    TTestThing* Link = nullptr;
    TNotifyEvent OnChange;
    std::vector<std::string> Items;

    void Change() { OnChange(this); }
    static void Publish(TClassBuilder<TTestThing>& b);
};

// A derived class with a member of its own, for lookups through ancestors
// and late binding on objects of two classes.
class TTestOther : public TTestThing {
    DORVAK_CLASS(TTestOther, TTestThing)
public:
    using TTestThing::TTestThing;
    std::string Extra = "extra";
    static void Publish(TClassBuilder<TTestOther>& b);
};

// Registers the core classes and the test classes with the registry (and
// undoes it), around each suite that uses them.
class HostClassesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
};

// Adds TObject, TPersistent, TComponent and the test classes, with
// constructors, Free, an indexed default property Items[Integer] and the
// method "function Split(const S: String; var Left, Right: String):
// Boolean", to a script.
void addTestClasses(TscScript& script);
