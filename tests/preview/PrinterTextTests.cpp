#include <gtest/gtest.h>

#include "FakeSpooler.h"
#include "rpPrinter.h"
#include "rpPrinterUi.h"
#include "rpRes.h"

TEST(PrinterText, FromTheStringTableOnceInstalled)
{
    // The layer holds no texts of its own.
    SetPrinterTextProvider(nullptr);
    EXPECT_EQ(PrinterText("prVirtual"), "prVirtual");
    EXPECT_EQ(PrinterText("201"), "201");

    registerReportResources();
    EXPECT_EQ(PrinterText("201"), "打印机");
    EXPECT_EQ(PrinterText("mbError"), "错误");
    EXPECT_EQ(PrinterText("noSuchKey"), "noSuchKey");
    FakeSpooler none;
    TrpPrinters printers(none);
    EXPECT_EQ(printers.GetCurrentPrinter()->Name(), "虚拟");
    EXPECT_EQ(printers.GetCurrentPrinter()->Papers().front().Name, "自定");
    EXPECT_EQ(printers.GetCurrentPrinter()->Bins().front().Name, "预设");
}
