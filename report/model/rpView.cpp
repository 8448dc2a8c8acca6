// Views and their decorations: frame, frame lines, highlight, format.
#include <cmath>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpClass.h"
#include "rpDataSets.h"
#include "rpDiff.h"
#include "rpFrameDraw.h"
#include "rpReport.h"

// ---------------------------------------------------------------- TrpFrameLine

void TrpFrameLine::Assign(const TPersistent* source)
{
    const auto* line = dynamic_cast<const TrpFrameLine*>(source);
    if (!line) {
        TPersistent::Assign(source);
        return;
    }
    color_ = line->color_;
    style_ = line->style_;
    width_ = line->width_;
}

bool TrpFrameLine::operator==(const TrpFrameLine& other) const noexcept
{
    return color_ == other.color_ && style_ == other.style_ && width_ == other.width_;
}

bool TrpFrameLine::colorStored() const
{
    return !frame_ || color_ != frame_->Color();
}

bool TrpFrameLine::styleStored() const
{
    return !frame_ || style_ != frame_->Style();
}

bool TrpFrameLine::widthStored() const
{
    return !frame_ || width_ != frame_->Width();
}

void TrpFrameLine::Publish(TClassBuilder<TrpFrameLine>& b)
{
    b.property("Color", &TrpFrameLine::Color, &TrpFrameLine::SetColor).stored(&TrpFrameLine::colorStored);
    b.property("Style", &TrpFrameLine::Style, &TrpFrameLine::SetStyle).stored(&TrpFrameLine::styleStored);
    b.property("Width", &TrpFrameLine::Width, &TrpFrameLine::SetWidth).stored(&TrpFrameLine::widthStored);
}

// ---------------------------------------------------------------- TrpFrame

TrpFrame::TrpFrame()
{
    for (auto& line : lines_) line = std::make_unique<TrpFrameLine>(this);
}

void TrpFrame::SetColor(TColor value)
{
    color_ = value;
    for (auto& line : lines_) line->SetColor(value);
}

void TrpFrame::SetStyle(TrpFrameStyle value)
{
    style_ = value;
    for (auto& line : lines_) line->SetStyle(value);
}

void TrpFrame::SetWidth(Extended value)
{
    width_ = value;
    for (auto& line : lines_) line->SetWidth(value);
}

TrpFrameLine* TrpFrame::Line(TrpFrameType side) const noexcept
{
    switch (side) {
    case ftLeft: return LeftLine();
    case ftRight: return RightLine();
    case ftTop: return TopLine();
    default: return BottomLine();
    }
}

void TrpFrame::Assign(const TPersistent* source)
{
    const auto* frame = dynamic_cast<const TrpFrame*>(source);
    if (!frame) {
        TPersistent::Assign(source);
        return;
    }
    color_ = frame->color_;
    dropShadow_ = frame->dropShadow_;
    shadowColor_ = frame->shadowColor_;
    shadowWidth_ = frame->shadowWidth_;
    style_ = frame->style_;
    typ_ = frame->typ_;
    width_ = frame->width_;
    for (int i = 0; i < 4; ++i) lines_[i]->Assign(frame->lines_[i].get());
}

bool TrpFrame::operator==(const TrpFrame& other) const noexcept
{
    if (color_ != other.color_ || dropShadow_ != other.dropShadow_ || shadowColor_ != other.shadowColor_ ||
        shadowWidth_ != other.shadowWidth_ || style_ != other.style_ || typ_ != other.typ_ || width_ != other.width_)
        return false;
    for (int i = 0; i < 4; ++i)
        if (!(*lines_[i] == *other.lines_[i])) return false;
    return true;
}

