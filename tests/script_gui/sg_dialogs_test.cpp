// Dialogs and boxes of scripts answered from the scripted UI: the message
// dialog's buttons and results, input boxes cancelled and confirmed, the
// file dialog's filter, filter index and default extension, colours and
// fonts both ways, and the print dialog's choices.

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>
#include <QSpinBox>

#include "rpPrinter.h"
#include "scDialogs.h"
#include "sg_support.h"

namespace {

// Clicks the button with that text.
gui::ScriptedUiServices::Driver click(const QString& text, QStringList* seen = nullptr, QString* caption = nullptr)
{
    return [text, seen, caption](QDialog& dialog) {
        auto& box = static_cast<QMessageBox&>(dialog);
        if (caption) *caption = box.windowTitle();
        for (QAbstractButton* b : box.buttons()) {
            if (seen) *seen << b->text();
            if (b->text() == text) b->click();
        }
        return box.result();
    };
}

}  // namespace

TEST(ScriptDialogs, MessageDlgButtonsAndResults)
{
    QStringList seen;
    QString caption;
    GuiScript t("begin ShowMessage(IntToStr(MessageDlg('删除？', mtConfirmation, [mbYes, mbNo], 0))); "
                "ShowMessage(IntToStr(MessageDlg('x', mtError, mbAbort + mbRetry + mbIgnore, 0))); "
                "ShowMessage(IntToStr(MessageDlg('y', mtWarning, mbOK + mbCancel, 0))); "
                "ShowMessage(IntToStr(MessageDlg('z', mtInformation, 0, 0))) end.");
    t.answers.expectModal("MessageDlg", click(QStringLiteral("否"), &seen, &caption));
    t.answers.expectModal("MessageDlg", click(QStringLiteral("重试")));
    t.answers.expectModal("MessageDlg", 0);  // closed without a button: the escape button
    t.answers.expectModal("MessageDlg", QDialog::Accepted);  // Enter: the default button
    EXPECT_EQ(t.run(), "7|4|2|1|");
    EXPECT_EQ(seen, (QStringList{QStringLiteral("是"), QStringLiteral("否")}));
    EXPECT_EQ(caption, QStringLiteral("确认"));
}

TEST(ScriptDialogs, InputBoxAndInputQuery)
{
    GuiScript t("var v: String; begin v := '原值'; ShowMessage(BoolToStr(InputQuery('c', 'p', v)) + v); "
                "ShowMessage(BoolToStr(InputQuery('c', 'p', v)) + v); "
                "ShowMessage(InputBox('c', 'p', 'def') + InputBox('c', 'p', 'def')) end.");
    t.answers.expectInput(std::nullopt).expectInput(QStringLiteral("新值")).expectInput(QStringLiteral("typed")).expectInput(
        std::nullopt);
    EXPECT_EQ(t.run(), "0原值|-1新值|typeddef|");
}

TEST(ScriptDialogs, FileDialogsFilterAndDefaultExtension)
{
    EXPECT_EQ(QtFileFilter("Text|*.txt;*.doc|All|*.*"), "Text (*.txt *.doc);;All (*.*)");
    EXPECT_EQ(QtFileFilter("Broken|"), "Broken ()");
    EXPECT_EQ(QtFileFilter(""), "");
    GuiScript t("var o: TOpenDialog; s: TSaveDialog; begin o := TOpenDialog.Create(nil); o.Filter := 'Text|*.txt|All|*.*'; "
                "o.DefaultExt := 'txt'; o.Title := '打开文件'; if o.Execute then ShowMessage(o.FileName + ' ' + IntToStr(o.FilterIndex)); "
                "if not o.Execute then ShowMessage('cancelled ' + o.FileName); "
                "s := TSaveDialog.Create(nil); s.FileName := 'a.dat'; if s.Execute then ShowMessage(s.FileName); "
                "o.Free; s.Free end.");
    t.answers.expectFile(QStringLiteral("/tmp/report")).expectFile(std::nullopt).expectFile(QStringLiteral("/tmp/x.y/b"));
    EXPECT_EQ(t.run(), "/tmp/report.txt 1|cancelled /tmp/report.txt|/tmp/x.y/b|");
    EXPECT_EQ(t.answers.log().value(0).toStdString().substr(0, 17), "file 打开文件");
}

