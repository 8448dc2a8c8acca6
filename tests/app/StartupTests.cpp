// Start-up: the database file on first and later starts, a file that is not
// a database, and the forms created once each.
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTranslator>

#include "AppFixture.h"
#include "Database.h"
#include "Query.h"
#include "Startup.h"
#include "Uaddcp.h"
#include "Uaddgg.h"
#include "Uaddleibie.h"
#include "Uchanpin.h"
#include "Udl.h"
#include "Udy.h"
#include "Uluru.h"
#include "Usys.h"
#include "Uxgmm.h"
#include "main.h"

namespace {

std::vector<std::string> column(db::Database& dbase, const std::string& sql)
{
    db::Query q(dbase);
    q.setSql(sql);
    q.open();
    std::vector<std::string> out;
    for (; !q.eof(); q.next()) out.push_back(q.value(0).asText());
    return out;
}

}  // namespace

class Startup : public AppFixture {
protected:
    // Puts these bytes where the database file belongs.
    void writeDatabaseFile(const QByteArray& bytes)
    {
        QFile f(path("dorvak.db"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(Startup, FirstStartCreatesTheWholeDatabase)
{
    start();
    ASSERT_TRUE(QFile::exists(path("dorvak.db")));
    db::Database file(path("dorvak.db").toStdString(), db::Database::OpenMode::ReadOnly);
    EXPECT_EQ(column(file, "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name"),
              (std::vector<std::string>{"config", "zq_cpgg", "zq_cpm", "zq_dd", "zq_ddmx", "zq_kd", "zq_km", "zq_leibie", "zq_tdd", "zq_yhm",
                                        "zq_zk"}));
    EXPECT_EQ(column(file, "SELECT name FROM sqlite_master WHERE type='index' AND name NOT LIKE 'sqlite%' ORDER BY name"),
              (std::vector<std::string>{"zq_cpgg_lc", "zq_cpm_lb", "zq_dd_bh", "zq_ddmx_bh", "zq_ddmx_cp", "zq_ddmx_lb", "zq_ddmx_leibie"}));
    EXPECT_EQ(column(file, "SELECT zkmc || '=' || zk FROM zq_zk ORDER BY rowid"),
              (std::vector<std::string>{"不打折=1", "98折=0.98", "95折=0.95"}));
    EXPECT_EQ(file.userVersion(), 1);
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Startup, DefaultsFillWhatTheProgramNeverWrites)
{
    start();
    DM->Write("INSERT INTO zq_dd(bh) VALUES(?)", {"B1"});
    DM->Write("INSERT INTO zq_ddmx(bh) VALUES(?)", {"B1"});
    EXPECT_EQ(DM->Read("SELECT zt FROM zq_dd").value(0).asText(), "未付款");
    db::Query& line = DM->Read("SELECT zt, tjsj FROM zq_ddmx");
    EXPECT_EQ(line.value("zt").asText(), "未付款");
    const std::string tjsj = line.value("tjsj").asText();
    ASSERT_EQ(tjsj.size(), 19u) << tjsj;
    EXPECT_EQ(tjsj[4], '-');
    EXPECT_EQ(tjsj[10], ' ');
    EXPECT_EQ(tjsj[13], ':');
}

TEST_F(Startup, SecondStartReusesTheFile)
{
    start();
    DM->Write("INSERT INTO zq_leibie(leibie) VALUES(?)", {"牛奶"});
    app::DestroyForms();
    start();
    EXPECT_EQ(DM->Read("SELECT leibie FROM zq_leibie").value(0).asText(), "牛奶");
    EXPECT_EQ(DM->Read("SELECT COUNT(*) FROM zq_zk").value(0).asInt64(), 3);
}

TEST_F(Startup, EveryFormIsCreatedOnceAndOnlyTheLoginShows)
{
    start();
    ASSERT_NE(DM, nullptr);
    ASSERT_NE(fmain, nullptr);
    for (QWidget* form : std::initializer_list<QWidget*>{Fluru, Fchanpin, Faddcp, Faddgg, Fdy, Faddleibie, Fsys, Fxgmm}) {
        ASSERT_NE(form, nullptr);
        EXPECT_FALSE(form->isVisible()) << form->objectName().toStdString();
    }
    EXPECT_FALSE(fmain->isVisible());
    ASSERT_NE(Fdl, nullptr);
    EXPECT_TRUE(Fdl->isVisible());
    EXPECT_EQ(fmain->windowTitle(), QStringLiteral("简易发货管理工具"));
    EXPECT_EQ(Fdl->windowTitle(), QStringLiteral("用户登录"));
}

TEST_F(Startup, FileThatIsNotADatabaseGivesOneBoxAndTheLogin)
{
    writeDatabaseFile(QByteArray(4096, 'x'));
    ui.expectMessage(gui::MsgResult::Ok, {}, app::kAppTitle);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("dorvak.db"))) << ui.messages()[0].toStdString();
    ASSERT_NE(Fdl, nullptr);
    EXPECT_TRUE(Fdl->isVisible());
    EXPECT_FALSE(Fdl->GroupBox1->isVisible());
    EXPECT_EQ(Fdl->size(), QSize(233, 118));
    // The file is left as it was.
    EXPECT_EQ(QFile(path("dorvak.db")).size(), 4096);
    // Later use of the database says why it cannot work.
    ui.expectMessage(gui::MsgResult::Ok, ui.messages()[0]);
    Fdl->Ed_yhm->setText(QStringLiteral("a"));
    Fdl->Button1->click();
}

TEST_F(Startup, AccessFileIsNamedInTheBox)
{
    writeDatabaseFile(QByteArray(4096, '\0').replace(4, 15, "Standard Jet DB"));
    ui.expectMessage(gui::MsgResult::Ok);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("Access"))) << ui.messages()[0].toStdString();
    EXPECT_TRUE(Fdl->isVisible());
}

TEST_F(Startup, DatabaseOfAnUnknownVersionIsRefused)
{
    {
        db::Database f(path("dorvak.db").toStdString(), db::Database::OpenMode::ReadWriteCreate);
        f.setUserVersion(9);
    }
    ui.expectMessage(gui::MsgResult::Ok);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("9")));
}

// The print-to-file dialog read "Look in", "File name" and "Cancel", and
// every edit's context menu "Undo", "Paste": Qt's own texts follow the
// office's language, not the machine's locale.
TEST_F(Startup, QtsOwnDialogsAndMenusSpeakChinese)
{
    QTranslator* texts = app::InstallQtTranslations();
    if (!texts) GTEST_SKIP() << "no Qt translations here (package qt6-translations-l10n)";
    const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
    const QString paste = QCoreApplication::translate("QLineEdit", "&Paste");
    QCoreApplication::removeTranslator(texts);
    EXPECT_NE(lookIn, QStringLiteral("Look in:"));
    EXPECT_NE(paste, QStringLiteral("&Paste"));
    EXPECT_TRUE(paste.contains(QStringLiteral("粘贴"))) << paste.toStdString();
}
