#pragma once
// Runs the program's start-up in a temporary working folder with scripted
// UI services and a pinned adapter address; tears every form down after.

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AppCommon.h"
#include "DATAM.h"
#include "NetworkAddress.h"
#include "ScriptedUiServices.h"
#include "Startup.h"

class AppFixture : public ::testing::Test {
protected:
    static inline const QString kMac = QStringLiteral("00-1A-2B-3C-4D-5E");

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        scope.emplace(ui);
        ui.setFailureHandler([](const QString& s) { ADD_FAILURE() << s.toStdString(); });
        gui::SetAdapterAddressProvider([] { return kMac; });
        app::ResetTerminated();
    }

    void TearDown() override
    {
        app::DestroyForms();
        gui::SetAdapterAddressProvider({});
        scope.reset();
        QDir::setCurrent(previous);
        EXPECT_EQ(ui.pending(), 0) << "script lines left unused";
    }

    void start() { app::CreateForms(); }

    // Writes rows into the database file before the program starts.
    void seed(const std::vector<std::pair<std::string, db::Params>>& statements)
    {
        TDM dm;
        dm.Connect();
        for (const auto& [sql, params] : statements) dm.Write(sql, params);
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    QString previous;
    gui::ScriptedUiServices ui;
    std::optional<gui::ScopedUi> scope;
};
