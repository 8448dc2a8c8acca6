#include "sc_classesrtti.h"

#include <algorithm>

#include "Classes.h"
#include "Streams.h"
#include "StringLists.h"
#include "sc_registrar.h"
#include "sc_xml.h"

namespace {

// What a script names as a count: nothing below 0.
int64_t count(const TscArgs& a, int i)
{
    return std::max<int64_t>(a.Int64(i), 0);
}

TSeekOrigin origin(const TscArgs& a, int i)
{
    const int32_t value = a.Int(i);
    if (value < soBeginning || value > soEnd) throw EStreamError("Invalid stream origin (" + std::to_string(value) + ")");
    return static_cast<TSeekOrigin>(value);
}

// An item may be adopted unless it is this item or one of its parents (a
// loop) or the root a document owns.
TscXMLItem& adoptable(TscXMLItem& parent, const TscArgs& a, int i)
{
    TscXMLItem& item = a.Ref<TscXMLItem>(i);
    for (const TscXMLItem* p = &parent; p; p = p->Parent)
        if (p == &item) throw EInvalidOperation("An XML item cannot hold itself");
    if (!item.Parent && !scMayFree(&item)) throw EInvalidOperation("The XML item belongs to a document");
    return item;
}

std::string streamRest(TStream& stream)
{
    return stream.ReadString(stream.Size() - stream.Position());
}

void addObjects(TscRegistrar& r)
{
    r.cls<TObject>("").constructor("constructor Create",
                                   [](const TClass* named, TscArgs&) { return named->Create(nullptr); });
    // Free must take nil, which the typed registrar refuses; ClassName also
    // answers on a class itself (TStringList.ClassName).
    if (TscClassVariable* object = r.Script()->FindClass("TObject")) {
        object->AddMethod("function ClassName: String",
                          [](TObject* o, const TClass*, const std::string&, TscMethodHelper* c) {
                              if (o) return Variant(o->ClassName());
                              // Nil is a class only when the script named one.
                              if (!c->CallClass) throw EObjectReferenceError("Invalid object reference");
                              return Variant(c->CallClass->ClassName());
                          })
            ->AcceptsNil = 1;
        object->AddMethod("procedure Free", [](TObject* o, const TClass*, const std::string&, TscMethodHelper*) {
            scFreeObject(o);
            return Variant(0);
        });
    }
    r.cls<TPersistent>("TObject").method("procedure Assign(Source: TPersistent)", [](TPersistent& o, TscArgs& a) {
        o.Assign(a.Obj<TPersistent>(0));
    });
    r.cls<TCollectionItem>("TPersistent");
    r.cls<TCollection>("TPersistent")
        .method("procedure Clear", [](TCollection& o, TscArgs&) { o.Clear(); })
        .property("Count", "Integer", [](TCollection& o) { return o.Count(); })
        .defaultIndexed("Items", "Integer", "TCollectionItem",
                        [](TCollection& o, TscArgs& a) { return o.Items(a.Int(0)); });
    r.cls<TList>("TObject")
        .method("function Add(Item: TObject): Integer", [](TList& o, TscArgs& a) { return o.Add(a.Obj(0)); })
        .method("procedure Clear", [](TList& o, TscArgs&) { o.Clear(); })
        .method("procedure Delete(Index: Integer)", [](TList& o, TscArgs& a) { o.Delete(a.Int(0)); })
        .method("function IndexOf(Item: TObject): Integer", [](TList& o, TscArgs& a) { return o.IndexOf(a.Obj(0)); })
        .method("procedure Insert(Index: Integer; Item: TObject)",
                [](TList& o, TscArgs& a) { o.Insert(a.Int(0), a.Obj(1)); })
        .method("function Remove(Item: TObject): Integer", [](TList& o, TscArgs& a) { return o.Remove(a.Obj(0)); })
        .property("Count", "Integer", [](TList& o) { return o.Count(); })
        .defaultIndexed(
            "Items", "Integer", "TObject", [](TList& o, TscArgs& a) { return o.Items(a.Int(0)); },
            [](TList& o, TscArgs& a, const Variant& v) { o.Put(a.Int(0), VariantToObject(v)); });
}

void addStrings(TscRegistrar& r)
{
    r.cls<TStrings>("TPersistent")
        .method("function Add(const S: string): Integer", [](TStrings& o, TscArgs& a) { return o.Add(a.Str(0)); })
        .method("function AddObject(const S: string; AObject: TObject): Integer",
                [](TStrings& o, TscArgs& a) { return o.AddObject(a.Str(0), a.Obj(1)); })
        .method("procedure Clear", [](TStrings& o, TscArgs&) { o.Clear(); })
        .method("procedure Delete(Index: Integer)", [](TStrings& o, TscArgs& a) { o.Delete(a.Int(0)); })
        .method("function IndexOf(const S: string): Integer",
                [](TStrings& o, TscArgs& a) { return o.IndexOf(a.Str(0)); })
        .method("function IndexOfName(const Name: string): Integer",
                [](TStrings& o, TscArgs& a) { return o.IndexOfName(a.Str(0)); })
        .method("function IndexOfObject(AObject: TObject): Integer",
                [](TStrings& o, TscArgs& a) { return o.IndexOfObject(a.Obj(0)); })
        .method("procedure Insert(Index: Integer; const S: string)",
                [](TStrings& o, TscArgs& a) { o.Insert(a.Int(0), a.Str(1)); })
        .method("procedure InsertObject(Index: Integer; const S: string; AObject: TObject)",
                [](TStrings& o, TscArgs& a) { o.InsertObject(a.Int(0), a.Str(1), a.Obj(2)); })
        .method("procedure LoadFromFile(const FileName: string)",
                [](TStrings& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .method("procedure LoadFromStream(Stream: TStream)",
                [](TStrings& o, TscArgs& a) { o.LoadFromStream(&a.Ref<TStream>(0)); })
        .method("procedure SaveToFile(const FileName: string)",
                [](TStrings& o, TscArgs& a) { o.SaveToFile(a.Str(0)); })
        .method("procedure Move(CurIndex, NewIndex: Integer)",
                [](TStrings& o, TscArgs& a) { o.Move(a.Int(0), a.Int(1)); })
        .method("procedure SaveToStream(Stream: TStream)",
                [](TStrings& o, TscArgs& a) { o.SaveToStream(&a.Ref<TStream>(0)); })
        .property(
            "CommaText", "string", [](TStrings& o) { return o.CommaText(); },
            [](TStrings& o, const Variant& v) { o.SetCommaText(v.toString()); })
        .property("Count", "Integer", [](TStrings& o) { return o.Count(); })
        .indexed("Names", "Integer", "string", [](TStrings& o, TscArgs& a) { return o.Names(a.Int(0)); })
        .indexed(
            "Objects", "Integer", "TObject", [](TStrings& o, TscArgs& a) { return o.Objects(a.Int(0)); },
            [](TStrings& o, TscArgs& a, const Variant& v) { o.PutObject(a.Int(0), VariantToObject(v)); })
        .indexed(
            "Values", "String", "string", [](TStrings& o, TscArgs& a) { return o.Values(a.Str(0)); },
            [](TStrings& o, TscArgs& a, const Variant& v) { o.SetValue(a.Str(0), v.toString()); })
        .defaultIndexed(
            "Strings", "Integer", "string", [](TStrings& o, TscArgs& a) { return o.Strings(a.Int(0)); },
            [](TStrings& o, TscArgs& a, const Variant& v) { o.Put(a.Int(0), v.toString()); })
        .property(
            "Text", "string", [](TStrings& o) { return o.Text(); },
            [](TStrings& o, const Variant& v) { o.SetText(v.toString()); });
    r.cls<TStringList>("TStrings")
        .method("function Find(s: String; var Index: Integer): Boolean",
                [](TStringList& o, TscArgs& a) {
                    int index = 0;
                    const bool found = o.Find(a.Str(0), index);
                    a.SetVar(1, Variant(index));
                    return found;
                })
        .method("procedure Sort", [](TStringList& o, TscArgs&) { o.Sort(); })
        .property(
            "Duplicates", "TDuplicates", [](TStringList& o) { return o.Duplicates(); },
            [](TStringList& o, const Variant& v) {
                const int32_t value = v.toInt();
                if (value < dupIgnore || value > dupError) throw EPropertyError("Invalid property value");
                o.SetDuplicates(static_cast<TDuplicates>(value));
            })
        .property(
            "Sorted", "Boolean", [](TStringList& o) { return o.Sorted(); },
            [](TStringList& o, const Variant& v) { o.SetSorted(v.toBool()); });
}

void addStreams(TscRegistrar& r)
{
    r.cls<TStream>("TObject")
        .method("function Read(var Buffer: string; Count: Longint): Longint",
                [](TStream& o, TscArgs& a) {
                    const std::string buffer = o.ReadString(count(a, 1));
                    a.SetVar(0, Variant(buffer));
                    return static_cast<int32_t>(buffer.size());
                })
        .method("function Write(Buffer: string; Count: Longint): Longint",
                [](TStream& o, TscArgs& a) { return static_cast<int32_t>(o.WriteString(a.Str(0), count(a, 1))); })
        .method("function Seek(Offset: Longint; Origin: Word): Longint",
                [](TStream& o, TscArgs& a) { return o.Seek(a.Int64(0), origin(a, 1)); })
        .method("function CopyFrom(Source: TStream; Count: Longint): Longint",
                [](TStream& o, TscArgs& a) { return o.CopyFrom(&a.Ref<TStream>(0), count(a, 1)); })
        .property(
            "Position", "Longint", [](TStream& o) { return o.Position(); },
            [](TStream& o, const Variant& v) { o.SetPosition(v.toInt64()); })
        .property("Size", "Longint", [](TStream& o) { return o.Size(); });
    r.cls<TFileStream>("TStream").constructor(
        "constructor Create(Filename: String; Mode: Word)", [](const TClass*, TscArgs& a) {
            return new TFileStream(a.Str(0), static_cast<uint16_t>(a.Int(1)));
        });
    r.cls<TMemoryStream>("TStream")
        .method("procedure Clear", [](TMemoryStream& o, TscArgs&) { o.Clear(); })
        .method("procedure LoadFromStream(Stream: TStream)",
                [](TMemoryStream& o, TscArgs& a) { o.LoadFromStream(&a.Ref<TStream>(0)); })
        .method("procedure LoadFromFile(Filename: String)",
                [](TMemoryStream& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .method("procedure SaveToStream(Stream: TStream)",
                [](TMemoryStream& o, TscArgs& a) { o.SaveToStream(&a.Ref<TStream>(0)); })
        .method("procedure SaveToFile(Filename: String)",
                [](TMemoryStream& o, TscArgs& a) { o.SaveToFile(a.Str(0)); });
}

void addComponents(TscRegistrar& r)
{
    r.cls<TComponent>("TPersistent")
        .constructor("constructor Create(AOwner: TComponent)",
                     [](const TClass* named, TscArgs& a) { return named->Create(a.Obj<TComponent>(0)); })
        .property("Owner", "TComponent", [](TComponent& o) { return o.Owner(); });
}

void addXML(TscRegistrar& r)
{
    r.cls<TscXMLItem>("TObject")
        .constructor("constructor Create", [](const TClass*, TscArgs&) { return new TscXMLItem; })
        .method("procedure AddItem(Item: TscXMLItem)", [](TscXMLItem& o, TscArgs& a) { o.AddItem(&adoptable(o, a, 0)); })
        .method("procedure Clear", [](TscXMLItem& o, TscArgs&) { o.Clear(); })
        .method("procedure InsertItem(Index: Integer; Item: TscXMLItem)",
                [](TscXMLItem& o, TscArgs& a) { o.InsertItem(a.Int(0), &adoptable(o, a, 1)); })
        .method("function Add: TscXMLItem", [](TscXMLItem& o, TscArgs&) { return o.Add(); })
        .method("function Find(const Name: String): Integer", [](TscXMLItem& o, TscArgs& a) { return o.Find(a.Str(0)); })
        .method("function FindItem(const Name: String): TscXMLItem",
                [](TscXMLItem& o, TscArgs& a) { return o.FindItem(a.Str(0)); })
        .method("function Root: TscXMLItem", [](TscXMLItem& o, TscArgs&) { return o.Root(); })
        .property(
            "Data", "Integer", [](TscXMLItem& o) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(o.Data)); },
            [](TscXMLItem& o, const Variant& v) { o.Data = reinterpret_cast<void*>(static_cast<intptr_t>(v.toInt())); })
        .property("Count", "Integer", [](TscXMLItem& o) { return o.Count(); })
        .defaultIndexed("Items", "Integer", "TscXMLItem", [](TscXMLItem& o, TscArgs& a) { return o.Items(a.Int(0)); })
        .indexed(
            "Prop", "String", "String", [](TscXMLItem& o, TscArgs& a) { return o.Prop(a.Str(0)); },
            [](TscXMLItem& o, TscArgs& a, const Variant& v) { o.SetProp(a.Str(0), v.toString()); })
        .property(
            "Name", "String", [](TscXMLItem& o) { return o.Name; },
            [](TscXMLItem& o, const Variant& v) { o.Name = v.toString(); })
        .property("Parent", "TscXMLItem", [](TscXMLItem& o) { return o.Parent; })
        .property(
            "Text", "String", [](TscXMLItem& o) { return o.Text; },
            [](TscXMLItem& o, const Variant& v) { o.Text = v.toString(); });
    r.cls<TscXMLDocument>("TObject")
        .constructor("constructor Create", [](const TClass*, TscArgs&) { return new TscXMLDocument; })
        .method("procedure SaveToStream(Stream: TStream)",
                [](TscXMLDocument& o, TscArgs& a) { a.Ref<TStream>(0).WriteString(o.SaveToString()); })
        .method("procedure LoadFromStream(Stream: TStream)",
                [](TscXMLDocument& o, TscArgs& a) { o.LoadFromString(streamRest(a.Ref<TStream>(0))); })
        .method("procedure SaveToFile(const FileName: String)",
                [](TscXMLDocument& o, TscArgs& a) { o.SaveToFile(a.Str(0)); })
        .method("procedure LoadFromFile(const FileName: String)",
                [](TscXMLDocument& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .property("Root", "TscXMLItem", [](TscXMLDocument& o) { return o.Root(); });
}

}  // namespace

TscClassesModule::TscClassesModule(TscScript* script) : TscRTTIModule(script)
{
    TscRegistrar r(script);
    for (const auto& [name, value] : {std::pair{"fmCreate", fmCreate}, {"fmOpenRead", fmOpenRead},
                                      {"fmOpenWrite", fmOpenWrite}, {"fmOpenReadWrite", fmOpenReadWrite},
                                      {"fmShareExclusive", fmShareExclusive}, {"fmShareDenyWrite", fmShareDenyWrite},
                                      {"fmShareDenyNone", fmShareDenyNone}, {"soFromBeginning", soFromBeginning},
                                      {"soFromCurrent", soFromCurrent}, {"soFromEnd", soFromEnd}})
        r.constant(name, "Integer", Variant(static_cast<int32_t>(value)));
    r.enumType(FindTypeInfo("TDuplicates"));
    r.enumType("TPrinterOrientation", "poPortrait, poLandscape");
    addObjects(r);
    addStrings(r);
    addStreams(r);
    addComponents(r);
    addXML(r);
}

void scRegisterClassesModule()
{
    RegisterClass<TscXMLItem>();
    RegisterClass<TscXMLDocument>();
    if (TscRTTIModuleList* list = scRTTIModules())
        list->Add(scpClasses, "TscClassesModule", &scModuleFactory<TscClassesModule>);
}
