// Rich text: our RTF reader and writer on documents of 2 KB, 100 KB and
// 1 MB (Chinese and Latin runs, formats, one PNG) beside Qt's HTML import
// and export of the same document; the height a report measures over a
// ten-page text beside the bare document layout; a split into pages, by
// the layer and by the rich-text object as the engine asks for parts,
// whose time per page should not grow with the number of pages; and
// 1,000 printed rich-text objects in the prepared pages beside as many
// text objects with the same text; a table read beside Qt's HTML import
// of it, and split into pages of whole rows.
// "x_peer" is our time over the peer's, both timed in the same iterations.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <map>
#include <memory>
#include <vector>
#include <string>

#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpRich.h"
#include "rpRichEdit.h"
#include "rpRichFormat.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

// Times op and peer in turn each iteration; the benchmark's time is op's.
// Returns op's total seconds.
template <class Op, class Peer>
double againstPeer(benchmark::State& state, Op op, Peer peer)
{
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        op();
        const auto t1 = Clock::now();
        peer();
        const auto t2 = Clock::now();
        const double o = std::chrono::duration<double>(t1 - t0).count();
        ours += o;
        theirs += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(o);
    }
    state.counters["x_peer"] = theirs > 0 ? ours / theirs : 0;
    return ours;
}

std::string pngHex()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(8, 8, 30, 20, Qt::blue);
    p.end();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data.toHex().toStdString();
}

// An order-sheet-like rich text of about `bytes` bytes, in our dialect.
std::string makeRtf(size_t bytes)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fnil\\fcharset134 "
                      "\\'cb\\'ce\\'cc\\'e5;}}{\\colortbl ;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}\\uc1\\pard\\qc"
                      "{\\pict\\pngblip\\picwgoal960\\pichgoal720 " + pngHex() + "}\\par\r\n";
    static const char* const aligns[] = {"", "\\qc", "\\qr", "\\qj\\li360\\fi-360"};
    for (int p = 0; rtf.size() < bytes; ++p) {
        rtf += std::string("\\pard") + aligns[p % 4] + "\\sa60 \\f1\\fs20 \\'b7\\'a2\\'bb\\'f5\\'b5\\'a5 "
               "\\f0\\b ZEZO-2024-" + std::to_string(p) + "\\b0  \\i order line\\i0  \\cf1 12.50\\cf0  "
               "\\f1 \\'bf\\'cd\\'bb\\'a7\\'a3\\'ba\\'c9\\'cf\\'ba\\'a3\\'ca\\'d0\\'c6\\'d6\\'b6\\'ab\\'d0\\'c2\\'c7\\'f8 "
               "\\f0\\ul contact\\ulnone  \\fs24\\cf2 123-4567\\cf0\\fs20  box x3 \\tab A4\\par\r\n";
    }
    rtf += "}";
    // Canonical form: what the writer makes of it.
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    ReadRtf(rtf, *doc);
    return WriteRtf(*doc);
}

struct Sample {
    std::string rtf;
    QString html;
};

const Sample& sample(size_t bytes)
{
    static std::map<size_t, Sample> samples;
    auto it = samples.find(bytes);
    if (it != samples.end()) return it->second;
    Sample s;
    s.rtf = makeRtf(bytes);
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    ReadRtf(s.rtf, *doc);
    s.html = doc->toHtml();
    return samples.emplace(bytes, std::move(s)).first->second;
}

void BM_RtfRead(benchmark::State& state)
{
    const Sample& s = sample(static_cast<size_t>(state.range(0)));
    againstPeer(
        state,
        [&] {
            std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
            ReadRtf(s.rtf, *doc);
            benchmark::DoNotOptimize(doc->characterCount());
        },
        [&] {
            std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
            doc->setHtml(s.html);
            benchmark::DoNotOptimize(doc->characterCount());
        });
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.rtf.size()));
}
BENCHMARK(BM_RtfRead)->Arg(2 << 10)->Arg(100 << 10)->Arg(1 << 20)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RtfWrite(benchmark::State& state)
{
    const Sample& s = sample(static_cast<size_t>(state.range(0)));
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    ReadRtf(s.rtf, *doc);
    againstPeer(
        state, [&] { benchmark::DoNotOptimize(WriteRtf(*doc).size()); },
        [&] { benchmark::DoNotOptimize(doc->toHtml().size()); });
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.rtf.size()));
}
BENCHMARK(BM_RtfWrite)->Arg(2 << 10)->Arg(100 << 10)->Arg(1 << 20)->UseManualTime()->Unit(benchmark::kMillisecond);

// Pages of text 6 inches wide.
constexpr int kWidthTwips = 6 * 1440;

