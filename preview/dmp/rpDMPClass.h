#pragma once
// Report objects for dot-matrix printers: a text, a line drawn with
// characters, a raw printer command and a page. Their geometry snaps to a
// grid of character cells (rp1CharX wide, rp1CharY high: 10 characters per
// inch, 6 lines per inch) and their font is fixed to a monospace face whose
// 0.6-em advance at 12 points is one column. They are laid out, previewed
// and printed through the normal page drawing; nothing here speaks a
// printer language.

#include <cstdint>
#include <string>

#include "rpMemo.h"
#include "rpPages.h"
#include "rpShapes.h"

enum TrpDMPFontStyle {
    fsxBold,
    fsxItalic,
    fsxUnderline,
    fsxSuperScript,
    fsxSubScript,
    fsxCondensed,
    fsxWide,
    fsx12cpi,
    fsx15cpi
};
// Bold, italic and underline show on screen; the other six only travel
// with the object for the printer.
using TrpDMPFontStyles = TSet<TrpDMPFontStyle>;

class TrpDMPMemoView : public TrpCustomMemoView {
    DORVAK_CLASS(TrpDMPMemoView, TrpCustomMemoView)
public:
    explicit TrpDMPMemoView(TComponent* owner = nullptr);

    TrpDMPFontStyles FontStyle() const noexcept { return fontStyle_; }
    // Clears ParentFont.
    void SetFontStyle(TrpDMPFontStyles value);
    bool TruncOutboundText = false;

    // Right-aligned text truncates its Left instead of rounding it.
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetHeight(Extended value) override;
    void SetParentFont(bool value) override;
    std::string GetDescription() const override;
    void DiffTo(std::string& out, TrpComponent* reference) override;
    // Half a cell outside the box on every side, where a character frame
    // would stand.
    void DrawFrame() override;
    Extended CalcHeight() override;
    Extended CalcWidth() override;
    // A bottom frame line takes the character row below the text.
    Extended FrameRowBelow() const override { return Frame()->Typ().Contains(ftBottom) ? rp1CharY : 0; }

    static void Publish(TClassBuilder<TrpDMPMemoView>& b);

private:
    void resetFont();

    TrpDMPFontStyles fontStyle_;
};

class TrpDMPLineView : public TrpCustomLineView {
    DORVAK_CLASS(TrpDMPLineView, TrpCustomLineView)
public:
    explicit TrpDMPLineView(TComponent* owner = nullptr);

    TrpDMPFontStyles FontStyle() const noexcept { return fontStyle_; }
    // Clears ParentFont.
    void SetFontStyle(TrpDMPFontStyles value);

    // A line runs through the middle of its character cells.
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetParentFont(bool value) override;
    std::string GetDescription() const override;
    void DiffTo(std::string& out, TrpComponent* reference) override;

    static void Publish(TClassBuilder<TrpDMPLineView>& b);

private:
    TrpDMPFontStyles fontStyle_;
};

// Printer codes kept as bytes: ESC and bytes of 0x80 and above are stored,
// compared and written as they are, never converted as text.
class TrpDMPCommand : public TrpView {
    DORVAK_CLASS(TrpDMPCommand, TrpView)
public:
    using TrpView::TrpView;

    std::string Command;

    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    std::string GetDescription() const override;
    void DiffTo(std::string& out, TrpComponent* reference) override;

    static void Publish(TClassBuilder<TrpDMPCommand>& b);
};

// Paper of whole columns and rows with one-cell margins; bands on it snap
// to the grid.
class TrpDMPPage : public TrpReportPage {
    DORVAK_CLASS(TrpDMPPage, TrpReportPage)
public:
    explicit TrpDMPPage(TComponent* owner = nullptr);

    TrpDMPFontStyles FontStyle() const noexcept { return fontStyle_; }
    // Reaches every object of the page that takes its parent's font.
    void SetFontStyle(TrpDMPFontStyles value);

    // Whole columns and rows, truncated.
    void SetDefaults() override;
    // Whole columns and rows, rounded.
    void SetPaperWidth(Extended value) override;
    void SetPaperHeight(Extended value) override;
    void SetPaperSize(int32_t value) override;
    bool IsDotMatrix() const override { return true; }

    static void Publish(TClassBuilder<TrpDMPPage>& b);

private:
    void resetFont();
    void snapPaper(bool truncate);

    TrpDMPFontStyles fontStyle_;
};

// The types and classes in the reflection registry and the three views in
// the object registry (category dot-matrix). Called after
// registerReportModel; the mirror before unregisterReportModel.
void registerDMPClasses();
void unregisterDMPClasses();
