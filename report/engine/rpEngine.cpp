// The run: passes, page runs and instances, page start and end, new pages
// and columns, keep blocks and the geometry queries.
#include "rpEngine.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "ScopeExit.h"
#include "SysUtils.h"
#include "rpAggregate.h"
#include "rpBands.h"
#include "rpDataSets.h"
#include "rpEngineRun.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpShapes.h"

using rp_engine::fits;

// ---------------------------------------------------------------- helpers

int64_t rp_engine::positionKey(Extended value)
{
    const Extended hundredths = value * 100;
    return static_cast<int64_t>(hundredths < 0 ? -std::floor(-hundredths + 0.5L) : std::floor(hundredths + 0.5L));
}

bool rp_engine::isDataBand(const TrpBand* band)
{
    const int kind = band->KindNumber();
    return kind >= bkMasterData && kind <= bkDataBand6;
}

void TrpHeaderList::RemoveItem(const TrpBand* band)
{
    if (!band) return;
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->Band != band) continue;
        items_.erase(it);
        return;
    }
}

// What the prepared pages and the expressions ask of a run.
class TrpEngine::PagesLink : public TrpEngineState, public TrpPageNumbering {
public:
    explicit PagesLink(TrpEngine& engine) : engine_(engine) {}

    bool Running() const override { return engine_.Running; }
    bool DoublePass() const override { return engine_.DoublePass(); }
    bool FinalPass() const override { return engine_.FinalPass; }
    int TotalPages() const override { return engine_.TotalPages; }
    Extended CurY() const override { return engine_.CurY; }

    int CurPage() const override
    {
        TrpCustomPreviewPages* pages = engine_.pages();
        return pages ? pages->CurPage : -1;
    }
    int LogicalPageNo() const override
    {
        TrpCustomPreviewPages* pages = engine_.pages();
        return pages ? pages->LogicalPageNo() : 0;
    }
    int LogicalTotalPages() const override
    {
        TrpCustomPreviewPages* pages = engine_.pages();
        return pages ? pages->LogicalTotalPages() : 0;
    }

private:
    TrpEngine& engine_;
};

// ---------------------------------------------------------------- TrpEngine

TrpEngine::TrpEngine(TrpReport* report)
    : TrpCustomEngine(report), link_(std::make_unique<PagesLink>(*this)),
      aggregates_(std::make_unique<TrpAggregateList>(*this))
{
    if (!report) return;
    if (TrpCustomPreviewPages* pages = report->PreviewPages()) pages->SetEngine(link_.get());
    report->PageNumbering = link_.get();
}

TrpEngine::~TrpEngine() = default;

TrpCustomPreviewPages* TrpEngine::pages() const
{
    return Report() ? Report()->PreviewPages() : nullptr;
}

void TrpEngine::SetAggregates(std::unique_ptr<TrpEngineAggregates> aggregates)
{
    aggregates_ = std::move(aggregates);
}

TrpEngine::BandRun& TrpEngine::run(TrpBand* band)
{
    const int index = band->BandIndex;
    if (index >= 0 && static_cast<size_t>(index) < bands_.size() && bands_[static_cast<size_t>(index)]->band == band)
        return *bands_[static_cast<size_t>(index)];
    band->BandIndex = static_cast<int>(bands_.size());
    bands_.push_back(std::make_unique<BandRun>());
    bands_.back()->band = band;
    return *bands_.back();
}

TrpEngine::PageRun& TrpEngine::pageRun(TrpReportPage* page)
{
    for (auto& p : pageRuns_)
        if (p->page == page) return *p;
    pageRuns_.push_back(std::make_unique<PageRun>());
    pageRuns_.back()->page = page;
    return *pageRuns_.back();
}

TrpBand* TrpEngine::pageBand(TrpReportPage* page, TrpBandKind kind)
{
    return page ? pageRun(page).kinds[kind] : nullptr;
}

const std::vector<TrpBand*>& TrpEngine::HorizontalMasters(TrpReportPage* page)
{
    return pageRun(page).horizontalMasters;
}

const std::vector<TrpBand*>& TrpEngine::VerticalMasters(TrpReportPage* page)
{
    return pageRun(page).verticalMasters;
}

void TrpEngine::callHandler(TObject* object, const std::string& handler)
{
    if (!handler.empty()) Report()->DoNotifyEvent(object, handler);
}

