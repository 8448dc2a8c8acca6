#include "rpDMPClass.h"

#include "rpDiff.h"
#include "rpFrameDraw.h"
#include "rpMemoPublish.h"
#include "rpRegistry.h"
#include "rpRes.h"
#include "rpXMLSerializer.h"

namespace {

Extended roundToCells(Extended value, Extended cell)
{
    return static_cast<Extended>(Round(value / cell)) * cell;
}

Extended truncToCells(Extended value, Extended cell)
{
    return static_cast<Extended>(Trunc(value / cell)) * cell;
}

// Millimetres of paper to whole cells and back.
Extended paperToCells(Extended mm, Extended cell, bool truncate)
{
    const Extended cells = mm * rp01cm / cell;
    return static_cast<Extended>(truncate ? Trunc(cells) : Round(cells)) * cell / rp01cm;
}

// The monospace face whose 0.6-em advance at 12 points is one column and
// whose em plus one unit of line spacing is one row. The change
// notification stays detached: the font is the grid's, not the user's.
void resetDMPFont(TFont& font, TrpDMPFontStyles style)
{
    font.OnChange = nullptr;
    font.SetName("Courier New");
    font.SetSize(12);
    TFontStyles shown;
    if (style.Contains(fsxBold)) shown.Include(fsBold);
    if (style.Contains(fsxItalic)) shown.Include(fsItalic);
    if (style.Contains(fsxUnderline)) shown.Include(fsUnderline);
    font.SetStyle(shown);
}

void diffFontStyle(std::string& out, TrpDMPFontStyles value, TrpDMPFontStyles reference)
{
    rpDiffInt(out, " FontStyle=\"", static_cast<uint16_t>(value.Bits()), static_cast<uint16_t>(reference.Bits()));
}

TrpDMPPage* dmpPageOf(const TrpComponent* object)
{
    return dynamic_cast<TrpDMPPage*>(object->GetPage());
}

}  // namespace

// ---------------------------------------------------------------- text

TrpDMPMemoView::TrpDMPMemoView(TComponent* owner) : TrpCustomMemoView(owner)
{
    // The base constructor took the parent's font before this class could
    // take the page's style with it.
    if (ParentFont())
        if (TrpDMPPage* page = dmpPageOf(this)) fontStyle_ = page->FontStyle();
    resetFont();
}

void TrpDMPMemoView::resetFont()
{
    resetDMPFont(*Font(), fontStyle_);
    CharSpacing = 0;
    LineSpacing = 1;
    GapX = 0;
    GapY = 0;
}

void TrpDMPMemoView::SetFontStyle(TrpDMPFontStyles value)
{
    fontStyle_ = value;
    SetParentFont(false);
    resetFont();
}

void TrpDMPMemoView::SetLeft(Extended value)
{
    TrpCustomMemoView::SetLeft(Align() == baRight ? truncToCells(value, rp1CharX) : roundToCells(value, rp1CharX));
}

void TrpDMPMemoView::SetTop(Extended value)
{
    TrpCustomMemoView::SetTop(roundToCells(value, rp1CharY));
}

void TrpDMPMemoView::SetWidth(Extended value)
{
    TrpCustomMemoView::SetWidth(roundToCells(value, rp1CharX));
}

void TrpDMPMemoView::SetHeight(Extended value)
{
    TrpCustomMemoView::SetHeight(roundToCells(value, rp1CharY));
}

void TrpDMPMemoView::SetParentFont(bool value)
{
    TrpCustomMemoView::SetParentFont(value);
    if (!value) return;
    // The field, not the property: its setter would clear ParentFont and
    // stop the page's later changes from reaching this object.
    if (TrpDMPPage* page = dmpPageOf(this)) {
        fontStyle_ = page->FontStyle();
        resetFont();
    }
}

std::string TrpDMPMemoView::GetDescription() const
{
    return GetResources().Get("obDMPText");
}

void TrpDMPMemoView::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpCustomMemoView::DiffTo(out, reference);
    if (auto* r = dynamic_cast<TrpDMPMemoView*>(reference)) diffFontStyle(out, fontStyle_, r->fontStyle_);
}

