#pragma once
// Lines with arrowheads, the seven shapes, and the subreport placeholder.

#include "rpClass.h"

class TrpReportPage;

class TrpCustomLineView : public TrpStretcheable {
    DORVAK_CLASS(TrpCustomLineView, TrpStretcheable)
public:
    explicit TrpCustomLineView(TComponent* owner = nullptr);

    bool Diagonal = false;
    bool ArrowStart = false;
    bool ArrowEnd = false;
    bool ArrowSolid = false;
    int32_t ArrowLength = 20;
    int32_t ArrowWidth = 5;

    // Flags 0: straight; 1 diagonal; 2 with an end arrow; 3 with a start
    // arrow; 4 with both.
    void InitDesigning(uint16_t flags) override;
    // A line that is not diagonal becomes vertical or horizontal in the
    // object itself, and is drawn as that side of its frame.
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

    static void Publish(TClassBuilder<TrpCustomLineView>& b);

protected:
    // The head at (x2, y2) of the segment from (x1, y1), device pixels.
    void DrawArrow(TCanvas& canvas, int x1, int y1, int x2, int y2);
};

class TrpLineView : public TrpCustomLineView {
    DORVAK_CLASS(TrpLineView, TrpCustomLineView)
public:
    using TrpCustomLineView::TrpCustomLineView;
    std::string GetDescription() const override;
    static void Publish(TClassBuilder<TrpLineView>& b);
};

class TrpShapeView : public TrpView {
    DORVAK_CLASS(TrpShapeView, TrpView)
public:
    explicit TrpShapeView(TComponent* owner = nullptr);

    // Corner size of the rounded rectangle in tens of report units; 0
    // picks a quarter of the shorter side.
    int32_t Curve = 0;
    TrpShapeKind Shape = skRectangle;

    // The flags are the shape kind.
    void InitDesigning(uint16_t flags) override;
    // Outline and fill only (no view background or frame); a double frame
    // draws the shape twice, the second inset by the frame width.
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void DiffTo(std::string& out, TrpComponent* reference) override;
    std::string GetDescription() const override;

    static void Publish(TClassBuilder<TrpShapeView>& b);

private:
    void drawPass(TCanvas& canvas);
    void drawOutline(TCanvas& canvas);
};

// Prints another report page in its place; never copied into prepared
// pages.
class TrpSubreport : public TrpView {
    DORVAK_CLASS(TrpSubreport, TrpView)
public:
    explicit TrpSubreport(TComponent* owner = nullptr);
    ~TrpSubreport() override;

    bool PrintOnParent = false;
    TrpReportPage* Page() const noexcept;
    // Links the page back to this subreport.
    void SetPage(TrpReportPage* value);

    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    std::string GetDescription() const override;

    static void Publish(TClassBuilder<TrpSubreport>& b);

private:
    Ref<TrpReportPage> page_;
};

void registerShapeClasses();
