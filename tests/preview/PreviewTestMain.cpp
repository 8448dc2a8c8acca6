#include <QApplication>
#include <gtest/gtest.h>

#include "Canvas.h"
#include "CoreClasses.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "ScriptedUiServices.h"
#include "rpClassRTTI.h"
#include "rpDMPClass.h"
#include "rpModel.h"
#include "rpRes.h"
#include "rpRich.h"
#include "rpRichRTTI.h"
#include "rpXMLSerializer.h"
#include "sc_tools.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    registerCoreClasses();
    // Reports compile their scripts when they are prepared.
    scRegisterStandardLanguages();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    registerReportModel();
    // The printers take their texts from the string table.
    registerPrinterTexts();
    registerDMPClasses();
    registerRichUnit();
    // Report scripts see every module, the report classes among them.
    registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>, .richText = rpRichScriptModule});
    // No test may block on a real box: anything a test did not script fails it.
    gui::ScriptedUiServices unexpected;
    unexpected.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
    gui::ScopedUi scope(unexpected);
    return RUN_ALL_TESTS();
}
