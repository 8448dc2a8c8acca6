#include "CupsTestServer.h"

#include <cups/cups.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char* const CupsdPath = "/usr/sbin/cupsd";
const char* const CupsExec = "/usr/lib/cups/daemon/cups-exec";

// Writes each job whole (renamed into place when complete) with its options.
const char* const Backend = R"SH(#!/bin/sh
if [ $# -eq 0 ]; then echo 'direct capture "Unknown" "Job capture"'; exit 0; fi
out="${DEVICE_URI#capture:}/$PRINTER-$1"
printf '%s\n' "$5" > "$out.opts" || exit 1
if [ $# -ge 6 ]; then cat "$6" > "$out.part" || exit 1; else cat > "$out.part" || exit 1; fi
mv "$out.part" "$out.bin"
)SH";

bool writeFile(const fs::path& path, const std::string& text, fs::perms perms)
{
    std::ofstream f(path, std::ios::binary);
    f << text;
    f.close();
    if (!f) return false;
    std::error_code ec;
    fs::permissions(path, perms, ec);
    return !ec;
}

// Starts a program with its output dropped and its errors written to
// `errors`; 0 when it could not be started.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, const std::string& errors = "/dev/null")
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> envStore(extraEnv);
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT, 0644);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

// Starts the scheduler in a process group of its own (stop() ends the
// group) that is killed when this process ends, even by SIGKILL: a
// scheduler must never outlive the test that started it.
pid_t spawnDaemon(const std::vector<std::string>& args, const std::string& errors)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid < 0 ? 0 : pid;
    // The child: only async-signal-safe calls until exec.
    setpgid(0, 0);
    // The signal follows the thread that forked; the suites start their
    // scheduler on the main thread, which lives as long as the process.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the parent died before prctl
    const int out = open("/dev/null", O_WRONLY);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) dup2(out, 1);
    if (err >= 0) dup2(err, 2);
    execve(argv[0], argv.data(), environ);
    _exit(127);
}

