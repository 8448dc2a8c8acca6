// Every writer against a database that another program is reading: the
// save fails with a box, stores nothing and leaves no transaction open;
// once the reader has gone, the same click stores the row exactly once.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>

#include "AppFixture.h"
#include "Md5.h"
#include "Uaddcp.h"
#include "Uaddgg.h"
#include "Uaddleibie.h"
#include "Udl.h"
#include "Udy.h"
#include "Uluru.h"
#include "Usys.h"
#include "Uxgmm.h"
#include "main.h"

namespace {

struct Writer {
    const char* name;
    std::vector<std::pair<std::string, db::Params>> rows;  // seeded before start-up
    std::function<void()> fill;
    std::function<void()> save;
    std::string storedOnce;  // counts the rows the save is about
    const char* successBox = nullptr;
};

void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }

class LockedDatabase : public AppFixture, public ::testing::WithParamInterface<Writer> {
protected:
    // A second connection inside a read transaction keeps its shared lock:
    // COMMIT cannot take the file until it ends.
    void holdReadLock()
    {
        reader.emplace(S(path("dorvak.db")), db::Database::OpenMode::ReadOnly);
        reader->executeScript("BEGIN; SELECT COUNT(*) FROM sqlite_master;");
    }
    static std::string S(const QString& s) { return s.toStdString(); }

    std::optional<db::Database> reader;
};

const std::vector<Writer> kWriters = {
    {"NewOrder", {},
     [] {
         Fluru->PrepareNewOrder();
         Fluru->show();
         Fluru->Ed_khmc->setText(QStringLiteral("甲"));
     },
     [] { Fluru->Button1->click(); }, "SELECT COUNT(*) FROM zq_dd WHERE khmc='甲'"},
    {"EditedOrder",
     {{"INSERT INTO zq_dd(bh, khmc) VALUES('B1', '乙')", {}},
      {"INSERT INTO zq_ddmx(ddid, bh, cp, khmc) VALUES('1', 'B1', '鲜奶', '乙'), ('1', 'B1', '酸奶', '乙')", {}}},
     [] {
         ASSERT_TRUE(Fluru->PrepareEditOrder(QStringLiteral("B1")));
         Fluru->show();
         Fluru->Ed_khmc->setText(QStringLiteral("丙"));
     },
     [] { Fluru->Button1->click(); },
     "SELECT COUNT(*) FROM zq_dd JOIN (SELECT COUNT(*) AS n FROM zq_ddmx WHERE khmc='丙') WHERE khmc='丙' AND n=2"},
    {"Settings", {}, [] { Fsys->Edit1->setText(QStringLiteral("公司")); }, [] { Fsys->Button1->click(); },
     "SELECT COUNT(*) FROM config WHERE khmc='公司'"},
    {"NewWaybillLayout", {},
     [] {
         Fdy->Open();
         Fdy->Button2->click();
         Fdy->Ed_kdmc->setText(QStringLiteral("中通"));
     },
     [] { Fdy->Button3->click(); }, "SELECT COUNT(*) FROM zq_kd WHERE kdmc='中通'"},
    {"EditedWaybillLayout", {{"INSERT INTO zq_kd(kdmc, jjrx) VALUES('顺丰', '1')", {}}},
     [] {
         Fdy->Open();
         Fdy->Button4->click();
         Fdy->coordinate("jjrx")->setText(QStringLiteral("7"));
     },
     [] { Fdy->Button3->click(); }, "SELECT COUNT(*) FROM zq_kd WHERE jjrx='7'"},
    {"Category", {}, [] { Faddleibie->Ed_cpm->setText(QStringLiteral("豆浆")); }, [] { Faddleibie->Button1->click(); },
     "SELECT COUNT(*) FROM zq_leibie WHERE leibie='豆浆'"},
    {"Product", {},
     [] {
         Faddcp->Ed_leibie->setText(QStringLiteral("牛奶"));
         Faddcp->Ed_cpm->setText(QStringLiteral("酸奶"));
     },
     [] { Faddcp->Button1->click(); }, "SELECT COUNT(*) FROM zq_cpm WHERE cpm='酸奶'"},
    {"Size", {},
     [] {
         Faddgg->Ed_leibie->setText(QStringLiteral("牛奶"));
         Faddgg->Ed_cpm->setText(QStringLiteral("酸奶"));
         Faddgg->Ed_ggm->setText(QStringLiteral("原味"));
     },
     [] { Faddgg->Button1->click(); }, "SELECT COUNT(*) FROM zq_cpgg WHERE cpgg='原味'"},
    {"FirstUser", {},
     [] {
         Fdl->Edit1->setText(QStringLiteral("李四"));
         Fdl->Edit3->setText(QStringLiteral("pw"));
         Fdl->Edit4->setText(QStringLiteral("pw"));
     },
     [] { Fdl->Button3->click(); }, "SELECT COUNT(*) FROM zq_yhm WHERE yhm='李四'"},
    {"PasswordChange", {{"INSERT INTO zq_yhm(yhm, mm) VALUES('a', ?)", {MD5Hex("old")}}},
     [] {
         app::CurrentSession().userName = QStringLiteral("a");
         Fxgmm->Edit1->setText(QStringLiteral("old"));
         Fxgmm->Edit3->setText(QStringLiteral("new"));
         Fxgmm->Edit4->setText(QStringLiteral("new"));
     },
     [] { Fxgmm->Button3->click(); }, "SELECT COUNT(*) FROM zq_yhm WHERE mm='" + MD5Hex("new") + "'",
     "密码修改成功下次登录用新密码"},
};

}  // namespace

