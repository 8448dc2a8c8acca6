#include "Uxgmm.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"
#include "Md5.h"
#include "UiServices.h"

TFxgmm* Fxgmm = nullptr;

using app::S;

TFxgmm::TFxgmm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fxgmm"));
    setWindowTitle(QStringLiteral("修改密码"));
    auto* form = new QFormLayout(this);
    auto addEdit = [&](const char* name, const char* caption) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setEchoMode(QLineEdit::Password);
        form->addRow(QString::fromUtf8(caption), e);
        return e;
    };
    Edit1 = addEdit("Edit1", "原密码");
    Edit3 = addEdit("Edit3", "新密码");
    Edit4 = addEdit("Edit4", "重复输入新密码");
    Button3 = new QPushButton(QStringLiteral("修改密码"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setAutoDefault(false);
    form->addRow(QString(), Button3);
    connect(Button3, &QPushButton::clicked, this, gui::Slot([this] { Button3Click(); }));
    setMinimumWidth(300);
}

void TFxgmm::Button3Click()
{
    const QString oldPassword = Edit1->text();
    const QString newPassword = Edit3->text();
    if (app::TrimQ(oldPassword).isEmpty() || newPassword != Edit4->text()) return;
    // Only the logged-in user's own row, and only when the old password is
    // that user's.
    db::Query& q = DM->Read("SELECT rowid FROM zq_yhm WHERE mm=? AND yhm=? ORDER BY rowid LIMIT 1",
                            {MD5Hex(S(oldPassword)), S(app::CurrentSession().userName)});
    if (q.eof()) return;
    const int64_t rowid = q.value(0).asInt64();
    DM->Write("UPDATE zq_yhm SET mm=? WHERE rowid=?", {MD5Hex(S(newPassword)), rowid});
    gui::ShowMessage(QStringLiteral("密码修改成功下次登录用新密码"));
    close();
}
