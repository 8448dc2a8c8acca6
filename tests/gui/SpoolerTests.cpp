// The CUPS spooler, without a scheduler and against a private one.
#include <gtest/gtest.h>

#include <cups/cups.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "CupsSpooler.h"
#include "CupsTestServer.h"

extern char** environ;

namespace {

const SpoolerMedia* findMedia(const SpoolerCapabilities& caps, const std::string& keyword)
{
    for (const SpoolerMedia& m : caps.media)
        if (m.keyword == keyword) return &m;
    return nullptr;
}

}  // namespace

// ---- CUPS

TEST(CupsSpoolerNoServer, NoSchedulerMeansNoQueues)
{
    setenv("CUPS_SERVER", "/nonexistent/dorvak/cups.sock", 1);
    cupsSetServer("/nonexistent/dorvak/cups.sock");
    CupsSpooler spooler;
    EXPECT_TRUE(spooler.queues().empty());
    EXPECT_THROW(spooler.capabilities("TestQ"), ESpoolerError);
    EXPECT_THROW(spooler.startJob("TestQ", {}, SpoolerFormat::Pdf), ESpoolerError);
}

TEST(CupsSpoolerNoServer, MediaKeywordsBySize)
{
    CupsSpooler spooler;
    EXPECT_EQ(spooler.mediaKeywordForSize(21000, 29700), "iso_a4_210x297mm");
    EXPECT_EQ(spooler.mediaKeywordForSize(10000, 5000), "custom_100x50mm_100x50mm");
}

class CupsSpoolerTest : public CupsServerTest {
protected:
    static void SetUpTestSuite() { StartServer({{"TestQ", "Room 12", true}, {"Other", "Hall", false}}); }
    static void TearDownTestSuite() { StopServer(); }

    CupsSpooler spooler_;
};

TEST_F(CupsSpoolerTest, ListsQueuesWithLocationAndDefault)
{
    std::vector<SpoolerQueue> queues = spooler_.queues();
    ASSERT_EQ(queues.size(), 2u);
    auto testQ = std::find_if(queues.begin(), queues.end(), [](const SpoolerQueue& q) { return q.name == "TestQ"; });
    ASSERT_NE(testQ, queues.end());
    EXPECT_TRUE(testQ->isDefault);
    EXPECT_EQ(testQ->location, "Room 12");
}

TEST_F(CupsSpoolerTest, ReportsPapersMarginsTraysAndSides)
{
    SpoolerCapabilities caps = spooler_.capabilities("TestQ");
    const SpoolerMedia* a4 = findMedia(caps, "iso_a4_210x297mm");
    ASSERT_NE(a4, nullptr);
    EXPECT_NEAR(a4->width, 21000, 100);
    EXPECT_NEAR(a4->length, 29700, 100);
    EXPECT_EQ(a4->left, 423);  // 12 pt
    EXPECT_EQ(a4->top, 423);
    const SpoolerMedia* letter = findMedia(caps, "na_letter_8.5x11in");
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(letter->left, 635);
    EXPECT_EQ(letter->bottom, 1270);
    EXPECT_NE(findMedia(caps, "iso_a5_148x210mm"), nullptr);
    EXPECT_EQ(caps.media.size(), 5u);
    EXPECT_EQ(caps.defaultMedia, "iso_a4_210x297mm");

    std::vector<std::string> sources;
    for (const SpoolerChoice& c : caps.sources) sources.push_back(c.keyword);
    EXPECT_EQ(sources, (std::vector<std::string>{"auto", "top", "bottom", "manual", "tray-9"}));
    EXPECT_EQ(caps.sides,
              (std::vector<std::string>{"one-sided", "two-sided-long-edge", "two-sided-short-edge"}));
    EXPECT_EQ(caps.defaultSides, "one-sided");
}

TEST_F(CupsSpoolerTest, PdfJobArrivesByteForByteWithItsOptions)
{
    std::string pdf = "%PDF-1.4\n";
    for (int i = 0; i < 200000; ++i) pdf.push_back(static_cast<char>(i * 7));
    pdf += "\n%%EOF\n";
    auto job = spooler_.startJob("Other", {"Order 1", "iso_a5_148x210mm", "manual", "two-sided-long-edge"},
                                 SpoolerFormat::Pdf);
    job->write(pdf.data(), 100000);
    job->write(pdf.data() + 100000, pdf.size() - 100000);
    job->finish();
    std::optional<std::string> arrived = server_->waitForJob("Other", 1);
    ASSERT_TRUE(arrived.has_value());
    EXPECT_TRUE(*arrived == pdf) << "job differs: " << arrived->size() << " bytes";
    const std::string opts = server_->jobOptions("Other", 0);
    EXPECT_NE(opts.find("media=iso_a5_148x210mm"), std::string::npos) << opts;
    EXPECT_NE(opts.find("sides=two-sided-long-edge"), std::string::npos) << opts;
    EXPECT_NE(opts.find("media-source=manual"), std::string::npos) << opts;
}

