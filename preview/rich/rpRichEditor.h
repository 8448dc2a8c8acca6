#pragma once
// The rich-text object's editor: a copy of the object's content in an
// editing control with a toolbar (files, undo, font, expression, font name
// and size, bold, italic, underline, alignment, bullets) and a ruler whose
// three markers set the paragraph's indents; OK copies the content back.
// Its component editor opens it on a rich-text object and switches
// expressions and stretching on the selected ones.

#include <QDialog>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <string>

#include "rpCustomEditors.h"
#include "rpRichEdit.h"

class QToolBar;
class QToolButton;
class TrpComboBox;
class TrpFontComboBox;
class TrpRichEditorForm;
class TrpRichView;

// The editing control's window: the engine's document, with RTF on the
// clipboard ("text/rtf" and "application/rtf") besides plain text.
class TrpRichTextEdit : public QTextEdit {
    Q_OBJECT
public:
    TrpRichTextEdit(TReCustomRichEdit& engine, QWidget* parent = nullptr);

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    TReCustomRichEdit& engine_;
};

// A marker of the ruler, dragged along it. Its position is its left edge
// in pixels from the ruler's.
class TrpRulerMarker : public QWidget {
    Q_OBJECT
public:
    enum Kind { FirstIndent, LeftIndent, RightIndent };
    TrpRulerMarker(Kind kind, QWidget* ruler);

    Kind MarkerKind() const { return kind_; }
    qreal Position() const { return position_; }
    void SetPosition(qreal x);

signals:
    void Released(TrpRulerMarker* marker);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Kind kind_;
    qreal position_ = 0;
    bool dragging_ = false;
    qreal dragX_ = 0;
};

// Ticks every eighth of an inch, a bar at every default tab stop and a
// mark at each of the paragraph's own tab stops.
class TrpRuler : public QWidget {
    Q_OBJECT
public:
    explicit TrpRuler(QWidget* parent = nullptr);
    // Tab stops in pixels from the ruler's left edge (the text's is at 6).
    void SetTabs(std::vector<qreal> tabs);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<qreal> tabs_;
};

class TrpRichEditorForm : public QDialog {
    Q_OBJECT
public:
    // Pixels per point on the ruler.
    static constexpr qreal RulerAdj = 4.0 / 3.0;

    explicit TrpRichEditorForm(TrpRichView* view, QWidget* parent = nullptr);
    ~TrpRichEditorForm() override;

    // The view's content into the editing control, and back on OK.
    void FormShow();
    void FormHide(int result);
    // The toolbar and the ruler follow the selection.
    void SelectionChange();
    void FileOpen();
    void FileSaveAs();
    void EditUndo();
    void SelectFont();
    void BoldBClick();
    // Tag 0 left, 1 centre, 2 right, 3 justify.
    void AlignButtonClick(int tag);
    void FontNameCBChange();
    void FontSizeCBChange();
    void BulletsBClick();
    void ExprBClick();
    // A marker let go: its indent from its position.
    void RulerItemMouseUp(TrpRulerMarker* marker);

    // The designer's expression dialog; without one an input box asks.
    std::function<bool(std::string& expression)> OnGetExpression;

    std::unique_ptr<TReUnicodeRichEdit> Editor;
    TrpRichTextEdit* Text;
    QToolBar* SpeedBar;
    QToolButton *OpenB, *SaveB, *UndoB, *TTB, *ExprB, *CancelB, *OkB;
    TrpFontComboBox* FontNameCB;
    TrpComboBox* FontSizeCB;
    QToolButton *BoldB, *ItalicB, *UnderlineB;
    QToolButton *LeftAlignB, *CenterAlignB, *RightAlignB, *BlockAlignB, *BulletsB;
    TrpRuler* Ruler;
    TrpRulerMarker *FirstInd, *LeftInd, *RightInd;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* button(int image, int hintId, const QString& text, bool checkable = false);
    // The engine's selection from the window's.
    void syncSelection();
    // Runs an engine operation that may replace its document.
    template <class F>
    void replacing(F&& operation);
    // After a character attribute change: what is typed next takes it too.
    void charChanged();

    TrpRichView* view_;
    bool updating_ = false;
};

// The component editor of rich-text objects.
class TrpRichEditor : public TrpViewEditor {
public:
    using TrpViewEditor::TrpViewEditor;

    enum : int { tagExpr = 11, tagStretch, tagStretchToMax };

    // Opens the form modally; true when it closed with OK.
    bool Edit() override;
    bool HasEditor() override { return true; }
    void GetMenuItems(std::vector<MenuItem>& menu) override;
    bool Execute(int tag, bool checked) override;
};

void registerRichEditor();
void unregisterRichEditor();