void TrpEngine::resetRun()
{
    restoreVerticalObjects();
    cellHost_ = nullptr;
    cellPagesEnd_ = -1;
    cellPageBreak_ = false;
    inline_ = false;
    inlineObjects_.clear();
    subreportPages_.clear();
    bands_.clear();
    pageRuns_.clear();
    HeaderList.Clear();
    VHeaderList.Clear();
    DrillPath.clear();
    FooterReserve = 0;
    sharedReserve_ = 0;
    sharedFooters_.clear();
    CurVColumn = 0;
    CurX = CurY = 0;
    CurLine = CurLineThrough = 0;
    CurColumn = 1;
    DataTop = 0;
    savedColumnX_ = 0;
    columnTop_ = 0;
    columnStartOnce_ = pageStartOnce_ = false;
    spanning_ = false;
    columnBands_.clear();
    rowSetBand_ = nullptr;
    rowSetMoving_ = false;
    currentBand_ = causedBreak_ = askedBreak_ = nullptr;
    closeKeep();
    headerKeep_ = footerPrinting_ = summaryPrinting_ = finishing_ = firstPageStart_ = false;
    reprinting_ = 0;
    columnReprinting_ = 0;
    FirstRowPending = false;
    SecondScriptCall = false;
}

// ---------------------------------------------------------------- run

bool TrpEngine::Run()
{
    TrpReport& report = *Report();
    TrpCustomPreviewPages& pp = *pages();
    // The end of a run happens whatever way the run ends; an exception then
    // goes on to the caller.
    auto finish = [&] {
        std::exception_ptr error;
        try {
            report.DataSets()->Finalize();
        } catch (...) {
            error = std::current_exception();
        }
        try {
            pp.Finish();
        } catch (...) {
            if (!error) error = std::current_exception();
        }
        Running = false;
        // Nothing of the run may point into the report afterwards: a
        // preparation reloads every object.
        resetRun();
        CurPage = nullptr;
        return error;
    };

    bool result = false;
    TrpReport::PreparingScope preparing(report);
    try {
        resetRun();
        pp.Initialize();
        StartDate = Date();
        StartTime = Now();
        Running = true;
        if (aggregates_) aggregates_->Clear();

        std::vector<TrpReportPage*> reportPages;
        for (TrpComponent* c : report.Objects())
            if (auto* page = dynamic_cast<TrpReportPage*>(c)) reportPages.push_back(page);

        const int errorsBefore = report.Errors.Count();
        for (TrpReportPage* page : reportPages) {
            CurPage = page;
            page->AlignChildren();
            buildBandTree(page, false);
            buildBandTree(page, true);
        }
        if (report.Errors.Count() == errorsBefore && checkDatasets()) {
            report.DataSets()->Initialize();
            callHandler(&report, report.OnStartReport);
            if (runDialogs()) {
                result = true;
                for (TrpReportPage* page : reportPages) {
                    CurPage = page;
                    pp.AddSourcePage(page);
                    collectAggregates(page);
                }
                FinalPass = !DoublePass();
                TotalPages = 0;
                pp.SavePosition();
                runPass();
                // A run stopped in its first pass keeps what that pass made.
                if (DoublePass() && !report.Terminated) {
                    TotalPages = pp.GetCount();
                    pp.CurPage = TotalPages - 1;
                    pp.RestorePosition();
                    if (aggregates_) aggregates_->ClearValues();
                    FinalPass = true;
                    runPass();
                }
            }
            callHandler(&report, report.OnStopReport);
        }
    } catch (...) {
        finish();
        throw;
    }
    if (std::exception_ptr error = finish()) std::rethrow_exception(error);
    return result;
}

bool TrpEngine::checkDatasets()
{
    TrpReport& report = *Report();
    TrpDataSet* reportSet = report.DataSet();
    const int before = report.Errors.Count();
    for (TrpComponent* c : report.Objects()) {
        auto* page = dynamic_cast<TrpReportPage*>(c);
        if (!page) continue;
        if (reportSet && reportSet == page->DataSet()) {
            report.Errors.Add("Cannot use the same dataset for Report.DataSet and Page.DataSet");
            break;
        }
        for (TrpBand* master : pageRun(page).horizontalMasters) {
            TrpDataSet* ds = run(master).dataSet;
            if (!ds) continue;
            if (reportSet && ds == reportSet) {
                report.Errors.Add("Cannot use the same dataset for Report.DataSet and Band.DataSet");
                break;
            }
            if (ds == page->DataSet()) {
                report.Errors.Add("Cannot use the same dataset for Page.DataSet and Band.DataSet");
                break;
            }
        }
    }
    return report.Errors.Count() == before;
}

bool TrpEngine::runDialogs()
{
    TrpReport& report = *Report();
    if (const std::string handler = Trim(report.OnRunDialogs); !handler.empty()) {
        // The script shows what it wants and says whether to go on.
        Variant params = VarArrayOf({Variant(true)});
        report.DoParamEvent(handler, params);
        return VarEquals(params.arrayGet(0), Variant(true));
    }
    const std::vector<TrpComponent*> children = report.Objects();
    for (TrpComponent* c : children) {
        auto* page = dynamic_cast<TrpDialogPage*>(c);
        if (!page || !page->Visible() || !page->HasControls()) continue;
        const int result = OnRunDialog ? OnRunDialog(page) : page->ShowModal();
        if (result == 2) return false;
    }
    return true;
}

