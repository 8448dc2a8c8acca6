#include "rpShapes.h"

#include <algorithm>
#include <cmath>

#include "rpDiff.h"
#include "rpFrameDraw.h"
#include "rpPages.h"
#include "rpRes.h"

namespace {

TPoint roundPoint(Extended x, Extended y)
{
    return {static_cast<int>(Round(x)), static_cast<int>(Round(y))};
}

bool between(Extended v, Extended a, Extended b)
{
    return v >= std::min(a, b) && v <= std::max(a, b);
}

}  // namespace

// ---------------------------------------------------------------- lines

TrpCustomLineView::TrpCustomLineView(TComponent* owner) : TrpStretcheable(owner)
{
    SetComponentStyle(0, rpcsWriteAllProperties);
}

void TrpCustomLineView::InitDesigning(uint16_t flags)
{
    TrpStretcheable::InitDesigning(flags);
    Diagonal = flags != 0;
    ArrowEnd = flags == 2 || flags == 4;
    ArrowStart = flags == 3 || flags == 4;
}

void TrpCustomLineView::DrawArrow(TCanvas& canvas, int x1, int y1, int x2, int y2)
{
    const Extended aw = ArrowWidth * ScaleX();
    const Extended al = ArrowLength * ScaleX();
    Extended xb, yb;
    TPoint barb1, barb2;
    if (std::abs(x2 - x1) <= 8) {
        xb = x2;
        yb = y2 - al;
        if (!between(yb, y1, y2)) yb = y2 + al;
        barb1 = roundPoint(xb - aw, yb);
        barb2 = roundPoint(xb + aw, yb);
    } else {
        // The point of the line y = kx + c at distance al from the tip.
        const Extended k = Extended(y2 - y1) / (x2 - x1);
        const Extended c = (Extended(x2) * y1 - Extended(x1) * y2) / (x2 - x1);
        const Extended a = 1 + k * k;
        const Extended bq = 2 * ((c - y2) * k - x2);
        const Extended cq = Extended(x2) * x2 + Extended(y2) * y2 - al * al + c * c - 2 * y2 * c;
        const Extended root = std::sqrt(std::max<Extended>(0, bq * bq - 4 * a * cq));
        xb = (-bq + root) / (2 * a);
        if (!between(xb, x1, x2)) xb = (-bq - root) / (2 * a);
        yb = k * xb + c;
        const Extended theta = std::atan(k);
        barb1 = roundPoint(xb + aw * std::sin(theta), yb - aw * std::cos(theta));
        barb2 = roundPoint(xb - aw * std::sin(theta), yb + aw * std::cos(theta));
    }
    const TPoint tip{x2, y2};
    canvas.Pen()->SetColor(Frame()->Color());
    canvas.Pen()->SetStyle(psSolid);
    if (ArrowSolid) {
        canvas.Pen()->SetWidth(1);
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(Frame()->Color());
        const TPoint points[] = {tip, barb1, barb2, tip};
        canvas.Polygon(points);
    } else {
        canvas.Pen()->SetWidth(FrameWidth);
        const TPoint points[] = {barb1, tip, barb2};
        canvas.Polyline(points);
    }
}

void TrpCustomLineView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    if (!Diagonal) {
        if (Height() >= Width()) {
            SetWidth(0);
            Frame()->SetTyp({ftLeft});
        } else {
            SetHeight(0);
            Frame()->SetTyp({ftTop});
        }
    }
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    if (!Diagonal) {
        DrawFrame();
    } else {
        const TrpFrame& frame = *Frame();
        if (frame.Color() == clNone || frame.Width() == 0) return;
        canvas.Brush()->SetStyle(Color() == clNone ? bsClear : bsSolid);
        if (Color() != clNone) canvas.Brush()->SetColor(Color());
        canvas.Pen()->SetColor(frame.Color());
        canvas.Pen()->SetStyle(rpFramePenStyle(frame.Style()));
        rpDrawThickLine(canvas, X, Y, X1, Y1, FrameWidth);
    }
    if (ArrowStart) DrawArrow(canvas, X1, Y1, X, Y);
    if (ArrowEnd) DrawArrow(canvas, X, Y, X1, Y1);
}

void TrpCustomLineView::Publish(TClassBuilder<TrpCustomLineView>& b)
{
    PublishTagStr(b);
}

std::string TrpLineView::GetDescription() const
{
    return GetResources().Get("obLine");
}

void TrpLineView::Publish(TClassBuilder<TrpLineView>& b)
{
    using L = TrpLineView;
    b.property("ArrowEnd", &L::ArrowEnd).defaultValue(false);
    b.property("ArrowLength", &L::ArrowLength).defaultValue(20);
    b.property("ArrowSolid", &L::ArrowSolid).defaultValue(false);
    b.property("ArrowStart", &L::ArrowStart).defaultValue(false);
    b.property("ArrowWidth", &L::ArrowWidth).defaultValue(5);
    PublishFrame(b);
    b.property("Diagonal", &L::Diagonal).defaultValue(false);
}

// ---------------------------------------------------------------- shapes

TrpShapeView::TrpShapeView(TComponent* owner) : TrpView(owner)
{
    SetComponentStyle(0, rpcsWriteAllProperties);
}

void TrpShapeView::InitDesigning(uint16_t flags)
{
    TrpView::InitDesigning(flags);
    if (flags <= skDiagonal2) Shape = static_cast<TrpShapeKind>(flags);
}

