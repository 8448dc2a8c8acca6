// The preview control: navigation, zoom, progress while the report is
// prepared, outline and thumbnails, the message panel and the commands.
#include "rpPreview.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

#include "Guard.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpExportFilter.h"
#include "rpFormKit.h"
#include "rpImageList.h"
#include "rpPages.h"
#include "rpPreviewForm.h"
#include "rpPreviewPageSettings.h"
#include "rpPreviewPages.h"
#include "rpPreviewSearch.h"
#include "rpRegistry.h"
#include "rpReport.h"
#include "rpUiServices.h"

namespace {

// Pages are laid out in int pixels; a larger zoom would overflow them on
// long reports.
constexpr Extended kMaxZoom = 10;
// Wider than any screen; beyond it the splitter's sums could overflow.
constexpr int kMaxOutlineWidth = 4000;

// Unlocks the preview when a command ends, also by an exception.
struct UnlockAtEnd {
    TrpPreview& preview;
    ~UnlockAtEnd() { preview.Unlock(); }
};

std::string ChangeFileExt(const std::string& name, const char* ext)
{
    return std::filesystem::path(name).replace_extension(ext).string();
}

}  // namespace

TrpPreview::TrpPreview(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Preview"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    resize(100, 100);

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(4);
    Splitter->setChildrenCollapsible(false);
    OutlineTree = new QTreeWidget(Splitter);
    OutlineTree->setObjectName(QStringLiteral("OutlineTree"));
    OutlineTree->setHeaderHidden(true);
    OutlineTree->setColumnCount(1);
    OutlineTree->setContextMenuPolicy(Qt::CustomContextMenu);
    OutlineTree->hide();
    Thumbnail = new TrpPreviewWorkspace(this, true, Splitter);
    Thumbnail->hide();
    Workspace = new TrpPreviewWorkspace(this, false, Splitter);
    Splitter->setStretchFactor(2, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter);
    setFocusProxy(Workspace);

    TrpImageList& images = GetResources().GetPreviewButtonImages();
    OutlinePopup = new QMenu(this);
    OutlinePopup->setObjectName(QStringLiteral("OutlinePopup"));
    OutlinePopup->addAction(images.Icon(13), rpRes("601"), this, gui::Slot([this] {
        OutlineTree->collapseAll();
        Workspace->setFocus();
    }));
    OutlinePopup->addAction(images.Icon(14), rpRes("600"), this, gui::Slot([this] {
        OutlineTree->expandAll();
        if (OutlineTree->topLevelItemCount() > 0) OutlineTree->scrollToItem(OutlineTree->topLevelItem(0), QAbstractItemView::PositionAtTop);
        Workspace->setFocus();
    }));
    connect(OutlineTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { OutlinePopup->popup(OutlineTree->viewport()->mapToGlobal(at)); });
    connect(OutlineTree, &QTreeWidget::itemClicked, this, gui::SlotWithArgs([this](QTreeWidgetItem* item, int) { OutlineItemChosen(item); }));
    connect(OutlineTree, &QTreeWidget::currentItemChanged, this,
            gui::SlotWithArgs([this](QTreeWidgetItem* item, QTreeWidgetItem*) { OutlineItemChosen(item); }));
    connect(Splitter, &QSplitter::splitterMoved, this, gui::Slot([this] {
        if (OutlineTree->isVisible()) FOutlineWidth = OutlineTree->width();
        UpdatePages();
    }));

    MessagePanel = new QFrame(this);
    MessagePanel->setObjectName(QStringLiteral("MessagePanel"));
    MessagePanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    MessagePanel->setAutoFillBackground(true);
    MessagePanel->resize(260, 75);
    MessageLabel = rpMake<QLabel>(MessagePanel, "MessageLabel", QRect(2, 8, 256, 24));
    MessageLabel->setAlignment(Qt::AlignCenter);
    CancelButton = rpMake<QPushButton>(MessagePanel, "CancelButton", QRect(92, 40, 75, 25));
    CancelButton->setText(rpRes("clCancel"));
    connect(CancelButton, &QPushButton::clicked, this, gui::Slot([this] { Cancel(); }));
    MessagePanel->hide();
}