void TrpEngine::runPass()
{
    FirstPageOfPass = true;
    TrpDataSet* ds = Report()->DataSet();
    if (!ds) {
        runPagesOnce();
        return;
    }
    TrpDataSet::Walk walk(*ds, Report()->Name());
    ds->First();
    while (!ds->Eof() && !Report()->Terminated) {
        runPagesOnce();
        ds->Next();
    }
}

void TrpEngine::runPagesOnce()
{
    const std::vector<TrpComponent*> children = Report()->Objects();
    for (TrpComponent* c : children) {
        auto* page = dynamic_cast<TrpReportPage*>(c);
        if (!page) continue;
        CurPage = page;
        if (!page->Subreport() && page->Visible()) runPage(page);
        if (Report()->Terminated) return;
        FirstPageOfPass = false;
    }
}

void TrpEngine::runPage(TrpReportPage* page)
{
    TrpReport& report = *Report();
    if (page->Subreport()) {
        runDataBands(pageRun(page).horizontalMasters);
        return;
    }
    FirstRowPending = true;
    callHandler(page, page->OnBeforePrint);
    if (TrpDataSet* ds = page->DataSet()) {
        TrpDataSet::Walk walk(*ds, page->Name());
        ds->First();
        while (!ds->Eof() && !report.Terminated) {
            runPageInstance(page);
            ds->Next();
        }
    } else {
        for (int i = 0; i < page->PageCount() && !report.Terminated; ++i) runPageInstance(page);
    }
    callHandler(page, page->OnAfterPrint);
}

bool TrpEngine::pageHasData(TrpReportPage* page)
{
    return Report()->EngineOptions()->PrintIfEmpty || listHasData(pageRun(page).horizontalMasters);
}

void TrpEngine::runPageInstance(TrpReportPage* page)
{
    TrpReport& report = *Report();
    if (!pageHasData(page)) return;
    pageStart(page);
    showPageObjects(page);
    if (report.OnManualBuild)
        report.OnManualBuild(page);
    else if (!Trim(page->OnManualBuild).empty())
        callHandler(page, Trim(page->OnManualBuild));
    else
        runDataBands(pageRun(page).horizontalMasters);
    finishing_ = true;
    if (page->EndlessHeight || page->EndlessWidth) resizeEndlessPage(CurY + FooterHeight());
    EndPage();
    finishing_ = false;
}

void TrpEngine::showPageObjects(TrpReportPage* page)
{
    // The views lying on the page itself, with their places among its
    // children, so that the page gets them back in the same order.
    std::vector<std::pair<TrpComponent*, int>> objects;
    const std::vector<TrpComponent*>& children = page->Objects();
    for (size_t i = 0; i < children.size(); ++i)
        if (dynamic_cast<TrpView*>(children[i])) objects.emplace_back(children[i], static_cast<int>(i));
    if (objects.empty()) return;

    auto* band = new TrpNullBand(page);
    band->SetBounds(0, 0, PageWidth, GetPageHeight());
    for (auto& [object, index] : objects) object->SetParent(band);
    ScopeExit giveBack([&] {
        for (auto& [object, index] : objects) {
            object->SetParent(page);
            page->SetChildIndex(object, index);
        }
        delete band;
    });
    // They print at their designed place: the band stands at the top of
    // the printable area, whatever headers were printed before.
    TemporaryValue<Extended> y(CurY, 0);
    band->AlignChildren();
    ShowBand(band);
}

// ---------------------------------------------------------------- pages

void TrpEngine::pageStart(TrpReportPage* page)
{
    TrpCustomPreviewPages& pp = *pages();
    TrpBand* title = pageBand(page, bkReportTitle);
    TrpBand* header = pageBand(page, bkPageHeader);
    HeaderList.Clear();
    if (!page->TitleBeforeHeader) std::swap(title, header);
    for (TrpBand* band : {title, header})
        if (band) HeaderList.AddItem(band, 0, false);
    if (!page->TitleBeforeHeader) std::swap(title, header);
    pageHeight_ = (page->PaperHeight() - page->TopMargin - page->BottomMargin) * rp01cm;
    PageWidth = (page->PaperWidth() - page->LeftMargin - page->RightMargin) * rp01cm;
    CurX = 0;
    CurY = 0;
    CurColumn = 1;
    savedColumnX_ = 0;
    firstPageStart_ = true;
    if (TrpCustomOutline* outline = pp.Outline()) outline->LevelRoot();
    if (page->ResetPageNumbers) pp.EndLogicalPageGroup();
    if (pp.GetCount() == 0 || !page->PrintOnPreviousPage) {
        startPreparedPage();
    } else {
        pp.CurPage = pp.GetCount() - 1;
        CurY = pp.BottomOfBands(0);
        // The footers the lists before printed at the page's foot stay
        // there; this list's footers stand above them, so that its rows
        // on the page count in its page totals.
        sharedReserve_ += FooterReserve;
        FooterReserve = 0;
        HeaderList.RemoveItem(title);
        {
            TemporaryValue<bool> spanning(spanning_, true);
            ShowBand(title);
        }
        columnStartOnce_ = pageStartOnce_ = true;
    }
    if (FirstPageOfPass) pp.FirstPageOffset = pp.CurPage;
    if (TrpBand* title = std::exchange(titleSubreports_, nullptr)) {
        // They span the page's columns like the title.
        TemporaryValue<bool> spanning(spanning_, true);
        runSubreports(title, CurY);
        // Printed once: the next column or page starts without them.
        columnStartOnce_ = pageStartOnce_ = true;
    }
    DataTop = CurY;
    TrpBand* columnHeader = pageBand(page, bkColumnHeader);
    ShowBand(columnHeader);
    if (columnHeader) {
        HeaderList.AddItem(columnHeader, 0, false);
        if (columnHeader->Visible()) columnBands_.push_back(columnHeader);
    }
    columnTop_ = CurY;
    HeaderList.RemoveItem(title);
    addPageOutline();
}

