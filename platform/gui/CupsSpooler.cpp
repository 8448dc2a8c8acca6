#include "CupsSpooler.h"

#include <cups/cups.h>
#include <cups/pwg.h>

#include <set>

namespace {

// Long enough for a busy scheduler, short enough that a dead one does not
// freeze the program.
constexpr int ConnectTimeoutMs = 10000;

std::string text(const char* s) { return s ? std::string(s) : std::string(); }

[[noreturn]] void raiseCups(const std::string& what)
{
    std::string reason = text(cupsLastErrorString());
    throw ESpoolerError(reason.empty() ? what : what + ": " + reason);
}

// A named destination with its connection and capabilities, released together.
class Destination {
public:
    explicit Destination(const std::string& name)
    {
        dest_ = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
        if (!dest_) raiseCups("Printer \"" + name + "\" is not available");
        http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectTimeoutMs,
                             nullptr);
        if (!http_) raiseCups("Cannot reach the print server for \"" + name + "\"");
        info_ = cupsCopyDestInfo(http_, dest_);
        if (!info_) raiseCups("Cannot read the capabilities of printer \"" + name + "\"");
    }
    ~Destination()
    {
        if (info_) cupsFreeDestInfo(info_);
        if (http_) httpClose(http_);
        if (dest_) cupsFreeDests(1, dest_);
    }
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    http_t* http() const { return http_; }
    cups_dest_t* dest() const { return dest_; }
    cups_dinfo_t* info() const { return info_; }
    const char* name() const { return dest_->name; }

    std::vector<std::string> supported(const char* option) const
    {
        std::vector<std::string> values;
        if (ipp_attribute_t* a = cupsFindDestSupported(http_, dest_, info_, option)) {
            for (int i = 0; i < ippGetCount(a); ++i) values.push_back(text(ippGetString(a, i, nullptr)));
        }
        return values;
    }
    std::string defaultValue(const char* option) const
    {
        ipp_attribute_t* a = cupsFindDestDefault(http_, dest_, info_, option);
        return a && ippGetCount(a) > 0 ? text(ippGetString(a, 0, nullptr)) : std::string();
    }
    // The spooler's localisation, or empty when it only echoes the keyword.
    std::string localized(const char* option, const std::string& value) const
    {
        std::string s = text(cupsLocalizeDestValue(http_, dest_, info_, option, value.c_str()));
        return s == value ? std::string() : s;
    }

private:
    cups_dest_t* dest_ = nullptr;
    http_t* http_ = nullptr;
    cups_dinfo_t* info_ = nullptr;
};

bool succeeded(ipp_status_t status) { return status < IPP_STATUS_REDIRECTION_OTHER_SITE; }

class CupsJob : public SpoolerJob {
public:
    CupsJob(const std::string& queue, const SpoolerJobOptions& options, SpoolerFormat format) : dest_(queue)
    {
        cups_option_t* opts = nullptr;
        int count = 0;
        auto add = [&](const char* name, const std::string& value) {
            if (!value.empty()) count = cupsAddOption(name, value.c_str(), count, &opts);
        };
        add(CUPS_MEDIA, options.media);
        add(CUPS_MEDIA_SOURCE, options.source);
        add(CUPS_SIDES, options.sides);
        // Copies are always drawn into the document itself: never ask the
        // spooler for more, or the count would be squared.
        const std::string title = options.title;
        ipp_status_t status =
            cupsCreateDestJob(dest_.http(), dest_.dest(), dest_.info(), &jobId_, title.c_str(), count, opts);
        if (!succeeded(status) || jobId_ <= 0) {
            cupsFreeOptions(count, opts);
            raiseCups("Printer \"" + queue + "\" refused the job");
        }
        const char* mime = format == SpoolerFormat::Pdf ? "application/pdf" : CUPS_FORMAT_RAW;
        http_status_t started = cupsStartDestDocument(dest_.http(), dest_.dest(), dest_.info(), jobId_,
                                                      title.c_str(), mime, 0, nullptr, 1);
        cupsFreeOptions(count, opts);
        if (started != HTTP_STATUS_CONTINUE) fail("Printer \"" + queue + "\" refused the job");
    }
    ~CupsJob() override
    {
        if (!done_) cancel();
    }

