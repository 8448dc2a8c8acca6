// The report XML reader and writer, and the serializer behind reports: the
// input is a report file. What the reader takes, the writer writes so that
// it reads back to the same tree; a report loaded from it (with whatever
// errors) saves to a file that loads and saves again unchanged.
#include <cstdint>
#include <string>

#include "Exceptions.h"
#include "FuzzReport.h"
#include "Streams.h"
#include "rpReport.h"
#include "rpXML.h"

namespace {

std::string save(TrpXMLDocument& doc)
{
    TStringStream out;
    doc.SaveToStream(out);
    return out.DataString();
}

bool load(TrpXMLDocument& doc, const std::string& text)
{
    TStringStream in(text);
    try {
        doc.LoadFromStream(in);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

std::string saveReport(const std::string& text)
{
    TrpReport report;
    TStringStream in(text);
    report.LoadFromStream(in);
    TStringStream out;
    report.SaveToStream(out);
    return out.DataString();
}

}  // namespace

FUZZ_START(startReportTarget())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 262144) return 0;
    const std::string text(fuzz_support::bytes(data, size));
    TrpXMLDocument doc;
    if (load(doc, text)) {
        const std::string once = save(doc);
        TrpXMLDocument again;
        FUZZ_CHECK(load(again, once), "our own file does not read:\n" + once);
        FUZZ_CHECK(save(again) == once, "written twice, the file differs:\n" + once);
    }
    try {
        const std::string first = saveReport(text);
        const std::string second = saveReport(first);
        FUZZ_CHECK(saveReport(second) == second, "a saved report saves differently:\n" + second);
    } catch (const Exception&) {
        // Loading raised (a report's error mode may): an answer.
    }
    return 0;
}
