#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "Classes.h"
#include "ScriptedUiServices.h"
#include "rpDialogForm.h"
#include "rpPassw.h"
#include "rpRes.h"
#include "rpUiServices.h"

TEST(PasswordForm, TextsComeFromTheTable)
{
    LoadReportStringTable();
    TrpPasswordForm form;
    EXPECT_EQ(form.windowTitle(), "5000");
    EXPECT_EQ(form.PasswordL->text(), "5001");
    EXPECT_EQ(form.OkB->text(), "确定");
    EXPECT_EQ(form.CancelB->text(), "取消");
    EXPECT_EQ(form.PasswordE->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form.PasswordE->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter), '*');
    EXPECT_EQ(form.size(), QSize(252, 92));
    EXPECT_TRUE(form.OkB->isDefault());
}

TEST(PasswordForm, ShownThroughTheUiServices)
{
    gui::ScriptedUiServices ui;
    ui.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    ui.expectModal("TrpPasswordForm", [](QDialog& d) {
        auto& form = static_cast<TrpPasswordForm&>(d);
        form.PasswordE->setText("secret");
        form.OkB->click();
        return d.result();
    });
    gui::ScopedUi scope(ui);
    TrpPasswordForm form;
    EXPECT_EQ(rpShowModal(form), QDialog::Accepted);
    EXPECT_EQ(form.PasswordE->text(), "secret");
}

TEST(DialogForm, CannotBeClosedByTheUser)
{
    TrpDialogForm form;
    EXPECT_EQ(form.windowTitle(), " ");
    EXPECT_FALSE(form.ThreadSafe);
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_TRUE(form.isVisible());
    form.SetModalResult(QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(DialogForm, ThreadSafeFromTheOwnersTag)
{
    TComponent page;
    page.SetTag(318);
    TrpDialogForm safe(&page);
    EXPECT_TRUE(safe.ThreadSafe);
    page.SetTag(0);
    TrpDialogForm plain(&page);
    EXPECT_FALSE(plain.ThreadSafe);
}
