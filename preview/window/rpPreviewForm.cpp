#include "rpPreviewForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "Guard.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpExportFilter.h"
#include "rpFormKit.h"
#include "rpImageList.h"
#include "rpPrintDialog.h"
#include "rpRegistry.h"
#include "rpReport.h"
#include "rpUiServices.h"
#include "rpUtilsText.h"

TrpPreviewForm::TrpPreviewForm(TrpReport* report, QWidget* parent) : QDialog(parent), TrpPreviewWindow(report)
{
    setObjectName(QStringLiteral("TrpPreviewForm"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    resize(803, 584);
    setSizeGripEnabled(false);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setContentsMargins(2, 2, 2, 2);

    Preview = new TrpPreview(this);
    Preview->Form = this;
    Preview->setFrameStyle(QFrame::NoFrame);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    // Panel 0 is 200 wide; panels 1 and 2 share the rest evenly.
    for (int i = 0; i < 3; ++i) {
        Panels[i] = new QLabel(StatusBar);
        Panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        Panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == 0) {
            Panels[i]->setFixedWidth(200);
        } else {
            Panels[i]->setMinimumWidth(50);
            Panels[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        }
        StatusBar->addWidget(Panels[i], i == 0 ? 0 : 1);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar);
    layout->addWidget(Preview, 1);
    layout->addWidget(StatusBar);

    PrintB = AddButton("PrintB", 2, "101", "102");
    OpenB = AddButton("OpenB", 0, "103", "104");
    SaveB = AddButton("SaveB", 1, "105", "106");
    ExportB = AddButton("ExportB", 3, "107", "108");
    ExportPopup = new QMenu(this);
    ExportB->setMenu(ExportPopup);
    PdfB = AddButton("PdfB", 24, nullptr, "151");
    EmailB = AddButton("EmailB", 23, nullptr, "152");
    FindB = AddButton("FindB", 4, "109", "110");
    Sep1 = ToolBar->addSeparator();
    ZoomPlusB = AddButton("ZoomPlusB", 15, "124", "125");
    ZoomCB = new TrpComboBox;
    ZoomCB->setObjectName(QStringLiteral("ZoomCB"));
    ZoomCB->SetListWidth(100);
    ZoomCB->setToolTip(rpRes("119"));
    for (const char* zoom : {"25%", "50%", "75%", "100%", "150%", "200%"}) ZoomCB->addItem(QString::fromLatin1(zoom));
    ZoomCB->addItem(rpRes("zmPageWidth"));
    ZoomCB->addItem(rpRes("zmWholePage"));
    ZoomCB->setMaxVisibleItems(8);
    ZoomCB->setEditText(QStringLiteral("100%"));
    // Wider than the classic 49 pixels: "1000%" fits the forms' font here.
    Sep3 = AddPanel("Sep3", ZoomCB, 60);
    ZoomMinusB = AddButton("ZoomMinusB", 16, "126", "127");
    FullScreenBtn = AddButton("FullScreenBtn", 22, nullptr, "150");
    Sep2 = ToolBar->addSeparator();
    OutlineB = AddButton("OutlineB", 12, "128", "129");
    OutlineB->setCheckable(true);
    ThumbB = AddButton("ThumbB", 5, "130", "131");
    ThumbB->setCheckable(true);
    PageSettingsB = AddButton("PageSettingsB", 7, "120", "121");
    DesignerB = AddButton("DesignerB", 21, "132", "133");
    Sep5 = ToolBar->addSeparator();
    FirstB = AddButton("FirstB", 8, "134", "135");
    PriorB = AddButton("PriorB", 9, "136", "137");
    PageE = new QLineEdit;
    PageE->setObjectName(QStringLiteral("PageE"));
    PageE->setText(QStringLiteral("1"));
    PageE->setToolTip(rpRes("142"));
    PageE->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), PageE));
    Sep4 = AddPanel("Sep4", PageE, 37);
    NextB = AddButton("NextB", 10, "138", "139");
    LastB = AddButton("LastB", 11, "140", "141");
    auto* spacer = new TrpTBPanel;
    spacer->setFixedWidth(35);
    rpTBPanel1 = ToolBar->addWidget(spacer);
    CancelB = new QToolButton;
    CancelB->setObjectName(QStringLiteral("CancelB"));
    CancelB->setFixedSize(68, 23);
    CancelB->setText(rpRes("clClose"));
    CancelBAction = ToolBar->addWidget(CancelB);

    RightMenu = new QMenu(this);
    RightMenu->setObjectName(QStringLiteral("RightMenu"));
    TrpImageList& images = GetResources().GetPreviewButtonImages();
    CollapseMI = RightMenu->addAction(images.Icon(13), rpRes("601"));
    ExpandMI = RightMenu->addAction(images.Icon(14), rpRes("600"));
    RightMenu->addSeparator();
    HiddenMenu = new QMenu(this);
    HiddenMenu->addAction(QStringLiteral("Show template"), this, gui::Slot([this] { Preview->DesignTemplate(); }));

    auto on = [this](QAction* action, auto handler) { connect(action, &QAction::triggered, this, gui::Slot(handler)); };
    on(PrintB, [this] {
        Preview->Print();
        setEnabled(true);
    });
    on(OpenB, [this] {
        Preview->Load();
        SetCaption();
    });
    on(SaveB, [this] { Preview->Save(); });
    on(PdfB, [this] { ExportClick(PdfExport); });
    on(EmailB, [this] { ExportClick(EmailExport); });
    on(FindB, [this] { Preview->Find(); });
    on(ZoomPlusB, [this] { Preview->SetZoom(Preview->Zoom() + 0.25L); });
    on(ZoomMinusB, [this] { Preview->SetZoom(Preview->Zoom() - 0.25L); });
    on(FullScreenBtn, [this] { SetFullScreen(!FFullScreen); });
    on(OutlineB, [this] { Preview->SetOutlineVisible(OutlineB->isChecked()); });
    on(ThumbB, [this] { Preview->SetThumbnailVisible(ThumbB->isChecked()); });
    on(PageSettingsB, [this] { Preview->PageSetupDlg(); });
    on(DesignerB, [this] { Preview->Edit(); });
    on(FirstB, [this] { Preview->First(); });
    on(PriorB, [this] { Preview->Prior(); });
    on(NextB, [this] { Preview->Next(); });
    on(LastB, [this] { Preview->Last(); });
    on(CollapseMI, [this] { CollapseAllClick(); });
    on(ExpandMI, [this] { ExpandAllClick(); });
    connect(CancelB, &QToolButton::clicked, this, gui::Slot([this] { CancelBClick(); }));
    connect(ZoomCB, &QComboBox::activated, this, gui::SlotWithArgs([this](int index) { ZoomCBClick(index); }));
    connect(ZoomCB->lineEdit(), &QLineEdit::returnPressed, this, gui::Slot([this] { ZoomCBClick(-1); }));
    connect(PageE, &QLineEdit::returnPressed, this, gui::Slot([this] { PageEEnter(); }));
    if (QWidget* designer = ToolBar->widgetForAction(DesignerB)) designer->installEventFilter(this);

    Preview->OnPageChanged = [this](TrpPreview*, int pageNo) { PageChanged(pageNo); };
    Preview->OnDblClick = [this] {
        if (FFullScreen) SetFullScreen(false);
    };
    Preview->OnHint = [this](const std::string& hint) { Panels[2]->setText(QString::fromStdString(hint)); };
    Preview->PopupMenu = RightMenu;
    SetCaption();
    Preview->setFocus();
}

