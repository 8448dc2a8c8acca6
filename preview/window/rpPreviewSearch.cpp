// Text search in the preview.
#include "rpPreviewSearch.h"

#include <QStringView>

#include <algorithm>
#include <numeric>

#include "SizedFont.h"
#include "rpPreview.h"
#include "rpRes.h"
#include "rpSearchDialog.h"
#include "rpUiServices.h"

void TrpSearchCanvas::Clear()
{
    runs_.clear();
    joins_.clear();
}

void TrpSearchCanvas::ExtTextOut(int x, int y, unsigned, const TRect*, std::u16string_view text,
                                 std::span<const int> dx)
{
    if (text.empty()) return;
    const SizedFont& font = DeviceFont();
    std::vector<int> advances(text.size());
    if (dx.size() >= text.size()) {
        std::copy_n(dx.begin(), text.size(), advances.begin());
    } else {
        std::vector<int32_t> own(text.size());
        font.advances(text, own);
        std::copy(own.begin(), own.end(), advances.begin());
    }
    const int64_t width = dx.empty() ? font.width(text) : std::accumulate(dx.begin(), dx.end(), int64_t{0});
    runs_.push_back({std::u16string(text), {x, y, ClampCoordinate(x + width), y + font.ascent() + font.descent()},
                     std::move(advances)});
    joins_.clear();
}

TrpSearchCanvas::Join TrpSearchCanvas::joinOf(size_t i, int lineLeft) const
{
    if (i == 0) return Join::None;
    const TRect& a = runs_[i - 1].Bounds;
    const TRect& b = runs_[i].Bounds;
    const int height = std::max(a.Height(), 1);
    // Side by side on one line: a change of style within it.
    if (std::abs(b.Left - a.Right) <= 1 && b.Top < a.Bottom && a.Top < b.Bottom) return Join::SameLine;
    // The line right below, under the line before: the line spacing of a
    // wrapped text, not the gap between two boxes.
    const bool below = b.Top > a.Top + height / 2 && b.Top <= a.Bottom + height * 3 / 5;
    return below && b.Left < a.Right && b.Right > lineLeft ? Join::NextLine : Join::None;
}

const std::vector<TrpSearchCanvas::Join>& TrpSearchCanvas::joins() const
{
    if (joins_.size() != runs_.size()) {
        joins_.clear();
        int lineLeft = 0;  // where the line of the run before starts
        for (size_t i = 0; i < runs_.size(); ++i) {
            joins_.push_back(joinOf(i, lineLeft));
            if (joins_.back() != Join::SameLine) lineLeft = runs_[i].Bounds.Left;
        }
    }
    return joins_;
}

bool TrpSearchCanvas::matchAt(std::u16string_view joined, const std::vector<bool>& breaks, size_t at,
                              std::u16string_view text, bool caseSensitive, size_t* end)
{
    const auto same = [caseSensitive](char16_t a, char16_t b) {
        return a == b || (!caseSensitive && QChar(a).toCaseFolded() == QChar(b).toCaseFolded());
    };
    size_t k = at;
    for (size_t j = 0; j < text.size();) {
        if (k < joined.size() && same(joined[k], text[j])) {
            ++k;
            ++j;
        } else if (k > at && breaks[k] && QChar(text[j]).isSpace()) {
            // The blank a line break took.
            ++j;
        } else {
            return false;
        }
    }
    *end = k;
    return true;
}

TRect TrpSearchCanvas::part(size_t run, size_t from, size_t to) const
{
    const Run& r = runs_[run];
    if (from == 0 && to >= r.Text.size()) return r.Bounds;
    const auto x = [&](size_t n) {
        return ClampCoordinate(r.Bounds.Left + std::accumulate(r.Advances.begin(), r.Advances.begin() + static_cast<ptrdiff_t>(n),
                                                               int64_t{0}));
    };
    return {x(from), r.Bounds.Top, x(to), r.Bounds.Bottom};
}

TrpSearchCanvas::Hit TrpSearchCanvas::Find(int after, std::u16string_view text, bool caseSensitive) const
{
    Hit hit;
    if (text.empty()) return hit;
    const std::vector<Join>& join = joins();
    size_t i = static_cast<size_t>(std::max(after + 1, 0));
    while (i < runs_.size()) {
        // The text the run belongs to: the runs before it that it goes on
        // from (a hit may not start there) and after it.
        size_t first = i;
        while (first > 0 && join[first] != Join::None) --first;
        size_t last = i;
        while (last + 1 < runs_.size() && join[last + 1] != Join::None) ++last;
        std::u16string joined;
        std::vector<size_t> starts;
        std::vector<bool> breaks;
        for (size_t r = first; r <= last; ++r) {
            starts.push_back(joined.size());
            breaks.resize(joined.size() + 1, false);
            if (r > first && join[r] == Join::NextLine) breaks[joined.size()] = true;
            joined += runs_[r].Text;
        }
        starts.push_back(joined.size());
        breaks.resize(joined.size() + 1, false);
        for (size_t at = starts[i - first]; at < joined.size(); ++at) {
            size_t end = 0;
            if (!matchAt(joined, breaks, at, text, caseSensitive, &end)) continue;
            const size_t startRun = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
            hit.Run = static_cast<int>(first + startRun);
            for (size_t r = startRun; r + 1 < starts.size() && starts[r] < end; ++r) {
                const size_t from = std::max(at, starts[r]) - starts[r];
                const size_t to = std::min(end, starts[r + 1]) - starts[r];
                if (to > from || r == startRun) hit.Parts.push_back(part(first + r, from, to));
            }
            // Within one run: the run, as it always was.
            if (hit.Parts.size() == 1) hit.Parts[0] = runs_[first + startRun].Bounds;
            return hit;
        }
        i = last + 1;
    }
    return hit;
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
        const TrpSearchCanvas::Hit hit = picture.Find(FSearch.LastFoundRecord, FSearch.Text, FSearch.CaseSensitive);
        FSearch.RecordCount = static_cast<int>(picture.Runs().size());
        if (hit.Run >= 0) {
            FSearch.Found = true;
            FSearch.FoundParts = hit.Parts;
            FSearch.FoundRect = hit.Parts.front();
            for (const TRect& p : hit.Parts)
                FSearch.FoundRect = {std::min(FSearch.FoundRect.Left, p.Left), std::min(FSearch.FoundRect.Top, p.Top),
                                     std::max(FSearch.FoundRect.Right, p.Right), std::max(FSearch.FoundRect.Bottom, p.Bottom)};
            FSearch.LastFoundRecord = hit.Run;
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
