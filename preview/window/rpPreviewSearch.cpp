// Text search in the preview.
#include "rpPreviewSearch.h"

#include <QStringView>

#include <numeric>

#include "SizedFont.h"
#include "rpPreview.h"
#include "rpRes.h"
#include "rpSearchDialog.h"
#include "rpUiServices.h"

void TrpSearchCanvas::ExtTextOut(int x, int y, unsigned, const TRect*, std::u16string_view text,
                                 std::span<const int> dx)
{
    if (text.empty()) return;
    const SizedFont& font = DeviceFont();
    const int64_t width = dx.empty() ? font.width(text) : std::accumulate(dx.begin(), dx.end(), int64_t{0});
    runs_.push_back({std::u16string(text),
                     {x, y, ClampCoordinate(x + width), y + font.ascent() + font.descent()}});
}

int TrpSearchCanvas::FindAfter(int after, std::u16string_view text, bool caseSensitive) const
{
    if (text.empty()) return -1;
    const QStringView needle(text.data(), static_cast<qsizetype>(text.size()));
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (size_t i = static_cast<size_t>(std::max(after + 1, 0)); i < runs_.size(); ++i) {
        const std::u16string& run = runs_[i].Text;
        if (QStringView(run.data(), static_cast<qsizetype>(run.size())).contains(needle, cs)) return static_cast<int>(i);
    }
    return -1;
}

const TrpSearchCanvas& TrpPreview::SearchPicture(int Page)
{
    if (!FSearchPicture) FSearchPicture = std::make_unique<TrpSearchCanvas>();
    if (FSearchPicturePage != Page) {
        FSearchPicture->Clear();
        FSearchPicturePage = -1;
        if (PreviewPages) PreviewPages->DrawPage(Page, *FSearchPicture, 1, 1, 0, 0);
        FSearchPicturePage = Page;
    }
    return *FSearchPicture;
}

void TrpPreview::Find()
{
    TrpSearchRequest request;
    if (TrpSearchDialog::Execute(request)) FindText(request.Text, request.CaseSensitive, request.FromTop);
    FCanFindNext = true;
}

void TrpPreview::FindNext()
{
    if (FCanFindNext) FindText();
}

void TrpPreview::FindText(const std::u16string& Text, bool CaseSensitive, bool FromTop)
{
    FSearch.Text = Text;
    FSearch.CaseSensitive = CaseSensitive;
    FSearch.Page = FromTop ? 0 : FPageNo - 1;
    FSearch.LastFoundRecord = -1;
    FindText();
}

void TrpPreview::FindText()
{
    FSearch.Found = false;
    const int count = PageCount();
    while (FSearch.Page < count) {
        const TrpSearchCanvas& picture = SearchPicture(FSearch.Page);
        const int hit = picture.FindAfter(FSearch.LastFoundRecord, FSearch.Text, FSearch.CaseSensitive);
        FSearch.RecordCount = static_cast<int>(picture.Runs().size());
        if (hit >= 0) {
            FSearch.Found = true;
            FSearch.FoundRect = picture.Runs()[hit].Bounds;
            FSearch.LastFoundRecord = hit;
            ScrollToFound();
            InvalidateViews();
            return;
        }
        FSearch.LastFoundRecord = -1;
        ++FSearch.Page;
    }
    InvalidateViews();
    rpMessageBox(GetResources().Get("clStrNotFound"), GetResources().Get("mbInfo"), rpMB_OK | rpMB_ICONINFORMATION);
}

void TrpPreview::ScrollToFound()
{
    if (FSearch.Page + 1 != FPageNo) SetPageNo(FSearch.Page + 1);
    if (FSearch.Page >= Workspace->PageList.Count()) return;
    const TRect page = Workspace->GetPageBounds(FSearch.Page);
    const TRect& f = FSearch.FoundRect;
    const int top = page.Top + static_cast<int>(Round(f.Top * FZoom));
    const int bottom = page.Top + static_cast<int>(Round(f.Bottom * FZoom));
    const int left = page.Left + static_cast<int>(Round(f.Left * FZoom));
    const int right = page.Left + static_cast<int>(Round(f.Right * FZoom));
    const int viewHeight = Workspace->viewport()->height(), viewWidth = Workspace->viewport()->width();
    FScrollingToPage = true;
    if (top < Workspace->VertPosition() || bottom > Workspace->VertPosition() + viewHeight)
        Workspace->SetVertPosition(bottom - viewHeight + 20);
    // The text's far side on the screen (its right, mirrored its left) comes
    // 20 pixels inside the view.
    const int viewLeft = Workspace->ViewLeft();
    if (left < viewLeft || right > viewLeft + viewWidth)
        Workspace->ScrollPagesBy(Workspace->RightToLeft() ? 20 - (left - viewLeft) : viewWidth - 20 - (right - viewLeft));
    FScrollingToPage = false;
}
