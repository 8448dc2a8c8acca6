// Prepared pages through an export filter: what the filter is handed and in
// which order, the pages chosen, and every way a run ends early; the
// registry of filters.
#include <gtest/gtest.h>

#include <stdexcept>

#include "LoggingExportFilter.h"
#include "PreparedTestUtil.h"
#include "ScriptedUiServices.h"
#include "rpCustomPreview.h"
#include "rpPicture.h"
#include "rpRegistry.h"

using namespace prepared_test;

namespace {

using Log = std::vector<std::string>;

// Logs the locks into the filter's log, so their place in the run shows.
struct LockingPreview : TrpCustomPreview {
    Log* log = nullptr;
    void Init() override {}
    void Lock() override { log->push_back("lock"); }
    void Unlock() override { log->push_back("unlock"); }
    void RefreshReport() override {}
    void ProgressStart() override {}
    void Progress(int) override {}
    void ProgressStop() override {}
};

struct ExportSheet : Sheet {
    LoggingExportFilter filter;
    LockingPreview preview;
    Log progress;

    explicit ExportSheet(int pageCount = 2)
    {
        fill(pageCount, 1);
        preview.log = &filter.log;
        report->SetPreview(&preview);
        pages().OnProgressStart = [this](int kind) { progress.push_back("start " + IntToStr(kind)); };
        pages().OnProgress = [this](int kind, int page) { progress.push_back(IntToStr(kind) + ":" + IntToStr(page)); };
        pages().OnProgressStop = [this](int kind) { progress.push_back("stop " + IntToStr(kind)); };
    }
    ~ExportSheet() { report->SetPreview(nullptr); }

    // The pages the filter saw, by their log lines.
    Log pagesSeen() const
    {
        Log seen;
        for (const std::string& line : filter.log)
            if (line.rfind("page ", 0) == 0) seen.push_back(line.substr(0, line.find(" margins")));
        return seen;
    }
};

}  // namespace

TEST(Export, EachPageWithItsBackgroundFirstThenItsObjectsInOrder)
{
    ExportSheet s;
    s.page->MirrorMargins = true;
    s.page->LeftMargin = 30;
    s.page->RightMargin = 10;
    s.fill(2, 1);
    s.progress.clear();
    s.pages().CopyNo = 3;
    TrpPictureView* background = nullptr;
    s.filter.onObject = [&](TrpView& object) {
        if (object.Name() == "_pagebackground") background = dynamic_cast<TrpPictureView*>(&object);
        // Page-count and copy macros see the run's numbers.
        if (auto* memo = dynamic_cast<TrpCustomMemoView*>(&object)) {
            EXPECT_EQ(memo->TotalPages, 2);
            EXPECT_EQ(memo->CopyNo, 0);
        }
    };
    s.pages().Export(&s.filter);
    // The views, not the bands that held them.
    const Log objects{"_pagebackground", "Caption", "Shape1", "Memo1", "Memo2", "Memo3", "Line1"};
    Log expected{"dialog", "start", "lock"};
    // The second page is printed with its margins exchanged.
    for (const char* page : {"page 0 margins 30/10", "page 1 margins 10/30"}) {
        expected.push_back(page);
        expected.insert(expected.end(), objects.begin(), objects.end());
        expected.push_back("end " + std::string(1, page[5]));
    }
    expected.insert(expected.end(), {"finish", "unlock"});
    EXPECT_EQ(s.filter.log, expected);
    EXPECT_EQ(s.progress, (Log{"start 1", "1:1", "1:2", "stop 1"}));
    EXPECT_EQ(s.filter.Report, s.report.get());
    EXPECT_EQ(s.pages().CopyNo, 0);
    EXPECT_EQ(s.pages().GetPage(1)->LeftMargin, 30) << "the page gets its own margins back";
    // The background lies over the printable area, from the margins.
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->Left(), 0);
    EXPECT_NEAR(background->Width(), (210 - 40) * rp01cm, 0.01);
    EXPECT_NEAR(background->Height(), (297 - 20) * rp01cm, 0.01);

    // Without progress and without a dialog; a page that hides its
    // background hands none.
    s.filter.ShowDialog = false;
    s.filter.ShowProgress = false;
    s.filter.onObject = nullptr;
    s.page->BackPictureVisible = false;
    s.fill(1, 1);
    s.filter.log.clear();
    s.progress.clear();
    s.pages().Export(&s.filter);
    EXPECT_EQ(s.filter.log.at(0), "start");
    EXPECT_EQ(s.filter.log.at(3), "Caption");
    EXPECT_TRUE(s.progress.empty());
}