TrpPreviewForm::~TrpPreviewForm()
{
    DisconnectChildren(*this);
    // The control goes with the window: the report must not reach it after,
    // nor it the window.
    Preview->Form = nullptr;
    Preview->OnPageChanged = nullptr;
    Preview->OnDblClick = nullptr;
    Preview->OnHint = nullptr;
}

QAction* TrpPreviewForm::AddButton(const char* Name, int Image, const char* Caption, const char* Hint)
{
    QAction* action = ToolBar->addAction(GetResources().GetPreviewButtonImages().Icon(Image), rpRes(Hint));
    action->setObjectName(QString::fromLatin1(Name));
    if (Caption) action->setIconText(rpRes(Caption));
    action->setToolTip(rpRes(Hint));
    if (QWidget* button = ToolBar->widgetForAction(action)) {
        button->setObjectName(QString::fromLatin1(Name) + QStringLiteral("Button"));
        button->setMinimumHeight(23);
    }
    return action;
}

QAction* TrpPreviewForm::AddPanel(const char* Name, QWidget* Control, int Width)
{
    auto* panel = new TrpTBPanel;
    panel->setObjectName(QString::fromLatin1(Name));
    Control->setParent(panel);
    Control->setFixedWidth(Width);
    panel->layout()->addWidget(Control);
    panel->setFixedWidth(Width);
    return ToolBar->addWidget(panel);
}

