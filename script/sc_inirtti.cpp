#include "sc_inirtti.h"

#include "IniFiles.h"
#include "Streams.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "sc_registrar.h"

namespace {

// A list as keys Items0..ItemsN-1 and Count.
void writeStrings(TCustomIniFile& ini, const std::string& section, const TStrings* list, bool isClear)
{
    if (isClear) ini.EraseSection(section);
    const int n = list ? list->Count() : 0;
    for (int i = 0; i < n; ++i) ini.WriteString(section, "Items" + IntToStr(i), list->Strings(i));
    ini.WriteInteger(section, "Count", n);
}

// The lines read, as text. A Count beyond the section's keys is a
// damaged file: no more lines are read than the section can hold.
std::string readStrings(TCustomIniFile& ini, const std::string& section, TStrings* list, bool isClear)
{
    TStringList keys;
    ini.ReadSection(section, &keys);
    const int n = std::clamp(ini.ReadInteger(section, "Count", 0), 0, keys.Count());
    TStringList lines;
    for (int i = 0; i < n; ++i) lines.Add(ini.ReadString(section, "Items" + IntToStr(i), ""));
    if (list) {
        if (isClear) list->Clear();
        list->AddStrings(&lines);
    }
    return n > 0 ? lines.Text() : std::string();
}

void readSectionValuesEx(TCustomIniFile& ini, const std::string& section, TStrings* list)
{
    TStringList lines;
    ini.ReadSectionValues(section, &lines);
    if (!list) return;
    list->Clear();
    for (int i = 0; i < lines.Count(); ++i) list->Add(lines.ValueFromIndex(i));
}

void saveToStream(TCustomIniFile& ini, TStream* stream)
{
    if (!stream) return;
    TStringList lines;
    if (auto* disk = dynamic_cast<TIniFile*>(&ini))
        lines.SetText(disk->ReadFileText());
    else if (auto* memory = dynamic_cast<TMemIniFile*>(&ini))
        memory->GetStrings(&lines);
    else
        return;
    lines.SaveToStream(stream);
}

void loadFromStream(TCustomIniFile& ini, TStream* stream)
{
    if (!stream) return;
    TStringList lines;
    lines.LoadFromStream(stream);
    if (auto* disk = dynamic_cast<TIniFile*>(&ini))
        disk->WriteFileText(lines.Text());
    else if (auto* memory = dynamic_cast<TMemIniFile*>(&ini))
        memory->SetStrings(&lines);
}

TCustomIniFile* create(const TClass* named, const std::string& fileName)
{
    if (named->InheritsFrom(TMemIniFile::StaticClass())) return new TMemIniFile(fileName);
    if (named->InheritsFrom(TIniFile::StaticClass())) return new TIniFile(fileName);
    throw EInvalidOperation("Cannot create an instance of abstract class " + named->ClassName());
}

// The members TMemIniFile and TIniFile both register.
template <class T>
void addSectionMembers(TscClassRegistrar<T> c)
{
    c.method("procedure WriteString(const Section, Ident, Value: String)",
             [](T& o, TscArgs& a) { o.WriteString(a.Str(0), a.Str(1), a.Str(2)); })
        .method("function ReadString(const Section, Ident, Default: String): String;",
                [](T& o, TscArgs& a) { return o.ReadString(a.Str(0), a.Str(1), a.Str(2)); })
        .method("procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
                [](T& o, TscArgs& a) { readSectionValuesEx(o, a.Str(0), a.Obj<TStrings>(1)); })
        .method("procedure DeleteKey(const Section, Ident: String)",
                [](T& o, TscArgs& a) { o.DeleteKey(a.Str(0), a.Str(1)); })
        .method("procedure ReadSection(const Section: String; Strings: TStrings)",
                [](T& o, TscArgs& a) { o.ReadSection(a.Str(0), a.Obj<TStrings>(1)); })
        .method("procedure ReadSections(Strings: TStrings)", [](T& o, TscArgs& a) { o.ReadSections(a.Obj<TStrings>(0)); })
        .method("procedure ReadSectionValues(const Section: String; Strings: TStrings)",
                [](T& o, TscArgs& a) { o.ReadSectionValues(a.Str(0), a.Obj<TStrings>(1)); })
        .method("procedure EraseSection(const Section: String)", [](T& o, TscArgs& a) { o.EraseSection(a.Str(0)); });
}

template <class T>
void addStreamMembers(TscClassRegistrar<T> c)
{
    c.method("procedure SaveIniFileToStream(oStream: TStream)",
             [](T& o, TscArgs& a) { saveToStream(o, a.Obj<TStream>(0)); })
        .method("procedure LoadIniFileFromStream(oStream: TStream)",
                [](T& o, TscArgs& a) { loadFromStream(o, a.Obj<TStream>(0)); });
}

}  // namespace

