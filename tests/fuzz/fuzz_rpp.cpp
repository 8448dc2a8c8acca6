// The prepared-report file (.rpp): the input is such a file. A file that
// loads gives every page, draws every page and saves to a file that loads
// and saves again unchanged; a damaged one is refused with an error.
#include <QImage>

#include <cstdint>
#include <string>

#include "Exceptions.h"
#include "FuzzReport.h"
#include "QtCanvas.h"
#include "Streams.h"
#include "rpPreviewPages.h"
#include "rpReport.h"

namespace {

TrpPreviewPages& pagesOf(TrpReport& report) { return *static_cast<TrpPreviewPages*>(report.PreviewPages()); }

std::string resave(const std::string& text)
{
    TrpReport report;
    TStringStream in(text);
    pagesOf(report).LoadFromStream(in);
    TStringStream out;
    pagesOf(report).SaveToStream(out);
    return out.DataString();
}

}  // namespace

FUZZ_START(startReportTarget())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 262144) return 0;
    const std::string text(fuzz_support::bytes(data, size));
    try {
        TrpReport report;
        TrpPreviewPages& pages = pagesOf(report);
        TStringStream in(text);
        pages.LoadFromStream(in);
        QImage image(64, 64, QImage::Format_RGB32);
        for (int i = 0; i < pages.GetCount() && i < 50; ++i) {
            pages.GetPage(i);
            pages.GetPageSize(i);
            TQtCanvas canvas(image);
            pages.DrawPage(i, canvas, 0.1L, 0.1L, 0, 0);
        }
    } catch (const Exception&) {
        return 0;  // refused
    }
    const std::string once = resave(text);
    try {
        FUZZ_CHECK(resave(once) == once, "saved twice, the prepared report differs:\n" + once);
    } catch (const Exception& e) {
        FUZZ_CHECK(false, std::string("a file that loaded saves to one that does not: ") + e.what() + "\n" + once);
    }
    return 0;
}
