#pragma once
// What a reader of printed pages calls a fault of layout, found on the
// prepared pages of a run: an object lying outside the printable area (below
// it, or right of it or of its page column), two objects of one band lying
// over each other that did not in the design, and objects of two bands
// lying over each other (overlays and the page's own objects excepted: they
// lie over the rest by design), a growing text whose box holds less than its
// lines or not one whole line, a fixed-height object printed at another
// height, a part of a band holding only its frame lines or texts with
// nothing in them.
//
// An object taller than what an empty page leaves between its headers and
// footers is cut on purpose: neither its height nor its lines are then
// held against it.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpShapes.h"

namespace engine_test {

constexpr Extended kLayoutTolerance = 0.01L;

struct PlacedObject {
    const TrpComponent* object;
    const TrpBand* band;
    Extended left, top, right, bottom;
};

inline bool overlap(Extended a0, Extended a1, Extended b0, Extended b1)
{
    return a0 < b1 - kLayoutTolerance && b0 < a1 - kLayoutTolerance;
}

inline bool overlap(const PlacedObject& a, const PlacedObject& b)
{
    return overlap(a.left, a.right, b.left, b.right) && overlap(a.top, a.bottom, b.top, b.bottom);
}

// Lines and boxes as high as the band only frame what the band holds.
inline bool framesOnly(const TrpComponent& object)
{
    if (dynamic_cast<const TrpCustomLineView*>(&object)) return true;
    const auto* stretchable = dynamic_cast<const TrpStretcheable*>(&object);
    return stretchable && stretchable->StretchMode() == smMaxHeight;
}

// A row an inline subreport printed into a band lies where the subreport
// was drawn and below it: over what the band's design has there.
inline bool inlineOverDesign(const TrpComponent& row, const TrpComponent& own)
{
    const auto* rowPage = row.Parent() ? dynamic_cast<const TrpReportPage*>(row.Parent()->Parent()) : nullptr;
    if (!rowPage || !own.Parent()) return false;
    for (const TrpComponent* c : own.Parent()->Objects()) {
        const auto* sub = dynamic_cast<const TrpSubreport*>(c);
        if (!sub || !sub->PrintOnParent || sub->Page() != rowPage) continue;
        if (overlap(sub->Left(), sub->Left() + sub->Width(), own.Left(), own.Left() + own.Width()) &&
            (framesOnly(own) || own.Top() + own.Height() > sub->Top()))
            return true;
    }
    return false;
}

// Whether two objects printed in one band overlapped in the design: both
// named objects of one design band whose areas meet. Copies of one object
// (cells, rows printed on their band) never lie over each other.
inline bool overlappedInDesign(TrpReport& report, const TrpComponent& a, const TrpComponent& b)
{
    if (a.Name().empty() || a.Name() == b.Name()) return false;
    const TrpComponent* da = report.FindObject(a.Name());
    const TrpComponent* db = report.FindObject(b.Name());
    if (!da || !db) return false;
    // What stays where it stands while the text above it grows lies under
    // that text by design, and under the rows an inline subreport prints
    // into its band.
    for (const TrpComponent* o : {da, db})
        if (const auto* view = dynamic_cast<const TrpView*>(o); view && view->ShiftMode() == smDontShift) return true;
    if (da->Parent() != db->Parent()) return inlineOverDesign(*da, *db) || inlineOverDesign(*db, *da);
    return overlap(da->Left(), da->Left() + da->Width(), db->Left(), db->Left() + db->Width()) &&
           overlap(da->Top(), da->Top() + da->Height(), db->Top(), db->Top() + db->Height());
}

inline std::string describe(int page, const PlacedObject& o)
{
    return "page " + IntToStr(page + 1) + " " + o.band->Name() + "." + o.object->Name() + " @" +
           FloatToStr(o.left) + "," + FloatToStr(o.top) + "-" + FloatToStr(o.right) + "," + FloatToStr(o.bottom);
}

// Bands as wide as the page whatever its columns.
inline bool pageWide(const TrpBand& band)
{
    return dynamic_cast<const TrpReportTitle*>(&band) || dynamic_cast<const TrpReportSummary*>(&band) ||
           dynamic_cast<const TrpPageHeader*>(&band) || dynamic_cast<const TrpPageFooter*>(&band) ||
           dynamic_cast<const TrpOverlay*>(&band) || dynamic_cast<const TrpNullBand*>(&band);
}

// The printable area of a prepared page, its columns, and the room an
// empty page leaves a band between the bands every page or column starts
// and ends with.
struct PageArea {
    Extended width = 0, height = 0;
    int columns = 1;
    Extended columnWidth = 0;
    std::vector<Extended> columnLefts{0};
    Extended emptyRoom = 0;

