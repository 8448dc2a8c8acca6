// Printing prepared pages: the run around the print dialog, and the page
// loop with its four modes (each page on its own paper, one page over
// several sheets, several pages on one sheet, each page scaled to a sheet).
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "StringLists.h"
#include "SysUtils.h"
#include "rpCustomPreview.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpPrinter.h"
#include "rpRes.h"
#include "rpReport.h"
#include "rpUtilsGui.h"
#include "rpUtilsText.h"

namespace {

constexpr int kPrinting = 2;  // progress kind
constexpr Extended kScreenDpi = 96;
// Millimetres below half a 600-dpi pixel: lengths that close count as equal.
constexpr Extended kEpsilon = 0.02L;
// The largest page a PDF holds (200 inches). Paper beyond it, or paper that
// is no number, comes only from damaged files.
constexpr Extended kMaxPaper = 5080;

Extended PaperMm(Extended mm)
{
    if (!(mm >= 1)) return 1;
    return std::min(mm, kMaxPaper);
}

TrpPrintSettings SettingsOf(const TrpPrintOptions& o)
{
    TrpPrintSettings s;
    s.Printer = o.Printer;
    s.PageNumbers = o.PageNumbers;
    s.Range = o.PageNumbers.empty() ? TrpPageRange::All : TrpPageRange::Numbers;
    s.Copies = o.Copies;
    s.Collate = o.Collate;
    s.Duplex = o.DialogDuplex;
    s.Reverse = o.Reverse;
    s.PrintPages = o.PrintPages;
    s.PrintMode = o.PrintMode;
    s.PrintOnSheet = o.PrintOnSheet;
    s.FileName = o.OutputFile;
    s.PrintToFile = !o.OutputFile.empty();
    s.SplitOverlap = o.SplitOverlap;
    s.ShowDialog = o.ShowDialog;
    return s;
}

// What SetPrintParams gets; sent again only when it changes (sizes compared
// in whole millimetres).
struct SheetParams {
    int32_t paperSize = 0;
    Extended width = 0, height = 0;  // as the sheet lies
    bool landscape = false;
    int32_t bin = DMBIN_AUTO;
    int32_t duplex = 0;
    int32_t copies = 1;

    bool operator==(const SheetParams& o) const
    {
        return paperSize == o.paperSize && Round(width) == Round(o.width) && Round(height) == Round(o.height) &&
               landscape == o.landscape && bin == o.bin && duplex == o.duplex && copies == o.copies;
    }
};

// The sheet of the split, join and scale modes: its paper code and its
// portrait size and printable size in millimetres.
struct Sheet {
    int32_t code = DMPAPER_A4;
    Extended width = 0, height = 0;
    Extended printableWidth = 0, printableHeight = 0;
};

// One print run: the selected pages, every copy, in the chosen mode, into
// one document of the printer.
class PrintRun {
public:
    PrintRun(TrpPreviewPages& pages, TrpCustomPrinter& printer, const TrpPrintSettings& settings, const Sheet& sheet)
        : pages_(pages), printer_(printer), s_(settings), report_(pages.Report()), sheet_(sheet)
    {
    }

    // True when the document went out whole.
    bool Run(const std::vector<int>& order);

private:
    bool pass(const std::vector<int>& order);
    bool page(int index);
    bool split(int index);
    bool join(const std::vector<int>& order);
    bool blank();

    std::shared_ptr<TrpReportPage> build(int index);
    int32_t binOf(const TrpReportPage& page) const { return firstSheet_ ? page.Bin : page.BinOtherPages; }
    int32_t duplexOf(const TrpReportPage& page) const { return s_.Duplex != dmNone ? s_.Duplex : page.Duplex; }
    SheetParams sheetParams(bool turned, const TrpReportPage& page) const;
    void send(const SheetParams& params);
    bool beginPage();
    bool endPage();
    bool cancelled();
    void pageDone();
    Extended pixelsPerMm() const { return printer_.DPI().X / 25.4L; }
    Extended drawScale() const { return printer_.DPI().X / kScreenDpi; }
    bool twoSided() const { return duplex_ == dmVertical || duplex_ == dmHorizontal; }

