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

FakeSpooler TwoQueues(bool withDefault = true)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Front Desk"));
    s.queueList.push_back(FakeSpooler::StandardQueue("Warehouse", withDefault));
    return s;
}

TrpPrinter& PrinterAt(TrpPrinters& list, int index)
{
    list.SetPrinterIndex(index);
    return dynamic_cast<TrpPrinter&>(*list.GetCurrentPrinter());
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
    EXPECT_EQ(p->DefPaper(), 9);
    EXPECT_FALSE(p->DefOrientation());
    EXPECT_EQ(p->DefPaperWidth(), 210);
    EXPECT_EQ(p->DefPaperHeight(), 297);
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
    EXPECT_EQ(p.Bins().size(), 1u);
    EXPECT_EQ(p.Bins()[0].Name, "预设");
    EXPECT_EQ(p.Bins()[0].Code, 7);
    // A paper chosen by its name is that paper, not the first of the list.
    for (const TrpListItem& item : p.Papers()) EXPECT_EQ(p.PaperNameToNumber(item.Name), item.Code) << item.Name;
    EXPECT_EQ(p.PaperNameToNumber("A5"), 11);
    EXPECT_EQ(p.PaperNameToNumber(""), 256);
    EXPECT_EQ(p.PaperNameToNumber("No such paper"), 256);
    EXPECT_EQ(p.PaperIndex(9), 9);
    EXPECT_EQ(p.PaperIndex(48), -1);
}

TEST(VirtualPrinter, A4PortraitWithFiveMillimetreMargins)
{
    TrpVirtualPrinter p("v", "");
    p.Init();
    p.SetViewParams(9, 0, 0, false);
    EXPECT_EQ(p.PaperSize(), 9);
    EXPECT_EQ(p.PaperWidth(), 210);
    EXPECT_EQ(p.PaperHeight(), 297);
    EXPECT_EQ(p.LeftMargin(), 5);
    EXPECT_EQ(p.TopMargin(), 5);
    EXPECT_EQ(p.RightMargin(), 5);
    EXPECT_EQ(p.BottomMargin(), 5);
    EXPECT_FALSE(p.Orientation());
}

TEST(VirtualPrinter, LandscapeSwapsTheSheet)
{
    TrpVirtualPrinter p("v", "");
    p.Init();
    p.SetViewParams(8, 0, 0, true);
    EXPECT_EQ(p.PaperSize(), 8);
    EXPECT_EQ(p.PaperWidth(), 420);
    EXPECT_EQ(p.PaperHeight(), 297);
    EXPECT_TRUE(p.Orientation());
}

TEST(VirtualPrinter, CustomAndUnknownCodesKeepTheGivenSize)
{
    TrpVirtualPrinter p("v", "");
    p.Init();
    p.SetViewParams(256, 100, 50, false);
    EXPECT_EQ(p.PaperSize(), 256);
    EXPECT_EQ(p.PaperWidth(), 100);
    EXPECT_EQ(p.PaperHeight(), 50);
    p.SetViewParams(48, 120, 80, true);
    EXPECT_EQ(p.PaperSize(), 256);
    EXPECT_EQ(p.PaperWidth(), 120);
    EXPECT_EQ(p.PaperHeight(), 80);
    EXPECT_EQ(p.LeftMargin(), 5);
}

// ---- The list

TEST(PrinterList, SelectsTheDefaultQueueAndInitialisesOnlyIt)
{
    FakeSpooler s = TwoQueues();
    TrpPrinters list(s);
    EXPECT_TRUE(list.HasPhysicalPrinters());
    EXPECT_EQ(list.Printers(), (std::vector<std::string>{"Front Desk", "Warehouse"}));
    EXPECT_EQ(list.PrinterIndex(), 1);
    EXPECT_TRUE(list.Items(1)->Initialized());
    EXPECT_FALSE(list.Items(0)->Initialized());
    EXPECT_EQ(s.capabilityCalls, 1);
    list.SetPrinterIndex(1);  // already read: not asked again
    EXPECT_EQ(s.capabilityCalls, 1);
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

TEST(PrinterList, PortIsTheLocationNeverTheDeviceAddress)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    s.queueList[0].queue.location = "2nd floor";
    TrpPrinters list(s);
    EXPECT_EQ(list.Items(0)->Port(), "2nd floor");
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

TEST(PrinterList, AQueueWithoutPapersIsNotValid)
{
    ScriptedUi boxes(1);
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Empty", true));
    s.queueList[0].capabilities.media.clear();
    TrpPrinters list(s);
    EXPECT_FALSE(list.GetCurrentPrinter()->Initialized());
    EXPECT_EQ(boxes.messages(), (std::vector<std::string>{"Printer selected is not valid"}));
}

// ---- A queue's papers, bins and settings

TEST(QueuePrinter, PapersMapToTableCodesBySize)
{
    FakeSpooler s;
    FakeSpooler::Queue q = FakeSpooler::StandardQueue("Q", true);
    q.capabilities.media.push_back({"iso_a4_210x297mm_borderless", "", 20990, 29704, 0, 0, 0, 0});
    q.capabilities.media.push_back({"custom_100x150mm", "Label 100x150", 10000, 15000, 100, 100, 100, 100});
    q.capabilities.media.push_back({"om_odd_90x90mm", "", 9000, 9000, 0, 0, 0, 0});
    s.queueList.push_back(q);
    TrpPrinters list(s);
    const TrpCustomPrinter& p = *list.GetCurrentPrinter();
    std::vector<std::pair<std::string, int32_t>> papers;
    for (const TrpListItem& i : p.Papers()) papers.emplace_back(i.Name, i.Code);
    EXPECT_EQ(papers, (std::vector<std::pair<std::string, int32_t>>{
                          {"自定", 256}, {"A4", 9}, {"Letter", 1}, {"A5", 11}, {"Label 100x150", 257},
                          {"om_odd_90x90mm", 258}}));
    EXPECT_EQ(p.DefPaper(), 9);
    EXPECT_EQ(p.DPI().X, 600);
}

TEST(QueuePrinter, SizesAndMarginsInWholeMillimetres)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(s);
    TrpCustomPrinter& p = *list.GetCurrentPrinter();
    EXPECT_EQ(p.PaperWidth(), 210);
    EXPECT_EQ(p.PaperHeight(), 297);
    EXPECT_EQ(p.LeftMargin(), 4);  // 4.23 mm
    EXPECT_EQ(p.TopMargin(), 4);
    EXPECT_EQ(p.RightMargin(), 4);   // 210 - round(201.54) - 4
    EXPECT_EQ(p.BottomMargin(), 4);  // 297 - round(288.54) - 4
    p.SetViewParams(1, 0, 0, false);
    EXPECT_EQ(p.PaperSize(), 1);
    EXPECT_EQ(p.PaperWidth(), 216);
    EXPECT_EQ(p.PaperHeight(), 279);
    EXPECT_EQ(p.LeftMargin(), 6);
    EXPECT_EQ(p.TopMargin(), 13);
    p.SetViewParams(1, 0, 0, true);  // landscape: the sheet's left edge is the top
    EXPECT_EQ(p.PaperWidth(), 279);
    EXPECT_EQ(p.PaperHeight(), 216);
    EXPECT_EQ(p.TopMargin(), 6);
    EXPECT_EQ(p.LeftMargin(), 13);
    EXPECT_TRUE(p.Orientation());
}