void TrpEngine::addPageOutline()
{
    TrpCustomOutline* outline = pages()->Outline();
    if (!CurPage || CurPage->OutlineText.empty() || !outline) return;
    outline->LevelRoot();
    Report()->CurObject = CurPage->Name();
    outline->AddItem(VarToStr(Report()->Calc(CurPage->OutlineText)), 0);
}

bool TrpEngine::startPreparedPage()
{
    TrpCustomPreviewPages& pp = *pages();
    FooterReserve = 0;
    sharedReserve_ = 0;
    const int count = pp.GetCount();
    pp.AddPage(CurPage);
    // A page printed before (side-by-side subreports go back to it) keeps
    // what it holds; only the bands it does not hold yet are added.
    const bool added = pp.GetCount() > count;
    CurY = 0;
    if (TrpBand* overlay = pageRun(CurPage).overlayBelow; overlay && added) {
        ShowBand(overlay);
        CurY = 0;
    }
    columnBands_.clear();
    columnStartOnce_ = pageStartOnce_ = false;
    DataTop = 0;
    showHeaderList();
    columnTop_ = CurY;
    return added;
}

void TrpEngine::showHeaderList()
{
    TemporaryValue<Extended> x(CurX, CurX);
    ScopedCount reprinting(reprinting_);
    // A copy: the report title leaves the list as it is shown.
    std::vector<TrpHeaderListItem> items;
    for (int i = 0; i < HeaderList.Count(); ++i) items.push_back(HeaderList.Items(i));
    bool afterTitle = false;
    for (const TrpHeaderListItem& item : items) {
        TrpBand* band = item.Band;
        if (band == askedBreak_) continue;
        // Under a title that leaves them no room the page's top bands
        // start the next page.
        if (afterTitle && band->Visible() && !fits(FreeSpace(), band->Height())) {
            NewPage();
            return;
        }
        if (auto* header = dynamic_cast<TrpPageHeader*>(band); header && firstPageStart_ && !header->PrintOnFirstPage) {
            if (header->PrintChildIfInvisible && header->Child()) {
                CurX = item.Left;
                showReprinted(header->Child());
            }
            continue;
        }
        const bool dataHeader = dynamic_cast<TrpHeader*>(band) != nullptr;
        if (cellPageBreak_ && (dataHeader || dynamic_cast<TrpGroupHeader*>(band))) continue;
        if (!footerPrinting_ && (item.IsInKeepBlock || (dataHeader && headerKeep_))) continue;
        if (dataHeader && band == causedBreak_) continue;
        CurX = item.Left;
        if (dynamic_cast<TrpReportTitle*>(band)) {
            if (showTitle(band)) return;
            afterTitle = true;
            continue;
        }
        showReprinted(band);
        if (band->Visible()) columnBands_.push_back(band);
        // Columns start under the page header and its children.
        if (dynamic_cast<TrpPageHeader*>(band)) DataTop = CurY;
    }
}

// The report title prints once, on the first page, and like any band it
// moves on or splits when it does not fit. True when it went on to further
// pages, whose starts showed the bands after it.
bool TrpEngine::showTitle(TrpBand* title)
{
    HeaderList.RemoveItem(title);
    const int count = pages()->GetCount();
    bool wentOn = false;
    {
        TemporaryValue<int> fitTested(reprinting_, 0);
        TemporaryValue<bool> spanning(spanning_, true);
        {
            TemporaryValue<bool> later(titleSubreportsLater_, true);
            showReprinted(title);
        }
        // The page the title ends on has shown its top bands above its rest.
        wentOn = pages()->GetCount() != count;
        if (wentOn)
            if (TrpBand* band = std::exchange(titleSubreports_, nullptr)) runSubreports(band);
    }
    columnStartOnce_ = pageStartOnce_ = true;
    FirstRowPending = false;
    return wentOn;
}

