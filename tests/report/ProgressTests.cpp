#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <stdexcept>

#include "rpProgress.h"
#include "rpRes.h"

namespace {

// A shown, active top-level window, as the form behind the progress.
std::unique_ptr<QWidget> ActiveForm(bool enabled = true)
{
    auto form = std::make_unique<QWidget>();
    form->resize(200, 100);
    form->setEnabled(enabled);
    form->show();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    return form;
}

}  // namespace

TEST(Progress, MessageLineSitsAboveTheBarOrInItsPlace)
{
    LoadReportStringTable();
    TrpProgress progress;
    EXPECT_EQ(progress.CancelB->text(), "取消");
    for (bool bar : {true, false, true}) {
        progress.Execute(10, "准备页 1", bar, true);
        EXPECT_EQ(progress.LMessage->y(), bar ? 15 : 35);
        EXPECT_EQ(progress.Bar->isVisible(), bar);
        EXPECT_EQ(progress.LMessage->text(), "准备页 1");
        EXPECT_EQ(progress.Bar->maximum(), 10);
    }
    EXPECT_EQ(progress.size(), QSize(271, 101));
}

TEST(Progress, CancelledByEscapeOrAClickDuringSetPosition)
{
    for (bool cancel : {true, false}) {
        TrpProgress progress;
        progress.Execute(0, "", false, cancel);
        QTest::keyClick(&progress, Qt::Key_Escape);
        EXPECT_EQ(progress.Terminated(), cancel);
        EXPECT_EQ(progress.isVisible(), !cancel);
    }
    TrpProgress progress;
    progress.Execute(5, "", true, true);
    QTimer::singleShot(0, progress.CancelB, &QPushButton::click);
    EXPECT_FALSE(progress.Terminated());
    progress.SetPosition(1);
    EXPECT_TRUE(progress.Terminated());
}

TEST(Progress, FormKeepsItsEnabledState)
{
    // Disabled while the window lives, enabled again when it goes, also
    // when the work throws.
    auto form = ActiveForm();
    try {
        TrpProgress progress;
        progress.Execute(0, "", false, true);
        EXPECT_EQ(progress.DisabledForm(), form.get());
        EXPECT_FALSE(form->isEnabled());
        throw std::runtime_error("printing failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(form->isEnabled());

    // Cancelling closes the window and gives the form back at once.
    {
        TrpProgress progress;
        progress.Execute(0, "", false, true);
        progress.SetTerminated(true);
        EXPECT_TRUE(form->isEnabled());
    }

    // A form disabled before (behind another modal window) stays so.
    form->setEnabled(false);
    {
        TrpProgress progress;
        EXPECT_EQ(progress.DisabledForm(), nullptr);
    }
    EXPECT_FALSE(form->isEnabled());
}

TEST(Progress, FormGoneOrAbsent)
{
    {
        auto form = ActiveForm();
        TrpProgress progress;
        form.reset();
        EXPECT_EQ(progress.DisabledForm(), nullptr);
    }
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    TrpProgress progress;
    EXPECT_EQ(progress.DisabledForm(), nullptr);
}
