#include "rpRichEditor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "CodePages.h"
#include "Guard.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpCtrls.h"
#include "rpImageList.h"
#include "rpRes.h"
#include "rpRich.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"
#include "rpUiServices.h"
#include "rpUtilsGui.h"

using namespace rich;

namespace {

const char* const kRtfTypes[] = {"text/rtf", "application/rtf"};

const int kFontSizes[] = {5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// The string table's text, or the form's own where the table has none.
std::string resString(const std::string& key, const char* fallback)
{
    const std::string text = GetResources().Get(key);
    return text == key ? std::string(fallback) : text;
}

QString resText(int id, const char* fallback)
{
    return QString::fromStdString(resString(IntToStr(id), fallback));
}

// The file kinds of the open and save dialogs.
std::string richFiles()
{
    return resString("ftRichFile", "RTF 文件") + " (*.rtf)|*.rtf";
}

std::string textFiles()
{
    return resString("ftTextFile", "文本文件") + " (*.txt)|*.txt";
}

void selectLike(TReCustomRichEdit& engine, const QTextCursor& cursor)
{
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    if (engine.SelStart() == start && engine.SelLength() == length) return;
    engine.SetSelStart(start);
    engine.SetSelLength(length);
}

}  // namespace

// ---------------------------------------------------------------- editing control

TrpRichTextEdit::TrpRichTextEdit(TReCustomRichEdit& engine, QWidget* parent) : QTextEdit(parent), engine_(engine)
{
    setObjectName(QStringLiteral("RichEdit"));
    setDocument(&engine.Document());
    // The formatting rectangle lies 6 pixels in from either side.
    setViewportMargins(6, 0, 6, 0);
}

QMimeData* TrpRichTextEdit::createMimeDataFromSelection() const
{
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(cursor.selection().toPlainText());
    TRtfWriteOptions range;
    range.from = cursor.selectionStart();
    range.to = cursor.selectionEnd();
    const std::string rtf = WriteRtf(*document(), range);
    const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
    for (const char* type : kRtfTypes) data->setData(QString::fromLatin1(type), bytes);
    return data;
}

bool TrpRichTextEdit::canInsertFromMimeData(const QMimeData* source) const
{
    for (const char* type : kRtfTypes)
        if (source->hasFormat(QString::fromLatin1(type))) return true;
    return source->hasText();
}

void TrpRichTextEdit::insertFromMimeData(const QMimeData* source)
{
    for (const char* type : kRtfTypes) {
        const QByteArray bytes = source->data(QString::fromLatin1(type));
        const std::string_view rtf(bytes.constData(), static_cast<size_t>(bytes.size()));
        if (!LooksLikeRtf(rtf)) continue;
        selectLike(engine_, textCursor());
        engine_.ReplaceSelectionRtf(rtf);
        ensureCursorVisible();
        return;
    }
    // Other rich formats would bring attributes RTF cannot keep.
    if (source->hasText()) insertPlainText(source->text());
}

// ---------------------------------------------------------------- ruler

TrpRulerMarker::TrpRulerMarker(Kind kind, QWidget* ruler) : QWidget(ruler), kind_(kind)
{
    setObjectName(kind == FirstIndent ? QStringLiteral("FirstInd")
                  : kind == LeftIndent ? QStringLiteral("LeftInd")
                                       : QStringLiteral("RightInd"));
    setFixedSize(9, 8);
    setCursor(Qt::SizeHorCursor);
    SetPosition(0);
}

void TrpRulerMarker::SetPosition(qreal x)
{
    position_ = x;
    // The position is the marker's left edge; its tip, 4 pixels in, points
    // at the indent on the ruler (and in the text below).
    move(qRound(x), kind_ == FirstIndent ? 1 : parentWidget()->height() - height() - 1);
}

void TrpRulerMarker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(QColor(192, 192, 192));
    const int w = width() - 1, h = height() - 1;
    if (kind_ == FirstIndent)
        p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(w, 0), QPoint(w / 2, h)}));
    else
        p.drawPolygon(QPolygon({QPoint(w / 2, 0), QPoint(w, h), QPoint(0, h)}));
}

void TrpRulerMarker::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    dragX_ = event->globalPosition().x();
}

void TrpRulerMarker::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) return;
    const qreal x = event->globalPosition().x();
    SetPosition(std::clamp(position_ + x - dragX_, qreal(0), qreal(parentWidget()->width())));
    dragX_ = x;
}

