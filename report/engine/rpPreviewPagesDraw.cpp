// Prepared pages on a canvas, and what lies under the mouse.
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <optional>

#include "RecordingCanvas.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpBands.h"
#include "rpCustomPreview.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpPreviewPages.h"
#include "rpReport.h"

namespace {

// The view's rectangle on the device; none when it lies beyond what any
// device holds (geometry such as 1e300 in a file from elsewhere), so that
// it is neither drawn nor hit.
std::optional<TRect> deviceRect(const TrpComponent& view, Extended scaleX, Extended scaleY, Extended offsetX,
                                Extended offsetY)
{
    const Extended l = view.AbsLeft(), t = view.AbsTop();
    const Extended edges[4] = {l * scaleX + offsetX, t * scaleY + offsetY, (l + view.Width()) * scaleX + offsetX,
                               (t + view.Height()) * scaleY + offsetY};
    int r[4];
    for (int i = 0; i < 4; ++i) {
        if (!(std::fabs(edges[i]) <= kMaxCoordinate)) return std::nullopt;
        r[i] = static_cast<int>(Round(edges[i]));
    }
    return TRect{r[0], r[1], r[2], r[3]};
}

bool intersects(const TRect& a, const TRect& b)
{
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

}  // namespace

void TrpPreviewPages::DrawPage(int index, TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX,
                               Extended offsetY)
{
    const std::shared_ptr<TrpReportPage> page = PageToDraw(index);
    if (!page) return;
    const bool printing = canvas.IsPrinter();
    // The margins swap back also when drawing throws: the page is drawn again.
    struct Mirror {
        TrpReportPage& page;
        const bool on;
        Mirror(TrpReportPage& p, bool mirrored) : page(p), on(mirrored)
        {
            if (on) std::swap(page.LeftMargin, page.RightMargin);
        }
        ~Mirror()
        {
            if (on) std::swap(page.LeftMargin, page.RightMargin);
        }
    } mirror(*page, page->MirrorMargins && index % 2 == 1);
    const std::optional<TRect> savedClip = canvas.ClipRect();
    if (!printing) {
        canvas.IntersectClipRect(
            {static_cast<int>(Round(offsetX)), static_cast<int>(Round(offsetY)),
             static_cast<int>(Round(offsetX + page->PaperWidth() * rp01cm * scaleX)) - 1,
             static_cast<int>(Round(offsetY + page->PaperHeight() * rp01cm * scaleY)) - 1});
    }
    page->DrawBackground(canvas, scaleX, scaleY, offsetX, offsetY, printing);
    offsetX += page->LeftMargin * rp01cm * scaleX;
    offsetY += page->TopMargin * rp01cm * scaleY;

    // Objects off the visible area (grown by 20 pixels) are not drawn; a
    // recording canvas keeps everything, but the printer's (which records
    // a page to play it into the document) leaves out what a split sheet
    // does not show.
    const bool recording = !printing && dynamic_cast<TRecordingCanvas*>(&canvas) != nullptr;
    std::optional<TRect> visible = canvas.ClipRect();
    if (visible) *visible = {visible->Left - 20, visible->Top - 20, visible->Right + 20, visible->Bottom + 20};
    const int pageCount = GetCount();
    const std::vector<TrpComponent*> objects = page->GetAllObjects();
    for (TrpComponent* object : objects) {
        auto* view = ObjectAs<TrpView>(object);
        if (!view) continue;
        if (printing && !view->Printable()) continue;
        const std::optional<TRect> r = deviceRect(*view, scaleX, scaleY, offsetX, offsetY);
        if (!r || (!recording && visible && !intersects(*visible, *r))) continue;
        // A text is no picture: one class check for either.
        TrpPictureView* picture = nullptr;
        if (auto* memo = ObjectAs<TrpCustomMemoView>(view)) {
            memo->TotalPages = pageCount;
            memo->CopyNo = CopyNo;
        } else {
            picture = ObjectAs<TrpPictureView>(view);
        }
        if (picture) picture->Printing = printing;
        view->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
        if (picture) picture->Printing = false;
    }
    canvas.SetClipRect(savedClip);
}

void TrpPreviewPages::HandleObjectClick(int index, TrpPageClick& click)
{
    if (running()) return;
    const std::shared_ptr<TrpReportPage> page = GetPage(index);
    if (!page) return;
    const Extended offsetX = click.OffsetX + page->LeftMargin * rp01cm * click.Scale;
    const Extended offsetY = click.OffsetY + page->TopMargin * rp01cm * click.Scale;
    const std::vector<TrpComponent*> objects = page->GetAllObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        auto* view = dynamic_cast<TrpView*>(*it);
        if (!view) continue;
        const std::optional<TRect> r = deviceRect(*view, click.Scale, click.Scale, offsetX, offsetY);
        if (!r || click.X < r->Left || click.X > r->Right || click.Y < r->Top || click.Y > r->Bottom) continue;
        click.Page = page;
        click.Object = view;
        if (view->Cursor() != crDefault)
            click.Cursor = view->Cursor();
        else if (!view->URL.empty())
            click.Cursor = crHandPoint;
        if (view->ShowHint) click.Hint = view->Hint;
        if (click.Click || click.DoubleClick) {
            if (click.Click && !view->URL.empty()) followLink(view->URL, click);
            clicked(index, click);
        }
        return;
    }
}

