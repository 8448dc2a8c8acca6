#include "rpMemo.h"
#include "rpMemoPublish.h"

#include <cmath>
#include <limits>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpDataSets.h"
#include "rpDiff.h"
#include "rpFrameDraw.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpStyles.h"
#include "rpVariables.h"

namespace {

bool isNumericZero(const Variant& v)
{
    return v.isNumeric() && VarEquals(v, Variant(0));
}

std::vector<std::u16string> linesOf(const TWideStrings& memo)
{
    std::vector<std::u16string> lines;
    lines.reserve(static_cast<size_t>(memo.Count()));
    for (int i = 0; i < memo.Count(); ++i) lines.push_back(memo.Strings(i));
    return lines;
}

// The placeholders drawing fills, upper-cased.
constexpr std::u16string_view kTotalPagesKey = u"[TOTALPAGES#]";
constexpr std::u16string_view kCopyNameKey = u"[COPYNAME#]";

// Whether a placeholder's upper-cased key stands at `at`, ignoring case.
bool placeholderAt(std::u16string_view text, size_t at, std::u16string_view upperKey)
{
    if (at + upperKey.size() > text.size()) return false;
    for (size_t k = 0; k < upperKey.size(); ++k) {
        char16_t c = text[at + k];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        if (c != upperKey[k]) return false;
    }
    return true;
}

// Replaces every occurrence of a placeholder (a key that begins with "["),
// found ignoring case. The text is built anew in one pass: replacing in place moved the rest of a long
// text once per placeholder.
bool replacePlaceholder(std::u16string& text, std::u16string_view upperKey, std::u16string_view value)
{
    auto matchesAt = [&](size_t at) { return placeholderAt(text, at, upperKey); };
    std::u16string out;
    size_t copied = 0;
    for (size_t at = text.find(upperKey[0]); at != std::u16string::npos; at = text.find(upperKey[0], at)) {
        if (!matchesAt(at)) {
            ++at;
            continue;
        }
        out.append(text, copied, at - copied).append(value);
        at = copied = at + upperKey.size();
    }
    if (copied == 0) return false;
    out.append(text, copied);
    text = std::move(out);
    return true;
}

}  // namespace

TrpCustomMemoView::TrpCustomMemoView(TComponent* owner)
    : TrpStretcheable(owner),
      displayFormat_(std::make_unique<TrpFormat>()),
      highlight_(std::make_unique<TrpHighlight>()),
      memo_(std::make_unique<TWideStrings>())
{
    SetComponentStyle(0, rpcsWriteAllProperties);
}

TrpCustomMemoView::~TrpCustomMemoView() = default;

TrpCustomMemoView* TrpCustomMemoView::FlowTo() const noexcept
{
    return flowTo_.get();
}

void TrpCustomMemoView::SetFlowTo(TrpCustomMemoView* value)
{
    flowTo_ = value == this ? nullptr : value;
}

void TrpCustomMemoView::SetStyle(const std::string& value)
{
    style_ = value;
    if (value.empty()) return;
    if (TrpReport* report = GetReport())
        if (const TrpStyleItem* item = report->Styles()->Find(value)) ApplyStyle(item);
}

void TrpCustomMemoView::ApplyStyle(const TrpStyleItem* style)
{
    if (!style) return;
    SetColor(style->Color());
    SetFont(style->Font());
    Frame()->Assign(style->Frame());
}

std::string TrpCustomMemoView::AnsiText() const
{
    return Utf16ToUtf8(memo_->Text());
}

bool TrpCustomMemoView::convertsCharset() const
{
    // Text is UTF-16 inside and UTF-8 as 8-bit text, whatever the font's
    // character set: the conversion is the identity here.
    return Font()->Charset() != DEFAULT_CHARSET && !UseDefaultCharset;
}

// ---------------------------------------------------------------- values

std::string TrpCustomMemoView::FormatData(const Variant& value) const
{
    return FormatData(value, *displayFormat_);
}

