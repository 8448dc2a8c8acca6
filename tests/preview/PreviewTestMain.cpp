#include <QApplication>
#include <gtest/gtest.h>

#include "ScriptedUiServices.h"
#include "rpStartup.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // As the program starts: reports compile their scripts, which see every
    // module, and the printers take their texts from the string table.
    registerReportSystem();
    // No test may block on a real box: anything a test did not script fails it.
    gui::ScriptedUiServices unexpected;
    unexpected.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
    gui::ScopedUi scope(unexpected);
    return RUN_ALL_TESTS();
}
