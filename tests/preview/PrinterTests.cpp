// Printers and the printer list over a fake spooler, and the virtual printer
// that stands in when there is no queue.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>

#include "FakeSpooler.h"
#include "PrinterTestSupport.h"
#include "rpPrinter.h"
#include "rpPrinterProperties.h"

namespace {

using Mm = std::vector<Extended>;
using Listed = std::vector<std::pair<std::string, int32_t>>;

// Paper code, width and height in millimetres.
Mm sheet(const TrpCustomPrinter& p) { return {Extended(p.PaperSize()), p.PaperWidth(), p.PaperHeight()}; }
// Left, top, right and bottom margins in millimetres.
Mm margins(const TrpCustomPrinter& p) { return {p.LeftMargin(), p.TopMargin(), p.RightMargin(), p.BottomMargin()}; }

Listed listed(const std::vector<TrpListItem>& items)
{
    Listed out;
    for (const TrpListItem& i : items) out.emplace_back(i.Name, i.Code);
    return out;
}

FakeSpooler TwoQueues(bool withDefault = true)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Front Desk"));
    s.queueList.push_back(FakeSpooler::StandardQueue("Warehouse", withDefault));
    return s;
}

}  // namespace

// ---- The virtual printer

TEST(VirtualPrinter, StandsInWhenThereIsNoQueue)
{
    FakeSpooler none;
    TrpPrinters list(none);
    EXPECT_FALSE(list.HasPhysicalPrinters());
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.PrinterIndex(), 0);
    TrpCustomPrinter* p = list.GetCurrentPrinter();
    EXPECT_EQ(p->Name(), "虚拟");
    EXPECT_EQ(p->Port(), "");
    EXPECT_TRUE(p->Initialized());
    EXPECT_EQ(p->DPI().X, 600);
    EXPECT_EQ(p->DPI().Y, 600);
    EXPECT_EQ((Mm{Extended(p->DefPaper()), p->DefPaperWidth(), p->DefPaperHeight()}), (Mm{9, 210, 297}));
    EXPECT_FALSE(p->DefOrientation());
    EXPECT_EQ(p->Bin(), -1);
    EXPECT_EQ(p->Duplex(), -1);
}

TEST(VirtualPrinter, PapersAreCustomThenTheWholeTableByName)
{
    TrpVirtualPrinter p("虚拟", "");
    p.Init();
    ASSERT_EQ(p.Papers().size(), 67u);
    EXPECT_EQ(p.Papers()[0].Name, "自定");
    EXPECT_EQ(p.Papers()[0].Code, 256);
    EXPECT_EQ(p.Papers()[1].Code, 1);
    EXPECT_EQ(listed(p.Bins()), (Listed{{"预设", 7}}));
    // A paper chosen by its name is that paper, not the first of the list.
    for (const TrpListItem& item : p.Papers()) EXPECT_EQ(p.PaperNameToNumber(item.Name), item.Code) << item.Name;
    EXPECT_EQ(p.PaperNameToNumber("A5"), 11);
    EXPECT_EQ(p.PaperNameToNumber(""), 256);
    EXPECT_EQ(p.PaperNameToNumber("No such paper"), 256);
    EXPECT_EQ(p.PaperIndex(9), 9);
    EXPECT_EQ(p.PaperIndex(48), -1);
}

TEST(VirtualPrinter, SheetsFollowTheViewParamsWithFiveMillimetreMargins)
{
    // Landscape swaps the sheet; custom and unknown codes keep the given size.
    struct Case {
        int32_t code;
        Extended width, height;
        bool landscape;
        Mm expected;
    };
    for (const Case& c : {Case{9, 0, 0, false, {9, 210, 297}}, Case{8, 0, 0, true, {8, 420, 297}},
                          Case{256, 100, 50, false, {256, 100, 50}}, Case{48, 120, 80, true, {256, 120, 80}}}) {
        TrpVirtualPrinter p("v", "");
        p.Init();
        p.SetViewParams(c.code, c.width, c.height, c.landscape);
        EXPECT_EQ(sheet(p), c.expected) << c.code;
        EXPECT_EQ(margins(p), (Mm{5, 5, 5, 5})) << c.code;
        EXPECT_EQ(p.Orientation(), c.landscape) << c.code;
    }
}

// ---- The list