TrpPreview::~TrpPreview()
{
    DisconnectChildren(*this);
    // What a file opened here set in the report ends with this preview.
    if (Report && PreviewPages) PreviewPages->RestoreReportSettings();
    if (Report && Report->Preview() == this) Report->SetPreview(nullptr);
}

int TrpPreview::PageCount() const { return PreviewPages ? PreviewPages->GetCount() : 0; }

bool TrpPreview::FinalPass() const
{
    if (PreviewPages && PreviewPages->Engine()) return PreviewPages->Engine()->FinalPass();
    return true;
}

TrpPreviewButtons TrpPreview::Buttons() const
{
    return Report ? Report->PreviewOptions()->Buttons : TrpPreviewButtons::FromBits(rpDefaultPreviewButtons);
}

void TrpPreview::NotifyForm()
{
    if (Form) Form->UpdateControls();
}

void TrpPreview::PageChanged()
{
    if (OnPageChanged) OnPageChanged(this, FPageNo);
}

// ---- TrpCustomPreview

void TrpPreview::Init()
{
    FSearch = SearchState();
    FCanFindNext = false;
    FSearchPicturePage = -1;
    if (Report) {
        const TrpPreviewOptions& options = *Report->PreviewOptions();
        SetOutlineWidth(options.OutlineWidth);
        SetOutlineVisible(options.OutlineVisible);
        SetThumbnailVisible(options.ThumbnailVisible);
        FZoom = std::clamp(options.Zoom, 0.25L, kMaxZoom);
        FZoomMode = options.ZoomMode;
    }
    UpdatePages();
    UpdateOutline();
    First();
}

void TrpPreview::Lock()
{
    FLocked = Workspace->Locked = Thumbnail->Locked = true;
}

void TrpPreview::Unlock()
{
    MessagePanel->hide();
    FLocked = Workspace->Locked = Thumbnail->Locked = false;
    UpdatePages();
    InvalidateViews();
}

void TrpPreview::RefreshReport()
{
    if (!Report) return;
    const int horz = Workspace->HorzPosition(), vert = Workspace->VertPosition(), page = FPageNo;
    Lock();
    FRefreshing = true;
    struct Restore {
        TrpPreview& p;
        ~Restore()
        {
            p.FRefreshing = false;
            p.FLocked = p.Workspace->Locked = p.Thumbnail->Locked = false;
        }
    } restore{*this};
    Prepare();
    FLocked = Thumbnail->Locked = false;
    FPageNo = page <= PageCount() ? page : 1;
    Workspace->PageNo = Thumbnail->PageNo = FPageNo;
    UpdatePages();
    UpdateOutline();
    FRefreshing = false;
    FScrollingToPage = true;
    Workspace->SetHorzPosition(horz);
    Workspace->SetVertPosition(vert);
    FScrollingToPage = false;
    Workspace->Locked = false;
    InvalidateViews();
    if (PageCount() < page) SetPageNo(1);
    if (Form) Form->PreviewIdle();
}

bool TrpPreview::Prepare()
{
    return Report && Report->PrepareReport(true);
}

void TrpPreview::ProgressStart()
{
    if (FRefreshing) return;
    // The pages belong to the run that starts: only the views are emptied.
    Workspace->PageList.Clear();
    Thumbnail->PageList.Clear();
    OutlineTree->clear();
    FSearch = SearchState();
    FSearchPicturePage = -1;
    FPageNo = Workspace->PageNo = Thumbnail->PageNo = 1;
    Workspace->CalcBounds();
    Thumbnail->CalcBounds();
    // A new run starts with its drill-down groups as designed.
    if (Report) Report->ExpandedDrillDowns.clear();
    FRunning = true;
    InvalidateViews();
    NotifyForm();
}

