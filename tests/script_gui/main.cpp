// The script bindings over Qt run headless, with every module registered
// once by the program's start-up routine (the report classes, the
// dot-matrix and rich-text objects among them), and printers from a fake
// spooler.
#include <gtest/gtest.h>

#include <QApplication>

#include "FakeSpooler.h"
#include "rpPrinter.h"
#include "rpStartup.h"

namespace {

class Registrations : public ::testing::Environment {
public:
    void SetUp() override
    {
        registerReportSystem();
        auto spooler = std::make_unique<FakeSpooler>();
        spooler->queueList = {FakeSpooler::StandardQueue("Office", true), FakeSpooler::StandardQueue("Label")};
        SetPrintersSpooler(std::move(spooler));
    }
    void TearDown() override { SetPrintersSpooler(nullptr); }
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
