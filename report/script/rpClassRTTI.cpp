#include "rpClassRTTI.h"

#include "CodePages.h"
#include "Graphics.h"
#include "Numbers.h"
#include "Pictures.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpCustomPreviewPages.h"
#include "rpDataSets.h"
#include "rpDialogControls.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpShapes.h"
#include "rpStyles.h"
#include "rpVariables.h"
#include "sc_registrar.h"

namespace {

// ---------------------------------------------------------------- values

Variant wide(std::u16string text)
{
    return Variant(std::move(text));
}

std::u16string wideArg(const TscArgs& a, int i)
{
    return VarToWideStr(a[i]);
}

// What a memo's Text takes. 8-bit text is UTF-8 here whatever the font's
// character set; only bytes that are not UTF-8 are read in the code page
// of a memo font's own character set (text from an old file or stream).
std::u16string memoText(const TrpCustomMemoView& memo, const Variant& value)
{
    const int charset = memo.Font()->Charset();
    if (charset == DEFAULT_CHARSET || value.type() != varString || IsValidUtf8(value.rawString()))
        return VarToWideStr(value);
    return AnsiToUnicode(value.rawString(), charset);
}

int datePart(const TscArgs& a, int part)
{
    int date[3];
    DecodeDate(a[0].toDate(), date[0], date[1], date[2]);
    return date[part];
}

// The report a script's engine or outline serves.
TrpReport& reportOf(const TrpCustomEngine& engine)
{
    if (!engine.Report()) throw EInvalidOperation("The engine has no report");
    return *engine.Report();
}

TrpCustomPreviewPages& pagesOf(const TrpCustomEngine& engine)
{
    TrpCustomPreviewPages* pages = reportOf(engine).PreviewPages();
    if (!pages) throw EInvalidOperation("The report has no prepared pages");
    return *pages;
}

// Classes another library registers (the dot-matrix objects, the engine
// that runs reports) join by name when they are there.
void byName(TscRegistrar& r, const char* name, const std::string& ancestor)
{
    if (const TClass* cls = GetClass(name)) r.Script()->AddClass(cls, ancestor);
}

// ---------------------------------------------------------------- types

void addConstants(TscRegistrar& r)
{
    r.constant("rp01cm", "Extended", Variant(rp01cm));
    r.constant("rp1cm", "Extended", Variant(rp1cm));
    r.constant("rp01in", "Extended", Variant(rp01in));
    r.constant("rp1in", "Extended", Variant(static_cast<int32_t>(rp1in)));
    r.constant("rp1CharX", "Extended", Variant(rp1CharX));
    r.constant("rp1CharY", "Extended", Variant(static_cast<int32_t>(rp1CharY)));
    r.constant("clTransparent", "Integer", Variant(static_cast<int32_t>(clNone)));
    r.constant("crHand", "Integer", Variant(static_cast<int32_t>(crHand)));
    r.constant("crZoom", "Integer", Variant(static_cast<int32_t>(crZoom)));
    r.constant("crFormat", "Integer", Variant(static_cast<int32_t>(crFormat)));
}

// The report's enumerations and sets under the names scripts use, with
// the names and order the model registers (so the preview buttons set the
// bits the preview reads); the few the model has no type for are named
// here.
void addTypes(TscRegistrar& r)
{
    struct Named {
        const char* name;
        bool set;
        const char* names;  // when no library registers the type
    };
    static const Named kTypes[] = {
        {"TrpStretchMode", false, nullptr},
        {"TrpShiftMode", false, nullptr},
        {"TrpDuplexMode", false, nullptr},
        {"TrpAlign", false, nullptr},
        {"TrpFrameStyle", false, nullptr},
        {"TrpFrameTypes", true, "ftLeft, ftRight, ftTop, ftBottom"},
        {"TrpHAlign", false, nullptr},
        {"TrpVAlign", false, nullptr},
        {"TrpRestrictions", true, nullptr},
        {"TrpShapeKind", false, nullptr},
        {"TrpPreviewButtons", true, nullptr},
        {"TrpZoomMode", false, nullptr},
        {"TrpPrintPages", false, nullptr},
        {"TrpDMPFontStyles", true,
         "fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide, fsx12cpi, fsx15cpi"},
        {"TrpRangeBegin", false, nullptr},
        {"TrpRangeEnd", false, nullptr},
        {"TrpFieldType", false, "fftNumeric, fftString, fftBoolean"},
        {"TrpFormatKind", false, nullptr},
        // Published by the options, so scripts may set them by name too.
        {"TrpSilentMode", false, nullptr},
        {"TrpPrintMode", false, nullptr},
    };
    for (const Named& t : kTypes) {
        const TTypeInfo* host = FindTypeInfo(t.name);
        if (host && (host->Kind() == pkSet) == t.set)
            r.enumType(host);
        else if (t.names && t.set)
            r.setType(t.name, t.names);
        else if (t.names)
            r.enumType(t.name, t.names);
    }
    // Names of older scripts: the outline button, and one that sets nothing.
    r.constant("pbTree", "TrpPreviewButtons", Variant(int32_t(1) << pbOutline));
    r.constant("pbRefresh", "TrpPreviewButtons", Variant(0));
}

// ---------------------------------------------------------------- classes

void addWideStrings(TscRegistrar& r)
{
    // A script without the classes module has no TPersistent to hang it on.
    if (!r.Script()->FindClass("TPersistent")) return;
    r.cls<TWideStrings>("TPersistent")
        .constructor("constructor Create", [](const TClass*, TscArgs&) { return new TWideStrings; })
        .method("function Add(const S: string): Integer", [](TWideStrings& o, TscArgs& a) { return o.Add(wideArg(a, 0)); })
        .method("function AddObject(const S: string; AObject: TObject): Integer",
                [](TWideStrings& o, TscArgs& a) { return o.AddObject(wideArg(a, 0), a.Obj(1)); })
        .method("procedure Clear", [](TWideStrings& o, TscArgs&) { o.Clear(); })
        .method("procedure Delete(Index: Integer)", [](TWideStrings& o, TscArgs& a) { o.Delete(a.Int(0)); })
        .method("function IndexOf(const S: string): Integer",
                [](TWideStrings& o, TscArgs& a) { return o.IndexOf(wideArg(a, 0)); })
        .method("procedure Insert(Index: Integer; const S: string)",
                [](TWideStrings& o, TscArgs& a) { o.Insert(a.Int(0), wideArg(a, 1)); })
        .method("procedure LoadFromFile(const FileName: string)",
                [](TWideStrings& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .method("procedure LoadFromStream(Stream: TStream)",
                [](TWideStrings& o, TscArgs& a) { o.LoadFromStream(a.Ref<TStream>(0)); })
        .method("procedure SaveToFile(const FileName: string)",
                [](TWideStrings& o, TscArgs& a) { o.SaveToFile(a.Str(0)); })
        .method("procedure SaveToStream(Stream: TStream)",
                [](TWideStrings& o, TscArgs& a) { o.SaveToStream(a.Ref<TStream>(0)); })
        .property("Count", "Integer", [](TWideStrings& o) { return o.Count(); })
        .indexed(
            "Objects", "Integer", "TObject", [](TWideStrings& o, TscArgs& a) { return o.Objects(a.Int(0)); },
            [](TWideStrings& o, TscArgs& a, const Variant& v) { o.SetObjects(a.Int(0), VariantToObject(v)); })
        .defaultIndexed(
            "Strings", "Integer", "string", [](TWideStrings& o, TscArgs& a) { return wide(o.Strings(a.Int(0))); },
            [](TWideStrings& o, TscArgs& a, const Variant& v) { o.SetStrings(a.Int(0), VarToWideStr(v)); })
        .property(
            "Text", "string", [](TWideStrings& o) { return wide(o.Text()); },
            [](TWideStrings& o, const Variant& v) { o.SetText(VarToWideStr(v)); });
}

// A move of a dataset that a band of a running report may be walking.
auto walkedMove(const char* call, void (TrpDataSet::*move)())
{
    return [call, move](TrpDataSet& o, TscArgs&) {
        o.RefuseWhileWalked(call);
        (o.*move)();
    };
}

void addDataSets(TscRegistrar& r)
{
    r.cls<TrpDataSet>("TComponent")
        .method("procedure Open", [](TrpDataSet& o, TscArgs&) { o.Open(); })
        .method("procedure Close", walkedMove("Close", &TrpDataSet::Close))
        .method("procedure First", walkedMove("First", &TrpDataSet::First))
        .method("procedure Next", walkedMove("Next", &TrpDataSet::Next))
        .method("procedure Prior", walkedMove("Prior", &TrpDataSet::Prior))
        .method("function Eof: Boolean", [](TrpDataSet& o, TscArgs&) { return o.Eof(); })
        .method("function FieldsCount: Integer", [](TrpDataSet& o, TscArgs&) { return o.FieldsCount(); })
        .method("function HasField(const fName: String): Boolean",
                [](TrpDataSet& o, TscArgs& a) { return o.HasField(a.Str(0)); })
        .method("function IsBlobField(const fName: String): Boolean",
                [](TrpDataSet& o, TscArgs& a) { return o.IsBlobField(a.Str(0)); })
        .method("function RecordCount: Integer", [](TrpDataSet& o, TscArgs&) { return o.RecordCount(); })
        .method("procedure GetFieldList(List: TStrings)",
                [](TrpDataSet& o, TscArgs& a) { o.GetFieldList(a.Ref<TStrings>(0)); })
        .property("RecNo", "Integer", [](TrpDataSet& o) { return o.RecNo; })
        .indexed("DisplayText", "String", "String",
                 [](TrpDataSet& o, TscArgs& a) { return wide(o.GetDisplayText(a.Str(0))); })
        .indexed("DisplayWidth", "String", "Integer",
                 [](TrpDataSet& o, TscArgs& a) { return o.GetDisplayWidth(a.Str(0)); })
        .indexed("FieldType", "String", "TrpFieldType",
                 [](TrpDataSet& o, TscArgs& a) { return o.GetFieldType(a.Str(0)); })
        .indexed("Value", "String", "Variant", [](TrpDataSet& o, TscArgs& a) { return o.GetValue(a.Str(0)); });
    r.cls<TrpUserDataSet>("TrpDataSet");
    r.cls<TrpCustomDBDataSet>("TrpDataSet");
}

void addViews(TscRegistrar& r)
{
    r.cls<TrpFrameLine>("TPersistent");
    r.cls<TrpFrame>("TPersistent");
    r.cls<TrpView>("TrpReportComponent")
        .property(
            "TagStr", "String", [](TrpView& o) { return o.TagStr; },
            [](TrpView& o, const Variant& v) { o.TagStr = VarToStr(v); });
    r.cls<TrpShapeView>("TrpView");
    r.cls<TrpStretcheable>("TrpView").method("function CalcHeight: Extended",
                                             [](TrpStretcheable& o, TscArgs&) { return o.CalcHeight(); });
    r.cls<TrpHighlight>("TPersistent");
    r.cls<TrpFormat>("TPersistent");
    r.cls<TrpCustomMemoView>("TrpStretcheable")
        .method("function CalcWidth: Extended", [](TrpCustomMemoView& o, TscArgs&) { return o.CalcWidth(); })
        .property(
            "Text", "String", [](TrpCustomMemoView& o) { return wide(o.Text()); },
            [](TrpCustomMemoView& o, const Variant& v) { o.SetText(memoText(o, v)); })
        .property(
            "AnsiText", "String", [](TrpCustomMemoView& o) { return o.AnsiText(); },
            [](TrpCustomMemoView& o, const Variant& v) { o.SetText(Utf8ToUtf16(VarToStr(v))); })
        .property(
            "Lines", "TWideStrings", [](TrpCustomMemoView& o) { return o.Memo(); },
            [](TrpCustomMemoView& o, const Variant& v) { o.Memo()->Assign(dynamic_cast<TPersistent*>(VariantToObject(v))); })
        .property("Value", "Variant", [](TrpCustomMemoView& o) { return o.Value; });
    r.cls<TrpMemoView>("TrpCustomMemoView");
    r.cls<TrpSysMemoView>("TrpCustomMemoView");
    byName(r, "TrpDMPMemoView", "TrpCustomMemoView");
    r.cls<TrpCustomLineView>("TrpStretcheable");
    r.cls<TrpLineView>("TrpCustomLineView");
    byName(r, "TrpDMPLineView", "TrpCustomLineView");
    byName(r, "TrpDMPCommand", "TrpView");
    r.cls<TrpPictureView>("TrpView").method("procedure LoadFromFile(filename: String)",
                                            [](TrpPictureView& o, TscArgs& a) {
                                                TPicture picture;
                                                picture.LoadFromFile(a.Str(0));
                                                o.SetPicture(&picture);
                                            });
    r.cls<TrpSubreport>("TrpView");
}

void addBands(TscRegistrar& r)
{
    r.cls<TrpBand>("TrpReportComponent").property("Overflow", "Boolean", [](TrpBand& o) { return o.Overflow; });
    r.cls<TrpDataBand>("TrpBand");
    r.cls<TrpHeader>("TrpBand");
    r.cls<TrpFooter>("TrpBand");
    r.cls<TrpMasterData>("TrpDataBand");
    r.cls<TrpDetailData>("TrpDataBand");
    r.cls<TrpSubdetailData>("TrpDataBand");
    r.cls<TrpDataBand4>("TrpDataBand");
    r.cls<TrpDataBand5>("TrpDataBand");
    r.cls<TrpDataBand6>("TrpDataBand");
    r.cls<TrpPageHeader>("TrpBand");
    r.cls<TrpPageFooter>("TrpBand");
    r.cls<TrpColumnHeader>("TrpBand");
    r.cls<TrpColumnFooter>("TrpBand");
    r.cls<TrpGroupHeader>("TrpBand");
    r.cls<TrpGroupFooter>("TrpBand");
    r.cls<TrpReportTitle>("TrpBand");
    r.cls<TrpReportSummary>("TrpBand");
    r.cls<TrpChild>("TrpBand");
    r.cls<TrpOverlay>("TrpBand");
}

void addPages(TscRegistrar& r)
{
    r.cls<TrpPage>("TrpComponent");
    r.cls<TrpReportPage>("TrpPage");
    r.cls<TrpDialogPage>("TrpPage")
        .method("function ShowModal: Integer", [](TrpDialogPage& o, TscArgs&) { return o.ShowModal(); })
        .property(
            "ModalResult", "Integer", [](TrpDialogPage& o) { return o.ModalResult(); },
            [](TrpDialogPage& o, const Variant& v) { o.SetModalResult(v.toInt()); });
    byName(r, "TrpDMPPage", "TrpReportPage");
    r.cls<TrpDataPage>("TrpPage");
}

void addOptionsAndVariables(TscRegistrar& r)
{
    r.cls<TrpEngineOptions>("TPersistent")
        .property(
            "DestroyForms", "Boolean", [](TrpEngineOptions& o) { return o.DestroyForms; },
            [](TrpEngineOptions& o, const Variant& v) { o.DestroyForms = v.toBool(); });
    r.cls<TrpPrintOptions>("TPersistent");
    r.cls<TrpPreviewOptions>("TPersistent");
    r.cls<TrpReportOptions>("TPersistent");
    r.cls<TrpVariable>("TCollectionItem");
    r.cls<TrpVariables>("TCollection")
        .constructor("constructor Create", [](const TClass*, TscArgs&) { return new TrpVariables; })
        .defaultIndexed(
            "Variables", "String", "Variant", [](TrpVariables& o, TscArgs& a) { return o.Get(a.Str(0)); },
            [](TrpVariables& o, TscArgs& a, const Variant& v) { o.Set(a.Str(0), v); });
    r.cls<TrpStyleItem>("TCollectionItem");
    r.cls<TrpStyles>("TCollection")
        .constructor("constructor Create(AReport: TrpReport)",
                     [](const TClass*, TscArgs& a) { return new TrpStyles(a.Obj<TrpReport>(0)); })
        .defaultIndexed("Items", "Integer", "TrpStyleItem", [](TrpStyles& o, TscArgs& a) { return o.Items(a.Int(0)); })
        .method("function Add: TrpStyleItem", [](TrpStyles& o, TscArgs&) { return o.Add(); })
        .method("function Find(const Name: String): TrpStyleItem",
                [](TrpStyles& o, TscArgs& a) { return o.Find(a.Str(0)); })
        .method("procedure Apply", [](TrpStyles& o, TscArgs&) { o.Apply(); })
        .method("procedure GetList(List: TStrings)", [](TrpStyles& o, TscArgs& a) { o.GetList(a.Ref<TStrings>(0)); })
        .method("procedure LoadFromFile(const FileName: String)",
                [](TrpStyles& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .method("procedure LoadFromStream(Stream: TStream)",
                [](TrpStyles& o, TscArgs& a) { o.LoadFromStream(a.Ref<TStream>(0)); })
        .method("procedure SaveToFile(const FileName: String)",
                [](TrpStyles& o, TscArgs& a) { o.SaveToFile(a.Str(0)); })
        .method("procedure SaveToStream(Stream: TStream)",
                [](TrpStyles& o, TscArgs& a) { o.SaveToStream(a.Ref<TStream>(0)); });
    r.cls<TrpArray>("TCollection")
        .constructor("constructor Create", [](const TClass*, TscArgs&) { return new TrpArray; })
        .defaultIndexed(
            "Variables", "Variant", "Variant", [](TrpArray& o, TscArgs& a) { return o.Get(a[0]); },
            [](TrpArray& o, TscArgs& a, const Variant& v) { o.Set(a[0], v); });
    r.object("rpGlobalVariables", &GlobalVariables());
}

void addReport(TscRegistrar& r)
{
    r.cls<TrpReport>("TrpComponent")
        .method("function Calc(const Expr: String): Variant",
                [](TrpReport& o, TscArgs& a) { return o.CalcFromScript(a.Str(0)); })
        .method("function GetDataset(const Alias: String): TrpDataset",
                [](TrpReport& o, TscArgs& a) { return o.GetDataset(a.Str(0)); })
        .method("function LoadFromFile(const FileName: String): Boolean",
                [](TrpReport& o, TscArgs& a) {
                    TrpReport::RefuseWhilePreparing(&o, "load");
                    return o.LoadFromFile(a.Str(0));
                })
        .method("procedure SaveToFile(const FileName: String)", [](TrpReport& o, TscArgs& a) { o.SaveToFile(a.Str(0)); })
        .method("procedure ShowReport",
                [](TrpReport& o, TscArgs&) {
                    TrpReport::RefuseWhilePreparing(&o, "show");
                    o.ShowReport();
                })
        .property(
            "Terminated", "Boolean", [](TrpReport& o) { return o.Terminated; },
            [](TrpReport& o, const Variant& v) {
                o.SetTerminated(v.toBool());
                o.TerminatedByScript = o.Terminated;
            })
        .property("Variables", "TrpVariables", [](TrpReport& o) { return o.Variables(); })
        .property("Styles", "TrpStyles", [](TrpReport& o) { return o.Styles(); });
}

void addEngine(TscRegistrar& r)
{
    r.cls<TrpCustomEngine>("TPersistent")
        .method("procedure AddAnchor(const Text: String)",
                [](TrpCustomEngine& o, TscArgs& a) { pagesOf(o).AddAnchor(a.Str(0)); })
        .method("procedure NewPage", [](TrpCustomEngine& o, TscArgs&) { o.NewPage(); })
        .method("procedure NewColumn", [](TrpCustomEngine& o, TscArgs&) { o.NewColumn(); })
        .method("procedure ShowBand(Band: TrpBand)",
                [](TrpCustomEngine& o, TscArgs& a) { o.ShowBand(&a.Ref<TrpBand>(0)); })
        .method("procedure StopReport",
                [](TrpCustomEngine& o, TscArgs&) {
                    o.StopReport();
                    reportOf(o).TerminatedByScript = true;
                })
        .method("function FreeSpace: Extended", [](TrpCustomEngine& o, TscArgs&) { return o.FreeSpace(); })
        .method("function GetAnchorPage(const Text: String): Integer",
                [](TrpCustomEngine& o, TscArgs& a) { return pagesOf(o).GetAnchorPage(a.Str(0)); });
    byName(r, "TrpEngine", "TrpCustomEngine");
    r.cls<TrpCustomOutline>("TPersistent")
        .method("procedure AddItem(const Text: String)",
                [](TrpCustomOutline& o, TscArgs& a) {
                    const TrpReport* report = o.PreviewPages() ? o.PreviewPages()->Report() : nullptr;
                    const Extended top = report && report->Engine() ? report->Engine()->CurY : 0;
                    o.AddItem(a.Str(0), static_cast<int>(Round(top)));
                })
        .method("procedure LevelRoot", [](TrpCustomOutline& o, TscArgs&) { o.LevelRoot(); })
        .method("procedure LevelUp", [](TrpCustomOutline& o, TscArgs&) { o.LevelUp(); });
    r.cls<TrpOutline>("TrpCustomOutline");
}

// IIF and the aggregates work only inside a preparation, which registers
// its own versions over these.
void addFunctions(TscRegistrar& r)
{
    r.function("function DayOf(Date: TDateTime): Integer", [](TscArgs& a) { return datePart(a, 2); }, "ctDate");
    r.function("function MonthOf(Date: TDateTime): Integer", [](TscArgs& a) { return datePart(a, 1); }, "ctDate");
    r.function("function YearOf(Date: TDateTime): Integer", [](TscArgs& a) { return datePart(a, 0); }, "ctDate");
    const auto notServed = [](TscArgs&) { return Variant(0); };
    r.function("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant", notServed, "ctOther");
    for (const char* name : {"SUM", "AVG", "MIN", "MAX"})
        r.function(std::string("function ") + name + "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                   notServed, "ctAggregate");
    r.function("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", notServed, "ctAggregate");
}

}  // namespace

TrpClassRTTI::TrpClassRTTI(TscScript* script) : TscRTTIModule(script)
{
    scAddFreeGuard([](TObject* object) { TrpReport::RefuseWhilePreparing(object, "free"); });
    TscRegistrar r(script);
    addConstants(r);
    addTypes(r);
    r.cls<TJPEGImage>("TGraphic");
    r.cls<TPNGObject>("TGraphic");
    addWideStrings(r);
    addDataSets(r);
    r.cls<TrpComponent>("TComponent")
        .method("procedure Clear",
                [](TrpComponent& o, TscArgs&) {
                    TrpReport::RefuseWhilePreparing(&o, "clear");
                    o.Clear();
                })
        .method("function FindObject(s: String): TrpComponent",
                [](TrpComponent& o, TscArgs& a) { return o.FindObject(a.Str(0)); })
        .method("procedure LoadFromStream(Stream: TStream)",
                [](TrpComponent& o, TscArgs& a) {
                    TrpReport::RefuseWhilePreparing(&o, "load");
                    o.LoadFromStream(a.Ref<TStream>(0));
                })
        .method("procedure SaveToStream(Stream: TStream; SaveChildren: Boolean = True)",
                [](TrpComponent& o, TscArgs& a) { o.SaveToStream(a.Ref<TStream>(0), a.Bool(1), false, false); })
        .method("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Extended)",
                [](TrpComponent& o, TscArgs& a) { o.SetBounds(a.Float(0), a.Float(1), a.Float(2), a.Float(3)); })
        .property("Objects", "TList", [this](TrpComponent& o) { return childList(o, false); })
        .property("AllObjects", "TList", [this](TrpComponent& o) { return childList(o, true); })
        .property(
            "Parent", "TrpComponent", [](TrpComponent& o) { return o.Parent(); },
            [](TrpComponent& o, const Variant& v) {
                TObject* parent = VariantToObject(v);
                auto* component = dynamic_cast<TrpComponent*>(parent);
                if (parent && !component) throw EInvalidCast("Invalid class typecast");
                o.SetParent(component);
            })
        .property("Page", "TrpPage", [](TrpComponent& o) { return o.GetPage(); })
        .property("AbsLeft", "Extended", [](TrpComponent& o) { return o.AbsLeft(); })
        .property("AbsTop", "Extended", [](TrpComponent& o) { return o.AbsTop(); });
    r.cls<TrpReportComponent>("TrpComponent");
    r.cls<TrpDialogComponent>("TrpReportComponent");
    r.cls<TrpDialogControl>("TrpReportComponent").method("procedure SetFocus", [](TrpDialogControl& o, TscArgs&) {
        o.SetFocus();
    });
    r.cls<TrpEditControl>("TrpDialogControl");
    r.cls<TrpButtonControl>("TrpDialogControl");
    addViews(r);
    addBands(r);
    addPages(r);
    addOptionsAndVariables(r);
    addReport(r);
    addEngine(r);
    addFunctions(r);
}

TrpClassRTTI::~TrpClassRTTI() = default;

TList* TrpClassRTTI::childList(TrpComponent& component, bool all)
{
    auto& lists = lists_[all ? 1 : 0];
    // Objects come and go with every preparation: forget the lists of
    // those that went before the table grows.
    if (lists.size() >= 256 && !lists.contains(component.Handle()))
        std::erase_if(lists, [](const auto& entry) { return FindObjectByHandle(entry.first) == nullptr; });
    std::unique_ptr<TList>& list = lists[component.Handle()];
    if (!list) list = std::make_unique<TList>();
    list->Clear();
    for (TrpComponent* child : all ? component.GetAllObjects() : component.Objects()) list->Add(child);
    return list.get();
}
