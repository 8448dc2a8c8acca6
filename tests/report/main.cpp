// The report tests need a GUI application for images and dialogs; it runs
// on the offscreen platform so that nothing is shown.
#include <QApplication>

#include <gtest/gtest.h>

#include "CoreClasses.h"
#include "Canvas.h"
#include "FakeSpooler.h"
#include "Pictures.h"
#include "rpModel.h"
#include "rpPrinter.h"
#include "SerializerTestClasses.h"
#include "rpXMLSerializer.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    registerSerializerTestClasses();
    registerReportModel();
    // No print server in tests: the virtual printer stands in.
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    return RUN_ALL_TESTS();
}
