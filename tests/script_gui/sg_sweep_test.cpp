// Two sweeps over every class the registered modules show scripts: each
// enumeration or set property takes its first and last names from a
// PascalScript (a type name scripts do not know fails to compile), and a
// new object stores nothing (the declared defaults are the real ones). A
// report object stores what the report file format writes whatever the
// value (geometry and other numbers, values without a declared default),
// but no property that sits at its declared default.

#include "Classes.h"
#include "rpXMLSerializer.h"
#include "sg_support.h"

namespace {

// The registry classes behind the script's class records, creatable ones only.
std::vector<const TClass*> scriptClasses()
{
    TestScript t;
    std::vector<const TClass*> classes;
    for (int i = 0; i < t.script.Count(); ++i) {
        TscCustomVariable* item = t.script.Items(i);
        if (item->ItemKind != ikClass) continue;
        const TClass* cls = static_cast<TscClassVariable*>(item)->ClassRef;
        if (cls && !cls->IsAbstract()) classes.push_back(cls);
    }
    return classes;
}

bool isReportClass(const TClass* cls)
{
    return cls->ClassName().rfind("Trp", 0) == 0;
}

// The attribute names of serialized properties ("Font.Name", "PropData").
std::vector<std::string> attributeNames(const std::string& props)
{
    std::vector<std::string> names;
    for (size_t at = 0; at < props.size();) {
        const size_t eq = props.find("=\"", at);
        if (eq == std::string::npos) break;
        names.push_back(props.substr(at, eq - at));
        const size_t close = props.find('"', eq + 2);
        at = close == std::string::npos ? props.size() : close + 1;
        while (at < props.size() && props[at] == ' ') ++at;
    }
    return names;
}

// Whether the report file format writes a fresh object's property: kinds it
// always writes, ordinals without a declared default, texts that are not
// empty, and the object's own data.
bool writtenByTheFormat(TObject* object, const std::string& path)
{
    if (path == "PropData") return true;
    TObject* target = nullptr;
    const TPropInfo* prop = FindPropPath(object, path == "ScriptText.Text" ? "ScriptText" : path, target);
    if (!prop) return false;
    switch (prop->Kind()) {
    case pkFloat:
    case pkVariant:
    case pkString:
    case pkWideString:
    case pkStrings: return true;
    default: return IsOrdinalKind(prop->Kind()) && !prop->HasDefault();
    }
}

}  // namespace

TEST(ScriptSweeps, EveryEnumerationAndSetPropertyTakesItsNames)
{
    int checked = 0;
    for (const TClass* cls : scriptClasses()) {
        for (const TPropInfo* prop : cls->Properties()) {
            const TTypeInfo* type = prop->PropType();
            const bool isSet = prop->Kind() == pkSet;
            if (!prop->IsWritable() || !(isSet || (prop->Kind() == pkEnumeration && !type->IsBoolean()))) continue;
            const std::vector<std::string>& names = isSet ? type->ElementType()->EnumNames() : type->EnumNames();
            for (const size_t at : {size_t(0), names.size() - 1}) {
                std::unique_ptr<TObject> object(cls->Create(nullptr));
                TestScript t("begin O." + prop->Name() + " := " + names[at] + "; ShowMessage(IntToStr(O." + prop->Name() +
                             ")) end.");
                t.script.AddObject("O", object.get());
                const int64_t expected = isSet ? int64_t(1) << at : static_cast<int64_t>(at);
                EXPECT_EQ(t.run(), std::to_string(expected) + "|") << cls->ClassName() << "." << prop->Name();
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 60);
}

TEST(ScriptSweeps, NewObjectsStoreNothing)
{
    int checked = 0;
    for (const TClass* cls : scriptClasses()) {
        // A font always stores its name, as the platform's fonts do.
        if (cls->ClassName() == "TFont" || isReportClass(cls)) continue;
        std::unique_ptr<TObject> object(cls->Create(nullptr));
        auto* persistent = dynamic_cast<TPersistent*>(object.get());
        if (!persistent) continue;
        TrpXMLSerializer serializer;
        EXPECT_EQ(serializer.WriteProps(persistent), "") << cls->ClassName();
        ++checked;
    }
    EXPECT_GT(checked, 30);
}

TEST(ScriptSweeps, NewReportObjectsStoreNoDefaults)
{
    int checked = 0;
    for (const TClass* cls : scriptClasses()) {
        if (!isReportClass(cls)) continue;
        std::unique_ptr<TObject> object(cls->Create(nullptr));
        auto* persistent = dynamic_cast<TPersistent*>(object.get());
        if (!persistent) continue;
        TrpXMLSerializer serializer;
        const std::string props = serializer.WriteProps(persistent);
        for (const std::string& name : attributeNames(props))
            EXPECT_TRUE(writtenByTheFormat(object.get(), name)) << cls->ClassName() << "." << name << " in " << props;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}
