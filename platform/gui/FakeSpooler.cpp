#include "FakeSpooler.h"

#include "SysUtils.h"

namespace {

class FakeJob : public SpoolerJob {
public:
    FakeJob(std::shared_ptr<FakeSpooler::Job> job, bool failOnFinish) : job_(std::move(job)), failOnFinish_(failOnFinish) {}
    ~FakeJob() override { cancel(); }
    void write(const char* data, std::size_t size) override
    {
        if (job_->finished || job_->cancelled) throw ESpoolerError("The print job is already closed");
        job_->data.append(data, size);
    }
    void finish() override
    {
        if (job_->finished || job_->cancelled) throw ESpoolerError("The print job is already closed");
        if (failOnFinish_) {
            job_->cancelled = true;
            throw ESpoolerError("Printer \"" + job_->queue + "\" refused the job");
        }
        job_->finished = true;
    }
    void cancel() noexcept override
    {
        if (!job_->finished) job_->cancelled = true;
    }

private:
    std::shared_ptr<FakeSpooler::Job> job_;
    bool failOnFinish_;
};

}  // namespace

FakeSpooler::Queue FakeSpooler::StandardQueue(const std::string& name, bool isDefault)
{
    Queue q;
    q.queue = {name, "Office", isDefault};
    q.capabilities.media = {
        {"iso_a4_210x297mm", "A4", 21000, 29700, 423, 423, 423, 423},
        {"na_letter_8.5x11in", "Letter", 21590, 27940, 635, 1270, 635, 1270},
        {"iso_a5_148x210mm", "A5", 14800, 21000, 423, 423, 423, 423},
    };
    q.capabilities.defaultMedia = "iso_a4_210x297mm";
    q.capabilities.sources = {{"auto", ""}, {"top", "Upper tray"}, {"bottom", ""}, {"manual", ""}};
    q.capabilities.defaultSource = "top";
    q.capabilities.sides = {"one-sided", "two-sided-long-edge", "two-sided-short-edge"};
    q.capabilities.defaultSides = "one-sided";
    return q;
}

FakeSpooler::Queue& FakeSpooler::find(const std::string& name)
{
    for (Queue& q : queueList)
        if (q.queue.name == name) return q;
    throw ESpoolerError("Printer \"" + name + "\" is not available");
}

std::vector<SpoolerQueue> FakeSpooler::queues()
{
    std::vector<SpoolerQueue> result;
    for (const Queue& q : queueList) result.push_back(q.queue);
    return result;
}

SpoolerCapabilities FakeSpooler::capabilities(const std::string& queue)
{
    ++capabilityCalls;
    return find(queue).capabilities;
}

std::unique_ptr<SpoolerJob> FakeSpooler::startJob(const std::string& queue, const SpoolerJobOptions& options,
                                                  SpoolerFormat format)
{
    Queue& q = find(queue);
    if (q.refuseJobs) throw ESpoolerError("Printer \"" + queue + "\" is not accepting jobs");
    auto job = std::make_shared<Job>();
    job->queue = queue;
    job->options = options;
    job->format = format;
    jobs.push_back(job);
    return std::make_unique<FakeJob>(job, q.failOnFinish);
}

std::string FakeSpooler::mediaKeywordForSize(int width, int length)
{
    return "custom_" + IntToStr(width) + "x" + IntToStr(length);
}
