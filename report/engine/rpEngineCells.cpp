// Subreports (after their band, side by side, or inside it) and vertical
// bands, whose rows print as cells of each horizontal band they cross and
// continue on further pages to the right.
#include <algorithm>

#include "ScopeExit.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpEngine.h"
#include "rpEngineRun.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpShapes.h"

using rp_engine::fits;
using rp_engine::isDataBand;

namespace {

constexpr Extended kInside = 0.0001L;

}  // namespace

TrpReportComponent* TrpEngine::copyObject(TrpReportComponent* object, TrpBand* parent, Extended left, Extended top)
{
    std::unique_ptr<TObject> made(object->ClassType()->Create(nullptr));
    auto* copy = dynamic_cast<TrpReportComponent*>(made.get());
    if (!copy) return nullptr;
    // Named like the object, outside the report, so that no name clashes.
    copy->Assign(object);
    made.release();
    copy->SetLeft(left);
    copy->SetTop(top);
    if (parent) copy->SetParent(parent);
    pages()->LinkCopy(copy, object);
    return copy;
}

// ---------------------------------------------------------------- vertical bands

TrpBand* TrpEngine::RowBand(const TrpComponent* object) const
{
    auto it = rowBands_.find(object);
    return it == rowBands_.end() ? nullptr : it->second;
}

// The objects of a horizontal band that lie within a vertical band's
// width become that band's, remembering their row. Page headers keep
// theirs: they never print cells.
void TrpEngine::moveVerticalObjects(TrpReportPage* page)
{
    std::vector<TrpBand*> verticals;
    for (TrpComponent* c : page->Objects())
        if (auto* band = dynamic_cast<TrpBand*>(c); band && band->Vertical) verticals.push_back(band);
    if (verticals.empty()) return;
    const std::vector<TrpComponent*> bands = page->Objects();
    for (TrpComponent* c : bands) {
        auto* band = dynamic_cast<TrpBand*>(c);
        if (!band || band->Vertical || dynamic_cast<TrpOverlay*>(band) || dynamic_cast<TrpPageHeader*>(band)) continue;
        const std::vector<TrpComponent*> objects = band->Objects();
        for (size_t i = 0; i < objects.size(); ++i) {
            auto* object = dynamic_cast<TrpReportComponent*>(objects[i]);
            if (!object) continue;
            const Extended left = band->Left() + object->Left(), right = left + object->Width();
            for (TrpBand* v : verticals) {
                if (left < v->Left() - kInside || right > v->Left() + v->Width() + kInside) continue;
                moved_.push_back({object, object->Handle(), band, band->Handle(), static_cast<int>(i), object->Left()});
                object->SetParent(v);
                object->SetLeft(left - v->Left());
                rowBands_[object] = band;
                run(band).hasVerticalObjects = true;
                break;
            }
        }
    }
}

// After a run every moved object is back in its band, as it was (in the
// order they left, each to its old place among the others).
void TrpEngine::restoreVerticalObjects()
{
    for (auto it = moved_.begin(); it != moved_.end(); ++it) {
        if (FindObjectByHandle(it->handle) != it->object || FindObjectByHandle(it->bandHandle) != it->band) continue;
        it->object->SetParent(it->band);
        it->band->SetChildIndex(it->object, it->index);
        it->object->SetLeft(it->left);
    }
    moved_.clear();
    rowBands_.clear();
}

void TrpEngine::runVerticalBands(TrpBand* host)
{
    BandRun& h = run(host);
    freeExtraObjects(host);
    h.extraFrom = h.cellsFrom = static_cast<int>(host->Objects().size());
    h.cellBounds.assign(1, 0);
    h.savedAllowSplit = host->AllowSplit;
    host->AllowSplit = false;
    VHeaderList.Clear();
    CurVColumn = 0;
    auto* page = dynamic_cast<TrpReportPage*>(host->GetPage());
    if (!page) return;
    {
        // Cells stand from the band's left edge.
        TemporaryValue<Extended> x(CurX, 0);
        TemporaryValue<TrpBand*> outer(cellHost_, host);
        runDataBands(pageRun(page).verticalMasters);
    }
    h.cellBounds.push_back(static_cast<int>(host->Objects().size()) - h.cellsFrom);
}

