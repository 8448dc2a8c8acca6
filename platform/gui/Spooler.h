#pragma once
// The printing system as the printer layer sees it: queues with their papers,
// trays and two-sided modes, and jobs that either arrive whole or fail with a
// message. CUPS in production (CupsSpooler.h), a fake in tests (FakeSpooler.h).

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Exceptions.h"

// A refused or broken job, an unreachable queue. The message is shown to users.
DORVAK_DECLARE_EXCEPTION(ESpoolerError, Exception)

// Sizes are hundredths of a millimetre, portrait, as the spooler reports them.
struct SpoolerMedia {
    std::string keyword;      // sent as the job's "media"
    std::string displayName;  // the spooler's own name; may be empty
    int width = 0;
    int length = 0;
    int left = 0;  // unprintable margins
    int bottom = 0;
    int right = 0;
    int top = 0;
};

struct SpoolerChoice {
    std::string keyword;
    std::string displayName;  // may be empty
};

struct SpoolerCapabilities {
    std::vector<SpoolerMedia> media;
    std::string defaultMedia;  // keyword; empty when the queue names none
    std::vector<SpoolerChoice> sources;  // "media-source" keywords
    std::string defaultSource;
    std::vector<std::string> sides;  // "one-sided", "two-sided-long-edge", ...
    std::string defaultSides;
};

struct SpoolerQueue {
    std::string name;
    std::string location;  // shown to users; never the device address
    bool isDefault = false;
};

enum class SpoolerFormat { Pdf, Raw };

// Empty fields are not sent: the queue's defaults apply.
struct SpoolerJobOptions {
    std::string title;
    std::string media;
    std::string source;
    std::string sides;
};

// One job being sent. Destroying a job that was not finished cancels it.
class SpoolerJob {
public:
    virtual ~SpoolerJob() = default;
    // Both raise ESpoolerError; after an error the job is cancelled.
    virtual void write(const char* data, std::size_t size) = 0;
    virtual void finish() = 0;
    virtual void cancel() noexcept = 0;
};

class Spooler {
public:
    virtual ~Spooler() = default;
    // Empty when there is no queue or no spooler running.
    virtual std::vector<SpoolerQueue> queues() = 0;
    // Raises ESpoolerError for an unknown or unreachable queue.
    virtual SpoolerCapabilities capabilities(const std::string& queue) = 0;
    // Raises ESpoolerError when the queue refuses the job.
    virtual std::unique_ptr<SpoolerJob> startJob(const std::string& queue, const SpoolerJobOptions& options,
                                                 SpoolerFormat format) = 0;
    // The "media" keyword for a size the queue does not list (hundredths of a mm).
    virtual std::string mediaKeywordForSize(int width, int length) = 0;
};
