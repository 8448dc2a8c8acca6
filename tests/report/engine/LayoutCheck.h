#pragma once
// What a reader of printed pages calls a fault of layout, found on the
// prepared pages of a run: an object lying below the printable area, two
// objects of one band lying over each other that did not in the design,
// and objects of two bands lying over each other (overlays and the page's
// own objects excepted: they lie over the rest by design), a growing text
// whose box holds less than its lines, a part of a band holding only its
// frame lines.

#include <algorithm>
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

struct PlacedObject {
    const TrpComponent* object;
    const TrpBand* band;
    Extended left, top, right, bottom;
};

inline bool overlap(Extended a0, Extended a1, Extended b0, Extended b1)
{
    constexpr Extended tolerance = 0.01L;
    return a0 < b1 - tolerance && b0 < a1 - tolerance;
}

inline bool overlap(const PlacedObject& a, const PlacedObject& b)
{
    return overlap(a.left, a.right, b.left, b.right) && overlap(a.top, a.bottom, b.top, b.bottom);
}

// Whether two objects printed in one band overlapped in the design: both
// named objects of one design band whose areas meet. Copies of one object
// (cells, rows printed on their band) never lie over each other.
inline bool overlappedInDesign(TrpReport& report, const TrpComponent& a, const TrpComponent& b)
{
    if (a.Name().empty() || a.Name() == b.Name()) return false;
    const TrpComponent* da = report.FindObject(a.Name());
    const TrpComponent* db = report.FindObject(b.Name());
    if (!da || !db || da->Parent() != db->Parent()) return false;
    // What stays where it stands while the text above it grows lies under
    // that text by design.
    for (const TrpComponent* o : {da, db})
        if (const auto* view = dynamic_cast<const TrpView*>(o); view && view->ShiftMode() == smDontShift) return true;
    return overlap(da->Left(), da->Left() + da->Width(), db->Left(), db->Left() + db->Width()) &&
           overlap(da->Top(), da->Top() + da->Height(), db->Top(), db->Top() + db->Height());
}

inline std::string describe(int page, const PlacedObject& o)
{
    return "page " + IntToStr(page + 1) + " " + o.band->Name() + "." + o.object->Name() + " @" +
           FloatToStr(o.left) + "," + FloatToStr(o.top) + "-" + FloatToStr(o.bottom);
}

// A text that grows with its lines shows them all: its box holds every
// line the page got of it. A line taller than an empty page shows cut on
// purpose: a box that holds no whole line is left to that.
inline std::string textCut(TrpReport& report, const TrpComponent& object)
{
    const auto* shown = dynamic_cast<const TrpCustomMemoView*>(&object);
    const auto* design = dynamic_cast<const TrpCustomMemoView*>(report.FindObject(object.Name()));
    if (!shown || !design || design->StretchMode() == smDontStretch || shown->Text().empty()) return {};
    // Laid out as a part of a split would be, then put back.
    auto& memo = const_cast<TrpCustomMemoView&>(*shown);
    const std::u16string text = memo.Text(), part = memo.PartText;
    const bool first = memo.FirstParaBreak, last = memo.LastParaBreak;
    memo.PartText = text;
    memo.LastParaBreak = first;
    memo.DrawPart();
    const std::u16string fits = memo.Text(), rest = memo.PartText;
    memo.SetText(text);
    memo.PartText = part;
    memo.FirstParaBreak = first;
    memo.LastParaBreak = last;
    if (fits.empty() || rest.empty()) return {};
    return "shows part of its lines, without \"" + Utf16ToUtf8(rest) + "\"";
}

// Lines and boxes as high as the band only frame what the band holds.
inline bool framesOnly(const TrpComponent& object)
{
    if (dynamic_cast<const TrpCustomLineView*>(&object)) return true;
    const auto* stretchable = dynamic_cast<const TrpStretcheable*>(&object);
    return stretchable && stretchable->StretchMode() == smMaxHeight;
}

// A printed band holding nothing but the frame of a band that holds more.
inline bool frameStub(TrpReport& report, const TrpBand& band)
{
    const auto* design = dynamic_cast<const TrpBand*>(report.FindObject(band.Name()));
    if (!design || band.Objects().empty()) return false;
    const auto holds = [](const TrpComponent* o) { return o->Visible() && !framesOnly(*o); };
    const auto& printed = band.Objects();
    return std::none_of(printed.begin(), printed.end(), holds) &&
           std::any_of(design->Objects().begin(), design->Objects().end(), holds);
}

// One line per fault; empty when the pages are sound.
inline std::vector<std::string> layoutFaults(TrpReport& report, TrpPreviewPages& pages)
{
    std::vector<std::string> faults;
    for (int i = 0; i < pages.GetCount(); ++i) {
        const std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
        if (!page) continue;
        const Extended printable = (page->PaperHeight() - page->TopMargin - page->BottomMargin) * rp01cm;
        std::vector<PlacedObject> placed;
        for (const TrpComponent* c : page->Objects()) {
            const auto* band = dynamic_cast<const TrpBand*>(c);
            if (!band) continue;
            if (frameStub(report, *band))
                faults.push_back("page " + IntToStr(i + 1) + " " + band->Name() + " @" + FloatToStr(band->Top()) +
                                 " holds only its frame");
            for (const TrpComponent* o : band->Objects()) {
                if (!o->Visible() || !dynamic_cast<const TrpView*>(o)) continue;
                const Extended left = band->Left() + o->Left(), top = band->Top() + o->Top();
                placed.push_back({o, band, left, top, left + o->Width(), top + o->Height()});
            }
        }
        for (size_t a = 0; a < placed.size(); ++a) {
            const PlacedObject& p = placed[a];
            if (const std::string cut = textCut(report, *p.object); !cut.empty())
                faults.push_back(describe(i, p) + " " + cut);
            if (p.bottom > printable + 0.01L) faults.push_back(describe(i, p) + " below the printable " + FloatToStr(printable));
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
