#pragma once
// Bands: the horizontal strips of a report page that the engine prints once
// per report, page, column, group or record. Each class has a kind number
// (its place in the table of the 18 kinds) that the engine, the prepared
// pages and the script bindings share.

#include <memory>
#include <string>
#include <vector>

#include "rpClass.h"

class TrpChild;
class TrpUserDataSet;

// The kind numbers of the table by name; the engine, the prepared pages and
// the script bindings share the numbers.
enum TrpBandKind : int {
    bkReportTitle, bkReportSummary, bkPageHeader, bkPageFooter, bkHeader, bkFooter, bkMasterData, bkDetailData,
    bkSubdetailData, bkDataBand4, bkDataBand5, bkDataBand6, bkGroupHeader, bkGroupFooter, bkChild, bkColumnHeader,
    bkColumnFooter, bkOverlay,
    bkKindCount
};

class TrpBand : public TrpReportComponent {
    DORVAK_CLASS(TrpBand, TrpReportComponent)
public:
    explicit TrpBand(TComponent* owner = nullptr);
    ~TrpBand() override;

    bool Vertical = false;
    bool AllowSplit = false;
    bool KeepChild = false;
    std::string OutlineText;
    bool StartNewPage = false;
    bool Stretched = false;
    bool PrintChildIfInvisible = false;
    std::string OnAfterCalcHeight, OnAfterPrint, OnBeforePrint;
    // The engine's: the band's place among its working values, and whether
    // the band is being printed past the end of its page.
    int BandIndex = -1;
    bool Overflow = false;

    // 0 to 17 by the nearest class of the table; 0 for other bands.
    virtual int KindNumber() const { return 0; }

    TrpChild* Child() const noexcept;
    // Refuses a chain of children that leads back to this band.
    void SetChild(TrpChild* value);

    // On a dot-matrix page positions snap to character cells.
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetHeight(Extended value) override;

    void Draw(TCanvas&, Extended, Extended, Extended, Extended) override {}
    std::string GetDescription() const override;

    static void Publish(TClassBuilder<TrpBand>& b);

protected:
    bool DiffTopAlways() const override { return true; }
    bool OnDotMatrixPage() const;
    // Publishes the named properties every band holds.
    template <class T>
    static void PublishHeld(TClassBuilder<T>& b, std::initializer_list<std::string_view> names);

private:
    Ref<TrpChild> child_;
};

// ---- the kinds

class TrpReportTitle : public TrpBand {
    DORVAK_CLASS(TrpReportTitle, TrpBand)
public:
    using TrpBand::TrpBand;
    int KindNumber() const override { return bkReportTitle; }
    static void Publish(TClassBuilder<TrpReportTitle>& b);
};

class TrpReportSummary : public TrpBand {
    DORVAK_CLASS(TrpReportSummary, TrpBand)
public:
    using TrpBand::TrpBand;
    int KindNumber() const override { return bkReportSummary; }
    static void Publish(TClassBuilder<TrpReportSummary>& b);
};

class TrpPageHeader : public TrpBand {
    DORVAK_CLASS(TrpPageHeader, TrpBand)
public:
    using TrpBand::TrpBand;
    bool PrintOnFirstPage = true;
    int KindNumber() const override { return bkPageHeader; }
    static void Publish(TClassBuilder<TrpPageHeader>& b);
};

class TrpPageFooter : public TrpBand {
    DORVAK_CLASS(TrpPageFooter, TrpBand)
public:
    using TrpBand::TrpBand;
    bool PrintOnFirstPage = true;
    bool PrintOnLastPage = true;
    int KindNumber() const override { return bkPageFooter; }
    static void Publish(TClassBuilder<TrpPageFooter>& b);
};

class TrpHeader : public TrpBand {
    DORVAK_CLASS(TrpHeader, TrpBand)
public:
    using TrpBand::TrpBand;
    bool ReprintOnNewPage = false;
    int KindNumber() const override { return bkHeader; }
    static void Publish(TClassBuilder<TrpHeader>& b);
};

class TrpFooter : public TrpBand {
    DORVAK_CLASS(TrpFooter, TrpBand)
public:
    using TrpBand::TrpBand;
    int KindNumber() const override { return bkFooter; }
    static void Publish(TClassBuilder<TrpFooter>& b);
};

// A band printed once per record of its dataset, or RowCount times without
// one (through its own user dataset), in columns when asked.
class TrpDataBand : public TrpBand {
    DORVAK_CLASS(TrpDataBand, TrpBand)
public:
    explicit TrpDataBand(TComponent* owner = nullptr);
    ~TrpDataBand() override;

    int32_t Columns = 0;
    Extended ColumnWidth = 0;
    Extended ColumnGap = 0;
    bool FooterAfterEach = false;
    bool KeepFooter = false;
    bool KeepHeader = false;
    bool KeepTogether = false;
    bool PrintIfDetailEmpty = false;
    std::string OnMasterDetail;

