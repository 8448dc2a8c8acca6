// Dot-matrix pages through the engine: a bottom frame line takes the
// character row below the text, and the prepared pages come back as
// dot-matrix pages.

#include <gtest/gtest.h>

#include "FakeSpooler.h"
#include "Streams.h"
#include "rpBands.h"
#include "rpDMPClass.h"
#include "rpEngine.h"
#include "rpPreviewPages.h"
#include "rpPrinter.h"
#include "rpReport.h"

TEST(DMPEngine, ABottomFrameLineTakesTheRowBelowTheText)
{
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    {
        TrpReport report;
        report.EngineOptions()->BackgroundMode = true;
        report.EngineOptions()->NewSilentMode = simSilent;
        auto* page = new TrpDMPPage(&report);
        page->SetName("Page1");
        page->SetDefaults();
        auto* band = new TrpMasterData(page);
        band->SetName("Rows");
        band->SetBounds(0, 0, 768, 68);
        band->SetRowCount(2);
        band->Stretched = true;
        auto* framed = new TrpDMPMemoView(band);
        framed->SetName("Framed");
        framed->SetBounds(0, 0, 96, 34);
        framed->SetText(u"x");
        framed->Frame()->SetTyp(TrpFrameTyp{ftBottom});
        auto* filler = new TrpDMPMemoView(band);
        filler->SetName("Filler");
        filler->SetBounds(192, 0, 96, 17);
        filler->SetStretchMode(smMaxHeight);
        filler->Frame()->SetTyp(TrpFrameTyp{ftBottom});
        ASSERT_TRUE(report.PrepareReport(true)) << report.Errors.Text();
        auto& pages = *static_cast<TrpPreviewPages*>(report.PreviewPages());
        const std::shared_ptr<TrpReportPage> built = pages.GetPage(0);
        ASSERT_TRUE(dynamic_cast<TrpDMPPage*>(built.get()));
        ASSERT_EQ(built->Objects().size(), 2u);
        // Two rows of text and the row of the frame line: 51 units a band.
        const TrpComponent* second = built->Objects()[1];
        EXPECT_EQ(second->Top(), 51);
        EXPECT_EQ(second->Height(), 51);
        // Grown to the band's bottom, less the row of its own frame line.
        EXPECT_EQ(second->Objects()[1]->Height(), 34);
    }
    SetPrintersSpooler(nullptr);
}

TEST(DMPEngine, CommandBytesSurvivePreparedPagesAndTheFile)
{
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    {
        const std::string codes("\x1B@\x1B" "C\x00\x0B\x80\xFF\r\n\x0C", 11);
        TrpReport report;
        report.EngineOptions()->BackgroundMode = true;
        report.EngineOptions()->NewSilentMode = simSilent;
        auto* page = new TrpDMPPage(&report);
        page->SetName("Page1");
        page->SetDefaults();
        auto* band = new TrpMasterData(page);
        band->SetName("Rows");
        band->SetBounds(0, 0, 768, 17);
        band->SetRowCount(3);
        auto* command = new TrpDMPCommand(band);
        command->SetName("Cmd1");
        command->Command = codes;
        ASSERT_TRUE(report.PrepareReport(true)) << report.Errors.Text();

        auto commandOf = [](TrpCustomPreviewPages& pages, int row) {
            const std::shared_ptr<TrpReportPage> built = pages.GetPage(0);
            const auto* copy = dynamic_cast<const TrpDMPCommand*>(built->Objects().at(row)->Objects().at(0));
            return copy ? copy->Command : std::string("no command");
        };
        EXPECT_EQ(commandOf(*report.PreviewPages(), 2), codes);

        TStringStream file;
        report.PreviewPages()->SaveToStream(file);
        TrpReport reader;
        file.SetPosition(0);
        reader.PreviewPages()->LoadFromStream(file);
        ASSERT_EQ(reader.PreviewPages()->GetCount(), 1);
        EXPECT_EQ(commandOf(*reader.PreviewPages(), 0), codes);
        EXPECT_EQ(commandOf(*reader.PreviewPages(), 2), codes);
    }
    SetPrintersSpooler(nullptr);
}
