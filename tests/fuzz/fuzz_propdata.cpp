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

// The report itself, or a new object of the class on it.
template <class T>
T* objectOn(TrpReport& report)
{
    if constexpr (std::is_same_v<T, TrpReport>) return &report;
    else return new T(&report);
}

template <class T>
void check(const std::string& propData)
{
    TrpReport owner;
    T* object = objectOn<T>(owner);
    // Read as a report file is read: setters that follow each other (a
    // paper width after a paper size) wait for the end.
    TrpXMLSerializer reader;
    object->SetLoadingFlag(true);
    try {
        reader.ReadProps(&owner, object, "PropData=\"" + propData + "\"");
    } catch (const Exception&) {
        return;  // refused
    }
    object->SetLoadingFlag(false);
    TrpXMLSerializer writer;
    writer.Owner = &owner;
    const std::string written = writer.ObjToXML(object);
    TrpReport owner2;
    T* fresh = objectOn<T>(owner2);
    TrpXMLSerializer again;
    again.Owner = &owner2;
    const size_t blank = written.find(' ');
    fresh->SetLoadingFlag(true);
    try {
        again.ReadProps(&owner2, fresh, blank == std::string::npos ? std::string() : written.substr(blank + 1));
        fresh->SetLoadingFlag(false);
    } catch (const Exception& e) {
        FUZZ_CHECK(false, std::string("what an object wrote does not read: ") + e.what() + "\n" + written);
    }
    TrpXMLSerializer last;
    last.Owner = &owner2;
    const std::string rewritten = last.ObjToXML(fresh);
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
