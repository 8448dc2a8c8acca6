#pragma once
// The tests' private PostgreSQL server (started by pg_server.sh as a ctest
// fixture) and a fresh database on it for each test, owned by an ordinary
// role as an office's would be. Where the server could not start, a test
// is skipped with the reason.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "Database.h"

#ifndef DORVAK_TEST_PG_DIR
#error "DORVAK_TEST_PG_DIR names the folder of the tests' server"
#endif

namespace pgtest {

inline std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    std::string t = s.str();
    while (!t.empty() && (t.back() == '\n' || t.back() == ' ')) t.pop_back();
    return t;
}

// The server's connection text (as its superuser), or nothing with the
// reason it is missing.
inline std::optional<std::string> ServerConnection(std::string* why = nullptr)
{
    // A server of one's own (pg_server.sh start DIR) may stand in.
    const char* own = std::getenv("DORVAK_TEST_PG_DIR");
    const std::string dir = own && *own ? own : DORVAK_TEST_PG_DIR;
    const std::string conn = readText(dir + "/conninfo");
    if (!conn.empty()) return conn;
    if (why) {
        *why = readText(dir + "/skip");
        if (why->empty()) *why = "the tests' PostgreSQL server is not running (ctest starts it: tests/db/pg_server.sh)";
    }
    return std::nullopt;
}

// The role an office's program logs in as: no superuser.
inline constexpr const char* kOfficeRole = "dorvak_office";

// A database of its own, dropped when the object goes.
class TempDatabase {
public:
    TempDatabase()
    {
        auto server = ServerConnection(&why_);
        if (!server) return;
        admin_ = *server;
        static std::atomic<int> counter{0};
        std::random_device rd;
        name_ = "t_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + std::to_string(rd() % 1000000);
        db::Database admin(admin_, db::Database::OpenMode::ReadWrite);
        // Several test programs may make the role at once.
        try {
            admin.executeScript(std::string("CREATE ROLE ") + kOfficeRole + " LOGIN");
        } catch (const EDatabaseError&) {
        }
        admin.executeScript("CREATE DATABASE " + name_ + " OWNER " + kOfficeRole);
        connection_ = "host=" + param("host") + " port=" + param("port") + " user=" + kOfficeRole + " dbname=" + name_;
    }
    ~TempDatabase()
    {
        if (name_.empty() || admin_.empty()) return;
        try {
            db::Database admin(admin_, db::Database::OpenMode::ReadWrite);
            admin.executeScript("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        } catch (const EDatabaseError&) {
        }
    }
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    bool ok() const { return !connection_.empty(); }
    const std::string& why() const { return why_; }
    // The connection text the program is given.
    const std::string& connection() const { return connection_; }
    const std::string& name() const { return name_; }
    // The same database as the server's superuser (to break things).
    std::string adminConnection() const { return admin_.substr(0, admin_.find("dbname=")) + "dbname=" + name_; }

private:
    std::string param(const std::string& key) const
    {
        const auto at = admin_.find(key + "=");
        if (at == std::string::npos) return {};
        const auto start = at + key.size() + 1;
        return admin_.substr(start, admin_.find(' ', start) - start);
    }
    std::string admin_;
    std::string name_;
    std::string connection_;
    std::string why_;
};

// Ends every other connection to the database, as a restarted server does,
// and returns once their processes are gone: pg_terminate_backend only
// signals, and a statement sent meanwhile could still reach a backend on
// its way out.
inline void DropOtherConnections(const std::string& adminConnection)
{
    db::Database admin(adminConnection, db::Database::OpenMode::ReadWrite);
    const std::string others = " FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()";
    for (int round = 0; round < 100; ++round) {
        // Each call waits up to 10 s for its process to exit.
        admin.scalar("SELECT COUNT(pg_terminate_backend(pid, 10000))" + others);
        if (admin.scalar("SELECT COUNT(*)" + others).asInt64() == 0) return;
        usleep(50000);
    }
    ADD_FAILURE() << "the other connections to the database did not end";
}

}  // namespace pgtest

// Skips the test where the server is not there, naming the reason.
#define PG_TEST_DATABASE(var)                                    \
    pgtest::TempDatabase var;                                    \
    if (!var.ok()) GTEST_SKIP() << "PostgreSQL: " << var.why()