    int columnOf(Extended left) const
    {
        int column = 0;
        for (size_t k = 0; k < columnLefts.size(); ++k)
            if (columnLefts[k] <= left + 0.5L) column = static_cast<int>(k);
        return column;
    }
    Extended columnRight(int column) const
    {
        return columns > 1 ? columnLefts[static_cast<size_t>(column)] + columnWidth : width;
    }
};

inline PageArea pageArea(TrpReport& report, const TrpReportPage& page)
{
    PageArea area;
    area.width = (page.PaperWidth() - page.LeftMargin - page.RightMargin) * rp01cm;
    area.height = (page.PaperHeight() - page.TopMargin - page.BottomMargin) * rp01cm;
    area.emptyRoom = area.height;
    const auto* design = dynamic_cast<const TrpReportPage*>(report.FindObject(page.Name()));
    if (!design) return area;
    if (design->Columns() > 1) {
        area.columns = design->Columns();
        area.columnWidth = design->ColumnWidth * rp01cm;
        area.columnLefts.clear();
        const TStringList* positions = design->ColumnPositions();
        // A column without a place of its own stands a column width right
        // of the one before.
        for (int k = 0; k < area.columns; ++k)
            area.columnLefts.push_back(k < positions->Count() ? StrToFloatAnySep(positions->Strings(k)) * rp01cm
                                       : k == 0               ? 0
                                                              : area.columnLefts.back() + area.columnWidth);
    }
    for (const TrpComponent* c : design->Objects()) {
        const auto* band = dynamic_cast<const TrpBand*>(c);
        if (!band || !band->Visible()) continue;
        bool takes = dynamic_cast<const TrpPageFooter*>(band) || dynamic_cast<const TrpColumnFooter*>(band);
        bool chain = dynamic_cast<const TrpPageHeader*>(band) || dynamic_cast<const TrpColumnHeader*>(band);
        if (const auto* h = dynamic_cast<const TrpHeader*>(band)) chain = h->ReprintOnNewPage;
        if (const auto* g = dynamic_cast<const TrpGroupHeader*>(band)) chain = g->ReprintOnNewPage;
        if (takes) area.emptyRoom -= band->Height();
        if (chain)
            for (const TrpBand* b = band; b; b = b->Child()) area.emptyRoom -= b->Height();
    }
    return area;
}

// The design of a printed object: the object of that name, when it is of
// the same class.
inline const TrpComponent* designOf(TrpReport& report, const TrpComponent& printed)
{
    const TrpComponent* design = report.FindObject(printed.Name());
    return design && design->ClassType() == printed.ClassType() ? design : nullptr;
}

// The report's script sets the object's properties itself ("Shape5.Height
// := h"): its size is the script's, not the design's.
inline bool sizedByScript(TrpReport& report, const TrpComponent& object)
{
    if (object.Name().empty()) return false;
    const std::string script = report.ScriptText()->Text();
    return script.find(object.Name() + ".") != std::string::npos;
}

// Lays the memo out as a part of a split would be, in its own height, and
// puts it back: the text that fits and the rest.
inline std::pair<std::u16string, std::u16string> layOutPart(TrpCustomMemoView& memo)
{
    const std::u16string text = memo.Text(), part = memo.PartText;
    const bool first = memo.FirstParaBreak, last = memo.LastParaBreak;
    memo.PartText = text;
    memo.LastParaBreak = first;
    memo.DrawPart();
    std::pair<std::u16string, std::u16string> out{memo.Text(), memo.PartText};
    memo.SetText(text);
    memo.PartText = part;
    memo.FirstParaBreak = first;
    memo.LastParaBreak = last;
    return out;
}

// A text shows at least one whole line, unless that line is taller than an
// empty page. One that grows with its lines shows them all: its box holds
// every line the page got of it. One drawn at a fixed height may print
// lower only at a page's foot, where a split gives it the room left, and
// then shows the lines its drawn box shows.
inline std::string textCut(TrpReport& report, const TrpComponent& object, Extended emptyRoom)
{
    const auto* shown = dynamic_cast<const TrpCustomMemoView*>(&object);
    const auto* design = dynamic_cast<const TrpCustomMemoView*>(designOf(report, object));
    if (!shown || !design || shown->Text().empty()) return {};
    auto& memo = const_cast<TrpCustomMemoView&>(*shown);
    const auto [fits, rest] = layOutPart(memo);
    const Extended height = memo.Height();
    const bool fixed = design->StretchMode() == smDontStretch;
    std::u16string drawn;
    if (fixed) {
        memo.SetHeight(design->Height());
        drawn = layOutPart(memo).first;
        memo.SetHeight(height);
    }
    if (fits.empty()) {
        // A box drawn too low for a line shows none by design.
        if (fixed && drawn.empty()) return {};
        // No whole line: would an empty page have held one?
        memo.SetHeight(std::max(height, emptyRoom));
        const std::u16string firstLine = layOutPart(memo).first;
        memo.SetHeight(height);
        if (firstLine.empty()) return {};
        return "holds not one whole line of \"" + Utf16ToUtf8(memo.Text()) + "\" in a box " + FloatToStr(height) +
               " high";
    }
    if (!fixed) {
        if (rest.empty()) return {};
        return "shows part of its lines, without \"" + Utf16ToUtf8(rest) + "\"";
    }
    if (height >= design->Height() - 0.5L || design->Height() > emptyRoom + kLayoutTolerance ||
        sizedByScript(report, object))
        return {};
    if (drawn.size() <= fits.size()) return {};
    return "shows fewer lines than drawn in a box " + FloatToStr(height) + " high, drawn " +
           FloatToStr(design->Height()) + " high";
}


inline bool emptyText(const TrpComponent& object)
{
    const auto* memo = dynamic_cast<const TrpCustomMemoView*>(&object);
    if (!memo) return false;
    const std::u16string text = memo->Text();
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u' ' || c == u'\r' || c == u'\n'; });
}

