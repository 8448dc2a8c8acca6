// The report in files: what loading keeps of the report's own options, the
// password, the data page fix-up, the "Datasets", "Variables" and "Style"
// records, ancestor reports and the ini file.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "ObjectTestUtil.h"
#include "Pictures.h"
#include "ScriptedUiServices.h"
#include "SettingsStore.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPassw.h"
#include "rpRes.h"
#include "rpStyles.h"
#include "rpVariables.h"

using namespace object_test;

namespace {

const char* const kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

void load(TrpReport& r, const std::string& xml)
{
    TStringStream in(xml);
    r.LoadFromStream(in);
}

std::string save(TrpReport& r)
{
    TStringStream out;
    r.SaveToStream(out);
    return out.DataString();
}

// Scripted answers for one test; anything unexpected fails it.
struct Answers : gui::ScriptedUiServices {
    gui::ScopedUi scope{*this};
    Answers()
    {
        setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    }
    ~Answers() override { EXPECT_EQ(pending(), 0) << "answers left over"; }
    Answers& password(const QString& typed)
    {
        expectModal("TrpPasswordForm", [typed](QDialog& d) {
            auto& form = static_cast<TrpPasswordForm&>(d);
            form.PasswordE->setText(typed);
            form.OkB->click();
            return d.result();
        });
        return *this;
    }
};

struct TempFile {
    std::string path;
    explicit TempFile(const std::string& name)
        : path((std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string())
    {
    }
    ~TempFile() { std::filesystem::remove(path); }
};

}  // namespace

TEST(ReportStorage, LoadingKeepsTheReportsOwnOptions)
{
    TrpReport r;
    r.EngineOptions()->DestroyForms = false;
    r.EngineOptions()->MaxMemSize = 20;
    r.PreviewOptions()->Modal = false;
    r.OldStyleProgress = true;
    load(r, std::string(kHeader) +
                "<TrpReport EngineOptions.DoublePass=\"True\" EngineOptions.ConvertNulls=\"False\" "
                "EngineOptions.MaxMemSize=\"5\" PreviewOptions.Modal=\"True\" PreviewOptions.OutlineVisible=\"True\" "
                "OldStyleProgress=\"False\" Version=\"2.5\"/>");
    EXPECT_EQ(r.Errors.Count(), 0);
    // The file decides these ...
    EXPECT_TRUE(r.EngineOptions()->DoublePass);
    EXPECT_FALSE(r.EngineOptions()->ConvertNulls);
    EXPECT_TRUE(r.PreviewOptions()->OutlineVisible);
    // ... the report its own values of these.
    EXPECT_FALSE(r.EngineOptions()->DestroyForms);
    EXPECT_EQ(r.EngineOptions()->MaxMemSize, 20);
    EXPECT_FALSE(r.PreviewOptions()->Modal);
    EXPECT_TRUE(r.OldStyleProgress);
    EXPECT_EQ(r.Version(), "1.0.0");
}

TEST(ReportStorage, TheReportsPictureIsCopiedAndClearedButNeverWritten)
{
    TrpReport r;
    TBitmap bitmap;
    bitmap.SetSize(3, 2);
    auto picture = std::make_unique<TPicture>();
    picture->SetGraphic(&bitmap);
    r.ReportOptions()->SetPicture(picture.get());
    EXPECT_EQ(r.ReportOptions()->Picture()->Width(), 3);
    TrpReportOptions copy;
    copy.Assign(r.ReportOptions());
    EXPECT_EQ(copy.Picture()->Height(), 2);
    // A picture has no stored values of its own: files hold nothing of it
    // and read back without errors.
    const std::string xml = save(r);
    EXPECT_EQ(xml.find("Picture"), std::string::npos) << xml;
    TrpReport back;
    load(back, xml);
    EXPECT_EQ(back.Errors.Count(), 0);
    r.Clear();
    EXPECT_EQ(r.ReportOptions()->Picture()->Graphic(), nullptr);
}

TEST(ReportStorage, AFileWithoutADataPageGetsOne)
{
    TrpReport r;
    load(r, std::string(kHeader) +
                "<TrpReport><TrpReportPage Name=\"Page1\"/><TrpUserDataSet Name=\"Old1\"/>"
                "<TrpUserDataSet Name=\"Old2\"/></TrpReport>");
    EXPECT_EQ(r.Errors.Count(), 0);
    ASSERT_EQ(r.PagesCount(), 2);
    EXPECT_EQ(r.Pages(0)->ClassName(), "TrpDataPage");
    EXPECT_EQ(r.Pages(0)->Name(), "Data");
    // Datasets of the old layout move onto it, side by side.
    ASSERT_EQ(r.Pages(0)->Objects().size(), 2u);
    EXPECT_EQ(r.FindObject("Old1")->Parent(), r.Pages(0));
    EXPECT_EQ(r.FindObject("Old1")->Left(), 60);
    EXPECT_EQ(r.FindObject("Old2")->Left(), 124);
    EXPECT_EQ(r.FindObject("Old2")->Top(), 20);

    TrpReport taken;
    load(taken, std::string(kHeader) + "<TrpReport><TrpReportPage Name=\"Data\"/></TrpReport>");
    EXPECT_EQ(taken.Pages(0)->ClassName(), "TrpDataPage");
    EXPECT_EQ(taken.Pages(0)->Name(), "DataPage1");
}

TEST(ReportStorage, ThePasswordIsStoredShiftedAndAskedFor)
{
    LoadReportStringTable();
    // Shifted, "(" becomes a control character and the Chinese bytes no text.
    const std::string cases[] = {"abc", "(5", "密码"};
    const std::string stored[] = {"ReportOptions.Password=\"WXY\"", "ReportOptions.Password=\"&#30;+\"", ""};
    for (size_t i = 0; i < std::size(cases); ++i) {
        TrpReport r;
        new TrpReportPage(&r);
        r.ReportOptions()->Password = cases[i];
        const std::string xml = save(r);
        EXPECT_EQ(r.ReportOptions()->Password, cases[i]) << "the plain text stays in memory";
        if (!stored[i].empty()) {
            EXPECT_NE(xml.find(stored[i]), std::string::npos) << xml;
        }
        EXPECT_EQ(xml.find(cases[i]), std::string::npos);

        TrpReport back;
        {
            Answers answers;
            answers.password(QString::fromStdString(cases[i]));
            load(back, xml);
        }
        EXPECT_EQ(back.ReportOptions()->Password, cases[i]);
        EXPECT_EQ(back.ReportOptions()->AcceptedPassword, cases[i]);
        EXPECT_EQ(back.PagesCount(), 2);
    }
}

TEST(ReportStorage, AWrongPasswordLeavesAnEmptyReportAndOneBox)
{
    LoadReportStringTable();
    TrpReport r;
    new TrpReportPage(&r);
    r.ReportOptions()->Password = "abc";
    const std::string xml = save(r);
    TrpReport back;
    {
        Answers answers;
        answers.password("abd").expectMessage(gui::MsgResult::Ok, "发生下列的错误:\r\nInvalid password\r\n");
        load(back, xml);
    }
    EXPECT_EQ(back.PagesCount(), 0);
    EXPECT_EQ(back.ReportOptions()->Password, "");
    // An error mode that raises still leaves nothing of the report behind.
    TrpReport raising;
    raising.EngineOptions()->NewSilentMode = simReThrow;
    {
        Answers answers;
        answers.password("abd");
        EXPECT_THROW(load(raising, xml), Exception);
    }
    EXPECT_EQ(raising.PagesCount(), 0);
    // A preparation's own reload asks nothing.
    TrpReport restored;
    restored.Restoring = true;
    load(restored, xml);
    EXPECT_EQ(restored.ReportOptions()->Password, "abc");
}

TEST(ReportStorage, ReadErrorsAreShownOnceAndWhatWasReadStays)
{
    LoadReportStringTable();
    TrpReport r;
    {
        Answers answers;
        answers.expectMessage(gui::MsgResult::Ok);
        load(r, std::string(kHeader) + "<TrpReport><TrpReportPage Name=\"Page1\" Columns=\"abc\"/><TrpNoSuch/>"
                                       "</TrpReport>");
        ASSERT_EQ(answers.messages().size(), 1);
        EXPECT_TRUE(answers.messages()[0].startsWith("发生下列的错误:\r\n"));
    }
    EXPECT_EQ(r.Errors.Count(), 2);
    EXPECT_NE(r.FindObject("Page1"), nullptr);
    TrpReport broken;
    broken.EngineOptions()->NewSilentMode = simSilent;
    load(broken, "<TrpReport <<");
    EXPECT_EQ(broken.Errors.Count(), 1);
    EXPECT_EQ(broken.Pages(0)->Name(), "Data");
}

TEST(ReportStorage, DatasetsVariablesAndStylesComeBack)
{
    Window w;
    TrpReport& r = *w.rpReport1;
    (new TrpDataPage(&r))->SetName("Data");
    r.DataSets()->Add()->SetDataSet(w.rpDBDataset1);
    r.DataSets()->Add()->SetDataSet(w.rpDBDataset2);
    r.Variables()->Set("Total", "<rpDBDataset1.\"je\"> + 1");
    r.Variables()->Set("标题", "'发货单'");
    TrpStyleItem* style = r.Styles()->Add();
    style->SetName("Title");
    style->Font()->SetName("黑体");
    style->SetColor(clRed);
    const std::string xml = save(r);
    EXPECT_NE(xml.find("PropData=\"08446174617365747301"), std::string::npos) << "Datasets first";

    TrpReport& back = *w.rpReport2;
    load(back, xml);
    EXPECT_EQ(back.Errors.Count(), 0);
    ASSERT_EQ(back.DataSets()->Count(), 2);
    EXPECT_EQ(back.DataSets()->Items(1)->DataSet(), w.rpDBDataset2);
    ASSERT_EQ(back.Variables()->Count(), 2);
    EXPECT_EQ(VarToStr(back.Variables()->Get("Total")), "<rpDBDataset1.\"je\"> + 1");
    EXPECT_EQ(VarToStr(back.Variables()->Get("标题")), "'发货单'");
    ASSERT_EQ(back.Styles()->Count(), 1);
    EXPECT_EQ(back.Styles()->Items(0)->Font()->Name(), "黑体");
    EXPECT_EQ(back.Styles()->Items(0)->Color(), clRed);
    EXPECT_EQ(save(back), xml);
}

TEST(ReportStorage, KeyPathsNameAGroupOfTheVendorAndTheProgramHasAFolder)
{
    TrpReport r;
    EXPECT_EQ(r.IniFile, "\\Software\\Quorvel");
    EXPECT_EQ(r.GetIniFile()->group(), "");
    r.IniFile = "\\SOFTWARE\\Quorvel\\Report";
    EXPECT_EQ(r.GetIniFile()->vendor(), "Quorvel");
    EXPECT_EQ(r.GetIniFile()->group(), "Report");
    const std::string folder = TrpReport::GetApplicationFolder();
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(ReportStorage, FilesAndAncestors)
{
    TempFile base("base.xml"), child("child.xml"), self("self.xml");
    {
        TrpReport r;
        auto* page = new TrpReportPage(&r);
        page->SetName("Page1");
        auto* memo = new TrpMemoView(page);
        memo->SetName("Logo");
        r.SaveToFile(base.path);
    }
    TrpReport r;
    EXPECT_FALSE(r.LoadFromFile(base.path + ".missing"));
    EXPECT_THROW(r.LoadFromFile(base.path + ".missing", true), EFOpenError);
    r.FileName = child.path;
    r.SetParentReport(std::filesystem::path(base.path).filename().string());
    ASSERT_NE(r.FindObject("Logo"), nullptr) << "relative to the report's own file";
    EXPECT_TRUE(r.FindObject("Logo")->IsAncestor());
    EXPECT_NE(r.AncestorReport(), nullptr);
    // A file naming itself is refused, not loaded forever.
    {
        TrpReport s;
        new TrpReportPage(&s);
        s.SaveToFile(self.path);
        std::string xml = readFile(self.path);
        xml.replace(xml.find("<TrpReport ") + 11, 0, "ParentReport=\"" + self.path + "\" ");
        std::ofstream(self.path, std::ios::binary) << xml;
    }
    TrpReport looped;
    looped.EngineOptions()->NewSilentMode = simSilent;
    EXPECT_TRUE(looped.LoadFromFile(self.path));
    r.SetParentReport("");
    EXPECT_FALSE(r.FindObject("Logo")->IsAncestor());
}

TEST(ReportStorage, TheIniFileIsAKeyOrAFile)
{
    TempFile ini("prefs.ini");
    TrpReport r;
    EXPECT_EQ(r.GetIniFile()->vendor(), "Quorvel");
    r.IniFile = ini.path;
    {
        auto store = r.GetIniFile();
        store->writeString("Fonts", "Recent", "宋体");
        store->sync();
    }
    EXPECT_EQ(r.GetIniFile()->readString("Fonts", "Recent").toStdString(), "宋体");
    EXPECT_NE(readFile(ini.path).find("[Fonts]"), std::string::npos);
}