void TrpEngine::showVerticalBand(TrpBand* band)
{
    // A vertical band prints only as the cells of a horizontal one.
    TrpBand* host = cellHost_;
    if (!host) return;
    TrpReport& report = *Report();
    if (isDataBand(band)) ++CurVColumn;
    currentBand_ = band;
    report.CurObject = band->Name();
    band->BeforePrint();
    report.DoBeforePrint(band);
    if (band->Visible()) {
        BandRun& h = run(host);
        const int cells = static_cast<int>(host->Objects().size()) - h.cellsFrom;
        // Past the page's width the cells go on on the next page, under
        // the vertical headers again; an endless-width page widens instead.
        // A part holding nothing yet takes the band whatever its width.
        if (!fits(PageWidth - CurX, band->Width())) {
            if (CurPage && CurPage->EndlessWidth) {
                PageWidth += band->Width();
            } else if (cells > h.cellBounds.back()) {
                h.cellBounds.push_back(cells);
                CurX = 0;
                std::vector<TrpBand*> headers;
                for (int i = 0; i < VHeaderList.Count(); ++i)
                    if (VHeaderList.Items(i).Band != band) headers.push_back(VHeaderList.Items(i).Band);
                // Their cells belong to the row: they count its lines, as
                // they did where the row began.
                const BandRun& row = run(host);
                TemporaryValue<int> line(CurLine, row.line), through(CurLineThrough, row.lineThrough);
                for (TrpBand* header : headers) {
                    TemporaryValue<bool> reprinted(run(header).isReprinted, true);
                    showBandItself(header);
                }
                currentBand_ = band;
            }
        }
        addCells(band, host);
        CurX += band->Width();
    }
    if (band->Visible())
        for (TrpComponent* c : band->Objects())
            if (auto* object = dynamic_cast<TrpReportComponent*>(c); object && RowBand(object) == host)
                report.DoAfterPrint(object);
    report.DoAfterPrint(band);
    band->AfterPrint();
    if (aggregates_) aggregates_->Reset(band);
}

// The objects of the vertical band drawn on the host's row, computed and
// copied into the host at the current column.
void TrpEngine::addCells(TrpBand* band, TrpBand* host)
{
    TrpReport& report = *Report();
    const std::vector<TrpComponent*> objects = band->Objects();
    for (TrpComponent* c : objects) {
        auto* object = dynamic_cast<TrpReportComponent*>(c);
        if (!object || RowBand(object) != host) continue;
        report.CurObject = object->Name();
        object->BeforePrint();
        ScopeExit afterPrint([object] { object->AfterPrint(); });
        if (!object->Visible()) continue;
        report.DoBeforePrint(object);
        object->GetData();
        if (auto* view = dynamic_cast<TrpView*>(object)) callHandler(object, view->OnAfterData);
        copyObject(object, host, CurX + object->Left(), object->Top());
    }
}

// The band goes to the pages part by part: its own objects and the first
// cells here, each further part of cells at the same height of the page
// after. The band comes back to this page.
void TrpEngine::outputCells(TrpBand* band)
{
    BandRun& r = run(band);
    TrpCustomPreviewPages& pp = *pages();
    const int startPage = pp.CurPage;
    const Extended x = CurX, y = CurY, dataTop = DataTop, reserve = FooterReserve, shared = sharedReserve_;
    const std::vector<TrpComponent*> objects = band->Objects();
    std::vector<bool> visible(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) visible[i] = objects[i]->Visible();
    const std::vector<int> bounds = r.cellBounds;
    const int cellsEnd = r.cellsFrom + bounds.back();
    int page = startPage;
    {
        ScopeExit restore([&] {
            for (size_t i = 0; i < objects.size(); ++i) objects[i]->SetVisible(visible[i]);
            pp.CurPage = startPage;
            CurX = x;
            CurY = y;
            DataTop = dataTop;
            FooterReserve = reserve;
            sharedReserve_ = shared;
        });
        for (size_t k = 0; k + 1 < bounds.size(); ++k) {
            if (k > 0 && bounds[k] == bounds[k + 1]) continue;
            for (size_t i = 0; i < objects.size(); ++i) {
                const int index = static_cast<int>(i);
                const bool cell = index >= r.cellsFrom && index < cellsEnd;
                const int at = index - r.cellsFrom;
                const bool inPart = cell ? at >= bounds[k] && at < bounds[k + 1] : k == 0;
                objects[i]->SetVisible(visible[i] && inPart);
            }
            if (k > 0) moveToCellPage(++page);
            band->SetLeft(x);
            band->SetTop(y);
            pp.AddObject(band);
            if (k > 0) endCellPage(y);
        }
    }
    cellPagesEnd_ = std::max(cellPagesEnd_, page);
}

void TrpEngine::moveToCellPage(int index)
{
    TrpCustomPreviewPages& pp = *pages();
    if (index < pp.GetCount()) {
        pp.CurPage = index;
        return;
    }
    pp.CurPage = pp.GetCount() - 1;
    TemporaryValue<bool> cellPage(cellPageBreak_, true);
    startPreparedPage();
}

// A page of cells gets its page footer and overlay once; the totals they
// show are not started again (the rows' own page still counts them).
void TrpEngine::endCellPage(Extended y)
{
    if (auto* footer = pageBand(CurPage, bkPageFooter)) {
        CurY = GetPageHeight() - footer->Height();
        showFixedBand(footer, false);
    }
    if (TrpBand* overlay = pageRun(CurPage).overlayOnTop) {
        CurY = 0;
        showFixedBand(overlay, false);
    }
    CurY = y;
}

