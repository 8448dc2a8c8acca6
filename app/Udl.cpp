#include "Udl.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"
#include "Md5.h"
#include "UiServices.h"
#include "main.h"

TFdl* Fdl = nullptr;

using app::S;

namespace {

QLineEdit* edit(QWidget* parent, const char* name, const QRect& at, bool password)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(at);
    if (password) e->setEchoMode(QLineEdit::Password);
    return e;
}

void label(QWidget* parent, const char* text, const QRect& at)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setGeometry(at);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QPushButton* button(QWidget* parent, const char* name, const char* text, const QRect& at)
{
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(at);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TFdl::TFdl(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Fdl"));
    setWindowTitle(QStringLiteral("用户登录"));

    label(this, "用户名", QRect(4, 14, 52, 24));
    Ed_yhm = edit(this, "Ed_yhm", QRect(60, 14, 162, 24), false);
    label(this, "密码", QRect(4, 46, 52, 24));
    Ed_mm = edit(this, "Ed_mm", QRect(60, 46, 162, 24), true);
    Button1 = button(this, "Button1", "登录", QRect(8, 82, 64, 28));
    Button2 = button(this, "Button2", "取消", QRect(80, 82, 64, 28));
    Button6 = button(this, "Button6", "进入论坛", QRect(152, 82, 74, 28));
    Button5 = button(this, "Button5", "进入论坛", QRect(500, 82, 74, 28));
    Button5->hide();

    GroupBox1 = new QGroupBox(QStringLiteral("添加用户"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(234, 2, 216, 136);
    label(GroupBox1, "用户名", QRect(2, 20, 84, 24));
    Edit1 = edit(GroupBox1, "Edit1", QRect(90, 20, 118, 24), false);
    label(GroupBox1, "登录密码", QRect(2, 48, 84, 24));
    Edit3 = edit(GroupBox1, "Edit3", QRect(90, 48, 118, 24), true);
    label(GroupBox1, "重复输入密码", QRect(2, 76, 84, 24));
    Edit4 = edit(GroupBox1, "Edit4", QRect(90, 76, 118, 24), true);
    Button3 = button(GroupBox1, "Button3", "添加用户", QRect(90, 104, 118, 28));

    connect(Button1, &QPushButton::clicked, this, gui::Slot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, gui::Slot([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, gui::Slot([this] { Button3Click(); }));
    connect(Button5, &QPushButton::clicked, this, gui::Slot([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, gui::Slot([this] { Button5Click(); }));
    connect(Ed_yhm, &QLineEdit::returnPressed, this, gui::Slot([this] { Ed_yhmKeyPress(); }));
    connect(Ed_mm, &QLineEdit::returnPressed, this, gui::Slot([this] { Ed_mmKeyPress(); }));

    // The defined size: the group hidden (kept when reading the users fails).
    showAddUser(false);
    gui::guarded([this] { FormCreate(); });
    if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
    show();
    Ed_yhm->setFocus();
}

void TFdl::showAddUser(bool on)
{
    GroupBox1->setVisible(on);
    if (on) setFixedSize(456, 142);
    else setFixedSize(233, 118);
}

void TFdl::FormCreate()
{
    showAddUser(false);
    showAddUser(DM->Read("SELECT 1 FROM zq_yhm LIMIT 1").eof());
}

void TFdl::loginFailed()
{
    if (gui::ui().messageBox(QStringLiteral("用户密码有问题！"), QStringLiteral("提示"), gui::MsgButtons::OkCancel, gui::MsgIcon::None) ==
        gui::MsgResult::Ok)
        Ed_yhm->setFocus();
    else
        app::Terminate();
}

void TFdl::Button1Click()
{
    const QString name = Ed_yhm->text();
    if (name.isEmpty()) {
        loginFailed();
        return;
    }
    // Both texts exactly as typed, bound as values.
    db::Query& q = DM->Read("SELECT * FROM zq_yhm WHERE yhm=? AND mm=? LIMIT 1", {S(name), MD5Hex(S(Ed_mm->text()))});
    if (q.eof()) {
        loginFailed();
        return;
    }
    app::CurrentSession().userName = app::FieldText(q, "yhm");
    Tag = 1;
    if (fmain) fmain->show();
    close();
}

void TFdl::Button2Click() { app::Terminate(); }

void TFdl::closeEvent(QCloseEvent* event)
{
    if (Tag != 1) app::Terminate();
    event->accept();
}

void TFdl::Button3Click()
{
    // Passwords are taken as typed everywhere, so the one stored here is
    // the one that logs in.
    const QString name = app::TrimQ(Edit1->text());
    const QString p1 = Edit3->text();
    const QString p2 = Edit4->text();
    if (name.isEmpty() || p1 != p2) return;
    DM->Write("INSERT INTO zq_yhm(yhm, mm) VALUES(?, ?)", {S(name), MD5Hex(S(p1))});
    showAddUser(false);
}

void TFdl::Button5Click() { gui::ui().openUrl(app::kSupportUrl); }

void TFdl::Ed_yhmKeyPress() { Ed_mm->setFocus(); }

void TFdl::Ed_mmKeyPress() { Button1Click(); }
