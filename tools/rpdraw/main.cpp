// rpdraw: loads a report XML file and draws a page's design (each view at
// its place, no data) into a PNG, or prints the object tree with positions.
//
//   rpdraw REPORT.xml --tree
//   rpdraw REPORT.xml --png OUT.png [--page N] [--zoom Z]
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "../common/ToolOutput.h"
#include "../common/ToolPng.h"
#include "ConsoleUiServices.h"
#include "SysUtils.h"
#include "rpDesignView.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpStartup.h"

namespace {

int usage()
{
    std::fputs("usage: rpdraw REPORT.xml --tree\n"
               "       rpdraw REPORT.xml --png OUT.png [--page N] [--zoom Z]\n",
               stderr);
    return 2;
}

int run(const std::vector<std::string>& args)
{
    if (args.size() < 2) return usage();
    std::string output;
    bool tree = false;
    int pageNumber = 1;
    Extended zoom = 1;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--tree") {
            tree = true;
        } else if (a == "--png" && hasValue) {
            output = args[++i];
            if (output.empty()) return usage();
        } else if (a == "--page" && hasValue) {
            if (!TryStrToInt(args[++i], pageNumber) || pageNumber < 1) return usage();
        } else if (a == "--zoom" && hasValue) {
            if (!TryStrToFloat(args[++i], zoom) || zoom <= 0 || zoom > 20) return usage();
        } else {
            return usage();
        }
    }
    if (tree == !output.empty()) return usage();

    registerReportSystem();

    // The report's error box (and a password box) come here as lines on
    // standard error.
    gui::ConsoleUiServices console("rpdraw");
    gui::ScopedUi scope(console);
    TrpReport report;
    {
        TFileStream file(args[0], fmOpenRead | fmShareDenyWrite);
        report.LoadFromStream(file);
    }
    if (console.count() > 0 || report.Errors.Count() > 0) {
        if (console.count() == 0)
            for (int i = 0; i < report.Errors.Count(); ++i)
                std::fprintf(stderr, "rpdraw: %s: %s\n", args[0].c_str(), report.Errors.Strings(i).c_str());
        return 1;
    }
    if (tree) {
        std::fputs(ReportTreeText(report).c_str(), stdout);
        return 0;
    }
    std::vector<TrpReportPage*> pages;
    for (TrpComponent* child : report.Objects())
        if (auto* page = dynamic_cast<TrpReportPage*>(child)) pages.push_back(page);
    // A page the report does not have is a wrong command line.
    if (pageNumber > static_cast<int>(pages.size())) {
        std::fprintf(stderr, "rpdraw: --page %d: %s has %zu report pages\n", pageNumber, args[0].c_str(), pages.size());
        return 2;
    }
    // A design view: no data, placeholders and sizes as they stand.
    report.SetDesigning(true);
    std::string error;
    if (!SavePng(DrawPageDesign(*pages[static_cast<size_t>(pageNumber - 1)], zoom), output, error)) {
        std::fprintf(stderr, "rpdraw: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = 1;
    try {
        status = run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rpdraw: %s\n", e.what());
    }
    return FinishStandardOutput("rpdraw", status);
}