TEST(PrinterList, SelectsTheDefaultQueueAndInitialisesOnlyIt)
{
    FakeSpooler s = TwoQueues();
    s.queueList[1].queue.location = "2nd floor";
    TrpPrinters list(s);
    EXPECT_TRUE(list.HasPhysicalPrinters());
    EXPECT_EQ(list.Printers(), (std::vector<std::string>{"Front Desk", "Warehouse"}));
    EXPECT_EQ(list.PrinterIndex(), 1);
    EXPECT_TRUE(list.Items(1)->Initialized());
    EXPECT_FALSE(list.Items(0)->Initialized());
    EXPECT_EQ(s.capabilityCalls, 1);
    list.SetPrinterIndex(1);  // already read: not asked again
    EXPECT_EQ(s.capabilityCalls, 1);
    EXPECT_EQ(list.Items(1)->Port(), "2nd floor");  // the location, never the device address
}

TEST(PrinterList, WithoutADefaultQueueIndexZeroIsSelected)
{
    FakeSpooler s = TwoQueues(false);
    TrpPrinters list(s);
    EXPECT_EQ(list.PrinterIndex(), 0);
    EXPECT_TRUE(list.Items(0)->Initialized());
    list.SetPrinterIndex(-1);  // the default printer, of which there is none
    EXPECT_EQ(list.PrinterIndex(), -1);
    EXPECT_EQ(list.GetCurrentPrinter(), nullptr);
}

TEST(PrinterList, IndexOfIgnoresCaseAndItemsChecksTheRange)
{
    FakeSpooler s = TwoQueues();
    TrpPrinters list(s);
    EXPECT_EQ(list.IndexOf("warehouse"), 1);
    EXPECT_EQ(list.IndexOf("FRONT DESK"), 0);
    EXPECT_EQ(list.IndexOf("Cellar"), -1);
    EXPECT_EQ(list.Items(-1), nullptr);
    EXPECT_THROW(list.Items(2), ERangeError);
    EXPECT_THROW(list.SetPrinterIndex(5), ERangeError);
    EXPECT_EQ(list.PrinterIndex(), 1);
    list.SetPrinterIndex(0);
    list.SetPrinterIndex(-1);
    EXPECT_EQ(list.PrinterIndex(), 1);
}

TEST(PrinterList, AQueueThatCannotBeReadStaysUninitialisedSilently)
{
    ScriptedUi boxes(0);
    FakeSpooler s;
    TrpPrinter ghost(s, "Ghost", "");
    ghost.Init();
    EXPECT_FALSE(ghost.Initialized());
    EXPECT_TRUE(boxes.messages().empty());
    s.queueList.push_back(FakeSpooler::StandardQueue("Ghost"));
    ghost.Init();  // tried again on the next selection
    EXPECT_TRUE(ghost.Initialized());
}

TEST(PrinterList, AQueueWithoutPapersOffersThePaperTable)
{
    // A raw queue: no driver file, so no papers, trays or sides of its own.
    ScriptedUi boxes(0);
    FakeQueue q;
    q.queue().capabilities = {};
    TrpPrinter& p = q.printer();
    ASSERT_TRUE(p.Initialized());
    EXPECT_EQ(p.Papers().size(), 1u + PAPERCOUNT);
    EXPECT_EQ(p.PaperNameToNumber("A5"), 11);
    EXPECT_EQ(p.DefPaper(), DMPAPER_A4);
    EXPECT_EQ(p.Bins().size(), 1u);
    EXPECT_TRUE(p.DuplexModes().empty());
    p.SetPrintParams(11, 0, 0, true, DMBIN_AUTO, 1, 1);
    EXPECT_EQ(p.PaperWidth(), 210);
    EXPECT_EQ(p.PaperHeight(), 148);
    EXPECT_EQ(p.LeftMargin(), 5);
    // The job asks for the paper by its size and for nothing the queue lacks.
    ASSERT_TRUE(p.BeginDoc());
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    ASSERT_TRUE(p.EndDoc());
    ASSERT_EQ(q.spooler.jobs.size(), 1u);
    EXPECT_EQ(q.spooler.jobs[0]->options.media, "custom_14800x21000");
    EXPECT_EQ(q.spooler.jobs[0]->options.source + q.spooler.jobs[0]->options.sides, "");
    EXPECT_TRUE(boxes.messages().empty());
}

// ---- A queue's papers, bins and settings

TEST(QueuePrinter, PapersMapToTableCodesBySize)
{
    FakeQueue q;
    auto& media = q.queue().capabilities.media;
    media.push_back({"iso_a4_210x297mm_borderless", "", 20990, 29704, 0, 0, 0, 0});
    media.push_back({"custom_100x150mm", "Label 100x150", 10000, 15000, 100, 100, 100, 100});
    media.push_back({"om_odd_90x90mm", "", 9000, 9000, 0, 0, 0, 0});
    const TrpPrinter& p = q.printer();
    EXPECT_EQ(listed(p.Papers()),
              (Listed{{"自定", 256}, {"A4", 9}, {"Letter", 1}, {"A5", 11}, {"Label 100x150", 257}, {"om_odd_90x90mm", 258}}));
    EXPECT_EQ(p.DefPaper(), 9);
    EXPECT_EQ(p.DPI().X, 600);
}