void TrpRulerMarker::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    emit Released(this);
}

TrpRuler::TrpRuler(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Ruler"));
    setFixedHeight(26);
}

void TrpRuler::SetTabs(std::vector<qreal> tabs)
{
    tabs_ = std::move(tabs);
    update();
}

void TrpRuler::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(212, 208, 200));
    const int top = 9, bottom = height() - 9;
    p.fillRect(QRect(2, top, width() - 4, bottom - top), Qt::white);
    p.setPen(QColor(128, 128, 128));
    // From the text's left edge: an eighth of an inch is 12 pixels, the
    // default tab stops are 48 apart.
    for (int x = 6, k = 0; x < width() - 2; x += 12, ++k) {
        const int len = k % 4 == 0 ? bottom - top : k % 2 == 0 ? 4 : 2;
        const int y = (top + bottom - len) / 2;
        p.drawLine(x, y, x, y + len - 1);
    }
    p.setPen(Qt::black);
    for (qreal t : tabs_) {
        const int x = qRound(t);
        p.drawLine(x, bottom - 5, x, bottom - 1);
        p.drawLine(x, bottom - 1, x + 4, bottom - 1);
    }
}

// ---------------------------------------------------------------- form

TrpRichEditorForm::TrpRichEditorForm(TrpRichView* view, QWidget* parent)
    : QDialog(parent), Editor(std::make_unique<TReUnicodeRichEdit>()), view_(view)
{
    setObjectName(QStringLiteral("TrpRichEditorForm"));
    setWindowTitle(resText(4200, "Rich Editor"));
    resize(625, 300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    SpeedBar = new QToolBar(this);
    SpeedBar->setObjectName(QStringLiteral("SpeedBar"));
    SpeedBar->setIconSize(QSize(16, 16));
    layout->addWidget(SpeedBar);
    OpenB = button(1, 4201, "打开");
    SaveB = button(2, 4202, "保存");
    UndoB = button(8, 4203, "撤销");
    SpeedBar->addSeparator();
    TTB = button(59, 4204, "字体");
    ExprB = button(70, 4205, "插入表达式");
    SpeedBar->addSeparator();
    auto* panel = new TrpTBPanel(SpeedBar);
    FontNameCB = new TrpFontComboBox(panel);
    FontNameCB->setObjectName(QStringLiteral("FontNameCB"));
    FontNameCB->setToolTip(resText(2322, "字体名称"));
    FontNameCB->setFixedWidth(150);
    FontSizeCB = new TrpComboBox(panel);
    FontSizeCB->setObjectName(QStringLiteral("FontSizeCB"));
    FontSizeCB->setToolTip(resText(2323, "字号"));
    FontSizeCB->setFixedWidth(45);
    for (int size : kFontSizes) FontSizeCB->addItem(QString::fromStdString(IntToStr(size)));
    panel->layout()->addWidget(FontNameCB);
    panel->layout()->addWidget(FontSizeCB);
    SpeedBar->addWidget(panel);
    SpeedBar->addSeparator();
    BoldB = button(20, 4206, "B", true);
    ItalicB = button(21, 4207, "I", true);
    UnderlineB = button(22, 4208, "U", true);
    SpeedBar->addSeparator();
    LeftAlignB = button(25, 4209, "左", true);
    CenterAlignB = button(26, 4210, "中", true);
    RightAlignB = button(27, 4211, "右", true);
    BlockAlignB = button(28, 4212, "齐", true);
    for (QToolButton* b : {LeftAlignB, CenterAlignB, RightAlignB, BlockAlignB}) b->setAutoExclusive(true);
    BulletsB = button(71, 4213, "•", true);
    SpeedBar->addSeparator();
    CancelB = button(55, 2, "取消");
    OkB = button(56, 1, "确定");

    Ruler = new TrpRuler(this);
    layout->addWidget(Ruler);
    FirstInd = new TrpRulerMarker(TrpRulerMarker::FirstIndent, Ruler);
    LeftInd = new TrpRulerMarker(TrpRulerMarker::LeftIndent, Ruler);
    RightInd = new TrpRulerMarker(TrpRulerMarker::RightIndent, Ruler);

    Text = new TrpRichTextEdit(*Editor, this);
    layout->addWidget(Text, 1);
    Editor->Document().setUndoRedoEnabled(true);

    using gui::Slot;
    connect(OpenB, &QToolButton::clicked, this, Slot([this] { FileOpen(); }));
    connect(SaveB, &QToolButton::clicked, this, Slot([this] { FileSaveAs(); }));
    connect(UndoB, &QToolButton::clicked, this, Slot([this] { EditUndo(); }));
    connect(TTB, &QToolButton::clicked, this, Slot([this] { SelectFont(); }));
    connect(ExprB, &QToolButton::clicked, this, Slot([this] { ExprBClick(); }));
    connect(OkB, &QToolButton::clicked, this, Slot([this] { accept(); }));
    connect(CancelB, &QToolButton::clicked, this, Slot([this] { reject(); }));
    for (QToolButton* b : {BoldB, ItalicB, UnderlineB})
        connect(b, &QToolButton::clicked, this, Slot([this] { BoldBClick(); }));
    const QToolButton* aligns[] = {LeftAlignB, CenterAlignB, RightAlignB, BlockAlignB};
    for (int tag = 0; tag < 4; ++tag)
        connect(aligns[tag], &QToolButton::clicked, this, Slot([this, tag] { AlignButtonClick(tag); }));
    connect(BulletsB, &QToolButton::clicked, this, Slot([this] { BulletsBClick(); }));
    connect(FontNameCB, &TrpFontComboBox::Click, this, Slot([this] { FontNameCBChange(); }));
    connect(FontSizeCB, &QComboBox::activated, this, Slot([this] { FontSizeCBChange(); }));
    connect(FontSizeCB->lineEdit(), &QLineEdit::returnPressed, this, Slot([this] { FontSizeCBChange(); }));
    for (TrpRulerMarker* m : {FirstInd, LeftInd, RightInd})
        connect(m, &TrpRulerMarker::Released, this, gui::SlotWithArgs([this](TrpRulerMarker* marker) {
                    RulerItemMouseUp(marker);
                }));
    connect(Text, &QTextEdit::cursorPositionChanged, this, Slot([this] { SelectionChange(); }));
    connect(Text, &QTextEdit::selectionChanged, this, Slot([this] { SelectionChange(); }));
}

TrpRichEditorForm::~TrpRichEditorForm()
{
    // The window lets go of the engine's document before the engine goes.
    delete Text;
    Text = nullptr;
}

QToolButton* TrpRichEditorForm::button(int image, int hintId, const QString& text, bool checkable)
{
    auto* b = new QToolButton(SpeedBar);
    const TrpImageList& images = GetResources().GetDesignerImages();
    if (image < images.Count() && !images.Image(image).isNull()) {
        b->setIcon(images.Icon(image));
    } else {
        // Without the designer's images the buttons carry text.
        b->setText(text);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    b->setToolTip(resText(hintId, text.toUtf8().constData()));
    b->setCheckable(checkable);
    SpeedBar->addWidget(b);
    return b;
}

void TrpRichEditorForm::syncSelection()
{
    selectLike(*Editor, Text->textCursor());
}

template <class F>
void TrpRichEditorForm::replacing(F&& operation)
{
    QTextDocument holder;
    Text->setDocument(&holder);
    struct Reattach {
        TrpRichEditorForm& f;
        ~Reattach()
        {
            f.Text->setDocument(&f.Editor->Document());
            f.Editor->Document().setUndoRedoEnabled(true);
        }
    } reattach{*this};
    operation();
}

void TrpRichEditorForm::charChanged()
{
    // With nothing selected the attributes are for what is typed next.
    if (!Text->textCursor().hasSelection()) Text->setCurrentCharFormat(Editor->InsertionFormat());
    SelectionChange();
}

void TrpRichEditorForm::FormShow()
{
    replacing([this] { Editor->SetDocument(view_->RichEdit()->CloneDocument()); });
    Text->moveCursor(QTextCursor::Start);
    Text->setFocus();
    SelectionChange();
}

void TrpRichEditorForm::FormHide(int result)
{
    if (result == QDialog::Accepted) view_->RichEdit()->SetDocument(Editor->CloneDocument());
}

void TrpRichEditorForm::SelectionChange()
{
    if (!Text) return;
    syncSelection();
    updating_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{updating_};
    const TReParaAttributes& para = *Editor->Paragraph();
    const int first = para.FirstIndent();
    FirstInd->SetPosition(first * RulerAdj + 2);
    LeftInd->SetPosition((first + para.LeftIndent()) * RulerAdj + 2);
    RightInd->SetPosition(Ruler->width() - (para.RightIndent() + 6) * RulerAdj);
    std::vector<qreal> tabs;
    for (int i = 0; i < para.TabCount(); ++i) tabs.push_back(para.Tab(i) * RulerAdj + 6);
    Ruler->SetTabs(std::move(tabs));
    const TReTextAttributes& attrs = *Editor->SelAttributes();
    const TFontStyles style = attrs.Style();
    BoldB->setChecked(style.Contains(fsBold));
    ItalicB->setChecked(style.Contains(fsItalic));
    UnderlineB->setChecked(style.Contains(fsUnderline));
    FontSizeCB->setEditText(QString::fromStdString(IntToStr(attrs.Size())));
    FontNameCB->setEditText(QString::fromStdString(attrs.Name()));
    switch (para.Alignment()) {
    case TRichAlign::Center: CenterAlignB->setChecked(true); break;
    case TRichAlign::Right: RightAlignB->setChecked(true); break;
    case TRichAlign::Justify: BlockAlignB->setChecked(true); break;
    default: LeftAlignB->setChecked(true); break;
    }
    BulletsB->setChecked(para.Numbering() == nsBullet);
}

void TrpRichEditorForm::FileOpen()
{
    gui::FileRequest request;
    request.filter = rpFileFilter(richFiles());
    request.directory = QCoreApplication::applicationDirPath();
    QString name;
    if (!gui::ui().fileDialog(request, name)) return;
    replacing([&] { Editor->Lines()->LoadFromFile(name.toStdString()); });
    Text->moveCursor(QTextCursor::Start);
    SelectionChange();
}

void TrpRichEditorForm::FileSaveAs()
{
    gui::FileRequest request;
    request.save = true;
    request.filter = rpFileFilter(richFiles() + "|" + textFiles());
    request.directory = QCoreApplication::applicationDirPath();
    QString name;
    if (!gui::ui().fileDialog(request, name)) return;
    // Always RTF, whatever the filter chosen.
    std::filesystem::path path(name.toStdString());
    path.replace_extension(".rtf");
    Editor->Lines()->SaveToFile(path.string());
}

void TrpRichEditorForm::EditUndo()
{
    Text->undo();
}

void TrpRichEditorForm::SelectFont()
{
    syncSelection();
    TFont font;
    font.Assign(Editor->SelAttributes());
    QFont chosen = FontForDialog(font);
    if (!gui::ui().fontDialog(chosen, resText(4204, "字体"))) return;
    FontFromDialog(chosen, font);
    Editor->SelAttributes()->Assign(&font);
    charChanged();
}

void TrpRichEditorForm::BoldBClick()
{
    if (updating_) return;
    syncSelection();
    TFontStyles style;
    if (BoldB->isChecked()) style.Include(fsBold);
    if (ItalicB->isChecked()) style.Include(fsItalic);
    if (UnderlineB->isChecked()) style.Include(fsUnderline);
    // Strike-out has no button: it stays as it is.
    if (Editor->SelAttributes()->Style().Contains(fsStrikeout)) style.Include(fsStrikeout);
    Editor->SelAttributes()->SetStyle(style);
    charChanged();
}

void TrpRichEditorForm::AlignButtonClick(int tag)
{
    if (updating_) return;
    static const TRichAlign aligns[] = {TRichAlign::Left, TRichAlign::Center, TRichAlign::Right, TRichAlign::Justify};
    syncSelection();
    Editor->Paragraph()->SetAlignment(aligns[std::clamp(tag, 0, 3)]);
    SelectionChange();
}

void TrpRichEditorForm::FontNameCBChange()
{
    if (updating_) return;
    syncSelection();
    Editor->SelAttributes()->SetName(FontNameCB->currentText().toStdString());
    charChanged();
}

void TrpRichEditorForm::FontSizeCBChange()
{
    if (updating_) return;
    const std::string text = Trim(FontSizeCB->currentText().toStdString());
    if (text.empty()) return;
    syncSelection();
    Editor->SelAttributes()->SetSize(StrToInt(text));
    charChanged();
}

void TrpRichEditorForm::BulletsBClick()
{
    if (updating_) return;
    syncSelection();
    Editor->Paragraph()->SetNumbering(BulletsB->isChecked() ? nsBullet : nsNone);
    SelectionChange();
}

void TrpRichEditorForm::ExprBClick()
{
    std::string expression;
    bool given = false;
    if (OnGetExpression) {
        given = OnGetExpression(expression);
    } else {
        QString value;
        given = gui::ui().inputQuery(resText(4205, "插入表达式"), resText(4205, "插入表达式"), value);
        expression = value.toStdString();
    }
    if (!given || expression.empty()) return;
    const std::string& delimiters = view_->ExpressionDelimiters;
    const size_t comma = delimiters.find(',');
    const std::string open = delimiters.substr(0, comma);
    const std::string close = comma == std::string::npos ? std::string() : delimiters.substr(comma + 1);
    // A field picked as "<name>" loses its angle brackets.
    if (expression.size() >= 2 && expression.front() == '<' && expression.back() == '>' &&
        std::count(expression.begin(), expression.end(), '<') == 1)
        expression = expression.substr(1, expression.size() - 2);
    syncSelection();
    Editor->SetSelText(Utf8ToUtf16(open + expression + close));
    QTextCursor cursor = Text->textCursor();
    cursor.setPosition(Editor->SelStart());
    Text->setTextCursor(cursor);
}

void TrpRichEditorForm::RulerItemMouseUp(TrpRulerMarker* marker)
{
    syncSelection();
    TReParaAttributes& para = *Editor->Paragraph();
    const auto points = [](qreal pixels) { return static_cast<int>(Round(static_cast<Extended>(pixels / RulerAdj))); };
    switch (marker->MarkerKind()) {
    case TrpRulerMarker::FirstIndent: para.SetFirstIndent(points(marker->Position() - 2)); break;
    case TrpRulerMarker::LeftIndent: para.SetLeftIndent(points(marker->Position() - 2) - para.FirstIndent()); break;
    case TrpRulerMarker::RightIndent: para.SetRightIndent(points(Ruler->width() - marker->Position()) - 6); break;
    }
    SelectionChange();
}

void TrpRichEditorForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        GetResources().Help("TrpRichEditorForm");
        return;
    }
    QDialog::keyPressEvent(event);
}

void TrpRichEditorForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    gui::guarded([this] { SelectionChange(); });
}

// ---------------------------------------------------------------- component editor

bool TrpRichEditor::Edit()
{
    auto* view = dynamic_cast<TrpRichView*>(Component);
    if (!view) return false;
    TrpRichEditorForm form(view);
    form.FormShow();
    const int result = rpShowModal(form);
    form.FormHide(result);
    return result == QDialog::Accepted;
}

void TrpRichEditor::GetMenuItems(std::vector<MenuItem>& menu)
{
    if (const auto* view = dynamic_cast<const TrpRichView*>(Component)) {
        const TrpResources& res = GetResources();
        AddMenuItem(menu, res.Get("mvExpr"), tagExpr, view->AllowExpressions);
        AddMenuItem(menu, "-", 0);
        AddMenuItem(menu, res.Get("mvStretch"), tagStretch, view->StretchMode() == smActualHeight);
        AddMenuItem(menu, res.Get("mvStretchToMax"), tagStretchToMax, view->StretchMode() == smMaxHeight);
    }
    TrpViewEditor::GetMenuItems(menu);
}

bool TrpRichEditor::Execute(int tag, bool checked)
{
    if (tag < tagExpr || tag > tagStretchToMax) return TrpViewEditor::Execute(tag, checked);
    for (TrpRichView* view : unlocked<TrpRichView>()) {
        if (tag == tagExpr)
            view->AllowExpressions = checked;
        else if (tag == tagStretch)
            view->SetStretchMode(checked ? smActualHeight : smDontStretch);
        else
            view->SetStretchMode(checked ? smMaxHeight : smDontStretch);
    }
    return true;
}

void registerRichEditor()
{
    // Once, however often the unit registers.
    GetComponentEditors().Unregister(TrpRichView::StaticClass());
    GetComponentEditors().Register(TrpRichView::StaticClass(), [](TComponent* component, TObject* designer) {
        return std::make_unique<TrpRichEditor>(component, designer);
    });
}

void unregisterRichEditor()
{
    GetComponentEditors().Unregister(TrpRichView::StaticClass());
}