void TrpPreview::Progress(int PageIndex)
{
    if (FRefreshing) {
        PageChanged();
        return;
    }
    const bool final = FinalPass();
    if (final && PageIndex < 50 && PreviewPages && PageIndex == Workspace->PageList.Count() &&
        PageIndex < PageCount()) {
        const TPoint size = PreviewPages->GetPageSize(PageIndex);
        Workspace->PageList.Add(static_cast<int>(Round(size.X * FZoom)), static_cast<int>(Round(size.Y * FZoom)));
        // Laid out at once, the scroll bars follow with the next repaint:
        // each change of theirs repaints them and the window.
        Workspace->PageList.CalcBounds(Workspace->LayoutWidth());
        FRangesStale = true;
        if (pageInView(PageIndex)) FViewStale = true;
    }
    if (PageIndex == 0) {
        SetPageNo(1);
        if (final) UpdatePages();
        if (Form) Form->ShowRunning(true);
        // The first page shows at once.
        Workspace->viewport()->update();
        QCoreApplication::processEvents();
        FViewStale = FRangesStale = false;
        FRepaintTime.start();
        // The second page's time is the engine's, not that of this paint.
        FFirstPageTime.start();
        return;
    }
    {
        // What changes in view shows with the next repaint below.
        const bool deferring = FDeferRepaint;
        FDeferRepaint = true;
        struct Restore {
            bool& flag;
            bool value;
            ~Restore() { flag = value; }
        } restore{FDeferRepaint, deferring};
        if (PageIndex == 1) {
            const qint64 elapsed = FFirstPageTime.isValid() ? FFirstPageTime.elapsed() : 0;
            FRefreshInterval = RefreshIntervalFor(elapsed);
            SetPageNo(1);
            if (final) UpdatePages();
        } else if (FRefreshInterval > 0 && PageIndex % FRefreshInterval == 0) {
            PageChanged();
            if (final) FRangesStale = true;
        }
    }
    // Pages that come into view show a few times a second, not each as it
    // comes: a paint builds the pages in view again (nothing is cached while
    // the engine runs), which costs more than making them. The report lets
    // the window see its events (a move, the cancel button) every few
    // milliseconds, and a move paints at once.
    if ((FViewStale || FRangesStale) && (!FRepaintTime.isValid() || FRepaintTime.elapsed() >= kRunningRepaintMs)) {
        if (FRangesStale) Workspace->CalcBounds();
        if (FViewStale) Workspace->viewport()->update();
        FViewStale = FRangesStale = false;
        FRepaintTime.start();
    }
}

void TrpPreview::ProgressStop()
{
    if (FRefreshing) return;
    FRunning = false;
    FViewStale = FRangesStale = false;
    PageChanged();
    UpdatePages();
    UpdateOutline();
    if (Form) {
        Form->ShowRunning(false);
        Form->UpdateControls();
        Form->PreviewIdle();
    }
}

// ---- navigation and view

void TrpPreview::ScrollTo(TrpPreviewWorkspace* Area, int Page)
{
    if (Area->ScrollFromPage || Page - 1 >= Area->PageList.Count()) return;
    FScrollingToPage = true;
    Area->SetVertPosition(Area->GetPageBounds(Page - 1).Top - 10);
    FScrollingToPage = false;
}

void TrpPreview::SetPageNo(int Value)
{
    Value = std::clamp(Value, 1, std::max(1, PageCount()));
    const bool changed = Value != FPageNo;
    FPageNo = Workspace->PageNo = Thumbnail->PageNo = Value;
    if (changed) InvalidateViews();
    ScrollTo(Workspace, Value);
    if (Thumbnail->isVisible()) ScrollTo(Thumbnail, Value);
    PageChanged();
}

void TrpPreview::SetPosition(int Page, int Top)
{
    const int count = PageCount();
    if (count == 0) return;
    Page = std::clamp(Page, 1, count);
    SetPageNo(Page);
    if (Page - 1 >= Workspace->PageList.Count()) return;
    int offset = 0;
    if (Top != 0) {
        const std::shared_ptr<TrpReportPage> page = PreviewPages->GetPage(Page - 1);
        const Extended margin = page ? page->TopMargin * rp01cm : 0;
        offset = static_cast<int>(Round((margin + Top) * FZoom));
    }
    FScrollingToPage = true;
    Workspace->SetVertPosition(Workspace->GetPageBounds(Page - 1).Top - 10 + offset);
    FScrollingToPage = false;
}

void TrpPreview::SetZoom(Extended Value)
{
    FZoom = std::clamp(Value, 0.25L, kMaxZoom);
    FZoomMode = zmDefault;
    UpdatePages();
}

void TrpPreview::SetZoomMode(TrpZoomMode Value)
{
    FZoomMode = Value;
    UpdatePages();
}