void TrpPreviewForm::SetCaption()
{
    TrpReport* report = Report();
    const std::string name = report ? report->ReportOptions()->Name : std::string();
    setWindowTitle(QString::fromStdString(name.empty() ? GetResources().Get("100") : name));
}

// ---- TrpPreviewWindow

void TrpPreviewForm::Init()
{
    TrpReport* report = Report();
    Preview->Init();
    const TrpPreviewButtons buttons = Preview->Buttons();
    if (report) {
        const TrpPreviewOptions& options = *report->PreviewOptions();
        if (options.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
        Preview->SetZoom(options.Zoom);
        Preview->SetZoomMode(options.ZoomMode);
        DesignerB->setEnabled(options.AllowEdit);
        ToolBar->setToolButtonStyle(options.ShowCaptions ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    }
    const bool anyFilter = FillExportMenu(buttons);
    const struct {
        QAction* action;
        bool shown;
    } visibility[] = {
        {PrintB, buttons.Contains(pbPrint)},
        {OpenB, buttons.Contains(pbLoad)},
        {SaveB, buttons.Contains(pbSave)},
        {ExportB, buttons.Contains(pbExport) && anyFilter},
        {PdfB, PdfExport && buttons.Contains(pbExportQuick)},
        {EmailB, EmailExport && buttons.Contains(pbExportQuick)},
        {FindB, buttons.Contains(pbFind)},
        {Sep1, buttons.Contains(pbZoom)},
        {ZoomPlusB, buttons.Contains(pbZoom)},
        {Sep3, buttons.Contains(pbZoom)},
        {ZoomMinusB, buttons.Contains(pbZoom)},
        {FullScreenBtn, buttons.Contains(pbZoom) && !buttons.Contains(pbNoFullScreen)},
        {OutlineB, buttons.Contains(pbOutline)},
        {ThumbB, buttons.Contains(pbOutline)},
        {PageSettingsB, buttons.Contains(pbPageSetup)},
        {DesignerB, buttons.Contains(pbEdit)},
        {Sep5, buttons.Contains(pbNavigator)},
        {FirstB, buttons.Contains(pbNavigator)},
        {PriorB, buttons.Contains(pbNavigator)},
        {Sep4, buttons.Contains(pbNavigator)},
        {NextB, buttons.Contains(pbNavigator)},
        {LastB, buttons.Contains(pbNavigator)},
        {CancelBAction, !buttons.Contains(pbNoClose)},
    };
    for (const auto& v : visibility) v.action->setVisible(v.shown);
    Sep2->setVisible(PageSettingsB->isVisible() || DesignerB->isVisible());
    SetCaption();

    // The menu takes the toolbar's commands up to its second separator.
    const std::vector<QAction*> menu{PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, Sep1,
                                     ZoomPlusB, ZoomMinusB, FullScreenBtn, Sep2};
    const QList<QAction*> existing = RightMenu->actions();
    int separators = 0;
    for (QAction* a : menu) {
        if (a->isSeparator()) {
            if (++separators == 2) break;
            RightMenu->addSeparator();
        } else if (a->isVisible() && !a->isCheckable() && !a->toolTip().isEmpty() && !existing.contains(a)) {
            RightMenu->addAction(a);
        }
    }
    UpdateControls();
    Preview->PopupMenu = RightMenu;
}

bool TrpPreviewForm::FillExportMenu(const TrpPreviewButtons& Buttons)
{
    ExportPopup->clear();
    PdfExport = EmailExport = nullptr;
    const TrpExportFilterCollection& filters = GetExportFilters();
    bool any = false;
    for (int i = 0; i < filters.Count(); ++i) {
        TrpCustomExportFilter& filter = filters.GetItem(i);
        // The dot-matrix filter stands in for the text export only.
        if (filter.IsDotMatrix()) continue;
        any = true;
        QAction* item = ExportPopup->addAction(QString::fromStdString(filter.GetDescription() + "..."));
        item->setData(i);
        connect(item, &QAction::triggered, this, gui::Slot([this, &filter] { ExportClick(&filter); }));
        if (filter.ClassName() == "TrpPDFExport") PdfExport = &filter;
        if (filter.ClassName() == "TrpMailExport" && !Buttons.Contains(pbNoEmail)) EmailExport = &filter;
    }
    return any;
}

void TrpPreviewForm::ExportClick(TrpCustomExportFilter* Filter)
{
    // A filter that left the registry since the menu was made is gone.
    if (!Filter || GetExportFilters().IndexOf(Filter) < 0) return;
    Preview->Export(Filter);
    setEnabled(true);
}

int TrpPreviewForm::ShowModal() { return rpShowModal(*this); }

void TrpPreviewForm::ShowModeless()
{
    setAttribute(Qt::WA_DeleteOnClose);
    show();
}

void TrpPreviewForm::Close()
{
    FForcedClose = true;
    done(QDialog::Rejected);
}

void TrpPreviewForm::Release()
{
    if (FReleased) return;
    FReleased = true;
    deleteLater();
}

void TrpPreviewForm::SetMessage(const std::string& Text, bool IsHint)
{
    if (IsHint) {
        if (!(Text.empty() && Panels[2]->text().isEmpty())) Panels[2]->setText(QString::fromStdString(Text));
    } else {
        Panels[1]->setText(QString::fromStdString(Text));
    }
    QCoreApplication::processEvents();
}

// ---- state

void TrpPreviewForm::UpdateControls()
{
    const bool running = Preview->Running();
    const bool pages = !running && Preview->PageCount() > 0;
    for (QAction* a : {PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, PageSettingsB}) a->setEnabled(pages);
    TrpReport* report = Report();
    DesignerB->setEnabled(!running && report && report->PreviewOptions()->AllowEdit);
    bool drillDown = false;
    if (report && !running)
        for (TrpComponent* c : report->GetAllObjects())
            if (auto* header = dynamic_cast<TrpGroupHeader*>(c); header && header->DrillDown) drillDown = true;
    CollapseMI->setEnabled(drillDown);
    ExpandMI->setEnabled(drillDown);
}

void TrpPreviewForm::UpdateZoomText()
{
    ZoomCB->setEditText(QString::fromStdString(IntToStr(Round(Preview->Zoom() * 100)) + "%"));
}

void TrpPreviewForm::ShowRunning(bool Running)
{
    CancelB->setText(rpRes(Running ? "clCancel" : "clClose"));
    if (!Running) Panels[1]->clear();
}

void TrpPreviewForm::SyncViewButtons()
{
    OutlineB->setChecked(Preview->OutlineVisible());
    ThumbB->setChecked(Preview->ThumbnailVisible());
}

void TrpPreviewForm::PageChanged(int PageNo)
{
    const int count = Preview->PageCount();
    if (Preview->Running() && !Preview->FinalPass())
        Panels[0]->setText(rpRes("clFirstPass") + QLatin1Char(' ') + QString::fromStdString(IntToStr(count)));
    else
        Panels[0]->setText(QString::fromStdString(Format(GetResources().Get("clPageOf"), {PageNo, count})));
    PageE->setText(QString::fromStdString(IntToStr(PageNo)));
}

// ---- handlers

void TrpPreviewForm::ZoomCBClick(int Index)
{
    Preview->setFocus();
    if (Index == 6) {
        Preview->SetZoomMode(zmPageWidth);
    } else if (Index == 7) {
        Preview->SetZoomMode(zmWholePage);
    } else {
        QString text = ZoomCB->currentText();
        const qsizetype percent = text.indexOf(QLatin1Char('%'));
        if (percent >= 0) text[percent] = QLatin1Char(' ');
        text.remove(QLatin1Char(' '));
        // Text that is no number leaves the zoom; the box shows it again.
        Extended value = 0;
        bool number = !text.isEmpty();
        if (number) {
            try {
                value = StrToFloatAnySep(text.toStdString());
            } catch (const EConvertError&) {
                number = false;
            }
        }
        if (number && std::isfinite(value)) Preview->SetZoom(value / 100);
    }
    QMetaObject::invokeMethod(this, [this] { gui::guarded([this] { UpdateZoomText(); }); }, Qt::QueuedConnection);
}

void TrpPreviewForm::PageEEnter()
{
    int32_t page = 0;
    if (TryStrToInt(PageE->text().toStdString(), page)) Preview->SetPageNo(page);
    // An empty or oversized entry shows the current page again.
    PageE->setText(QString::fromStdString(IntToStr(Preview->PageNo())));
    Preview->setFocus();
}

bool TrpPreviewForm::Preparing() const
{
    TrpReport* report = Report();
    return Preview->Busy() || (report && report->Preparing());
}

void TrpPreviewForm::CancelBClick()
{
    if (Preparing()) Preview->Cancel();
    else close();
}

void TrpPreviewForm::SetFullScreen(bool Value)
{
    if (Value == FFullScreen) return;
    FFullScreen = Value;
    if (Value) {
        FSavedState = windowState() & ~Qt::WindowFullScreen;
        StatusBar->hide();
        ToolBar->hide();
        showFullScreen();
    } else {
        setWindowState(FSavedState);
        ToolBar->show();
        StatusBar->show();
    }
}

void TrpPreviewForm::DrillDown(bool Expand)
{
    TrpReport* report = Report();
    if (!report || Preview->Running()) return;
    Preview->Lock();
    for (TrpComponent* c : report->GetAllObjects())
        if (auto* header = dynamic_cast<TrpGroupHeader*>(c); header && header->DrillDown) header->ExpandDrillDown = Expand;
    report->ExpandedDrillDowns.clear();
    Preview->RefreshReport();
    if (!Expand) Preview->SetPosition(1, 0);
}

// ---- closing, keys, size

void TrpPreviewForm::reject()
{
    // Esc: cancels a preparation, closes otherwise.
    if (Preparing() && !FForcedClose) Preview->Cancel();
    else QDialog::reject();
}

void TrpPreviewForm::done(int Result)
{
    if (Preparing() && !FForcedClose) return;
    if (Preview->Busy()) {
        // The preparation still runs through this window's control: the
        // window hides now and goes when it has returned.
        if (testAttribute(Qt::WA_DeleteOnClose)) {
            setAttribute(Qt::WA_DeleteOnClose, false);
            FDeleteWhenIdle = true;
        }
    }
    if (FFullScreen) SetFullScreen(false);
    QDialog::done(Result);
    if (TrpReport* report = Report()) report->OnClosePreview(report);
}

void TrpPreviewForm::PreviewIdle()
{
    if (FDeleteWhenIdle) Release();
}

void TrpPreviewForm::closeEvent(QCloseEvent* event)
{
    if (Preparing() && !FForcedClose) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TrpPreviewForm::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F11: gui::guarded([this] { SetFullScreen(!FFullScreen); }); break;
    case Qt::Key_F1: GetResources().Help("TrpPreviewForm"); break;
    case Qt::Key_Escape: gui::guarded([this] { CancelBClick(); }); break;
    default: QDialog::keyPressEvent(event);
    }
}

void TrpPreviewForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (windowState() & Qt::WindowMinimized) {
        // A modal preview takes the program down with it.
        if (!isModal()) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && !(w->windowState() & Qt::WindowMinimized)) {
                FMinimised.emplace_back(w);
                w->showMinimized();
            }
    } else if (!FMinimised.empty()) {
        for (const QPointer<QWidget>& w : FMinimised)
            if (w) w->showNormal();
        FMinimised.clear();
        activateWindow();
    }
}

bool TrpPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    // The designer button's right button offers the hidden menu.
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (auto* button = qobject_cast<QWidget*>(watched)) HiddenMenu->popup(button->mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- start-up

namespace {

TrpPreviewWindow* MakePreviewForm(TrpReport& report) { return new TrpPreviewForm(&report); }

}  // namespace

void registerPreviewLibrary()
{
    registerPreviewDialogs();
    SetPreviewWindowFactory(&MakePreviewForm);
}
