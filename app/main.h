#pragma once
// The main window: category tree on the left, the paged order grid on the
// right, the menus that start every other operation. Created hidden at
// start-up, shown by the login; closing it ends the program.

#include <QMainWindow>
#include <QStringList>

#include <string>

#include "DbValue.h"
#include "Database.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TStringGrid;

// The record hung on every node of the category trees (kept in the item's
// data roles): id, name and kind ("cp" root, "lb" category or station,
// "cpm" product, "cpgg" specification).
struct TNode {
    int id = 0;
    QString name;
    QString kind;

    static constexpr int IdRole = Qt::UserRole;
    static constexpr int NameRole = Qt::UserRole + 1;
    static constexpr int KindRole = Qt::UserRole + 2;

    static TNode Of(const QTreeWidgetItem* item);
    void StoreIn(QTreeWidgetItem* item) const;
};

// What a grid lists: a statement with its values, without ORDER BY (the
// count and the pages are built from it), and which layout shows it.
struct TListing {
    enum Layout { Orders, Lines };
    std::string sql;
    std::string orderBy;
    db::Params params;
    Layout layout = Orders;
};

class Tfmain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kPageSize = 100;

    explicit Tfmain(QWidget* parent = nullptr);

    // Handlers
    void FormCreate();
    QString GetMacAddress();
    void BrowseTreeNode();
    void FillOrderGrid();
    void Button5Click();  // 第一页
    void Button3Click();  // 上一页
    void Button2Click();  // 下一页
    void Button4Click();  // 最后一页
    void N2Click();   // 退出
    void N3Click();   // 设置
    void N5Click();   // 支持论坛
    void N6Click();   // 修改密码
    void N10Click();  // 打印快递单
    void N11Click();  // 添加出货单
    void N16Click();  // 添加订单
    void N21Click();  // 产品管理
    void N22Click();  // 修改
    void N25Click();  // 打印出库单

    // The order number of the grid's current data row, or "".
    QString SelectedOrder() const;

    // Controls, by their names in the design.
    QTreeWidget* trlb = nullptr;
    TStringGrid* StringGrid1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;  // 操作区
    QLabel* Label1 = nullptr;        // welcome text in the status bar
    QLabel* Label11 = nullptr;       // location
    QLabel* Label2 = nullptr;        // page number
    QLabel* Label3 = nullptr;        // page count
    QLabel* Label9 = nullptr;        // record count
    QPushButton* Button5 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button4 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction *N2 = nullptr, *N3 = nullptr, *N5 = nullptr, *N6 = nullptr, *N10 = nullptr, *N11 = nullptr, *N16 = nullptr,
            *N21 = nullptr, *N22 = nullptr, *N25 = nullptr;

    // Station rights: 0 unrestricted, else zq_yhm.qx of this computer's row.
    int Tag = 0;
    int trlbTag = 0;      // 0 orders, 1 order lines (as the tree chose)
    QStringList Cbqx1;    // names of the stations the user may see
    QStringList Cbqx2;    // their ids, in step

    // This window's own listing state.
    TListing CurrentListing;
    int PageNo = 0;
    int PageCount = 0;
    int64_t RecordCount = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildClient();
    void enablePaging(bool on);
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& caption, const TNode& node);
    std::vector<TNode> childNodes(std::string sql, db::Params params, const char* nameField, const char* kind);
    void replaceChildren(QTreeWidgetItem* parent, const std::vector<TNode>& nodes);
    void setGridLayout(TListing::Layout layout);
    void showPagingLabels();
};

extern Tfmain* fmain;

// The listings of the main window's tree.
TListing OrdersListing();
TListing LinesListing(const std::string& where, db::Params params);