bool TrpPreview::pageInView(int Index) const
{
    const TRect r = Workspace->GetPageBounds(Index);
    const QRect onScreen(r.Left - Workspace->ViewLeft(), r.Top - Workspace->VertPosition(), r.Width(), r.Height());
    return onScreen.intersects(Workspace->viewport()->rect());
}

void TrpPreview::InvalidateViews()
{
    if (FDeferRepaint) {
        FViewStale = true;
        return;
    }
    Workspace->Repaint();
    Thumbnail->Repaint();
}

void TrpPreview::UpdatePages()
{
    const int count = PageCount();
    if (FLocked || count == 0) return;
    FCanFindNext = false;
    FSearchPicturePage = -1;
    const TPoint size = PreviewPages->GetPageSize(FPageNo - 1);
    if (size.Y == 0) return;
    const QSize area = Workspace->viewport()->size();
    const Extended w = size.X, h = size.Y;
    Extended zoom = FZoom;
    if (FZoomMode == zmWholePage) {
        zoom = h / area.height() >= w / area.width() ? (area.height() - 26) / h : (area.width() - 26) / w;
    } else if (FZoomMode == zmPageWidth) {
        zoom = (area.width() - 26) / w;
    }
    // A view too small to hold anything keeps the zoom it had.
    if (zoom > 0) FZoom = std::min(zoom, kMaxZoom);
    // The current page keeps its place in the view: the part of it at the
    // view's top stays there, or the gap above it when that shows.
    const int anchor = FPageNo - 1;
    const bool anchored = anchor < Workspace->PageList.Count() && Workspace->Zoom > 0;
    int gap = 0;
    Extended into = 0;
    if (anchored) {
        const int offset = Workspace->VertPosition() - Workspace->GetPageBounds(anchor).Top;
        if (offset < 0) gap = std::max(offset, -10);
        else into = offset / Workspace->Zoom;
    }
    Workspace->Zoom = FZoom;
    Thumbnail->Zoom = 0.1L;
    std::vector<TrpPageItem>& items = Workspace->PageList.Items;
    items.resize(static_cast<size_t>(count));
    const bool thumbnails = !FRunning;
    if (thumbnails) Thumbnail->PageList.Items.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const TPoint s = i == FPageNo - 1 ? size : PreviewPages->GetPageSize(i);
        items[i].Width = static_cast<int>(Round(s.X * FZoom));
        items[i].Height = static_cast<int>(Round(s.Y * FZoom));
        if (thumbnails) {
            TrpPageItem& t = Thumbnail->PageList.Items[i];
            t.Width = static_cast<int>(Round(s.X * 0.1L));
            t.Height = static_cast<int>(Round(s.Y * 0.1L));
        }
    }
    // A new layout moves the view, not the current page.
    FScrollingToPage = true;
    Workspace->CalcBounds();
    Thumbnail->CalcBounds();
    if (anchored && FZoomMode != zmWholePage)
        Workspace->SetVertPosition(Workspace->GetPageBounds(anchor).Top + gap + static_cast<int>(Round(into * FZoom)));
    FScrollingToPage = false;
    if (FZoomMode == zmWholePage) SetPosition(FPageNo, 0);
    if (!FRefreshing) InvalidateViews();
    if (Form) Form->UpdateZoomText();
}

void TrpPreview::SetOutlineWidth(int Value)
{
    // The splitter adds to it: a width from a file or a script stays one
    // the screen can have.
    FOutlineWidth = std::clamp(Value, 0, kMaxOutlineWidth);
    UpdateSplitter();
}

void TrpPreview::UpdateSplitter()
{
    QWidget* side = FOutlineVisible ? static_cast<QWidget*>(OutlineTree) : FThumbnailVisible ? Thumbnail : nullptr;
    if (!side) return;
    const int total = std::max(Splitter->width(), FOutlineWidth + 100);
    QList<int> sizes{0, 0, total - FOutlineWidth - Splitter->handleWidth()};
    sizes[side == OutlineTree ? 0 : 1] = FOutlineWidth;
    Splitter->setSizes(sizes);
}

void TrpPreview::SetOutlineVisible(bool Value) { ShowSide(OutlineTree, FOutlineVisible, Value); }

