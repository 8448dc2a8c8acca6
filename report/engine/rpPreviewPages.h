#pragma once
// The store of a prepared report. Every report page is copied once into a
// source page whose objects get short unique names ("m1", "b3"); a
// prepared page holds, per printed object, only its unique name and the
// attributes that differ from the source object. Pages are built back into
// objects on demand, through a small cache of built pages. With the file
// cache on, pages are parked in a temporary file once the memory counter
// passes MaxMemSize megabytes. Outline, anchors and logical page numbers
// are elements of the prepared-report document; pictures are kept once in
// the picture cache.

#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Reflection.h"
#include "rpCustomPreviewPages.h"
#include "rpPageReuse.h"
#include "rpPageStore.h"
#include "rpPictureCache.h"
#include "rpXML.h"
#include "rpXMLSerializer.h"

class TrpPreviewPages;
class TrpXMLSerializer;
class TrpCustomPrinter;
struct TrpPrintSettings;

// Unique name -> ("Page" + source page index + "." + object name, source
// object), with the source object's full attribute text kept for building.
class TrpDictionary {
public:
    struct Entry {
        std::string UniqueName;
        std::string SourceName;
        TrpComponent* Object = nullptr;  // owned by the source pages
        // "ClassName attr=..." (only the class name for objects that store
        // all their properties on every page).
        std::string FullText;
        // FullText made ready for building, on first use.
        mutable std::shared_ptr<const TrpPreparedProps> Prepared;
    };

    void Clear();
    int Count() const { return static_cast<int>(entries_.size()); }
    const Entry& operator[](int index) const { return entries_[index]; }
    // The new entry's index.
    int Add(std::string uniqueName, std::string sourceName, TrpComponent* object, std::string fullText);
    // -1 when there is none.
    int IndexOf(std::string_view uniqueName) const;
    TrpComponent* GetObject(std::string_view uniqueName) const;
    std::string GetSourceName(std::string_view uniqueName) const;
    // Entry indexes in the order of their unique names (case ignored).
    std::vector<int> Sorted() const;

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, int> index_;
};

class TrpOutline : public TrpCustomOutline {
    DORVAK_CLASS(TrpOutline, TrpCustomOutline)
public:
    explicit TrpOutline(TrpPreviewPages* pages);

    int GetCount() override;
    void AddItem(const std::string& text, int top) override;
    void LevelDown(int index) override;
    void LevelRoot() override;
    void LevelUp() override;
    void GetItem(int index, std::string& text, int& page, int& top) override;
    void ShiftItems(TrpXMLItem* entry, int newTop) override;
    TrpXMLItem* GetLastItem() override;
    Position GetPosition() override;
    void ShiftItemsAfter(const Position& position, int newTop, int newPage) override;

    // The "outline" element, made on first use.
    TrpXMLItem* Root();
    TrpXMLItem* Current();
    // Back to the root when the current entry lies in `item` (about to go);
    // every entry when item is nullptr.
    void Forget(const TrpXMLItem* item);

private:
    TrpPreviewPages* store_;
    TrpXMLItem* current_ = nullptr;  // nullptr: the root
};

class TrpPreviewPages : public TrpCustomPreviewPages {
public:
    explicit TrpPreviewPages(TrpReport* report);
    ~TrpPreviewPages() override;

    // Kept in step with the report's preview options by the report.
    int PagesInCache = 50;
    bool PictureCacheInFile = false;

