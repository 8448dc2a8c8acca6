// The program on its SQLite file and on a PostgreSQL server: the same
// office round stores the same values and prints the same figures, and the
// pickers sort names alike.
#include <QCollator>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "AppFixture.h"
#include "Clock.h"
#include "FormDriving.h"
#include "PgTestServer.h"
#include "StringGrid.h"
#include "Uaddcp.h"
#include "Uaddgg.h"
#include "Uaddleibie.h"
#include "Udl.h"
#include "Udy.h"
#include "Uluru.h"
#include "Usys.h"
#include "main.h"
#include "rpCustomPreviewPages.h"
#include "rpEngine.h"
#include "rpReport.h"

namespace {

class BothDatabases : public AppFixture {
protected:
    void TearDown() override
    {
        AppFixture::TearDown();
        unsetenv("DORVAK_DB");
        gui::ResetClock();
        server.reset();
    }

    // The program's database from now on: the working folder's file, or a
    // fresh database on the tests' server (false when there is none).
    bool use(db::Engine engine)
    {
        app::DestroyForms();
        server.reset();
        unsetenv("DORVAK_DB");
        if (engine == db::Engine::SQLite) return true;
        server = std::make_unique<pgtest::TempDatabase>();
        if (!server->ok()) return false;
        setenv("DORVAK_DB", server->connection().c_str(), 1);
        return true;
    }

    static void pinClock(int h, int m, int s) { gui::SetFixedClock(QDateTime(QDate(2026, 12, 6), QTime(h, m, s))); }

    void login()
    {
        Fdl->Ed_yhm->setText(QStringLiteral("admin"));
        Fdl->Ed_mm->setText(QStringLiteral("123"));
        Fdl->Button1->click();
        ASSERT_TRUE(fmain->isVisible());
    }

    void addLine(const char* category, const char* product, const char* size, const char* quantity)
    {
        pick(Fluru->Cb_lb, QString::fromUtf8(category));
        pick(Fluru->Cb_pz, QString::fromUtf8(product));
        pick(Fluru->Cb_gg, QString::fromUtf8(size));
        Fluru->Ed_mrsl->setText(QString::fromUtf8(quantity));
        Fluru->Button7->click();
    }

    void selectOrder(const QString& bh)
    {
        expandAgain(fmain->trlb->topLevelItem(0));
        for (int r = 1; r < fmain->StringGrid1->RowCount(); ++r)
            if (fmain->StringGrid1->Cell(2, r) == bh) return fmain->StringGrid1->SetRow(r);
        ADD_FAILURE() << "no row for " << bh.toStdString();
    }

    // Prints through the preview and the print dialog into a PDF of the
    // test's folder; returns its text.
    std::string printTo(const char* name, const std::function<void()>& command)
    {
        ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Accepted, {}, {QStringLiteral("PrintB")});
        ui.expectModal(QStringLiteral("TrpPrintDialog"), QDialog::Accepted, {{QStringLiteral("FileCB"), QStringLiteral("1")}});
        ui.expectFile(path(name));
        command();
        std::string text;
        if (FILE* p = popen(("pdftotext -layout '" + path(name).toStdString() + "' - 2>/dev/null").c_str(), "r")) {
            char buffer[4096];
            for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
            pclose(p);
        }
        return text;
    }

    // Every stored value of every table, row by row in id order.
    static std::string storedValues()
    {
        std::string out;
        for (const db::TableDef& t : app::OrderDatabaseSchema().tables) {
            std::string cols;
            for (const db::ColumnDef& c : t.columns) cols += (cols.empty() ? "" : ", ") + c.name;
            out += "== " + t.name + "\n";
            for (db::Query& q = DM->Read("SELECT " + cols + " FROM " + t.name + (t.hasId() ? " ORDER BY id" : " ORDER BY rowid")); !q.eof();
                 q.next()) {
                for (int i = 0; i < q.fieldCount(); ++i) out += (i ? "|" : "") + (q.value(i).isNull() ? std::string("<null>") : q.value(i).asText());
                out += "\n";
            }
        }
        return out;
    }

    struct Round {
        std::string stored, orderSheet, orderPages, waybill, waybillPages;
        QStringList grid;
    };

