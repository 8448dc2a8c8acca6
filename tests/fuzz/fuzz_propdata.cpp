// The "PropData" records of report objects: the input is the binary data
// of one, given to a report (datasets, variables, style), a picture view
// and a page (pictures) and a memo (its lines) as report XML would. Each
// object then writes itself, and what it wrote reads into a fresh object
// of its class that writes the same again.
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>

#include "Exceptions.h"
#include "FuzzReport.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpReport.h"

namespace {

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// Two reports made once and used for every input: making a report adds
// every script module to its script, which took nearly all of an input's
// time (34 inputs a second under the sanitizers).
TrpReport& reportOf(int which)
{
    static TrpReport* const reports[2] = {new TrpReport, new TrpReport};
    return *reports[which];
}

// The report itself, emptied as a new one is, or a new object of the class
// on it, freed with the holder.
template <class T>
struct OnReport {
    explicit OnReport(TrpReport& report)
    {
        if constexpr (std::is_same_v<T, TrpReport>) {
            report.Clear();
            object = &report;
        } else {
            owned.reset(new T(&report));
            object = owned.get();
        }
    }
    T* object;
    std::unique_ptr<T> owned;
};

// Read as a report file is read: setters that follow each other (a paper
// width after a paper size) wait for the end, whatever happens.
void readProps(TrpReport& owner, TrpComponent* object, std::string_view text)
{
    struct Loading {
        TrpComponent* object;
        ~Loading() { object->SetLoadingFlag(false); }
    } loading{object};
    object->SetLoadingFlag(true);
    TrpXMLSerializer reader;
    reader.Owner = &owner;
    reader.ReadProps(&owner, object, text);
}

template <class T>
void check(const std::string& propData)
{
    TrpReport& owner = reportOf(0);
    OnReport<T> first(owner);
    try {
        readProps(owner, first.object, "PropData=\"" + propData + "\"");
    } catch (const Exception&) {
        return;  // refused
    }
    TrpXMLSerializer writer;
    writer.Owner = &owner;
    const std::string written = writer.ObjToXML(first.object);
    TrpReport& owner2 = reportOf(1);
    OnReport<T> fresh(owner2);
    const size_t blank = written.find(' ');
    try {
        readProps(owner2, fresh.object, blank == std::string::npos ? std::string() : written.substr(blank + 1));
    } catch (const Exception& e) {
        FUZZ_CHECK(false, std::string("what an object wrote does not read: ") + e.what() + "\n" + written);
    }
    TrpXMLSerializer last;
    last.Owner = &owner2;
    const std::string rewritten = last.ObjToXML(fresh.object);
    FUZZ_CHECK(rewritten == written, "read back, the object writes differently:\n" + written + "\n" + rewritten);
}

}  // namespace

FUZZ_START(startReportTarget())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536) return 0;
    const std::string propData = hex(fuzz_support::bytes(data, size));
    check<TrpReport>(propData);
    check<TrpPictureView>(propData);
    check<TrpReportPage>(propData);
    check<TrpMemoView>(propData);
    return 0;
}