TEST(QueuePrinter, SheetsAndMarginsInWholeMillimetres)
{
    FakeQueue q;
    TrpPrinter& p = q.printer();
    EXPECT_EQ(sheet(p), (Mm{9, 210, 297}));
    // 4.23 mm; the right one is 210 - round(201.54) - 4, the bottom 297 - round(288.54) - 4.
    EXPECT_EQ(margins(p), (Mm{4, 4, 4, 4}));
    p.SetViewParams(1, 0, 0, false);
    EXPECT_EQ(sheet(p), (Mm{1, 216, 279}));
    EXPECT_EQ(p.LeftMargin(), 6);
    EXPECT_EQ(p.TopMargin(), 13);
    // A custom size selects A4 first, then reports the given size.
    p.SetViewParams(256, 100, 50, false);
    EXPECT_EQ(sheet(p), (Mm{256, 100, 50}));
    EXPECT_EQ(p.LeftMargin(), 4);  // A4's, not Letter's
    EXPECT_EQ(p.TopMargin(), 4);
    p.SetViewParams(1, 0, 0, true);  // landscape: the sheet's left edge is the top
    EXPECT_EQ(sheet(p), (Mm{1, 279, 216}));
    EXPECT_EQ(p.TopMargin(), 6);
    EXPECT_EQ(p.LeftMargin(), 13);
    EXPECT_TRUE(p.Orientation());
    p.SetViewParams(8, 0, 0, false);  // A3, which the queue lacks, is asked for by size
    EXPECT_EQ(sheet(p), (Mm{8, 297, 420}));
}

TEST(QueuePrinter, BinsAndDuplexDefaultsFromTheQueue)
{
    FakeQueue q;
    auto& caps = q.queue().capabilities;
    caps.sources.push_back({"large-capacity", ""});
    caps.sources.push_back({"tray-9", "Ninth tray"});
    caps.sources.push_back({"envelope", ""});
    caps.defaultSides = "two-sided-short-edge";
    const TrpPrinter& p = q.printer();
    EXPECT_EQ(listed(p.Bins()), (Listed{{"预设", 7}, {"Upper tray", 1}, {"Bottom", 2}, {"Manual", 4}, {"Large capacity", 11},
                                        {"Ninth tray", 257}, {"Envelope", 5}}));
    EXPECT_EQ(p.DefBin(), 1);
    EXPECT_EQ(p.DefDuplex(), 3);
}

TEST(QueuePrinter, NoTwoSidedSupportMeansSimplexAndNoSidesSent)
{
    FakeQueue q;
    q.queue().capabilities.sides.clear();
    q.queue().capabilities.defaultSides.clear();
    TrpPrinter& p = q.printer();
    EXPECT_EQ(p.DefDuplex(), 1);
    EXPECT_TRUE(p.DuplexModes().empty());
    EXPECT_EQ(p.SidesKeyword(2), "");
}

TEST(QueuePrinter, PropertiesDialogOffersTheQueueChoicesAndLastsOneDocument)
{
    FakeQueue q;
    TrpPrinter& p = q.printer();
    TrpPrinterPropertiesDialog dialog(p);
    ASSERT_EQ(dialog.BinCB()->count(), 4);  // 预设, top, bottom, manual
    EXPECT_EQ(dialog.BinCB()->currentData().toInt(), 1);  // the queue's default tray
    ASSERT_EQ(dialog.DuplexCB()->count(), 3);
    EXPECT_EQ(dialog.DuplexCB()->currentData().toInt(), 1);
    dialog.BinCB()->setCurrentIndex(3);
    dialog.DuplexCB()->setCurrentIndex(2);
    dialog.Apply();
    EXPECT_EQ(p.Bin(), 4);
    EXPECT_EQ(p.Duplex(), 3);
}

TEST(QueuePrinter, ShownPropertiesDialogAppliesOnlyWhatWasAcceptedAndChanged)
{
    FakeQueue q;
    TrpPrinter& p = q.printer();
    ScriptedUi ui;
    ui.services().expectModal(QStringLiteral("TrpPrinterPropertiesDialog"), int(QDialog::Rejected));
    EXPECT_FALSE(p.ShowPropertiesDialog());
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);
    ui.services().expectModal(QStringLiteral("TrpPrinterPropertiesDialog"), [](QDialog& d) {
        d.findChild<QComboBox*>("BinCB")->setCurrentIndex(2);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(p.ShowPropertiesDialog());
    EXPECT_EQ(p.Bin(), 2);
    EXPECT_EQ(p.Duplex(), -1);  // left alone when unchanged
}
