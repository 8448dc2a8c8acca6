#pragma once
// The preview control: the prepared pages laid out in rows at a zoom in a
// scrolling page area, an outline tree or a thumbnail strip on the left, a
// message panel, text search, page navigation and the commands of the
// preview window. The report drives it through TrpCustomPreview; it reaches
// the pages only through TrpCustomPreviewPages.

#include <QElapsedTimer>
#include <QFrame>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Canvas.h"
#include "rpCtrls.h"
#include "rpCustomPreview.h"
#include "rpCustomPreviewPages.h"
#include "rpReportOptions.h"

class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TrpPreview;
class TrpPreviewForm;
class TrpSearchCanvas;

// One page in a page area: its size at the area's zoom and its place.
struct TrpPageItem {
    int Width = 0;
    int Height = 0;
    int OffsetX = 0;
    int OffsetY = 0;
};

// The pages of an area, laid out in centred rows with gaps of 10 pixels.
class TrpPageList {
public:
    std::vector<TrpPageItem> Items;
    // The widest row, its last gap included.
    int MaxWidth = 0;

    int Count() const { return static_cast<int>(Items.size()); }
    void Clear()
    {
        Items.clear();
        MaxWidth = 0;
    }
    void Add(int Width, int Height) { Items.push_back({Width, Height, 0, 0}); }
    void CalcBounds(int ClientWidth);
    // Bottom of the last page; 0 without pages.
    int Bottom() const;
    // The page at a point: with X = 0 (scrolling) the last page whose top
    // lies above Y allowing a fifth of its height, else the page around
    // (X, Y) among the 20 on either side of that one.
    int FindPage(int Y, int X = 0) const;
};

// One page area (the main one or the thumbnails).
class TrpPreviewWorkspace : public TrpScrollWin {
    Q_OBJECT
public:
    // The platform's hand cursor of the page area.
    static constexpr int crHand = 150;

    TrpPreviewWorkspace(TrpPreview* Preview, bool IsThumbnail, QWidget* parent = nullptr);

    TrpPageList PageList;
    TrpPreview* Preview;
    Extended Zoom = 1;
    int PageNo = 1;
    const bool IsThumbnail;
    bool Locked = false;
    bool Down = false;
    int LastX = 0;
    int LastY = 0;
    bool ScrollFromPage = false;
    TColor BackColor = TColor(0x808080);
    TColor FrameColor = clBlack;
    TColor ActiveFrameColor = TColor(0x804020);
    int DefaultCursor = crHand;
    qint64 LastClickTicks = 0;

    // Pages mirrored horizontally: a row runs from the right, and the view
    // starts at the right end and scrolls to the left (the scroll bar
    // mirrored as well).
    bool RightToLeft() const { return FRightToLeft; }
    void SetRightToLeft(bool Value);

    // Width the pages are laid out in: the viewport less 26.
    int LayoutWidth() const;
    // A page's rectangle in area coordinates (not scrolled); the A4 sheet
    // at the zoom when there are no pages.
    TRect GetPageBounds(int Index) const;
    // The area's x at the view's left edge.
    int ViewLeft() const;
    // Moves the pages Dx pixels to the right on the screen, as far as the
    // scroll range goes.
    void ScrollPagesBy(int Dx);
    // Lays the list out and sets the scroll ranges from it.
    void CalcBounds();
    void Repaint() { viewport()->update(); }

protected:
    void Paint(QPainter& Canvas) override;
    void OnHScroll(int OldPosition) override;
    void OnVScroll(int OldPosition) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The page under a viewport point and the point relative to it.
    int PageAt(QPoint At, QPoint& Relative) const;
    void ApplyCursor(int Cursor);

    QRect FPaintRect;
    bool FRightToLeft = false;
};

class TrpPreview : public QFrame, public TrpCustomPreview {
    Q_OBJECT
public:
    explicit TrpPreview(QWidget* parent = nullptr);
    ~TrpPreview() override;

    // ---- TrpCustomPreview
    void Init() override;
    void Lock() override;
    void Unlock() override;
    void RefreshReport() override;
    void ProgressStart() override;
    void Progress(int PageIndex) override;
    void ProgressStop() override;

    TrpPreviewWorkspace* Workspace;
    TrpPreviewWorkspace* Thumbnail;
    QTreeWidget* OutlineTree;
    QMenu* OutlinePopup;
    QSplitter* Splitter;
    QFrame* MessagePanel;
    QLabel* MessageLabel;
    QPushButton* CancelButton;
    // The window the control sits in, nullptr elsewhere.
    TrpPreviewForm* Form = nullptr;
    // The right-click menu of the page area.
    QMenu* PopupMenu = nullptr;

    // ---- navigation
    int PageCount() const;
    int PageNo() const { return FPageNo; }
    void SetPageNo(int Value);
    void First() { SetPageNo(1); }
    void Prior() { SetPageNo(FPageNo - 1); }
    void Next() { SetPageNo(FPageNo + 1); }
    void Last() { SetPageNo(PageCount()); }
    // Page from 1; Top in pixels below the page's top margin, 0 = the page top.
    void SetPosition(int Page, int Top);