    TrpPreviewPages& pages_;
    TrpCustomPrinter& printer_;
    const TrpPrintSettings& s_;
    TrpReport* report_;
    Sheet sheet_;
    int32_t copies_ = 1;  // that the printer makes of each page
    bool firstSheet_ = true;  // of the copy being printed: the first-page bin
    std::optional<SheetParams> sent_;
    int32_t duplex_ = -1;
    bool backNext_ = false;  // the next page falls on the back of a sheet
    bool begun_ = false;
    int done_ = 0;
};

bool PrintRun::Run(const std::vector<int>& order)
{
    const int32_t copies = std::max<int32_t>(s_.Copies, 1);
    if (s_.Collate) {
        for (int32_t copy = 1; copy <= copies; ++copy) {
            pages_.CopyNo = copy;
            firstSheet_ = true;
            if (!pass(order)) return false;
            // The next copy starts on a sheet of its own.
            if (twoSided() && backNext_ && !blank()) return false;
        }
    } else {
        // The printer repeats each page (a PDF printer draws it again); in
        // join mode the page is placed that many times instead.
        copies_ = s_.PrintMode == pmJoin ? 1 : copies;
        pages_.CopyNo = 1;
        if (!pass(order)) return false;
    }
    return begun_ && printer_.EndDoc();
}

bool PrintRun::pass(const std::vector<int>& order)
{
    if (s_.PrintMode == pmJoin) return join(order);
    for (const int index : order) {
        if (cancelled()) return false;
        if (!(s_.PrintMode == pmSplit ? split(index) : page(index))) return false;
    }
    return true;
}

std::shared_ptr<TrpReportPage> PrintRun::build(int index)
{
    // A handler may change the page, so it gets it as any caller does;
    // without one the page is only drawn, and its objects build the next.
    const bool handler = report_ && report_->OnPrintPage;
    std::shared_ptr<TrpReportPage> page = handler ? pages_.GetPage(index) : pages_.PageToDraw(index);
    if (page && handler) report_->OnPrintPage(page.get(), pages_.CopyNo);
    return page;
}

SheetParams PrintRun::sheetParams(bool turned, const TrpReportPage& page) const
{
    return {sheet_.code, turned ? sheet_.height : sheet_.width, turned ? sheet_.width : sheet_.height, turned,
            binOf(page), duplexOf(page), copies_};
}

bool PrintRun::page(int index)
{
    std::shared_ptr<TrpReportPage> page = build(index);
    if (!page) return true;
    const bool landscape = page->Orientation() == poLandscape;
    const Extended width = PaperMm(page->PaperWidth()), height = PaperMm(page->PaperHeight());
    if (s_.PrintMode == pmScale)
        send(sheetParams(landscape, *page));
    else
        send({page->PaperSize(), width, height, landscape, binOf(*page), duplexOf(*page), copies_});
    if (!beginPage()) return false;
    Extended scale = 1;
    if (s_.PrintMode == pmScale) {
        // One factor both ways, so that the page keeps its proportions.
        pages_.PrintScale = std::min(printer_.PaperWidth() / width, printer_.PaperHeight() / height);
        scale = pages_.PrintScale;
    }
    const Extended k = pixelsPerMm();
    pages_.DrawPage(index, printer_.Canvas(), scale * drawScale(), scale * drawScale(), -printer_.LeftMargin() * k,
                    -printer_.TopMargin() * k);
    if (!endPage()) return false;
    page.reset();
    pages_.DoneDrawing(index);
    pageDone();
    return true;
}

bool PrintRun::split(int index)
{
    std::shared_ptr<TrpReportPage> page = build(index);
    if (!page) return true;
    const Extended width = PaperMm(page->PaperWidth()), height = PaperMm(page->PaperHeight());
    const Extended overlap = std::max<Extended>(s_.SplitOverlap, 0);
    const int64_t across = SplitSheetCount(width, sheet_.printableWidth, overlap);
    const int64_t down = SplitSheetCount(height, sheet_.printableHeight, overlap);
    const int64_t turnedAcross = SplitSheetCount(width, sheet_.printableHeight, overlap);
    const int64_t turnedDown = SplitSheetCount(height, sheet_.printableWidth, overlap);
    const bool turned = turnedAcross * turnedDown < across * down;
    const int64_t columns = turned ? turnedAcross : across, rows = turned ? turnedDown : down;
    const Extended k = pixelsPerMm();
    for (int64_t row = 0; row < rows; ++row) {
        for (int64_t column = 0; column < columns; ++column) {
            if (cancelled()) return false;
            send(sheetParams(turned, *page));
            if (!beginPage()) return false;
            // Each sheet prints its printable area; the next one goes on
            // where this one ends less the overlap, which it leaves blank.
            const Extended printableWidth = printer_.PaperWidth() - printer_.LeftMargin() - printer_.RightMargin();
            const Extended printableHeight = printer_.PaperHeight() - printer_.TopMargin() - printer_.BottomMargin();
            Extended advanceX = printableWidth - overlap, advanceY = printableHeight - overlap;
            if (advanceX <= kEpsilon) advanceX = printableWidth;
            if (advanceY <= kEpsilon) advanceY = printableHeight;
            const int skip = static_cast<int>(Round(overlap * k));
            TCanvas& canvas = printer_.Canvas();
            canvas.SetClipRect(TRect{column > 0 ? skip : 0, row > 0 ? skip : 0,
                                     static_cast<int>(Round(printableWidth * k)),
                                     static_cast<int>(Round(printableHeight * k))});
            pages_.DrawPage(index, canvas, drawScale(), drawScale(), -column * advanceX * k, -row * advanceY * k);
            canvas.SetClipRect(std::nullopt);
            if (!endPage()) return false;
        }
    }
    page.reset();
    pages_.DoneDrawing(index);
    pageDone();
    return true;
}

bool PrintRun::join(const std::vector<int>& order)
{
    std::vector<int> placed;
    for (const int index : order)
        placed.insert(placed.end(), s_.Collate ? 1 : std::max<int32_t>(s_.Copies, 1), index);
    const Extended k = pixelsPerMm();
    size_t next = 0;
    while (next < placed.size()) {
        if (cancelled()) return false;
        std::shared_ptr<TrpReportPage> first = build(placed[next]);
        if (!first) {
            ++next;
            continue;
        }
        // Pages are placed on a grid of the sheet's first page.
        const Extended width = PaperMm(first->PaperWidth()), height = PaperMm(first->PaperHeight());
        const int64_t across = JoinPageCount(sheet_.width, width), down = JoinPageCount(sheet_.height, height);
        const int64_t turnedAcross = JoinPageCount(sheet_.height, width);
        const int64_t turnedDown = JoinPageCount(sheet_.width, height);
        const bool turned = turnedAcross * turnedDown > across * down;
        const int64_t columns = turned ? turnedAcross : across, rows = turned ? turnedDown : down;
        send(sheetParams(turned, *first));
        if (!beginPage()) return false;
        const Extended left = printer_.LeftMargin(), top = printer_.TopMargin();
        for (int64_t row = 0; row < rows && next < placed.size(); ++row) {
            for (int64_t column = 0; column < columns && next < placed.size(); ++column, ++next) {
                if (column + row > 0 && !build(placed[next])) continue;
                pages_.DrawPage(placed[next], printer_.Canvas(), drawScale(), drawScale(),
                                (column * width - left) * k, (row * height - top) * k);
            }
        }
        if (!endPage()) return false;
        first.reset();
        pageDone();
    }
    return true;
}

bool PrintRun::blank()
{
    if (!beginPage()) return false;
    return endPage();
}

void PrintRun::send(const SheetParams& params)
{
    // Another two-sided mode starts on a front side.
    if (params.duplex != duplex_) {
        duplex_ = params.duplex;
        backNext_ = false;
    }
    if (sent_ && *sent_ == params) return;
    printer_.SetPrintParams(params.paperSize, params.width, params.height, params.landscape, params.bin, params.duplex,
                            params.copies);
    sent_ = params;
}

bool PrintRun::beginPage()
{
    if (!begun_) {
        if (!printer_.BeginDoc()) return false;
        begun_ = true;
    }
    printer_.BeginPage();
    // A queue's new job (another paper, tray or two-sided mode) starts on
    // a sheet of its own.
    if (printer_.PageStartsJob()) backNext_ = false;
    return true;
}

bool PrintRun::endPage()
{
    if (!printer_.EndPage()) return false;
    firstSheet_ = false;
    if (twoSided() && copies_ % 2 == 1) backNext_ = !backNext_;
    return true;
}

bool PrintRun::cancelled()
{
    if (!report_ || !report_->Terminated) return false;
    if (begun_) printer_.Abort();
    begun_ = false;
    return true;
}

void PrintRun::pageDone()
{
    ++done_;
    if (pages_.OnProgress) pages_.OnProgress(kPrinting, done_);
    if (report_) report_->ProcessMessages();
    pages_.ClearPageCache();
}

}  // namespace