// Runs a program to its end; its output is dropped.
int runProgram(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
{
    const pid_t pid = spawn(args, extraEnv);
    if (pid == 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

CupsTestServer::~CupsTestServer() { stop(); }

bool CupsTestServer::start(std::string& reason, bool systemFilters)
{
    if (access(CupsdPath, X_OK) != 0) {
        reason = "cupsd is not installed (package cups-daemon)";
        return false;
    }
    if (access(CupsExec, X_OK) != 0) {
        reason = "cups-exec is not installed (package cups-daemon)";
        return false;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string dirTemplate = (fs::path(tmp && *tmp ? tmp : "/tmp") / "dorvak-cups-XXXXXX").string();
    // The socket's path must fit a socket address.
    if (dirTemplate.size() + std::strlen("/cups.sock") >= sizeof(sockaddr_un{}.sun_path)) {
        reason = "the temporary folder's path is too long for a socket: " + dirTemplate;
        return false;
    }
    if (!mkdtemp(dirTemplate.data())) {
        reason = "cannot create a folder for cupsd in " + dirTemplate;
        return false;
    }
    root_ = dirTemplate;
    chmod(root_.c_str(), 0755);
    const fs::path root(root_);
    socket_ = (root / "cups.sock").string();
    output_ = (root / "out").string();
    for (const char* d : {"bin/backend", "bin/daemon", "bin/filter", "cache", "log", "spool", "state", "out"})
        fs::create_directories(root / d);
    // Jobs may run as another user; let them write their output.
    fs::permissions(root / "out", fs::perms::all);
    std::error_code ec;
    fs::create_symlink(CupsExec, root / "bin/daemon/cups-exec", ec);
    if (systemFilters)
        for (const auto& filter : fs::directory_iterator("/usr/lib/cups/filter", ec))
            fs::create_symlink(filter.path(), root / "bin/filter" / filter.path().filename(), ec);

    const std::string conf = "Listen " + socket_ +
                             "\nLogLevel warn\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n  </Limit>\n"
                             "</Policy>\n";
    const std::string files = "ServerRoot " + root_ + "\nServerBin " + root_ + "/bin\nCacheDir " + root_ +
                              "/cache\nStateDir " + root_ + "/state\nRequestRoot " + root_ + "/spool\nTempDir " +
                              root_ + "/spool\nAccessLog " + root_ + "/log/access_log\nErrorLog " + root_ +
                              "/log/error_log\nPageLog " + root_ + "/log/page_log\nFileDevice Yes\n"
                              "Sandboxing Relaxed\n";
    const auto rw = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    if (!writeFile(root / "cupsd.conf", conf, rw) || !writeFile(root / "cups-files.conf", files, rw) ||
        !writeFile(root / "bin/backend/capture", Backend, fs::perms::owner_all)) {
        reason = "cannot write the cupsd configuration";
        stop();
        return false;
    }

    pid_ = spawnDaemon({CupsdPath, "-f", "-c", (root / "cupsd.conf").string(), "-s", (root / "cups-files.conf").string()},
                       (root / "log/stderr").string());
    if (pid_ == 0) {
        reason = "cupsd could not be started";
        stop();
        return false;
    }

    // Up when the scheduler answers on its socket.
    setenv("CUPS_SERVER", socket_.c_str(), 1);
    cupsSetServer(socket_.c_str());
    for (int i = 0; i < 200; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            reason = "cupsd exited at start (see " + root_ + "/log)";
            return false;
        }
        if (fs::exists(socket_)) {
            if (http_t* http = httpConnect2(socket_.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 1000, nullptr)) {
                httpClose(http);
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    reason = "cupsd did not answer on its socket";
    stop();
    return false;
}

void CupsTestServer::stop()
{
    if (pid_ > 0) {
        // The whole group: the scheduler and whatever it started.
        kill(-pid_, SIGTERM);
        int status = 0;
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = waitpid(pid_, &status, WNOHANG) == pid_;
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!gone) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        kill(-pid_, SIGKILL);  // backends or filters left behind
        pid_ = 0;
    }
    if (!root_.empty()) {
        std::error_code ec;
        fs::remove_all(root_, ec);
        root_.clear();
    }
}

bool CupsTestServer::runTool(const std::vector<std::string>& args, std::string& reason)
{
    const int rc = runProgram(args, {"CUPS_SERVER=" + socket_});
    if (rc != 0) {
        reason = args.front() + " failed";
        return false;
    }
    return true;
}

bool CupsTestServer::addQueue(const std::string& name, const std::string& location, bool makeDefault,
                              std::string& reason, bool raw, const std::string& ppd)
{
    std::vector<std::string> args{"lpadmin", "-p", name, "-v", "capture:" + output_, "-L", location, "-E"};
    if (!raw) args.insert(args.begin() + 5, {"-P", ppd.empty() ? std::string(CUPS_TEST_PPD) : ppd});
    if (!runTool(args, reason)) return false;
    if (makeDefault && !runTool({"lpadmin", "-d", name}, reason)) return false;
    return true;
}

std::vector<std::string> CupsTestServer::jobFiles(const std::string& queue) const
{
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(output_, ec)) {
        const std::string file = entry.path().filename().string();
        const std::string prefix = queue + "-";
        if (file.rfind(prefix, 0) != 0 || entry.path().extension() != ".bin") continue;
        found.emplace_back(std::atoi(file.c_str() + prefix.size()), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> files;
    for (auto& f : found) files.push_back(f.second);
    return files;
}

std::string CupsTestServer::jobOptions(const std::string& queue, std::size_t index) const
{
    std::string file = jobFiles(queue).at(index);
    return readFile(file.replace(file.size() - 4, 4, ".opts"));
}

std::optional<std::string> CupsTestServer::waitForJob(const std::string& queue, std::size_t count) const
{
    // A bound, not a speed check: a job normally lands within a second.
    for (int i = 0; i < 600; ++i) {
        std::vector<std::string> files = jobFiles(queue);
        if (files.size() >= count) return readFile(files[count - 1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

std::string CupsTestServer::readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

CupsTestServer* CupsServerTest::server_ = nullptr;
std::string CupsServerTest::skipReason_;

void CupsServerTest::StartServer(std::initializer_list<CupsQueueSpec> queues, bool systemFilters)
{
    server_ = new CupsTestServer;
    skipReason_.clear();
    bool ok = server_->start(skipReason_, systemFilters);
    for (const CupsQueueSpec& q : queues)
        ok = ok && server_->addQueue(q.name, q.location, q.isDefault, skipReason_, q.raw, q.ppd);
    if (!ok) {
        skipReason_ = "private cupsd unavailable: " + skipReason_;
        server_->stop();
    }
}

void CupsServerTest::StopServer()
{
    delete server_;
    server_ = nullptr;
}

void CupsServerTest::SetUp()
{
    if (!server_ || !server_->running()) GTEST_SKIP() << skipReason_;
}
