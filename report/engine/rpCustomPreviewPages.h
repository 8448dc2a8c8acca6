#pragma once
// What the report, the engine, the preview, printing and the prepared-report
// file see of the prepared pages and their outline. The store itself is
// TrpPreviewPages (rpPreviewPages.h); the report owns one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Canvas.h"
#include "Classes.h"
#include "ControlEvents.h"
#include "ControlIdents.h"
#include "Numbers.h"

class TrpBand;
class TrpComponent;
class TrpCustomPreviewPages;
class TrpPictureView;
class TrpReport;
class TrpReportPage;
class TrpView;
class TrpXMLItem;
class TStream;
class TrpCustomExportFilter;

// What the prepared pages ask of the engine that fills them. Without an
// engine the store acts as after a finished one-pass run.
class TrpEngineState {
public:
    virtual ~TrpEngineState() = default;
    virtual bool Running() const = 0;
    virtual bool DoublePass() const = 0;
    virtual bool FinalPass() const = 0;
    virtual int TotalPages() const = 0;
    virtual Extended CurY() const = 0;
};

// A cursor over the outline tree: entries with a caption, the 0-based page
// they were added on and the top on that page (pixels).
class TrpCustomOutline : public TPersistent {
    DORVAK_CLASS(TrpCustomOutline, TPersistent)
public:
    explicit TrpCustomOutline(TrpCustomPreviewPages* pages) : pages_(pages) {}

    TrpCustomPreviewPages* PreviewPages() const noexcept { return pages_; }

    // Children of the current entry.
    virtual int GetCount() = 0;
    // Appends an entry on the current page and makes it current.
    virtual void AddItem(const std::string& text, int top) = 0;
    virtual void LevelDown(int index) = 0;
    virtual void LevelRoot() = 0;
    // Stays at the root.
    virtual void LevelUp() = 0;
    // Page and top keep their values when the entry has none.
    virtual void GetItem(int index, std::string& text, int& page, int& top) = 0;
    // The entry after `entry` among its siblings, with its subtree, moves
    // to the next page at the new top.
    virtual void ShiftItems(TrpXMLItem* entry, int newTop) = 0;
    // The current entry's last child, nullptr when none.
    virtual TrpXMLItem* GetLastItem() = 0;
    // Where the next entry goes: the current entry and how many children
    // it has.
    struct Position {
        TrpXMLItem* parent = nullptr;
        int count = 0;
    };
    virtual Position GetPosition() { return {}; }
    // The entries added after a position, with their subtrees, move to a
    // page (0-based); the first of them to `newTop`, the others by as much.
    virtual void ShiftItemsAfter(const Position& /*position*/, int /*newTop*/, int /*newPage*/) {}

private:
    TrpCustomPreviewPages* pages_;
};

// The controls' own buttons: a second enumeration of the same names would
// keep the two headers from ever being included together.
using TrpMouseButton = TMouseButton;

// A mouse event on a page of the preview, and what it leaves behind.
struct TrpPageClick {
    int X = 0, Y = 0;  // device pixels from the page's corner
    TrpMouseButton Button = mbLeft;
    uint32_t Shift = 0;
    Extended Scale = 1;
    Extended OffsetX = 0, OffsetY = 0;
    bool Click = false;  // false: the mouse only moves
    bool DoubleClick = false;
    TCursor Cursor = crDefault;  // in and out
    // Out: the object under the mouse (nullptr for none), valid while Page
    // is held, and its hint.
    std::shared_ptr<TrpReportPage> Page;
    TrpView* Object = nullptr;
    std::string Hint;
    // Out, after a click: where a page link ("@3") or an anchor link
    // ("#total") leads, for the preview to go there (-1: nowhere). A web
    // or mail address has been opened; other links are ignored, so that a
    // file from elsewhere cannot start programs.
    int LinkPage = -1;
    int LinkTop = 0;
    // A click handler of the object or the report changed the page, which
    // is stored back: the preview repaints.
    bool Modified = false;
    // A drill-down group was opened or closed: the report's preview was
    // asked to prepare it again (RefreshReport).
    bool Refresh = false;
};

class TrpCustomPreviewPages {
public:
    explicit TrpCustomPreviewPages(TrpReport* report) : report_(report) {}
    virtual ~TrpCustomPreviewPages() = default;
    TrpCustomPreviewPages(const TrpCustomPreviewPages&) = delete;
    TrpCustomPreviewPages& operator=(const TrpCustomPreviewPages&) = delete;

    TrpReport* Report() const noexcept { return report_; }
    TrpCustomOutline* Outline() const noexcept { return outline_.get(); }
    // The engine that fills the pages, set by the engine itself.
    TrpEngineState* Engine() const noexcept { return engine_; }
    void SetEngine(TrpEngineState* engine) noexcept { engine_ = engine; }