// A picture or a shape prints as high as it was drawn, unless it is taller
// than an empty page.
inline std::string sizeChanged(TrpReport& report, const TrpComponent& object, Extended emptyRoom)
{
    // Texts split like growing ones whatever their stretch mode: their
    // lines tell (textCut).
    if (!dynamic_cast<const TrpView*>(&object) || dynamic_cast<const TrpStretcheable*>(&object)) return {};
    const TrpComponent* design = designOf(report, object);
    if (!design) return {};
    if (design->Height() > emptyRoom + kLayoutTolerance || sizedByScript(report, object)) return {};
    // Less than half a unit is rounding at a page's foot; an empty text
    // left at no height shows nothing.
    if (std::abs(object.Height() - design->Height()) < 0.5L) return {};
    if (object.Height() <= kLayoutTolerance && emptyText(object)) return {};
    return "prints " + FloatToStr(object.Height()) + " high, drawn " + FloatToStr(design->Height()) + " high";
}

// A printed band holding nothing but the frame of a band that holds more;
// or a part of a split band (some of its objects went to other parts, or
// it is lower than drawn) holding nothing but frames and texts with
// nothing in them.
inline bool frameStub(TrpReport& report, const TrpBand& band)
{
    const auto* design = dynamic_cast<const TrpBand*>(report.FindObject(band.Name()));
    if (!design || band.Objects().empty()) return false;
    // A subreport prints its rows apart, never in the band.
    const auto holds = [](const TrpComponent* o) {
        return o->Visible() && !framesOnly(*o) && !dynamic_cast<const TrpSubreport*>(o);
    };
    const auto& printed = band.Objects();
    const auto& drawn = design->Objects();
    if (std::none_of(drawn.begin(), drawn.end(), holds)) return false;
    if (std::none_of(printed.begin(), printed.end(), holds)) return true;
    // A part: some of its objects went to other parts, or it is lower
    // than drawn.
    const bool part = band.Height() < design->Height() - 0.5L ||
                      std::any_of(drawn.begin(), drawn.end(), [&](const TrpComponent* d) {
                          return d->Visible() && dynamic_cast<const TrpView*>(d) && !dynamic_cast<const TrpSubreport*>(d) &&
                                 std::none_of(printed.begin(), printed.end(),
                                              [&](const TrpComponent* p) { return p->Name() == d->Name(); });
                      });
    return part && std::none_of(printed.begin(), printed.end(),
                                [&](const TrpComponent* o) { return holds(o) && !emptyText(*o); });
}

