// rpprepare: a report prepared the way the program prepares it, against
// datasets made from queries over an SQLite file, in background mode.
//
//   rpprepare REPORT.xml [--db FILE --dataset NAME=SQL...] [--dump] [--png DIR [--zoom Z]] [--rpp OUT.rpp]
//
// The dump (the default) goes to standard output: per page its size, per
// band its name, left, top and height, per text object its text. --png
// writes page-0001.png ... into DIR at Z device pixels per report unit (1
// is 96 dpi); --rpp saves the prepared-report file. Errors go to standard
// error; the exit code is 1 after load or preparation errors (what was
// prepared is still written), 2 for a wrong command line. A report's
// dialog pages are answered by the UI script that DORVAK_UI_SCRIPT names;
// without one they are refused, and a refused dialog prepares nothing.

#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "QtCanvas.h"
#include "ScriptedUiServices.h"
#include "SysUtils.h"
#include "ToolDatasets.h"
#include "rpEngine.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpStartup.h"

namespace {

const char* const kUsage =
    "usage: rpprepare REPORT.xml [--db FILE --dataset NAME=SQL...] [--dump] [--png DIR [--zoom Z]] [--rpp OUT.rpp]\n";

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

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (isDatasetOption(a) && hasValue) {
            if (!takeDatasetOption(a, argv[++i], o.database, o.datasets)) return false;
        } else if (a == "--dump") {
            o.dump = true;
        } else if (a == "--png" && hasValue) {
            o.pngFolder = argv[++i];
        } else if (a == "--zoom" && hasValue) {
            if (!TryStrToFloat(argv[++i], o.zoom) || o.zoom <= 0 || o.zoom > 20) return false;
            o.zoomGiven = true;
        } else if (a == "--rpp" && hasValue) {
            o.rppFile = argv[++i];
        } else if (a.rfind("--", 0) == 0 || !o.report.empty()) {
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

bool writePngs(TrpCustomPreviewPages& pages, const Options& o)
{
    if (!QDir().mkpath(QString::fromStdString(o.pngFolder))) {
        std::fprintf(stderr, "rpprepare: cannot make %s\n", o.pngFolder.c_str());
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
        const QString file = QDir(QString::fromStdString(o.pngFolder)).filePath(QString::fromLatin1(name));
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "rpprepare: cannot write %s\n", file.toStdString().c_str());
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
    if (!report->LoadFromFile(o.report)) {
        std::fprintf(stderr, "rpprepare: cannot open %s\n", o.report.c_str());
        return 1;
    }
    data.AddTo(*report);
    int status = 0;
    if (report->Errors.Count() > 0) {
        for (int i = 0; i < report->Errors.Count(); ++i)
            std::fprintf(stderr, "rpprepare: %s\n", report->Errors.Strings(i).c_str());
        status = 1;
    }
    // Errors of the preparation are written to standard error by the report.
    if (!report->PrepareReport(true)) status = 1;
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
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportSystem();
    // A tool never shows a box: anything that would ask goes to stderr,
    // unless the UI script of DORVAK_UI_SCRIPT answers it (dialog pages).
    bool scriptError = false;
    std::unique_ptr<gui::ScriptedUiServices> ui(gui::installFromEnvironment(&scriptError));
    if (scriptError) return 2;
    gui::setUi(nullptr);
    if (!ui) {
        ui = std::make_unique<gui::ScriptedUiServices>();
        ui->setFailureHandler([](const QString& f) { std::fprintf(stderr, "rpprepare: %s\n", f.toStdString().c_str()); });
    }
    gui::ScopedUi scope(*ui);
    try {
        int status = run(options);
        std::fflush(stdout);
        if (ui->pending() > 0) std::fprintf(stderr, "rpprepare: UI script lines left over: %d\n", ui->pending());
        if (ui->pending() > 0 || !ui->failures().isEmpty()) status = 1;
        return status;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "rpprepare: %s\n", e.what());
        return 1;
    }
}
