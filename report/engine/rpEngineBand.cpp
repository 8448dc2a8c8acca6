// Showing one band: its objects compute their values and stretch, the
// objects below move, the band grows, is tested against the free space,
// breaks to the next column or page or splits across pages, and is added
// to the prepared page.
#include <algorithm>
#include <cmath>

#include "ScopeExit.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpEngine.h"
#include "rpEngineRun.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpShapes.h"

using rp_engine::fits;
using rp_engine::isDataBand;
using Feed = TrpEngineAggregates::Feed;

namespace {

constexpr Extended kOverlap = 0.0001L;

struct Area {
    Extended left, top, right, bottom;
};

bool overlapsVertically(const Area& a, const Area& b)
{
    return a.top < b.bottom - kOverlap && b.top < a.bottom - kOverlap;
}

bool overlapsHorizontally(const Area& a, Extended left, Extended right)
{
    return a.left < right - kOverlap && left < a.right - kOverlap;
}

// What a stretchable object still needs after a part that left `unused`
// of its `height`: a text measures its rest (each part carries its gaps
// and frame, which taking off the used height would lose); others take
// off what the part used.
Extended restAfterPart(TrpStretcheable& object, Extended remaining, Extended height, Extended unused)
{
    // A box of a fixed height keeps it, whatever its text needs.
    const Extended rest = object.StretchMode() == smDontStretch ? -1 : object.RestHeight();
    return rest >= 0 ? rest : std::max<Extended>(0, remaining - (height - unused));
}

// A memo whose first line is taller than an empty page: that line goes out
// cut in the memo's present height and the rest waits for the next part, so
// no text is lost. Measured in ever taller boxes from the same start; false
// when no box takes a line.
bool firstLineCut(TrpCustomMemoView& memo, TrpReportComponent& object, Extended& remaining)
{
    const std::u16string text = memo.PartText;
    const bool startsInParagraph = memo.FirstParaBreak;
    const Extended cut = object.Height();
    for (Extended h = std::max<Extended>(cut, 1) * 2; h < 1e9; h *= 2) {
        memo.PartText = text;
        memo.LastParaBreak = startsInParagraph;
        object.SetHeight(h);
        const Extended unused = memo.DrawPart();
        if (!memo.Text().empty() && memo.PartText != text) {
            object.SetHeight(cut);
            remaining = restAfterPart(memo, remaining, h, unused);
            return true;
        }
    }
    memo.PartText = text;
    memo.LastParaBreak = startsInParagraph;
    memo.FirstParaBreak = startsInParagraph;
    object.SetHeight(cut);
    return false;
}

bool blankText(const std::u16string& text)
{
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= u' '; });
}

// How far the band's text stands from its top in the design: what goes on
// to a new part starts that far down.
template <class Pieces>
Extended textPadding(const Pieces& pieces)
{
    Extended padding = -1;
    for (const auto& p : pieces)
        if (p.visible && !p.frame && (padding < 0 || p.designTop < padding)) padding = p.designTop;
    return std::max<Extended>(padding, 0);
}

}  // namespace

// ---------------------------------------------------------------- ShowBand

void TrpEngine::ShowBand(TrpBand* band)
{
    // A stopped run shows no further band; what is shown stays.
    if (!band || Report()->Terminated) return;
    const bool row = aggregates_ && isDataBand(band);
    // Inline subreports print into their band: its place is not known yet.
    TemporaryValue<TrpBand*> due(pageTotalsDue_, row && !band->Vertical && !inline_ ? band : pageTotalsDue_);
    if (band->KeepChild) StartKeep(band);
    showBandItself(band);
    if (keepOpen_ && isDataBand(band) && !band->Vertical) ++keepRows_;
    feedPageTotals(band);
    TrpChild* child = band->Child();
    if (child && (band->Visible() || band->PrintChildIfInvisible)) ShowBand(child);
    if (band->KeepChild) EndKeep(band);
    if (row) {
        aggregates_->AddValue(band, 0, pageTotalsDue_ == band ? Feed::All : Feed::OtherTotals);
        // The host's footers keep one value per vertical column.
        if (band->Vertical && cellHost_) aggregates_->AddValue(cellHost_, CurVColumn);
    }
}

