// The prepared-report file: the prepared-pages document with the parts that
// live outside it (report settings, source pages, dictionary, pictures)
// put into it. Pages are written and read one at a time, so that a report
// of many pages never stands in memory as one tree.
#include <filesystem>

#include "SysUtils.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpXMLSerializer.h"

namespace {

// The caller's stream, held by a document for the time of one load.
class TBorrowedStream : public TStream {
public:
    explicit TBorrowedStream(TStream& stream) : stream_(stream) {}
    int64_t Read(void* buffer, int64_t count) override { return stream_.Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return stream_.Write(buffer, count); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return stream_.Seek(offset, origin); }
    int64_t Size() override { return stream_.Size(); }

private:
    TStream& stream_;
};

// The report settings a prepared report carries, in the order they are
// written; a setting the report does not have is left out.
const char* const kReportSettings[] = {"DotMatrixReport", "PreviewOptions.OutlineVisible",
                                       "PreviewOptions.OutlineWidth", "ReportOptions.Name"};

// A file may hold no more pages than this, nor more elements under any
// one element: an empty page costs a few hundred bytes while it is read.
constexpr size_t kMaxElements = 1000000;

// A longer report name is no name a designer gave.
constexpr size_t kMaxReportName = 1000;

// The name an unnamed source object has in the file: "_" and its unique
// name, a valid name no designer gives.
std::string standInName(const std::string& uniqueName) { return "_" + uniqueName; }

// A short write is an error, never a cut file.
void put(TStream& stream, std::string_view text) { stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }

bool settingText(TPersistent* object, std::string_view path, std::string& out)
{
    for (;;) {
        const size_t dot = path.find('.');
        const TPropInfo* prop = GetPropInfo(object, path.substr(0, dot));
        if (!prop) return false;
        if (dot == std::string_view::npos) {
            switch (prop->Kind()) {
            case pkEnumeration:
            case pkInteger:
            case pkInt64: out = IntToStr(prop->GetOrd(object)); return true;
            case pkString: out = prop->GetStr(object); return true;
            default: return false;
            }
        }
        if (prop->Kind() != pkObject) return false;
        object = dynamic_cast<TPersistent*>(prop->GetObject(object));
        if (!object) return false;
        path = path.substr(dot + 1);
    }
}

// Checks the numbers of the pages' own attributes on a page of their class.
class PageNumbers {
public:
    void check(const std::string& elementName, std::string_view text)
    {
        const bool dotMatrix = SameText(elementName, "TrpDMPPage");
        std::unique_ptr<TrpReportPage>& page = dotMatrix ? dotMatrix_ : plain_;
        if (!page) {
            const TClass* cls = dotMatrix ? GetClass("TrpDMPPage") : nullptr;
            if (!cls || cls->IsAbstract() || !cls->InheritsFrom(TrpReportPage::StaticClass()))
                cls = TrpReportPage::StaticClass();
            page.reset(static_cast<TrpReportPage*>(cls->Create(nullptr)));
        }
        TrpXMLSerializer reader;
        reader.RefuseBadNumbers = true;
        reader.ReadProps(page.get(), page.get(), text);
    }

private:
    std::unique_ptr<TrpReportPage> plain_, dotMatrix_;
};

}  // namespace

void TrpPreviewPages::writeDocument(TStream& stream)
{
    TrpXMLWriter writer(stream, false, &doc_);
    writer.WriteHeader();
    writer.Flush();
    put(stream, "<preparedreport>");
    rootItem("previewpages");
    TrpXMLItem* root = doc_.Root();
    for (int i = 0; i < root->Count(); ++i) {
        TrpXMLItem* child = root->Items(i);
        if (!SameText(child->Name(), "previewpages")) {
            writer.WriteItem(child);
            continue;
        }
        writer.Flush();
        if (store_.Count() == 0) {
            put(stream, "<previewpages/>");
            continue;
        }
        put(stream, "<previewpages>");
        for (int page = 0; page < store_.Count(); ++page) {
            const bool parked = !store_.Loaded(page);
            TrpXMLItem item;
            store_.ToXML(page, &item);
            if (parked) store_.Park(page);
            item.SetUnloadable(store_.Unloadable(page));
            writer.WriteItem(&item);
        }
        writer.Flush();
        put(stream, "</previewpages>");
    }
    writer.Flush();
    put(stream, "</preparedreport>");
}