std::string TrpCustomMemoView::FormatData(const Variant& value, const TrpFormat& format) const
{
    if (value.isEmptyOrNull()) return std::string();
    const std::string& pattern = format.FormatStr;
    switch (format.Kind) {
    case fkText: return VarToStr(value);
    case fkNumeric: {
        std::string text;
        if (pattern.find('#') != std::string::npos)
            text = FormatFloat(pattern, static_cast<Extended>(value.toDouble()));
        else if (pattern.find('d') != std::string::npos || pattern.find('u') != std::string::npos)
            text = Format(pattern, {Variant(value.toInt64())});
        else
            text = Format(pattern, {Variant(value.toDouble())});
        // The decimal separator is found before any thousands separator
        // changes, so that swapping the two ("." and ",") works.
        const TFormatSettings& settings = FormatSettings();
        const size_t decimalAt = text.rfind(settings.DecimalSeparator);
        if (format.ThousandSeparator.size() == 1 && format.ThousandSeparator[0] != settings.ThousandSeparator) {
            for (size_t i = 0; i < text.size(); ++i)
                if (text[i] == settings.ThousandSeparator && i != decimalAt) text[i] = format.ThousandSeparator[0];
        }
        if (format.DecimalSeparator.size() == 1 && format.DecimalSeparator[0] != settings.DecimalSeparator &&
            decimalAt != std::string::npos)
            text[decimalAt] = format.DecimalSeparator[0];
        return text;
    }
    case fkDateTime: return FormatDateTime(pattern, value.toDate());
    case fkBoolean: {
        const size_t comma = pattern.find(',');
        if (VarEquals(value, Variant(true)))
            return comma == std::string::npos ? std::string() : pattern.substr(comma + 1, 255);
        return pattern.substr(0, comma);
    }
    }
    return VarToStr(value);
}

std::u16string TrpCustomMemoView::CalcAndFormat(const std::u16string& expression)
{
    const std::string text = Utf16ToUtf8(expression);
    const std::string upper = AnsiUpperCase(text);
    if (upper == "TOTALPAGES#") return u"[TotalPages#]";
    if (upper == "COPYNAME#") return u"[CopyName#]";
    TrpReport* report = GetReport();
    if (!report) return u"[" + expression + u"]";
    Value = report->Calc(text);
    if (HideZeros && !Value.isString() && isNumericZero(Value)) return std::u16string();
    return Utf8ToUtf16(FormatData(Value));
}

void TrpCustomMemoView::ExpandPlaceholders()
{
    if (!AllowExpressions) return;
    // Looked for line by line: most texts hold no bracket, and joining the
    // lines costs more than their search.
    bool bracket = false;
    for (int i = 0; i < memo_->Count() && !bracket; ++i) bracket = memo_->View(i).find(u'[') != std::u16string_view::npos;
    if (!bracket) return;
    std::u16string text = memo_->Text();
    bool changed = replacePlaceholder(text, kTotalPagesKey, Utf8ToUtf16(IntToStr(TotalPages)));
    if (text.find(u'[') != std::u16string::npos) {
        const std::string name = "CopyName" + IntToStr(CopyNo);
        TrpVariables& globals = GlobalVariables();
        const std::u16string copyName =
            globals.IndexOf(name) >= 0 ? VarToWideStr(globals.Get(name)) : std::u16string();
        changed = replacePlaceholder(text, kCopyNameKey, copyName) || changed;
    }
    if (changed) memo_->SetText(text);
}

bool TrpCustomMemoView::HasPlaceholders() const
{
    if (!AllowExpressions) return false;
    for (int i = 0; i < memo_->Count(); ++i) {
        const std::u16string_view line = memo_->View(i);
        for (size_t at = line.find(u'['); at != std::u16string_view::npos; at = line.find(u'[', at + 1))
            if (placeholderAt(line, at, kTotalPagesKey) || placeholderAt(line, at, kCopyNameKey)) return true;
    }
    return false;
}

// ---------------------------------------------------------------- printing

void TrpCustomMemoView::BeforePrint()
{
    TrpStretcheable::BeforePrint();
    if (!IsDataField()) savedText_ = memo_->Text();
}

