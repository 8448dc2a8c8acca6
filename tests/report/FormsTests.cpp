#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

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
    QDialog& window = *form.Window();
    EXPECT_EQ(window.windowTitle(), " ");
    EXPECT_FALSE(form.ThreadSafe);
    form.Show();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &esc);
    EXPECT_TRUE(window.isVisible());
    form.Hide();

    // Modal, the close box and a modal result are refused alike until the
    // definition's close query is replaced (the dialog page does that);
    // then the modal result ends the form.
    gui::ScriptedUiServices ui;
    ui.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    ui.expectModal("TrpDialogForm", [&](QDialog& d) {
        QTimer::singleShot(0, &d, [&] {
            EXPECT_FALSE(d.close());
            form.SetModalResult(mrOk);
            QTimer::singleShot(0, &d, [&] {
                EXPECT_TRUE(d.isVisible());
                EXPECT_EQ(form.ModalResult(), mrNone);
                form.OnCloseQuery = nullptr;
                form.SetModalResult(mrOk);
            });
        });
        QTimer::singleShot(5000, &d, [&] { d.done(mrAbort); });
        return d.exec();
    });
    gui::ScopedUi scope(ui);
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(window.isVisible());
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