void TrpEngine::showBandItself(TrpBand* band)
{
    // Vertical bands print as cells of the horizontal band they cross.
    if (band->Vertical) {
        showVerticalBand(band);
        return;
    }
    BandRun& r = run(band);
    const int kind = band->KindNumber();
    const bool rowBand = isDataBand(band) || kind == bkGroupHeader;
    if (r.hasVerticalObjects && kind != bkPageHeader) {
        TrpReport& report = *Report();
        report.CurObject = band->Name();
        band->BeforePrint();
        report.DoBeforePrint(band);
        runVerticalBands(band);
        CurX = 0;
        CurLine = r.line;
        CurLineThrough = r.lineThrough;
    }
    if (band->StartNewPage && band->Visible() && !r.isReprinted && !inline_ && !(rowBand && r.line == 1)) {
        TemporaryValue<TrpBand*> asked(askedBreak_, band);
        if (auto* group = dynamic_cast<TrpGroupHeader*>(band); group && group->ResetPageNumbers)
            pages()->EndLogicalPageGroup();
        NewPage();
    }
    prepareBand(band);
    r.printedHeight = band->Height();
    if (band->Visible()) {
        const bool columns = rowBand && kind != bkGroupHeader && static_cast<TrpDataBand*>(band)->Columns >= 2;
        // Bands shown again at a page or column start never break: one that
        // does not fit under the page header prints where it stands.
        const bool testFit =
            !columns && kind != bkOverlay && !dynamic_cast<TrpNullBand*>(band) && reprinting_ == 0 && !inline_;
        if (columns && !inline_ && reprinting_ == 0 && !r.hasVerticalObjects &&
            !fits(GetPageHeight() - FooterHeight() - nextColumnTop(), band->Height())) {
            splitColumnRow(static_cast<TrpDataBand*>(band));
        } else if (!testFit || fits(FreeSpace(), band->Height())) {
            outputBand(band);
        } else if ((!band->AllowSplit || keepOpen_) &&
                   (fits(GetPageHeight() - FooterHeight(), band->Height()) || r.hasVerticalObjects)) {
            checkRoom(band);
            // An empty column leaves a new one no more room: the band
            // splits here rather than leave a page of headers alone.
            if (keepOpen_ || r.hasVerticalObjects || nextColumnGivesRoom()) {
                if (!keepOpen_ && r.hasRepeated) reprepareBand(band);
                NewColumn();
            }
            // Taller than what the headers leave of an empty column: split
            // like a band taller than the page.
            if (fits(FreeSpace(), band->Height()) || r.hasVerticalObjects) {
                outputBand(band);
            } else {
                checkRoom(band);
                splitBand(band);
            }
        } else {
            checkRoom(band);
            const bool movesFirst = !band->AllowSplit && r.lineThrough > 1 && !band->StartNewPage;
            // Moved with the headers it is kept with, it starts a column.
            if (!keepBeforeTallBand(band, movesFirst) && movesFirst) {
                currentBand_ = band;
                NewColumn();
            }
            splitBand(band);
        }
    }
    finishBand(band);
    if (aggregates_) aggregates_->Reset(band);
    if (!band->Visible()) return;
    if (titleSubreportsLater_ && dynamic_cast<TrpReportTitle*>(band))
        titleSubreports_ = band;
    else
        runSubreports(band);
}

// A row of band columns taller than an empty column can never stand whole
// beside the others: it splits in its column (a line's first row moves to
// a fresh column first) and ends its line of rows on the page it ends on.
void TrpEngine::splitColumnRow(TrpDataBand* band)
{
    BandRun& r = run(band);
    // No keep block holds a row taller than an empty column; headers kept
    // with it go on with it when it starts a column.
    const bool movesFirst =
        band->CurColumn() == 1 && !band->AllowSplit && r.lineThrough > 1 && !band->StartNewPage && nextColumnGivesRoom();
    if (!keepBeforeTallBand(band, movesFirst) && movesFirst) NewColumn();
    // The rows beside it do not fit above the page's foot either: the line
    // moves on first and the row splits from the line's top there.
    if (band->CurColumn() > 1 && !keepOpen_ && !fits(GetPageHeight() - FooterHeight(), r.maxColumnY)) {
        TrpCustomPreviewPages& pp = *pages();
        pp.CutObjects(r.lineStart);
        {
            TemporaryValue<bool> moving(rowSetMoving_, true);
            NewColumn();
        }
        pp.PasteObjects(CurX, CurY);
    }
    {
        const Extended columnLeft = band->Left();
        TemporaryValue<Extended> columnX(savedColumnX_, savedColumnX_ + columnLeft);
        TemporaryValue<Extended> x(CurX, CurX + columnLeft);
        band->SetLeft(0);
        splitBand(band);
    }
    // The rows beside it stay where they are; the next row starts a line
    // below it.
    r.maxColumnY = 0;
    band->SetCurColumn(band->Columns);
}

void TrpEngine::feedPageTotals(TrpBand* band)
{
    if (pageTotalsDue_ != band || !band->Visible()) return;
    pageTotalsDue_ = nullptr;
    aggregates_->AddValue(band, 0, Feed::PageTotals);
}

void TrpEngine::outputBand(TrpBand* band)
{
    BandRun& r = run(band);
    Extended left = CurX;
    if (isDataBand(band) && static_cast<TrpDataBand*>(band)->Columns >= 2) left += band->Left();
    band->SetLeft(left);
    band->SetTop(CurY);
    TrpCustomPreviewPages& pp = *pages();
    if (inline_)
        collectInline(band);
    else if (r.cellsFrom >= 0 && band->KindNumber() != bkPageHeader)
        outputCells(band);
    else if (!r.isReprinted || columnReprinting_ > 0 || !pp.BandExists(band))
        pp.AddObject(band);
    CurY += band->Height();
    feedPageTotals(band);
}

// ---------------------------------------------------------------- prepare and finish

