// The UI services seam, the exception guard, the clock and the adapter
// address: what every form relies on to stay scriptable and alive.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QTimer>
#include <QTreeWidget>

#include <stdexcept>

#include "Clock.h"
#include "Exceptions.h"
#include "Guard.h"
#include "NetworkAddress.h"
#include "ScriptedUiServices.h"
#include "SysUtils.h"

using namespace gui;

namespace {

class ScriptedTest : public ::testing::Test {
protected:
    void SetUp() override { setApplicationTitle(QStringLiteral("标题")); }
    static MsgResult box(const QString& text, const QString& caption = QStringLiteral("提示"), MsgButtons buttons = MsgButtons::OkCancel)
    {
        return gui::ui().messageBox(text, caption, buttons, MsgIcon::None);
    }
    ScriptedUiServices ui;
    ScopedUi scope{ui};
};

}  // namespace

TEST_F(ScriptedTest, AnswersExpectedBoxesInOrder)
{
    ui.expectMessage(MsgResult::Cancel, QStringLiteral("用户密码有问题！"), QStringLiteral("提示")).expectMessage(MsgResult::Ok);
    EXPECT_EQ(box(QStringLiteral("用户密码有问题！")), MsgResult::Cancel);
    ShowMessage(QStringLiteral("好"));
    EXPECT_TRUE(ui.failures().isEmpty());
    EXPECT_EQ(ui.pending(), 0);
    EXPECT_EQ(ui.log(), (QStringList{QStringLiteral("box 提示 | 用户密码有问题！ -> cancel"), QStringLiteral("box 标题 | 好 -> ok")}));
}

TEST_F(ScriptedTest, UnexpectedBoxIsAFailureAnsweredWithCancel)
{
    QStringList reported;
    ui.setFailureHandler([&](const QString& s) { reported << s; });
    EXPECT_EQ(box(QStringLiteral("x"), QStringLiteral("c")), MsgResult::Cancel);
    EXPECT_EQ(box(QStringLiteral("y"), QStringLiteral("c"), MsgButtons::YesNo), MsgResult::No);
    EXPECT_EQ(reported.size(), 2);
    EXPECT_EQ(ui.failures().size(), 2);
    // A box with other text than the expected one does not match it.
    ui.expectMessage(MsgResult::Ok, QStringLiteral("a"));
    box(QStringLiteral("b"), QStringLiteral("c"), MsgButtons::Ok);
    EXPECT_EQ(ui.failures().size(), 3);
    EXPECT_EQ(ui.pending(), 1);
}

