// rpprepare: a report prepared the way the program prepares it, against
// datasets made from queries over an SQLite file, in background mode.
//
//   rpprepare REPORT.xml [--db FILE --dataset NAME=SQL...] [--dump] [--png DIR [--zoom Z]] [--rpp OUT.rpp]
//             [--timeout SECONDS]
//
// The dump (the default) goes to standard output: per page its size, per
// band its name, left, top and height, per text object its text. --png
// writes page-0001.png ... into DIR at Z device pixels per report unit (1
// is 96 dpi); --rpp saves the prepared-report file. Errors go to standard
// error; the exit code is 1 after load or preparation errors (what was
// prepared is still written), when the report's script stopped it or once
// --timeout SECONDS have passed, 2 for
// a wrong command line. A report's dialog pages are answered by the UI
// script that DORVAK_UI_SCRIPT names; without one they are refused, and a
// refused dialog prepares nothing.

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "QtCanvas.h"
#include "ScriptedUiServices.h"
#include "SysUtils.h"
#include "ToolDatasets.h"
#include "ToolMain.h"
#include "ToolPng.h"
#include "rpEngine.h"
#include "rpPages.h"
#include "rpReport.h"

namespace {

const char* const kUsage =
    "usage: rpprepare REPORT.xml [--db FILE --dataset NAME=SQL...] [--dump] [--png DIR [--zoom Z]] [--rpp OUT.rpp]"
    " [--timeout SECONDS]\n";

struct Options {
    std::string report;
    std::string database;
    ToolDatasetList datasets;
    bool dump = false;
    std::string pngFolder;
    Extended zoom = 1;
    bool zoomGiven = false;
    std::string rppFile;
};

bool parse(const std::vector<std::string>& args, Options& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (isDatasetOption(a) && hasValue) {
            if (!takeDatasetOption(a, args[++i], o.database, o.datasets)) return false;
        } else if (a == "--dump") {
            o.dump = true;
        } else if (a == "--png" && hasValue) {
            o.pngFolder = args[++i];
            if (o.pngFolder.empty()) return false;
        } else if (a == "--zoom" && hasValue) {
            if (!TryStrToFloat(args[++i], o.zoom) || o.zoom <= 0 || o.zoom > 20) return false;
            o.zoomGiven = true;
        } else if (a == "--rpp" && hasValue) {
            o.rppFile = args[++i];
            if (o.rppFile.empty()) return false;
        } else if (a.rfind("--", 0) == 0 || !o.report.empty() || a.empty()) {
            return false;
        } else {
            o.report = a;
        }
    }
    if (o.report.empty() || o.database.empty() != o.datasets.empty()) return false;
    if (o.zoomGiven && o.pngFolder.empty()) return false;
    if (o.pngFolder.empty() && o.rppFile.empty()) o.dump = true;
    return true;
}

ReportTool tool("rpprepare", kUsage);

bool writePngs(TrpCustomPreviewPages& pages, const Options& o)
{
    std::error_code ec;
    std::filesystem::create_directories(o.pngFolder, ec);
    if (ec) {
        tool.Error("cannot make the folder " + o.pngFolder + ": " + ec.message());
        return false;
    }
    for (int i = 0; i < pages.GetCount(); ++i) {
        const TPoint size = pages.GetPageSize(i);
        QImage image(std::max(1, static_cast<int>(Round(size.X * o.zoom))),
                     std::max(1, static_cast<int>(Round(size.Y * o.zoom))), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TQtCanvas canvas(image);
            pages.DrawPage(i, canvas, o.zoom, o.zoom, 0, 0);
        }
        char name[32];
        std::snprintf(name, sizeof name, "page-%04d.png", i + 1);
        std::string error;
        if (!SavePng(image, (std::filesystem::path(o.pngFolder) / name).string(), error)) {
            tool.Error(error);
            return false;
        }
    }
    return true;
}

int run(const Options& o)
{
    // The report finds the tool's datasets by their names.
    ToolDatasets data(o.database, o.datasets);
    auto* report = new TrpReport(&data.form);
    report->EngineOptions()->BackgroundMode = true;
    report->LoadFromFile(o.report, true);
    data.AddTo(*report);
    int status = 0;
    if (report->Errors.Count() > 0) {
        for (int i = 0; i < report->Errors.Count(); ++i) tool.Error(o.report + ": " + report->Errors.Strings(i));
        status = 1;
    }
    tool.OnTimeout([report] { report->SetTerminated(true); });
    // Errors of the preparation are written to standard error by the report.
    if (!report->PrepareReport(true)) status = 1;
    if (tool.StoppedByScript(*report)) status = 1;
    TrpCustomPreviewPages& pages = *report->PreviewPages();
    if (o.dump) std::fputs(DumpPreparedPages(pages).c_str(), stdout);
    if (!o.pngFolder.empty() && !writePngs(pages, o)) status = 1;
    if (!o.rppFile.empty()) pages.SaveToFile(o.rppFile);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    std::unique_ptr<gui::ScriptedUiServices> ui;
    return tool.Main(
        argc, argv, [&](const std::vector<std::string>& args) { return parse(args, options); },
        [&] {
            // A tool never shows a box: anything that would ask goes to
            // stderr, unless the UI script of DORVAK_UI_SCRIPT answers it
            // (dialog pages).
            bool scriptError = false;
            ui.reset(gui::installFromEnvironment(&scriptError));
            if (scriptError) return 2;
            gui::setUi(nullptr);
            if (!ui) {
                ui = std::make_unique<gui::ScriptedUiServices>();
                ui->setFailureHandler([](const QString& f) { tool.Error(f.toStdString()); });
            }
            gui::ScopedUi scope(*ui);
            int status = run(options);
            if (ui->pending() > 0) tool.Error("UI script lines left over: " + IntToStr(ui->pending()));
            if (ui->pending() > 0 || !ui->failures().isEmpty()) status = 1;
            return status;
        });
}