    // The whole office round: first user, catalogue, company, two orders
    // (the second begun in the same second), an edit, both printouts, and
    // a restart.
    Round officeRound()
    {
        Round r;
        start();
        Fdl->Edit1->setText(QStringLiteral("admin"));
        Fdl->Edit3->setText(QStringLiteral("123"));
        Fdl->Edit4->setText(QStringLiteral("123"));
        Fdl->Button3->click();
        login();

        Faddleibie->Ed_cpm->setText(QStringLiteral("牛奶"));
        Faddleibie->Button1->click();
        Faddleibie->Ed_cpm->setText(QStringLiteral("面包"));
        Faddleibie->Button1->click();
        for (auto [category, product] : {std::pair{"牛奶", "鲜奶"}, {"面包", "吐司"}}) {
            Faddcp->Ed_leibie->setText(QString::fromUtf8(category));
            Faddcp->Ed_cpm->setText(QString::fromUtf8(product));
            Faddcp->Button1->click();
        }
        struct Size {
            const char *category, *product, *name, *unit, *price;
        };
        for (const Size& s : {Size{"牛奶", "鲜奶", "250ml", "瓶", "3"}, Size{"牛奶", "鲜奶", "1L", "盒", "10.5"}, Size{"面包", "吐司", "全麦", "袋", "8"}}) {
            Faddgg->Ed_leibie->setText(QString::fromUtf8(s.category));
            Faddgg->Ed_cpm->setText(QString::fromUtf8(s.product));
            Faddgg->Ed_ggm->setText(QString::fromUtf8(s.name));
            Faddgg->Ed_dw->setText(QString::fromUtf8(s.unit));
            Faddgg->Ed_jg->setText(QString::fromUtf8(s.price));
            Faddgg->Button1->click();
        }
        Fsys->LoadSettings();
        Fsys->Edit1->setText(QStringLiteral("特瓦克物流"));
        Fsys->Edit2->setText(QStringLiteral("深圳市南山区科技园8栋"));
        Fsys->Edit3->setText(QStringLiteral("李四"));
        Fsys->Edit4->setText(QStringLiteral("0755-12345678"));
        Fsys->Button1->click();

        pinClock(9, 30, 0);
        Fluru->PrepareNewOrder();
        Fluru->Ed_khmc->setText(QStringLiteral("华南贸易有限公司"));
        Fluru->Ed_khdz->setText(QStringLiteral("广州市天河区体育西路100号"));
        Fluru->Ed_lxdh->setText(QStringLiteral("020-88886666"));
        Fluru->ed_lxr->setText(QStringLiteral("王经理"));
        Fluru->Ed_zdr->setText(QStringLiteral("张三"));
        Fluru->Ed_fjmc->setText(QStringLiteral("运费"));
        Fluru->Ed_fjje->setText(QStringLiteral("5"));
        addLine("牛奶", "鲜奶", "250ml", "3");
        addLine("面包", "吐司", "全麦", "2");
        Fluru->Button1->click();
        const QString first = Fluru->Ed_bh->text();

        // Begun in the same second: its number is the next one.
        Fluru->PrepareNewOrder();
        EXPECT_EQ(Fluru->Ed_bh->text(), QStringLiteral("ZEZO-2026-12-06-093001"));
        Fluru->Ed_khmc->setText(QStringLiteral("北方五金"));
        Fluru->Ed_zdr->setText(QStringLiteral("赵六"));
        addLine("牛奶", "鲜奶", "1L", "4");
        Fluru->Button1->click();

        pinClock(10, 0, 0);
        EXPECT_TRUE(Fluru->PrepareEditOrder(first));
        addLine("牛奶", "鲜奶", "1L", "1");
        Fluru->Ed_lxdh->setText(QStringLiteral("020-88886667"));
        Fluru->Button1->click();

        selectOrder(first);
        r.orderSheet = printTo("order.pdf", [] { fmain->N25->trigger(); });
        r.orderPages = DumpPreparedPages(*fmain->rpReport1->PreviewPages());

        Fdy->Button2->click();
        Fdy->Ed_kdmc->setText(QStringLiteral("顺丰"));
        for (std::size_t i = 0; i < Fdy->Coordinates.size(); ++i) Fdy->Coordinates[i]->setText(QString::number(1 + i % 4) + ".5");
        Fdy->Button3->click();
        selectOrder(first);
        fmain->N10->trigger();
        r.waybill = printTo("waybill.pdf", [] { Fdy->Button1->click(); });
        r.waybillPages = DumpPreparedPages(*fmain->rpReport2->PreviewPages());

        app::DestroyForms();
        start();
        login();
        expandAgain(fmain->trlb->topLevelItem(0));
        for (int row = 1; row < fmain->StringGrid1->RowCount(); ++row)
            for (int c = 1; c <= 10; ++c) r.grid << fmain->StringGrid1->Cell(c, row);
        r.stored = storedValues();
        return r;
    }

