// rtfdump FILE.rtf [--write OUT.rtf]
// Prints the structural dump of an RTF file as our reader sees it (one line
// per paragraph, then its runs, pictures and kept groups) and, with
// --write, writes the document back in our RTF dialect.
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "../common/ToolOutput.h"
#include "Streams.h"
#include "rpRichDump.h"
#include "rpRichFormat.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: rtfdump FILE.rtf [--write OUT.rtf]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::string input;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--write" && i + 1 < argc && output.empty()) {
            output = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && input.empty()) {
            input = arg;
        } else {
            return usage();
        }
    }
    if (input.empty()) return usage();

    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "rtfdump: cannot open %s: %s\n", input.c_str(), std::strerror(errno));
        return 1;
    }
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    if (!ReadRtf(data, *doc)) {
        std::fprintf(stderr, "rtfdump: %s is not RTF\n", input.c_str());
        return 1;
    }
    const std::string dump = DumpRichDocument(*doc);
    std::fwrite(dump.data(), 1, dump.size(), stdout);
    if (!output.empty()) {
        const std::string rtf = WriteRtf(*doc);
        try {
            TSaveFileStream out(output);
            out.WriteBuffer(rtf.data(), static_cast<int64_t>(rtf.size()));
            out.Commit();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "rtfdump: %s\n", e.what());
            return FinishStandardOutput("rtfdump", 1);
        }
    }
    return FinishStandardOutput("rtfdump", 0);
}
