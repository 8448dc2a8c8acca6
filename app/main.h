#pragma once
// The main window: category tree on the left, the paged order grid on the
// right, the menus that start every other operation. Created hidden at
// start-up, shown by the login; closing it ends the program.

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "DbValue.h"
#include "Database.h"
#include "FormKit.h"
#include "Numbers.h"
#include "Query.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TComponent;
class TStringGrid;
class TrpDBDataset;
class TrpReport;

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
    ~Tfmain() override;

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

    // The print commands: the order sheet of the order in ADOQuery1 and
    // ADOQuery2, and the waybill of the order in ADOQuery1 on the layout of
    // that zq_kd id. Each prepares its report, sets the texts or positions
    // the report cannot know, and shows it in the modal preview, which
    // prepares it again with them; the user prints from there.
    void PrintOrderSheet();
    void PrintWaybill(const QString& id);
    // Why text `index` (0-7, in the layout form's order) of the waybill
    // cannot start at (x, y) centimetres from the printable corner, or ""
    // when it can: on the paper, with a centimetre of the printable width
    // and room for its first line left.
    // `badY` tells which of the two is wrong.
    std::string WaybillPlaceError(std::size_t index, Extended x, Extended y, bool* badY = nullptr) const;

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

    // The order being printed and the company row, for the report
    // datasets: the order (ADOQuery1), its lines (ADOQuery2), config
    // (ADOQuery3). Null when the data module has no connection object.
    std::unique_ptr<db::Query> ADOQuery1, ADOQuery2, ADOQuery3;

    // The reports and their datasets, owned by a component of this window's
    // name; the reports find the datasets by their names. Declared after
    // the queries: they go first.
    std::unique_ptr<TComponent> Components;
    TrpDBDataset* rpDBDataset1 = nullptr;  // ADOQuery1: the order sheet's master
    TrpDBDataset* rpDBDataset2 = nullptr;  // ADOQuery2: its lines
    TrpDBDataset* rpDBDataset3 = nullptr;  // ADOQuery1: the waybill's recipient
    TrpDBDataset* rpDBDataset4 = nullptr;  // ADOQuery3: the waybill's sender
    TrpReport* rpReport1 = nullptr;        // the order sheet
    TrpReport* rpReport2 = nullptr;        // the courier waybill

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildClient();
    void enablePaging(bool on);
    void setGridLayout(TListing::Layout layout);
    void showPagingLabels();
    void createReports();

    // The order the waybill form was opened for: its recipient, whatever
    // the order sheet has loaded into ADOQuery1 since.
    QString waybillOrder_;
    // The waybill texts' widths in the template: a text placed near the
    // paper's right edge is narrowed to the edge, the next print starts
    // from these again.
    std::vector<Extended> waybillWidths_;
};

extern Tfmain* fmain;

// The listings of the main window's tree.
TListing OrdersListing();
TListing LinesListing(const std::string& where, db::Params params);
