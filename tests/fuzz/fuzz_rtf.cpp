// The RTF reader and writer: the input is an RTF file. What the reader
// makes of it is laid out (pictures, objects and all), and the writer's
// output reads back to the same document and bytes.
#include <QAbstractTextDocumentLayout>

#include <cstdint>
#include <string>

#include "FuzzGui.h"
#include "RichTestSupport.h"

FUZZ_START(fuzz_support::ensureGuiApplication())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 262144) return 0;
    const std::string rtf(fuzz_support::bytes(data, size));
    const std::unique_ptr<QTextDocument> doc = richtest::Read(rtf);
    doc->setTextWidth(600);
    doc->documentLayout()->documentSize();
    const std::string failure = richtest::CheckStable(rtf);
    FUZZ_CHECK(failure.empty(), failure);
    return 0;
}
