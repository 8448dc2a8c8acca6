#pragma once
// The start and end every report tool shares: its command line read (a
// wrong one is the usage line and exit code 2), an offscreen application
// with the report system registered, its run guarded (an error is one line
// on standard error and exit code 1), standard output checked, and the
// optional time limit "--timeout SECONDS".
//
// When the limit passes, the tool's stop action runs in the main thread
// as soon as that thread lets messages through (a report's Terminated, the
// preview's cancel); a run that ends then ends with exit code 1. A run that
// lets nothing through (a script looping without ProcessMessages, a report
// prepared in the background) is ended by the watchdog two seconds later.

#include <QApplication>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SysUtils.h"
#include "ToolOutput.h"
#include "rpReport.h"
#include "rpStartup.h"

class ReportTool {
public:
    ReportTool(const char* name, const char* usage) : name_(name), usage_(usage) {}
    ~ReportTool() { stopWatchdog(); }
    ReportTool(const ReportTool&) = delete;
    ReportTool& operator=(const ReportTool&) = delete;

    const char* Name() const { return name_; }
    // "name: text" on standard error.
    void Error(const std::string& text) const { std::fprintf(stderr, "%s: %s\n", name_, text.c_str()); }

    // What the end of the time limit asks of the run; nothing when unset.
    void OnTimeout(std::function<void()> stop) { stop_ = std::move(stop); }
    bool TimedOut() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return expired_;
    }

    // A report whose own script set Terminated stopped before its end: an
    // error line, true, and the run is a failure (the time limit, which
    // stops it too, has its own line).
    bool StoppedByScript(const TrpReport& report) const
    {
        if (!report.TerminatedByScript || TimedOut()) return false;
        Error("stopped by the report's script");
        return true;
    }

    // Reads a file through `read`; an error that does not name the file
    // gets its name in front, as every error of the tools names its file.
    template <class Read>
    static void ReadFile(const std::string& file, Read read)
    {
        try {
            read();
        } catch (const std::exception& e) {
            const std::string message = e.what();
            if (message.find(file) != std::string::npos) throw;
            throw Exception(file + ": " + message);
        }
    }

    // parse gets the arguments without the program's name and without
    // --timeout; false is a wrong command line.
    int Main(int argc, char** argv, const std::function<bool(const std::vector<std::string>&)>& parse,
             const std::function<int()>& run)
    {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a != "--timeout") {
                args.push_back(a);
                continue;
            }
            if (i + 1 >= argc || !TryStrToFloat(argv[++i], seconds_) || !(seconds_ > 0 && seconds_ <= 1e6))
                return usage();
        }
        if (!parse(args)) return usage();
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        registerReportSystem();
        if (seconds_ > 0) startWatchdog();
        int status = 1;
        try {
            status = run();
        } catch (const std::exception& e) {
            Error(ExceptionText(e));
            status = 1;
        }
        stop_ = nullptr;
        stopWatchdog();
        if (TimedOut()) {
            Error(timeoutText());
            status = 1;
        }
        return FinishStandardOutput(name_, status);
    }

private:
    int usage() const
    {
        std::fputs(usage_, stderr);
        return 2;
    }

    std::string timeoutText() const
    {
        return "stopped: the time limit of " + FloatToStr(seconds_) + " s passed (--timeout)";
    }

    void startWatchdog()
    {
        watchdog_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            const auto limit = std::chrono::duration<Extended>(seconds_);
            if (done_.wait_for(lock, limit, [this] { return finished_; })) return;
            expired_ = true;
            QMetaObject::invokeMethod(
                qApp,
                [this] {
                    if (stop_) stop_();
                },
                Qt::QueuedConnection);
            if (done_.wait_for(lock, std::chrono::seconds(2), [this] { return finished_; })) return;
            // Nothing let the stop through: the process ends here.
            const std::string line = std::string(name_) + ": " + timeoutText() + "\n";
            [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
            ::_exit(1);
        });
    }

    void stopWatchdog()
    {
        if (!watchdog_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_one();
        watchdog_.join();
    }

    const char* name_;
    const char* usage_;
    Extended seconds_ = 0;
    std::function<void()> stop_;
    std::thread watchdog_;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool expired_ = false;
};
