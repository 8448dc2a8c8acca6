#pragma once
// The spooler over libcups. The server is the one libcups is pointed at
// (CUPS_SERVER, client.conf, the local scheduler).

#include "Spooler.h"

class CupsSpooler : public Spooler {
public:
    std::vector<SpoolerQueue> queues() override;
    SpoolerCapabilities capabilities(const std::string& queue) override;
    std::unique_ptr<SpoolerJob> startJob(const std::string& queue, const SpoolerJobOptions& options,
                                         SpoolerFormat format) override;
    std::string mediaKeywordForSize(int width, int length) override;
};
