#pragma once
// The rich-text report object: formatted text (RTF) held by a rich edit
// engine, filled from a data field and from expressions between
// delimiters, drawn through the canvas layer, measured for stretching and
// split across pages line by line, and a table row by row. Report files and prepared pages keep
// the content as the binary property "RichEdit" (RTF) in PropData.

#include <QTextDocument>

#include <memory>
#include <string>

#include "rpClass.h"
#include "rpRichEdit.h"

class TrpRichView : public TrpStretcheable {
    DORVAK_CLASS(TrpRichView, TrpStretcheable)
public:
    explicit TrpRichView(TComponent* owner = nullptr);
    ~TrpRichView() override;

    bool AllowExpressions = true;
    // "open,close".
    std::string ExpressionDelimiters = "[,]";
    Extended GapX = 2;
    Extended GapY = 1;
    // Lines break the same on every device here, so this is only kept.
    bool Wysiwyg = true;

    // The object that takes the text that does not fit; never the object itself.
    TrpRichView* FlowTo() const noexcept { return flowTo_.get(); }
    void SetFlowTo(TrpRichView* value) { flowTo_ = value == this ? nullptr : value; }
    TReRichEdit* RichEdit() const noexcept { return richEdit_.get(); }

    std::string GetDescription() const override;
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

    // The content is saved before printing and restored after it, so that
    // values put in by GetData never reach the stored content.
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    // Plain text while the engine is in plain-text mode, else RTF.
    std::string GetComponentText() override;

    Extended CalcHeight() override;
    void InitPart() override;
    // Keeps as content exactly the lines that fit into Height; the unused
    // height, or Height itself when not even a line fits. Asked again at
    // such a line, it keeps the line cut and answers how much was cut off
    // as a height below 0.
    Extended DrawPart() override;
    bool HasNextPart() override { return nextPart_; }
    // Whether the last part ended inside a paragraph.
    bool Continued() const noexcept { return continued_; }

    void DefineProperties(TrpFiler& filer) override;

    static void Publish(TClassBuilder<TrpRichView>& b);

private:
    void loadData();
    void replaceExpressions();
    // The content becomes [from, to) of what is still to be laid out.
    void takePart(int from, int to, bool continued);
    int pageWidthTwips() const;

    std::unique_ptr<TReRichEdit> richEdit_;
    // The content before printing.
    std::unique_ptr<QTextDocument> saved_;
    // What is still to be laid out: the content at InitPart, from partStart_.
    std::unique_ptr<TReRichEdit> part_;
    int partStart_ = 0;
    // Where a part last found no room for a single line.
    int stuckAt_ = -1;
    bool continued_ = false;
    bool nextPart_ = false;
    Ref<TrpRichView> flowTo_;
};

// A copy of [from, to) of a rich document. continued: the range starts
// inside a paragraph, whose first line in the copy sits where its other
// lines do (no first-line indent, no list marker). List numbers go on from
// where they stood in the source.
std::unique_ptr<QTextDocument> CopyRichRange(const QTextDocument& source, int from, int to, bool continued);

// The rich-text unit: its classes, the object registry entry and the
// component editor. Called from the start-up routine after
// registerDMPClasses; the mirror before unregisterReportModel.
void registerRichUnit();
void unregisterRichUnit();