void TrpShapeView::drawOutline(TCanvas& canvas)
{
    switch (Shape) {
    case skRectangle: canvas.Rectangle(X, Y, X1 + 1, Y1 + 1); break;
    case skRoundRectangle: {
        const int corner = Curve ? static_cast<int>(Round(Curve * ScaleX() * 10)) : std::min(DX, DY) / 4;
        canvas.RoundRect(X, Y, X1 + 1, Y1 + 1, corner, corner);
        break;
    }
    case skEllipse: canvas.Ellipse(X, Y, X1 + 1, Y1 + 1); break;
    case skTriangle: {
        const TPoint points[] = {{X1, Y1}, {X, Y1}, {X + DX / 2, Y}};
        canvas.Polygon(points);
        break;
    }
    case skDiamond: {
        const TPoint points[] = {{X + DX / 2, Y}, {X1, Y + DY / 2}, {X + DX / 2, Y1}, {X, Y + DY / 2}};
        canvas.Polygon(points);
        break;
    }
    case skDiagonal1: rpDrawThickLine(canvas, X, Y1, X1, Y, FrameWidth); break;
    case skDiagonal2: rpDrawThickLine(canvas, X, Y, X1, Y1, FrameWidth); break;
    }
}

void TrpShapeView::drawPass(TCanvas& canvas)
{
    const TrpFrame& frame = *Frame();
    TPen& pen = *canvas.Pen();
    pen.SetColor(frame.Color());
    pen.SetWidth(FrameWidth);
    pen.SetStyle(frame.Color() == clNone ? psClear : rpFramePenStyle(frame.Style()));
    TBrush& brush = *canvas.Brush();
    if (BrushStyle() == bsSolid) {
        brush.SetStyle(Color() == clNone ? bsClear : bsSolid);
        if (Color() != clNone) brush.SetColor(Color());
        drawOutline(canvas);
        return;
    }
    if (Color() != clNone) {
        brush.SetStyle(bsSolid);
        brush.SetColor(Color());
        drawOutline(canvas);
    }
    brush.SetStyle(BrushStyle());
    brush.SetColor(frame.Color());
    drawOutline(canvas);
}

void TrpShapeView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    TrpFrame& frame = *Frame();
    if (frame.Style() != fsDouble) {
        BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
        drawPass(canvas);
        return;
    }
    frame.SetStyle(fsSolid);
    const Extended l = Left(), t = Top(), w = Width(), h = Height();
    struct Restore {
        TrpShapeView& v;
        Extended l, t, w, h;
        ~Restore()
        {
            v.Frame()->SetStyle(fsDouble);
            v.SetLeft(l);
            v.SetTop(t);
            v.SetWidth(w);
            v.SetHeight(h);
        }
    } restore{*this, l, t, w, h};
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    drawPass(canvas);
    const Extended f = frame.Width();
    switch (Shape) {
    case skTriangle: SetBounds(l + 4 * f, t + 4 * f, w - 8 * f, h - 6 * f); break;
    case skDiamond: SetBounds(l + 3 * f, t + 3 * f, w - 6 * f, h - 6 * f); break;
    case skDiagonal1:
    case skDiagonal2: SetLeft(l + 2 * f); break;
    default: SetBounds(l + 2 * f, t + 2 * f, w - 4 * f, h - 4 * f); break;
    }
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    drawPass(canvas);
}

void TrpShapeView::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpView::DiffTo(out, reference);
    if (auto* r = dynamic_cast<TrpShapeView*>(reference)) rpDiffInt(out, " Shape=\"", Shape, r->Shape);
}

std::string TrpShapeView::GetDescription() const
{
    return GetResources().Get("obShape");
}

void TrpShapeView::Publish(TClassBuilder<TrpShapeView>& b)
{
    PublishBrushStyle(b);
    PublishColor(b);
    PublishCursor(b);
    b.property("Curve", &TrpShapeView::Curve).defaultValue(0);
    PublishFrame(b);
    b.property("Shape", &TrpShapeView::Shape).defaultValue(skRectangle);
    PublishTagStr(b);
    PublishURL(b);
}

// ---------------------------------------------------------------- subreports

TrpSubreport::TrpSubreport(TComponent* owner) : TrpView(owner)
{
    SetComponentStyle(0, rpcsPageContent);
    Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    TFont font;
    font.SetName("Tahoma");
    font.SetSize(8);
    font.SetColor(clBlack);
    SetFont(&font);
    SetColor(clSilver);
}

TrpSubreport::~TrpSubreport()
{
    if (TrpReportPage* page = page_.get()) page->SetSubreport(nullptr);
}

TrpReportPage* TrpSubreport::Page() const noexcept
{
    return page_.get();
}

void TrpSubreport::SetPage(TrpReportPage* value)
{
    page_ = value;
    if (value) value->SetSubreport(this);
}

void TrpSubreport::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    TrpView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    canvas.Font()->Assign(Font());
    canvas.SetFontEscapement(0);
    canvas.Brush()->SetStyle(bsClear);
    canvas.TextOut(X + 2, Y + 2, Name());
}

std::string TrpSubreport::GetDescription() const
{
    return GetResources().Get("obSubRep");
}

void TrpSubreport::Publish(TClassBuilder<TrpSubreport>& b)
{
    b.property("Page", &TrpSubreport::Page, &TrpSubreport::SetPage);
    b.property("PrintOnParent", &TrpSubreport::PrintOnParent).defaultValue(false);
}

void registerShapeClasses()
{
    RegisterClass<TrpCustomLineView>(TrpCustomLineView::Publish);
    RegisterClass<TrpLineView>(TrpLineView::Publish);
    RegisterClass<TrpShapeView>(TrpShapeView::Publish);
    RegisterClass<TrpSubreport>(TrpSubreport::Publish);
}
