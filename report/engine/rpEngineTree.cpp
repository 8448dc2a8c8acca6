// The band tree of a page (masters, details, headers, footers, group
// chains) and the data loop that walks it row by row.
#include <algorithm>
#include <set>

#include "ScopeExit.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpDataSets.h"
#include "rpEngine.h"
#include "rpEngineRun.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"

using rp_engine::fits;
using rp_engine::isDataBand;

namespace {

// Headers, footers, data bands and groups make up the tree.
bool inTree(int kind)
{
    return kind >= bkHeader && kind <= bkGroupFooter;
}

bool sameValue(const Variant& a, const Variant& b)
{
    try {
        return VarEquals(a, b);
    } catch (const std::exception&) {
        // Values that do not compare (a text against a number) differ
        // unless they read the same.
        return a.type() == b.type() && VarToStr(a) == VarToStr(b);
    }
}

}  // namespace

TrpDataSet* TrpEngine::bandDataSet(TrpBand* band)
{
    return band ? run(band).dataSet : nullptr;
}

// ---------------------------------------------------------------- the tree

void TrpEngine::buildBandTree(TrpReportPage* page, bool vertical)
{
    TrpReport& report = *Report();
    PageRun& pr = pageRun(page);
    std::vector<TrpBand*>& masters = vertical ? pr.verticalMasters : pr.horizontalMasters;
    masters.clear();

    std::vector<TrpBand*> bands;
    for (TrpComponent* c : page->Objects()) {
        auto* band = dynamic_cast<TrpBand*>(c);
        if (!band || band->Vertical != vertical) continue;
        bands.push_back(band);
        BandRun& r = run(band);
        r.subBands.clear();
        r.header = r.footer = nullptr;
        r.group = nullptr;
        r.hasVerticalObjects = false;
        r.linksReady = false;
        r.dataSet = nullptr;
        if (auto* data = dynamic_cast<TrpDataBand*>(band)) {
            r.dataSet = data->DataSet();
            if (!r.dataSet && data->RowCount() >= 1) {
                r.dataSet = data->RowsDataSet();
                r.dataSet->Initialize();
            }
        }
        const int kind = band->KindNumber();
        if (vertical || inTree(kind) || dynamic_cast<TrpNullBand*>(band)) continue;
        if (!pr.kinds[static_cast<size_t>(kind)]) pr.kinds[static_cast<size_t>(kind)] = band;
        if (auto* overlay = dynamic_cast<TrpOverlay*>(band)) {
            TrpBand*& slot = overlay->PrintOnTop ? pr.overlayOnTop : pr.overlayBelow;
            if (!slot) slot = band;
        }
    }

    if (!vertical) moveVerticalObjects(page);

    // By position; of two bands at the same place only the first in the
    // page's order takes part.
    struct Entry {
        TrpBand* band;
        int64_t key;
    };
    std::vector<Entry> sorted;
    for (TrpBand* band : bands) {
        const int kind = band->KindNumber();
        if (!inTree(kind)) continue;
        const int64_t key = rp_engine::positionKey(vertical ? band->Left() : band->Top());
        if (std::any_of(sorted.begin(), sorted.end(), [key](const Entry& e) { return e.key == key; })) continue;
        sorted.push_back({band, key});
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    std::vector<TrpBand*> list;
    for (const Entry& e : sorted) list.push_back(e.band);
    std::vector<bool> gone(list.size(), false);
    auto error = [&](const char* key, const TrpBand* band) {
        report.Errors.Add(GetResources().Get(key) + " " + band->Name());
    };
    auto kindAt = [&](size_t i) { return list[i]->KindNumber(); };

    // Group chains, each governing the next data band.
    for (size_t i = 0; i < list.size();) {
        if (kindAt(i) != bkGroupHeader) {
            ++i;
            continue;
        }
        BandRun& chain = run(list[i]);
        size_t j = i;
        while (j < list.size() && kindAt(j) == bkGroupHeader) chain.subBands.push_back(list[j++]);
        while (j < list.size() && !isDataBand(list[j])) ++j;
        if (j < list.size())
            run(list[j]).group = static_cast<TrpGroupHeader*>(list[i]);
        else
            error("enUnconnGroup", list[i]);
        i = j + 1;
    }
    // Each group footer closes the nearest open group header above it.
    for (size_t i = 0; i < list.size(); ++i) {
        if (kindAt(i) != bkGroupFooter) continue;
        for (size_t j = i; j-- > 0;) {
            if (kindAt(j) != bkGroupHeader || gone[j] || run(list[j]).footer) continue;
            run(list[j]).footer = list[i];
            gone[i] = gone[j] = true;
            break;
        }
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (kindAt(i) == bkGroupHeader) gone[i] = true;
        if (kindAt(i) == bkGroupFooter && !gone[i]) {
            error("enUnconnGFooter", list[i]);
            gone[i] = true;
        }
    }
    // Headers just above and footers just below their data band.
    auto neighbour = [&](size_t i, int step) -> size_t {
        for (size_t k = i + step; k < list.size(); k += step)
            if (!gone[k]) return k;
        return list.size();
    };
    for (size_t i = 0; i < list.size(); ++i) {
        if (gone[i] || !isDataBand(list[i])) continue;
        BandRun& r = run(list[i]);
        const size_t before = i == 0 ? list.size() : neighbour(i, -1);
        if (before < list.size() && kindAt(before) == bkHeader) {
            r.header = list[before];
            gone[before] = true;
        }
        const size_t after = neighbour(i, 1);
        if (after < list.size() && kindAt(after) == bkFooter) {
            r.footer = list[after];
            gone[after] = true;
        }
    }
    for (size_t i = 0; i < list.size(); ++i) {
        if (gone[i] || (kindAt(i) != bkHeader && kindAt(i) != bkFooter)) continue;
        error("enUnconnHeader", list[i]);
        gone[i] = true;
    }
    // Masters and their details, level by level.
    for (size_t i = 0; i < list.size(); ++i) {
        if (gone[i] || kindAt(i) != bkMasterData) continue;
        gone[i] = true;
        if (run(list[i]).dataSet) masters.push_back(list[i]);
        collectDetails(list, gone, i);
    }
    for (size_t i = 0; i < list.size(); ++i)
        if (!gone[i]) error("enBandPos", list[i]);
}

void TrpEngine::collectDetails(const std::vector<TrpBand*>& list, std::vector<bool>& gone, size_t owner)
{
    const int level = list[owner]->KindNumber();
    BandRun& r = run(list[owner]);
    for (size_t i = owner + 1; i < list.size(); ++i) {
        if (gone[i]) continue;
        const int kind = list[i]->KindNumber();
        if (kind <= level) return;
        if (kind != level + 1) continue;
        gone[i] = true;
        if (run(list[i]).dataSet) r.subBands.push_back(list[i]);
        if (kind != bkDataBand6) collectDetails(list, gone, i);
    }
}

// ---------------------------------------------------------------- has data

bool TrpEngine::bandHasData(TrpBand* band, bool printIfEmpty)
{
    if (printIfEmpty) return true;
    const std::vector<TrpBand*>& details = run(band).subBands;
    return details.empty() || listHasData(details);
}

bool TrpEngine::listHasData(const std::vector<TrpBand*>& bands)
{
    bool result = false;
    for (TrpBand* band : bands) {
        TrpDataSet* ds = bandDataSet(band);
        if (!ds) continue;
        auto* data = static_cast<TrpDataBand*>(band);
        callHandler(band, data->OnMasterDetail);
        TrpDataSet::Walk walk(*ds, band->Name());
        ds->First();
        while (!ds->Eof()) {
            if (bandHasData(band, data->PrintIfDetailEmpty)) {
                result = true;
                break;
            }
            ds->Next();
        }
    }
    return result;
}

// ---------------------------------------------------------------- the data loop

void TrpEngine::runDataBands(const std::vector<TrpBand*>& bands)
{
    TrpReport& report = *Report();
    TrpCustomPreviewPages& pp = *pages();
    report.ProcessMessages();
    if (report.Terminated) return;
    // Vertical bands run as the cells of a horizontal band: every row
    // prints, and none opens a keep block, takes band columns or an
    // outline entry.
    const bool vertical = cellHost_ != nullptr;
    for (TrpBand* band : bands) {
        TrpDataSet* ds = bandDataSet(band);
        if (!ds) continue;
        auto* b = static_cast<TrpDataBand*>(band);
        BandRun& r = run(b);
        TrpDataSet::Walk walk(*ds, b->Name());
        ds->First();
        r.line = 1;
        r.lineThrough = 1;
        setBandColumn(b, 1);
        forgetRepeated(b);
        bool first = true;
        Extended rowStart = CurY;
        int footerKeepStart = -1;
        int columnStart = 0;
        TrpBand* header = r.header;
        TrpBand* footer = r.footer;

        while (!ds->Eof()) {
            if (vertical || bandHasData(b, b->PrintIfDetailEmpty)) {
                if (first) {
                    if (b->KeepHeader && header && !FirstRowPending && StartKeep(b)) headerKeep_ = true;
                    registerReprint(header);
                    ShowBand(header);
                    if (b->KeepTogether) StartKeep(b);
                } else if (!r.group && b->KeepTogether) {
                    StartKeep(b);
                }
                if (r.group) {
                    if (first)
                        showGroupHeaders(b, 0, true);
                    else
                        checkGroups(b, rowStart, columnStart);
                }
                if (b->KeepFooter) footerKeepStart = pp.CurrentObjectCount();
                if (b->Columns > 1 && b->CurColumn() == 1) {
                    columnStart = r.lineStart = pp.CurrentObjectCount();
                    holdRowSet(b);
                }
                rowStart = CurY;
                CurLine = r.line;
                CurLineThrough = r.lineThrough;
                ShowBand(b);
                if (first && b->KeepHeader && header) EndKeep(b);
                first = false;
                DrillPath.emplace_back(b->Name(), r.lineThrough);
                ++r.line;
                ++r.lineThrough;
                // Details print across the page under their row: the line of
                // columns ends there rather than have them print over it. A
                // row shown only for its details has been asked already.
                if (b->Columns > 1 && !vertical && !r.subBands.empty() &&
                    (!b->PrintIfDetailEmpty || listHasData(r.subBands)))
                    setBandColumn(b, b->Columns);
                advanceBandColumn(b, rowStart, columnStart);
                const bool outline = addBandOutline(b);
                runDataBands(r.subBands);
                DrillPath.pop_back();
                if (outline && pp.Outline()) pp.Outline()->LevelUp();
                if (!vertical) FirstRowPending = false;
                if (b->FooterAfterEach) ShowBand(footer);
            }
            if (!r.group && b->KeepTogether) EndKeep(b);
            ds->Next();
            if ((b->RowCount() != 0 && b->RowCount() < r.line) || report.Terminated) break;
        }

        setBandColumn(b, b->Columns);
        advanceBandColumn(b, rowStart, columnStart);
        if (!first) {
            if (r.group) showGroupFooters(b, 0);
            if (!b->FooterAfterEach) {
                if (b->KeepFooter) StartKeep(b, footerKeepStart);
                {
                    TemporaryValue<bool> printing(footerPrinting_, true);
                    ShowBand(footer);
                }
                if (b->KeepFooter) EndKeep(b);
            }
            unregisterReprint(header);
            if (r.group && b->KeepTogether) EndKeep(b);
        }
        if (report.Terminated) return;
        if (!vertical) FirstRowPending = false;
    }
}

// ---------------------------------------------------------------- groups

void TrpEngine::checkGroups(TrpDataBand* band, Extended rowStart, int columnStart)
{
    TrpReport& report = *Report();
    BandRun& r = run(band);
    applyDrillDown(band);
    const std::vector<TrpBand*> chain = run(r.group).subBands;
    for (size_t i = 0; i < chain.size(); ++i) {
        auto* header = static_cast<TrpGroupHeader*>(chain[i]);
        report.CurObject = header->Name();
        const Variant value = report.Calc(header->Condition);
        if (sameValue(value, run(header).lastValue)) continue;
        // The footers, and the headers shown again where the last line of
        // band columns moves to, read the group that ends.
        TrpDataSet* ds = r.dataSet;
        ds->Prior();
        try {
            setBandColumn(band, band->Columns);
            advanceBandColumn(band, rowStart, columnStart);
            showGroupFooters(band, i);
        } catch (...) {
            ds->Next();
            throw;
        }
        ds->Next();
        showGroupHeaders(band, i, false);
        r.line = 1;
        forgetRepeated(band);
        return;
    }
}

void TrpEngine::showGroupHeaders(TrpDataBand* band, size_t from, bool initial)
{
    TrpReport& report = *Report();
    const std::vector<TrpBand*> chain = run(run(band).group).subBands;
    for (size_t i = from; i < chain.size(); ++i) {
        BandRun& h = run(chain[i]);
        if (initial) {
            h.line = 1;
            h.lineThrough = 1;
            forgetRepeated(chain[i]);
        } else {
            ++h.line;
            if (i + 1 < chain.size()) run(chain[i + 1]).line = 0;
            ++h.lineThrough;
        }
    }
    applyDrillDown(band);
    for (size_t i = from; i < chain.size(); ++i) {
        auto* header = static_cast<TrpGroupHeader*>(chain[i]);
        BandRun& h = run(header);
        CurLine = h.line;
        CurLineThrough = h.lineThrough;
        report.CurObject = header->Name();
        h.lastValue = report.Calc(header->Condition);
        if (header->KeepTogether) StartKeep(header);
        ShowBand(header);
        h.outlineAdded = addBandOutline(header);
        registerReprint(header);
    }
}

void TrpEngine::showGroupFooters(TrpDataBand* band, size_t from)
{
    const std::vector<TrpBand*> chain = run(run(band).group).subBands;
    TrpCustomOutline* outline = pages()->Outline();
    for (size_t i = chain.size(); i-- > from;) {
        auto* header = static_cast<TrpGroupHeader*>(chain[i]);
        BandRun& h = run(header);
        if (TrpBand* footer = h.footer) {
            auto* groupFooter = dynamic_cast<TrpGroupFooter*>(footer);
            if (groupFooter && groupFooter->HideIfSingleDataRecord && run(band).line <= 2) {
                if (aggregates_) aggregates_->Reset(footer);
            } else {
                ShowBand(footer);
            }
        }
        if (h.outlineAdded && outline) outline->LevelUp();
        h.outlineAdded = false;
        unregisterReprint(header);
        if (header->KeepTogether) EndKeep(header);
    }
}

void TrpEngine::applyDrillDown(TrpDataBand* band)
{
    const std::vector<TrpBand*> chain = run(run(band).group).subBands;
    if (chain.empty()) return;
    const auto* first = static_cast<TrpGroupHeader*>(chain[0]);
    const std::set<std::string>& open = Report()->ExpandedDrillDowns;
    for (size_t i = 0; i < chain.size(); ++i) {
        auto* header = static_cast<TrpGroupHeader*>(chain[i]);
        if (!header->DrillDown) continue;
        std::string name;
        for (const auto& [text, line] : DrillPath) name += text + "." + IntToStr(line) + ".";
        name += header->Name() + "." + IntToStr(run(header).lineThrough);
        header->DrillName = name;
        bool expanded = open.count(name) > 0;
        if (header->ExpandDrillDown) expanded = !expanded;
        if (header->Child() && !first->ShowChildIfDrillDown) header->Child()->SetVisible(expanded);
        for (size_t k = i + 1; k < chain.size(); ++k) {
            chain[k]->SetVisible(expanded);
            if (TrpBand* footer = run(chain[k]).footer) footer->SetVisible(expanded);
        }
        band->SetVisible(expanded);
        if (TrpBand* footer = run(header).footer; footer && !header->ShowFooterIfDrillDown) footer->SetVisible(expanded);
        if (!expanded) return;
    }
}

// ---------------------------------------------------------------- band columns

void TrpEngine::setBandColumn(TrpDataBand* band, int column)
{
    // A vertical band's Left is its place in the tree.
    if (band->Vertical) return;
    band->SetCurColumn(column);
    if (band->CurColumn() == 1) run(band).maxColumnY = 0;
}

void TrpEngine::advanceBandColumn(TrpDataBand* band, Extended rowStart, int columnStart)
{
    if (band->Columns <= 1 || band->Vertical) return;
    BandRun& r = run(band);
    r.maxColumnY = std::max(r.maxColumnY, CurY);
    if (band->CurColumn() < band->Columns) {
        // The next row prints beside this one.
        CurY = rowStart;
    } else if (fits(GetPageHeight() - FooterHeight(), r.maxColumnY) || (CurPage && CurPage->EndlessHeight) || inline_) {
        // Rows printed into their band stand where the band puts them: the
        // band splits across pages, the line of rows never moves.
        CurY = r.maxColumnY;
    } else if (!keepOpen_ || keepPosition_ > columnStart || keepTooTall(currentBand_ ? currentBand_->Height() : 0) ||
               !fits(GetPageHeight() - FooterHeight() - nextColumnTop(), r.maxColumnY - keepStartY_)) {
        // The set of rows moves whole to the next column or page; a keep
        // block it ends that the next column could not hold under its
        // headers, or that the break would give up, is given up first, the
        // rows before the set staying where they are. A block opened
        // inside the set (a kept row) moves with the set: alone it would
        // leave the rows beside it below the page's foot.
        if (keepOpen_) EndKeep(keepBand_);
        TrpCustomPreviewPages& pp = *pages();
        pp.CutObjects(columnStart);
        // The column ends where the line that moves began.
        CurY = rowStart;
        {
            TemporaryValue<bool> moving(rowSetMoving_, true);
            NewColumn();
        }
        pp.PasteObjects(CurX, CurY);
        CurY = r.maxColumnY + CurY - rowStart;
    } else {
        NewColumn();
    }
    if (band->CurColumn() >= band->Columns) releaseRowSet(band);
    if (band->Visible()) setBandColumn(band, band->CurColumn() + 1);
}

// ---------------------------------------------------------------- reprints and outline

void TrpEngine::registerReprint(TrpBand* band)
{
    if (!band) return;
    bool reprint = false;
    if (auto* header = dynamic_cast<TrpHeader*>(band)) reprint = header->ReprintOnNewPage;
    if (auto* group = dynamic_cast<TrpGroupHeader*>(band)) reprint = group->ReprintOnNewPage;
    if (!reprint) return;
    const bool inKeep = keepOpen_ && !dynamic_cast<TrpHeader*>(band);
    if (band->Vertical) {
        VHeaderList.AddItem(band, CurX, inKeep);
        return;
    }
    // Its place within the page column: it comes back in the column it
    // is shown again in.
    HeaderList.AddItem(band, CurX - columnX(CurColumn), inKeep);
}

void TrpEngine::unregisterReprint(TrpBand* band)
{
    if (band) (band->Vertical ? VHeaderList : HeaderList).RemoveItem(band);
}

void TrpEngine::forgetRepeated(TrpBand* band)
{
    for (TrpComponent* c : band->Objects())
        if (auto* memo = dynamic_cast<TrpCustomMemoView*>(c)) memo->ForgetRepeated();
}

bool TrpEngine::addBandOutline(TrpBand* band)
{
    TrpCustomOutline* outline = pages()->Outline();
    if (band->OutlineText.empty() || !outline || band->Vertical) return false;
    TrpReport& report = *Report();
    report.CurObject = band->Name();
    if (!band->Visible()) return false;
    const BandRun& r = run(band);
    const Extended height = band->Stretched ? r.printedHeight : band->Height();
    outline->AddItem(VarToStr(report.Calc(band->OutlineText)), static_cast<int>(Round(CurY - height)));
    return true;
}