void TrpEngine::prepareBand(TrpBand* band)
{
    TrpReport& report = *Report();
    BandRun& r = run(band);
    currentBand_ = band;
    if (!r.linksReady || static_cast<int>(r.objects.size()) != r.ownCount(band)) computeShiftLinks(band, r);
    // The band hosting vertical cells had its turn before them.
    if (r.cellsFrom < 0) {
        report.CurObject = band->Name();
        band->BeforePrint();
        report.DoBeforePrint(band);
    }
    const bool visible = band->Visible();
    bool stretched = false;
    bool inlineSubreports = false;
    for (TrpBandObject& o : r.objects) {
        TrpReportComponent* object = o.object;
        if (auto* sub = ObjectAs<TrpSubreport>(object); sub && sub->PrintOnParent && sub->Visible())
            inlineSubreports = true;
        report.CurObject = object->Name();
        object->BeforePrint();
        const bool shown = visible && object->Visible();
        if (shown) {
            report.DoBeforePrint(object);
            object->GetData();
            if (o.view) callHandler(object, o.view->OnAfterData);
        }
        ShiftNode& node = r.nodes[static_cast<size_t>(o.node)];
        node.stretch = 0;
        if (shown && o.stretchable && o.stretchable->StretchMode() != smDontStretch) {
            const Extended height = o.stretchable->CalcHeight();
            if (height > object->Height()) {
                node.stretch = height - object->Height();
                object->SetHeight(height);
                stretched = true;
            }
        }
    }
    if (!visible) return;
    if (stretched) shiftObjects(r);
    // Only the outermost band runs its inline subreports.
    if (inlineSubreports && !inline_) {
        runInlineSubreports(band);
        currentBand_ = band;
    }
    Extended bottom = 0;
    for (const TrpBandObject& o : r.objects) {
        const Extended extra = o.view ? o.view->FrameRowBelow() : 0;
        bottom = std::max(bottom, o.object->Top() + o.object->Height() + extra);
    }
    // What the inline subreports printed belongs to the band too.
    if (r.inlineFrom >= 0) {
        const std::vector<TrpComponent*>& objects = band->Objects();
        for (size_t i = static_cast<size_t>(r.inlineFrom); i < objects.size(); ++i)
            bottom = std::max(bottom, objects[i]->Top() + objects[i]->Height());
    }
    if (band->Stretched) band->SetHeight(bottom);
    callHandler(band, band->OnAfterCalcHeight);
    // A height a script made negative would print what follows above the
    // band, over what is printed already.
    if (band->Height() < 0) band->SetHeight(0);
    if (!r.hasStretchable) return;
    for (const TrpBandObject& o : r.objects)
        if (o.stretchable && o.stretchable->StretchMode() == smMaxHeight)
            o.object->SetHeight(bottom - o.object->Top() - o.view->FrameRowBelow());
}

void TrpEngine::reprepareBand(TrpBand* band)
{
    BandRun& r = run(band);
    bool remembered = false;
    for (const TrpBandObject& o : r.objects)
        if (o.memo && o.memo->SuppressRepeated) remembered = o.memo->ForgetRepeated() || remembered;
    if (!remembered || r.hasVerticalObjects) return;
    finishBand(band);
    CurLine = r.line;
    CurLineThrough = r.lineThrough;
    {
        TemporaryValue<bool> second(SecondScriptCall, true);
        prepareBand(band);
    }
    r.printedHeight = band->Height();
}

void TrpEngine::finishBand(TrpBand* band)
{
    TrpReport& report = *Report();
    BandRun& r = run(band);
    if (band->Visible())
        for (const TrpBandObject& o : r.objects) report.DoAfterPrint(o.object);
    for (const TrpBandObject& o : r.objects) o.object->AfterPrint();
    report.DoAfterPrint(band);
    band->AfterPrint();
    freeExtraObjects(band);
}

void TrpEngine::freeExtraObjects(TrpBand* band)
{
    BandRun& r = run(band);
    if (r.extraFrom < 0) return;
    const size_t from = static_cast<size_t>(r.extraFrom);
    TrpCustomPreviewPages& pp = *pages();
    while (band->Objects().size() > from) {
        TrpComponent* copy = band->Objects().back();
        pp.UnlinkCopy(copy);
        delete copy;
    }
    if (r.cellsFrom >= 0) band->AllowSplit = r.savedAllowSplit;
    r.extraFrom = r.cellsFrom = r.inlineFrom = -1;
    r.cellBounds.clear();
}

// ---------------------------------------------------------------- shift links