void TrpPreviewPages::SaveToStream(TStream& stream)
{
    TrpXMLItem* report = rootItem("report");
    report->Clear();
    if (Report()) {
        TrpXMLItem* settings = report->Add();
        settings->SetName(Report()->ClassName());
        for (const char* path : kReportSettings) {
            std::string value;
            if (settingText(Report(), path, value)) settings->SetProp(path, value);
        }
    }
    // A source object without a name could not be found by it when the
    // file is read: it goes in under a stand-in name that reading takes
    // away again.
    struct StandIns {
        std::vector<TrpComponent*> objects;
        ~StandIns()
        {
            for (TrpComponent* o : objects) o->SetName(std::string());
        }
    } standIns;
    for (int i = 0; i < dictionary_.Count(); ++i) {
        TrpComponent* object = dictionary_[i].Object;
        if (!object || !object->Name().empty()) continue;
        try {
            object->SetName(standInName(dictionary_[i].UniqueName));
            standIns.objects.push_back(object);
        } catch (const Exception&) {
            // The name is taken: the object stays without one.
        }
    }
    TrpXMLItem* sourcePages = rootItem("sourcepages");
    sourcePages->Clear();
    for (const Source& source : sources_) {
        TrpXMLSerializer writer;
        writer.WriteRootComponent(source.page.get(), true, false, sourcePages->Add());
    }
    TrpXMLItem* dictionary = rootItem("dictionary");
    dictionary->Clear();
    for (const int i : dictionary_.Sorted()) {
        const TrpDictionary::Entry& entry = dictionary_[i];
        TrpXMLItem* item = dictionary->Add();
        item->SetName(entry.UniqueName);
        const bool standIn = entry.Object && entry.Object->Name() == standInName(entry.UniqueName);
        item->SetProp("name", standIn ? entry.SourceName + entry.Object->Name() : entry.SourceName);
    }
    pictures_.SaveToXML(rootItem("picturecache"));
    writeLogicalPageNumbers();
    writeDocument(stream);
    // Made again on every save; not kept in memory meanwhile.
    sourcePages->Clear();
    dictionary->Clear();
    findRootItem("picturecache")->Clear();
    if (TrpXMLItem* numbers = findRootItem("logicalpagenumbers")) numbers->Clear();
}

void TrpPreviewPages::SaveToFile(const std::string& fileName)
{
    TSaveFileStream stream(fileName);
    SaveToStream(stream);
    stream.Commit();
}

void TrpPreviewPages::LoadFromStream(TStream& stream, [[maybe_unused]] bool allowPartialLoading)
{
    Clear();
    fromFile_ = true;
    try {
        loadDocument(stream);
    } catch (...) {
        // A refused file leaves the report as it was.
        RestoreReportSettings();
        throw;
    }
}

