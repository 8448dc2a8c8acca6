// The script bindings over Qt run headless, with every module registered
// once as the program's start-up does (the report classes and the
// dot-matrix objects among them), and printers from a fake spooler.
#include <gtest/gtest.h>

#include <QApplication>

#include "Canvas.h"
#include "CoreClasses.h"
#include "FakeSpooler.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "rpClassRTTI.h"
#include "rpDMPClass.h"
#include "rpModel.h"
#include "rpPrinter.h"
#include "sc_tools.h"

namespace {

class Registrations : public ::testing::Environment {
public:
    void SetUp() override
    {
        scRegisterStandardLanguages();
        registerCoreClasses();
        registerCanvasClasses();
        registerPictureClasses();
        registerReportModel();
        registerDMPClasses();
        registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>});
        auto spooler = std::make_unique<FakeSpooler>();
        spooler->queueList = {FakeSpooler::StandardQueue("Office", true), FakeSpooler::StandardQueue("Label")};
        SetPrintersSpooler(std::move(spooler));
    }
    void TearDown() override
    {
        SetPrintersSpooler(nullptr);
        unregisterScriptModules();
        unregisterDMPClasses();
        unregisterReportModel();
        unregisterPictureClasses();
        unregisterCanvasClasses();
        unregisterCoreClasses();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Registrations);
    return RUN_ALL_TESTS();
}