void TrpPreview::SetThumbnailVisible(bool Value)
{
    ShowSide(Thumbnail, FThumbnailVisible, Value);
    if (Value) ScrollTo(Thumbnail, FPageNo);
}

void TrpPreview::ShowSide(QWidget* Side, bool& Flag, bool Value)
{
    const bool changed = Value != Flag;
    // The outline and the thumbnails share the left side.
    if (Value) {
        FOutlineVisible = FThumbnailVisible = false;
        OutlineTree->hide();
        Thumbnail->hide();
    }
    Flag = Value;
    Side->setVisible(Value);
    UpdateSplitter();
    if (Form) Form->SyncViewButtons();
    if (changed) UpdatePages();
}

void TrpPreview::SetBackColor(TColor Value)
{
    Workspace->BackColor = Thumbnail->BackColor = Value;
    InvalidateViews();
}

void TrpPreview::SetFrameColor(TColor Value)
{
    Workspace->FrameColor = Thumbnail->FrameColor = Value;
    InvalidateViews();
}

void TrpPreview::SetActiveFrameColor(TColor Value)
{
    Workspace->ActiveFrameColor = Thumbnail->ActiveFrameColor = Value;
    InvalidateViews();
}

void TrpPreview::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (MessagePanel->isVisible()) MessagePanel->move((width() - 260) / 2, (height() - 75) / 3);
}

void TrpPreview::AreaResized(TrpPreviewWorkspace* Area)
{
    if (Area == Workspace) UpdatePages();
    else Area->CalcBounds();
}

// ---- outline

void TrpPreview::UpdateOutline()
{
    const QSignalBlocker block(OutlineTree);
    OutlineTree->clear();
    TrpCustomOutline* outline = PreviewPages ? PreviewPages->Outline() : nullptr;
    if (!outline) return;
    outline->LevelRoot();
    AddOutlineItems(outline, nullptr);
    outline->LevelRoot();
    if (Report && Report->PreviewOptions()->OutlineExpand) OutlineTree->expandAll();
    if (OutlineTree->topLevelItemCount() > 0)
        OutlineTree->scrollToItem(OutlineTree->topLevelItem(0), QAbstractItemView::PositionAtTop);
}

void TrpPreview::AddOutlineItems(TrpCustomOutline* Outline, QTreeWidgetItem* Parent)
{
    const int count = Outline->GetCount();
    for (int i = 0; i < count; ++i) {
        std::string text;
        int page = 0, top = 0;
        Outline->GetItem(i, text, page, top);
        auto* item = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(OutlineTree);
        item->setText(0, QString::fromStdString(text));
        item->setData(0, Qt::UserRole, page);
        item->setData(0, Qt::UserRole + 1, top);
        Outline->LevelDown(i);
        AddOutlineItems(Outline, item);
        Outline->LevelUp();
    }
}

void TrpPreview::OutlineItemChosen(QTreeWidgetItem* Item)
{
    if (!Item) return;
    SetPosition(Item->data(0, Qt::UserRole).toInt() + 1, Item->data(0, Qt::UserRole + 1).toInt());
    Workspace->setFocus();
}

// ---- mouse and keys

void TrpPreview::HandleClick(int Page, TrpPageClick& Click)
{
    // The pages follow links, run the click handlers and open or close a
    // drill-down group (preparing the report again through RefreshReport).
    PreviewPages->HandleObjectClick(Page, Click);
    if (!Click.Object || Click.Refresh) return;
    if (Click.LinkPage >= 0) SetPosition(Click.LinkPage + 1, Click.LinkTop);
    if (Click.Modified) {
        FSearchPicturePage = -1;
        InvalidateViews();
    }
}

