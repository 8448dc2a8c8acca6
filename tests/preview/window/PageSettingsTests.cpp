#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>

#include "DialogTestSupport.h"
#include "SettingsStore.h"
#include "rpPreviewPageSettings.h"
#include "rpReport.h"
#include "rpSearchDialog.h"

namespace {

using Driver = gui::ScriptedUiServices::Driver;

TrpPageSettingsForm& Form(QDialog& d) { return static_cast<TrpPageSettingsForm&>(d); }

int ClickOk(QDialog& d)
{
    Form(d).OKB->click();
    return d.result();
}

// Settings in a folder of the test's own.
class PageSettingsTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    void SetUnits(const QString& value)
    {
        gui::SettingsStore("\\Software\\Quorvel").writeString("Form.TrpDesignerForm", "Units", value);
    }
    QTemporaryDir dir;
};

QStringList Sizes(const TrpPageSettingsForm& f) { return {f.WidthE->text(), f.HeightE->text()}; }

}  // namespace

TEST_F(PageSettingsTest, UnitsComeFromTheSettingsStore)
{
    const struct {
        QString stored;
        QString width, margin, unit;
    } cases[] = {{{}, "21", "1", "cm"}, {"1", "8.27", "0.39", "in"}, {"2", "21", "1", "cm"}, {"x", "21", "1", "cm"}};
    for (const auto& c : cases) {
        SetUnits(c.stored);
        TrpPageSettingsForm f(TrpPageSetup{});
        EXPECT_EQ(f.WidthE->text(), c.width) << c.stored.toStdString();
        EXPECT_EQ(f.MarginLeftE->text(), c.margin);
        for (QLabel* l : f.UnitL) EXPECT_EQ(l->text(), c.unit);
    }
}

TEST_F(PageSettingsTest, UnitsComeFromTheReportsOwnStoreAKeyOrAFile)
{
    SetUnits("0");
    auto unit = [](const TrpReport& r) {
        TrpPageSettingsForm f(TrpPageSetup{}, &r);
        return f.UnitL[0]->text().toStdString() + " " + f.WidthE->text().toStdString();
    };
    TrpReport r;
    EXPECT_EQ(unit(r), "cm 21");

    // A key of its own under the vendor's user settings.
    r.IniFile = "\\Software\\Quorvel\\Orders";
    gui::SettingsStore("\\Software\\Quorvel\\Orders").writeString("Form.TrpDesignerForm", "Units", "1");
    EXPECT_EQ(unit(r), "in 8.27");

    // An ini file the report names, whatever the user settings say.
    const QString ini = dir.filePath(QStringLiteral("report prefs.ini"));
    r.IniFile = ini.toStdString();
    EXPECT_EQ(unit(r), "cm 21") << "a file without the key";
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Form.TrpDesignerForm]\nUnits=1\n");
    }
    EXPECT_EQ(unit(r), "in 8.27");
    SetUnits("1");
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Form.TrpDesignerForm]\nUnits=0\n");
    }
    EXPECT_EQ(unit(r), "cm 21");
}

TEST_F(PageSettingsTest, LandscapeA4ShowsThePrintersSheet)
{
    TrpPageSetup page;
    ui.expectModal("TrpPageSettingsForm", Driver([](QDialog& d) {
        Form(d).LandscapeRB->click();
        EXPECT_EQ(Sizes(Form(d)), QStringList({"29.70", "21"}));
        EXPECT_TRUE(Form(d).LandscapeImg->isVisibleTo(&d));
        EXPECT_FALSE(Form(d).PortraitImg->isVisibleTo(&d));
        return ClickOk(d);
    }));
    bool all = true;
    ASSERT_TRUE(TrpPageSettingsForm::Execute(page, all));
    EXPECT_FALSE(all);
    EXPECT_TRUE(page.Orientation);
    EXPECT_EQ(page.PaperSize, 9);
    EXPECT_EQ(page.PaperWidth, 297);
    EXPECT_EQ(page.PaperHeight, 210);

    // Cancel leaves the page as it was.
    ui.expectModal("TrpPageSettingsForm", Driver([](QDialog& d) {
        Form(d).PortraitRB->click();
        Form(d).CancelB->click();
        return d.result();
    }));
    EXPECT_FALSE(TrpPageSettingsForm::Execute(page, all));
    EXPECT_TRUE(page.Orientation);
}

