#pragma once
// The console report, remembering each benchmark's wall time per iteration
// (in its own unit) and its counters, so that a program can print ratios to
// its peers.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            times[r.benchmark_name()] = r.GetAdjustedRealTime();
            for (const auto& [name, counter] : r.counters) counters[r.benchmark_name()][name] = counter.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // The time of the first benchmark whose name starts so; 0 when none ran.
    double Time(const std::string& prefix) const
    {
        for (const auto& [name, t] : times)
            if (name.rfind(prefix, 0) == 0) return t;
        return 0;
    }
    // A counter of the first benchmark whose name starts so; 0 when none.
    double Counter(const std::string& prefix, const std::string& counter) const
    {
        for (const auto& [name, values] : counters) {
            if (name.rfind(prefix, 0) != 0) continue;
            const auto it = values.find(counter);
            return it == values.end() ? 0 : it->second;
        }
        return 0;
    }
    std::map<std::string, double> times;
    std::map<std::string, std::map<std::string, double>> counters;
};
