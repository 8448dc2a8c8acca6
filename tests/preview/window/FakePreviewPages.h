#pragma once
// A prepared-pages store for the preview's tests and benchmarks: pages of
// chosen sizes that draw a frame and lines of text through the canvas, an
// outline, an engine state the test sets, and a run that adds pages one
// by one through the preview's progress operations as the engine does.

#include <QCoreApplication>

#include <memory>
#include <string>
#include <vector>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpCustomPreview.h"
#include "rpCustomPreviewPages.h"
#include "rpPages.h"

namespace preview_test {

struct FakeEngine : TrpEngineState {
    bool running = false;
    bool finalPass = true;
    bool Running() const override { return running; }
    bool DoublePass() const override { return !finalPass; }
    bool FinalPass() const override { return finalPass; }
    int TotalPages() const override { return 0; }
    Extended CurY() const override { return 0; }
};

struct FakeOutlineItem {
    std::string text;
    int page = 0;
    int top = 0;
    std::vector<FakeOutlineItem> children;
};

class FakeOutline : public TrpCustomOutline {
public:
    using TrpCustomOutline::TrpCustomOutline;
    FakeOutlineItem root;
    std::vector<FakeOutlineItem*> path;  // current entry's ancestors and itself

    FakeOutlineItem& current() { return path.empty() ? root : *path.back(); }
    int GetCount() override { return static_cast<int>(current().children.size()); }
    void AddItem(const std::string& text, int top) override { current().children.push_back({text, 0, top, {}}); }
    void LevelDown(int index) override { path.push_back(&current().children.at(static_cast<size_t>(index))); }
    void LevelRoot() override { path.clear(); }
    void LevelUp() override
    {
        if (!path.empty()) path.pop_back();
    }
    void GetItem(int index, std::string& text, int& page, int& top) override
    {
        const FakeOutlineItem& item = current().children.at(static_cast<size_t>(index));
        text = item.text;
        page = item.page;
        top = item.top;
    }
    void ShiftItems(TrpXMLItem*, int) override {}
    TrpXMLItem* GetLastItem() override { return nullptr; }
};

// One line of text on a fake page, at page pixels (scale 1).
struct FakeText {
    int x = 0;
    int y = 0;
    std::u16string text;
};

class FakePreviewPages : public TrpCustomPreviewPages {
public:
    struct Page {
        TPoint size;
        std::vector<FakeText> texts;
    };

    explicit FakePreviewPages(TrpReport* report = nullptr) : TrpCustomPreviewPages(report)
    {
        auto outline = std::make_unique<FakeOutline>(this);
        outline_ = outline.get();
        SetOutline(std::move(outline));
        SetEngine(&engine);
    }

    FakeEngine engine;
    std::vector<Page> pages;
    FakeOutline* outline_;
    int drawCalls = 0;
    int printCalls = 0;
    std::vector<std::pair<int, int>> modified;  // (index, paper width in mm)

    // A page of width x height pixels with "Page n" near its top and more
    // lines below.
    static Page MakePage(int n, int width = 794, int height = 1123, int lines = 3)
    {
        Page p{{width, height}, {}};
        p.texts.push_back({40, 40, Utf8ToUtf16("Page " + IntToStr(n))});
        for (int i = 0; i < lines; ++i) p.texts.push_back({40, 80 + 20 * i, Utf8ToUtf16("line " + IntToStr(i + 1) + " of page " + IntToStr(n))});
        return p;
    }
    void AddPages(int count, int width = 794, int height = 1123)
    {
        for (int i = 0; i < count; ++i) pages.push_back(MakePage(static_cast<int>(pages.size()) + 1, width, height));
    }

