#pragma once
// The order-sheet workload of the prepared-pages benchmarks: one A4 source
// page whose detail row is a band with a shape, 7 lines and 7 memos; 30
// rows a page, each with its own top and texts (480 stored elements a
// page).

#include <memory>
#include <vector>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpShapes.h"

namespace order_sheet_bench {

constexpr int kRows = 30;
constexpr int kMemos = 7;
constexpr int kLines = 7;
constexpr Extended kRowHeight = 30.46L;

struct Engine : TrpEngineState {
    bool running = false;
    bool Running() const override { return running; }
    bool DoublePass() const override { return false; }
    bool FinalPass() const override { return true; }
    int TotalPages() const override { return 0; }
    Extended CurY() const override { return 0; }
};

// The order sheet's detail row on an A4 page.
struct OrderSheet {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = nullptr;
    TrpDetailData* band = nullptr;
    std::vector<TrpMemoView*> memos;

    OrderSheet()
    {
        page = new TrpReportPage(report.get());
        page->SetName("Page1");
        page->SetDefaults();
        band = new TrpDetailData(page);
        band->SetName("DetailData1");
        band->SetBounds(0, 100, 718, kRowHeight);
        auto* shape = new TrpShapeView(band);
        shape->SetName("Shape5");
        shape->SetBounds(0, 0, 718, kRowHeight);
        const Extended widths[kMemos] = {40, 180, 150, 60, 80, 90, 118};
        Extended x = 0;
        for (int i = 0; i < kMemos; ++i) {
            auto* memo = new TrpMemoView(band);
            memo->SetName("Memo" + IntToStr(i + 1));
            memo->SetBounds(x, 6, widths[i], 18.9L);
            memo->Font()->SetName("宋体");
            auto* line = new TrpLineView(band);
            line->SetName("Line" + IntToStr(i + 1));
            line->SetBounds(x, 0, 0, kRowHeight);
            memos.push_back(memo);
            x += widths[i];
        }
    }

    // Row r of page p: its top and its texts.
    void setRow(int p, int r)
    {
        band->SetTop(56.69L + r * kRowHeight);
        const int line = p * kRows + r + 1;
        memos[0]->SetText(Utf8ToUtf16(IntToStr(line)));
        memos[1]->SetText(u"商品名称" + Utf8ToUtf16(IntToStr(line % 97)));
        memos[2]->SetText(u"规格 " + Utf8ToUtf16(IntToStr(line % 13)) + u" 号");
        memos[3]->SetText(Utf8ToUtf16(IntToStr(line % 50 + 1)));
        memos[4]->SetText(Utf8ToUtf16(FloatToStr(line % 1000 / 10.0L + 0.25L)));
        memos[5]->SetText(Utf8ToUtf16(FloatToStr((line % 50 + 1) * (line % 1000 / 10.0L + 0.25L))));
        memos[6]->SetText(u"备注");
    }
};

inline TrpPreviewPages& pagesOf(OrderSheet& sheet)
{
    return *static_cast<TrpPreviewPages*>(sheet.report->PreviewPages());
}

inline void fill(OrderSheet& sheet, int pages)
{
    TrpPreviewPages& store = pagesOf(sheet);
    store.Clear();
    store.AddSourcePage(sheet.page);
    for (int p = 0; p < pages; ++p) {
        store.AddPage(sheet.page);
        for (int r = 0; r < kRows; ++r) {
            sheet.setRow(p, r);
            store.AddObject(sheet.band);
        }
    }
}

}  // namespace order_sheet_bench