void TrpEngine::computeShiftLinks(TrpBand* band, BandRun& r)
{
    r.objects.clear();
    r.nodes.clear();
    r.hasStretchable = r.hasRepeated = false;
    struct Item {
        int object;
        Area area;
        int64_t key;
    };
    std::vector<Item> items;
    const std::vector<TrpComponent*>& children = band->Objects();
    for (size_t i = 0; i < static_cast<size_t>(r.ownCount(band)); ++i) {
        auto* object = dynamic_cast<TrpReportComponent*>(children[i]);
        if (!object) continue;
        TrpBandObject o;
        o.object = object;
        o.view = dynamic_cast<TrpView*>(object);
        o.stretchable = dynamic_cast<TrpStretcheable*>(object);
        o.memo = dynamic_cast<TrpCustomMemoView*>(object);
        r.hasStretchable = r.hasStretchable || o.stretchable;
        r.hasRepeated = r.hasRepeated || (o.memo && o.memo->SuppressRepeated);
        const Extended l = object->Left(), t = object->Top();
        if (o.view)
            items.push_back({static_cast<int>(r.objects.size()), {l, t, l + object->Width(), t + object->Height()},
                             rp_engine::positionKey(t)});
        r.objects.push_back(o);
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.key < b.key; });
    // The band itself stands for a strip 2 units above everything.
    items.insert(items.begin(), Item{-1, {0, -2, band->Width(), -1}, rp_engine::positionKey(-2)});
    r.nodes.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].object >= 0) {
            TrpBandObject& o = r.objects[static_cast<size_t>(items[i].object)];
            r.nodes[i].view = o.view;
            o.node = static_cast<int>(i);
        }
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const Area& a = items[i].area;
        for (size_t j = i + 1; j < items.size(); ++j) {
            const Area& b = items[j].area;
            if (overlapsVertically(a, b) || !(a.top < b.top) || !overlapsHorizontally(a, b.left, b.right)) continue;
            const Extended left = std::max(a.left, b.left), right = std::min(a.right, b.right);
            bool shielded = false;
            for (size_t k = i + 1; k < j && !shielded; ++k) {
                const Area& m = items[k].area;
                shielded = !overlapsVertically(m, a) && !overlapsVertically(m, b) && overlapsHorizontally(m, left, right);
            }
            if (shielded) continue;
            r.nodes[i].children.push_back(static_cast<int>(j));
            r.nodes[j].parents.push_back(static_cast<int>(i));
        }
    }
    r.linksReady = true;
}

// Each object moves once, by the largest amount any of its parents passes
// down; objects come in the order of their tops, so parents come first.
void TrpEngine::shiftObjects(BandRun& r)
{
    std::vector<ShiftNode>& nodes = r.nodes;
    nodes[0].down = 0;
    for (size_t i = 1; i < nodes.size(); ++i) {
        ShiftNode& node = nodes[i];
        TrpView* view = node.view;
        const Extended top = view->Top();
        switch (view->ShiftMode()) {
        case smAlways: {
            Extended move = 0;
            for (int p : node.parents) move = std::max(move, nodes[static_cast<size_t>(p)].down);
            if (move != 0) view->SetTop(top + move);
            node.down = move + node.stretch;
            break;
        }
        case smWhenOverlapped: {
            Extended newTop = top;
            for (int p : node.parents) {
                const TrpView* parent = nodes[static_cast<size_t>(p)].view;
                if (!parent) continue;
                const Extended parentBottom = parent->Top() + parent->Height();
                if (top < parentBottom) newTop = std::max(newTop, parentBottom);
            }
            if (newTop != top) view->SetTop(newTop);
            node.down = newTop - top + node.stretch;
            break;
        }
        case smDontShift: node.down = node.stretch; break;
        }
        node.stretch = 0;
    }
}

std::vector<TrpView*> TrpEngine::ShiftChildren(TrpBand* band, TrpComponent* parent)
{
    BandRun& r = run(band);
    if (!r.linksReady || static_cast<int>(r.objects.size()) != r.ownCount(band)) computeShiftLinks(band, r);
    std::vector<TrpView*> out;
    for (size_t i = 0; i < r.nodes.size(); ++i) {
        const bool match = parent == band ? i == 0 : r.nodes[i].view == parent;
        if (!match) continue;
        for (int c : r.nodes[i].children) out.push_back(r.nodes[static_cast<size_t>(c)].view);
    }
    return out;
}

// ---------------------------------------------------------------- split

// An object of a band being split across pages.
struct TrpEngine::SplitPiece {
    TrpReportComponent* object = nullptr;
    TrpView* view = nullptr;
    TrpStretcheable* stretchable = nullptr;
    TrpCustomMemoView* memo = nullptr;
    bool visible = false;
    // Still to print, in this part or a later one.
    bool pending = false;
    // Prints in the part being laid out; moved down to the next part in it.
    bool inPart = false;
    bool moved = false;
    // Some of it printed in an earlier part.
    bool printed = false;
    // Its top when the part began, and the height it has left.
    Extended savedTop = 0;
    Extended savedHeight = 0;
    // Where it stood before the part was laid out.
    Extended startTop = 0;
    Extended startBottom = 0;
    // Its top when the split began.
    Extended designTop = 0;
    // It only draws the band's frame (lines, boxes as high as the band):
    // a part holding nothing else holds nothing of the band. A line along
    // the band's top or bottom edge is drawn on every part.
    bool frame = false;
    // A text of a fixed height laid out as a box in the part at hand.
    bool box = false;
    // A growing text with nothing to show.
    bool blank = false;
    // Printed cut in the part laid out: taller than an empty column.
    bool cut = false;
    enum class Edge { None, Top, Bottom } edge = Edge::None;
    // A text's part state, to lay a part out again elsewhere.
    std::u16string partText;
    bool firstParaBreak = false;
    bool lastParaBreak = false;
};

