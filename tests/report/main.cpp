// The report tests need a GUI application for images and dialogs; it runs
// on the offscreen platform so that nothing is shown.
#include <QApplication>

#include <gtest/gtest.h>

#include "FakeSpooler.h"
#include "ScriptedUiServices.h"
#include "SerializerTestClasses.h"
#include "rpPrinter.h"
#include "rpStartup.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // The report core as the program starts it: report scripts see every
    // module of the core, the report classes among them.
    registerReportSystem({.aboveReportCore = false});
    registerSerializerTestClasses();
    // No print server in tests: the virtual printer stands in.
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    // A box no test expects fails that test instead of waiting for a click.
    gui::ScriptedUiServices unexpected;
    unexpected.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    gui::ScopedUi scope(unexpected);
    return RUN_ALL_TESTS();
}