int SplitSheetCount(long double length, long double printable, long double overlap)
{
    if (!(length > printable + kEpsilon) || !(printable > kEpsilon)) return 1;
    long double advance = printable - overlap;
    if (advance <= kEpsilon) advance = printable;
    const long double more = std::ceil((length - printable) / advance - kEpsilon / advance);
    return static_cast<int>(std::clamp<long double>(more, 0, 1e6)) + 1;
}

int JoinPageCount(long double sheet, long double page)
{
    if (!(page > kEpsilon)) return 1;
    const long double fit = std::floor((sheet + kEpsilon) / page);
    return static_cast<int>(std::clamp<long double>(fit, 1, 1e6));
}

bool TrpPreviewPages::Print()
{
    TrpReport* report = Report();
    TrpPrinters& printers = GetPrinters();
    // The run works on a copy: the dialog's choices never stay in the report.
    TrpPrintSettings settings = report ? SettingsOf(*report->PrintOptions()) : TrpPrintSettings{};
    if (const int chosen = printers.IndexOf(settings.Printer); chosen >= 0) printers.SetPrinterIndex(chosen);
    if (settings.ShowDialog) {
        if (!ShowPrintDialog(settings, CurPage)) {
            CopyNo = 0;
            return false;
        }
    } else if (TrpCustomPrinter* printer = printers.GetCurrentPrinter()) {
        printer->SetFileName(settings.FileName);
    }
    TrpCustomPrinter* printer = printers.GetCurrentPrinter();
    if (!printer) {
        ErrorMessageBox(GetResources().Get("clNoPrinters"));
        return false;
    }
    // The printer goes back to printing to itself afterwards.
    struct ForgetFile {
        TrpCustomPrinter& printer;
        ~ForgetFile() { printer.SetFileName({}); }
    } forget{*printer};
    // Without a queue the stand-in printer still writes a file.
    if (!printers.HasPhysicalPrinters() && printer->FileName().empty()) {
        ErrorMessageBox(GetResources().Get("clNoPrinters"));
        return false;
    }
    return PrintTo(*printer, settings);
}