void TrpEngine::splitBand(TrpBand* band)
{
    TrpReport& report = *Report();
    std::vector<SplitPiece> pieces = splitPieces(band);
    // Objects left out of a part are hidden while it goes out.
    ScopeExit showAgain([&] {
        for (const SplitPiece& p : pieces) p.object->SetVisible(p.visible);
    });
    // A band of lines only is all frame: its lines are what it holds.
    const bool framed = std::any_of(pieces.begin(), pieces.end(), [](const SplitPiece& p) { return p.visible && !p.frame; });
    const auto holds = [&](const SplitPiece& p) { return !framed || !p.frame; };
    const auto pendingContent = [&] {
        return std::any_of(pieces.begin(), pieces.end(), [&](const SplitPiece& p) { return p.pending && holds(p); });
    };
    Extended free = FreeSpace();
    int parts = 0;
    bool printedAny = false;
    while (pendingContent()) {
        report.ProcessMessages();
        if (report.Terminated) break;
        // An empty column that the next one would give more room than
        // (a page without the title) is not the place to cut the band.
        const bool emptyColumn = columnIsEmpty() && !nextColumnGivesRoom();
        if (free <= rp_engine::kFitTolerance) checkRoom(band);
        if (++parts > kMaxSplitParts) {
            report.Errors.Add(band->Name() + ": the band cannot be split across pages");
            break;
        }
        if (free <= rp_engine::kFitTolerance) {
            // No room left here: the band starts in the next column.
            NewColumn();
            free = FreeSpace();
            continue;
        }
        const std::vector<SplitPiece> before = saveParts(pieces);
        const bool anyInPart = layOutPart(pieces, free);
        for (const SplitPiece& p : pieces)
            if (p.cut && !p.frame && fits(GetPageHeight(), p.savedHeight) && CurPage && !CurPage->EndlessHeight)
                roomError(band, "the page leaves too little room for it");
        bool content = std::any_of(pieces.begin(), pieces.end(), [&](const SplitPiece& p) { return p.inPart && holds(p); });
        // Only the frame of the band fits below what the column holds: the
        // band starts whole in the next column rather than leave its frame
        // behind.
        if (!content && !printedAny && !emptyColumn) {
            restoreParts(pieces, before);
            NewColumn();
            free = FreeSpace();
            continue;
        }
        // A part that prints nothing on an empty column would do the same
        // on every page. What waits below a gap taller than the column
        // moves up to the band's top; a first object taller than the
        // column prints there, cut.
        if (!anyInPart && emptyColumn) {
            Extended firstTop = -1;
            for (const SplitPiece& p : pieces)
                if (p.pending && (firstTop < 0 || p.startTop < firstTop)) firstTop = p.startTop;
            const Extended by = firstTop - std::min(firstTop, textPadding(pieces));
            bool laidOut = false;
            if (by > kOverlap) {
                restoreParts(pieces, before);
                for (SplitPiece& p : pieces) {
                    if (!p.pending) continue;
                    p.object->SetTop(p.object->Top() - by);
                    p.savedTop -= by;
                }
                laidOut = layOutPart(pieces, free);
            }
            if (!laidOut) {
                checkPartRoom(band, pieces, free);
                cutFirstWaiting(pieces, free);
            }
            content = true;
        }
        const bool last = !pendingContent();
        if (last) closeFrame(pieces, free);
        // A part holding nothing leaves no empty band behind.
        if (content || (last && !printedAny) || (anyInPart && !printedAny)) {
            // The row counts on the page of its first part that holds more
            // than what only follows the band's height (column lines).
            const bool rowContent = std::any_of(pieces.begin(), pieces.end(), [](const SplitPiece& p) {
                return p.inPart && !(p.stretchable && p.stretchable->StretchMode() == smMaxHeight);
            });
            outputPart(band, pieces, printedAny, last);
            printedAny = true;
            if (rowContent || last) feedPageTotals(band);
        }
        if (last) break;
        NewColumn();
        startNextPart(pieces, free);
        free = FreeSpace();
    }
}

bool TrpEngine::firstPartHolds(TrpBand* band)
{
    std::vector<SplitPiece> pieces = splitPieces(band);
    std::vector<std::u16string> texts;
    for (const SplitPiece& p : pieces)
        if (p.memo) texts.push_back(p.memo->Text());
    const std::vector<SplitPiece> before = saveParts(pieces);
    layOutPart(pieces, FreeSpace());
    const bool framed = std::any_of(pieces.begin(), pieces.end(), [](const SplitPiece& p) { return p.visible && !p.frame; });
    const bool holds = std::any_of(pieces.begin(), pieces.end(),
                                   [&](const SplitPiece& p) { return p.inPart && (!framed || !p.frame); });
    restoreParts(pieces, before);
    size_t i = 0;
    for (const SplitPiece& p : pieces)
        if (p.memo) p.memo->SetText(texts[i++]);
    return holds;
}

std::vector<TrpEngine::SplitPiece> TrpEngine::saveParts(std::vector<SplitPiece>& pieces)
{
    for (SplitPiece& p : pieces) {
        p.startTop = p.object->Top();
        if (!p.memo) continue;
        p.partText = p.memo->PartText;
        p.firstParaBreak = p.memo->FirstParaBreak;
        p.lastParaBreak = p.memo->LastParaBreak;
    }
    return pieces;
}

