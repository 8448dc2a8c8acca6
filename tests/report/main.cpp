// The report tests need a GUI application for images and dialogs; it runs
// on the offscreen platform so that nothing is shown.
#include <QApplication>

#include <gtest/gtest.h>

#include "CoreClasses.h"
#include "Canvas.h"
#include "FakeSpooler.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "rpClassRTTI.h"
#include "rpModel.h"
#include "rpPrinter.h"
#include "ScriptedUiServices.h"
#include "SerializerTestClasses.h"
#include "rpXMLSerializer.h"
#include "sc_tools.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    registerCoreClasses();
    scRegisterStandardLanguages();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    registerSerializerTestClasses();
    registerReportModel();
    // Report scripts see every module, the report classes among them.
    registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>});
    // No print server in tests: the virtual printer stands in.
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    // A box no test expects fails that test instead of waiting for a click.
    gui::ScriptedUiServices unexpected;
    unexpected.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    gui::ScopedUi scope(unexpected);
    return RUN_ALL_TESTS();
}