    int GetCount() override { return static_cast<int>(pages.size()); }
    std::shared_ptr<TrpReportPage> GetPage(int index) override
    {
        if (index < 0 || index >= GetCount()) return nullptr;
        auto page = std::make_shared<TrpReportPage>();
        page->SetPaperWidth(pages[index].size.X / rp01cm);
        page->SetPaperHeight(pages[index].size.Y / rp01cm);
        page->TopMargin = 10;
        return page;
    }
    TPoint GetPageSize(int index) override { return index >= 0 && index < GetCount() ? pages[index].size : TPoint{}; }
    void DrawPage(int index, TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override
    {
        if (index < 0 || index >= GetCount()) return;
        ++drawCalls;
        const Page& p = pages[index];
        auto x = [&](int v) { return static_cast<int>(Round(v * scaleX + offsetX)); };
        auto y = [&](int v) { return static_cast<int>(Round(v * scaleY + offsetY)); };
        canvas.Pen()->SetColor(clBlack);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(x(20), y(20), x(p.size.X - 20), y(p.size.Y - 20));
        canvas.Font()->SetName("Arial");
        canvas.Font()->SetHeight(-static_cast<int>(Round(13 * scaleY)));
        canvas.Font()->SetColor(clBlack);
        for (const FakeText& t : p.texts) canvas.TextOut(x(t.x), y(t.y), t.text);
    }
    void Clear() override
    {
        pages.clear();
        outline_->root.children.clear();
        outline_->path.clear();
    }
    void AddEmptyPage(int index) override
    {
        if (pages.empty()) return;
        pages.insert(pages.begin() + std::clamp(index, 0, GetCount()), Page{pages[0].size, {}});
    }
    void DeletePage(int index) override
    {
        if (GetCount() > 1 && index >= 0 && index < GetCount()) pages.erase(pages.begin() + index);
    }
    void ModifyPage(int index, TrpReportPage* page) override
    {
        modified.emplace_back(index, static_cast<int>(Round(page->PaperWidth())));
        pages[index].size = {static_cast<int>(Round(page->PaperWidth() * rp01cm)), static_cast<int>(Round(page->PaperHeight() * rp01cm))};
    }
    bool Print() override
    {
        ++printCalls;
        return true;
    }

    // The engine's side of a run: pages added one at a time, each reported
    // to the preview, with the window's events processed in between.
    void Run(TrpCustomPreview& preview, int count, bool* stop = nullptr)
    {
        engine.running = true;
        preview.ProgressStart();
        for (int i = 0; i < count && !(stop && *stop); ++i) {
            pages.push_back(MakePage(static_cast<int>(pages.size()) + 1));
            preview.Progress(i);
        }
        engine.running = false;
        preview.ProgressStop();
    }

    void HandleObjectClick(int, TrpPageClick&) override {}
    void Initialize() override {}
    void AddObject(TrpComponent*) override {}
    void AddPage(TrpReportPage*) override {}
    void AddSourcePage(TrpReportPage*) override {}
    void AddToSourcePage(TrpComponent*) override {}
    void SavePosition() override {}
    void RestorePosition() override {}
    void CutObjects(int) override {}
    void Finish() override {}
    void AddLogicalPageNumber() override {}
    void EndLogicalPageGroup() override {}
    void PasteObjects(Extended, Extended) override {}
    void ShiftAnchors(int, int) override {}
    void AddPicture(TrpPictureView*) override {}
    bool BandExists(TrpBand*) override { return false; }
    int CurrentObjectCount() override { return 0; }
    int LastAnchorIndex() override { return -1; }
    Extended BottomOfBands(Extended) override { return 0; }
    int LogicalPageNo() override { return 0; }
    int LogicalTotalPages() override { return 0; }
    void SetPageSize(int, Extended, Extended) override {}
    void AddAnchor(const std::string&) override {}
    int GetAnchorPage(const std::string&) override { return 1; }
    void AppendReport(TrpReport*) override {}
    void Export(TrpCustomExportFilter*) override {}
    void LoadFromStream(TStream&, bool) override {}
    void SaveToStream(TStream&) override {}
    bool LoadFromFile(const std::string&, bool) override { return false; }
    void SaveToFile(const std::string&) override {}
};

}  // namespace preview_test
