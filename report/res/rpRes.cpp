#include "rpRes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpEmbedded.h"
#include "rpGZip.h"
#include "rpImageList.h"
#include "rpPrinterUi.h"
#include "rpUtilsGui.h"
#include "rpUtilsStreams.h"
#include "rpXML.h"
#include "sc_const.h"

const std::array<const char*, 17> kScriptMessageKeys = {
    "SLangNotFound",   "SInvalidLanguage", "SIdRedeclared",     "SUnknownType",   "SIncompatibleTypes",
    "SIdUndeclared",   "SClassRequired",   "SIndexRequired",    "SStringError",   "SClassError",
    "SArrayRequired",  "SVarRequired",     "SNotEnoughParams",  "STooManyParams", "SLeftCantAssigned",
    "SForError",       "SEventError",
};

namespace {

struct HelpTopic {
    const char* className;
    const char* page;
};
const HelpTopic kHelpTopics[] = {
    {"TrpDesignerForm", "Designer.htm"},
    {"TrpOptionsEditor", "Designer_options.htm"},
    {"TrpReportEditorForm", "Report_options.htm"},
    {"TrpPageEditorForm", "Page_options.htm"},
    {"TrpCrossEditorForm", "Cross_tab_reports.htm"},
    {"TrpChartEditorForm", "Diagrams.htm"},
    {"TrpSyntaxMemo", "Script.htm"},
    {"TrpDialogPage", "Dialogue_forms.htm"},
    {"TrpDialogComponent", "Data_access_components.htm"},
    {"TrpVarEditorForm", "Variables.htm"},
    {"TrpHighlightEditorForm", "Conditional_highlighting.htm"},
    {"TrpSysMemoEditorForm", "Inserting_aggregate_function.htm"},
    {"TrpFormatEditorForm", "Values_formatting.htm"},
    {"TrpGroupEditorForm", "Report_with_groups.htm"},
    {"TrpPictureEditorForm", "Picture_object.htm"},
    {"TrpMemoEditorForm", "Text_object.htm"},
    {"TrpSQLEditorForm", "TrpADOQuery.htm"},
};

TrpScriptMessageSink& scriptSink()
{
    static TrpScriptMessageSink sink;
    return sink;
}

std::unique_ptr<TrpResources>& globalResources()
{
    static std::unique_ptr<TrpResources> resources;
    return resources;
}

}  // namespace

bool TrpResources::NoCase::operator()(const std::string& a, const std::string& b) const
{
    return CompareText(a, b) < 0;
}

TrpResources::TrpResources()
{
    ScanLanguages(GetAppPath());
}

TrpResources::~TrpResources() = default;

std::string TrpResources::Get(std::string_view key) const
{
    std::string result;
    const auto it = names_.find(std::string(key));
    if (it != names_.end())
        result = Utf16ToUtf8(values_.Strings(it->second));
    else
        result = std::string(key);
    if (!result.empty() && result[0] == '!') result.erase(0, 1);
    return result;
}

std::u16string TrpResources::GetW(std::string_view key) const
{
    return Utf8ToUtf16(Get(key));
}

void TrpResources::Add(std::string_view name, std::u16string_view text)
{
    const auto it = names_.find(std::string(name));
    if (it != names_.end()) {
        values_.SetStrings(it->second, text);
        return;
    }
    names_.emplace(std::string(name), values_.Add(text));
}

void TrpResources::AddXML(std::string_view xml)
{
    TStringStream stream{std::string(xml)};
    LoadFromStream(stream);
}

void TrpResources::LoadFromStream(TStream& stream)
{
    struct Refresh {
        ~Refresh() { UpdateSCResources(); }
    } refresh;
    TrpXMLDocument doc;
    doc.LoadFromStream(stream);
    TrpXMLItem* root = doc.Root();
    if (root->Name() != "Resources") return;
    codePage_ = StrToInt(root->Prop("CodePage"));
    for (int i = 0; i < root->Count(); ++i) {
        TrpXMLItem* item = root->Items(i);
        if (item->Name() != "StrRes") continue;
        // Attribute text is unescaped once by Prop and once more here, so
        // "&#38;#34;" in the file gives a double quote.
        Add(item->Prop("Name"), Utf8ToUtf16(XMLToStr(item->Prop("Text"))));
    }
}

void TrpResources::unpackStrip(const char* resource, TrpImageList& first, TrpImageList* second)
{
    const std::string_view packed = FindEmbeddedResource(resource);
    // Painting code asks for these lists: a resource the program does not
    // carry gives an empty list, not an error in the middle of a paint.
    if (packed.empty()) return;
    const std::string bitmap = GZipUnpack(packed);
    QImage strip;
    if (!strip.loadFromData(reinterpret_cast<const uchar*>(bitmap.data()), static_cast<int>(bitmap.size()), "BMP"))
        throw EZDecompressionError(Get("clDecompressError"));
    AssignImagesFromStrip(strip, 16, 16, second, first);
}