void TrpPreviewPages::loadDocument(TStream& stream)
{
    // Always read in parts: a parked page is read from the stream when its
    // turn comes, so that only one page stands as a tree at a time.
    TrpXMLDocument file;
    file.MaxChildren = kMaxElements;
    file.LoadFromStream(std::make_unique<TBorrowedStream>(stream), true);
    doc_.OldVersion = file.OldVersion;
    TrpXMLItem* root = file.Root();
    auto part = [root](std::string_view name) -> TrpXMLItem* {
        const int i = root->Find(name);
        return i < 0 ? nullptr : root->Items(i);
    };

    // Only the settings the file stores: whatever else its element carries
    // (a script, datasets, events) would change the report that shows it
    // and every later run of that report. Those four are the report's
    // again once the file's pages go.
    if (TrpXMLItem* report = part("report"); report && report->Count() > 0 && Report()) {
        const TrpXMLItem* element = report->Items(0);
        TrpXMLItem settings;
        for (const char* path : kReportSettings)
            if (element->HasProp(path)) settings.SetProp(path, element->Prop(path));
        if (settings.Prop("ReportOptions.Name").size() > kMaxReportName)
            throw TrpInvalidXMLException("Invalid file format: ReportOptions.Name is longer than " +
                                         IntToStr(kMaxReportName) + " characters");
        TrpReport& r = *Report();
        reportSettings_ = ReportSettings{r.DotMatrixReport, r.PreviewOptions()->OutlineVisible,
                                         r.PreviewOptions()->OutlineWidth, r.ReportOptions()->Name};
        TrpXMLSerializer reader;
        reader.OldFormat = file.OldVersion;
        reader.RefuseBadNumbers = true;
        reader.ReadProps(Report(), Report(), settings.Text());
        if (reader.Errors.Count() > 0) throw TrpInvalidXMLException("Invalid file format: " + reader.Errors.Strings(0));
    }
    if (TrpXMLItem* sourcePages = part("sourcepages")) {
        for (int i = 0; i < sourcePages->Count(); ++i) {
            TrpXMLItem* element = sourcePages->Items(i);
            const TClass* cls = SameText(element->Name(), "TrpDMPPage") ? GetClass("TrpDMPPage") : nullptr;
            if (!cls || cls->IsAbstract() || !cls->InheritsFrom(TrpReportPage::StaticClass()))
                cls = TrpReportPage::StaticClass();
            Source source;
            source.page.reset(static_cast<TrpReportPage*>(cls->Create(nullptr)));
            TrpXMLSerializer reader;
            reader.OldFormat = file.OldVersion;
            reader.Owner = source.page.get();
            reader.ReadRootComponent(source.page.get(), element);
            TrpXMLSerializer writer;
            writer.Owner = source.page.get();
            source.text = writer.ObjToXML(source.page.get());
            sources_.push_back(std::move(source));
        }
        sourcePages->Clear();
    }
    if (TrpXMLItem* dictionary = part("dictionary")) {
        for (int i = 0; i < dictionary->Count(); ++i) {
            const TrpXMLItem* item = dictionary->Items(i);
            const std::string sourceName = item->Prop("name");
            // "Page" + source page index + "." + object name.
            const size_t dot = sourceName.find('.');
            int page = -1;
            if (dot == std::string::npos || dot <= 4 ||
                !TryStrToInt(std::string_view(sourceName).substr(4, dot - 4), page))
                throw TrpInvalidXMLException("Invalid file format");
            // An entry of a page the file does not hold names nothing.
            if (page < 0 || page >= SourcePageCount()) continue;
            const std::string objectName = sourceName.substr(dot + 1);
            TrpComponent* object = sources_[page].page->FindObject(objectName);
            if (!object) continue;
            if (objectName == standInName(item->Name())) {
                object->SetName(std::string());
                addDictionaryEntry(item->Name(), sourceName.substr(0, dot + 1), object);
            } else {
                addDictionaryEntry(item->Name(), sourceName, object);
            }
        }
        dictionary->Clear();
    }
    if (TrpXMLItem* pictures = part("picturecache")) {
        pictures_.LoadFromXML(pictures);
        pictures->Clear();
    }
    if (TrpXMLItem* pages = part("previewpages")) {
        const bool park = useFileCache();
        PageNumbers pageNumbers;
        for (int i = 0; i < pages->Count(); ++i) {
            TrpXMLItem* element = pages->Items(i);
            file.LoadItem(element);
            // A page's own attributes (paper, margins) are read whenever it
            // is drawn: a number out of range refuses the file now.
            if (!element->Text().empty()) pageNumbers.check(element->Name(), element->Text());
            store_.AddPage(store_.Intern(element->Name()));
            const int index = store_.Count() - 1;
            store_.SetPageText(index, element->Text());
            store_.AppendXML(index, element);
            store_.SetUnloadable(index, element->Unloadable());
            store_.Trim(index);
            element->Clear();
            if (park && element->Unloadable()) store_.Park(index);
        }
        pages->Clear();
    }
    // What stays as elements (outline, anchors, logical page numbers) moves
    // over, in the file's order; the borrowed stream goes with the file.
    while (root->Count() > 0) {
        file.LoadItem(root->Items(0));
        doc_.Root()->AddItem(root->Items(0));
    }
    readLogicalPageNumbers();
}

bool TrpPreviewPages::LoadFromFile(const std::string& fileName, bool failWhenMissing)
{
    std::error_code ec;
    if (!failWhenMissing && !std::filesystem::exists(fileName, ec)) return false;
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    try {
        LoadFromStream(stream);
    } catch (const TrpInvalidXMLException& e) {
        throw TrpInvalidXMLException(InvalidFileMessage(e.message(), fileName));
    }
    return true;
}

void TrpPreviewPages::RestoreReportSettings()
{
    if (!reportSettings_) return;
    const ReportSettings saved = std::move(*reportSettings_);
    reportSettings_.reset();
    TrpReport* report = Report();
    if (!report) return;
    report->DotMatrixReport = saved.dotMatrix;
    report->PreviewOptions()->OutlineVisible = saved.outlineVisible;
    report->PreviewOptions()->OutlineWidth = saved.outlineWidth;
    report->ReportOptions()->Name = saved.name;
}