// A band shown again counts its own lines; the band whose row broke the
// page gets its own back afterwards.
void TrpEngine::showReprinted(TrpBand* band)
{
    TemporaryValue<int> line(CurLine, CurLine), lineThrough(CurLineThrough, CurLineThrough);
    for (TrpBand* b = band; b;) {
        BandRun& r = run(b);
        CurLine = r.line;
        CurLineThrough = r.lineThrough;
        {
            TemporaryValue<bool> reprinted(r.isReprinted, true);
            showBandItself(b);
        }
        b = b->Visible() || b->PrintChildIfInvisible ? b->Child() : nullptr;
    }
}

void TrpEngine::resizeEndlessPage(Extended contentHeight)
{
    TrpReportPage* page = CurPage;
    Extended width = page->PaperWidth() * rp01cm;
    Extended height = page->PaperHeight() * rp01cm;
    if (page->EndlessWidth) width = page->LeftMargin * rp01cm + PageWidth + page->RightMargin * rp01cm;
    if (page->EndlessHeight) {
        pageHeight_ = contentHeight;
        height = page->TopMargin * rp01cm + contentHeight + page->BottomMargin * rp01cm;
    }
    pages()->SetPageSize(pages()->CurPage, width, height);
}

void TrpEngine::NewPage()
{
    // Inline subreports print into their band, which never breaks.
    if (!CurPage || inline_) return;
    // The bands a break shows (footers, headers again) leave the band that
    // broke the page current: its next part may break again.
    TemporaryValue<TrpBand*> current(currentBand_, currentBand_);
    const bool kept = keepOpen_;
    keepBeforeBreak();
    const bool endless = CurPage->EndlessHeight || CurPage->EndlessWidth;
    // The rows of a set of columns broken by another band stay on this page.
    if (!rowSetMoving_) releaseRowSet(rowSetBand_);
    causedBreak_ = currentBand_;
    // The size an endless page ends with is its content before the footers
    // are added at its end.
    const Extended contentBottom = CurY + FooterHeight();
    EndPage();
    if (endless) resizeEndlessPage(contentBottom);
    // A summary going on to a further page goes on in its first column.
    if (finishing_) {
        CurX = savedColumnX_;
        CurColumn = 1;
    }
    // The pages holding the vertical cells of these rows stay theirs.
    TrpCustomPreviewPages& pp = *pages();
    if (cellPagesEnd_ > pp.CurPage) pp.CurPage = cellPagesEnd_;
    cellPagesEnd_ = -1;
    const bool added = startPreparedPage();
    if (kept) keepAfterBreak();
    closeKeep();
    headerKeep_ = false;
    if (added) addPageOutline();
    causedBreak_ = nullptr;
}

void TrpEngine::NewColumn()
{
    if (!CurPage || inline_) return;
    if (CurColumn >= CurPage->Columns() || spanning_ || !pageColumnGivesRoom()) {
        NewPage();
        return;
    }
    TemporaryValue<TrpBand*> current(currentBand_, currentBand_);
    const bool kept = keepOpen_;
    keepBeforeBreak();
    causedBreak_ = currentBand_;
    showColumnFooter();
    ++CurColumn;
    const Extended x = columnLeft(CurColumn);
    CurY = DataTop;
    // The page's headers stand above every column.
    std::erase_if(columnBands_, [](const TrpBand* b) { return !dynamic_cast<const TrpPageHeader*>(b); });
    // The page holds these bands already, in the first column: they are
    // added again all the same.
    {
        ScopedCount reprinting(reprinting_), columnReprinting(columnReprinting_);
        for (int i = 0; i < HeaderList.Count(); ++i) {
            const TrpHeaderListItem item = HeaderList.Items(i);
            if (dynamic_cast<TrpPageHeader*>(item.Band) || item.Band == causedBreak_ || item.IsInKeepBlock ||
                headerKeep_)
                continue;
            CurX = x + item.Left;
            showReprinted(item.Band);
            if (item.Band->Visible()) columnBands_.push_back(item.Band);
        }
    }
    columnTop_ = CurY;
    columnStartOnce_ = false;
    CurX = x + savedColumnX_;
    if (kept) keepAfterBreak();
    closeKeep();
    headerKeep_ = false;
    causedBreak_ = nullptr;
}

// The first column stands at the page's left: a page starts there.
Extended TrpEngine::columnX(int column)
{
    return column > 1 ? columnLeft(column) : 0;
}

Extended TrpEngine::columnRight(int column)
{
    return column < CurPage->Columns() ? columnLeft(column + 1) : PageWidth;
}

// A column without a place of its own stands a column width right of the
// one before, so that no column prints over the one before it.
Extended TrpEngine::columnLeft(int column)
{
    const TStringList* positions = CurPage->ColumnPositions();
    const int given = std::min(column, positions->Count());
    const Extended from = given > 0 ? StrToFloatAnySep(positions->Strings(given - 1)) : 0;
    return (from + std::max(0, column - std::max(given, 1)) * CurPage->ColumnWidth) * rp01cm;
}

