#pragma once
// The preview window: a toolbar (drawn buttons, zoom box, page box, close
// button), the preview control, three status panels, a right-click menu
// sharing the toolbar's actions, and full screen. While the report is being
// prepared inside it, the buttons are disabled, the close button cancels
// and the window refuses to close.

#include <QDialog>
#include <QPointer>

#include <string>
#include <vector>

#include "rpCtrls.h"
#include "rpPreview.h"
#include "rpReportShow.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;

class TrpPreviewForm : public QDialog, public TrpPreviewWindow {
    Q_OBJECT
public:
    // The report may be nullptr (a window over pages alone).
    explicit TrpPreviewForm(TrpReport* report = nullptr, QWidget* parent = nullptr);
    ~TrpPreviewForm() override;

    // ---- TrpPreviewWindow
    TrpCustomPreview* PreviewControl() override { return Preview; }
    void Init() override;
    int ShowModal() override;
    void ShowModeless() override;
    void Close() override;
    void SetMessage(const std::string& Text, bool IsHint) override;
    void Release() override;

    // ---- what the preview control calls
    void UpdateControls();
    void UpdateZoomText();
    // The close button cancels while the report is prepared.
    void ShowRunning(bool Running);
    // The outline and thumbnail buttons follow the control.
    void SyncViewButtons();
    // The preparation returned: a window closed meanwhile goes now.
    void PreviewIdle();

    // ---- handlers
    void PageChanged(int PageNo);
    // Index of the zoom box's entry, -1 for typed text.
    void ZoomCBClick(int Index);
    void PageEEnter();
    void CancelBClick();
    // The report is being prepared inside the window, from its script's
    // main block on: the window stays and its close button cancels.
    bool Preparing() const;
    void SetFullScreen(bool Value);
    bool FullScreen() const { return FFullScreen; }
    void CollapseAllClick() { DrillDown(false); }
    void ExpandAllClick() { DrillDown(true); }
    // Exports the pages through a registered filter.
    void ExportClick(TrpCustomExportFilter* Filter);

    TrpPreview* Preview;
    QToolBar* ToolBar;
    QAction* PrintB;
    QAction* OpenB;
    QAction* SaveB;
    QAction* ExportB;
    QAction* PdfB;
    QAction* EmailB;
    QAction* FindB;
    QAction* Sep1;
    QAction* ZoomPlusB;
    QAction* Sep3;
    TrpComboBox* ZoomCB;
    QAction* ZoomMinusB;
    QAction* FullScreenBtn;
    QAction* Sep2;
    QAction* OutlineB;
    QAction* ThumbB;
    QAction* PageSettingsB;
    QAction* DesignerB;
    QAction* Sep5;
    QAction* FirstB;
    QAction* PriorB;
    QAction* Sep4;
    QLineEdit* PageE;
    QAction* NextB;
    QAction* LastB;
    QAction* rpTBPanel1;
    QToolButton* CancelB;
    QAction* CancelBAction;
    QStatusBar* StatusBar;
    QLabel* Panels[3];
    QMenu* RightMenu;
    QAction* CollapseMI;
    QAction* ExpandMI;
    QMenu* HiddenMenu;
    QMenu* ExportPopup;
    // The filters behind the quick buttons, when registered.
    TrpCustomExportFilter* PdfExport = nullptr;
    TrpCustomExportFilter* EmailExport = nullptr;

public slots:
    void reject() override;
    void done(int Result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddButton(const char* Name, int Image, const char* Caption, const char* Hint);
    QAction* AddPanel(const char* Name, QWidget* Control, int Width);
    void SetCaption();
    void DrillDown(bool Expand);
    // One item per registered filter; true when there is any to offer.
    bool FillExportMenu(const TrpPreviewButtons& Buttons);

    bool FFullScreen = false;
    Qt::WindowStates FSavedState;
    // Closed by the report: no refusal.
    bool FForcedClose = false;
    bool FReleased = false;
    // Closed by the report while preparing: freed once that has ended.
    bool FDeleteWhenIdle = false;
    // Windows minimised with this modal one, given back when it returns.
    std::vector<QPointer<QWidget>> FMinimised;
};

// Start-up: the print dialog, then the preview window ShowReport opens.
void registerPreviewLibrary();
