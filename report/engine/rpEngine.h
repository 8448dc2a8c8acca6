#pragma once
// The band engine: one run turns a report's pages, bands and views into
// prepared pages. The run keeps its working values in tables of its own
// (per band, per page), not in the model objects, and resets them at each
// run.
//
//   rpEngine.cpp      the run, passes, page instances, page start and end,
//                     new pages and columns, keep blocks, geometry queries
//   rpEngineTree.cpp  the band tree and the data loop
//   rpEngineBand.cpp  showing one band: prepare, stretch, shift, fit, split,
//                     output

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rpBands.h"
#include "rpCustomPreviewPages.h"
#include "rpReport.h"

class TrpDialogPage;
class TrpReportPage;
class TrpSubreport;
class TrpView;
class TrpXMLItem;

// What the engine asks of the aggregates (SUM ... COUNT found in footer
// texts): collected per page before the first pass, fed a row after each
// data band is shown, reset after the band that shows them. Without one
// every aggregate reads Null.
class TrpEngineAggregates {
public:
    virtual ~TrpEngineAggregates() = default;
    virtual void Clear() = 0;
    // The calls in the texts of a band and its children; rows of
    // `defaultBand` feed the calls that name no band.
    virtual void AddAggregates(TrpBand* band, TrpBand* defaultBand) = 0;
    // The totals of page and column footers take a row on the page where
    // it prints, before its child or the rest of a split goes on to the
    // next page; the others once the row and its child are shown.
    enum class Feed { All, PageTotals, OtherTotals };
    virtual void AddValue(TrpBand* band, int vcolumn, Feed feed = Feed::All) = 0;
    virtual void Reset(TrpBand* band) = 0;
    // Page-footer rows held apart while a keep block is open.
    virtual void StartKeep() = 0;
    virtual void EndKeep() = 0;
    // Page- and column-footer rows of a set of band columns held apart until the set
    // has its place: it may move whole to the next page. A keep block
    // inside the set gives its rows to the set; a set inside a keep block
    // gives its rows to the block, or keeps them when the block is given
    // up and the set moves on alone.
    virtual void HoldRowSet() = 0;
    virtual void ReleaseRowSet() = 0;
    // The rows of the band go back to before its last row.
    virtual void CancelKeep(TrpBand* band) = 0;
    // Between the passes of a double pass.
    virtual void ClearValues() = 0;
    // The call made while `current` prints (or `host`, the band whose
    // vertical cells are being computed).
    virtual Variant GetValue(TrpBand* current, TrpBand* host, int vcolumn, int32_t flags, const Variant& band,
                             const std::string& expression, const std::string& name) = 0;
};

// Bands shown again at the top of every new page or column, each at the
// left it was registered at.
struct TrpHeaderListItem {
    TrpBand* Band = nullptr;
    Extended Left = 0;
    // Registered inside a keep block (and not a TrpHeader).
    bool IsInKeepBlock = false;
};

class TrpHeaderList {
public:
    void Clear() { items_.clear(); }
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const TrpHeaderListItem& Items(int index) const { return items_[static_cast<size_t>(index)]; }
    void AddItem(TrpBand* band, Extended left, bool isInKeepBlock) { items_.push_back({band, left, isInKeepBlock}); }
    // The first entry of that band; nothing when there is none.
    void RemoveItem(const TrpBand* band);
    // The keep block the entries were registered in is over (moved or
    // given up): from now on they are shown again like the others.
    void ClearKeepMarks()
    {
        for (TrpHeaderListItem& item : items_) item.IsInKeepBlock = false;
    }

private:
    std::vector<TrpHeaderListItem> items_;
};

class TrpEngine : public TrpCustomEngine {
    DORVAK_CLASS(TrpEngine, TrpCustomEngine)
public:
    explicit TrpEngine(TrpReport* report = nullptr);
    ~TrpEngine() override;