bool TrpPreviewPages::PrintTo(TrpCustomPrinter& printer, const TrpPrintSettings& settings)
{
    TrpReport* report = Report();
    // Whatever happens, the pages and the preview are left as they were
    // found and no half document stays open.
    struct Restore {
        TrpPreviewPages& pages;
        TrpCustomPrinter& printer;
        TrpCustomPreview* preview = nullptr;
        bool progress = false;
        ~Restore()
        {
            if (printer.Printing()) printer.Abort();
            pages.CopyNo = 0;
            pages.PrintScale = 1;
            try {
                if (progress && pages.OnProgressStop) pages.OnProgressStop(kPrinting);
                if (preview) preview->Unlock();
            } catch (...) {
            }
        }
    } restore{*this, printer};
    PrintScale = 1;
    if (!printer.Initialized() || printer.DPI().X <= 0 || printer.DPI().Y <= 0) {
        ErrorMessageBox("Printer selected is not valid");
        return false;
    }
    std::vector<int> order;
    try {
        order = SelectPages(settings.PageNumbers, GetCount(), settings.Reverse, settings.PrintPages);
    } catch (const EConvertError& e) {
        ErrorMessageBox(e.what());
        return false;
    }

    Sheet sheet;
    if (settings.PrintMode != pmDefault) {
        printer.SetViewParams(settings.PrintOnSheet, printer.PaperWidth(), printer.PaperHeight(), false);
        sheet = {printer.PaperSize(), printer.PaperWidth(), printer.PaperHeight(),
                 printer.PaperWidth() - printer.LeftMargin() - printer.RightMargin(),
                 printer.PaperHeight() - printer.TopMargin() - printer.BottomMargin()};
    }
    if (report) {
        if (report->OnPrintReport) report->OnPrintReport(report);
        report->DoNotifyEvent(report, report->OnReportPrint, !report->EngineOptions()->DestroyForms);
    }
    if (report && report->Preview()) {
        restore.preview = report->Preview();
        restore.preview->Lock();
    }
    ClearPageCache();

    if (report) report->Terminated = false;
    restore.progress = true;
    if (OnProgressStart) OnProgressStart(kPrinting);
    std::string title = report ? report->ReportOptions()->Name : std::string();
    if (title.empty() && report) title = report->FileName;
    printer.SetTitle(title);
    PrintRun run(*this, printer, settings, sheet);
    const bool printed = !order.empty() && run.Run(order);
    if (report && report->OnAfterPrintReport) report->OnAfterPrintReport(report);
    return printed;
}
