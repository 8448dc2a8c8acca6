#pragma once
// The login form: the first window the user sees. Checks a user name and
// password against zq_yhm and shows the main window, or ends the program;
// on an empty user table it offers to add the first user.

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;

class TFdl : public QWidget {
    Q_OBJECT
public:
    explicit TFdl(QWidget* parent = nullptr);

    void FormCreate();
    void Button1Click();  // 登录
    void Button2Click();  // 取消
    void Button3Click();  // 添加用户
    void Button5Click();  // 进入论坛
    void Ed_yhmKeyPress();  // Enter in the user name
    void Ed_mmKeyPress();   // Enter in the password

    QLineEdit* Ed_yhm = nullptr;
    QLineEdit* Ed_mm = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button5 = nullptr;  // outside the client area, never seen
    QPushButton* Button6 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* Button3 = nullptr;

    int Tag = 0;  // 1 after a successful login

protected:
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery

private:
    void showAddUser(bool on);
    void loginFailed();
};

extern TFdl* Fdl;