void TrpEngine::restoreParts(std::vector<SplitPiece>& pieces, const std::vector<SplitPiece>& before)
{
    pieces = before;
    for (SplitPiece& p : pieces) {
        p.object->SetTop(p.startTop);
        if (p.pending) p.object->SetHeight(p.savedHeight);
        if (!p.memo) continue;
        p.memo->PartText = p.partText;
        p.memo->FirstParaBreak = p.firstParaBreak;
        p.memo->LastParaBreak = p.lastParaBreak;
    }
}

// Nothing of the band waits but its frame: the frame closes on this part.
void TrpEngine::closeFrame(std::vector<SplitPiece>& pieces, Extended free)
{
    Extended bottom = 0;
    for (const SplitPiece& p : pieces)
        if (p.inPart) bottom = std::max(bottom, p.object->Top() + p.object->Height());
    for (SplitPiece& p : pieces) {
        if (!p.pending) continue;
        p.pending = false;
        if (p.inPart) continue;
        TrpReportComponent* object = p.object;
        // An empty text stays where it stood, in what room is left there.
        if (p.blank) {
            const Extended room = std::min(p.savedHeight, free - p.savedTop);
            if (room <= kOverlap) continue;
            object->SetTop(p.savedTop);
            object->SetHeight(room);
            p.inPart = true;
            continue;
        }
        const Extended height = std::min(p.savedHeight, free);
        object->SetHeight(height);
        object->SetTop(std::max<Extended>(0, std::min(object->Top(), bottom - height)));
        p.inPart = true;
    }
}

// The visible objects in the order of their tops, so that an object moved
// down takes those below it along: the band's own, and the rows its inline
// subreports printed into it, each among them by its top.
std::vector<TrpEngine::SplitPiece> TrpEngine::splitPieces(TrpBand* band)
{
    BandRun& r = run(band);
    const auto piece = [](TrpReportComponent* object) {
        SplitPiece p;
        p.object = object;
        p.view = dynamic_cast<TrpView*>(object);
        p.stretchable = dynamic_cast<TrpStretcheable*>(object);
        p.memo = dynamic_cast<TrpCustomMemoView*>(object);
        p.visible = p.pending = object->Visible();
        p.savedTop = p.designTop = object->Top();
        p.savedHeight = object->Height();
        const auto* line = dynamic_cast<const TrpCustomLineView*>(object);
        p.frame = line || (p.stretchable && p.stretchable->StretchMode() == smMaxHeight);
        // A growing text with nothing to show holds no more than a frame.
        p.blank = p.memo && p.visible && p.memo->StretchMode() == smActualHeight &&
                  blankText(p.memo->Text());
        p.frame = p.frame || p.blank;
        if (line && !line->Diagonal && object->Height() <= kOverlap) p.edge = SplitPiece::Edge::Top;
        if (p.stretchable && p.visible) p.stretchable->InitPart();
        return p;
    };
    std::vector<SplitPiece> pieces;
    for (const ShiftNode& node : r.nodes) {
        if (!node.view) continue;
        auto it = std::find_if(r.objects.begin(), r.objects.end(),
                               [&](const TrpBandObject& o) { return o.view == node.view; });
        pieces.push_back(piece(it->object));
    }
    if (r.inlineFrom >= 0) {
        const std::vector<TrpComponent*>& objects = band->Objects();
        for (size_t i = static_cast<size_t>(r.inlineFrom); i < objects.size(); ++i) {
            auto* object = dynamic_cast<TrpReportComponent*>(objects[i]);
            if (!object) continue;
            const SplitPiece p = piece(object);
            auto at = std::find_if(pieces.begin(), pieces.end(),
                                   [&](const SplitPiece& q) { return q.object->Top() > p.object->Top(); });
            pieces.insert(at, p);
        }
    }
    // A level line above all the rest draws the band's top edge, one below
    // all the rest its bottom edge; others are no edge.
    Extended contentTop = 1e300L, contentBottom = 0;
    for (const SplitPiece& p : pieces) {
        if (!p.visible || p.edge != SplitPiece::Edge::None) continue;
        contentTop = std::min(contentTop, p.designTop);
        contentBottom = std::max(contentBottom, p.designTop + p.savedHeight);
    }
    for (SplitPiece& p : pieces) {
        if (p.edge == SplitPiece::Edge::None) continue;
        if (p.view && p.view->Align() == baBottom) p.edge = SplitPiece::Edge::Bottom;
        else if (p.designTop <= contentTop + kOverlap) p.edge = SplitPiece::Edge::Top;
        else if (p.designTop >= contentBottom - kOverlap) p.edge = SplitPiece::Edge::Bottom;
        else p.edge = SplitPiece::Edge::None;
    }
    return pieces;
}

