// Showing a report: the preview window opens at once and the report is
// prepared inside its message loop, from the first tick of a timer.
#include "rpReportShow.h"

#include <QTimer>

#include <memory>

#include "Exceptions.h"
#include "Guard.h"
#include "rpCustomPreview.h"
#include "rpCustomPreviewPages.h"
#include "rpReport.h"

namespace {

TrpPreviewWindowFactory& Factory()
{
    static TrpPreviewWindowFactory factory = nullptr;
    return factory;
}

}  // namespace

void SetPreviewWindowFactory(TrpPreviewWindowFactory factory) { Factory() = factory; }

TrpPreviewWindow::~TrpPreviewWindow()
{
    if (!report_ || report_->previewForm_ != this) return;
    report_->previewForm_ = nullptr;
    // Closed before the first tick: there is nothing left to prepare for.
    if (report_->prepareTimer_) report_->prepareTimer_->stop();
}

void TrpReport::detachPreview()
{
    prepareTimer_.reset();
    if (previewForm_) {
        previewForm_->ForgetReport();
        previewForm_ = nullptr;
    }
    SetPreview(nullptr);
}

void TrpReport::ShowReport(bool clearLastReport)
{
    if (clearLastReport) previewPages_->Clear();
    if (OldStyleProgress) {
        if (PrepareReport(false)) ShowPreparedReport();
        return;
    }
    if (!prepareTimer_) {
        prepareTimer_ = std::make_unique<QTimer>();
        prepareTimer_->setSingleShot(true);
        prepareTimer_->setInterval(50);
        QObject::connect(prepareTimer_.get(), &QTimer::timeout, prepareTimer_.get(), gui::Slot([this] {
                             prepareTimer_->stop();
                             PrepareReport(false);
                         }));
    }
    prepareTimer_->start();
    ShowPreparedReport();
}

void TrpReport::ShowPreparedReport()
{
    previewForm_ = nullptr;
    if (TrpCustomPreview* preview = Preview()) {
        SetPreview(preview);
        return;
    }
    if (!Factory()) throw EInvalidOperation("No preview window is available");
    // Released in every case but a window that was shown without a modal
    // loop: that one frees itself when it is closed.
    auto release = [](TrpPreviewWindow* w) { w->Release(); };
    std::unique_ptr<TrpPreviewWindow, decltype(release)> form(Factory()(*this), release);
    previewForm_ = form.get();
    struct Forget {
        TrpReport& report;
        TrpPreviewWindow* form;
        bool modal;
        ~Forget()
        {
            if (!modal) return;
            if (report.prepareTimer_) report.prepareTimer_->stop();
            if (report.Preview() == form->PreviewControl()) report.SetPreview(nullptr);
            if (report.previewForm_ == form) report.previewForm_ = nullptr;
            form->ForgetReport();
        }
    } forget{*this, form.get(), true};
    SetPreview(form->PreviewControl());
    form->Init();
    OnPreview(this);
    if (PreviewOptions()->Modal) {
        form->ShowModal();
        return;
    }
    forget.modal = false;
    form->ShowModeless();
    form.release();
}