void TrpEngine::EndPage()
{
    if (!CurPage) return;
    if (!summaryPrinting_) showColumnFooter();
    if (!finishing_) {
        CurX = savedColumnX_;
        CurColumn = 1;
    }
    if (finishing_ && !summaryPrinting_) {
        if (TrpBand* summary = pageBand(CurPage, bkReportSummary)) {
            {
                TemporaryValue<bool> printing(summaryPrinting_, true);
                // Wider than the column the rows end in, it stands under
                // the lowest of the columns and goes on to further pages
                // at the page's left.
                const bool spans = CurPage->Columns() > 1 && summary->Visible() &&
                                   CurX + summary->Width() > columnRight(CurColumn) + rp_engine::kFitTolerance;
                TemporaryValue<bool> spanning(spanning_, spans);
                if (spans) {
                    CurY = std::max(CurY, pages()->BottomOfBands(0));
                    CurX = savedColumnX_;
                }
                ShowBand(summary);
            }
            if (CurPage->EndlessHeight) resizeEndlessPage(CurY + FooterHeight());
        }
    }
    if (auto* footer = static_cast<TrpPageFooter*>(pageBand(CurPage, bkPageFooter))) {
        CurY = GetPageHeight() - sharedReserve_ - footer->Height();
        FooterReserve = finishing_ && footer->PrintOnLastPage && !summaryPrinting_ ? footer->Height() : 0;
        showFixedBand(footer);
    }
    if (TrpBand* overlay = pageRun(CurPage).overlayOnTop) {
        CurY = 0;
        showFixedBand(overlay);
    }
    firstPageStart_ = false;
}

void TrpEngine::showColumnFooter()
{
    TrpBand* footer = pageBand(CurPage, bkColumnFooter);
    if (!footer) return;
    TrpCustomPreviewPages& pp = *pages();
    prepareBand(footer);
    // A page printed before (side-by-side subreports go back to it) has
    // its column footer.
    if (footer->Visible() && (pp.CurPage == pp.GetCount() - 1 || !pp.BandExists(footer))) {
        footer->SetLeft(CurX - savedColumnX_);
        footer->SetTop(CurY);
        pp.AddObject(footer);
        CurY += footer->Height();
    }
    finishBand(footer);
    resetAggregates(footer);
}

// Totals of page and column footers start again with each footer.
void TrpEngine::showFixedBand(TrpBand* band, bool reset)
{
    prepareBand(band);
    if (band->Visible()) {
        band->SetLeft(0);
        band->SetTop(CurY);
        TrpCustomPreviewPages& pp = *pages();
        bool skip = false;
        auto* footer = dynamic_cast<TrpPageFooter*>(band);
        if (footer)
            skip = (firstPageStart_ && !footer->PrintOnFirstPage) ||
                   (finishing_ && !summaryPrinting_ && !footer->PrintOnLastPage);
        if (footer && sharedReserve_ > 0) {
            const std::pair<int, const TrpBand*> placed{pp.CurPage, band};
            if (!skip && std::find(sharedFooters_.begin(), sharedFooters_.end(), placed) == sharedFooters_.end()) {
                sharedFooters_.push_back(placed);
                pp.AddObject(band);
            }
        } else if (!skip && !pp.BandExists(band)) {
            pp.AddObject(band);
        }
        CurY += band->Height();
    }
    finishBand(band);
    if (reset) resetAggregates(band);
}

void TrpEngine::resetAggregates(TrpBand* band)
{
    if (aggregates_)
        for (TrpBand* b = band; b; b = b->Child()) aggregates_->Reset(b);
}

// ---------------------------------------------------------------- keep blocks

bool TrpEngine::StartKeep(TrpBand* band, int position)
{
    // Cells and inline subreports print into their band: nothing of them
    // moves alone.
    if (keepOpen_ || FirstRowPending || cellHost_ || inline_) return false;
    TrpCustomPreviewPages& pp = *pages();
    keepOpen_ = true;
    keepBand_ = band;
    keepStartY_ = CurY;
    keepOffsetX_ = CurX - columnX(CurColumn);
    keepPosition_ = position >= 0 ? position : pp.CurrentObjectCount();
    keepOutline_ = pp.Outline() ? pp.Outline()->GetPosition() : TrpCustomOutline::Position();
    keepAnchor_ = pp.LastAnchorIndex();
    if (aggregates_) aggregates_->StartKeep();
    return true;
}

void TrpEngine::EndKeep(TrpBand* band)
{
    if (!keepOpen_ || band != keepBand_) return;
    closeKeep();
    if (aggregates_) aggregates_->EndKeep();
    headerKeep_ = false;
}

void TrpEngine::closeKeep()
{
    HeaderList.ClearKeepMarks();
    keepOpen_ = false;
    keepBand_ = nullptr;
    keepStartY_ = 0;
    keepOffsetX_ = 0;
    keepPosition_ = 0;
    keepOutline_ = {};
    keepAnchor_ = -1;
    keepRows_ = 0;
}