    // ---- TrpCustomEngine
    Extended GetPageHeight() override;
    void EndPage() override;
    void BreakAllKeep() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TrpBand* band) override;
    void ShowBandByType(const TClass* bandClass) override;
    Extended HeaderHeight() override;
    Extended FooterHeight() override;
    Extended FreeSpace() override;
    Variant GetAggregateValue(const std::string& name, const std::string& expression, const Variant& band,
                              int32_t flags) override;
    bool Run() override;

    // ---- state
    TrpReportPage* CurPage = nullptr;
    bool FirstPageOfPass = false;
    // CurY just below the page headers of the current prepared page.
    Extended DataTop = 0;
    // Height reserved at the page bottom; 0: the column and page footers.
    Extended FooterReserve = 0;
    // No keep block opens while set: from a page run's start to its first
    // printed master row or report title.
    bool FirstRowPending = false;
    TrpHeaderList HeaderList;
    TrpHeaderList VHeaderList;
    // The enclosing data rows: band name and its line through.
    std::vector<std::pair<std::string, int>> DrillPath;

    // Called instead of showing a dialog page modally; returns the modal
    // result (2 cancels the report).
    std::function<int(TrpDialogPage* page)> OnRunDialog;
    // The aggregate list; nullptr reads every aggregate as Null.
    void SetAggregates(std::unique_ptr<TrpEngineAggregates> aggregates);
    TrpEngineAggregates* Aggregates() const noexcept { return aggregates_.get(); }

    // Keep blocks: everything printed since the block opened moves with it
    // to the next column or page. `position` is an object count of the
    // current prepared page (-1: now).
    // False when none opened (one is open already, or no row printed yet).
    bool StartKeep(TrpBand* band, int position = -1);
    void EndKeep(TrpBand* band);

    // The page's top-level data bands after the tree was built.
    const std::vector<TrpBand*>& HorizontalMasters(TrpReportPage* page);
    const std::vector<TrpBand*>& VerticalMasters(TrpReportPage* page);
    // The shift children of a view (or of the band, for the objects with
    // nothing above them), as the band's links make them.
    std::vector<TrpView*> ShiftChildren(TrpBand* band, TrpComponent* parent);
    // The horizontal band an object lying in a vertical band was drawn on
    // (it prints as that band's cells); nullptr for other objects.
    TrpBand* RowBand(const TrpComponent* object) const;

    // A split that would need more parts than this is stopped with an
    // error line.
    static constexpr int kMaxSplitParts = 10000;

    static void Publish(TClassBuilder<TrpEngine>& b);