TEST_F(CupsSpoolerTest, RawJobArrivesUnchanged)
{
    static constexpr char kRaw[] = "\x1b@\x1b\x45\x01Hello\r\n\f\0tail";
    const std::string raw(kRaw, sizeof kRaw - 1);  // with the NUL inside, without the terminator
    auto job = spooler_.startJob("TestQ", {"raw", {}, {}, {}}, SpoolerFormat::Raw);
    job->write(raw.data(), raw.size());
    job->finish();
    std::optional<std::string> arrived = server_->waitForJob("TestQ", 1);
    ASSERT_TRUE(arrived.has_value());
    EXPECT_EQ(*arrived, raw);
}

TEST_F(CupsSpoolerTest, RefusingOrUnknownQueuesRaise)
{
    EXPECT_THROW(spooler_.capabilities("NoSuchQueue"), ESpoolerError);
    std::string reason;
    ASSERT_TRUE(server_->runTool({"cupsreject", "Other"}, reason)) << reason;
    EXPECT_THROW(spooler_.startJob("Other", {"x", {}, {}, {}}, SpoolerFormat::Pdf), ESpoolerError);
    ASSERT_TRUE(server_->runTool({"cupsaccept", "Other"}, reason)) << reason;
}

// ---- The private scheduler itself

namespace {

// "Z" for a zombie, "" when the process is gone.
std::string processState(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return {};
    const size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? std::string() : line.substr(close + 2, 1);
}

}  // namespace

// The test runs itself again as the holder: a process that starts a
// scheduler, reports it and waits to be killed.
TEST(CupsTestServerLife, DiesWithTheProcessThatStartedIt)
{
    if (const char* report = std::getenv("DORVAK_CUPS_HOLDER")) {
        CupsTestServer server;
        std::string reason;
        std::ofstream out(std::string(report) + ".part");
        if (server.start(reason))
            out << "up " << server.pid() << ' ' << getpgid(server.pid()) << ' ' << server.rootDir() << '\n';
        else
            out << "skip " << reason << '\n';
        out.close();
        std::filesystem::rename(std::string(report) + ".part", report);
        for (;;) pause();
    }

    namespace fs = std::filesystem;
    const fs::path tmp = fs::temp_directory_path() / ("cups-life-" + std::to_string(getpid()));
    fs::create_directories(tmp);
    const std::string report = (tmp / "report").string();
    const std::string holderEnv = "DORVAK_CUPS_HOLDER=" + report, tmpEnv = "TMPDIR=" + tmp.string();
    std::vector<std::string> env{holderEnv, tmpEnv};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TMPDIR=", 7) != 0 && std::strncmp(*e, "DORVAK_CUPS_HOLDER=", 19) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = fs::read_symlink("/proc/self/exe").string(), filter = "--gtest_filter=CupsTestServerLife.*";
    char* argv[] = {self.data(), filter.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t holder = 0;
    ASSERT_EQ(posix_spawn(&holder, self.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Bounds, not speed checks.
    for (int i = 0; i < 400 && !fs::exists(report); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(report);
    std::string word;
    in >> word;
    pid_t cupsd = 0, group = 0;
    std::string root;
    if (word == "up") in >> cupsd >> group >> root;
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    if (word == "skip") {
        fs::remove_all(tmp);
        GTEST_SKIP() << std::string(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(word, "up") << "the holder did not report";
    EXPECT_EQ(group, cupsd) << "cupsd leads a process group of its own";
    EXPECT_EQ(fs::path(root).parent_path(), tmp) << root;
    std::string state = processState(cupsd);
    for (int i = 0; i < 200 && !state.empty() && state != "Z"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        state = processState(cupsd);
    }
    EXPECT_TRUE(state.empty() || state == "Z") << "cupsd " << cupsd << " outlived its test (state " << state << ")";
    if (!state.empty() && state != "Z") kill(cupsd, SIGKILL);
    fs::remove_all(tmp);
}
