#pragma once
// What the forms share to build themselves: controls named as the design
// names them, the catalogue trees' node records, and filling a string grid
// from a query.

#include <QDialog>
#include <QString>
#include <Qt>

#include <string>
#include <vector>

#include "Database.h"

class QAction;
class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TStringGrid;

namespace db {
class Query;
}

// The record hung on every node of the category trees (kept in the item's
// data roles): id, name and kind.
struct TNode {
    enum class Kind {
        None,      // no node
        Root,
        Category,  // or a station of a restricted user
        Product,
        Size,      // 规格
    };
    int id = 0;
    QString name;
    Kind kind = Kind::None;

    static constexpr int IdRole = Qt::UserRole;
    static constexpr int NameRole = Qt::UserRole + 1;
    static constexpr int KindRole = Qt::UserRole + 2;

    static TNode Of(const QTreeWidgetItem* item);
    void StoreIn(QTreeWidgetItem* item) const;
    bool Is(Kind k) const { return kind == k; }
};

namespace app {

QAction* NamedAction(QMenu* menu, const char* name, const char* text);
QPushButton* NamedButton(QWidget* parent, const char* name, const char* text);
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text = {});
// Edits (NamedEdit, the editable pickers' too) show the start of a text the
// program puts in them, and the whole text on hover while they cut it.
QLineEdit* NamedEdit(QWidget* parent, const char* name, bool readOnly = false);
void ShowStartOfText(QLineEdit* edit);
// Editable pickers keep their list as it is: typing neither adds an item
// nor completes one, so the typed text is what the handlers read.
QComboBox* NamedCombo(QWidget* parent, const char* name, bool editable);
QPlainTextEdit* NamedMemo(QWidget* parent, const char* name);

// Refuses a field the application's way: the focus goes there, no message.
void Refuse(QWidget* field);
// Refuses with a reason: the message goes to the default handler (an error
// box), then the focus to the field when there is one.
void RefuseWithError(QWidget* field, const std::string& message);

// A node with its folder icons, marked as having children.
QTreeWidgetItem* AddTreeNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& caption, const TNode& node);
// A tree whose captions are shown whole: long product names scroll
// sideways instead of ending in "…".
void ShowWholeCaptions(QTreeWidget* tree);
// Drops a node's children and adds one per record.
void ReplaceTreeChildren(QTreeWidget* tree, QTreeWidgetItem* parent, const std::vector<TNode>& nodes);
// One node of the kind per row of a read, named by one of its columns.
std::vector<TNode> ReadTreeNodes(std::string sql, db::Params params, const char* nameField, TNode::Kind kind);

// Which field of a listing fills a grid column.
struct GridField {
    int col;
    const char* field;
};
// Fills rows 1... from the query's rows: column 0 numbers them from
// firstNumber, each listed column takes its field trimmed (Null leaves the
// cell empty). Sets the row count to the rows read plus the header.
void FillGridRows(TStringGrid* grid, db::Query& q, const std::vector<GridField>& fields, int64_t firstNumber);

// A small dialog of labelled fields in one column, its buttons below.
class TFieldForm : public QDialog {
public:
    TFieldForm(const char* objectName, const char* caption, QWidget* parent);

protected:
    QLineEdit* addEdit(const char* name, const char* label, bool readOnly = false);
    QPlainTextEdit* addMemo(const char* name, const char* label);
    QPushButton* addButton(const char* name, const char* text);

private:
    QFormLayout* form_;
    QHBoxLayout* buttons_;
};

// A dialog that adds one row: its "添加" button runs Button1Click.
class TAddDialog : public TFieldForm {
public:
    TAddDialog(const char* objectName, const char* caption, QWidget* parent);
    virtual void Button1Click() = 0;

    QPushButton* Button1 = nullptr;

protected:
    // Appends the row unless the check finds one; then refuses onDuplicate
    // and stays open, else closes the dialog.
    void AppendOrRefuse(QWidget* onDuplicate, std::string existsSql, db::Params existsParams, std::string insertSql, db::Params values);
};

}  // namespace app
