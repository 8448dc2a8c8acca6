// One workstation of the concurrency tests: the program's forms, headless,
// on the database DORVAK_DB (or dorvak.db of the working folder) names,
// saving orders through the order form as a clerk does.
//
//   order_worker save NAME COUNT LINES   saves COUNT orders (0: until
//                                        killed) of LINES lines each,
//                                        printing "saved BH" for each
//   order_worker edit BH TEXT GATE       opens the order, prints "loaded",
//                                        waits for the file GATE, puts TEXT
//                                        as its telephone and saves
//
// Boxes are answered "no" / "ok" and printed as "box TEXT". Exit codes:
// 0 done, 3 the edit was refused, 1 anything else went wrong.
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <string>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"
#include "Startup.h"
#include "UiServices.h"
#include "Uluru.h"

namespace {

class AnsweringUi : public gui::UiServices {
public:
    int boxes = 0;
    bool refused = false;
    gui::MsgResult messageBox(const QString& text, const QString&, gui::MsgButtons buttons, gui::MsgIcon) override
    {
        ++boxes;
        std::printf("box %s\n", text.simplified().toUtf8().constData());
        std::fflush(stdout);
        if (text.contains(QStringLiteral("已被其他工作站修改"))) refused = true;
        return buttons == gui::MsgButtons::YesNo || buttons == gui::MsgButtons::YesNoCancel ? gui::MsgResult::No : gui::MsgResult::Ok;
    }
    int showModal(QDialog&) override { return QDialog::Rejected; }
    bool inputQuery(const QString&, const QString&, QString&) override { return false; }
    bool fileDialog(const gui::FileRequest&, QString&) override { return false; }
    bool fontDialog(QFont&, const QString&) override { return false; }
    bool colorDialog(QColor&, const QString&) override { return false; }
    bool openUrl(const QString&) override { return false; }
};

int save(const std::string& name, int count, int lines)
{
    for (int i = 0; count == 0 || i < count; ++i) {
        Fluru->PrepareNewOrder();
        const QString customer = QString::fromStdString(name + "-" + std::to_string(i));
        Fluru->Ed_khmc->setText(customer);
        Fluru->Ed_zdr->setText(QString::fromStdString(name));
        for (int j = 0; j < lines; ++j) {
            Fluru->Ed_dj->setText(QStringLiteral("1.5"));
            Fluru->Ed_mrsl->setText(QStringLiteral("1"));
            Fluru->Ed_bz->setText(customer + QStringLiteral("/") + QString::number(j));
            Fluru->Button7->click();
        }
        Fluru->Button1->click();
        if (Fluru->result() != QDialog::Accepted) {
            std::printf("not saved %s\n", customer.toUtf8().constData());
            return 1;
        }
        std::printf("saved %s\n", Fluru->Ed_bh->text().toUtf8().constData());
        std::fflush(stdout);
    }
    return 0;
}

int edit(const QString& bh, const QString& text, const QString& gate, AnsweringUi& ui)
{
    if (!Fluru->PrepareEditOrder(bh)) return 1;
    std::printf("loaded\n");
    std::fflush(stdout);
    for (int waited = 0; !QFile::exists(gate); waited += 5) {
        if (waited > 60000) return 1;
        QThread::msleep(5);
    }
    Fluru->Ed_lxdh->setText(text);
    Fluru->Button1->click();
    if (ui.refused) return 3;
    return Fluru->result() == QDialog::Accepted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    gui::GuardedApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    const QStringList args = application.arguments();
    if (args.size() != 5 || (args[1] != QLatin1String("save") && args[1] != QLatin1String("edit"))) {
        std::fputs("usage: order_worker save NAME COUNT LINES | edit BH TEXT GATE\n", stderr);
        return 2;
    }
    app::StartReportSystem();
    AnsweringUi ui;
    gui::ScopedUi scope(ui);
    app::CreateForms();
    if (!DM || !DM->Connected() || !Fluru) {
        std::fputs("order_worker: no database\n", stderr);
        return 1;
    }
    int code = args[1] == QLatin1String("save") ? save(args[2].toStdString(), args[3].toInt(), args[4].toInt())
                                                : edit(args[2], args[3], args[4], ui);
    app::DestroyForms();
    return code;
}