void TrpPreview::WorkspaceKey(QKeyEvent* Event)
{
    const bool ctrl = Event->modifiers().testFlag(Qt::ControlModifier);
    const TrpPreviewButtons buttons = Buttons();
    TrpPreviewWorkspace* w = Workspace;
    switch (Event->key()) {
    case Qt::Key_Up: w->SetVertPosition(w->VertPosition() - 8); break;
    case Qt::Key_Down: w->SetVertPosition(w->VertPosition() + 8); break;
    case Qt::Key_Left: w->ScrollPagesBy(8); break;
    case Qt::Key_Right: w->ScrollPagesBy(-8); break;
    case Qt::Key_PageUp:
        if (ctrl) Prior();
        else w->SetVertPosition(w->VertPosition() - w->LargeChange());
        break;
    case Qt::Key_PageDown:
        if (ctrl) Next();
        else w->SetVertPosition(w->VertPosition() + w->LargeChange());
        break;
    case Qt::Key_Home: First(); break;
    case Qt::Key_End: Last(); break;
    case Qt::Key_F3:
        if (buttons.Contains(pbFind)) FindNext();
        break;
    case Qt::Key_P:
        if (ctrl && buttons.Contains(pbPrint)) Print();
        else Event->ignore();
        break;
    case Qt::Key_S:
        if (ctrl && buttons.Contains(pbSave)) Save();
        else Event->ignore();
        break;
    case Qt::Key_F:
        if (ctrl && buttons.Contains(pbFind)) Find();
        else Event->ignore();
        break;
    case Qt::Key_O:
        if (ctrl && buttons.Contains(pbLoad)) Load();
        else Event->ignore();
        break;
    default: Event->ignore();
    }
}

void TrpPreview::MouseWheelScroll(int Delta, bool Horizontal, bool WithZoom)
{
    if (Delta == 0) return;
    // Fine wheels and touch pads send parts of a notch: they add up.
    if ((FWheelRest < 0) != (Delta < 0)) FWheelRest = 0;
    FWheelRest += Delta;
    const int notches = FWheelRest / 120;
    FWheelRest -= notches * 120;
    if (notches == 0) return;
    if (WithZoom) {
        SetZoom(std::max(FZoom + 0.1L * notches, 0.3L));
    } else if (Horizontal) {
        Workspace->ScrollPagesBy(20 * notches);
    } else {
        Workspace->SetVertPosition(Workspace->VertPosition() - 20 * notches);
    }
}

void TrpPreview::ShowMessage(const std::string& Text)
{
    MessagePanel->setGeometry((width() - 260) / 2, (height() - 75) / 3, 260, 75);
    MessageLabel->setText(QString::fromStdString(Text));
    MessagePanel->show();
    MessagePanel->raise();
    MessagePanel->repaint();
}

// ---- commands

void TrpPreview::Print()
{
    if (FRunning || !PreviewPages) return;
    PreviewPages->CurPage = FPageNo;
    UnlockAtEnd unlock{*this};
    PreviewPages->Print();
}

namespace {

bool AskFileName(bool Save, std::string& Name)
{
    gui::FileRequest request;
    request.save = Save;
    request.filter = rpFileFilter(GetResources().Get("clRPPfiles") + " (*.rpp)|*.rpp");
    QString chosen;
    if (!gui::ui().fileDialog(request, chosen)) return false;
    Name = chosen.toStdString();
    return true;
}

}  // namespace

void TrpPreview::Save()
{
    std::string name;
    if (FRunning || !PreviewPages || !AskFileName(true, name)) return;
    Workspace->repaint();
    SaveToFile(ChangeFileExt(name, ".rpp"));
}

void TrpPreview::SaveToFile(const std::string& Name)
{
    if (FRunning || !PreviewPages) return;
    Lock();
    UnlockAtEnd unlock{*this};
    ShowMessage(GetResources().Get("clSaving"));
    PreviewPages->SaveToFile(Name);
}

void TrpPreview::Load()
{
    std::string name;
    if (FRunning || !PreviewPages || !AskFileName(false, name)) return;
    Workspace->repaint();
    LoadFromFile(name);
}

void TrpPreview::LoadFromFile(const std::string& Name)
{
    if (FRunning || !PreviewPages) return;
    Lock();
    UnlockAtEnd unlock{*this};
    ShowMessage(GetResources().Get("clLoading"));
    FSearch = SearchState();
    FSearchPicturePage = -1;
    Workspace->PageList.Clear();
    Thumbnail->PageList.Clear();
    // Whatever the file holds, the views start from its first page.
    struct Refresh {
        TrpPreview& p;
        ~Refresh()
        {
            p.FPageNo = p.Workspace->PageNo = p.Thumbnail->PageNo = 1;
            // The outline as the file has it, or as the report had it
            // when the file was refused.
            if (p.Report) {
                p.SetOutlineWidth(p.Report->PreviewOptions()->OutlineWidth);
                p.SetOutlineVisible(p.Report->PreviewOptions()->OutlineVisible);
            }
            p.UpdateOutline();
            // The counter tells the file's pages now, not at the next move.
            p.PageChanged();
        }
    } refresh{*this};
    PreviewPages->LoadFromFile(Name, false);
}

