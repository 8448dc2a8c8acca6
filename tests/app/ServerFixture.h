#pragma once
// An application test with a fresh database on the tests' PostgreSQL server
// (skipped, with the reason, where there is none), and the run of a program
// as the user would run it.

#include <QProcess>

#include <cstdlib>
#include <memory>
#include <string>

#include "AppFixture.h"
#include "PgTestServer.h"

class ServerFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        server = std::make_unique<pgtest::TempDatabase>();
        if (!server->ok()) GTEST_SKIP() << "PostgreSQL: " << server->why();
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        unsetenv("DORVAK_DB");
        server.reset();
    }
    // The program's database from now on.
    void useServer() { setenv("DORVAK_DB", server->connection().c_str(), 1); }

    std::unique_ptr<pgtest::TempDatabase> server;
};

struct ProcessRun {
    int code = -1;  // -1: it did not end within a minute
    std::string out, err;
};

inline ProcessRun runProcess(const char* program, const QStringList& args)
{
    QProcess p;
    p.start(QString::fromUtf8(program), args);
    ProcessRun r;
    if (!p.waitForFinished(60000)) return r;
    r.code = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}
