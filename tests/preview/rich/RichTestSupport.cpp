#include "RichTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QTextBlock>

#include <climits>

#include "RecordingCanvas.h"
#include "rpRichDump.h"
#include "rpRichEdit.h"
#include "rpRichFormat.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"

namespace richtest {

std::string CorpusPath(const std::string& name)
{
    return std::string(RICH_TEST_DATA) + "/corpus/" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(RICH_TEST_DATA) + "/corpus"))
        if (entry.path().extension() == ".rtf") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::unique_ptr<QTextDocument> Read(const std::string& rtf)
{
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    if (!ReadRtf(rtf, *doc)) doc = rich::NewRichDocument();
    return doc;
}

std::string Dump(const std::string& rtf)
{
    return DumpRichDocument(*Read(rtf));
}

namespace {

uint32_t next(uint32_t& seed)
{
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

}  // namespace

std::string Mutate(const std::string& input, uint32_t& seed)
{
    static const char* const words[] = {
        "{", "}", "\\", "\\'", "\\'8", "\\bin99999999 ", "\\bin-5 ", "\\bin3 ", "\\u-1?", "\\u70000?", "\\uc9",
        "\\uc-3", "{\\*\\x ", "{\\pict\\pngblip ", "{\\pict\\emfblip 0102", "\\par", "{\\object ", "{\\field{\\*\\fldinst ",
        "{\\fldrslt ", "{\\fonttbl{\\f9\\fcharset134 \\'cb;}}", "\\f9", "\\fcharset999 ", "\\cf99", "\\fs-4",
        "\\fs999999", "\\li-99999", "\\tx-1", "\\pard", "\\plain", "{\\*\\pn\\pnlvlblt}", "\\ls7", "\\'81",
        "\\'ff\\'fe", "{\\result ", "\\line", "\\tab", "\xe4\xb8", "\\sl-99999\\slmult1", "{{{{{{{{", "}}}}}}}}",
        "\\pnstart", "\\pnstart0 ", "\\pnstart-7 ", "\\pnstart99999 ", "{\\pn\\pnstart}", "{\\*\\pn\\pnlvlbody\\pndec\\pnstart5 ",
        "\\pnlvlcont", "\\pnucrm", "\\pnlcltr", "{\\pn}", "{\\\n\\pn}", "\\cell ", "\\row ", "\\intbl ", "\\trowd",
        "\\cellx1000", "\\cellx-5", "\\cellx99999999", "\\clmgf", "\\clmrg", "\\clvmgf", "\\clvmrg", "\\nestcell",
        "\\itap2", "\\trgaph99999", "{\\*\\nesttableprops\\trowd\\cellx9\\nestrow}", "\\clbrdrt\\brdrdb\\brdrw9999",
        "\\clcbpat1\\clshdng20000", "\\tldot\\tx500", "\\trowd\\cellx500\\intbl a\\cell b\\cell\\row "};
    std::string s = input;
    const int steps = 1 + static_cast<int>(next(seed) % 4);
    for (int i = 0; i < steps; ++i) {
        const size_t at = s.empty() ? 0 : next(seed) % (s.size() + 1);
        switch (next(seed) % 6) {
        case 0:
            if (!s.empty()) s[std::min(at, s.size() - 1)] = static_cast<char>(next(seed) & 0xFF);
            break;
        case 1: s.insert(at, words[next(seed) % std::size(words)]); break;
        case 2: s.erase(at, next(seed) % 64); break;
        case 3: {
            const size_t from = s.empty() ? 0 : next(seed) % s.size();
            s.insert(at, s.substr(from, next(seed) % 128));
            break;
        }
        case 4: s.resize(at); break;
        default: s.insert(at, std::string(1, "{}\\;"[next(seed) % 4])); break;
        }
    }
    return s;
}

std::string CheckStable(const std::string& data)
{
    const std::unique_ptr<QTextDocument> first = Read(data);
    const std::string w1 = WriteRtf(*first);
    const std::unique_ptr<QTextDocument> second = Read(w1);
    const std::string w2 = WriteRtf(*second);
    if (w1 != w2) return "written twice, the RTF differs";
    if (DumpRichDocument(*first) != DumpRichDocument(*second)) return "read back, the document differs";
    return {};
}

int Format(TReCustomRichEdit& e, int from, int width, int height, TFormatRange* out, const TRichTarget* target)
{
    TFormatRange r;
    r.cpMin = from;
    r.rc = Rect(0, 0, width, height);
    const int next = e.FormatRange(r, target);
    if (out) *out = r;
    return next;
}

std::vector<rich::TRichChar> Attributes(const QTextDocument& doc)
{
    std::vector<rich::TRichChar> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            out.insert(out.end(), static_cast<size_t>(it.fragment().length()), rich::FromCharFormat(it.fragment().charFormat()));
    return out;
}

std::vector<int> LineStarts(const TRecordingCanvas& canvas)
{
    std::vector<int> xs;
    int y = INT_MIN;
    for (const TCanvasRecord& r : canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut && r.points[0].Y != y) {
            xs.push_back(r.points[0].X);
            y = r.points[0].Y;
        }
    return xs;
}

}  // namespace richtest