TEST_F(ScriptedTest, ModalDialogIsDrivenWithoutShowing)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("Fxgmm"));
    bool visibleWhileDriven = true;
    ui.expectModal(QStringLiteral("Fxgmm"), [&](QDialog& d) {
        visibleWhileDriven = d.isVisible();
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(gui::ui().showModal(dialog), QDialog::Accepted);
    EXPECT_FALSE(visibleWhileDriven);
    ui.expectModal(QStringLiteral("Other"), QDialog::Accepted);
    EXPECT_EQ(gui::ui().showModal(dialog), QDialog::Rejected);
    EXPECT_EQ(ui.failures().size(), 1);
}

TEST_F(ScriptedTest, UrlsAndDialogsAreRecorded)
{
    ui.expectUrl().expectInput(QStringLiteral("42")).expectFile(std::nullopt).expectColor(QColor(Qt::red));
    EXPECT_TRUE(gui::ui().openUrl(QStringLiteral("https://a.example/")));
    QString value = QStringLiteral("0");
    EXPECT_TRUE(gui::ui().inputQuery(QStringLiteral("c"), QStringLiteral("p"), value));
    EXPECT_EQ(value, QStringLiteral("42"));
    QString file = QStringLiteral("keep");
    EXPECT_FALSE(gui::ui().fileDialog(FileRequest{}, file));
    EXPECT_EQ(file, QStringLiteral("keep"));
    QColor color;
    EXPECT_TRUE(gui::ui().colorDialog(color, QString()));
    EXPECT_EQ(color, QColor(Qt::red));
    EXPECT_EQ(ui.urls(), QStringList{QStringLiteral("https://a.example/")});
    EXPECT_TRUE(ui.failures().isEmpty());
}

TEST_F(ScriptedTest, ScriptFileIsReadLineByLineAndABadLineIsNamed)
{
    QTemporaryFile bad;
    ASSERT_TRUE(bad.open());
    bad.write("box maybe\n");
    bad.close();
    QString error;
    EXPECT_FALSE(ui.loadScript(bad.fileName(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral(":1:"))) << error.toStdString();

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("# login fails once, then the user gives up\n"
               "box ok 用户密码有问题！\n"
               "\n"
               "box cancel\n"
               "modal reject Fsys\n"
               "input ok two words\n"
               "url\n"
               "quit\n");
    file.close();
    ASSERT_TRUE(ui.loadScript(file.fileName(), &error)) << error.toStdString();
    EXPECT_EQ(ui.pending(), 6);
    EXPECT_EQ(box(QStringLiteral("用户密码有问题！")), MsgResult::Ok);
    EXPECT_EQ(box(QStringLiteral("z")), MsgResult::Cancel);
    QDialog d;
    d.setObjectName(QStringLiteral("Fsys"));
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Rejected);
    QString v;
    EXPECT_TRUE(gui::ui().inputQuery({}, {}, v));
    EXPECT_EQ(v, QStringLiteral("two words"));
    EXPECT_TRUE(ui.failures().isEmpty());
}

TEST_F(ScriptedTest, ScriptFillsFieldsOfTheNextModalDialog)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("fill Edit1 2026-12-06 上午\n"
               "fill Kind 快递\n"
               "modal accept DialogPage1\n"
               "fill Missing x\n"
               "modal reject DialogPage1\n");
    file.close();
    QString error;
    ASSERT_TRUE(ui.loadScript(file.fileName(), &error)) << error.toStdString();
    QDialog d;
    d.setObjectName(QStringLiteral("DialogPage1"));
    auto* edit = new QLineEdit(&d);
    edit->setObjectName(QStringLiteral("Edit1"));
    auto* kind = new QComboBox(&d);
    kind->setObjectName(QStringLiteral("Kind"));
    kind->setEditable(true);
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Accepted);
    EXPECT_EQ(edit->text(), QStringLiteral("2026-12-06 上午"));
    EXPECT_EQ(kind->currentText(), QStringLiteral("快递"));
    EXPECT_TRUE(ui.log().contains(QStringLiteral("fill Edit1 <- 2026-12-06 上午")));
    // A field the dialog does not have is a failure, not a silent pass.
    QStringList failures;
    ui.setFailureHandler([&](const QString& f) { failures << f; });
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Rejected);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Missing"))) << failures[0].toStdString();

    QTemporaryFile dangling;
    ASSERT_TRUE(dangling.open());
    dangling.write("modal accept A\nfill Edit1 x\n");
    dangling.close();
    EXPECT_FALSE(ui.loadScript(dangling.fileName(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("fill"))) << error.toStdString();
}

TEST_F(ScriptedTest, ScriptTicksAndClearsCheckBoxesAndRefusesOtherTexts)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("fill FileCB 1\nfill CollateCB 0\nmodal accept TrpPrintDialog\n"
               "fill FileCB yes\nmodal accept TrpPrintDialog\n");
    file.close();
    QString error;
    ASSERT_TRUE(ui.loadScript(file.fileName(), &error)) << error.toStdString();
    QDialog d;
    d.setObjectName(QStringLiteral("TrpPrintDialog"));
    auto* toFile = new QCheckBox(QStringLiteral("打印到文件"), &d);
    toFile->setObjectName(QStringLiteral("FileCB"));
    auto* collate = new QCheckBox(&d);
    collate->setObjectName(QStringLiteral("CollateCB"));
    collate->setChecked(true);
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Accepted);
    EXPECT_TRUE(toFile->isChecked());
    EXPECT_FALSE(collate->isChecked());
    // The caption stays; a text that is neither 1 nor 0 is a failure.
    EXPECT_EQ(toFile->text(), QStringLiteral("打印到文件"));
    QStringList failures;
    ui.setFailureHandler([&](const QString& f) { failures << f; });
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Accepted);
    EXPECT_EQ(failures.size(), 1);
    EXPECT_TRUE(toFile->isChecked());
}

TEST_F(ScriptedTest, ScriptPressesADialogsControlOnceItIsEnabled)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("fill Copies 2\npress PrintB\nmodal accept Preview\nbox ok 打印 2\npress Missing\nmodal reject Preview\n");
    file.close();
    QString error;
    ASSERT_TRUE(ui.loadScript(file.fileName(), &error)) << error.toStdString();
    QDialog d;
    d.setObjectName(QStringLiteral("Preview"));
    auto* copies = new QLineEdit(&d);
    copies->setObjectName(QStringLiteral("Copies"));
    auto* print = new QAction(&d);
    print->setObjectName(QStringLiteral("PrintB"));
    // Busy at first, as a preview preparing its pages.
    print->setEnabled(false);
    QTimer::singleShot(50, print, [print] { print->setEnabled(true); });
    QObject::connect(print, &QAction::triggered, [&] { ShowMessage(QStringLiteral("打印 ") + copies->text()); });
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Accepted);
    EXPECT_TRUE(ui.failures().isEmpty()) << ui.failures().join(QLatin1Char('\n')).toStdString();
    QStringList failures;
    ui.setFailureHandler([&](const QString& f) { failures << f; });
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Rejected);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Missing"))) << failures[0].toStdString();
    EXPECT_EQ(ui.pending(), 0);
}