void TrpEngine::holdRowSet(TrpBand* band)
{
    // Cells and inline subreports never break.
    if (rowSetBand_ || cellHost_ || inline_ || !aggregates_) return;
    rowSetBand_ = band;
    aggregates_->HoldRowSet();
}

void TrpEngine::releaseRowSet(TrpBand* band)
{
    if (!band || band != rowSetBand_) return;
    rowSetBand_ = nullptr;
    if (aggregates_) aggregates_->ReleaseRowSet();
}

void TrpEngine::BreakAllKeep()
{
    const bool open = keepOpen_;
    closeKeep();
    headerKeep_ = false;
    if (open && aggregates_) aggregates_->EndKeep();
}

bool TrpEngine::keepTooTall(Extended extra)
{
    // What the next column holds under the headers it starts with.
    return CurY - keepStartY_ + extra > GetPageHeight() - FooterHeight() - nextColumnTop() + rp_engine::kFitTolerance;
}

void TrpEngine::keepBeforeBreak()
{
    if (!keepOpen_) return;
    // A block taller than an empty page is given up and breaks where it is.
    if (keepTooTall(currentBand_ ? currentBand_->Height() : 0)) {
        EndKeep(keepBand_);
        return;
    }
    TrpCustomPreviewPages& pp = *pages();
    if (footerPrinting_ && aggregates_) aggregates_->CancelKeep(keepBand_);
    pp.CutObjects(keepPosition_);
    CurY = pp.BottomOfBands(0);
}

// A band taller than an empty page can never be held in a block. The block
// is given up where it stands, unless it holds only the headers of that
// band and nothing of the band fits under them: they go on with it rather
// than stand alone at the foot of this column. A band that starts a new
// column first by its own rule (it may not split) leaves them where they
// stand.
bool TrpEngine::keepBeforeTallBand(TrpBand* band, bool movesFirst)
{
    if (!keepOpen_) return false;
    constexpr Extended tolerance = rp_engine::kFitTolerance;
    const bool headersOnly = keepRows_ == 0 && CurY > keepStartY_ + tolerance &&
                             keepStartY_ > columnTop_ + tolerance && !keepTooTall(0);
    const bool moved = headersOnly && !movesFirst && !firstPartHolds(band);
    if (moved) {
        TemporaryValue<TrpBand*> blockAlone(currentBand_, nullptr);
        NewColumn();
    }
    EndKeep(keepBand_);
    return moved;
}

void TrpEngine::keepAfterBreak()
{
    if (!keepOpen_) return;
    TrpCustomPreviewPages& pp = *pages();
    pp.PasteObjects(columnX(CurColumn) + keepOffsetX_, CurY);
    // Entries and anchors go where their objects went: the next page, or
    // the same one when the block moved to the next column.
    const int top = static_cast<int>(Round(CurY));
    if (pp.Outline()) pp.Outline()->ShiftItemsAfter(keepOutline_, top, pp.CurPage);
    pp.ShiftAnchorsTo(keepAnchor_, top, pp.CurPage);
    CurY = pp.BottomOfBands(CurX);
    if (!aggregates_) return;
    if (footerPrinting_) aggregates_->AddValue(keepBand_, 0);
    // The rows held apart are on this page now.
    aggregates_->EndKeep();
}

// ---------------------------------------------------------------- geometry

Extended TrpEngine::GetPageHeight()
{
    if (CurPage && CurPage->EndlessHeight) return FooterHeight() + CurY;
    return pageHeight_;
}

Extended TrpEngine::HeaderHeight()
{
    Extended height = 0;
    for (TrpBandKind kind : {bkColumnHeader, bkPageHeader})
        for (TrpBand* b = pageBand(CurPage, kind); b; b = b->Child()) height += b->Height();
    return height;
}

Extended TrpEngine::FooterHeight()
{
    Extended height = 0;
    for (TrpBandKind kind : {bkColumnFooter, bkPageFooter})
        if (TrpBand* b = pageBand(CurPage, kind)) height += b->Height();
    return height;
}

bool TrpEngine::columnIsEmpty() const
{
    return CurY <= columnTop_ + rp_engine::kFitTolerance;
}

bool TrpEngine::nextColumnGivesRoom()
{
    return columnStartOnce_ || CurY > nextColumnTop() + rp_engine::kFitTolerance;
}

// The next column starts with the bands of the header list: those shown
// at this column's start that stay in it, and those registered since.
Extended TrpEngine::nextColumnTop()
{
    // A new page starts without the bands this one printed once.
    if (pageStartOnce_ && (CurColumn >= CurPage->Columns() || spanning_ || !pageColumnGivesRoom())) return newPageTop();
    return pageColumnTop();
}

// Under bands printed once at the page's start every column of the page
// starts as low as this one did: one that would hold no more than this
// one gives way to the next page.
bool TrpEngine::pageColumnGivesRoom()
{
    return !pageStartOnce_ || CurY > pageColumnTop() + rp_engine::kFitTolerance;
}

