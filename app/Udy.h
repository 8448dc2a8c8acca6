#pragma once
// The courier waybill layouts: one per courier company, with where (in
// centimetres) the eight texts go on its pre-printed form. Opened for the
// selected order, modeless; "预览打印" prints the chosen courier's waybill.

#include <QDialog>

#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;

class TFdy : public QDialog {
    Q_OBJECT
public:
    // The coordinate columns of zq_kd, in the order of the form's rows:
    // x then y for sender contact, company, address, telephone, then the
    // same for the recipient.
    static const std::array<const char*, 16> kCoordinates;
    // The captions of the form's eight rows, in the same order.
    static const std::array<const char*, 8> kRowLabels;

    explicit TFdy(QWidget* parent = nullptr);

    // Lists the couriers and shows the first, in viewing mode.
    void Open();
    void ComboBox1Change();
    void Button1Click();  // 预览打印
    void Button2Click();  // 添加快递单类型
    void Button4Click();  // 编辑
    void Button3Click();  // 保存

    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Ed_kdmc = nullptr;
    // Ed_jjrx, Ed_jjry, ... Ed_sjdhy, in the order of kCoordinates.
    std::array<QLineEdit*, 16> Coordinates{};
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;

    int Ed_kdmcTag = 0;  // 1 while adding a layout, 0 while editing

    QLineEdit* coordinate(const char* column) const;

private:
    void setEditsEnabled(bool name, bool coordinates);
    void viewing();
    // Lists the couriers and shows the named one (the first when it is not
    // listed).
    void fillCouriers(const QString& selected);
};

extern TFdy* Fdy;
