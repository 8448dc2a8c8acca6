// The random-layout tests start the report system as the program does,
// rich text and all, on the offscreen platform.
#include <QApplication>

#include <gtest/gtest.h>

#include "FakeSpooler.h"
#include "rpPrinter.h"
#include "rpStartup.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    registerReportSystem();
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    return RUN_ALL_TESTS();
}