std::string pagesOfText(int pages)
{
    std::string body = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset134 SimSun;}}\\f0\\fs20 ";
    // About 28 of these paragraphs fill a page of 9 inches at 6.
    for (int p = 0; p < pages * 28; ++p)
        body += "Order " + std::to_string(p) + " \\f1\\u23458?\\u25143?\\f0  shipped to the warehouse at the east gate, "
                "{\\b three boxes} of screws and one of washers, paid in full.\\par ";
    return body + "}";
}

void BM_CalcHeight10Pages(benchmark::State& state)
{
    TReRichEdit edit;
    edit.LoadRtf(pagesOfText(10));
    std::unique_ptr<QTextDocument> bare(edit.CloneDocument());
    bare->setTextWidth(kWidthTwips / 15.0);
    int64_t height = 0;
    againstPeer(
        state,
        [&] {
            // Laid out anew each time, as a new band's content would be.
            edit.Document().markContentsDirty(0, edit.Document().characterCount());
            height = edit.MeasureTextHeight(kWidthTwips);
            benchmark::DoNotOptimize(height);
        },
        [&] {
            bare->markContentsDirty(0, bare->characterCount());
            benchmark::DoNotOptimize(bare->documentLayout()->documentSize());
        });
    state.counters["pages"] = static_cast<double>(height) / (9 * 1440);
}
BENCHMARK(BM_CalcHeight10Pages)->UseManualTime()->Unit(benchmark::kMillisecond);

// Part times: the counters of a split.
void partCounters(benchmark::State& state, const std::vector<double>& partTimes, double seconds)
{
    const size_t parts = partTimes.size();
    state.counters["parts"] = static_cast<double>(parts);
    if (parts > 0 && state.iterations() > 0)
        state.counters["ms_per_part"] = seconds * 1000 / static_cast<double>(state.iterations()) / parts;
    if (parts >= 21) {
        double early = 0;
        double late = 0;
        for (size_t i = 1; i <= 10; ++i) early += partTimes[i];
        for (size_t i = parts - 10; i < parts; ++i) late += partTimes[i];
        state.counters["late_per_early"] = early > 0 ? late / early : 0;
    }
}

// A text split into pages of 9 inches, each page's part written out as the
// prepared pages keep it; the peer lays the text out once. "late_per_early"
// is the time of the last ten parts over that of the first ten after the
// first (which lays everything out): flat pages give 1.
void BM_SplitIntoPages(benchmark::State& state)
{
    const int pages = static_cast<int>(state.range(0));
    TReRichEdit edit;
    edit.LoadRtf(pagesOfText(pages));
    std::unique_ptr<QTextDocument> bare(edit.CloneDocument());
    bare->setTextWidth(kWidthTwips / 15.0);
    std::vector<double> partTimes;
    const double seconds = againstPeer(
        state,
        [&] {
            edit.Document().markContentsDirty(0, edit.Document().characterCount());
            partTimes.clear();
            for (int cp = 0, len = edit.GetTextLen(); cp < len;) {
                const auto t0 = Clock::now();
                TFormatRange r;
                r.cpMin = cp;
                r.rc = Rect(0, 0, kWidthTwips, 9 * 1440);
                const int next = edit.FormatRange(r);
                edit.SetSelStart(cp);
                edit.SetSelLength(next - cp);
                benchmark::DoNotOptimize(edit.SaveRtf(true).size());
                partTimes.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
                if (next <= cp) break;
                cp = next;
            }
        },
        [&] {
            bare->markContentsDirty(0, bare->characterCount());
            benchmark::DoNotOptimize(bare->documentLayout()->documentSize());
        });
    partCounters(state, partTimes, seconds);
}
BENCHMARK(BM_SplitIntoPages)->Arg(20)->Arg(200)->UseManualTime()->Unit(benchmark::kMillisecond);

// The rich-text object split as the engine splits it: InitPart, then
// DrawPart with a page's height until no part is left; each part becomes
// the object's content. The peer lays the same text out once.
void splitByObject(benchmark::State& state, const std::string& rtf)
{
    TrpRichView view;
    view.SetBounds(0, 0, kWidthTwips / 15.0L + 2 * view.GapX, 100);
    view.RichEdit()->LoadRtf(rtf);
    std::unique_ptr<QTextDocument> bare(view.RichEdit()->CloneDocument());
    bare->setTextWidth(kWidthTwips / 15.0);
    std::vector<double> partTimes;
    const double seconds = againstPeer(
        state,
        [&] {
            partTimes.clear();
            view.BeforePrint();
            view.InitPart();
            do {
                const auto t0 = Clock::now();
                view.SetHeight(9 * 96 + 2 * view.GapY);
                view.DrawPart();
                partTimes.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
            } while (view.HasNextPart() && partTimes.size() < 10000);
            view.AfterPrint();
        },
        [&] {
            bare->markContentsDirty(0, bare->characterCount());
            benchmark::DoNotOptimize(bare->documentLayout()->documentSize());
        });
    partCounters(state, partTimes, seconds);
}