// A form filled line by line: each pick runs the form's own handler, and
// each press sees the fields as the lines before it left them.
TEST_F(ScriptedTest, ScriptStepsInADialogHappenInTheirOrder)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("select Tree 子节点\n"
               "select Kind 快递\n"
               "fill Qty 3\n"
               "press Add\n"
               "select Kind 平邮\n"
               "fill Qty 4\n"
               "press Add\n"
               "modal accept Order\n"
               "select Kind 海运\n"
               "modal reject Order\n");
    file.close();
    QString error;
    ASSERT_TRUE(ui.loadScript(file.fileName(), &error)) << error.toStdString();
    QDialog d;
    d.setObjectName(QStringLiteral("Order"));
    auto* tree = new QTreeWidget(&d);
    tree->setObjectName(QStringLiteral("Tree"));
    auto* root = new QTreeWidgetItem(tree, QStringList{QStringLiteral("根")});
    auto* child = new QTreeWidgetItem(root, QStringList{QStringLiteral("子节点")});
    auto* kind = new QComboBox(&d);
    kind->setObjectName(QStringLiteral("Kind"));
    kind->addItems({QStringLiteral("平邮"), QStringLiteral("快递")});
    QString picked;
    QObject::connect(kind, &QComboBox::activated, [&](int i) { picked = kind->itemText(i); });
    auto* qty = new QLineEdit(&d);
    qty->setObjectName(QStringLiteral("Qty"));
    auto* add = new QPushButton(&d);
    add->setObjectName(QStringLiteral("Add"));
    QStringList lines;
    QObject::connect(add, &QPushButton::clicked, [&] { lines << picked + QLatin1Char(' ') + qty->text(); });
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Accepted);
    EXPECT_EQ(tree->currentItem(), child);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("快递 3"), QStringLiteral("平邮 4")}));
    EXPECT_TRUE(ui.failures().isEmpty()) << ui.failures().join(QLatin1Char('\n')).toStdString();
    // An item the control does not have is a failure.
    QStringList failures;
    ui.setFailureHandler([&](const QString& f) { failures << f; });
    EXPECT_EQ(gui::ui().showModal(d), QDialog::Rejected);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("海运"))) << failures[0].toStdString();

    QTemporaryFile dangling;
    ASSERT_TRUE(dangling.open());
    dangling.write("select Kind 快递\n");
    dangling.close();
    EXPECT_FALSE(ui.loadScript(dangling.fileName(), &error));
}

TEST_F(ScriptedTest, QuitEndsTheEventLoopOnceItsTurnComes)
{
    ui.expectMessage(MsgResult::Ok).expectQuit();
    bool boxShown = false;
    QTimer::singleShot(0, [&] {
        ShowMessage(QStringLiteral("x"));
        boxShown = true;
    });
    // Safety net: a broken quit must not hang the test run.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    ui.eventLoopStarting();  // not due yet: the box comes first
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(ui.log().back(), QStringLiteral("quit"));
}

