#pragma once
// A spooler held in memory, for tests and for runs without a print server:
// queues with the capabilities a test gives them; jobs are kept whole.

#include <memory>

#include "Spooler.h"

class FakeSpooler : public Spooler {
public:
    struct Queue {
        SpoolerQueue queue;
        SpoolerCapabilities capabilities;
        bool refuseJobs = false;  // startJob raises
        bool failOnFinish = false;  // the job is refused when it is complete
    };
    struct Job {
        std::string queue;
        SpoolerJobOptions options;
        SpoolerFormat format = SpoolerFormat::Pdf;
        std::string data;
        bool finished = false;
        bool cancelled = false;
    };

    // A queue with A4 (the default), Letter and A5, 4.23 mm margins, the trays
    // auto/top/bottom/manual and the three two-sided modes.
    static Queue StandardQueue(const std::string& name, bool isDefault = false);

    std::vector<Queue> queueList;
    std::vector<std::shared_ptr<Job>> jobs;  // in the order they were started
    int capabilityCalls = 0;

    std::vector<SpoolerQueue> queues() override;
    SpoolerCapabilities capabilities(const std::string& queue) override;
    std::unique_ptr<SpoolerJob> startJob(const std::string& queue, const SpoolerJobOptions& options,
                                         SpoolerFormat format) override;
    std::string mediaKeywordForSize(int width, int length) override;

private:
    Queue& find(const std::string& name);
};