    TrpDataSet* DataSet() const noexcept;
    void SetDataSet(TrpDataSet* value);
    std::string DataSetName() const;
    void SetDataSetName(const std::string& value);
    // The rows printed without a dataset.
    int32_t RowCount() const;
    void SetRowCount(int32_t value);
    TrpUserDataSet* RowsDataSet() const noexcept { return rows_.get(); }

    // The current column, 1-based: a value above Columns is 1; Left moves
    // to the column's place.
    int CurColumn() const noexcept { return curColumn_; }
    void SetCurColumn(int value);
    Extended ColumnOffset = 0;

    std::string GetDescription() const override;

    static void Publish(TClassBuilder<TrpDataBand>& b);

private:
    std::unique_ptr<TrpUserDataSet> rows_;
    TrpDataSetLink dataSet_;
    int curColumn_ = 1;
};

class TrpMasterData : public TrpDataBand {
    DORVAK_CLASS(TrpMasterData, TrpDataBand)
public:
    using TrpDataBand::TrpDataBand;
    int KindNumber() const override { return bkMasterData; }
};

class TrpDetailData : public TrpDataBand {
    DORVAK_CLASS(TrpDetailData, TrpDataBand)
public:
    using TrpDataBand::TrpDataBand;
    int KindNumber() const override { return bkDetailData; }
};

class TrpSubdetailData : public TrpDataBand {
    DORVAK_CLASS(TrpSubdetailData, TrpDataBand)
public:
    using TrpDataBand::TrpDataBand;
    int KindNumber() const override { return bkSubdetailData; }
};

class TrpDataBand4 : public TrpDataBand {
    DORVAK_CLASS(TrpDataBand4, TrpDataBand)
public:
    using TrpDataBand::TrpDataBand;
    int KindNumber() const override { return bkDataBand4; }
};

class TrpDataBand5 : public TrpDataBand {
    DORVAK_CLASS(TrpDataBand5, TrpDataBand)
public:
    using TrpDataBand::TrpDataBand;
    int KindNumber() const override { return bkDataBand5; }
};

class TrpDataBand6 : public TrpDataBand {
    DORVAK_CLASS(TrpDataBand6, TrpDataBand)
public:
    using TrpDataBand::TrpDataBand;
    int KindNumber() const override { return bkDataBand6; }
};

class TrpGroupHeader : public TrpBand {
    DORVAK_CLASS(TrpGroupHeader, TrpBand)
public:
    using TrpBand::TrpBand;
    std::string Condition;
    bool DrillDown = false;
    bool ExpandDrillDown = false;
    bool KeepTogether = false;
    bool ReprintOnNewPage = false;
    bool ResetPageNumbers = false;
    bool ShowFooterIfDrillDown = false;
    bool ShowChildIfDrillDown = false;
    std::string DrillName;
    int KindNumber() const override { return bkGroupHeader; }
    void DiffTo(std::string& out, TrpComponent* reference) override;
    static void Publish(TClassBuilder<TrpGroupHeader>& b);
};

class TrpGroupFooter : public TrpBand {
    DORVAK_CLASS(TrpGroupFooter, TrpBand)
public:
    using TrpBand::TrpBand;
    bool HideIfSingleDataRecord = false;
    int KindNumber() const override { return bkGroupFooter; }
    static void Publish(TClassBuilder<TrpGroupFooter>& b);
};

class TrpChild : public TrpBand {
    DORVAK_CLASS(TrpChild, TrpBand)
public:
    using TrpBand::TrpBand;
    int KindNumber() const override { return bkChild; }
    static void Publish(TClassBuilder<TrpChild>& b);
};

class TrpColumnHeader : public TrpBand {
    DORVAK_CLASS(TrpColumnHeader, TrpBand)
public:
    using TrpBand::TrpBand;
    int KindNumber() const override { return bkColumnHeader; }
    static void Publish(TClassBuilder<TrpColumnHeader>& b);
};

class TrpColumnFooter : public TrpBand {
    DORVAK_CLASS(TrpColumnFooter, TrpBand)
public:
    using TrpBand::TrpBand;
    int KindNumber() const override { return bkColumnFooter; }
};

class TrpOverlay : public TrpBand {
    DORVAK_CLASS(TrpOverlay, TrpBand)
public:
    using TrpBand::TrpBand;
    bool PrintOnTop = false;
    int KindNumber() const override { return bkOverlay; }
    static void Publish(TClassBuilder<TrpOverlay>& b);
};

// A band without kind: a container of the engine and the prepared pages.
class TrpNullBand : public TrpBand {
    DORVAK_CLASS(TrpNullBand, TrpBand)
public:
    using TrpBand::TrpBand;
};

void registerBandClasses();
