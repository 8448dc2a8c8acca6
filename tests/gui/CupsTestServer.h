#pragma once
// A private CUPS scheduler for tests: its own folder under $TMPDIR, socket
// and file-writing backend, with queues from the hand-written CupsTest.ppd
// (A4, Letter, A5, Envelope #10 and an odd size; trays
// auto/top/bottom/manual/tray-9; one- and two-sided). It dies with the
// process that started it. libcups in this process is pointed at it. Jobs
// land as <outputDir>/<queue>-<job id>.bin with the job's options beside
// them in .opts.

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class CupsTestServer {
public:
    CupsTestServer() = default;
    ~CupsTestServer();
    CupsTestServer(const CupsTestServer&) = delete;
    CupsTestServer& operator=(const CupsTestServer&) = delete;

    // False with the reason when cupsd is missing or does not come up.
    // With system filters the queues convert jobs with the installed CUPS
    // filters (cups-filters), as a real queue does.
    bool start(std::string& reason, bool systemFilters = false);
    void stop();
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& rootDir() const { return root_; }

    // A raw queue has no driver file: no papers, trays or sides of its own.
    // Other queues take CupsTest.ppd, or the driver file given.
    bool addQueue(const std::string& name, const std::string& location, bool makeDefault, std::string& reason,
                  bool raw = false, const std::string& ppd = {});
    // Runs a CUPS command-line tool against this server (cupsreject ...).
    bool runTool(const std::vector<std::string>& args, std::string& reason);

    const std::string& socketPath() const { return socket_; }
    const std::string& outputDir() const { return output_; }
    // The files that jobs of a queue produced so far, oldest first.
    std::vector<std::string> jobFiles(const std::string& queue) const;
    // The options line of the queue's job at `index` (oldest first).
    std::string jobOptions(const std::string& queue, std::size_t index) const;
    // Waits (bounded) until the queue has produced `count` jobs; returns the
    // content of the last one.
    std::optional<std::string> waitForJob(const std::string& queue, std::size_t count) const;
    static std::string readFile(const std::string& path);

private:
    std::string root_;
    std::string socket_;
    std::string output_;
    pid_t pid_ = 0;
};

struct CupsQueueSpec {
    std::string name;
    std::string location;
    bool isDefault = false;
    bool raw = false;
    std::string ppd;  // empty: CupsTest.ppd
};

// Base of a suite that prints through one private scheduler: SetUpTestSuite
// calls StartServer with its queues, TearDownTestSuite StopServer; tests
// skip with the reason when the scheduler cannot run here.
class CupsServerTest : public ::testing::Test {
protected:
    static void StartServer(std::initializer_list<CupsQueueSpec> queues, bool systemFilters = false);
    static void StopServer();
    void SetUp() override;

    static CupsTestServer* server_;
    static std::string skipReason_;
};