TEST_P(LockedDatabase, FailedSaveStoresNothingAndTheRetryStoresOnce)
{
    const Writer& w = GetParam();
    if (!w.rows.empty()) seed(w.rows);
    start();
    w.fill();
    DM->ADOCn.setBusyTimeout(20);
    const int64_t before = countOf(w.storedOnce);

    holdReadLock();
    ui.expectMessage(gui::MsgResult::Ok, {}, app::kAppTitle);
    w.save();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("database is locked"))) << S(ui.messages()[0]);
    EXPECT_FALSE(DM->ADOCn.inTransaction());
    reader.reset();
    EXPECT_EQ(countOf(w.storedOnce), before);

    if (w.successBox) ui.expectMessage(gui::MsgResult::Ok, QString::fromUtf8(w.successBox), app::kAppTitle);
    w.save();
    EXPECT_EQ(countOf(w.storedOnce), 1);
    EXPECT_FALSE(DM->ADOCn.inTransaction());
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, LockedDatabase, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) { return std::string(info.param.name); });

// ---- A file held by another program at start-up

namespace {

class LockedAtStart : public AppFixture {};

}  // namespace

// The start-up box said "database is locked", and every later click said
// it again long after the other program had let the file go: the session
// stayed unusable until a restart.
TEST_F(LockedAtStart, TheFileOpensOnceFreeWithTheRightsOfThisComputersRow)
{
    seed({{"INSERT INTO zq_yhm(yhm, mm, mac, qx, bm) VALUES('admin', ?, ?, '2', '仓库')", {MD5Hex("123"), app::S(kMac)}},
          {"INSERT INTO zq_km(km) VALUES('北区'), ('南区')", {}}});
    std::optional<db::Database> holder;
    holder.emplace(app::S(path("dorvak.db")), db::Database::OpenMode::ReadWrite);
    holder->setBusyTimeout(0);
    holder->executeScript("BEGIN EXCLUSIVE;");
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("Cannot open dorvak.db: database is locked"), app::kAppTitle);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    ASSERT_TRUE(Fdl);
    holder.reset();

    Fdl->Ed_yhm->setText(QStringLiteral("admin"));
    Fdl->Ed_mm->setText(QStringLiteral("123"));
    Fdl->Button1->click();
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(fmain->isVisible());
    // The rights were read again: a restricted station must not come up
    // unrestricted because its row could not be read at start-up.
    EXPECT_EQ(fmain->Tag, 2);
    EXPECT_EQ(fmain->Cbqx1, QStringList{"南区"});
    EXPECT_EQ(fmain->Label1->text(), QStringLiteral("欢迎仓库:admin使用本系统"));
    EXPECT_EQ(fmain->trlb->topLevelItemCount(), 1);
}

// Nobody could log in on a new file held at start-up: the group that adds
// the first user stayed hidden.
TEST_F(LockedAtStart, AnEmptyUserTableOffersTheFirstUserOnceTheFileIsFree)
{
    seed({});
    std::optional<db::Database> holder;
    holder.emplace(app::S(path("dorvak.db")), db::Database::OpenMode::ReadWrite);
    holder->executeScript("BEGIN EXCLUSIVE;");
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("Cannot open dorvak.db: database is locked"), app::kAppTitle);
    start();
    holder.reset();
    EXPECT_FALSE(Fdl->GroupBox1->isVisibleTo(Fdl));
    // The first click that reads the file finds it free.
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("用户密码有问题！"), QStringLiteral("提示"));
    Fdl->Ed_yhm->setText(QStringLiteral("anyone"));
    Fdl->Button1->click();
    EXPECT_TRUE(Fdl->GroupBox1->isVisibleTo(Fdl));
}
