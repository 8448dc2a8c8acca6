// The application's tests run the real forms headless, each in a fresh
// working folder, with every box answered from a script.
#include <gtest/gtest.h>

#include "FakeSpooler.h"
#include "Guard.h"
#include "Startup.h"
#include "rpPrinter.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    gui::GuardedApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    app::StartReportSystem();
    // No print server in tests: the stand-in printer prints to files.
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    return RUN_ALL_TESTS();
}