TEST_F(ScriptedTest, ScriptActsOnWindowsInTurnAsAUserWould)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("type W/Name 张三\n"
               "select W/Tree 子节点\n"
               "select W/Grid B2\n"
               "select W/Kind 快递\n"
               "click W/Go\n"
               "box ok\n"
               "click W/Menu1\n"
               "click W/Missing\n"
               "quit\n");
    file.close();
    QString error;
    ASSERT_TRUE(ui.loadScript(file.fileName(), &error)) << error.toStdString();
    QWidget w;
    w.setObjectName(QStringLiteral("W"));
    auto* name = new QLineEdit(&w);
    name->setObjectName(QStringLiteral("Name"));
    auto* tree = new QTreeWidget(&w);
    tree->setObjectName(QStringLiteral("Tree"));
    auto* root = new QTreeWidgetItem(tree, QStringList{QStringLiteral("根")});
    auto* child = new QTreeWidgetItem(root, QStringList{QStringLiteral("子节点")});
    new QTreeWidgetItem(child, QStringList{QStringLiteral("孙")});
    QStringList expanded;
    QObject::connect(tree, &QTreeWidget::itemExpanded, [&](QTreeWidgetItem* item) { expanded << item->text(0); });
    auto* grid = new QTableWidget(3, 2, &w);
    grid->setObjectName(QStringLiteral("Grid"));
    for (int r = 0; r < 3; ++r) grid->setItem(r, 1, new QTableWidgetItem(QStringLiteral("B%1").arg(r + 1)));
    auto* kind = new QComboBox(&w);
    kind->setObjectName(QStringLiteral("Kind"));
    kind->addItems({QStringLiteral("平邮"), QStringLiteral("快递")});
    int activated = -1;
    QObject::connect(kind, &QComboBox::activated, [&](int i) { activated = i; });
    auto* go = new QPushButton(&w);
    go->setObjectName(QStringLiteral("Go"));
    QString typed;
    QObject::connect(go, &QPushButton::clicked, [&] {
        typed = name->text();
        ShowMessage(QStringLiteral("走"));  // the next click waits for this box
    });
    auto* menu = new QAction(&w);
    menu->setObjectName(QStringLiteral("Menu1"));
    int triggered = 0;
    QObject::connect(menu, &QAction::triggered, [&] { ++triggered; });
    QStringList failures;
    ui.setFailureHandler([&](const QString& f) { failures << f; });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    ui.eventLoopStarting();
    EXPECT_EQ(QCoreApplication::exec(), 0);

    EXPECT_EQ(typed, QStringLiteral("张三"));
    EXPECT_EQ(tree->currentItem(), child);
    EXPECT_EQ(expanded, QStringList{QStringLiteral("子节点")});
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(activated, 1);
    EXPECT_EQ(triggered, 1);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("W/Missing"))) << failures[0].toStdString();
    EXPECT_EQ(ui.pending(), 0);
    EXPECT_TRUE(ui.log().contains(QStringLiteral("click W/Go")));
}

TEST_F(ScriptedTest, AnActionWaitsForTheScriptedDialogThatIsStillAtWork)
{
    // As a print from a preview: the preview's driver presses its button,
    // whose handler answers a file box and then keeps the events running.
    QWidget main;
    main.setObjectName(QStringLiteral("M"));
    auto* next = new QPushButton(&main);
    next->setObjectName(QStringLiteral("Next"));
    QStringList order;
    QObject::connect(next, &QPushButton::clicked, [&] { order << QStringLiteral("next"); });
    QDialog preview;
    preview.setObjectName(QStringLiteral("Preview"));
    auto* print = new QAction(&preview);
    print->setObjectName(QStringLiteral("PrintB"));
    QObject::connect(print, &QAction::triggered, [&] {
        QString name;
        gui::ui().fileDialog({}, name);
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        order << QStringLiteral("printed");
    });
    auto* open = new QPushButton(&main);
    open->setObjectName(QStringLiteral("Open"));
    QObject::connect(open, &QPushButton::clicked, [&] {
        gui::ui().showModal(preview);
        order << QStringLiteral("closed");
    });
    ui.expectAction(QStringLiteral("click"), QStringLiteral("M/Open"))
        .expectModal(QStringLiteral("Preview"), QDialog::Accepted, {}, {QStringLiteral("PrintB")})
        .expectFile(QStringLiteral("/tmp/x.pdf"))
        .expectAction(QStringLiteral("click"), QStringLiteral("M/Next"))
        .expectQuit();
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    ui.eventLoopStarting();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(order, (QStringList{"printed", "closed", "next"}));
    EXPECT_TRUE(ui.failures().isEmpty()) << ui.failures().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ScriptedTest, ALineThatCannotHappenEndsTheLoopWithCode3)
{
    QWidget w;
    w.setObjectName(QStringLiteral("W"));
    auto* go = new QPushButton(&w);
    go->setObjectName(QStringLiteral("Go"));
    ui.setIdleLimit(200);
    // Nothing shows this box: the program is idle and would wait for ever.
    ui.expectAction(QStringLiteral("click"), QStringLiteral("W/Go")).expectMessage(MsgResult::Ok, QStringLiteral("never")).expectQuit();
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    ui.eventLoopStarting();
    EXPECT_EQ(QCoreApplication::exec(), 3);
    ASSERT_EQ(ui.failures().size(), 1);
    EXPECT_TRUE(ui.failures()[0].contains(QStringLiteral("box never"))) << ui.failures()[0].toStdString();
    EXPECT_EQ(ui.pending(), 2);

    // A scripted dialog at work has longer, but not for ever.
    ui.clear();
    QDialog stuck;
    stuck.setObjectName(QStringLiteral("Stuck"));
    auto* hang = new QAction(&stuck);
    hang->setObjectName(QStringLiteral("Hang"));
    bool ended = false;
    QObject::connect(hang, &QAction::triggered, [&] {
        QEventLoop loop;  // a handler waiting on something that never comes
        loop.exec();
        ended = true;
    });
    QObject::connect(go, &QPushButton::clicked, [&] { gui::ui().showModal(stuck); });
    ui.setIdleLimit(20);
    ui.expectAction(QStringLiteral("click"), QStringLiteral("W/Go"))
        .expectModal(QStringLiteral("Stuck"), QDialog::Accepted, {}, {QStringLiteral("Hang")})
        .expectQuit();
    ui.eventLoopStarting();
    EXPECT_EQ(QCoreApplication::exec(), 3);
    EXPECT_TRUE(ended);
    ASSERT_FALSE(ui.failures().isEmpty());
    EXPECT_TRUE(ui.failures()[0].contains(QStringLiteral("waited"))) << ui.failures()[0].toStdString();
}

