#pragma once
// The dialogs' tests: the string table loaded, a printer list of two fake
// queues ("Q", the default, in "Office" with A4, Letter and A5 and every
// two-sided mode; "R" in "Store room" with A4 and Letter and no two-sided
// printing), and UI services that answer from the test's script.

#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>

#include <memory>

#include "FakeSpooler.h"
#include "ScriptedUiServices.h"
#include "rpPrinter.h"
#include "rpRes.h"

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerReportResources();
        auto spooler = std::make_unique<FakeSpooler>();
        spooler->queueList.push_back(FakeSpooler::StandardQueue("Q", true));
        FakeSpooler::Queue r = FakeSpooler::StandardQueue("R");
        r.queue.location = "Store room";
        r.capabilities.media.pop_back();
        r.capabilities.sides.clear();
        r.capabilities.defaultSides.clear();
        spooler->queueList.push_back(r);
        queues = spooler.get();
        SetPrintersSpooler(std::move(spooler));
        ui.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
        previous_ = gui::setUi(&ui);
    }
    void TearDown() override
    {
        gui::setUi(previous_);
        EXPECT_EQ(ui.pending(), 0) << "scripted interactions left over";
        SetPrintersSpooler(nullptr);
    }

    // The error box a refused field shows.
    void ExpectErrorBox(const QString& text = {}) { ui.expectMessage(gui::MsgResult::Ok, text, QStringLiteral("错误")); }

    gui::ScriptedUiServices ui;
    FakeSpooler* queues = nullptr;  // behind the printer list

private:
    gui::UiServices* previous_ = nullptr;
};

// Picks a list entry the way a click does (the "activated" handlers run).
template <class Combo>
void Choose(Combo* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}
