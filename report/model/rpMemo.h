#pragma once
// The text object: wide lines that may hold expressions between delimiters,
// a dataset field binding, display formats, a conditional highlight,
// measuring, splitting across pages and drawing through the text drawer.

#include <memory>
#include <string>

#include "rpClass.h"
#include "rpGraphicUtils.h"
#include "rpUnicodeUtils.h"

class TrpStyleItem;

class TrpCustomMemoView : public TrpStretcheable {
    DORVAK_CLASS(TrpCustomMemoView, TrpStretcheable)
public:
    explicit TrpCustomMemoView(TComponent* owner = nullptr);
    ~TrpCustomMemoView() override;

    bool AllowExpressions = true;
    bool AllowHTMLTags = false;
    bool AutoWidth = false;
    Extended CharSpacing = 0;
    bool Clipped = true;
    // "open,close".
    std::string ExpressionDelimiters = "[,]";
    Extended GapX = 2;
    Extended GapY = 1;
    TrpHAlign HAlign = haLeft;
    bool HideZeros = false;
    Extended LineSpacing = 2;
    Extended ParagraphGap = 0;
    bool RTLReading = false;
    bool SuppressRepeated = false;
    bool Underlines = false;
    bool UseDefaultCharset = false;
    bool WordBreak = false;
    bool WordWrap = true;
    bool Wysiwyg = true;
    TrpVAlign VAlign = vaTop;
    // Whether this part of a split text starts inside a paragraph, and
    // whether it stops inside one.
    bool FirstParaBreak = false;
    bool LastParaBreak = false;

    TrpFormat* DisplayFormat() const noexcept { return displayFormat_.get(); }
    void SetDisplayFormat(const TrpFormat* value) { displayFormat_->Assign(value); }
    TrpHighlight* Highlight() const noexcept { return highlight_.get(); }
    void SetHighlight(const TrpHighlight* value) { highlight_->Assign(value); }
    TWideStrings* Memo() const noexcept { return memo_.get(); }
    void SetMemo(const TWideStrings* value) { memo_->Assign(value); }
    TrpCustomMemoView* FlowTo() const noexcept;
    void SetFlowTo(TrpCustomMemoView* value);
    int32_t Rotation() const noexcept { return rotation_; }
    // Kept within 0..359: -90 turns as 270.
    void SetRotation(int32_t value) noexcept { rotation_ = ((value % 360) + 360) % 360; }
    const std::string& Style() const noexcept { return style_; }
    // Applies the report's style of that name at once.
    void SetStyle(const std::string& value);
    void ApplyStyle(const TrpStyleItem* style);

    // The text: all lines joined with CR LF after each.
    std::u16string Text() const { return memo_->Text(); }
    void SetText(std::u16string_view value) { memo_->SetText(value); }
    // The text as 8-bit (UTF-8) text.
    std::string AnsiText() const;
    // The value printed last.
    Variant Value;
    // The remaining text of a split.
    std::u16string PartText;
    // Filled in by the page drawer for the placeholders "[TotalPages#]"
    // and "[CopyName#]".
    int TotalPages = 0;
    int CopyNo = 0;

    // Forgets the text remembered for SuppressRepeated; whether there was one.
    bool ForgetRepeated() noexcept
    {
        const bool had = hasLastText_;
        hasLastText_ = false;
        lastText_.clear();
        return had;
    }

    // A value as the display format shows it.
    std::string FormatData(const Variant& value) const;
    std::string FormatData(const Variant& value, const TrpFormat& format) const;
    // One delimited expression computed and formatted.
    std::u16string CalcAndFormat(const std::u16string& expression);
    // Fills "[TotalPages#]" and "[CopyName#]" in the text.
    void ExpandPlaceholders();
    // Whether the text holds one of them, so that drawing will change it.
    bool HasPlaceholders() const;

    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    std::string GetComponentText() override;
    std::string GetDescription() const override;

    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void BeginDraw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    Extended CalcHeight() override;
    virtual Extended CalcWidth();
    void InitPart() override;
    Extended DrawPart() override;
    bool HasNextPart() override { return !PartText.empty(); }
    Extended RestHeight() override;
    void DiffTo(std::string& out, TrpComponent* reference) override;

    // The text rectangle BeginDraw computed (device pixels).
    TRect TextRect() const noexcept { return textRect_; }
    // Underlines drawn at most: more than the largest paper (5,080 mm) holds
    // at 600 dpi, a line every other pixel.
    static constexpr int kMaxUnderlines = 1 << 17;

    bool GetXMLText(std::u16string& text) const override;
    void SetXMLText(const std::u16string& text) override;

protected:
    bool DiffWidth() const override { return !AutoWidth; }
    // Publishes the named properties of the text object's table.
    template <class T>
    static void PublishNamed(TClassBuilder<T>& b, std::initializer_list<std::string_view> names);

private:
    // The drawer set up for this text in a rectangle (device pixels) at a
    // scale; the wrap width comes from the unscaled rectangle. With
    // inBoundsOnly just the lines the rectangle holds and the next one are
    // laid out: enough to cut the text there.
    TrpDrawText& layOut(const TRect& bounds, const TRect& clip, Extended scaleX, Extended scaleY,
                        const TRect* wrapBox = nullptr, bool inBoundsOnly = false);
    // The text rectangle at a scale and offset without a canvas.
    TRect textRectAt(Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) const;
    // The text rectangle inside a box (device pixels) whose shadow is off.
    TRect textRectIn(int x, int y, int x1, int y1, Extended scaleX, Extended scaleY) const;
    Extended verticalExtra() const;
    Extended horizontalExtra() const;
    void applyAutoWidth();
    void drawUnderlines(TCanvas& canvas, const TrpDrawText& drawer);
    bool convertsCharset() const;

    std::unique_ptr<TrpFormat> displayFormat_;
    std::unique_ptr<TrpHighlight> highlight_;
    std::unique_ptr<TWideStrings> memo_;
    Ref<TrpCustomMemoView> flowTo_;
    int32_t rotation_ = 0;
    std::string style_;
    std::u16string savedText_;
    std::u16string lastText_;
    bool hasLastText_ = false;
    TRect textRect_{};
};

class TrpMemoView : public TrpCustomMemoView {
    DORVAK_CLASS(TrpMemoView, TrpCustomMemoView)
public:
    using TrpCustomMemoView::TrpCustomMemoView;
    static void Publish(TClassBuilder<TrpMemoView>& b);
};

// System text: page numbers, totals, aggregates.
class TrpSysMemoView : public TrpCustomMemoView {
    DORVAK_CLASS(TrpSysMemoView, TrpCustomMemoView)
public:
    using TrpCustomMemoView::TrpCustomMemoView;
    std::string GetDescription() const override;
    static void Publish(TClassBuilder<TrpSysMemoView>& b);
};

void registerMemoClasses();