    std::unique_ptr<pgtest::TempDatabase> server;
};

}  // namespace

TEST_F(BothDatabases, TheOfficeRoundStoresAndPrintsTheSameOnAServer)
{
    const Round file = officeRound();
    if (!use(db::Engine::PostgreSQL)) GTEST_SKIP() << "PostgreSQL: " << server->why();
    const Round onServer = officeRound();
    EXPECT_TRUE(DM->OnServer());

    EXPECT_EQ(onServer.stored, file.stored);
    EXPECT_EQ(onServer.grid, file.grid);
    EXPECT_EQ(onServer.orderPages, file.orderPages);
    EXPECT_EQ(onServer.orderSheet, file.orderSheet);
    EXPECT_EQ(onServer.waybillPages, file.waybillPages);
    EXPECT_EQ(onServer.waybill, file.waybill);
    // What the round stored and printed, not merely alike.
    EXPECT_NE(file.stored.find("ZEZO-2026-12-06-093000|未付款|华南贸易有限公司|广州市天河区体育西路100号|020-88886667|王经理|张三|2026-12-06|不打折|6|35.5|35.5||运费|5|\n"),
              std::string::npos)
        << file.stored;
    EXPECT_NE(file.stored.find("牛奶|鲜奶|1L|10.5|1|盒|10.5||华南贸易有限公司|未付款|2026-12-06 10:00:00"), std::string::npos) << file.stored;
    for (const char* figure : {"特瓦克物流发货单", "ZEZO-2026-12-06-093000", "华南贸易有限公司", "10.5", "40.5"})
        EXPECT_NE(file.orderSheet.find(figure), std::string::npos) << figure << "\n" << file.orderSheet;
    EXPECT_NE(file.waybill.find("020-88886667"), std::string::npos) << file.waybill;
    EXPECT_EQ(file.grid.mid(0, 3), (QStringList{"未付款", "ZEZO-2026-12-06-093001", "北方五金"}));
}

// The customer and order-maker pickers sort names as a Chinese workstation
// does, Han characters by their pinyin: the server's ICU collation must
// give the order the program's own gives on an SQLite file.
TEST_F(BothDatabases, PickersSortNamesAlikeOnBoth)
{
    const QStringList pool = {"张", "李", "王", "赵", "钱", "孙", "周", "吴", "郑", "阿", "安", "爱", "长", "重", "行", "银", "中", "国", "华",
                              "北", "南", "A", "b", "C", "z", "1", "9", "-", " ", "é", "ü", "〇", "贸易", "公司", "有限"};
    std::mt19937 random(46);
    QStringList names;
    while (names.size() < 150) {
        QString n;
        for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k) n += pool[static_cast<int>(random() % pool.size())];
        n = n.trimmed();
        // Names that differ in case alone are one customer on both.
        if (!n.isEmpty() && !names.contains(n, Qt::CaseInsensitive)) names << n;
    }
    auto pickers = [&](db::Engine engine) {
        if (!use(engine)) return std::pair<QStringList, QStringList>{};
        start();
        for (const QString& n : names)
            DM->Write("INSERT INTO zq_dd(bh, khmc, khdz, lxdh, zdr) VALUES(?, ?, '', '', ?)", {app::S("B-" + n), app::S(n), app::S(n)});
        Fluru->PrepareNewOrder();
        return std::pair{items(Fluru->Cb_kh), items(Fluru->cb_zdr)};
    };
    const auto [fileCustomers, fileMakers] = pickers(db::Engine::SQLite);
    const auto [serverCustomers, serverMakers] = pickers(db::Engine::PostgreSQL);
    if (!server->ok()) GTEST_SKIP() << "PostgreSQL: " << server->why();
    ASSERT_EQ(fileCustomers.size(), names.size());
    EXPECT_EQ(serverCustomers, fileCustomers);
    EXPECT_EQ(serverMakers, fileMakers);
    // And it is pinyin order: 阿 before 北 before 张.
    const auto at = [&](const QString& n) { return fileMakers.indexOf(n); };
    QStringList sorted = names;
    QCollator chinese(QLocale(QLocale::Chinese, QLocale::China));
    std::stable_sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        const int c = chinese.compare(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    EXPECT_EQ(fileMakers, sorted);
    if (at("阿") >= 0 && at("北") >= 0) {
        EXPECT_LT(at("阿"), at("北"));
    }
}