void TrpPreviewPages::followLink(const std::string& url, TrpPageClick& click)
{
    if (url[0] == '@') {
        int page = 0;
        if (TryStrToInt(std::string_view(url).substr(1), page) && page >= 1 && page <= GetCount()) {
            click.LinkPage = page - 1;
            click.LinkTop = 0;
        }
    } else if (url[0] == '#') {
        int page = 0, top = 0;
        if (FindAnchor(url.substr(1), page, top)) {
            click.LinkPage = page;
            click.LinkTop = top;
        }
    } else {
        const QUrl address(QString::fromStdString(url));
        const QString scheme = address.scheme().toLower();
        if (address.isValid() && (scheme == u"http" || scheme == u"https" || scheme == u"mailto"))
            gui::ui().openUrl(address.toString());
    }
}

void TrpPreviewPages::clicked(int index, TrpPageClick& click)
{
    TrpReport* report = Report();
    if (!report) return;
    TrpView* view = click.Object;
    // The view's script handler gets [view, button, shift, modified] and
    // may set the last; then the program's event.
    bool modified = false;
    // Names in a file from elsewhere would call the procedures of whatever
    // report shows it.
    const std::string& handler = click.DoubleClick ? view->OnPreviewDblClick : view->OnPreviewClick;
    if (!handler.empty() && !fromFile_) {
        Variant params = VarArrayOf({ObjectToVariant(view), Variant(static_cast<int32_t>(click.Button)),
                                     Variant(static_cast<int32_t>(click.Shift)), Variant(false)});
        report->DoParamEvent(handler, params, true);
        modified = params.arrayGet(3).toBool();
    }
    if (const auto& event = click.DoubleClick ? report->OnDblClickObject : report->OnClickObject)
        event(view, click.Button, static_cast<int>(click.Shift), modified);
    if (modified) {
        ModifyPage(index, click.Page.get());
        click.Modified = true;
    }
    // A click on a drill-down group opens or closes it: prepared again, by
    // the report's script; a file's pages are no run of it.
    if (!click.Click || fromFile_) return;
    for (TrpComponent* c = view; c; c = c->Parent()) {
        auto* header = dynamic_cast<TrpGroupHeader*>(c);
        if (!header || !header->DrillDown) continue;
        if (!report->ExpandedDrillDowns.erase(header->DrillName)) report->ExpandedDrillDowns.insert(header->DrillName);
        click.Refresh = true;
        if (report->Preview()) report->Preview()->RefreshReport();
        return;
    }
}