void TrpFrame::DiffTo(std::string& out, const TrpFrame& r) const
{
    rpDiffInt(out, " Frame.Color=\"", color_, r.color_);
    rpDiffBool(out, " Frame.DropShadow=\"", dropShadow_, r.dropShadow_);
    rpDiffInt(out, " Frame.ShadowColor=\"", shadowColor_, r.shadowColor_);
    rpDiffFloat(out, " Frame.ShadowWidth=\"", shadowWidth_, r.shadowWidth_);
    rpDiffInt(out, " Frame.Style=\"", style_, r.style_);
    rpDiffInt(out, " Frame.Typ=\"", typ_.Bits(), r.typ_.Bits());
    rpDiffFloat(out, " Frame.Width=\"", width_, r.width_);
    // A common value written above reaches all four lines when read back,
    // so each line then states its own value again.
    const bool colorSet = color_ != r.color_;
    const bool styleSet = style_ != r.style_;
    const bool widthSet = std::fabs(width_ - r.width_) > 0.0001L;
    static constexpr const char* kHeads[4][3] = {
        {" Frame.LeftLine.Color=\"", " Frame.LeftLine.Style=\"", " Frame.LeftLine.Width=\""},
        {" Frame.TopLine.Color=\"", " Frame.TopLine.Style=\"", " Frame.TopLine.Width=\""},
        {" Frame.RightLine.Color=\"", " Frame.RightLine.Style=\"", " Frame.RightLine.Width=\""},
        {" Frame.BottomLine.Color=\"", " Frame.BottomLine.Style=\"", " Frame.BottomLine.Width=\""}};
    for (int i = 0; i < 4; ++i) {
        const TrpFrameLine& a = *lines_[i];
        const TrpFrameLine& b = *r.lines_[i];
        if (a.Color() != b.Color() || (colorSet && a.Color() != color_)) rpAppendIntAttr(out, kHeads[i][0], a.Color());
        if (a.Style() != b.Style() || (styleSet && a.Style() != style_)) rpAppendIntAttr(out, kHeads[i][1], a.Style());
        if (std::fabs(a.Width() - b.Width()) > 0.0001L || (widthSet && a.Width() != width_))
            rpAppendFloat(out, kHeads[i][2], a.Width());
    }
}

void TrpFrame::Publish(TClassBuilder<TrpFrame>& b)
{
    b.property("Color", &TrpFrame::Color, &TrpFrame::SetColor).defaultValue(clBlack);
    b.property("DropShadow", &TrpFrame::DropShadow, &TrpFrame::SetDropShadow).defaultValue(false);
    b.property("ShadowColor", &TrpFrame::ShadowColor, &TrpFrame::SetShadowColor).defaultValue(clBlack);
    b.property("ShadowWidth", &TrpFrame::ShadowWidth, &TrpFrame::SetShadowWidth).stored([](const TrpFrame& f) {
        return f.shadowWidth_ != 4;
    });
    b.property("Style", &TrpFrame::Style, &TrpFrame::SetStyle).defaultValue(fsSolid);
    b.property("Typ", &TrpFrame::Typ, &TrpFrame::SetTyp).defaultValue(TrpFrameTyp{});
    b.property("Width", &TrpFrame::Width, &TrpFrame::SetWidth).stored([](const TrpFrame& f) { return f.width_ != 1; });
    b.property("LeftLine", &TrpFrame::LeftLine, &TrpFrame::setLeftLine);
    b.property("TopLine", &TrpFrame::TopLine, &TrpFrame::setTopLine);
    b.property("RightLine", &TrpFrame::RightLine, &TrpFrame::setRightLine);
    b.property("BottomLine", &TrpFrame::BottomLine, &TrpFrame::setBottomLine);
}

// ---------------------------------------------------------------- TrpHighlight

TrpHighlight::TrpHighlight() : font_(std::make_unique<TFont>())
{
    font_->SetName("Arial");
    font_->SetSize(10);
    font_->SetColor(clRed);
    font_->SetCharset(DEFAULT_CHARSET);
}

void TrpHighlight::Assign(const TPersistent* source)
{
    const auto* h = dynamic_cast<const TrpHighlight*>(source);
    if (!h) {
        TPersistent::Assign(source);
        return;
    }
    font_->Assign(h->font_.get());
    color_ = h->color_;
    condition_ = h->condition_;
}