void TrpCustomMemoView::GetData()
{
    TrpStretcheable::GetData();
    TrpReport* report = GetReport();
    if (IsDataField()) {
        TrpDataSet* ds = DataSet();
        const std::string& field = DataField();
        if (ds->IsBlobField(field)) {
            TMemoryStream blob;
            ds->AssignBlobTo(field, blob);
            const std::string bytes(reinterpret_cast<const char*>(blob.Memory()), static_cast<size_t>(blob.Size()));
            memo_->SetText(Utf8ToUtf16(bytes));
        } else {
            Value = ds->GetValue(field);
            std::u16string text =
                displayFormat_->Kind == fkText ? ds->GetDisplayText(field) : Utf8ToUtf16(FormatData(Value));
            if (HideZeros && !Value.isString() && isNumericZero(Value)) text.clear();
            memo_->SetText(text);
        }
    } else if (AllowExpressions && report) {
        const size_t comma = ExpressionDelimiters.find(',');
        const std::u16string open = Utf8ToUtf16(ExpressionDelimiters.substr(0, comma));
        const std::u16string close =
            comma == std::string::npos ? std::u16string() : Utf8ToUtf16(ExpressionDelimiters.substr(comma + 1));
        const std::u16string text = memo_->Text();
        if (!open.empty() && text.find(open) != std::u16string::npos)
            memo_->SetText(rpExpandBracketed(text, open, close,
                                             [this](const std::u16string& e) { return CalcAndFormat(e); }));
    }
    if (report) report->SetScriptValue(Value);

    highlight_->SetActive(false);
    if (!Trim(highlight_->Condition()).empty() && report)
        highlight_->SetActive(report->Calc(highlight_->Condition()).toBool());

    if (SuppressRepeated) {
        const std::u16string text = memo_->Text();
        if (hasLastText_ && text == lastText_) {
            memo_->Clear();
        } else {
            lastText_ = text;
            hasLastText_ = true;
        }
    }

    if (TrpCustomMemoView* next = FlowTo()) {
        InitPart();
        DrawPart();
        next->SetText(PartText);
        next->AllowExpressions = false;
    }
}

void TrpCustomMemoView::AfterPrint()
{
    if (!IsDataField()) memo_->SetText(savedText_);
    TrpStretcheable::AfterPrint();
}

std::string TrpCustomMemoView::GetComponentText()
{
    std::string text = AnsiText();
    if (AllowExpressions) {
        const size_t at = AnsiUpperCase(text).find("[TOTALPAGES]");
        if (at != std::string::npos) text.replace(at, 12, IntToStr(TotalPages));
    }
    return text;
}

std::string TrpCustomMemoView::GetDescription() const
{
    return GetResources().Get("obText");
}

// ---------------------------------------------------------------- layout

TrpDrawText& TrpCustomMemoView::layOut(const TRect& bounds, const TRect& clip, Extended scaleX, Extended scaleY,
                                       const TRect* wrapBox, bool inBoundsOnly)
{
    TrpReport* report = GetReport();
    TrpDrawText& drawer = report ? report->DrawText() : DrawTextObject();
    drawer.SetFont(highlight_->Active() ? *highlight_->Font() : *Font());
    drawer.SetOptions(WordWrap, AllowHTMLTags, RTLReading, WordBreak, Clipped, Wysiwyg, rotation_);
    drawer.SetDimensions(bounds, clip, scaleX, scaleY);
    if (wrapBox) drawer.SetWrapBox(wrapBox->Width(), wrapBox->Height());
    drawer.SetGaps(ParagraphGap, CharSpacing, LineSpacing);
    drawer.SetText(linesOf(*memo_), inBoundsOnly ? drawer.LinesInBounds() + 1 : std::numeric_limits<size_t>::max());
    drawer.SetParaBreaks(FirstParaBreak, LastParaBreak);
    return drawer;
}