// ---------------------------------------------------------------- subreports

// The page of a subreport runs unless it is already running further out
// (pages that print each other would never end): that one is an error.
bool TrpEngine::enterSubreport(TrpSubreport* subreport)
{
    TrpReportPage* page = subreport->Page();
    if (std::find(subreportPages_.begin(), subreportPages_.end(), page) == subreportPages_.end()) {
        subreportPages_.push_back(page);
        return true;
    }
    Report()->Errors.Add(subreport->Name() + ": the subreport prints a page that is printing it");
    return false;
}

void TrpEngine::runSubreportPage(TrpSubreport* subreport)
{
    if (!enterSubreport(subreport)) return;
    ScopeExit leave([this] { subreportPages_.pop_back(); });
    runDataBands(pageRun(subreport->Page()).horizontalMasters);
}

// Each subreport starts where the band started, at its own place in it;
// printing goes on after the one that ended furthest on (latest page, then
// latest column, then lowest), never above the band's bottom.
void TrpEngine::runSubreports(TrpBand* band, Extended top)
{
    std::vector<TrpSubreport*> subreports;
    for (TrpComponent* c : band->Objects())
        if (auto* s = ObjectAs<TrpSubreport>(c); s && s->Visible() && !s->PrintOnParent && s->Page())
            subreports.push_back(s);
    if (subreports.empty()) return;
    TrpCustomPreviewPages& pp = *pages();
    struct Place {
        int page, column;
        Extended y;
        bool after(const Place& o) const
        {
            if (page != o.page) return page > o.page;
            if (column != o.column) return column > o.column;
            return y > o.y;
        }
    };
    const Place start{pp.CurPage, CurColumn, CurY};
    const Extended x = CurX, columnX = savedColumnX_;
    Extended bandTop = CurY - run(band).printedHeight;
    if (top >= 0) {
        // The first of them starts there.
        Extended first = subreports.front()->Top();
        for (const TrpSubreport* s : subreports) first = std::min(first, s->Top());
        bandTop = top - first;
    }
    Place end = start;
    {
        TemporaryValue<Extended> columnXKept(savedColumnX_, columnX);
        for (TrpSubreport* s : subreports) {
            pp.CurPage = start.page;
            CurColumn = start.column;
            savedColumnX_ = columnX + s->Left();
            CurX = x + s->Left();
            CurY = bandTop + s->Top();
            runSubreportPage(s);
            const Place reached{pp.CurPage, CurColumn, CurY};
            if (reached.after(end)) end = reached;
        }
    }
    pp.CurPage = end.page;
    CurColumn = end.column;
    CurY = end.y;
    CurX = end.column > 1 ? columnLeft(end.column) + savedColumnX_ : x;
}

// The subreports printed on their band: what their bands print becomes
// objects of the band, where they printed, and no longer stretches.
void TrpEngine::runInlineSubreports(TrpBand* host)
{
    BandRun& h = run(host);
    std::vector<TrpSubreport*> subreports;
    for (const TrpBandObject& o : h.objects)
        if (auto* s = dynamic_cast<TrpSubreport*>(o.object); s && s->Visible() && s->PrintOnParent && s->Page())
            subreports.push_back(s);
    if (subreports.empty()) return;
    inlineObjects_.clear();
    {
        const Extended columnX = savedColumnX_;
        TemporaryValue<Extended> x(CurX, CurX), y(CurY, CurY), columnXKept(savedColumnX_, columnX);
        TemporaryValue<bool> collecting(inline_, true);
        try {
            for (TrpSubreport* s : subreports) {
                savedColumnX_ = s->Left() + columnX;
                CurX = s->Left();
                CurY = s->Top();
                runSubreportPage(s);
            }
        } catch (...) {
            // What a failed run collected belongs to nothing.
            for (TrpReportComponent* object : inlineObjects_) delete object;
            inlineObjects_.clear();
            throw;
        }
    }
    const int count = static_cast<int>(host->Objects().size());
    if (h.extraFrom < 0) h.extraFrom = count;
    h.inlineFrom = count;
    for (TrpReportComponent* object : inlineObjects_) {
        object->SetParentFont(false);
        if (auto* stretchable = dynamic_cast<TrpStretcheable*>(object)) stretchable->SetStretchMode(smDontStretch);
        object->SetParent(host);
    }
    inlineObjects_.clear();
}

void TrpEngine::collectInline(TrpBand* band)
{
    const std::vector<TrpComponent*> objects = band->Objects();
    for (TrpComponent* c : objects) {
        auto* view = dynamic_cast<TrpView*>(c);
        if (!view || !view->Visible() || dynamic_cast<TrpSubreport*>(view)) continue;
        if (TrpReportComponent* copy = copyObject(view, nullptr, band->Left() + view->Left(), band->Top() + view->Top()))
            inlineObjects_.push_back(copy);
    }
}
