#pragma once
// The engine's working values per band and per page, shared by the three
// parts of the engine; nothing outside the engine includes this.

#include <array>
#include <vector>

#include "rpBands.h"
#include "rpEngine.h"

class TrpCustomMemoView;

// One object of a band in the order of the shift links (by Top), with the
// objects that move when it grows.
struct TrpEngine::ShiftNode {
    TrpView* view = nullptr;  // nullptr: the band itself, above everything
    std::vector<int> parents;
    std::vector<int> children;
    Extended stretch = 0;
    // What the node passes down to its shift children.
    Extended down = 0;
};

// An object of a band, in the band's order, with the casts the hot path
// needs done once.
struct TrpBandObject {
    TrpReportComponent* object = nullptr;
    TrpView* view = nullptr;
    TrpStretcheable* stretchable = nullptr;
    TrpCustomMemoView* memo = nullptr;
    int node = 0;
};

struct TrpEngine::BandRun {
    TrpBand* band = nullptr;
    // The rows walked: the band's dataset, or its counted one.
    TrpDataSet* dataSet = nullptr;
    // Data band: its details; group header: the chain it starts.
    std::vector<TrpBand*> subBands;
    TrpBand* header = nullptr;
    // A data band's TrpFooter, a group header's TrpGroupFooter.
    TrpBand* footer = nullptr;
    TrpGroupHeader* group = nullptr;
    bool hasVerticalObjects = false;
    int line = 1;
    int lineThrough = 1;
    Extended maxColumnY = 0;
    // Band columns: where the objects of the current line of rows begin on
    // the prepared page.
    int lineStart = 0;
    Variant lastValue;
    Extended printedHeight = 0;
    bool isReprinted = false;
    // An outline entry was added for the current row or group.
    bool outlineAdded = false;
    bool linksReady = false;
    std::vector<TrpBandObject> objects;
    std::vector<ShiftNode> nodes;  // [0] is the band
    bool hasStretchable = false;
    bool hasRepeated = false;
    // While the band prints: the objects it holds beyond its own (vertical
    // cells, then what inline subreports printed) start at `extraFrom`,
    // the cells at `cellsFrom`, the inline ones at `inlineFrom`;
    // `cellBounds` splits the cells into the parts that go to one page
    // each.
    int extraFrom = -1;
    int cellsFrom = -1;
    int inlineFrom = -1;
    std::vector<int> cellBounds;
    bool savedAllowSplit = false;
    // The objects the shift links were made from.
    int ownCount(const TrpBand* b) const
    {
        return extraFrom >= 0 ? extraFrom : static_cast<int>(b->Objects().size());
    }
};

struct TrpEngine::PageRun {
    TrpReportPage* page = nullptr;
    std::vector<TrpBand*> horizontalMasters;
    std::vector<TrpBand*> verticalMasters;
    // The first band of each kind number, for the kinds a page has once.
    std::array<TrpBand*, bkKindCount> kinds{};
    // The overlay drawn first and the one drawn last (PrintOnTop).
    TrpBand* overlayBelow = nullptr;
    TrpBand* overlayOnTop = nullptr;
};

namespace rp_engine {

// Fits within rounding: a band whose height sums in decimal to the free
// space exactly still fits although the binary sums differ in the last bits.
constexpr Extended kFitTolerance = 1e-6L;
inline bool fits(Extended room, Extended height)
{
    return room >= height - kFitTolerance;
}

// The position key the tree and the shift links sort by: hundredths,
// half away from zero, as the two-decimal text keys ordered them.
int64_t positionKey(Extended value);

bool isDataBand(const TrpBand* band);

}  // namespace rp_engine