void TrpHighlight::Publish(TClassBuilder<TrpHighlight>& b)
{
    b.property("Active", &TrpHighlight::Active, &TrpHighlight::SetActive).defaultValue(false);
    b.property("Font", &TrpHighlight::Font, &TrpHighlight::SetFont);
    b.property("Color", &TrpHighlight::Color, &TrpHighlight::SetColor).defaultValue(clNone);
    b.property("Condition", &TrpHighlight::Condition, &TrpHighlight::SetCondition);
}

// ---------------------------------------------------------------- TrpFormat

void TrpFormat::Assign(const TPersistent* source)
{
    const auto* f = dynamic_cast<const TrpFormat*>(source);
    if (!f) {
        TPersistent::Assign(source);
        return;
    }
    DecimalSeparator = f->DecimalSeparator;
    ThousandSeparator = f->ThousandSeparator;
    FormatStr = f->FormatStr;
    Kind = f->Kind;
}

void TrpFormat::Publish(TClassBuilder<TrpFormat>& b)
{
    b.property("DecimalSeparator", &TrpFormat::DecimalSeparator);
    b.property("ThousandSeparator", &TrpFormat::ThousandSeparator);
    b.property("FormatStr", &TrpFormat::FormatStr);
    b.property("Kind", &TrpFormat::Kind).defaultValue(fkText);
}

// ---------------------------------------------------------------- TrpView

TrpView::TrpView(TComponent* owner) : TrpReportComponent(owner), frame_(std::make_unique<TrpFrame>())
{
    SetComponentStyle(rpcsWriteAllProperties, 0);
}

TrpView::~TrpView() = default;

TrpDataSet* TrpView::DataSet() const noexcept
{
    return dataSet_.DataSet();
}

void TrpView::SetDataSet(TrpDataSet* value)
{
    dataSet_.SetDataSet(value);
}

std::string TrpView::DataSetName() const
{
    return dataSet_.Name();
}

void TrpView::SetDataSetName(const std::string& value)
{
    dataSet_.SetName(*this, value);
}

bool TrpView::IsDataField() const
{
    return dataSet_.DataSet() && !dataField_.empty();
}

std::string TrpView::ExpandExpressions(const std::string& text) const
{
    TrpReport* report = GetReport();
    if (!report || text.find('[') == std::string::npos) return text;
    const std::u16string expanded =
        rpExpandBracketed(Utf8ToUtf16(text), u"[", u"]", [report](const std::u16string& expression) {
            return Utf8ToUtf16(VarToStr(report->Calc(Utf16ToUtf8(expression))));
        });
    return Utf16ToUtf8(expanded);
}

void TrpView::BeforePrint()
{
    TrpReportComponent::BeforePrint();
    savedTagStr_ = TagStr;
    savedURL_ = URL;
    if (TrpReport* report = GetReport()) report->SetScriptSelf(this);
}

void TrpView::GetData()
{
    TagStr = ExpandExpressions(TagStr);
    URL = ExpandExpressions(URL);
}

void TrpView::AfterPrint()
{
    TagStr = savedTagStr_;
    URL = savedURL_;
    TrpReportComponent::AfterPrint();
}

void TrpView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground();
    DrawFrame();
}

void TrpView::BeginDraw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    canvas_ = &canvas;
    scaleX_ = scaleX;
    scaleY_ = scaleY;
    offsetX_ = offsetX;
    offsetY_ = offsetY;
    const Extended l = AbsLeft(), t = AbsTop();
    X = static_cast<int>(Round(l * scaleX + offsetX));
    Y = static_cast<int>(Round(t * scaleY + offsetY));
    X1 = static_cast<int>(Round((l + Width()) * scaleX + offsetX));
    Y1 = static_cast<int>(Round((t + Height()) * scaleY + offsetY));
    if (frame_->DropShadow()) {
        X1 -= static_cast<int>(Round(frame_->ShadowWidth() * scaleX));
        Y1 -= static_cast<int>(Round(frame_->ShadowWidth() * scaleY));
    }
    DX = X1 - X;
    DY = Y1 - Y;
    FrameWidth = static_cast<int>(Round(frame_->Width() * scaleX));
}

