#include "sc_test_support.h"

#include "CoreClasses.h"
#include "Exceptions.h"
#include "sc_tools.h"

TestScript::TestScript(const std::string& text, const std::string& language)
{
    scRegisterStandardLanguages();
    script.ExtendedCharset = 1;
    script.SyntaxType = language;
    if (!text.empty()) script.Lines = {text};
    script.AddRTTI();
}

bool TestScript::compile()
{
    return script.Compile();
}

std::string TestScript::run()
{
    if (!compile()) return "error: " + error();
    try {
        script.Execute();
    } catch (const std::exception& e) {
        return ui.lines + ExceptionClassName(e) + ": " + e.what();
    }
    return ui.lines;
}

std::string runPascal(const std::string& text)
{
    TestScript test(text);
    return test.run();
}

void TTestThing::Publish(TClassBuilder<TTestThing>& b)
{
    b.property("Count", &TTestThing::Count);
    b.property("Big", &TTestThing::Big);
    b.property("Flag", &TTestThing::Flag);
    b.property("Letter", &TTestThing::Letter);
    b.property("Color", &TTestThing::Color);
    b.property("Colors", &TTestThing::Colors);
    b.property("Ratio", &TTestThing::Ratio);
    b.property("Text", &TTestThing::Text);
    b.property("Wide", &TTestThing::Wide);
    b.property("Any", &TTestThing::Any);
    b.property("Link", &TTestThing::Link);
    b.property("OnChange", &TTestThing::OnChange);
}

void TTestOther::Publish(TClassBuilder<TTestOther>& b)
{
    b.property("Extra", &TTestOther::Extra);
}

void HostClassesTest::SetUpTestSuite()
{
    registerCoreClasses();
    RegisterEnum<TTestColor>("TTestColor", {"tcRed", "tcGreen", "tcBlue"});
    RegisterSet<TTestColors>("TTestColors");
    RegisterClass<TTestThing>(TTestThing::Publish);
    RegisterClass<TTestOther>(TTestOther::Publish);
}

void HostClassesTest::TearDownTestSuite()
{
    UnregisterClass<TTestOther>();
    UnregisterClass<TTestThing>();
    UnregisterType<TTestColors>();
    UnregisterType<TTestColor>();
    unregisterCoreClasses();
}

namespace {

Variant create(TObject*, const TClass* cls, const std::string&, TscMethodHelper* caller)
{
    TObject* owner = caller->ParamCount() > 0 ? VariantToObject(caller->GetParam(0)) : nullptr;
    return ObjectToVariant(cls->Create(owner));
}

TTestThing& thing(TObject* instance)
{
    return *static_cast<TTestThing*>(instance);
}

}  // namespace

void addTestClasses(TscScript& script)
{
    const void* saved = script.AddedBy;
    script.AddedBy = scModuleOwner;
    TscClassVariable* object = script.AddClass(TObject::StaticClass(), "");
    object->AddConstructor("constructor Create", &create);
    object->AddMethod("procedure Free", [](TObject* instance, const TClass*, const std::string&, TscMethodHelper*) {
        delete instance;
        return Variant();
    });
    script.AddClass(TPersistent::StaticClass(), "TObject");
    script.AddClass(TComponent::StaticClass(), "TPersistent")
        ->AddConstructor("constructor Create(AOwner: TComponent)", &create);
    TscClassVariable* test = script.AddClass(TTestThing::StaticClass(), "TComponent");
    test->AddDefaultProperty("Items", "Integer", "String",
                             [](TObject* instance, const TClass*, const std::string& name, TscMethodHelper* caller) {
                                 auto& items = thing(instance).Items;
                                 const size_t index = static_cast<size_t>(caller->GetParam(0).toInt());
                                 if (index >= items.size()) items.resize(index + 1);
                                 if (name == "ITEMS.SET") items[index] = caller->GetParam(1).toString();
                                 return Variant(items[index]);
                             });
    test->AddMethod("function Split(const S: String; var Left, Right: String): Boolean",
                    [](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                        const std::string s = caller->GetParam(0).toString();
                        const size_t at = s.find('=');
                        if (at == std::string::npos) return Variant(false);
                        caller->SetParam(1, Variant(s.substr(0, at)));
                        caller->SetParam(2, Variant(s.substr(at + 1)));
                        return Variant(true);
                    });
    test->AddMethod("procedure Change", [](TObject* instance, const TClass*, const std::string&, TscMethodHelper*) {
        thing(instance).Change();
        return Variant();
    });
    script.AddClass(TTestOther::StaticClass(), "TTestThing");
    script.AddEnum("TTestColor", "tcRed, tcGreen, tcBlue");
    script.AddedBy = saved;
}