TEST_F(PageSettingsTest, CustomSizesExchangeOnlyWithTheOrientation)
{
    TrpPageSetup page;
    ui.expectModal("TrpPageSettingsForm", Driver([](QDialog& d) {
        TrpPageSettingsForm& f = Form(d);
        // Typing a size picks the custom entry.
        f.WidthE->setText("15");
        emit f.WidthE->textEdited("15");
        EXPECT_EQ(f.SizeCB->currentText(), "自定");
        f.LandscapeRB->click();
        EXPECT_EQ(Sizes(f), QStringList({"29.70", "15"}));
        // Choosing the custom entry again leaves the sizes.
        Choose(f.SizeCB, f.SizeCB->findText("自定"));
        EXPECT_EQ(Sizes(f), QStringList({"29.70", "15"}));
        // A size being typed counts with its last good value.
        f.HeightE->setText("1x");
        emit f.HeightE->textEdited("1x");
        f.PortraitRB->click();
        EXPECT_EQ(Sizes(f), QStringList({"15", "29.70"}));
        return ClickOk(d);
    }));
    bool all = false;
    ASSERT_TRUE(TrpPageSettingsForm::Execute(page, all));
    EXPECT_FALSE(page.Orientation);
    EXPECT_EQ(page.PaperSize, 256);
    EXPECT_EQ(page.PaperWidth, 150);
    EXPECT_EQ(page.PaperHeight, 297);
}

TEST_F(PageSettingsTest, UntouchedFieldsKeepTheirExactValues)
{
    // Inches show two decimals; a field left alone must not come back as
    // 0.39 in = 9.906 mm.
    SetUnits("1");
    TrpPageSetup page;
    page.PaperSize = 256;
    page.PaperWidth = 100.5;
    page.LeftMargin = 10;
    page.TopMargin = 12.7;
    TrpPageSetup kept = page;
    ui.expectModal("TrpPageSettingsForm", Driver([](QDialog& d) {
        Form(d).MarginRightE->setText("1");
        Form(d).ApplyToAllRB->setChecked(true);
        return ClickOk(d);
    }));
    bool all = false;
    ASSERT_TRUE(TrpPageSettingsForm::Execute(page, all));
    EXPECT_TRUE(all);
    EXPECT_EQ(page.PaperWidth, kept.PaperWidth);
    EXPECT_EQ(page.PaperHeight, kept.PaperHeight);
    EXPECT_EQ(page.LeftMargin, kept.LeftMargin);
    EXPECT_EQ(page.TopMargin, kept.TopMargin);
    EXPECT_EQ(page.RightMargin, 25.4L);
}

TEST_F(PageSettingsTest, BadNumbersKeepTheFocusInTheField)
{
    TrpPageSetup page;
    ui.expectModal("TrpPageSettingsForm", Driver([this](QDialog& d) {
        TrpPageSettingsForm& f = Form(d);
        d.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        const struct {
            QLineEdit* edit;
            const char* text;
            const char* box;
        } cases[] = {{f.WidthE, "abc", "宽度：“abc”不是有效的尺寸。"},
                     {f.HeightE, "0", "高度：“0”不是有效的尺寸。"},
                     {f.MarginLeftE, "-1", "左：“-1”不是有效的尺寸。"},
                     {f.MarginBottomE, "", "下：“”不是有效的尺寸。"}};
        for (const auto& c : cases) {
            const QString good = c.edit->text();
            c.edit->setText(QString::fromUtf8(c.text));
            ExpectErrorBox(QString::fromUtf8(c.box));
            f.OKB->setFocus();
            f.OKB->click();
            EXPECT_TRUE(d.isVisible()) << c.text;
            EXPECT_EQ(QApplication::focusWidget(), c.edit) << c.text;
            c.edit->setText(good);
        }
        f.MarginTopE->setText("2,5");
        return ClickOk(d);
    }));
    bool all = false;
    ASSERT_TRUE(TrpPageSettingsForm::Execute(page, all));
    EXPECT_EQ(page.TopMargin, 25);
}

TEST_F(DialogTest, SearchDialogOffersTheLastConfirmedText)
{
    const struct {
        const char* typed;
        bool ok;
        const char* last;  // the text the next dialog offers
    } steps[] = {{"发货单", true, "发货单"}, {"other", false, "发货单"}, {"Order", true, "Order"}};
    for (const auto& s : steps) {
        const std::u16string before = TrpSearchDialog::LastSearchText();
        ui.expectModal("TrpSearchDialog", Driver([&](QDialog& d) {
            auto& f = static_cast<TrpSearchDialog&>(d);
            EXPECT_EQ(f.windowTitle(), "寻找文本");
            EXPECT_FALSE(f.ReplacePanel->isVisibleTo(&d));
            EXPECT_EQ(f.TextE->text().toStdU16String(), before);
            EXPECT_EQ(f.TextE->selectedText(), f.TextE->text());
            f.TextE->setText(QString::fromUtf8(s.typed));
            f.CaseCB->setChecked(true);
            (s.ok ? f.OkB : f.CancelB)->click();
            return d.result();
        }));
        TrpSearchRequest request;
        EXPECT_EQ(TrpSearchDialog::Execute(request), s.ok);
        EXPECT_EQ(TrpSearchDialog::LastSearchText(), QString::fromUtf8(s.last).toStdU16String());
        EXPECT_EQ(request.CaseSensitive, s.ok);
        EXPECT_FALSE(request.FromTop);
        if (s.ok) {
            EXPECT_EQ(request.Text, QString::fromUtf8(s.typed).toStdU16String());
        }
    }
}
