#pragma once
// The change-password form, shown modally from the main window's menu.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TFxgmm : public QDialog {
    Q_OBJECT
public:
    explicit TFxgmm(QWidget* parent = nullptr);

    void Button3Click();  // 修改密码

    QLineEdit* Edit1 = nullptr;  // 原密码
    QLineEdit* Edit3 = nullptr;  // 新密码
    QLineEdit* Edit4 = nullptr;  // 重复输入新密码
    QPushButton* Button3 = nullptr;
};

extern TFxgmm* Fxgmm;