TRect TrpCustomMemoView::textRectAt(Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) const
{
    const Extended l = AbsLeft(), t = AbsTop();
    int x1 = static_cast<int>(Round((l + Width()) * scaleX + offsetX));
    int y1 = static_cast<int>(Round((t + Height()) * scaleY + offsetY));
    const TrpFrame& frame = *Frame();
    if (frame.DropShadow()) {
        x1 -= static_cast<int>(Round(frame.ShadowWidth() * scaleX));
        y1 -= static_cast<int>(Round(frame.ShadowWidth() * scaleY));
    }
    return textRectIn(static_cast<int>(Round(l * scaleX + offsetX)), static_cast<int>(Round(t * scaleY + offsetY)), x1,
                      y1, scaleX, scaleY);
}

TRect TrpCustomMemoView::textRectIn(int x, int y, int x1, int y1, Extended scaleX, Extended scaleY) const
{
    const TrpFrame& frame = *Frame();
    const Extended w = frame.Width();
    const TrpFrameTyp typ = frame.Typ();
    if (typ.Contains(ftLeft)) x += static_cast<int>(Round((w * scaleX - 1) / 2));
    if (typ.Contains(ftRight)) x1 -= static_cast<int>(Round(w * scaleX / 2));
    if (typ.Contains(ftTop)) y += static_cast<int>(Round((w * scaleY - 1) / 2));
    if (typ.Contains(ftBottom)) y1 -= static_cast<int>(Round(w * scaleY / 2));
    const int gx = static_cast<int>(Round(GapX * scaleX));
    const int gy = static_cast<int>(Round(GapY * scaleY));
    return {x + gx, y + gy, x1 - gx + 1, y1 - gy + 1};
}

void TrpCustomMemoView::BeginDraw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                                  Extended offsetY)
{
    TrpStretcheable::BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    // The view's own box, shadow taken off, as textRectAt would round it.
    textRect_ = textRectIn(X, Y, X1, Y1, scaleX, scaleY);
}

Extended TrpCustomMemoView::verticalExtra() const
{
    const TrpFrame& f = *Frame();
    Extended extra = 2 * GapY;
    if (f.Typ().Contains(ftTop)) extra += (f.Width() - 1) / 2;
    if (f.Typ().Contains(ftBottom)) extra += f.Width() / 2;
    if (f.DropShadow()) extra += f.ShadowWidth();
    return extra;
}

Extended TrpCustomMemoView::horizontalExtra() const
{
    const TrpFrame& f = *Frame();
    Extended extra = 2 * GapX;
    if (f.Typ().Contains(ftLeft)) extra += (f.Width() - 1) / 2;
    if (f.Typ().Contains(ftRight)) extra += f.Width() / 2;
    if (f.DropShadow()) extra += f.ShadowWidth();
    return extra;
}

Extended TrpCustomMemoView::CalcHeight()
{
    TrpDrawTextLock lock;
    const TRect bounds = AutoWidth ? TRect{0, 0, 10000, 10000} : textRectAt(1, 1, 0, 0);
    const TrpDrawText& drawer = layOut(bounds, bounds, 1, 1);
    return static_cast<Extended>(Round(drawer.CalcHeight() + verticalExtra()));
}

Extended TrpCustomMemoView::CalcWidth()
{
    TrpDrawTextLock lock;
    const TRect bounds{0, 0, 10000, 10000};
    const TrpDrawText& drawer = layOut(bounds, bounds, 1, 1);
    return static_cast<Extended>(Round(drawer.CalcWidth() + horizontalExtra()));
}

void TrpCustomMemoView::InitPart()
{
    PartText = memo_->Text();
    FirstParaBreak = false;
    LastParaBreak = false;
}

Extended TrpCustomMemoView::DrawPart()
{
    TrpDrawTextLock lock;
    memo_->SetText(PartText);
    FirstParaBreak = LastParaBreak;
    LastParaBreak = false;
    const TRect bounds = textRectAt(1, 1, 0, 0);
    const TrpDrawText& drawer = layOut(bounds, bounds, 1, 1, nullptr, true);
    std::u16string rest;
    bool continues = false;
    const std::u16string fits = drawer.GetInBoundsText(rest, &continues);
    memo_->SetText(fits);
    PartText = rest;
    LastParaBreak = continues;
    const Extended unused = drawer.UnusedSpace();
    return unused == 0 ? Height() : unused;
}

