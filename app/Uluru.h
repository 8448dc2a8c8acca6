#pragma once
// The order form: a new shipping order or an existing one with its lines,
// picked from the catalogue through three cascading pickers, with totals,
// discount and the amount received. Saving writes the order and its lines
// in one transaction.

#include <QDialog>
#include <QStringList>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DbValue.h"
#include "Variant.h"  // TDateTime

class QAction;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TStringGrid;

class TFluru : public QDialog {
    Q_OBJECT
public:
    explicit TFluru(QWidget* parent = nullptr);

    // Preparations by the main window, before it shows the form.
    void PrepareNewOrder();
    // false when the order is not found (the form is then not shown).
    bool PrepareEditOrder(const QString& bh);

    // Handlers
    void Cb_lbChange();
    void Cb_pzChange();
    void Cb_ggChange();
    void Cb_zkChange();
    void Ed_zkChange();
    void Ed_lbqhChange();
    void Cb_khChange();
    void cb_zdrChange();
    void DateTimePicker1Change();
    void Button7Click();  // 添加
    void Button8Click();  // 清空列表
    void N1Click();       // 删除当前行
    void Button1Click();  // 保存关闭
    void Button3Click();  // 取消

    void DeleteGridRow(int row);

    QLineEdit* Ed_bh = nullptr;
    QLineEdit* ed_lxr = nullptr;
    QLineEdit* Ed_khmc = nullptr;
    QComboBox* Cb_kh = nullptr;
    QLineEdit* Ed_khdz = nullptr;
    QLineEdit* Ed_lxdh = nullptr;
    QLineEdit* Ed_zdr = nullptr;
    QComboBox* cb_zdr = nullptr;
    QPlainTextEdit* M_bz = nullptr;
    QLineEdit* Ed_fjmc = nullptr;
    QLineEdit* Ed_fjje = nullptr;
    QLineEdit* Ed_zsl = nullptr;
    QLineEdit* Ed_zk = nullptr;
    QComboBox* Cb_zk = nullptr;
    QLineEdit* Ed_lbqh = nullptr;
    QLineEdit* Ed_zje = nullptr;
    QLineEdit* Ed_zje2 = nullptr;
    QDateEdit* DateTimePicker1 = nullptr;
    QLineEdit* Ed_kssj = nullptr;  // hidden: the order date as stored
    QComboBox* Cb_lb = nullptr;
    QComboBox* Cb_pz = nullptr;
    QComboBox* Cb_gg = nullptr;
    QLineEdit* Ed_dj = nullptr;
    QLineEdit* Ed_mrsl = nullptr;
    QLineEdit* Ed_dw = nullptr;
    QLineEdit* Ed_bz = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;
    TStringGrid* StringGrid1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button3 = nullptr;

    QStringList Cb_khid;  // the ids of Cb_kh's customers, in step
    int Tag = 0;          // 0 new order, 1 edit
    int LineCounter = 1;  // the grid row the next line fills (lines + 1)

private:
    void buildForm();
    void prepareCommon(bool editing);
    void fillCustomerPickers();
    void recomputeTotals();
    void renumberLines();
    // The lines to save: data rows with anything in columns 1 to 8.
    bool isLine(int row) const;
    // Writes the order and its lines; an edited order that is gone or was
    // changed by another workstation since the form read it raises.
    void saveOrder();
    void saveOnce(const std::string& bh, const std::vector<db::Value>& fields);

public:
    // An order as stored: the columns a save writes, and its lines'.
    struct StoredOrder {
        std::vector<db::Value> order;
        std::vector<std::vector<db::Value>> lines;
        bool operator==(const StoredOrder&) const = default;
    };

private:
    TDateTime orderTime_ = 0;  // when the new order's number was made
    // The edited order as the form read it.
    std::optional<StoredOrder> opened_;
    // Saves whose connection was lost on the way: the server may have
    // stored them all the same (number and what was written).
    std::vector<std::pair<std::string, StoredOrder>> unsure_;
};

extern TFluru* Fluru;