void BM_RichObjectDrawPart(benchmark::State& state)
{
    splitByObject(state, pagesOfText(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RichObjectDrawPart)->Arg(20)->Arg(200)->UseManualTime()->Unit(benchmark::kMillisecond);

// A table of `rows` rows of four bordered cells, every seventh with a
// description of two paragraphs.
std::string tableRows(int rows)
{
    std::string body = "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    std::string def = "\\trowd\\trgaph108";
    for (int c = 1; c <= 4; ++c)
        def += "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx" +
               std::to_string(c * 2000);
    for (int r = 0; r < rows; ++r)
        body += def + "\\pard\\intbl " + std::to_string(r) + "\\cell Parcel " + std::to_string(r) +
                (r % 7 == 6 ? "\\par fragile, handle with care" : "") + "\\cell\\qr " + std::to_string(r % 5 + 1) +
                "\\cell\\qr " + std::to_string(r * 3) + ".50\\cell\\row\r\n";
    return body + "}";
}

// A table read, beside Qt's HTML import of the same table (which builds its
// table at once, knowing the rows).
void BM_TableRead(benchmark::State& state)
{
    const std::string rtf = tableRows(static_cast<int>(state.range(0)));
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    ReadRtf(rtf, *doc);
    const QString html = doc->toHtml();
    againstPeer(
        state,
        [&] {
            std::unique_ptr<QTextDocument> d = rich::NewRichDocument();
            ReadRtf(rtf, *d);
            benchmark::DoNotOptimize(d->characterCount());
        },
        [&] {
            std::unique_ptr<QTextDocument> d = rich::NewRichDocument();
            d->setHtml(html);
            benchmark::DoNotOptimize(d->characterCount());
        });
}
BENCHMARK(BM_TableRead)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

// A long table split by the rich-text object into pages of whole rows.
void BM_TableDrawPart(benchmark::State& state)
{
    splitByObject(state, tableRows(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_TableDrawPart)->Arg(200)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);

struct Engine : TrpEngineState {
    bool Running() const override { return true; }
    bool DoublePass() const override { return false; }
    bool FinalPass() const override { return true; }
    int TotalPages() const override { return 0; }
    Extended CurY() const override { return 0; }
};

// 1,000 bands printed into the prepared pages, 20 to a page: one holding
// a rich-text object (its whole RTF written as hex PropData every time),
// the peer one holding a text object with the same text. Counters: the
// prepared-report file's size for each.
void BM_PreparedRichObjects(benchmark::State& state)
{
    TrpReport report;
    auto* page = new TrpReportPage(&report);
    page->SetName("Page1");
    page->SetDefaults();
    auto* richBand = new TrpMasterData(page);
    richBand->SetName("RichBand");
    richBand->SetBounds(0, 0, 718, 40);
    auto* rich = new TrpRichView(richBand);
    rich->SetName("Rich1");
    rich->SetBounds(0, 0, 718, 40);
    rich->RichEdit()->LoadRtf(makeRtf(2 << 10));
    auto* memoBand = new TrpMasterData(page);
    memoBand->SetName("MemoBand");
    memoBand->SetBounds(0, 50, 718, 40);
    auto* memo = new TrpMemoView(memoBand);
    memo->SetName("Memo1");
    memo->SetBounds(0, 0, 718, 40);
    memo->SetText(rich->RichEdit()->Text());
    Engine engine;
    auto& pages = *static_cast<TrpPreviewPages*>(report.PreviewPages());
    pages.SetEngine(&engine);
    const auto fill = [&](TrpBand* band) {
        pages.Clear();
        pages.Initialize();
        pages.AddSourcePage(page);
        for (int i = 0; i < 1000; ++i) {
            if (i % 20 == 0) pages.AddPage(page);
            band->SetTop(40 * (i % 20));
            pages.AddObject(band);
        }
    };
    const auto fileSize = [&] {
        TMemoryStream out;
        pages.SaveToStream(out);
        return static_cast<double>(out.Size());
    };
    double richBytes = 0, memoBytes = 0;
    againstPeer(
        state,
        [&] {
            fill(richBand);
            richBytes = fileSize();
        },
        [&] {
            fill(memoBand);
            memoBytes = fileSize();
        });
    state.counters["rpp_KB"] = richBytes / 1024;
    state.counters["rpp_KB_peer"] = memoBytes / 1024;
}
BENCHMARK(BM_PreparedRichObjects)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