Extended TrpCustomMemoView::RestHeight()
{
    // A box as high as its band follows the band, not its text.
    if (StretchMode() == smMaxHeight) return -1;
    if (PartText.empty()) return 0;
    // Measured as the next DrawPart will lay it out.
    const std::u16string shown = memo_->Text();
    const bool first = FirstParaBreak, last = LastParaBreak;
    memo_->SetText(PartText);
    FirstParaBreak = LastParaBreak;
    LastParaBreak = false;
    const Extended height = CalcHeight();
    memo_->SetText(shown);
    FirstParaBreak = first;
    LastParaBreak = last;
    return height;
}

void TrpCustomMemoView::applyAutoWidth()
{
    const Extended oldWidth = Width();
    const Extended newWidth = CalcWidth();
    if (HAlign == haRight)
        SetLeft(Left() + oldWidth - newWidth);
    else if (HAlign == haCenter)
        SetLeft(Left() + (oldWidth - newWidth) / 2);
    SetWidth(newWidth);
    if (TrpComponent* parent = Parent()) parent->AlignChildren();
}

void TrpCustomMemoView::drawUnderlines(TCanvas& canvas, const TrpDrawText& drawer)
{
    // A line spacing near minus the font height puts the lines 0.01 units
    // apart, and a memo may be taller than any paper: only the lines the
    // canvas shows are drawn, lines that touch as one band, and never more
    // than the largest paper holds.
    const Extended step = drawer.LineHeight() * ScaleY();
    if (!std::isfinite(step) || step <= 0) return;
    const int w = std::max(FrameWidth, 1);
    const Extended first = Y + (GapY - LineSpacing + 1) * ScaleY() + step;
    Extended top = Y, bottom = Y1;
    if (const std::optional<TRect> clip = canvas.ClipRect()) {
        top = std::max<Extended>(top, clip->Top - w - 1);
        bottom = std::min<Extended>(bottom, clip->Bottom + w + 1);
    }
    // Lines first + k * step for k from `from` while above the bottom.
    const Extended from = top > first ? std::ceil((top - first) / step) : 0;
    const Extended count = std::ceil((bottom - first) / step) - from;
    if (!(count > 0)) return;
    const TColor color = Frame()->Color();
    auto lineAt = [&](Extended k) { return static_cast<int>(Round(first + k * step)); };
    if (step <= w) {
        rpFillRect(canvas, textRect_.Left, lineAt(from) - w / 2, textRect_.Right, lineAt(from + count - 1) - w / 2 + w,
                   color);
        return;
    }
    const int64_t n = static_cast<int64_t>(std::min<Extended>(count, kMaxUnderlines));
    for (int64_t k = 0; k < n; ++k) {
        const int at = lineAt(from + static_cast<Extended>(k));
        rpFillRect(canvas, textRect_.Left, at - w / 2, textRect_.Right, at - w / 2 + w, color);
    }
}

void TrpCustomMemoView::Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY)
{
    if (!IsDesigning()) {
        ExpandPlaceholders();
        if (AutoWidth) applyAutoWidth();
    }
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    TrpDrawTextLock lock;
    // The lines wrap as they were measured at scale 1, whatever the device
    // rectangle's rounding.
    const TRect wrapBox = textRectAt(1, 1, 0, 0);
    TrpDrawText& drawer = layOut(textRect_, {X, Y, X1 + 1, Y1 + 1}, scaleX, scaleY, &wrapBox);
    if (highlight_->Active()) {
        const TColor own = Color();
        SetColor(highlight_->Color());
        DrawBackground();
        SetColor(own);
    } else {
        DrawBackground();
    }
    DrawFrame();
    if (Underlines && rotation_ == 0) drawUnderlines(canvas, drawer);
    drawer.DrawText(canvas, HAlign, VAlign);
}

// ---------------------------------------------------------------- storage