// Where an object may reach to the right: the printable width, or for a
// band of a page with columns, its column's right edge. What the design
// itself draws beyond its band is not held against it.
inline std::string beyondRight(TrpReport& report, const PageArea& area, const PlacedObject& p)
{
    const TrpBand& band = *p.band;
    const bool wide = pageWide(band) || area.columns < 2;
    const int column = area.columnOf(band.Left());
    const Extended limit = wide ? area.width : std::min(area.width, area.columnRight(column));
    if (p.right <= limit + kLayoutTolerance) return {};
    const Extended bandWidth = wide ? area.width - (pageWide(band) ? 0 : band.Left()) : area.columnWidth;
    Extended drawnRight = p.right - band.Left();
    const TrpComponent* design = designOf(report, *p.object);
    if (design && design->Parent() && design->Parent()->Name() == band.Name())
        drawnRight = design->Left() + design->Width();
    if (drawnRight > bandWidth + kLayoutTolerance) return {};
    return wide ? "beyond the printable width " + FloatToStr(area.width)
                : "beyond the right edge " + FloatToStr(limit) + " of column " + IntToStr(column + 1);
}

// An object drawn left of or above its band's own edge lies there by design.
inline bool drawnOutside(TrpReport& report, const PlacedObject& p)
{
    const TrpComponent* design = designOf(report, *p.object);
    return design && design->Parent() && design->Parent()->Name() == p.band->Name() &&
           (design->Left() < -kLayoutTolerance || design->Top() < -kLayoutTolerance);
}

// One line per fault; empty when the pages are sound.
inline std::vector<std::string> layoutFaults(TrpReport& report, TrpPreviewPages& pages)
{
    std::vector<std::string> faults;
    for (int i = 0; i < pages.GetCount(); ++i) {
        const std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
        if (!page) continue;
        const PageArea area = pageArea(report, *page);
        std::vector<PlacedObject> placed;
        for (const TrpComponent* c : page->Objects()) {
            const auto* band = dynamic_cast<const TrpBand*>(c);
            if (!band) continue;
            if (frameStub(report, *band))
                faults.push_back("page " + IntToStr(i + 1) + " " + band->Name() + " @" + FloatToStr(band->Left()) + "," +
                                 FloatToStr(band->Top()) + " holds only its frame or empty texts");
            for (const TrpComponent* o : band->Objects()) {
                if (!o->Visible() || !dynamic_cast<const TrpView*>(o)) continue;
                const Extended left = band->Left() + o->Left(), top = band->Top() + o->Top();
                placed.push_back({o, band, left, top, left + o->Width(), top + o->Height()});
            }
        }
        for (size_t a = 0; a < placed.size(); ++a) {
            const PlacedObject& p = placed[a];
            for (const std::string& fault : {textCut(report, *p.object, area.emptyRoom),
                                             sizeChanged(report, *p.object, area.emptyRoom),
                                             beyondRight(report, area, p)})
                if (!fault.empty()) faults.push_back(describe(i, p) + " " + fault);
            if (p.bottom > area.height + kLayoutTolerance)
                faults.push_back(describe(i, p) + " below the printable " + FloatToStr(area.height));
            if ((p.left < -kLayoutTolerance || p.top < -kLayoutTolerance) && !drawnOutside(report, p))
                faults.push_back(describe(i, p) + " left of or above the printable area");
            for (size_t b = a + 1; b < placed.size(); ++b) {
                const PlacedObject& q = placed[b];
                if (!overlap(p, q)) continue;
                if (p.band == q.band) {
                    if (overlappedInDesign(report, *p.object, *q.object)) continue;
                } else {
                    const auto freeBand = [](const TrpBand* band) {
                        return dynamic_cast<const TrpOverlay*>(band) || dynamic_cast<const TrpNullBand*>(band);
                    };
                    if (freeBand(p.band) || freeBand(q.band)) continue;
                }
                faults.push_back(describe(i, p) + " over " + describe(i, q));
            }
        }
    }
    return faults;
}

}  // namespace engine_test