TEST(Export, ThePagesChosenAndNothingStartedWhenNoneIs)
{
    ExportSheet s(4);
    s.filter.ShowDialog = false;
    auto run = [&](const std::string& numbers, bool current = false) {
        s.filter.log.clear();
        s.filter.PageNumbers = numbers;
        s.filter.CurPage = current;
        s.pages().Export(&s.filter);
        return s.pagesSeen();
    };
    EXPECT_EQ(run(""), (Log{"page 0", "page 1", "page 2", "page 3"}));
    EXPECT_EQ(run("4,2,9"), (Log{"page 3", "page 1"})) << "the list's order; 9 is no page";
    EXPECT_EQ(run("3-"), (Log{"page 2", "page 3"}));
    s.pages().CurPage = 2;
    EXPECT_EQ(run("1-4", true), (Log{"page 1"})) << "the preview's page wins over the list";
    // Nothing to export: the filter is not even started, so it leaves no
    // empty file.
    EXPECT_TRUE(run("7-9").empty());
    EXPECT_TRUE(s.filter.log.empty());
    gui::ScriptedUiServices ui;
    gui::ScopedUi scope(ui);
    ui.expectMessage(gui::MsgResult::Ok);
    EXPECT_TRUE(run("1,,2").empty());
    EXPECT_EQ(ui.pending(), 0) << "a list that is no list is refused in a box";
    EXPECT_TRUE(s.filter.log.empty());
}

TEST(Export, RefusedCancelledOrFailedRunsEndCleanly)
{
    ExportSheet s;
    // The dialog cancelled, the start refused: nothing more, nothing locked.
    s.filter.confirm = false;
    s.pages().Export(&s.filter);
    EXPECT_EQ(s.filter.log, (Log{"dialog"}));
    s.filter.confirm = true;
    s.filter.accept = false;
    s.filter.log.clear();
    s.pages().Export(&s.filter);
    EXPECT_EQ(s.filter.log, (Log{"dialog", "start"}));
    EXPECT_TRUE(s.progress.empty());
    s.pages().Export(nullptr);

    // The progress window's cancel stops at the next page; the filter still
    // finishes, knowing it was cancelled.
    s.filter.accept = true;
    s.filter.log.clear();
    s.report->Terminated = true;  // left from an earlier run: cleared
    s.filter.onObject = [&](TrpView& object) {
        if (object.Name() == "Line1") s.report->Terminated = true;
    };
    s.pages().Export(&s.filter);
    EXPECT_EQ(s.pagesSeen(), (Log{"page 0"}));
    EXPECT_EQ(s.filter.log.rbegin()[1], "finish cancelled");
    EXPECT_EQ(s.filter.log.back(), "unlock");
    EXPECT_EQ(s.progress.back(), "stop 1");

    // A filter that fails is told, and the preview and progress window are
    // given back before the error goes on.
    s.report->Terminated = false;
    s.filter.log.clear();
    s.progress.clear();
    s.filter.onObject = [](TrpView& object) {
        if (object.Name() == "Memo2") throw std::runtime_error("disk full");
    };
    EXPECT_THROW(s.pages().Export(&s.filter), std::runtime_error);
    EXPECT_EQ(s.filter.log.rbegin()[1], "abort");
    EXPECT_EQ(s.filter.log.back(), "unlock");
    EXPECT_EQ(s.progress, (Log{"start 1", "stop 1"}));
}

TEST(Export, FiltersRegisterOnceAndLeaveTheRegistryWhenDestroyed)
{
    TrpExportFilterCollection& filters = GetExportFilters();
    const int before = filters.Count();
    {
        LoggingExportFilter a, b;
        filters.Register(&a);
        filters.Register(&b);
        filters.Register(&a);
        filters.Register(nullptr);
        ASSERT_EQ(filters.Count(), before + 2);
        EXPECT_EQ(&filters.GetItem(before + 1), &b);
        EXPECT_EQ(filters.IndexOf(&a), before);
        filters.Unregister(&a);
        EXPECT_EQ(filters.IndexOf(&a), -1);
        EXPECT_EQ(filters.IndexOf(&b), before);
        EXPECT_THROW(filters.GetItem(before + 1), EListError);
    }
    EXPECT_EQ(filters.Count(), before);
}