TscIniModule::TscIniModule(TscScript* script) : TscRTTIModule(script)
{
    TscRegistrar r(script);
    using Ini = TCustomIniFile;
    r.cls<Ini>("TObject")
        .constructor("constructor Create(const FileName: String)",
                     [](const TClass* named, TscArgs& a) { return create(named, a.Str(0)); })
        .method("function ReadInteger(const Section, Ident: String; Default: LongInt): LongInt",
                [](Ini& o, TscArgs& a) { return o.ReadInteger(a.Str(0), a.Str(1), a.Int(2)); })
        .method("procedure WriteInteger(const Section, Ident: String; Value: LongInt)",
                [](Ini& o, TscArgs& a) { o.WriteInteger(a.Str(0), a.Str(1), a.Int(2)); })
        .method("function ReadBool(const Section, Ident: String; Default: Boolean): Boolean",
                [](Ini& o, TscArgs& a) { return o.ReadBool(a.Str(0), a.Str(1), a.Bool(2)); })
        .method("procedure WriteBool(const Section, Ident: String; Value: Boolean)",
                [](Ini& o, TscArgs& a) { o.WriteBool(a.Str(0), a.Str(1), a.Bool(2)); })
        .method("function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime",
                [](Ini& o, TscArgs& a) { return Variant::FromDate(o.ReadDate(a.Str(0), a.Str(1), a.Float(2))); })
        .method("procedure WriteDate(const Section, Name: String; Value: TDateTime)",
                [](Ini& o, TscArgs& a) { o.WriteDate(a.Str(0), a.Str(1), a.Float(2)); })
        .method("function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime",
                [](Ini& o, TscArgs& a) { return Variant::FromDate(o.ReadDateTime(a.Str(0), a.Str(1), a.Float(2))); })
        .method("procedure WriteDateTime(const Section, Name: String; Value: TDateTime)",
                [](Ini& o, TscArgs& a) { o.WriteDateTime(a.Str(0), a.Str(1), a.Float(2)); })
        .method("function ReadFloat(const Section, Name: String; Default: Double): Double",
                [](Ini& o, TscArgs& a) { return o.ReadFloat(a.Str(0), a.Str(1), a.Float(2)); })
        .method("procedure WriteFloat(const Section, Name: String; Value: Double)",
                [](Ini& o, TscArgs& a) { o.WriteFloat(a.Str(0), a.Str(1), a.Float(2)); })
        .method("function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime",
                [](Ini& o, TscArgs& a) { return Variant::FromDate(o.ReadTime(a.Str(0), a.Str(1), a.Float(2))); })
        .method("procedure WriteTime(const Section, Name: String; Value: TDateTime);",
                [](Ini& o, TscArgs& a) { o.WriteTime(a.Str(0), a.Str(1), a.Float(2)); })
        .method("function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer",
                [](Ini& o, TscArgs& a) { return o.ReadBinaryStream(a.Str(0), a.Str(1), a.Obj<TStream>(2)); })
        .method("procedure WriteBinaryStream(const Section, Name: String; Value: TStream)",
                [](Ini& o, TscArgs& a) { o.WriteBinaryStream(a.Str(0), a.Str(1), a.Obj<TStream>(2)); })
        .method("function SectionExists(const Section: String): Boolean",
                [](Ini& o, TscArgs& a) { return o.SectionExists(a.Str(0)); })
        .method("function ValueExists(const Section, Ident: String): Boolean",
                [](Ini& o, TscArgs& a) { return o.ValueExists(a.Str(0), a.Str(1)); })
        .method("procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)",
                [](Ini& o, TscArgs& a) { writeStrings(o, a.Str(0), a.Obj<TStrings>(1), a.Bool(2)); })
        .method("function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;",
                [](Ini& o, TscArgs& a) { return readStrings(o, a.Str(0), a.Obj<TStrings>(1), a.Bool(2)); })
        .property("FileName", "String", [](Ini& o) { return o.FileName(); });

    auto memory = r.cls<TMemIniFile>("TCustomIniFile");
    memory.constructor("constructor Create(const FileName: String)",
                       [](const TClass*, TscArgs& a) { return new TMemIniFile(a.Str(0)); });
    addSectionMembers(memory);
    memory.method("procedure Clear", [](TMemIniFile& o, TscArgs&) { o.Clear(); })
        .method("procedure GetStrings(List: TStrings)", [](TMemIniFile& o, TscArgs& a) { o.GetStrings(a.Obj<TStrings>(0)); })
        .method("procedure SetStrings(List: TStrings)", [](TMemIniFile& o, TscArgs& a) { o.SetStrings(a.Obj<TStrings>(0)); });
    addStreamMembers(memory);

    auto disk = r.cls<TIniFile>("TCustomIniFile");
    addSectionMembers(disk);
    addStreamMembers(disk);
}

void scRegisterIniModule()
{
    if (TscRTTIModuleList* list = scRTTIModules()) list->Add(scpIniFiles, "TscIniModule", &scModuleFactory<TscIniModule>);
}