void TrpPreview::Export(TrpCustomExportFilter* Filter)
{
    if (FRunning || !PreviewPages || !Filter) return;
    PreviewPages->CurPage = FPageNo;
    // A dot-matrix report goes out as the printer's characters, not as text.
    if (Report && Report->DotMatrixReport && Filter->ClassName() == "TrpTextExport") {
        const TrpExportFilterCollection& filters = GetExportFilters();
        for (int i = 0; i < filters.Count(); ++i)
            if (filters.GetItem(i).IsDotMatrix()) Filter = &filters.GetItem(i);
    }
    UnlockAtEnd unlock{*this};
    PreviewPages->Export(Filter);
}

void TrpPreview::PageSetupDlg()
{
    if (FRunning || !PreviewPages) return;
    const std::shared_ptr<TrpReportPage> page = PreviewPages->GetPage(FPageNo - 1);
    if (!page) return;
    TrpPageSetup setup;
    setup.Orientation = page->Orientation() == poLandscape;
    setup.PaperWidth = page->PaperWidth();
    setup.PaperHeight = page->PaperHeight();
    setup.PaperSize = page->PaperSize();
    setup.LeftMargin = page->LeftMargin;
    setup.TopMargin = page->TopMargin;
    setup.RightMargin = page->RightMargin;
    setup.BottomMargin = page->BottomMargin;
    bool applyToAll = false;
    if (!TrpPageSettingsForm::Execute(setup, applyToAll, Report)) return;
    auto apply = [&setup](TrpReportPage& p) {
        p.SetOrientation(setup.Orientation ? poLandscape : poPortrait);
        p.SetPaperWidth(setup.PaperWidth);
        p.SetPaperHeight(setup.PaperHeight);
        p.SetPaperSize(setup.PaperSize);
        p.LeftMargin = setup.LeftMargin;
        p.RightMargin = setup.RightMargin;
        p.TopMargin = setup.TopMargin;
        p.BottomMargin = setup.BottomMargin;
        p.AlignChildren();
    };
    if (applyToAll && Report) {
        for (int i = 0; i < Report->PagesCount(); ++i)
            if (auto* reportPage = dynamic_cast<TrpReportPage*>(Report->Pages(i))) apply(*reportPage);
        Prepare();
        return;
    }
    apply(*page);
    Lock();
    UnlockAtEnd unlock{*this};
    PreviewPages->ModifyPage(FPageNo - 1, page.get());
}

void TrpPreview::AddPage()
{
    if (FRunning || !PreviewPages) return;
    PreviewPages->AddEmptyPage(FPageNo - 1);
    UpdatePages();
    SetPageNo(FPageNo);
}

void TrpPreview::DeletePage()
{
    if (FRunning || !PreviewPages) return;
    PreviewPages->DeletePage(FPageNo - 1);
    if (FPageNo > PageCount()) SetPageNo(FPageNo - 1);
    UpdatePages();
    PageChanged();
}

void TrpPreview::Clear()
{
    if (FRunning || !PreviewPages) return;
    Lock();
    {
        UnlockAtEnd unlock{*this};
        PreviewPages->Clear();
    }
    Workspace->PageList.Clear();
    Thumbnail->PageList.Clear();
    Workspace->CalcBounds();
    Thumbnail->CalcBounds();
    FSearch = SearchState();
    FSearchPicturePage = -1;
    UpdateOutline();
    SetPageNo(1);
    Workspace->SetHorzPosition(0);
    Workspace->SetVertPosition(0);
    Thumbnail->SetHorzPosition(0);
    Thumbnail->SetVertPosition(0);
    InvalidateViews();
}

void TrpPreview::Cancel()
{
    // Through the setter: a script looping in a handler stops too.
    if (Report) Report->SetTerminated(true);
}
