// The page areas of the preview: layout, painting, scrolling, the mouse,
// the wheel and the keys.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "Guard.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "rpPreview.h"

// ---- TrpPageList

void TrpPageList::CalcBounds(int ClientWidth)
{
    MaxWidth = 0;
    int y = 10;
    const int n = Count();
    int i = 0;
    while (i < n) {
        int x = 0, rowHeight = 0, j = i;
        for (; j < n; ++j) {
            TrpPageItem& item = Items[j];
            if (x > 0 && x + item.Width > ClientWidth) break;
            item.OffsetX = x;
            item.OffsetY = y;
            x += item.Width + 10;
            rowHeight = std::max(rowHeight, item.Height);
        }
        MaxWidth = std::max(MaxWidth, x);
        const int shift = std::max(0, (ClientWidth - x + 10) / 2);
        for (int k = i; k < j; ++k) Items[k].OffsetX += shift + 10;
        y += rowHeight + 10;
        i = j;
    }
}

int TrpPageList::Bottom() const
{
    return Items.empty() ? 0 : Items.back().OffsetY + Items.back().Height;
}

int TrpPageList::FindPage(int Y, int X) const
{
    const int n = Count();
    int lo = 0, hi = n - 1, found = 0;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const TrpPageItem& item = Items[mid];
        const int tolerance = X == 0 ? static_cast<int>(Round(item.Height / 5.0L)) : 0;
        if (item.OffsetY <= Y + tolerance) {
            found = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (X == 0) return found;
    for (int i = std::max(0, found - 20); i <= std::min(n - 1, found + 20); ++i) {
        const TrpPageItem& item = Items[i];
        if (X >= item.OffsetX && X < item.OffsetX + item.Width && Y >= item.OffsetY && Y < item.OffsetY + item.Height)
            return i;
    }
    return found;
}

// ---- cursors

Qt::CursorShape rpCursorShape(int Cursor)
{
    switch (Cursor) {
    case TrpPreviewWorkspace::crHand: return Qt::OpenHandCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

// ---- TrpPreviewWorkspace

TrpPreviewWorkspace::TrpPreviewWorkspace(TrpPreview* Preview_, bool IsThumbnail_, QWidget* parent)
    : TrpScrollWin(parent), Preview(Preview_), IsThumbnail(IsThumbnail_)
{
    setObjectName(IsThumbnail ? QStringLiteral("Thumbnail") : QStringLiteral("Workspace"));
    SetLargeChange(300);
    SetSmallChange(8);
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    ApplyCursor(DefaultCursor);
    if (IsThumbnail) Zoom = 0.1L;
}

int TrpPreviewWorkspace::LayoutWidth() const { return viewport()->width() - 26; }

void TrpPreviewWorkspace::SetRightToLeft(bool Value)
{
    if (FRightToLeft == Value) return;
    FRightToLeft = Value;
    setLayoutDirection(Value ? Qt::RightToLeft : Qt::LeftToRight);
    Repaint();
}

// Mirrored, the view at position 0 shows the right end of the mirrored
// pages, the exact mirror image of the view at 0 left to right.
int TrpPreviewWorkspace::ViewLeft() const
{
    return FRightToLeft ? -(HorzPosition() + viewport()->width() - LayoutWidth()) : HorzPosition();
}

void TrpPreviewWorkspace::ScrollPagesBy(int Dx) { SetHorzPosition(HorzPosition() + (FRightToLeft ? Dx : -Dx)); }

TRect TrpPreviewWorkspace::GetPageBounds(int Index) const
{
    const int clientWidth = LayoutWidth();
    if (Index >= 0 && Index < PageList.Count() && Index < Preview->PageCount()) {
        const TrpPageItem& item = PageList.Items[Index];
        const int left = FRightToLeft ? clientWidth - item.Width - item.OffsetX : item.OffsetX;
        return {left, item.OffsetY, left + item.Width, item.OffsetY + item.Height};
    }
    const int width = static_cast<int>(Round(794 * Zoom)), height = static_cast<int>(Round(1123 * Zoom));
    const int left = width < clientWidth ? static_cast<int>(Round((clientWidth - width) / 2.0L)) : 10;
    const int top = static_cast<int>(Round(10 * Zoom));
    return {left, top, left + width, top + height};
}

void TrpPreviewWorkspace::CalcBounds()
{
    PageList.CalcBounds(LayoutWidth());
    SetHorzRange(PageList.MaxWidth + 10);
    SetVertRange(PageList.Bottom() + 10);
}

void TrpPreviewWorkspace::OnHScroll(int OldPosition)
{
    const int moved = HorzPosition() - OldPosition;
    viewport()->scroll(FRightToLeft ? moved : -moved, 0);
}

void TrpPreviewWorkspace::OnVScroll(int OldPosition)
{
    viewport()->scroll(0, OldPosition - VertPosition());
    if (IsThumbnail || PageList.Count() == 0 || Preview->FScrollingToPage) return;
    ScrollFromPage = true;
    Preview->SetPageNo(PageList.FindPage(VertPosition(), 0) + 1);
    ScrollFromPage = false;
}

void TrpPreviewWorkspace::resizeEvent(QResizeEvent* event)
{
    TrpScrollWin::resizeEvent(event);
    gui::guarded([&] { Preview->AreaResized(this); });
}

void TrpPreviewWorkspace::paintEvent(QPaintEvent* event)
{
    FPaintRect = event->rect();
    TrpScrollWin::paintEvent(event);
}

void TrpPreviewWorkspace::Paint(QPainter& Painter)
{
    const QColor back = ToQColor(BackColor);
    const QRect view = viewport()->rect();
    const int count = std::min(PageList.Count(), Preview->PageCount());
    const int dx = -ViewLeft(), dy = -VertPosition();
    auto onScreen = [&](const TRect& r) { return QRect(r.Left + dx, r.Top + dy, r.Width(), r.Height()); };
    if (Locked) {
        Painter.fillRect(FPaintRect, back);
        return;
    }
    if (count == 0) {
        // No pages yet: an empty sheet where the first one will be.
        const QRect sheet = onScreen(GetPageBounds(-1));
        Painter.fillRect(FPaintRect, back);
        Painter.fillRect(sheet, Qt::white);
        Painter.setPen(ToQColor(FrameColor));
        Painter.drawRect(sheet.adjusted(0, 0, -1, -1));
        return;
    }
    const int top = PageList.FindPage(VertPosition(), 0);
    std::vector<int> visible;
    QRegion background(FPaintRect);
    for (int i = std::max(0, top - 40); i <= std::min(count - 1, top + 40); ++i) {
        const QRect r = onScreen(GetPageBounds(i));
        if (!r.intersects(view)) continue;
        visible.push_back(i);
        background -= r;
    }
    Painter.setClipRegion(background);
    Painter.fillRect(FPaintRect, back);
    Painter.setClipping(false);
    if (PageNo >= 1 && PageNo <= count) {
        const QRect r = onScreen(GetPageBounds(PageNo - 1));
        const QColor active = ToQColor(ActiveFrameColor);
        Painter.fillRect(r.left() - 2, r.top() - 2, r.width() + 4, 2, active);
        Painter.fillRect(r.left() - 2, r.bottom() + 1, r.width() + 4, 2, active);
        Painter.fillRect(r.left() - 2, r.top(), 2, r.height(), active);
        Painter.fillRect(r.right() + 1, r.top(), 2, r.height(), active);
    }
    TQtCanvas canvas(Painter);
    const TRect paintRect{FPaintRect.left(), FPaintRect.top(), FPaintRect.right() + 1, FPaintRect.bottom() + 1};
    const TrpPreview::SearchState& search = Preview->Search();
    for (int i : visible) {
        const QRect r = onScreen(GetPageBounds(i));
        if (!r.intersects(FPaintRect)) continue;
        Painter.fillRect(r, Qt::white);
        Painter.setPen(ToQColor(FrameColor));
        Painter.drawRect(r.adjusted(0, 0, -1, -1));
        canvas.SetClipRect(paintRect);
        Preview->PreviewPages->DrawPage(i, canvas, Zoom, Zoom, r.left(), r.top());
        canvas.SetClipRect(std::nullopt);
        if (IsThumbnail) {
            canvas.Font()->SetName("Arial");
            canvas.Font()->SetSize(8);
            canvas.Font()->SetColor(clWhite);
            canvas.Font()->SetStyle({});
            canvas.Brush()->SetStyle(bsSolid);
            canvas.Brush()->SetColor(BackColor);
            canvas.TextOut(r.left() + 1, r.top() + 1, " " + IntToStr(i + 1) + " ");
        }
        if (search.Found && search.Page == i) {
            Painter.save();
            Painter.setCompositionMode(QPainter::CompositionMode_Difference);
            for (const TRect& f : search.FoundParts) {
                const QRect hit(r.left() + static_cast<int>(Round(f.Left * Zoom)) - 1,
                                r.top() + static_cast<int>(Round(f.Top * Zoom)), static_cast<int>(Round(f.Width() * Zoom)) + 2,
                                static_cast<int>(Round(f.Height() * Zoom)));
                Painter.fillRect(hit, Qt::white);
            }
            Painter.restore();
        }
    }
}

int TrpPreviewWorkspace::PageAt(QPoint At, QPoint& Relative) const
{
    const int x = At.x() + ViewLeft(), y = At.y() + VertPosition();
    const int mirroredX = FRightToLeft ? LayoutWidth() - 1 - x : x;
    const int index = PageList.FindPage(y, std::max(1, mirroredX));
    const TRect r = GetPageBounds(index);
    Relative = QPoint(x - r.Left, y - r.Top);
    return index;
}

void TrpPreviewWorkspace::ApplyCursor(int Cursor) { viewport()->setCursor(rpCursorShape(Cursor)); }

void TrpPreviewWorkspace::mousePressEvent(QMouseEvent* event)
{
    gui::guarded([&] {
        if (Preview->OnMouseDown) Preview->OnMouseDown(event);
        if (event->button() != Qt::LeftButton || Preview->PageCount() == 0 || Locked) return;
        Down = true;
        LastX = event->position().toPoint().x();
        LastY = event->position().toPoint().y();
        if (!IsThumbnail) viewport()->setCursor(Qt::ClosedHandCursor);
    });
}

void TrpPreviewWorkspace::mouseMoveEvent(QMouseEvent* event)
{
    gui::guarded([&] {
        const QPoint at = event->position().toPoint();
        if (Down) {
            ScrollPagesBy(at.x() - LastX);
            SetVertPosition(VertPosition() - (at.y() - LastY));
            LastX = at.x();
            LastY = at.y();
            return;
        }
        if (Preview->PageCount() == 0 || Locked || IsThumbnail) return;
        QPoint relative;
        const int page = PageAt(at, relative);
        TrpPageClick click;
        click.X = relative.x();
        click.Y = relative.y();
        click.Scale = Zoom;
        click.Cursor = static_cast<TCursor>(DefaultCursor);
        Preview->PreviewPages->HandleObjectClick(page, click);
        ApplyCursor(click.Cursor);
        if (Preview->OnHint && Preview->UseReportHints) Preview->OnHint(click.Hint);
    });
}

void TrpPreviewWorkspace::mouseReleaseEvent(QMouseEvent* event)
{
    gui::guarded([&] {
        Down = false;
        ApplyCursor(DefaultCursor);
        if (!IsThumbnail && Preview->OnClick) Preview->OnClick();
        if (Preview->PageCount() == 0 || Locked) return;
        QPoint relative;
        const int page = PageAt(event->position().toPoint(), relative);
        ScrollFromPage = true;
        Preview->SetPageNo(page + 1);
        ScrollFromPage = false;
        if (IsThumbnail || event->button() == Qt::RightButton) return;
        TrpPageClick click;
        click.X = relative.x();
        click.Y = relative.y();
        click.Scale = Zoom;
        click.Click = true;
        click.Button = event->button() == Qt::MiddleButton ? mbMiddle : mbLeft;
        click.Shift = event->modifiers().toInt();
        click.Cursor = static_cast<TCursor>(DefaultCursor);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (LastClickTicks != 0 && now - LastClickTicks < QApplication::doubleClickInterval()) {
            click.DoubleClick = true;
            LastClickTicks = 0;
        } else {
            LastClickTicks = now;
        }
        Preview->HandleClick(page, click);
    });
}

void TrpPreviewWorkspace::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The press of a double click drags like any other.
    mousePressEvent(event);
    if (!IsThumbnail && Preview->OnDblClick) gui::guarded([&] { Preview->OnDblClick(); });
}

void TrpPreviewWorkspace::wheelEvent(QWheelEvent* event)
{
    gui::guarded([&] {
        const QPoint delta = event->angleDelta();
        const bool horizontal = delta.y() == 0 && delta.x() != 0;
        Preview->MouseWheelScroll(horizontal ? delta.x() : delta.y(), horizontal,
                                  event->modifiers().testFlag(Qt::ControlModifier));
    });
    event->accept();
}

void TrpPreviewWorkspace::keyPressEvent(QKeyEvent* event)
{
    gui::guarded([&] { Preview->WorkspaceKey(event); });
}

void TrpPreviewWorkspace::contextMenuEvent(QContextMenuEvent* event)
{
    if (Preview->PopupMenu) Preview->PopupMenu->popup(event->globalPos());
}