// Which objects print in a part `free` high: those that fit whole, the
// parts of stretchable ones that fit, objects taller than a page cut; the
// others move down to the next part. Whether any prints.
bool TrpEngine::layOutPart(std::vector<SplitPiece>& pieces, Extended free, Extended emptyRoom)
{
    // What an empty column gives: this one when it is empty (unless bands
    // printed once stand at its start), else what the next one will.
    if (emptyRoom < 0)
        emptyRoom = columnIsEmpty() && !columnStartOnce_ ? free : GetPageHeight() - FooterHeight() - nextColumnTop();
    for (SplitPiece& p : pieces) {
        p.startTop = p.object->Top();
        p.startBottom = p.startTop + p.savedHeight;
    }
    bool anyInPart = false;
    for (SplitPiece& p : pieces) {
        p.inPart = p.moved = p.cut = false;
        if (!p.pending) continue;
        TrpReportComponent* object = p.object;
        const Extended remaining = p.savedHeight;
        // A text of a fixed height goes whole to the next part like a box,
        // unless no page holds it.
        p.box = p.stretchable && p.stretchable->StretchMode() == smDontStretch && !p.printed &&
                fits(emptyRoom, remaining);
        TrpStretcheable* stretchable = p.box ? nullptr : p.stretchable;
        // Nothing of it printed: its text is still all of it.
        if (p.box && p.memo) p.memo->SetText(p.memo->PartText);
        Extended unused = 0;
        bool more = false;
        if (stretchable) {
            p.savedTop = object->Top();
            object->SetHeight(free - object->Top());
            if (object->Top() < free) {
                unused = stretchable->DrawPart();
                more = stretchable->HasNextPart();
            } else {
                unused = object->Height();
            }
        }
        if (fits(free, remaining + object->Top()) && !more) {
            object->SetHeight(remaining);
            p.inPart = true;
            p.pending = false;
        } else if (!stretchable) {
            if (fits(emptyRoom, remaining) || object->Top() >= free) {
                moveToNextPart(pieces, p, free);
            } else {
                // Taller than a page: printed here, cut at the bottom.
                object->SetHeight(free - object->Top());
                p.inPart = p.cut = true;
                p.pending = false;
            }
        } else if (std::fabs(unused - object->Height()) >= kOverlap) {
            p.inPart = p.printed = true;
            // A text whose every line printed ends here, its box cut to
            // the part: the rest of its box would go on as an empty stub.
            if (p.memo && !more) p.pending = false;
            else p.savedHeight = restAfterPart(*stretchable, remaining, object->Height(), unused);
        } else {
            object->SetTop(free);
            object->SetHeight(remaining);
        }
        anyInPart = anyInPart || p.inPart;
    }
    return anyInPart;
}

// To the top of the next part, with what stands below it.
void TrpEngine::moveToNextPart(std::vector<SplitPiece>& pieces, SplitPiece& p, Extended free)
{
    TrpReportComponent* object = p.object;
    const Extended oldTop = object->Top(), oldBottom = oldTop + object->Height();
    const Extended delta = free - oldTop;
    object->SetTop(free);
    p.moved = true;
    for (SplitPiece& q : pieces) {
        if (&q == &p || !q.pending || q.moved) continue;
        TrpReportComponent* other = q.object;
        if (other->Top() < oldBottom - kOverlap) continue;
        const Extended overlap = std::min(object->Left() + object->Width(), other->Left() + other->Width()) -
                                 std::max(object->Left(), other->Left());
        if (overlap <= kOverlap) continue;
        other->SetTop(other->Top() + delta);
        q.moved = true;
    }
}

void TrpEngine::checkPartRoom(TrpBand* band, std::vector<SplitPiece>& pieces, Extended free)
{
    const Extended page = GetPageHeight();
    if (!CurPage || CurPage->EndlessHeight || fits(free, page)) return;
    auto first = std::find_if(pieces.begin(), pieces.end(), [](const SplitPiece& p) { return p.pending; });
    if (first == pieces.end() || first->frame) return;
    SplitPiece& p = *first;
    bool fitsPage = fits(page, p.savedHeight);
    if (p.memo && !fitsPage) {
        // A text gives a line to a part as high as the page.
        TrpCustomMemoView& memo = *p.memo;
        const std::u16string shown = memo.Text(), rest = memo.PartText;
        const bool firstBreak = memo.FirstParaBreak, lastBreak = memo.LastParaBreak;
        const Extended height = p.object->Height();
        p.object->SetHeight(page);
        const Extended unused = memo.DrawPart();
        fitsPage = !memo.Text().empty() && memo.PartText != rest;
        (void)unused;
        memo.SetText(shown);
        memo.PartText = rest;
        memo.FirstParaBreak = firstBreak;
        memo.LastParaBreak = lastBreak;
        p.object->SetHeight(height);
    }
    if (fitsPage) roomError(band, "the page leaves too little room for it");
}

// The first object waiting goes out in this part, cut to its height.
void TrpEngine::cutFirstWaiting(std::vector<SplitPiece>& pieces, Extended free)
{
    for (SplitPiece& p : pieces) {
        if (!p.pending) continue;
        TrpReportComponent* object = p.object;
        if (p.stretchable) object->SetTop(std::max<Extended>(0, std::min(p.savedTop, free - 1)));
        if (object->Top() >= free) object->SetTop(0);
        object->SetHeight(free - object->Top());
        // Asked again in the same place, a rich-text object prints its
        // line taller than the page cut and keeps the rest for the next
        // part. A memo would answer the same, its paragraph flags moved on.
        if (p.stretchable && !p.memo) {
            const Extended remaining = p.savedHeight;
            const Extended unused = p.stretchable->DrawPart();
            if (std::fabs(unused - object->Height()) >= kOverlap) {
                p.inPart = p.printed = true;
                p.pending = p.stretchable->HasNextPart();
                p.savedHeight = restAfterPart(*p.stretchable, remaining, object->Height(), unused);
                return;
            }
        }
        if (p.memo && firstLineCut(*p.memo, *object, p.savedHeight)) {
            p.inPart = p.printed = true;
            p.pending = p.memo->HasNextPart();
            return;
        }
        if (p.memo) {
            p.memo->SetText(p.memo->PartText);
            p.memo->PartText.clear();
        }
        p.inPart = true;
        p.pending = false;
        return;
    }
}

