// Reading and writing a 50 MB report-style XML file (a prepared report of
// many pages of text objects) with our reader and writer, and xmllint
// --stream reading the same file in the same run. Prints our reader's time
// against xmllint's.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "RatioReporter.h"
#include "SysUtils.h"
#include "rpXML.h"

namespace {

std::string g_file;
int64_t g_bytes = 0;

// Builds the tree of a prepared report: pages of memos with a few
// attributes each, Chinese text among them, until the file reaches size.
void buildReport(TrpXMLDocument& doc, int64_t targetBytes)
{
    TrpXMLItem* root = doc.Root();
    root->SetName("preparedreport");
    TrpXMLItem* report = root->Add();
    report->SetName("report");
    TrpXMLItem* options = report->Add();
    options->SetName("TrpReport");
    options->SetText("DotMatrixReport=\"0\" PreviewOptions.OutlineVisible=\"0\"");
    TrpXMLItem* previewPages = root->Add();
    previewPages->SetName("previewpages");
    int64_t estimate = 0;
    for (int page = 0; estimate < targetBytes; ++page) {
        TrpXMLItem* p = previewPages->Add();
        p->SetName("page" + IntToStr(page));
        for (int m = 0; m < 60; ++m) {
            TrpXMLItem* memo = p->Add();
            memo->SetName("TrpMemoView");
            memo->SetProp("Name", "Memo" + IntToStr(m));
            memo->SetProp("l", FloatToStr(37.7953L * (m % 7)));
            memo->SetProp("t", FloatToStr(18.8976L * m));
            memo->SetProp("w", "151.1812");
            memo->SetProp("h", "18.89765");
            memo->SetProp("Font.Name", "宋体");
            memo->SetProp("u", "订单号 ZEZO-2026-12-06-" + IntToStr(page * 100 + m) + " 客户 \"张三\" & 李四\r\n");
            estimate += static_cast<int64_t>(memo->Text().size() + 16);
        }
    }
}

void BM_WriteReportXml(benchmark::State& state)
{
    TrpXMLDocument doc;
    buildReport(doc, 50 << 20);
    const std::string out = g_file + ".out";
    for (auto _ : state) {
        TFileStream s(out, fmCreate);
        doc.SaveToStream(s);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(out)));
    std::filesystem::remove(out);
}

void BM_ReadReportXml(benchmark::State& state)
{
    for (auto _ : state) {
        TrpXMLDocument doc;
        TFileStream s(g_file, fmOpenRead);
        doc.LoadFromStream(s);
        benchmark::DoNotOptimize(doc.Root()->Count());
    }
    state.SetBytesProcessed(state.iterations() * g_bytes);
}

void BM_XmllintStream(benchmark::State& state)
{
    const std::string command = "xmllint --stream --noout '" + g_file + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("xmllint --stream failed (is libxml2-utils installed?)");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * g_bytes);
}

BENCHMARK(BM_WriteReportXml)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ReadReportXml)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_XmllintStream)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    g_file = (std::filesystem::temp_directory_path() / ("bench_report_" + std::to_string(getpid()) + ".xml")).string();
    {
        TrpXMLDocument doc;
        buildReport(doc, 50 << 20);
        TFileStream s(g_file, fmCreate);
        doc.SaveToStream(s);
    }
    g_bytes = static_cast<int64_t>(std::filesystem::file_size(g_file));
    std::printf("report XML file: %.1f MB\n", g_bytes / 1048576.0);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.Time("BM_ReadReportXml");
    const double peer = reporter.Time("BM_XmllintStream");
    if (ours > 0 && peer > 0)
        std::printf("our reader / xmllint --stream: %.2f (below 1: ours is faster)\n", ours / peer);
    std::filesystem::remove(g_file);
    benchmark::Shutdown();
    return 0;
}