TEST(QueuePrinter, CustomSizeSelectsA4FirstThenReportsTheGivenSize)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(s);
    TrpCustomPrinter& p = *list.GetCurrentPrinter();
    p.SetViewParams(1, 0, 0, false);
    p.SetViewParams(256, 100, 50, false);
    EXPECT_EQ(p.PaperSize(), 256);
    EXPECT_EQ(p.PaperWidth(), 100);
    EXPECT_EQ(p.PaperHeight(), 50);
    EXPECT_EQ(p.LeftMargin(), 4);  // A4's, not Letter's
    EXPECT_EQ(p.TopMargin(), 4);
}

TEST(QueuePrinter, TableCodeTheQueueLacksIsAskedForBySize)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(s);
    TrpCustomPrinter& p = *list.GetCurrentPrinter();
    p.SetViewParams(8, 0, 0, false);  // A3
    EXPECT_EQ(p.PaperSize(), 8);
    EXPECT_EQ(p.PaperWidth(), 297);
    EXPECT_EQ(p.PaperHeight(), 420);
}

TEST(QueuePrinter, BinsAndDuplexDefaultsFromTheQueue)
{
    FakeSpooler s;
    FakeSpooler::Queue q = FakeSpooler::StandardQueue("Q", true);
    q.capabilities.sources.push_back({"large-capacity", ""});
    q.capabilities.sources.push_back({"tray-9", "Ninth tray"});
    q.capabilities.sources.push_back({"envelope", ""});
    q.capabilities.defaultSides = "two-sided-short-edge";
    s.queueList.push_back(q);
    TrpPrinters list(s);
    const TrpCustomPrinter& p = *list.GetCurrentPrinter();
    std::vector<std::pair<std::string, int32_t>> bins;
    for (const TrpListItem& i : p.Bins()) bins.emplace_back(i.Name, i.Code);
    EXPECT_EQ(bins, (std::vector<std::pair<std::string, int32_t>>{{"预设", 7},
                                                                  {"Upper tray", 1},
                                                                  {"Bottom", 2},
                                                                  {"Manual", 4},
                                                                  {"Large capacity", 11},
                                                                  {"Ninth tray", 257},
                                                                  {"Envelope", 5}}));
    EXPECT_EQ(p.DefBin(), 1);
    EXPECT_EQ(p.DefDuplex(), 3);
}

TEST(QueuePrinter, NoTwoSidedSupportMeansSimplexAndNoSidesSent)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    s.queueList[0].capabilities.sides.clear();
    s.queueList[0].capabilities.defaultSides.clear();
    TrpPrinters list(s);
    TrpPrinter& p = PrinterAt(list, 0);
    EXPECT_EQ(p.DefDuplex(), 1);
    EXPECT_TRUE(p.DuplexModes().empty());
    EXPECT_EQ(p.SidesKeyword(2), "");
}

TEST(QueuePrinter, PropertiesDialogOffersTheQueueChoicesAndLastsOneDocument)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(s);
    TrpPrinter& p = PrinterAt(list, 0);
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

TEST(QueuePrinter, CancelledPropertiesDialogChangesNothing)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(s);
    TrpPrinter& p = PrinterAt(list, 0);
    ScriptedUi ui;
    ui.services().expectModal(QStringLiteral("TrpPrinterPropertiesDialog"), int(QDialog::Rejected));
    EXPECT_FALSE(p.ShowPropertiesDialog());
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);
}

TEST(QueuePrinter, PropertiesDialogLeavesDuplexAloneWhenUnchanged)
{
    FakeSpooler s;
    s.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(s);
    TrpPrinter& p = PrinterAt(list, 0);
    ScriptedUi ui;
    ui.services().expectModal(QStringLiteral("TrpPrinterPropertiesDialog"), [](QDialog& d) {
        d.findChild<QComboBox*>("BinCB")->setCurrentIndex(2);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(p.ShowPropertiesDialog());
    EXPECT_EQ(p.Bin(), 2);
    EXPECT_EQ(p.Duplex(), -1);
}