    // ---- TrpCustomPreviewPages
    int GetCount() override;
    std::shared_ptr<TrpReportPage> GetPage(int index) override;
    TPoint GetPageSize(int index) override;
    void Clear() override;
    void Initialize() override;
    void AddObject(TrpComponent* object) override;
    void AddPage(TrpReportPage* page) override;
    void AddSourcePage(TrpReportPage* page) override;
    void AddToSourcePage(TrpComponent* object) override;
    void LinkCopy(const TrpComponent* copy, const TrpComponent* object) override;
    void UnlinkCopy(const TrpComponent* copy) override;
    void SavePosition() override;
    void RestorePosition() override;
    void CutObjects(int from) override;
    void Finish() override;
    void AddLogicalPageNumber() override;
    void EndLogicalPageGroup() override;
    void PasteObjects(Extended x, Extended y) override;
    void ShiftAnchors(int from, int newTop) override;
    void ShiftAnchorsTo(int from, int newTop, int newPage) override;
    void AddPicture(TrpPictureView* view) override;
    bool BandExists(TrpBand* band) override;
    int CurrentObjectCount() override;
    int LastAnchorIndex() override;
    Extended BottomOfBands(Extended columnLeft) override;
    int LogicalPageNo() override;
    int LogicalTotalPages() override;
    void SetPageSize(int index, Extended width, Extended height) override;
    void AddAnchor(const std::string& text) override;
    int GetAnchorPage(const std::string& text) override;
    void AddEmptyPage(int index) override;
    void DeletePage(int index) override;
    void ModifyPage(int index, TrpReportPage* page) override;
    void AppendReport(TrpReport* report) override;
    void DrawPage(int index, TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                  Extended offsetY) override;
    void HandleObjectClick(int index, TrpPageClick& click) override;
    bool Print() override;
    void Export(TrpCustomExportFilter* filter) override;
    void LoadFromStream(TStream& stream, bool allowPartialLoading = false) override;
    void SaveToStream(TStream& stream) override;
    bool LoadFromFile(const std::string& fileName, bool failWhenMissing = false) override;
    void SaveToFile(const std::string& fileName) override;
    // Also done by Clear and by loading another file: a file's settings
    // last as long as its pages.
    void RestoreReportSettings() override;
    // The pages came from a file: their objects' handler names are not the
    // report's to run.
    bool FromFile() const noexcept { return fromFile_; }

    // The page for drawing it alone: as GetPage, for callers that change
    // nothing in it and keep it no longer than its drawing, so that its
    // objects may be built into the next page once it leaves the cache.
    std::shared_ptr<TrpReportPage> PageToDraw(int index);
    // A page PageToDraw gave that is not wanted again soon (a print run
    // draws each once): it leaves the cache at once, and its objects build
    // the next page.
    void DoneDrawing(int index);

    // ---- printing
    // The page loop of Print on a printer that is chosen and set up (its
    // output file too), with the settings as they stand: no dialog. True
    // when the document went out; false after an error box, when cancelled
    // (the report's Terminated) or when no page was selected.
    bool PrintTo(TrpCustomPrinter& printer, const TrpPrintSettings& settings);

    // ---- more of the store
    // The last anchor of that text (case ignored): its 0-based page and top.
    bool FindAnchor(const std::string& text, int& page, int& top);
    // The document: outline, anchors and logical page numbers live in it.
    TrpXMLDocument& Document() noexcept { return doc_; }
    TrpPictureCache& PictureCache() noexcept { return pictures_; }
    const TrpDictionary& Dictionary() const noexcept { return dictionary_; }
    int SourcePageCount() const noexcept { return static_cast<int>(sources_.size()); }
    TrpReportPage* SourcePage(int index) const { return sources_[index].page.get(); }
    // The report page a source page was copied from, while a run lasts.
    TrpReportPage* SourceReportPage(int index) const;
    // -1 when the report page was not copied.
    int SourcePageIndex(const TrpReportPage* reportPage) const;
    // Of a report object or its source copy: the unique name (empty when it
    // has none) and the source copy (nullptr).
    std::string UniqueNameOf(const TrpComponent* object) const;
    TrpComponent* SourceOf(const TrpComponent* object) const;
    // The element name of a prepared page ("page0", or a page class).
    std::string PageName(int index) const;
    // The stored attribute text of top-level object `index` of a page and
    // its element name, for tests and dumps.
    std::string ObjectText(int page, int index);
    std::string ObjectName(int page, int index);
    // Bytes used since the last parking pass, as MaxMemSize counts them.
    int64_t MemoryCounter() const noexcept { return memCounter_; }
    // Bytes the page store holds, and its temporary file's size.
    size_t StoreMemory() const { return store_.MemoryUsed(); }
    int64_t TempFileSize() const { return store_.TempSize(); }
    bool PageParked(int index) const { return !store_.Loaded(index); }
    // Built pages held in the page cache; emptied by printing after each
    // page.
    int CachedPageCount() const noexcept { return static_cast<int>(cache_.size()); }
    void ClearPageCache() { clearCache(); }
    // Objects kept from pages that left the cache, to build later pages
    // from, and how many objects building has taken from them so far.
    int SpareObjectCount() const noexcept;
    int64_t ReusedObjectCount() const noexcept { return reused_; }

private:
    friend class TrpOutline;