    // ---- view
    Extended Zoom() const { return FZoom; }
    void SetZoom(Extended Value);
    TrpZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TrpZoomMode Value);
    bool OutlineVisible() const { return FOutlineVisible; }
    void SetOutlineVisible(bool Value);
    bool ThumbnailVisible() const { return FThumbnailVisible; }
    void SetThumbnailVisible(bool Value);
    int OutlineWidth() const { return FOutlineWidth; }
    void SetOutlineWidth(int Value);
    TColor BackColor() const { return Workspace->BackColor; }
    void SetBackColor(TColor Value);
    TColor FrameColor() const { return Workspace->FrameColor; }
    void SetFrameColor(TColor Value);
    TColor ActiveFrameColor() const { return Workspace->ActiveFrameColor; }
    void SetActiveFrameColor(TColor Value);
    void InvalidateViews();
    void UpdatePages();
    void UpdateOutline();

    // ---- state
    bool Locked() const { return FLocked; }
    bool Running() const { return FRunning; }
    bool Refreshing() const { return FRefreshing; }
    // The report is being prepared for this preview: its window stays.
    bool Busy() const { return FRunning || FRefreshing; }
    bool CanFindNext() const { return FCanFindNext; }
    int RefreshInterval() const { return FRefreshInterval; }
    // Pages between refreshes of the counter while preparing, from the
    // time the second page took.
    static int RefreshIntervalFor(qint64 ElapsedMs) { return ElapsedMs < 5 ? 50 : ElapsedMs < 10 ? 20 : 5; }
    // How often the view is repainted while pages come.
    static constexpr int kRunningRepaintMs = 250;
    // The engine is in its last pass (always without an engine).
    bool FinalPass() const;
    // The report's preview buttons (all but the last three without a report).
    TrpPreviewButtons Buttons() const;

    // ---- commands; those on the pages and files wait for the end of a
    // preparation (they do nothing while it runs)
    void Print();
    void Save();
    void SaveToFile(const std::string& Name);
    void Load();
    void LoadFromFile(const std::string& Name);
    void Export(TrpCustomExportFilter* Filter);
    void Find();
    void FindNext();
    void PageSetupDlg();
    void AddPage();
    void DeletePage();
    // No designer is part of the program: these change nothing.
    void Edit() {}
    void DesignTemplate() {}
    void Clear();
    // Stops the preparation.
    void Cancel();
    void MouseWheelScroll(int Delta, bool Horizontal, bool WithZoom);
    void ShowMessage(const std::string& Text);

    // ---- search
    struct SearchState {
        std::u16string Text;
        bool CaseSensitive = false;
        bool Found = false;
        // The found text's bounds in page pixels at zoom 1, and of each of
        // its parts (a text found across line breaks has one a line).
        TRect FoundRect{};
        std::vector<TRect> FoundParts;
        int RecordCount = 0;
        int LastFoundRecord = -1;
        // The page being searched, from 0.
        int Page = 0;
    };
    const SearchState& Search() const { return FSearch; }
    // Searches from the search page on, as Find does after its dialog.
    void FindText(const std::u16string& Text, bool CaseSensitive, bool FromTop);
    void FindText();
    // The text runs of one page (the cached page when it is the same).
    const TrpSearchCanvas& SearchPicture(int Page);

    // ---- events
    std::function<void(TrpPreview* Sender, int PageNo)> OnPageChanged;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(QMouseEvent* Event)> OnMouseDown;
    // The hint of the object under the mouse, "" when none.
    std::function<void(const std::string& Hint)> OnHint;

    // Called by the page areas.
    void HandleClick(int Page, TrpPageClick& Click);
    void WorkspaceKey(QKeyEvent* Event);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TrpPreviewWorkspace;
    // The report's own form updates its buttons and page counter.
    void NotifyForm();
    void PageChanged();
    void ScrollTo(TrpPreviewWorkspace* Area, int Page);
    void ScrollToFound();
    void AreaResized(TrpPreviewWorkspace* Area);
    void AddOutlineItems(TrpCustomOutline* Outline, QTreeWidgetItem* Parent);
    void OutlineItemChosen(QTreeWidgetItem* Item);
    void UpdateSplitter();
    void ShowSide(QWidget* Side, bool& Flag, bool Value);
    // The report prepared anew, its pages emptied first.
    bool Prepare();

    int FPageNo = 1;
    Extended FZoom = 1;
    TrpZoomMode FZoomMode = zmDefault;
    bool FOutlineVisible = false;
    bool FThumbnailVisible = false;
    int FOutlineWidth = 120;
    bool FLocked = false;
    bool FRunning = false;
    bool FRefreshing = false;
    bool FCanFindNext = false;
    int FRefreshInterval = 50;
    QElapsedTimer FFirstPageTime;
    bool pageInView(int Index) const;
    QElapsedTimer FRepaintTime;  // since the view was last repainted while pages came
    bool FViewStale = false;     // what is in view changed since that repaint
    bool FRangesStale = false;   // the scroll ranges lag behind the page list
    bool FDeferRepaint = false;  // views are repainted by Progress, on its timer
    SearchState FSearch;
    std::unique_ptr<TrpSearchCanvas> FSearchPicture;
    int FSearchPicturePage = -1;
    int FWheelRest = 0;
    // Set while the preview scrolls to a page it chose: the scroll does not
    // pick the page at the new top.
    bool FScrollingToPage = false;
};

// A cursor number of the report library as a Qt cursor shape.
Qt::CursorShape rpCursorShape(int Cursor);
