// previewshot: shows a prepared-report file, or a report prepared against
// an SQLite file, in the preview window as ShowReport opens it, moves to a
// page and zoom, searches a text, and saves the window as a PNG.
//
//   previewshot (FILE.rpp | REPORT.xml [--db FILE --dataset NAME=SQL...]) --png OUT.png
//               [--page N] [--zoom Z|pagewidth|wholepage] [--find TEXT] [--timeout SECONDS]
//
// Z is device pixels per report unit (1 is 96 dpi). A wrong command line
// exits with 2, a page the report does not have too; a file that cannot be
// loaded or prepared with 1 (the reasons on standard error), as does a
// preparation its script stopped or cancelled once --timeout SECONDS have
// passed. No box is ever
// shown: their texts go to standard error.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CodePages.h"
#include "SysUtils.h"
#include "ToolDatasets.h"
#include "ToolMain.h"
#include "ToolPng.h"
#include "UiServices.h"
#include "rpCustomPreviewPages.h"
#include "rpPreviewForm.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpXMLSerializer.h"

namespace {

const char* const kUsage =
    "usage: previewshot (FILE.rpp | REPORT.xml [--db FILE --dataset NAME=SQL...]) --png OUT.png [--page N] "
    "[--zoom Z|pagewidth|wholepage] [--find TEXT] [--timeout SECONDS]\n";

struct Options {
    std::string input;
    std::string database;
    ToolDatasetList datasets;
    std::string png;
    int page = 1;
    std::optional<Extended> zoom;
    TrpZoomMode zoomMode = zmDefault;
    std::optional<std::string> find;
};

bool endsWith(const std::string& s, const char* tail)
{
    const std::string t = LowerCase(tail);
    return s.size() >= t.size() && LowerCase(s.substr(s.size() - t.size())) == t;
}

bool parse(const std::vector<std::string>& args, Options& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (isDatasetOption(a) && hasValue) {
            if (!takeDatasetOption(a, args[++i], o.database, o.datasets)) return false;
        } else if (a == "--png" && hasValue) {
            o.png = args[++i];
            if (o.png.empty()) return false;
        } else if (a == "--page" && hasValue) {
            if (!TryStrToInt(args[++i], o.page) || o.page < 1) return false;
        } else if (a == "--zoom" && hasValue) {
            const std::string& z = args[++i];
            Extended value = 0;
            if (z == "pagewidth") o.zoomMode = zmPageWidth;
            else if (z == "wholepage") o.zoomMode = zmWholePage;
            else if (TryStrToFloat(z, value) && value > 0 && value <= 10) o.zoom = value;
            else return false;
        } else if (a == "--find" && hasValue) {
            o.find = args[++i];
        } else if (a.rfind("--", 0) == 0 || !o.input.empty() || a.empty()) {
            return false;
        } else {
            o.input = a;
        }
    }
    if (o.input.empty() || o.png.empty()) return false;
    // Datasets belong to a report file; a prepared file has its pages.
    if (endsWith(o.input, ".rpp")) return o.database.empty() && o.datasets.empty();
    return o.database.empty() == o.datasets.empty();
}

ReportTool tool("previewshot", kUsage);

// Boxes are written to standard error; the preview window is driven here
// instead of waiting for a person.
class ShotUi : public gui::UiServices {
public:
    explicit ShotUi(const Options& o) : options_(o)
    {
        // The time limit cancels a preparation inside the window, as its
        // cancel button does.
        tool.OnTimeout([this] {
            if (form_ && form_->Preparing()) form_->CancelBClick();
        });
    }
    bool saved = false;
    // Cleared while a report is prepared inside the window, set by its end.
    bool prepared = true;
    // The exit code of a failed shot: 1, or 2 for a page the file lacks.
    int failure = 1;
    std::string error;

    gui::MsgResult messageBox(const QString& text, const QString&, gui::MsgButtons, gui::MsgIcon) override
    {
        tool.Error(text.toStdString());
        return gui::MsgResult::Ok;
    }
    int showModal(QDialog& dialog) override
    {
        auto* form = qobject_cast<TrpPreviewForm*>(&dialog);
        if (!form) {
            tool.Error(dialog.windowTitle().toStdString() + " refused");
            return QDialog::Rejected;
        }
        form_ = form;
        shoot(*form);
        return QDialog::Accepted;
    }
    bool inputQuery(const QString&, const QString&, QString&) override { return false; }
    bool fileDialog(const gui::FileRequest&, QString&) override { return false; }
    bool fontDialog(QFont&, const QString&) override { return false; }
    bool colorDialog(QColor&, const QString&) override { return false; }
    bool openUrl(const QString&) override { return false; }

private:
    void settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    void shoot(TrpPreviewForm& form)
    {
        form.setWindowState(Qt::WindowNoState);
        form.resize(1280, 900);
        form.show();
        // The report is prepared inside the window, from its timer's tick.
        TrpReport* report = form.Report();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 600000 &&
               ((report && report->PrepareTimer() && report->PrepareTimer()->isActive()) || form.Preview->Running())) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(5);
        }
        settle();
        // The time limit has its own message, and so has a report that its
        // script stopped before its end.
        if (tool.TimedOut() || (report && tool.StoppedByScript(*report))) return;
        // A report that could not be prepared shows nothing (or has closed
        // its window).
        if (!prepared || !form.isVisible()) {
            error = "the report could not be prepared";
            return;
        }
        TrpPreview& preview = *form.Preview;
        if (options_.page > preview.PageCount()) {
            error = "--page " + IntToStr(options_.page) + ": " + options_.input + " has " +
                    IntToStr(preview.PageCount()) + (preview.PageCount() == 1 ? " page" : " pages");
            failure = 2;
            return;
        }
        if (options_.zoom) preview.SetZoom(*options_.zoom);
        if (options_.zoomMode != zmDefault) preview.SetZoomMode(options_.zoomMode);
        preview.SetPageNo(options_.page);
        if (options_.find) preview.FindText(Utf8ToUtf16(*options_.find), false, true);
        settle();
        saved = SavePng(form.grab().toImage(), options_.png, error);
        form.hide();
    }

    const Options& options_;
    QPointer<TrpPreviewForm> form_;
};

int run(const Options& o)
{
    ShotUi ui(o);
    gui::ScopedUi scope(ui);
    ToolDatasets data(o.database, o.datasets);
    auto* report = new TrpReport(&data.form);
    if (endsWith(o.input, ".rpp")) {
        ReportTool::ReadFile(o.input, [&] { report->PreviewPages()->LoadFromFile(o.input, true); });
        report->ShowPreparedReport();
    } else {
        report->LoadFromFile(o.input, true);
        if (report->Errors.Count() > 0) {
            for (int i = 0; i < report->Errors.Count(); ++i) tool.Error(o.input + ": " + report->Errors.Strings(i));
            return 1;
        }
        data.AddTo(*report);
        // Prepared inside the window, as the print commands show it.
        ui.prepared = false;
        report->OnEndDoc = [&ui](TObject*) { ui.prepared = true; };
        report->ShowReport(true);
    }
    if (!ui.error.empty()) tool.Error(ui.error);
    return ui.saved ? 0 : ui.failure;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    return tool.Main(
        argc, argv, [&](const std::vector<std::string>& args) { return parse(args, options); },
        [&] { return run(options); });
}