    // ---- reading; valid at any time, also during a run
    virtual int GetCount() = 0;
    // The page built back from the store; nullptr outside 0..Count-1. The
    // page stays valid as long as it is held, cached or not.
    virtual std::shared_ptr<TrpReportPage> GetPage(int index) = 0;
    // Paper in pixels, (0, 0) outside the pages.
    virtual TPoint GetPageSize(int index) = 0;

    // ---- filling, by the engine
    virtual void Clear() = 0;
    virtual void Initialize() = 0;
    virtual void AddObject(TrpComponent* object) = 0;
    virtual void AddPage(TrpReportPage* page) = 0;
    virtual void AddSourcePage(TrpReportPage* page) = 0;
    virtual void AddToSourcePage(TrpComponent* object) = 0;
    // A copy the engine made of a report object (a vertical cell, what an
    // inline subreport printed) is stored as that object is; nothing when
    // the object has no source.
    virtual void LinkCopy(const TrpComponent* /*copy*/, const TrpComponent* /*object*/) {}
    // The copy is gone.
    virtual void UnlinkCopy(const TrpComponent* /*copy*/) {}
    virtual void SavePosition() = 0;
    virtual void RestorePosition() = 0;
    virtual void CutObjects(int from) = 0;
    virtual void Finish() = 0;
    virtual void AddLogicalPageNumber() = 0;
    virtual void EndLogicalPageGroup() = 0;
    virtual void PasteObjects(Extended x, Extended y) = 0;
    // The anchors after `from` move to the next page, the first of them to
    // `newTop`, the others by as much.
    virtual void ShiftAnchors(int from, int newTop) = 0;
    // The same to a given page (0-based).
    virtual void ShiftAnchorsTo(int from, int newTop, int /*newPage*/) { ShiftAnchors(from, newTop); }
    virtual void AddPicture(TrpPictureView* view) = 0;
    virtual bool BandExists(TrpBand* band) = 0;
    virtual int CurrentObjectCount() = 0;
    virtual int LastAnchorIndex() = 0;
    virtual Extended BottomOfBands(Extended columnLeft) = 0;
    virtual int LogicalPageNo() = 0;
    virtual int LogicalTotalPages() = 0;
    // A page that grows with its content (endless pages) gets its own
    // paper, in report units.
    virtual void SetPageSize(int index, Extended width, Extended height) = 0;
    virtual void AddAnchor(const std::string& text) = 0;
    // 1-based page of the last anchor of that text (case ignored), 1 when
    // there is none.
    virtual int GetAnchorPage(const std::string& text) = 0;

    // ---- editing, by the preview
    virtual void AddEmptyPage(int index) = 0;
    virtual void DeletePage(int index) = 0;
    virtual void ModifyPage(int index, TrpReportPage* page) = 0;
    virtual void AppendReport(TrpReport* report) = 0;

    // ---- drawing and printing
    virtual void DrawPage(int index, TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                          Extended offsetY) = 0;
    virtual void HandleObjectClick(int index, TrpPageClick& click) = 0;
    // Prints with the report's print options: the printer they name, the
    // print dialog when they ask for it (with CurPage as the preview's
    // 1-based current page), else their output file. True when the
    // document went out.
    virtual bool Print() = 0;
    virtual void Export(TrpCustomExportFilter* filter) = 0;

    // ---- the prepared-report file
    virtual void LoadFromStream(TStream& stream, bool allowPartialLoading = false) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    // Whether the file existed; a missing file raises only when asked to.
    virtual bool LoadFromFile(const std::string& fileName, bool failWhenMissing = false) = 0;
    virtual void SaveToFile(const std::string& fileName) = 0;
    // The report's own values back for the settings a prepared-report file
    // gave it (the preview that showed the file closes).
    virtual void RestoreReportSettings() {}

    // ---- state the engine and the printing loop set
    // The page being filled or read; -1 after Clear.
    int CurPage = -1;
    // 1: the next AddPage appends even where a page of that index exists.
    // Back to 0 after each AddPage.
    int AddPageMode = 0;
    // Subtracted from page numbers when no logical number is recorded.
    int FirstPageOffset = 0;
    // The copy being printed, 0 outside printing.
    int CopyNo = 0;
    Extended PrintScale = 1;

    // The report's progress operations, by kind (0 preparing, 1 exporting,
    // 2 printing); OnProgress gets the 1-based number of the page done.
    std::function<void(int kind)> OnProgressStart;
    std::function<void(int kind, int page)> OnProgress;
    std::function<void(int kind)> OnProgressStop;

protected:
    void SetOutline(std::unique_ptr<TrpCustomOutline> outline) { outline_ = std::move(outline); }
    TrpEngineState* engine_ = nullptr;

private:
    TrpReport* report_;
    std::unique_ptr<TrpCustomOutline> outline_;
};