void TrpView::DrawBackground()
{
    if (!canvas_) return;
    if (color_ != clNone && brushStyle_ != bsClear) rpFillRect(*canvas_, X, Y, X1, Y1, color_);
    if (brushStyle_ >= bsHorizontal) rpFillRect(*canvas_, X, Y, X1 + 1, Y1 + 1, frame_->Color(), brushStyle_);
}

void TrpView::DrawFrame()
{
    if (canvas_) rpDrawFrame(*canvas_, *frame_, color_, X, Y, X1, Y1, scaleX_, scaleY_);
}

void TrpView::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpReportComponent::DiffTo(out, reference);
    auto* r = ObjectAs<TrpView>(reference);
    if (!r) return;
    rpDiffInt(out, " BrushStyle=\"", brushStyle_, r->brushStyle_);
    rpDiffInt(out, " Align=\"", align_, r->align_);
    rpDiffInt(out, " Color=\"", color_, r->color_);
    if (!(*frame_ == *r->frame_)) frame_->DiffTo(out, *r->frame_);
    rpDiffInt(out, " Cursor=\"", cursor_, r->cursor_);
    rpDiffBool(out, " Printable=\"", printable_, r->printable_);
    rpDiffText(out, " TagStr=\"", TagStr, r->TagStr);
    rpDiffText(out, " URL=\"", URL, r->URL);
}

void TrpView::Publish(TClassBuilder<TrpView>& b)
{
    b.abstract();
    b.property("Align", &TrpView::Align, &TrpView::SetAlign).defaultValue(baNone);
    b.property("Printable", &TrpView::Printable, &TrpView::SetPrintable).defaultValue(true);
    b.property("ShiftMode", &TrpView::ShiftMode, &TrpView::SetShiftMode).defaultValue(smAlways);
    b.property("Left", &TrpComponent::Left, &TrpComponent::SetLeft);
    b.property("Top", &TrpComponent::Top, &TrpComponent::SetTop);
    b.property("Width", &TrpComponent::Width, &TrpComponent::SetWidth);
    b.property("Height", &TrpComponent::Height, &TrpComponent::SetHeight);
    b.property("GroupIndex", &TrpComponent::GroupIndex, &TrpComponent::SetGroupIndex).defaultValue(0);
    b.property("Restrictions", &TrpComponent::Restrictions, &TrpComponent::SetRestrictions)
        .defaultValue(TrpRestrictions{});
    b.property("Visible", &TrpComponent::Visible, &TrpComponent::SetVisible).defaultValue(true);
    b.property("OnAfterData", &TrpView::OnAfterData);
    b.property("OnAfterPrint", &TrpView::OnAfterPrint);
    b.property("OnBeforePrint", &TrpView::OnBeforePrint);
    b.property("OnPreviewClick", &TrpView::OnPreviewClick);
    b.property("OnPreviewDblClick", &TrpView::OnPreviewDblClick);
    b.property("Hint", &TrpView::Hint);
    b.property("ShowHint", &TrpView::ShowHint).defaultValue(false);
}

void TrpStretcheable::Publish(TClassBuilder<TrpStretcheable>& b)
{
    b.abstract();
    b.property("StretchMode", &TrpStretcheable::StretchMode, &TrpStretcheable::SetStretchMode)
        .defaultValue(smDontStretch);
}

// ---------------------------------------------------------------- expressions

std::u16string rpExpandBracketed(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                                 const std::function<std::u16string(const std::u16string&)>& value)
{
    std::u16string out(text);
    if (open.empty() || close.empty()) return out;
    size_t from = 0;
    for (;;) {
        const size_t at = out.find(open, from);
        if (at == std::u16string::npos) return out;
        int start = static_cast<int>(at) + 1;
        int end = start;
        const std::u16string expression = GetBracketedTextW(out, open, close, end, start);
        // An opening delimiter without its partner leaves the rest as it is.
        const size_t closeAt = static_cast<size_t>(end) - close.size();
        if (end <= start || closeAt < at + open.size() || out.compare(closeAt, close.size(), close) != 0) return out;
        const std::u16string replacement = value(expression);
        out.replace(at, static_cast<size_t>(end) - at, replacement);
        from = at + replacement.size();
    }
}