TEST(ScriptDialogs, ColourAndFontDialogs)
{
    GuiScript t("var c: TColorDialog; f: TFontDialog; begin c := TColorDialog.Create(nil); c.Color := clBlue; "
                "if c.Execute then ShowMessage(IntToStr(c.Color)); f := TFontDialog.Create(nil); f.Font.Size := 9; "
                "f.Options := fdLimitSize; f.MaxFontSize := 20; "
                "if f.Execute then ShowMessage(IntToStr(f.Font.Size) + ' ' + IntToStr(f.Font.Style)); c.Free; f.Free end.");
    QFont chosen(QStringLiteral("Liberation Sans"));
    chosen.setPointSize(36);
    chosen.setBold(true);
    t.answers.expectColor(QColor(0x12, 0x34, 0x56)).expectFont(chosen);
    EXPECT_EQ(t.run(), std::to_string(0x563412) + "|20 1|");
}

TEST(ScriptDialogs, PrintDialogChoices)
{
    GuiScript t("var p: TPrintDialog; begin p := TPrintDialog.Create(nil); p.MinPage := 1; p.MaxPage := 9; "
                "p.Options := poPageNums; if p.Execute then ShowMessage(IntToStr(p.Copies) + ' ' + IntToStr(p.PrintRange) + ' ' + "
                "IntToStr(p.FromPage) + '-' + IntToStr(p.ToPage)); if not p.Execute then ShowMessage('no'); p.Free end.");
    t.answers.expectModal("PrintDialog", [](QDialog& dialog) {
        dialog.findChild<QSpinBox*>("Copies")->setValue(3);
        dialog.findChild<QAbstractButton*>("PageNums")->click();
        dialog.findChild<QSpinBox*>("FromPage")->setValue(2);
        dialog.findChild<QSpinBox*>("ToPage")->setValue(5);
        dialog.findChild<QComboBox*>("Printer")->setCurrentIndex(1);
        return int(QDialog::Accepted);
    });
    t.answers.expectModal("PrintDialog", QDialog::Rejected);
    EXPECT_EQ(t.run(), "3 2 2-5|no|");
    EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), "Label");
}

TEST(ScriptDialogs, MessageDlgCaptionsIconsAndEveryButton)
{
    gui::setApplicationTitle(QStringLiteral("简易发货管理工具"));
    struct Seen {
        QString caption;
        QMessageBox::Icon icon;
        QStringList buttons;
    };
    std::vector<Seen> seen;
    GuiScript t("begin MessageDlg('a', mtWarning, mbOK, 0); MessageDlg('b', mtError, mbOK, 0); "
                "MessageDlg('c', mtInformation, mbOK, 0); MessageDlg('d', mtCustom, "
                "[mbHelp, mbYesToAll, mbNoToAll, mbAll, mbIgnore, mbRetry, mbAbort, mbCancel, mbOK, mbNo, mbYes], 0) end.");
    for (int i = 0; i < 4; ++i)
        t.answers.expectModal("MessageDlg", [&seen](QDialog& dialog) {
            auto& box = static_cast<QMessageBox&>(dialog);
            QStringList texts;
            for (QAbstractButton* b : box.buttons()) texts << b->text();
            texts.sort();
            seen.push_back({box.windowTitle(), box.icon(), texts});
            return int(QDialog::Rejected);
        });
    EXPECT_EQ(t.run(), "");
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].caption, QStringLiteral("警告"));
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[1].caption, QStringLiteral("错误"));
    EXPECT_EQ(seen[1].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[2].caption, QStringLiteral("信息"));
    EXPECT_EQ(seen[2].icon, QMessageBox::Information);
    EXPECT_EQ(seen[3].caption, QStringLiteral("简易发货管理工具"));
    EXPECT_EQ(seen[3].icon, QMessageBox::NoIcon);
    QStringList all{"是", "否", "确定", "取消", "中止", "重试", "忽略", "全部", "全部否", "全部是", "帮助"};
    all.sort();
    EXPECT_EQ(seen[3].buttons, all);
    gui::setApplicationTitle(QString());
}

TEST(ScriptDialogs, PrinterSetupChoosesThePrinter)
{
    GuiScript t("var p: TPrinterSetupDialog; begin p := TPrinterSetupDialog.Create(nil); "
                "ShowMessage(BoolToStr(p.Execute)); ShowMessage(BoolToStr(p.Execute)); p.Free end.");
    t.answers.expectModal("PrinterSetupDialog", [](QDialog& dialog) {
        dialog.findChild<QComboBox*>("Printer")->setCurrentIndex(0);
        return int(QDialog::Accepted);
    });
    t.answers.expectModal("PrinterSetupDialog", QDialog::Rejected);
    EXPECT_EQ(t.run(), "-1|0|");
    EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), "Office");
}
