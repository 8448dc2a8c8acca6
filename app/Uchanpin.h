#pragma once
// The product catalogue: a tree of categories and products, a grid of the
// specifications of the chosen category or product, and the dialogs that
// add categories, products and specifications. Nothing is edited or
// deleted here.

#include <QDialog>

#include <string>

#include "Database.h"

class QAction;
class QMenu;
class QMenuBar;
class QTreeWidget;
class TStringGrid;

class TFchanpin : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 100;

    explicit TFchanpin(QWidget* parent = nullptr);

    void FormCreate();
    void RefreshCatalogNode();
    void FillSpecGrid();
    void trlbClick();
    void N4Click();  // 添加类别 (also N5)
    void N2Click();  // 添加产品 (also N6)
    void N3Click();  // 添加规格 (also N7)

    QTreeWidget* trlb = nullptr;
    TStringGrid* StringGrid1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction *N4 = nullptr, *N2 = nullptr, *N3 = nullptr;  // menu 操作
    QAction *N5 = nullptr, *N6 = nullptr, *N7 = nullptr;  // tree pop-up

    // This window's own listing: the specifications shown in the grid;
    // an empty text lists nothing.
    std::string CurrentSql;
    db::Params CurrentParams;

private:
    void writeHeaders();
};

extern TFchanpin* Fchanpin;
