#pragma once
// The aggregate calls (SUM, AVG, MIN, MAX, COUNT) found in the texts of
// footers, page footers, column footers, summaries and vertical bands: one
// item per call, fed the rows of its data band and read back by the
// report's aggregate functions while the band holding the call prints.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "rpEngine.h"

class TrpCustomMemoView;

enum TrpAggregateKind : uint8_t { akSum, akAvg, akMin, akMax, akCount };

struct TrpAggregateItem {
    TrpAggregateKind Kind = akSum;
    // The data band whose rows are aggregated, and the one the call named
    // (nullptr when it named none and takes its default band).
    TrpBand* Band = nullptr;
    TrpBand* NamedBand = nullptr;
    bool CountInvisibleBands = false;
    // A running total: once it holds rows, nothing resets it but a new pass.
    bool DontReset = false;
    bool IsPageFooter = false;
    // In a page or column footer: the rows of its page (or column).
    bool IsPageTotal = false;
    // The first argument as written (empty for COUNT), and the same without
    // blanks outside quotes, which calls are matched by.
    std::string Expression;
    std::string Key;
    int Count = 0;
    Variant Value = Variant::Null();
    // One value and count per vertical column (index 0 unused); empty
    // until a row of a vertical column arrives.
    std::vector<Variant> Values;
    std::vector<int> Counts;
    // Rows held apart while a keep block is open (page footers only).
    bool Pending = false;
    int PendingCount = 0;
    Variant PendingValue = Variant::Null();
    // Rows of a set of band columns held apart (page and column footers).
    bool RowSetHeld = false;
    // The set began inside an open keep block: its rows are the block's
    // when the set ends, and stay the set's when the block is given up.
    bool RowSetInKeep = false;
    int RowSetCount = 0;
    Variant RowSetValue = Variant::Null();
    // Count and value before the last row.
    int SavedCount = 0;
    Variant SavedValue = Variant::Null();
    // The band holding the text of the call.
    TrpBand* ParentBand = nullptr;
    std::string MemoName;
    std::string FuncText;
};

class TrpAggregateList : public TrpEngineAggregates {
public:
    explicit TrpAggregateList(TrpEngine& engine) : engine_(engine) {}

    void Clear() override;
    void AddAggregates(TrpBand* band, TrpBand* defaultBand) override;
    void AddValue(TrpBand* band, int vcolumn, Feed feed = Feed::All) override;
    void Reset(TrpBand* band) override;
    void StartKeep() override;
    void EndKeep() override;
    void HoldRowSet() override;
    void ReleaseRowSet() override;
    void CancelKeep(TrpBand* band) override;
    void ClearValues() override;
    Variant GetValue(TrpBand* current, TrpBand* host, int vcolumn, int32_t flags, const Variant& band,
                     const std::string& expression, const std::string& name) override;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const TrpAggregateItem& Items(int index) const { return *items_[static_cast<size_t>(index)]; }

    // An expression as calls are matched: blanks outside quotes dropped.
    static std::string MatchKey(std::string_view expression);

private:
    struct Scan;
    void scanMemo(TrpCustomMemoView* memo, TrpBand* parentBand, TrpBand* defaultBand);
    void scanExpression(std::string_view text, Scan& scan);
    void makeItem(std::string_view word, std::string_view call, std::string_view arguments, Scan& scan);
    void resetItem(TrpAggregateItem& item, bool force);
    void index();

    TrpEngine& engine_;
    std::vector<std::unique_ptr<TrpAggregateItem>> items_;
    // The items fed by a data band, and those held by a band.
    std::unordered_map<const TrpBand*, std::vector<TrpAggregateItem*>> byBand_;
    std::unordered_map<const TrpBand*, std::vector<TrpAggregateItem*>> byParent_;
    std::vector<TrpAggregateItem*> pageFooterItems_;
    // Page and column footers': the rows of a set of band columns.
    std::vector<TrpAggregateItem*> pageTotalItems_;
};
