// Prepared pages through an export filter: the frame every filter runs in.
#include <algorithm>
#include <utility>
#include <vector>

#include "SysUtils.h"
#include "rpCustomPreview.h"
#include "rpExportFilter.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpPreviewPages.h"
#include "rpPrintSettings.h"
#include "rpReport.h"
#include "rpUtilsGui.h"

namespace {

constexpr int kExporting = 1;  // progress kind

// The page as it prints: mirrored margins exchanged on every second page
// for as long as the filter looks at it.
struct MirroredMargins {
    TrpReportPage& page;
    bool mirrored;
    MirroredMargins(TrpReportPage& p, int index) : page(p), mirrored(p.MirrorMargins && index % 2 == 1)
    {
        if (mirrored) std::swap(page.LeftMargin, page.RightMargin);
    }
    ~MirroredMargins()
    {
        if (mirrored) std::swap(page.LeftMargin, page.RightMargin);
    }
};

}  // namespace

void TrpPreviewPages::Export(TrpCustomExportFilter* filter)
{
    CopyNo = 0;
    if (!filter) return;
    TrpReport* report = Report();
    filter->Report = report;
    if (filter->ShowDialog && !filter->ShowModal()) return;
    std::vector<int> order;
    try {
        order = SelectPages(filter->CurPage ? IntToStr(std::max(CurPage, 1)) : filter->PageNumbers, GetCount());
    } catch (const EConvertError& e) {
        ErrorMessageBox(e.what());
        return;
    }
    // Nothing chosen starts nothing: no empty file is left behind.
    if (order.empty() || !filter->Start()) return;

    // However the run ends, the progress window goes and the preview shows
    // the pages again.
    struct Restore {
        TrpPreviewPages& pages;
        TrpCustomPreview* preview = nullptr;
        bool progress = false;
        ~Restore()
        {
            try {
                if (progress && pages.OnProgressStop) pages.OnProgressStop(kExporting);
                if (preview) preview->Unlock();
            } catch (...) {
            }
        }
    } restore{*this};
    if (report && report->Preview()) {
        restore.preview = report->Preview();
        restore.preview->Lock();
    }
    if (report) report->Terminated = false;
    if (filter->ShowProgress && OnProgressStart) {
        restore.progress = true;
        OnProgressStart(kExporting);
    }
    try {
        const int pageCount = GetCount();
        int done = 0;
        for (const int index : order) {
            if (report && report->Terminated) break;
            const std::shared_ptr<TrpReportPage> page = GetPage(index);
            if (!page) continue;
            MirroredMargins margins(*page, index);
            filter->StartPage(*page, index);
            if (page->BackPictureVisible) {
                TrpPictureView& background = *page->Background();
                background.SetName("_pagebackground");
                background.SetBounds(0, 0, rp01cm * (page->PaperWidth() - page->LeftMargin - page->RightMargin),
                                     rp01cm * (page->PaperHeight() - page->TopMargin - page->BottomMargin));
                filter->ExportObject(background);
            }
            for (TrpComponent* object : page->GetAllObjects()) {
                auto* view = dynamic_cast<TrpView*>(object);
                if (!view) continue;
                if (auto* memo = dynamic_cast<TrpCustomMemoView*>(view)) {
                    memo->TotalPages = pageCount;
                    memo->CopyNo = CopyNo;
                }
                filter->ExportObject(*view);
            }
            filter->FinishPage(*page, index);
            ++done;
            if (restore.progress && OnProgress) OnProgress(kExporting, done);
            if (report) report->ProcessMessages();
        }
    } catch (...) {
        filter->Abort();
        throw;
    }
    filter->Finish();
}