    void write(const char* data, std::size_t size) override
    {
        if (done_) throw ESpoolerError("The print job is already closed");
        if (size == 0) return;
        if (cupsWriteRequestData(dest_.http(), data, size) != HTTP_STATUS_CONTINUE)
            fail(std::string("Sending the job to printer \"") + dest_.name() + "\" failed");
    }

    void finish() override
    {
        if (done_) throw ESpoolerError("The print job is already closed");
        ipp_status_t status = cupsFinishDestDocument(dest_.http(), dest_.dest(), dest_.info());
        if (!succeeded(status)) fail(std::string("Printer \"") + dest_.name() + "\" refused the job");
        done_ = true;
    }

    void cancel() noexcept override
    {
        if (done_) return;
        done_ = true;
        // Our own connection may be in the middle of the document request:
        // cancel over the default one.
        if (jobId_ > 0) cupsCancelJob2(CUPS_HTTP_DEFAULT, dest_.name(), jobId_, 0);
    }

private:
    [[noreturn]] void fail(const std::string& what)
    {
        std::string reason = text(cupsLastErrorString());
        cancel();
        throw ESpoolerError(reason.empty() ? what : what + ": " + reason);
    }

    Destination dest_;
    int jobId_ = 0;
    bool done_ = false;
};

}  // namespace

std::vector<SpoolerQueue> CupsSpooler::queues()
{
    std::vector<SpoolerQueue> result;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i) {
        const cups_dest_t& d = dests[i];
        // Instances are saved option sets of one queue, not printers.
        if (d.instance) continue;
        SpoolerQueue q;
        q.name = text(d.name);
        q.location = text(cupsGetOption("printer-location", d.num_options, d.options));
        q.isDefault = d.is_default != 0;
        result.push_back(std::move(q));
    }
    cupsFreeDests(count, dests);
    return result;
}

SpoolerCapabilities CupsSpooler::capabilities(const std::string& queue)
{
    Destination d(queue);
    SpoolerCapabilities caps;
    std::set<std::string> seen;
    const int count = cupsGetDestMediaCount(d.http(), d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size{};
        if (!cupsGetDestMediaByIndex(d.http(), d.dest(), d.info(), i, CUPS_MEDIA_FLAGS_DEFAULT, &size)) continue;
        if (!seen.insert(size.media).second) continue;
        SpoolerMedia m;
        m.keyword = size.media;
        m.displayName = text(cupsLocalizeDestMedia(d.http(), d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT, &size));
        m.width = size.width;
        m.length = size.length;
        m.left = size.left;
        m.bottom = size.bottom;
        m.right = size.right;
        m.top = size.top;
        caps.media.push_back(std::move(m));
    }
    // cupsGetDestMediaDefault falls back to a locale guess; the queue's own
    // "media-default" is what the driver set.
    caps.defaultMedia = d.defaultValue(CUPS_MEDIA);
    if (caps.defaultMedia.empty()) {
        cups_size_t size{};
        if (cupsGetDestMediaDefault(d.http(), d.dest(), d.info(), CUPS_MEDIA_FLAGS_DEFAULT, &size))
            caps.defaultMedia = size.media;
    }
    for (const std::string& s : d.supported(CUPS_MEDIA_SOURCE))
        caps.sources.push_back({s, d.localized(CUPS_MEDIA_SOURCE, s)});
    caps.defaultSource = d.defaultValue(CUPS_MEDIA_SOURCE);
    caps.sides = d.supported(CUPS_SIDES);
    caps.defaultSides = d.defaultValue(CUPS_SIDES);
    return caps;
}

std::unique_ptr<SpoolerJob> CupsSpooler::startJob(const std::string& queue, const SpoolerJobOptions& options,
                                                  SpoolerFormat format)
{
    return std::make_unique<CupsJob>(queue, options, format);
}

std::string CupsSpooler::mediaKeywordForSize(int width, int length)
{
    if (pwg_media_t* known = pwgMediaForSize(width, length)) return known->pwg;
    char keyword[128];
    if (!pwgFormatSizeName(keyword, sizeof keyword, "custom", nullptr, width, length, nullptr)) return {};
    return keyword;
}
