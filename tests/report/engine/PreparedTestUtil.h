#pragma once
// A report with one A4 page holding a title band and a data band of memos,
// a line and a shape, filled into its prepared pages row by row as the
// engine would; pages and objects compared through their report XML.

#include <filesystem>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpCustomPreview.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpShapes.h"
#include "rpXMLSerializer.h"

namespace prepared_test {

struct FakeEngine : TrpEngineState {
    bool running = false;
    bool doublePass = false;
    bool finalPass = true;
    int totalPages = 0;
    Extended curY = 0;
    bool Running() const override { return running; }
    bool DoublePass() const override { return doublePass; }
    bool FinalPass() const override { return finalPass; }
    int TotalPages() const override { return totalPages; }
    Extended CurY() const override { return curY; }
};

// A preview that counts the report's requests to prepare again.
struct RefreshCountingPreview : TrpCustomPreview {
    int refreshed = 0;
    void Init() override {}
    void Lock() override {}
    void Unlock() override {}
    void RefreshReport() override { ++refreshed; }
    void ProgressStart() override {}
    void Progress(int) override {}
    void ProgressStop() override {}
};

// The prepared-report file of the pages.
inline std::string rppText(TrpPreviewPages& pages)
{
    TStringStream out;
    pages.SaveToStream(out);
    return out.DataString();
}

struct Sheet {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = nullptr;
    TrpReportTitle* title = nullptr;
    TrpMasterData* band = nullptr;
    std::vector<TrpMemoView*> memos;
    TrpLineView* line = nullptr;
    TrpShapeView* shape = nullptr;
    FakeEngine engine;

    Sheet()
    {
        auto* data = new TrpDataPage(report.get());
        data->SetName("Data");
        page = new TrpReportPage(report.get());
        page->SetName("Page1");
        page->SetDefaults();
        title = new TrpReportTitle(page);
        title->SetName("ReportTitle1");
        title->SetBounds(0, 0, 718, 40);
        auto* caption = new TrpMemoView(title);
        caption->SetName("Caption");
        caption->SetBounds(10, 5, 300, 30);
        caption->SetText(u"发货单");
        band = new TrpMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 60, 718, 30);
        shape = new TrpShapeView(band);
        shape->SetName("Shape1");
        shape->SetBounds(0, 0, 718, 30);
        for (int i = 0; i < 3; ++i) {
            auto* memo = new TrpMemoView(band);
            memo->SetName("Memo" + IntToStr(i + 1));
            memo->SetBounds(10 + 200 * i, 5, 180, 20);
            memos.push_back(memo);
        }
        line = new TrpLineView(band);
        line->SetName("Line1");
        line->SetBounds(200, 0, 0, 30);
        pages().SetEngine(&engine);
    }

    TrpPreviewPages& pages() { return *static_cast<TrpPreviewPages*>(report->PreviewPages()); }

    void start()
    {
        pages().Clear();
        pages().Initialize();
        pages().AddSourcePage(page);
    }

    void row(int p, int r)
    {
        band->SetTop(50 + 30 * r);
        memos[0]->SetText(Utf8ToUtf16("行 " + IntToStr(p * 100 + r)));
        memos[1]->SetText(u"\"quoted\" & <tag>\r\nsecond line");
        memos[2]->SetText(Utf8ToUtf16(FloatToStr(p + r / 4.0L)));
    }

    // pages x rows, the title on each page.
    void fill(int pageCount, int rows)
    {
        start();
        for (int p = 0; p < pageCount; ++p) {
            pages().AddPage(page);
            pages().AddObject(title);
            for (int r = 0; r < rows; ++r) {
                row(p, r);
                pages().AddObject(band);
            }
        }
    }
};

// Every object of the tree: class, name and stored properties, one line each.
inline std::string describe(TrpComponent& root)
{
    std::string out;
    TrpXMLSerializer writer;
    writer.Owner = &root;
    std::vector<TrpComponent*> objects{&root};
    const std::vector<TrpComponent*> all = root.GetAllObjects();
    objects.insert(objects.end(), all.begin(), all.end());
    for (TrpComponent* o : objects) out += o->ClassName() + " " + o->Name() + " " + writer.WriteProps(o) + "\n";
    return out;
}

// A folder of its own under the system's temporary folder, removed after.
struct TempFolder {
    std::filesystem::path path;
    TempFolder()
    {
        char name[] = "/tmp/preparedXXXXXX";
        path = mkdtemp(name);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    int files() const
    {
        int n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path)) ++n;
        return n;
    }
};

}  // namespace prepared_test