void TrpDMPMemoView::DrawFrame()
{
    TCanvas* canvas = DrawCanvas();
    if (!canvas) return;
    const TrpFrame& frame = *Frame();
    const Extended l = AbsLeft(), t = AbsTop();
    const Extended sx = ScaleX(), sy = ScaleY();
    const int x = static_cast<int>(Round((l - rp1CharX / 2) * sx + OffsetX()));
    const int y = static_cast<int>(Round((t - rp1CharY / 2) * sy + OffsetY()));
    int x1 = static_cast<int>(Round((l + Width() + rp1CharX / 2) * sx + OffsetX()));
    int y1 = static_cast<int>(Round((t + Height() + rp1CharY / 2) * sy + OffsetY()));
    if (frame.DropShadow()) {
        x1 -= static_cast<int>(Round(frame.ShadowWidth() * sx));
        y1 -= static_cast<int>(Round(frame.ShadowWidth() * sy));
    }
    rpDrawFrame(*canvas, frame, Color(), x, y, x1, y1, sx, sy);
}

Extended TrpDMPMemoView::CalcHeight()
{
    return roundToCells(TrpCustomMemoView::CalcHeight(), rp1CharY);
}

Extended TrpDMPMemoView::CalcWidth()
{
    return roundToCells(TrpCustomMemoView::CalcWidth(), rp1CharX);
}

void TrpDMPMemoView::Publish(TClassBuilder<TrpDMPMemoView>& b)
{
    using M = TrpDMPMemoView;
    b.property("FontStyle", &M::FontStyle, &M::SetFontStyle).stored([](const M& m) { return !m.ParentFont(); });
    b.property("TruncOutboundText", &M::TruncOutboundText);
    PublishNamed(b, {"AutoWidth", "AllowExpressions", "DataField", "DataSet", "DisplayFormat", "ExpressionDelimiters",
                     "FlowTo", "Frame", "HAlign", "HideZeros", "Memo", "ParentFont", "RTLReading",
                     "SuppressRepeated", "WordWrap", "VAlign"});
}

// ---------------------------------------------------------------- line

TrpDMPLineView::TrpDMPLineView(TComponent* owner) : TrpCustomLineView(owner)
{
    if (ParentFont())
        if (TrpDMPPage* page = dmpPageOf(this)) fontStyle_ = page->FontStyle();
}

void TrpDMPLineView::SetFontStyle(TrpDMPFontStyles value)
{
    fontStyle_ = value;
    SetParentFont(false);
}

void TrpDMPLineView::SetLeft(Extended value)
{
    const Extended half = rp1CharX / 2;
    if (value < 0)
        value = truncToCells(value, rp1CharX) - half;
    else if (Align() == baRight)
        value = roundToCells(value, rp1CharX) - half;
    else
        value = truncToCells(value, rp1CharX) + half;
    TrpCustomLineView::SetLeft(value);
}

void TrpDMPLineView::SetTop(Extended value)
{
    TrpCustomLineView::SetTop(truncToCells(value, rp1CharY) + rp1CharY / 2);
}

void TrpDMPLineView::SetWidth(Extended value)
{
    TrpCustomLineView::SetWidth(Align() == baWidth ? truncToCells(value, rp1CharX)
                                                   : roundToCells(value, rp1CharX));
}

void TrpDMPLineView::SetParentFont(bool value)
{
    TrpCustomLineView::SetParentFont(value);
    if (!value) return;
    if (TrpDMPPage* page = dmpPageOf(this)) fontStyle_ = page->FontStyle();
}

std::string TrpDMPLineView::GetDescription() const
{
    return GetResources().Get("obDMPLine");
}

void TrpDMPLineView::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpCustomLineView::DiffTo(out, reference);
    if (auto* r = dynamic_cast<TrpDMPLineView*>(reference)) diffFontStyle(out, fontStyle_, r->fontStyle_);
}

void TrpDMPLineView::Publish(TClassBuilder<TrpDMPLineView>& b)
{
    using L = TrpDMPLineView;
    b.property("FontStyle", &L::FontStyle, &L::SetFontStyle).stored([](const L& l) { return !l.ParentFont(); });
    PublishParentFont(b);
}

// ---------------------------------------------------------------- command

void TrpDMPCommand::SetLeft(Extended value)
{
    TrpView::SetLeft(roundToCells(value, rp1CharX));
}

void TrpDMPCommand::SetTop(Extended value)
{
    TrpView::SetTop(roundToCells(value, rp1CharY));
}

std::string TrpDMPCommand::GetDescription() const
{
    return GetResources().Get("obDMPCmd");
}

void TrpDMPCommand::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpView::DiffTo(out, reference);
    if (auto* r = dynamic_cast<TrpDMPCommand*>(reference)) rpDiffText(out, " Command=\"", Command, r->Command);
}

