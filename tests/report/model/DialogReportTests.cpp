// A report with a dialog page as a user meets it: prepared with the dialog
// answered (typed into and confirmed), in the program and through
// rpprepare, printing what was typed.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include "ScriptedUiServices.h"
#include "rpDialogControls.h"
#include "rpEngine.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"

namespace {

const std::string kDialogDate = std::string(REPORT_TEST_DATA) + "/fixtures/dialog_date.xml";

}  // namespace

TEST(DialogReport, WhatTheDialogWasGivenIsPrinted)
{
    TrpReport report;
    ASSERT_TRUE(report.LoadFromFile(kDialogDate));
    report.EngineOptions()->NewSilentMode = simSilent;
    gui::ScriptedUiServices ui;
    ui.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    // Typed and confirmed with the button, in a real modal run.
    const auto answer = [&](const char* text) {
        ui.expectModal("DialogPage1", [text](QDialog& d) {
            QTimer::singleShot(0, &d, [&d, text] {
                auto* edit = d.findChild<QLineEdit*>("Edit1");
                ASSERT_NE(edit, nullptr);
                edit->clear();
                QTest::keyClicks(edit, text);
                QTest::mouseClick(d.findChild<QPushButton*>("Button1"), Qt::LeftButton);
            });
            QTimer::singleShot(5000, &d, [&d] { d.done(3); });  // abort
            return d.exec();
        });
    };
    gui::ScopedUi scope(ui);
    answer("2026-12-06");
    ASSERT_TRUE(report.PrepareReport(true)) << report.Errors.Text();
    EXPECT_NE(DumpPreparedPages(*report.PreviewPages()).find("发货日期：2026-12-06"), std::string::npos)
        << DumpPreparedPages(*report.PreviewPages());
    // The objects came back as they were; a second run binds the script to
    // them and prints the new answer.
    EXPECT_EQ(dynamic_cast<TrpDialogControl*>(report.FindObject("Edit1"))->Text(), "2026-01-01");
    answer("2026-12-07");
    ASSERT_TRUE(report.PrepareReport(true)) << report.Errors.Text();
    EXPECT_NE(DumpPreparedPages(*report.PreviewPages()).find("发货日期：2026-12-07"), std::string::npos);

    // Cancelled, nothing is prepared.
    ui.expectModal("DialogPage1", QDialog::Rejected);
    EXPECT_FALSE(report.PrepareReport(true));
    EXPECT_EQ(report.PreviewPages()->GetCount(), 0);
}

TEST(DialogReport, RpprepareTypesFromTheUiScriptAndPrintsIt)
{
    QTemporaryFile answers;
    ASSERT_TRUE(answers.open());
    answers.write("fill Edit1 2026-12-06\nmodal accept DialogPage1\n");
    answers.close();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DORVAK_UI_SCRIPT", answers.fileName());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(RPPREPARE_PATH, {QString::fromStdString(kDialogDate)});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string out = p.readAllStandardOutput().toStdString();
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << err;
    EXPECT_NE(out.find("发货日期：2026-12-06"), std::string::npos) << out << err;
}
