#pragma once
// The main of the application's benchmark programs: a headless application
// object around the run, the report system registered as the program
// registers it, and no box waited on; `done` frees what the benchmarks built
// while that object still exists (Qt objects must not outlive it). A
// reporter of one's own (RatioReporter) sees the runs.

#include <benchmark/benchmark.h>

#include <QApplication>

#include <functional>

#include "NoBoxes.h"
#include "Startup.h"

inline int RunAppBenchmarks(int argc, char** argv, const std::function<void()>& done = {},
                            benchmark::BenchmarkReporter* reporter = nullptr)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    app::StartReportSystem();
    NoBoxes noBoxes;
    benchmark::RunSpecifiedBenchmarks(reporter);
    benchmark::Shutdown();
    if (done) done();
    return noBoxes.exitCode();
}