// The part goes out as a band as high as what it holds; on the last part
// objects aligned to the bottom and those as high as the band follow it.
// The lines along the band's edges close every part: its top edge on the
// parts after the first, its bottom edge on those before the last.
void TrpEngine::outputPart(TrpBand* band, std::vector<SplitPiece>& pieces, bool continued, bool last)
{
    Extended bottom = 0;
    for (const SplitPiece& p : pieces)
        if (p.inPart) bottom = std::max(bottom, p.object->Top() + p.object->Height());
    if (last) {
        for (const SplitPiece& p : pieces) {
            if (!p.inPart) continue;
            TrpReportComponent* object = p.object;
            if (p.view && p.view->Align() == baBottom) object->SetTop(bottom - object->Height());
            if (p.stretchable && p.stretchable->StretchMode() == smMaxHeight) object->SetHeight(bottom - object->Top());
        }
    }
    struct Edge {
        TrpReportComponent* object;
        Extended top, height;
    };
    std::vector<Edge> edges;
    for (const SplitPiece& p : pieces) {
        if (!p.visible || p.inPart) continue;
        const bool top = continued && p.edge == SplitPiece::Edge::Top && !p.pending;
        const bool foot = !last && p.edge == SplitPiece::Edge::Bottom && p.pending;
        if (!top && !foot) continue;
        edges.push_back({p.object, p.object->Top(), p.object->Height()});
        p.object->SetHeight(0);
        p.object->SetTop(top ? p.designTop : bottom);
    }
    band->SetHeight(bottom);
    band->SetLeft(CurX);
    band->SetTop(CurY);
    for (const SplitPiece& p : pieces) {
        const bool edge = std::any_of(edges.begin(), edges.end(), [&](const Edge& e) { return e.object == p.object; });
        if (p.visible && !p.inPart && !edge) p.object->SetVisible(false);
    }
    pages()->AddObject(band);
    for (const SplitPiece& p : pieces) p.object->SetVisible(p.visible);
    for (const Edge& e : edges) {
        e.object->SetTop(e.top);
        e.object->SetHeight(e.height);
    }
    CurY += bottom;
}

// What waits moves up by the part just printed. What stood below another
// object keeps its distance to it: to where that object goes on, or to
// where the part printed it. A part of a text uses whole lines, less than
// the part's height; a cut line uses more; both move what is below them by
// what they used.
void TrpEngine::startNextPart(std::vector<SplitPiece>& pieces, Extended free)
{
    std::vector<SplitPiece*> waiting;
    for (SplitPiece& p : pieces)
        if (p.pending) waiting.push_back(&p);
    std::stable_sort(waiting.begin(), waiting.end(),
                     [](const SplitPiece* a, const SplitPiece* b) { return a->startTop < b->startTop; });
    const auto above = [](const SplitPiece& a, const SplitPiece& p) {
        const TrpReportComponent* o = a.object;
        return &a != &p && a.startBottom <= p.startTop + kOverlap &&
               overlapsHorizontally({o->Left(), 0, o->Left() + o->Width(), 0}, p.object->Left(),
                                    p.object->Left() + p.object->Width());
    };
    const Extended padding = textPadding(pieces);
    std::vector<Extended> newTops;
    for (SplitPiece* p : waiting) {
        TrpReportComponent* object = p->object;
        bool below = false;
        Extended top = 0;
        const auto keepDistance = [&](const SplitPiece& a, Extended bottom) {
            const Extended at = bottom + (p->startTop - a.startBottom);
            top = below ? std::max(top, at) : at;
            below = true;
        };
        for (size_t k = 0; k < newTops.size(); ++k)
            if (above(*waiting[k], *p)) keepDistance(*waiting[k], newTops[k] + waiting[k]->savedHeight);
        for (const SplitPiece& a : pieces)
            if (a.inPart && !a.pending && above(a, *p)) keepDistance(a, a.object->Top() + a.object->Height() - free);
        bool waitsUnder = false;
        for (size_t k = 0; k < newTops.size(); ++k) waitsUnder = waitsUnder || above(*waiting[k], *p);
        if (!below) top = p->stretchable && !p->box ? p->savedTop - free : object->Top() - free;
        // The first of what goes on keeps its distance to the band's top.
        if (!waitsUnder) top = std::max(top, std::min(p->designTop, padding));
        newTops.push_back(std::max<Extended>(0, top));
    }
    for (size_t i = 0; i < waiting.size(); ++i) {
        waiting[i]->object->SetTop(newTops[i]);
        if (waiting[i]->stretchable) waiting[i]->object->SetHeight(waiting[i]->savedHeight);
    }
}
