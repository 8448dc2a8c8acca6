#include "FormKit.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QHeaderView>
#include <QTreeWidget>

#include "AppCommon.h"
#include "DATAM.h"
#include "Exceptions.h"
#include "Guard.h"
#include "StringGrid.h"
#include "SysUtils.h"

// ---- TNode

TNode TNode::Of(const QTreeWidgetItem* item)
{
    TNode n;
    if (!item) return n;
    n.id = item->data(0, IdRole).toInt();
    n.name = item->data(0, NameRole).toString();
    n.kind = static_cast<Kind>(item->data(0, KindRole).toInt());
    return n;
}

void TNode::StoreIn(QTreeWidgetItem* item) const
{
    item->setData(0, IdRole, id);
    item->setData(0, NameRole, name);
    item->setData(0, KindRole, static_cast<int>(kind));
}

namespace app {

namespace {

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Keeps an edit's hover text the whole text while the box cuts it.
class WholeTextTip : public QObject {
public:
    explicit WholeTextTip(QLineEdit* edit) : QObject(edit), edit_(edit)
    {
        edit->installEventFilter(this);
        update();
    }
    void update()
    {
        const QMargins margins = edit_->textMargins();
        const int frame = edit_->hasFrame() ? edit_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit_) : 0;
        // The room QLineEdit leaves its text: its frame and a small margin each side.
        const int room = edit_->contentsRect().width() - margins.left() - margins.right() - 2 * frame - 4;
        const QString text = edit_->text();
        const bool cut = edit_->echoMode() == QLineEdit::Normal && edit_->fontMetrics().horizontalAdvance(text) > room;
        edit_->setToolTip(cut ? text : QString());
    }
    bool typing = false;  // the text changes as it is typed

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            update();
        return false;
    }

private:
    QLineEdit* edit_;
};

}  // namespace

void ShowStartOfText(QLineEdit* edit)
{
    auto* tip = new WholeTextTip(edit);
    // A text the program puts in shows from its start (setText puts the
    // cursor at its end, even when the text stays the same); a text being
    // typed shows where the typing is. Typing says so (textEdited) before
    // the text and the cursor change.
    QObject::connect(edit, &QLineEdit::textEdited, tip, gui::Slot([tip] {
        tip->typing = true;
        QTimer::singleShot(0, tip, [tip] { tip->typing = false; });
    }));
    QObject::connect(edit, &QLineEdit::textChanged, tip, gui::Slot([edit, tip] {
        if (!tip->typing) edit->setCursorPosition(0);
        tip->update();
    }));
    QObject::connect(edit, &QLineEdit::cursorPositionChanged, tip, gui::Slot([edit, tip] {
        if (!tip->typing && !edit->hasFocus() && edit->cursorPosition() != 0) edit->setCursorPosition(0);
    }));
}

QAction* NamedAction(QMenu* menu, const char* name, const char* text)
{
    return named(menu->addAction(QString::fromUtf8(text)), name);
}

QPushButton* NamedButton(QWidget* parent, const char* name, const char* text)
{
    auto* b = named(new QPushButton(QString::fromUtf8(text), parent), name);
    b->setAutoDefault(false);
    return b;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    return name ? named(l, name) : l;
}

QLineEdit* NamedEdit(QWidget* parent, const char* name, bool readOnly)
{
    auto* e = named(new QLineEdit(parent), name);
    e->setReadOnly(readOnly);
    ShowStartOfText(e);
    return e;
}

QComboBox* NamedCombo(QWidget* parent, const char* name, bool editable)
{
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(editable);
    if (editable) {
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setCompleter(nullptr);
        ShowStartOfText(c->lineEdit());
    }
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(8);
    return c;
}

QPlainTextEdit* NamedMemo(QWidget* parent, const char* name)
{
    auto* m = named(new QPlainTextEdit(parent), name);
    m->setTabChangesFocus(true);
    return m;
}

void Refuse(QWidget* field) { field->setFocus(Qt::OtherFocusReason); }

void RefuseWithError(QWidget* field, const std::string& message)
{
    gui::HandleException(Exception(message));
    if (field) Refuse(field);
}

void ShowWholeCaptions(QTreeWidget* tree)
{
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(false);
}

QTreeWidgetItem* AddTreeNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& caption, const TNode& node)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, caption);
    node.StoreIn(item);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    QIcon icon = tree->style()->standardIcon(QStyle::SP_DirClosedIcon);
    icon.addPixmap(tree->style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(16), QIcon::Selected);
    item->setIcon(0, icon);
    return item;
}

void ReplaceTreeChildren(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<TNode>& nodes)
{
    qDeleteAll(parent->takeChildren());
    for (const TNode& n : nodes) AddTreeNode(tree, parent, n.name, n);
}

std::vector<TNode> ReadTreeNodes(std::string sql, db::Params params, const char* nameField, TNode::Kind kind)
{
    std::vector<TNode> nodes;
    for (db::Query& q = DM->Read(std::move(sql), std::move(params)); !q.eof(); q.next())
        nodes.push_back(TNode{static_cast<int>(q.fieldByName("id").asInt64()), FieldText(q, nameField), kind});
    return nodes;
}

void FillGridRows(TStringGrid* grid, db::Query& q, const std::vector<GridField>& fields, int64_t firstNumber)
{
    grid->SetRowCount(static_cast<int>(q.recordCount()) + 1);
    // Field positions once, not per row.
    std::vector<std::pair<int, int>> at;
    for (const GridField& f : fields) at.emplace_back(f.col, q.fieldByName(f.field).index());
    int row = 1;
    for (; !q.eof(); q.next(), ++row) {
        grid->SetCell(0, row, Q(IntToStr(firstNumber + row - 1)));
        for (const auto& [col, index] : at) {
            const db::Value& v = q.value(index);
            if (!v.isNull()) grid->SetCell(col, row, Q(Trim(v.asText())));
        }
    }
}

TFieldForm::TFieldForm(const char* objectName, const char* caption, QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(QString::fromUtf8(caption));
    auto* outer = new QVBoxLayout(this);
    form_ = new QFormLayout;
    buttons_ = new QHBoxLayout;
    buttons_->addStretch(1);
    outer->addLayout(form_);
    outer->addLayout(buttons_);
    setMinimumWidth(340);
}

QLineEdit* TFieldForm::addEdit(const char* name, const char* label, bool readOnly)
{
    QLineEdit* e = NamedEdit(this, name, readOnly);
    form_->addRow(QString::fromUtf8(label), e);
    return e;
}

QPlainTextEdit* TFieldForm::addMemo(const char* name, const char* label)
{
    QPlainTextEdit* m = NamedMemo(this, name);
    m->setFixedHeight(72);
    form_->addRow(QString::fromUtf8(label), m);
    return m;
}

QPushButton* TFieldForm::addButton(const char* name, const char* text)
{
    QPushButton* b = NamedButton(this, name, text);
    buttons_->addWidget(b);
    return b;
}

TAddDialog::TAddDialog(const char* objectName, const char* caption, QWidget* parent) : TFieldForm(objectName, caption, parent)
{
    Button1 = addButton("Button1", "添加");
    connect(Button1, &QPushButton::clicked, this, gui::Slot([this] { Button1Click(); }));
}

void TAddDialog::AppendOrRefuse(QWidget* onDuplicate, std::string existsSql, db::Params existsParams, std::string insertSql,
                                db::Params values)
{
    if (!DM->AppendUnless(std::move(existsSql), std::move(existsParams), std::move(insertSql), std::move(values)))
        return Refuse(onDuplicate);
    accept();
}

}  // namespace app