    struct Source {
        std::unique_ptr<TrpReportPage> page;
        Ref<TrpReportPage> reportPage;
        // "ClassName attr=..." of the page itself.
        std::string text;
    };
    struct Link {
        ObjectHandle handle;
        int entry;
    };
    // An object a page was built with, and the names of the attributes its
    // element gave it: an element of the same entry and names builds a
    // later page's object from it by its own attributes alone.
    struct BuiltObject {
        TrpComponent* object;
        int entry;
        std::string names;
        const TrpPageReuse* reuse;  // nullptr: it is built afresh on later pages
    };
    struct CachedPage {
        int index;
        std::shared_ptr<TrpReportPage> page;
        std::string text;  // the page's own attributes it was built from
        std::vector<BuiltObject> objects;
        bool lent = false;  // handed out by GetPage: may have been changed
    };
    // What buildPage makes.
    struct Built {
        std::shared_ptr<TrpReportPage> page;
        std::string text;
        std::vector<BuiltObject> objects;
    };

    bool running() const;
    bool firstOfTwoPasses() const;
    bool useFileCache() const;
    TrpXMLItem* rootItem(std::string_view name);
    TrpXMLItem* findRootItem(std::string_view name) const;
    int entryOf(const TrpComponent* object) const;
    int entryOfName(uint32_t name) const;
    void link(const TrpComponent* object, int entry);
    std::string uniqueName(const std::string& base) const;
    int addDictionaryEntry(const std::string& uniqueName, std::string sourceName, TrpComponent* source);
    void registerSourceObject(TrpComponent* reportObject, TrpComponent* copy, int pageIndex);
    int sourceIndexOfPage(int page) const;
    void addObject(int page, TrpComponent* object, std::string& buffer);
    std::shared_ptr<TrpReportPage> cachedPage(int index, bool lend);
    Built buildPage(int index);
    // The entry's attributes made ready for building; false when they cannot be.
    bool prepared(const TrpDictionary::Entry& entry);
    void buildObjects(TrpXMLSerializer& serializer, TrpPageStore::Reader& reader, TrpComponent* parent,
                      std::string& buffer, std::vector<BuiltObject>& built);
    // A spare object of the entry built with attributes of these names,
    // taken out of the spares; nullptr when there is none.
    TrpComponent* takeSpare(int entry, std::string_view names);
    // A page leaving the cache: its objects become the spares (those
    // before go) when nothing outside could have changed or still holds it.
    void recycle(CachedPage&& cached);
    void dropSpares();
    void appendWholePage(std::string_view name, const TrpXMLItem& element);
    void followLink(const std::string& url, TrpPageClick& click);
    // The report's click handlers on the object hit.
    void clicked(int index, TrpPageClick& click);
    void dropCached(int index);
    void clearCache();
    void writeDocument(TStream& stream);
    void loadDocument(TStream& stream);

    TrpXMLDocument doc_;
    TrpPageStore store_;
    TrpPictureCache pictures_;
    TrpDictionary dictionary_;
    std::vector<Source> sources_;
    std::unordered_map<const TrpComponent*, Link> links_;
    std::vector<int> entryOfName_;      // by store name id, -1 for none
    std::vector<uint32_t> entryName_;  // store name id by entry
    mutable std::unordered_map<std::string, int> dense_;  // names 1..n known to exist, by base
    std::list<CachedPage> cache_;  // newest first
    // Objects of one entry built with attributes of the same names.
    struct Spares {
        std::string names;
        std::vector<TrpComponent*> objects;
    };
    std::vector<std::vector<Spares>> spares_;  // by entry
    std::shared_ptr<TrpReportPage> sparePage_;  // the last page recycled, emptied
    std::string sparePageText_;
    int64_t reused_ = 0;
    int64_t memCounter_ = 0;
    int logicalCounter_ = 0;
    int savedPage_ = -1;
    int savedCount_ = 0;
    int savedOutlineCount_ = 0;
    // The report's values of the settings the file loaded last replaced.
    struct ReportSettings {
        bool dotMatrix = false;
        bool outlineVisible = false;
        int32_t outlineWidth = 0;
        std::string name;
    };
    std::optional<ReportSettings> reportSettings_;
    bool fromFile_ = false;
};