Extended TrpEngine::pageColumnTop()
{
    const auto shownAtStart = [&](const TrpBand* band) {
        return std::find(columnBands_.begin(), columnBands_.end(), band) != columnBands_.end();
    };
    const auto listed = [&](const TrpBand* band) {
        for (int i = 0; i < HeaderList.Count(); ++i)
            if (HeaderList.Items(i).Band == band) return true;
        return false;
    };
    Extended nextTop = columnTop_;
    for (TrpBand* band : columnBands_)
        if (!listed(band)) nextTop -= run(band).printedHeight;
    for (int i = 0; i < HeaderList.Count(); ++i) {
        TrpBand* band = HeaderList.Items(i).Band;
        // A band of an open keep block goes on with the block.
        if (HeaderList.Items(i).IsInKeepBlock && !footerPrinting_) continue;
        if (band && band->Visible() && !shownAtStart(band) && !dynamic_cast<TrpReportTitle*>(band))
            nextTop += run(band).printedHeight;
    }
    return nextTop;
}

// The bands of the header list a new page shows, each with its children.
Extended TrpEngine::newPageTop()
{
    Extended top = 0;
    for (int i = 0; i < HeaderList.Count(); ++i) {
        TrpBand* band = HeaderList.Items(i).Band;
        if (!band || dynamic_cast<TrpReportTitle*>(band) || (HeaderList.Items(i).IsInKeepBlock && !footerPrinting_))
            continue;
        for (TrpBand* b = band; b; b = b->Visible() || b->PrintChildIfInvisible ? b->Child() : nullptr)
            if (b->Visible()) top += run(b).printedHeight;
    }
    return top;
}

void TrpEngine::checkRoom(TrpBand* band)
{
    if (!CurPage || CurPage->EndlessHeight || !columnIsEmpty() || FreeSpace() > rp_engine::kFitTolerance ||
        nextColumnGivesRoom())
        return;
    // Nothing could ever print here: every page would hold these bands
    // and no row.
    roomError(band, "no room is left for it on the page");
}

void TrpEngine::roomError(TrpBand* band, const std::string& what)
{
    std::string under, above;
    for (const TrpBand* b : columnBands_)
        if (b->Height() > 0) under += (under.empty() ? "" : ", ") + b->Name();
    for (TrpBandKind kind : {bkColumnFooter, bkPageFooter})
        if (const TrpBand* b = pageBand(CurPage, kind); b && b->Height() > 0)
            above += (above.empty() ? "" : ", ") + b->Name();
    std::string message = band->Name() + ": " + what;
    if (!under.empty()) message += " under " + under;
    if (!above.empty()) message += std::string(under.empty() ? "" : " and") + " above " + above;
    throw EInvalidOperation(message);
}

Extended TrpEngine::FreeSpace()
{
    if (CurPage && CurPage->EndlessHeight) return 1000000;
    return pageHeight_ - sharedReserve_ - (FooterReserve != 0 ? FooterReserve : FooterHeight()) - CurY;
}

void TrpEngine::ShowBandByType(const TClass* bandClass)
{
    if (!CurPage || !bandClass) return;
    for (TrpComponent* c : CurPage->Objects()) {
        if (!c->ClassType()->InheritsFrom(bandClass)) continue;
        if (auto* band = dynamic_cast<TrpBand*>(c)) {
            ShowBand(band);
            return;
        }
    }
}

// ---------------------------------------------------------------- aggregates

// The calls of a page: in the footers of its data bands and of their
// groups, in its vertical bands, and, over the rows of its first master,
// in its page footer, column footer and summary.
void TrpEngine::collectAggregates(TrpReportPage* page)
{
    if (!aggregates_) return;
    PageRun& pr = pageRun(page);
    for (TrpBand* master : pr.horizontalMasters) collectBandAggregates(master);
    for (TrpBand* master : pr.verticalMasters) collectBandAggregates(master);
    if (pr.horizontalMasters.empty()) return;
    TrpBand* first = pr.horizontalMasters.front();
    for (TrpBandKind kind : {bkPageFooter, bkColumnFooter, bkReportSummary})
        aggregates_->AddAggregates(pr.kinds[kind], first);
}

void TrpEngine::collectBandAggregates(TrpBand* band)
{
    BandRun& r = run(band);
    aggregates_->AddAggregates(r.footer, band);
    if (r.group)
        for (TrpBand* header : run(r.group).subBands) aggregates_->AddAggregates(run(header).footer, band);
    if (band->Vertical) aggregates_->AddAggregates(band, band);
    for (TrpBand* detail : r.subBands) collectBandAggregates(detail);
}

Variant TrpEngine::GetAggregateValue(const std::string& name, const std::string& expression, const Variant& band,
                                     int32_t flags)
{
    if (!aggregates_) return Variant::Null();
    return aggregates_->GetValue(currentBand_, cellHost_, CurVColumn, flags, band, Trim(expression), name);
}

void TrpEngine::Publish(TClassBuilder<TrpEngine>&) {}