TrpImageList& TrpResources::GetPreviewButtonImages()
{
    if (!previewImages_) {
        auto list = std::make_unique<TrpImageList>();
        unpackStrip("PreviewButtons", *list, nullptr);
        previewImages_ = std::move(list);
    }
    return *previewImages_;
}

TrpImageList& TrpResources::GetDesignerImages()
{
    if (!designerImages_) {
        auto list = std::make_unique<TrpImageList>();
        auto disabled = std::make_unique<TrpImageList>();
        unpackStrip("DesgnButtons", *list, disabled.get());
        designerImages_ = std::move(list);
        designerDisabledImages_ = std::move(disabled);
    }
    return *designerImages_;
}

TrpImageList& TrpResources::GetDesignerDisabledImages()
{
    GetDesignerImages();
    return *designerDisabledImages_;
}

TrpImageList& TrpResources::GetObjectImages()
{
    if (!objectImages_) {
        auto list = std::make_unique<TrpImageList>();
        unpackStrip("ObjectButtons", *list, nullptr);
        objectImages_ = std::move(list);
    }
    return *objectImages_;
}

TrpImageList& TrpResources::GetWizardImages()
{
    if (!wizardImages_) wizardImages_ = std::make_unique<TrpImageList>(32, 32);
    return *wizardImages_;
}

void TrpResources::ScanLanguages(const std::string& folder)
{
    languages_.clear();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() < 4 || !SameText(std::string_view(file).substr(file.size() - 4), ".rpl")) continue;
        std::string name = LowerCase(file);
        name.erase(name.find(".rpl"), 4);
        if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        languages_.push_back(name);
    }
    std::sort(languages_.begin(), languages_.end(),
              [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
}

std::string TrpResources::HelpTarget(std::string_view className) const
{
    std::string topic;
    for (const HelpTopic& t : kHelpTopics)
        if (SameText(className, t.className)) {
            topic = std::string("::/") + t.page;
            break;
        }
    return GetAppPath() + HelpFile + topic;
}

void TrpResources::Help(std::string_view className) const
{
    (void)HelpTarget(className);
}

TrpResources& GetResources()
{
    auto& r = globalResources();
    if (!r) r = std::make_unique<TrpResources>();
    return *r;
}

std::string GetResString(int id)
{
    return GetResources().Get(IntToStr(id));
}

void SetScriptMessageSink(TrpScriptMessageSink sink)
{
    scriptSink() = std::move(sink);
}

void ApplyScriptMessage(const std::string& key, const std::string& text)
{
    // In the order of kScriptMessageKeys.
    static constexpr std::string TscMessages::*fields[] = {
        &TscMessages::LanguageNotFound,   &TscMessages::InvalidLanguage,   &TscMessages::IdentRedeclared,
        &TscMessages::UnknownType,        &TscMessages::IncompatibleTypes, &TscMessages::UndeclaredIdent,
        &TscMessages::ClassRequired,      &TscMessages::IndexRequired,     &TscMessages::StringHasNoMembers,
        &TscMessages::NoDefaultProperty,  &TscMessages::ArrayRequired,     &TscMessages::VariableRequired,
        &TscMessages::NotEnoughParams,    &TscMessages::TooManyParams,     &TscMessages::LeftSideCannotBeAssigned,
        &TscMessages::ForLoopVariable,    &TscMessages::EventHandlerProcedure,
    };
    static_assert(std::size(fields) == kScriptMessageKeys.size());
    for (size_t i = 0; i < kScriptMessageKeys.size(); ++i)
        if (SameText(kScriptMessageKeys[i], key)) scMessages().*fields[i] = text;
}

void UpdateSCResources()
{
    const TrpResources& r = GetResources();
    auto& sink = scriptSink();
    for (const char* key : kScriptMessageKeys) {
        const std::string text = r.Get(key);
        if (sink) sink(key, text);
    }
}

void LoadReportStringTable()
{
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    GetResources().AddXML(FindEmbeddedResource("StringsZhCN"));
}

namespace {
std::string PrinterLookup(std::string_view key) { return GetResources().Get(key); }
}  // namespace

void registerPrinterTexts()
{
    LoadReportStringTable();
    SetPrinterTextProvider(&PrinterLookup);
}

void registerReportResources()
{
    SetScriptMessageSink(&ApplyScriptMessage);
    registerPrinterTexts();
    UpdateSCResources();
}