private:
    struct BandRun;
    struct PageRun;
    struct ShiftNode;
    class PagesLink;

    // ---- run (rpEngine.cpp)
    void resetRun();
    bool checkDatasets();
    bool runDialogs();
    void runPass();
    void runPagesOnce();
    void runPage(TrpReportPage* page);
    void runPageInstance(TrpReportPage* page);
    bool pageHasData(TrpReportPage* page);
    void showPageObjects(TrpReportPage* page);
    void pageStart(TrpReportPage* page);
    // False when the page existed and is filled again.
    bool startPreparedPage();
    void showHeaderList();
    bool showTitle(TrpBand* title);
    void showReprinted(TrpBand* band);
    void addPageOutline();
    void resizeEndlessPage(Extended contentHeight);
    void showColumnFooter();
    // Where a page column starts (from the page's column positions).
    Extended columnLeft(int column);
    // Where the bands of a page column start (CurX less what a subreport
    // or band column adds).
    Extended columnX(int column);
    // Where the next column starts (the page's right for the last).
    Extended columnRight(int column);
    // The column holds nothing below the bands of its start.
    bool columnIsEmpty() const;
    // A band that does not fit here may fit in the next column: this one
    // holds more than the next would at its start.
    bool nextColumnGivesRoom();
    Extended nextColumnTop();
    // Where the next column of this page starts, and whether it holds more
    // than this one.
    Extended pageColumnTop();
    bool pageColumnGivesRoom();
    Extended newPageTop();
    // Stops the run when a band meets an empty column that has no room at
    // all: the headers and footers of the page fill it.
    void checkRoom(TrpBand* band);
    // Names the bands at the column's start and the page's foot.
    [[noreturn]] void roomError(TrpBand* band, const std::string& what);
    void showFixedBand(TrpBand* band, bool reset = true);
    // Cuts an open keep block before a break and pastes it after.
    void keepBeforeBreak();
    void keepAfterBreak();
    bool keepTooTall(Extended extra);
    // True when the block went on to the next column with the band.
    bool keepBeforeTallBand(TrpBand* band, bool movesFirst);
    void closeKeep();
    // The page-footer totals count a set of band columns where it stays.
    void holdRowSet(TrpBand* band);
    void releaseRowSet(TrpBand* band);
    void callHandler(TObject* object, const std::string& handler);
    void collectAggregates(TrpReportPage* page);
    void collectBandAggregates(TrpBand* band);
    void resetAggregates(TrpBand* band);
    // The page totals take the row of the band shown now, once.
    void feedPageTotals(TrpBand* band);

    // ---- band tree and data loop (rpEngineTree.cpp)
    void buildBandTree(TrpReportPage* page, bool vertical);
    void collectDetails(const std::vector<TrpBand*>& list, std::vector<bool>& gone, size_t owner);
    void runDataBands(const std::vector<TrpBand*>& bands);
    bool bandHasData(TrpBand* band, bool printIfEmpty);
    bool listHasData(const std::vector<TrpBand*>& bands);
    void checkGroups(TrpDataBand* band, Extended rowStart, int columnStart);
    void showGroupHeaders(TrpDataBand* band, size_t from, bool initial);
    void showGroupFooters(TrpDataBand* band, size_t from);
    void applyDrillDown(TrpDataBand* band);
    void advanceBandColumn(TrpDataBand* band, Extended rowStart, int columnStart);
    void setBandColumn(TrpDataBand* band, int column);
    void registerReprint(TrpBand* band);
    void unregisterReprint(TrpBand* band);
    void forgetRepeated(TrpBand* band);
    bool addBandOutline(TrpBand* band);

    // ---- band output (rpEngineBand.cpp)
    void showBandItself(TrpBand* band);
    void prepareBand(TrpBand* band);
    void reprepareBand(TrpBand* band);
    void finishBand(TrpBand* band);
    void outputBand(TrpBand* band);
    struct SplitPiece;
    void splitBand(TrpBand* band);
    // The first part of a split here would hold more than the band's frame.
    bool firstPartHolds(TrpBand* band);
    void splitColumnRow(TrpDataBand* band);
    std::vector<SplitPiece> splitPieces(TrpBand* band);
    // `emptyRoom`: what an empty column gives (-1: as the page is laid out).
    bool layOutPart(std::vector<SplitPiece>& pieces, Extended free, Extended emptyRoom = -1);
    // Headers and footers that leave a column less room than what waits
    // of the band needs, when a page without them would hold it.
    void checkPartRoom(TrpBand* band, std::vector<SplitPiece>& pieces, Extended free);
    void moveToNextPart(std::vector<SplitPiece>& pieces, SplitPiece& piece, Extended free);
    void cutFirstWaiting(std::vector<SplitPiece>& pieces, Extended free);
    void outputPart(TrpBand* band, std::vector<SplitPiece>& pieces, bool continued, bool last);
    // The pieces before a part is laid out, to lay it out again elsewhere.
    std::vector<SplitPiece> saveParts(std::vector<SplitPiece>& pieces);
    void restoreParts(std::vector<SplitPiece>& pieces, const std::vector<SplitPiece>& before);
    void closeFrame(std::vector<SplitPiece>& pieces, Extended free);
    void startNextPart(std::vector<SplitPiece>& pieces, Extended free);
    void computeShiftLinks(TrpBand* band, BandRun& run);
    void shiftObjects(BandRun& run);
    void freeExtraObjects(TrpBand* band);

    // ---- subreports and vertical cells (rpEngineCells.cpp)
    void moveVerticalObjects(TrpReportPage* page);
    void restoreVerticalObjects();
    void runVerticalBands(TrpBand* host);
    void showVerticalBand(TrpBand* band);
    void addCells(TrpBand* band, TrpBand* host);
    void outputCells(TrpBand* band);
    void moveToCellPage(int index);
    void endCellPage(Extended y);
    // `top`: where the band's subreports start their places from (-1: the
    // band's own top).
    void runSubreports(TrpBand* band, Extended top = -1);
    bool enterSubreport(TrpSubreport* subreport);
    void runSubreportPage(TrpSubreport* subreport);
    void runInlineSubreports(TrpBand* host);
    void collectInline(TrpBand* band);
    // A copy of a printed object (its computed text and all) at a place of
    // another band.
    TrpReportComponent* copyObject(TrpReportComponent* object, TrpBand* parent, Extended left, Extended top);

    // ---- side tables
    BandRun& run(TrpBand* band);
    PageRun& pageRun(TrpReportPage* page);
    TrpDataSet* bandDataSet(TrpBand* band);
    TrpBand* pageBand(TrpReportPage* page, TrpBandKind kind);

    TrpCustomPreviewPages* pages() const;

    std::unique_ptr<PagesLink> link_;
    std::unique_ptr<TrpEngineAggregates> aggregates_;
    std::vector<std::unique_ptr<BandRun>> bands_;
    std::vector<std::unique_ptr<PageRun>> pageRuns_;

    Extended pageHeight_ = 0;
    Extended savedColumnX_ = 0;
    // CurY below the bands shown at the start of the current column, and
    // those bands.
    Extended columnTop_ = 0;
    std::vector<TrpBand*> columnBands_;
    // The start of the current column holds bands that print once (the
    // report title, a page printed on the previous one).
    bool columnStartOnce_ = false;
    // So does the start of the current page: its later columns stand
    // under them, the next page starts without them.
    bool pageStartOnce_ = false;
    // A page shared with the report pages before (PrintOnPreviousPage):
    // the height their footers take at its foot, and the footers added
    // above them (prepared page, band), which the page may hold beside
    // another page footer.
    Extended sharedReserve_ = 0;
    std::vector<std::pair<int, const TrpBand*>> sharedFooters_;
    // A band spanning the page's columns is being shown (the report title,
    // a summary wider than its column): it goes on to the next page, not
    // the next column.
    bool spanning_ = false;
    // A report title shown at a page start runs its subreports under the
    // bands the page starts with, which stand right under the title.
    bool titleSubreportsLater_ = false;
    TrpBand* titleSubreports_ = nullptr;
    // The band being prepared; the band whose output broke the page; the
    // band that asked for the page through StartNewPage.
    TrpBand* currentBand_ = nullptr;
    TrpBand* causedBreak_ = nullptr;
    TrpBand* askedBreak_ = nullptr;
    // The data band whose row the page totals have not taken yet.
    TrpBand* pageTotalsDue_ = nullptr;
    // Keep block.
    bool keepOpen_ = false;
    TrpBand* keepBand_ = nullptr;
    Extended keepStartY_ = 0;
    // How far right of its column the block began: a subreport printing
    // when the block breaks stands further right than the block.
    Extended keepOffsetX_ = 0;
    int keepPosition_ = 0;
    TrpCustomOutline::Position keepOutline_;
    int keepAnchor_ = -1;
    // Rows shown whole since the block opened: none means it holds only
    // the headers of the row at hand.
    int keepRows_ = 0;
    // The band whose set of columns holds its page-footer rows apart, and
    // whether that set is moving to the next column or page.
    TrpBand* rowSetBand_ = nullptr;
    bool rowSetMoving_ = false;
    // Marks.
    bool headerKeep_ = false;
    bool footerPrinting_ = false;
    bool summaryPrinting_ = false;
    bool finishing_ = false;
    bool firstPageStart_ = false;
    // Header-list bands are being shown at a page or column start: no band
    // starts another break then.
    int reprinting_ = 0;
    int columnReprinting_ = 0;

    // Vertical cells: the objects moved into vertical bands with where
    // they came from, the band whose cells are being computed, the last
    // page holding cells of the current rows (a new page starts after it),
    // and a break to such a page (no data headers are shown again there).
    struct MovedObject {
        TrpComponent* object;
        ObjectHandle handle;
        TrpBand* band;
        ObjectHandle bandHandle;
        int index;
        Extended left;
    };
    std::vector<MovedObject> moved_;
    std::unordered_map<const TrpComponent*, TrpBand*> rowBands_;
    TrpBand* cellHost_ = nullptr;
    int cellPagesEnd_ = -1;
    bool cellPageBreak_ = false;
    // Inline subreports: their bands' objects are collected here instead
    // of going to the prepared pages.
    bool inline_ = false;
    std::vector<TrpReportComponent*> inlineObjects_;
    // The pages of the subreports running, outermost first.
    std::vector<TrpReportPage*> subreportPages_;
};

// The object names and texts of prepared pages, one line each: a page with
// its size, a band with its name, left, top and height, a text object with
// its text (line breaks as "\n"); then the outline entries with their page
// (from 1) and top. Tests and bug reports compare these. With `geometry`
// a text object also gives its left, top, width and height ("@l,t wxh"),
// and every other view is listed with its class and place.
std::string DumpPreparedPages(TrpCustomPreviewPages& pages, bool geometry = false);