void TrpDMPCommand::Publish(TClassBuilder<TrpDMPCommand>& b)
{
    b.property("Command", &TrpDMPCommand::Command).typeName(kRawBytesTypeName);
}

// ---------------------------------------------------------------- page

TrpDMPPage::TrpDMPPage(TComponent* owner) : TrpReportPage(owner)
{
    resetFont();
    // The base constructor chose its paper before this class could round it.
    SetPaperSize(PaperSize());
}

void TrpDMPPage::resetFont()
{
    resetDMPFont(*Font(), fontStyle_);
}

void TrpDMPPage::SetFontStyle(TrpDMPFontStyles value)
{
    fontStyle_ = value;
    resetFont();
    const std::vector<TrpComponent*> objects = GetAllObjects();
    for (TrpComponent* object : objects)
        if (object->ParentFont()) object->SetParentFont(true);
}

void TrpDMPPage::SetDefaults()
{
    TrpReportPage::SetDefaults();
    LeftMargin = RightMargin = rp1CharX / rp01cm;
    TopMargin = BottomMargin = rp1CharY / rp01cm;
    paperWidth_ = paperToCells(paperWidth_, rp1CharX, true);
    paperHeight_ = paperToCells(paperHeight_, rp1CharY, true);
    UpdateDimensions();
}

// While the page is read the base setters only store, and so do these.
void TrpDMPPage::SetPaperWidth(Extended value)
{
    TrpReportPage::SetPaperWidth(value);
    if (IsLoading()) return;
    paperWidth_ = paperToCells(paperWidth_, rp1CharX, false);
    UpdateDimensions();
}

void TrpDMPPage::SetPaperHeight(Extended value)
{
    TrpReportPage::SetPaperHeight(value);
    if (IsLoading()) return;
    paperHeight_ = paperToCells(paperHeight_, rp1CharY, false);
    UpdateDimensions();
}

void TrpDMPPage::SetPaperSize(int32_t value)
{
    TrpReportPage::SetPaperSize(value);
    if (IsLoading()) return;
    paperWidth_ = paperToCells(paperWidth_, rp1CharX, false);
    paperHeight_ = paperToCells(paperHeight_, rp1CharY, false);
    UpdateDimensions();
}

void TrpDMPPage::Publish(TClassBuilder<TrpDMPPage>& b)
{
    b.property("FontStyle", &TrpDMPPage::FontStyle, &TrpDMPPage::SetFontStyle);
}

// ---------------------------------------------------------------- registration

void registerDMPClasses()
{
    RegisterEnum<TrpDMPFontStyle>("TrpDMPFontStyle", {"fsxBold", "fsxItalic", "fsxUnderline", "fsxSuperScript",
                                                      "fsxSubScript", "fsxCondensed", "fsxWide", "fsx12cpi",
                                                      "fsx15cpi"});
    RegisterSet<TrpDMPFontStyles>("TrpDMPFontStyles");
    RegisterClass<TrpDMPMemoView>(TrpDMPMemoView::Publish);
    RegisterClass<TrpDMPLineView>(TrpDMPLineView::Publish);
    RegisterClass<TrpDMPCommand>(TrpDMPCommand::Publish);
    RegisterClass<TrpDMPPage>(TrpDMPPage::Publish);
    TrpObjectCollection& objects = GetObjectCollection();
    objects.RegisterObject(TrpDMPMemoView::StaticClass(), nullptr, 2, {}, {}, 0, rpcatDMP);
    objects.RegisterObject(TrpDMPLineView::StaticClass(), nullptr, 5, {}, {}, 0, rpcatDMP);
    objects.RegisterObject(TrpDMPCommand::StaticClass(), nullptr, 21, {}, {}, 0, rpcatDMP);
}

void unregisterDMPClasses()
{
    TrpObjectCollection& objects = GetObjectCollection();
    objects.UnregisterObject(TrpDMPCommand::StaticClass());
    objects.UnregisterObject(TrpDMPLineView::StaticClass());
    objects.UnregisterObject(TrpDMPMemoView::StaticClass());
    UnregisterClass<TrpDMPPage>();
    UnregisterClass<TrpDMPCommand>();
    UnregisterClass<TrpDMPLineView>();
    UnregisterClass<TrpDMPMemoView>();
    UnregisterType<TrpDMPFontStyles>();
    UnregisterType<TrpDMPFontStyle>();
}