void TrpCustomMemoView::DiffTo(std::string& out, TrpComponent* reference)
{
    TrpStretcheable::DiffTo(out, reference);
    auto* r = ObjectAs<TrpCustomMemoView>(reference);
    if (!r) return;
    rpDiffBool(out, " AutoWidth=\"", AutoWidth, r->AutoWidth);
    rpDiffFloat(out, " CharSpacing=\"", CharSpacing, r->CharSpacing);
    rpDiffFloat(out, " GapX=\"", GapX, r->GapX);
    rpDiffFloat(out, " GapY=\"", GapY, r->GapY);
    rpDiffInt(out, " HAlign=\"", HAlign, r->HAlign);
    rpDiffBool(out, " Highlight.Active=\"", highlight_->Active(), r->highlight_->Active());
    rpDiffFloat(out, " LineSpacing=\"", LineSpacing, r->LineSpacing);
    rpDiffBool(out, " UseDefaultCharset=\"", UseDefaultCharset, r->UseDefaultCharset);
    rpDiffFloat(out, " ParagraphGap=\"", ParagraphGap, r->ParagraphGap);
    rpDiffInt(out, " Rotation=\"", rotation_, r->rotation_);
    rpDiffBool(out, " RTLReading=\"", RTLReading, r->RTLReading);
    rpDiffBool(out, " Underlines=\"", Underlines, r->Underlines);
    rpDiffInt(out, " VAlign=\"", VAlign, r->VAlign);
    rpDiffBool(out, " WordWrap=\"", WordWrap, r->WordWrap);
    const TrpFormat& f = *displayFormat_;
    const TrpFormat& rf = *r->displayFormat_;
    rpDiffInt(out, " DisplayFormat.Kind=\"", f.Kind, rf.Kind);
    rpDiffText(out, " DisplayFormat.DecimalSeparator=\"", f.DecimalSeparator, rf.DecimalSeparator);
    rpDiffText(out, " DisplayFormat.ThousandSeparator=\"", f.ThousandSeparator, rf.ThousandSeparator);
    rpDiffText(out, " DisplayFormat.FormatStr=\"", f.FormatStr, rf.FormatStr);
    if (FirstParaBreak) out += " FirstParaBreak=\"1\"";
    if (LastParaBreak) out += " LastParaBreak=\"1\"";
    out += " u=\"";
    for (int i = 0; i < memo_->Count(); ++i) {
        if (i) out += "&#13;&#10;";
        rpAppendEscaped(out, memo_->View(i));
    }
    out += '"';
}

bool TrpCustomMemoView::GetXMLText(std::u16string& text) const
{
    text = memo_->Text();
    return true;
}

void TrpCustomMemoView::SetXMLText(const std::u16string& text)
{
    memo_->SetText(text);
}

void TrpMemoView::Publish(TClassBuilder<TrpMemoView>& b)
{
    PublishNamed(b, {"AllowExpressions", "AllowHTMLTags", "AutoWidth", "CharSpacing", "Clipped", "DisplayFormat",
                     "ExpressionDelimiters", "FlowTo", "GapX", "GapY", "HAlign", "HideZeros", "Highlight",
                     "LineSpacing", "Memo", "ParagraphGap", "Rotation", "RTLReading", "Style", "SuppressRepeated",
                     "Underlines", "UseDefaultCharset", "WordBreak", "WordWrap", "Wysiwyg", "VAlign",
                     "FirstParaBreak", "LastParaBreak", "Cursor", "TagStr", "URL", "Color", "BrushStyle",
                     "DataField", "DataSet", "Frame", "Font", "ParentFont"});
}

std::string TrpSysMemoView::GetDescription() const
{
    return GetResources().Get("obSysText");
}

void TrpSysMemoView::Publish(TClassBuilder<TrpSysMemoView>& b)
{
    PublishNamed(b, {"AutoWidth", "BrushStyle", "CharSpacing", "Color", "DisplayFormat", "Font", "Frame", "GapX",
                     "GapY", "HAlign", "HideZeros", "Highlight", "Memo", "ParentFont", "Rotation", "RTLReading",
                     "Style", "SuppressRepeated", "VAlign", "WordWrap"});
}

void registerMemoClasses()
{
    RegisterClass<TrpCustomMemoView>();
    RegisterClass<TrpMemoView>(TrpMemoView::Publish);
    RegisterClass<TrpSysMemoView>(TrpSysMemoView::Publish);
}