// ---- Guard

TEST_F(ScriptedTest, GuardShowsOneBoxPerErrorForeignOnesTooButNoneForAbort)
{
    EXPECT_FALSE(guarded([] { throw EAbort(); }));
    EXPECT_TRUE(ui.messages().isEmpty());
    ui.expectMessage(MsgResult::Ok, QStringLiteral("no such table: zq_dd"), QStringLiteral("标题"));
    EXPECT_FALSE(guarded([] { throw Exception("no such table: zq_dd"); }));
    EXPECT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(guarded([] {}));
    ui.expectMessage(MsgResult::Ok, QStringLiteral("bad")).expectMessage(MsgResult::Ok);
    guarded([] { throw std::runtime_error("bad"); });
    guarded([] { throw 42; });
    EXPECT_EQ(ui.messages().size(), 3);
    EXPECT_TRUE(ui.failures().isEmpty());
}

TEST_F(ScriptedTest, GuardedSlotSurvivesAThrowingClick)
{
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, Slot([&] {
                         ++clicks;
                         throw EConvertError("'x' is not a valid integer value");
                     }));
    ui.expectMessage(MsgResult::Ok, QStringLiteral("'x' is not a valid integer value"))
        .expectMessage(MsgResult::Ok, QStringLiteral("'x' is not a valid integer value"));
    button.click();
    button.click();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(ui.pending(), 0);
}

// ---- Clock

TEST(ClockTest, FixedClockDrivesTheCoreClockAndDatesConvertBothWays)
{
    const QDateTime at(QDate(2026, 12, 6), QTime(21, 5, 9));
    SetFixedClock(at);
    EXPECT_EQ(CurrentDateTime(), at);
    EXPECT_EQ(ToQDateTime(Now()), at);
    ResetClock();
    EXPECT_NE(CurrentDateTime(), at);

    EXPECT_EQ(FromQDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_EQ(FromQDateTime(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    const QDateTime t(QDate(2024, 2, 29), QTime(23, 59, 58, 500));
    EXPECT_EQ(ToQDateTime(FromQDateTime(t)), t);
}

// ---- Network adapter address

TEST(AdapterAddressTest, FirstRealAdapterInIndexOrderOrEmptyText)
{
    const std::vector<AdapterInfo> adapters = {{3, false, QStringLiteral("0a:1b:2c:3d:4e:5f")}, {1, true, QStringLiteral("00:00:00:00:00:00")},
                                               {2, false, QStringLiteral("00:00:00:00:00:00")}, {4, false, QStringLiteral("aa:bb:cc:dd:ee:ff")}};
    EXPECT_EQ(PickAdapterAddress(adapters), QStringLiteral("0A-1B-2C-3D-4E-5F"));
    EXPECT_EQ(PickAdapterAddress({}), QString());
    EXPECT_EQ(PickAdapterAddress({{1, true, QStringLiteral("aa:bb:cc:dd:ee:ff")}}), QString());
    // Tunnels and IPoIB report other lengths.
    EXPECT_EQ(PickAdapterAddress({{1, false, QStringLiteral("00:11:22:33")}, {2, false, QString()}}), QString());
}

TEST(AdapterAddressTest, ProviderReplacesTheSystem)
{
    SetAdapterAddressProvider([] { return QStringLiteral("00-11-22-33-44-55"); });
    EXPECT_EQ(AdapterAddress(), QStringLiteral("00-11-22-33-44-55"));
    SetAdapterAddressProvider({});
    const QString system = AdapterAddress();
    EXPECT_TRUE(system.isEmpty() || system.size() == 17) << system.toStdString();
}
