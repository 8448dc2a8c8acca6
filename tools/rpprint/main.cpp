// rpprint: prints a prepared report to a printer or a PDF file with the
// choices of the print dialog given as options; no dialog is shown.
//
//   rpprint (FILE.rpp | REPORT.xml [--db FILE --dataset NAME=SQL...])
//           (--file OUT.pdf | --printer NAME) [--pages TEXT] [--copies N]
//           [--collate] [--duplex N] [--reverse] [--odd | --even]
//           [--mode split|join|scale --sheet CODE] [--timeout SECONDS]
//
// A report XML file is prepared first, against datasets over the SQLite
// file, as rpprepare does. Errors go to standard error: the exit code is 2
// for a wrong command line, 1 when the file cannot be read or prepared,
// the report's script stopped it, nothing was printed or --timeout SECONDS
// have passed.
#include <cstdio>
#include <string>
#include <vector>

#include "ScriptedUiServices.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "ToolDatasets.h"
#include "ToolMain.h"
#include "rpCustomPreviewPages.h"
#include "rpPrinter.h"
#include "rpRes.h"
#include "rpReport.h"
#include "rpUtilsText.h"

namespace {

const char* const kUsage =
    "usage: rpprint (FILE.rpp | REPORT.xml [--db FILE --dataset NAME=SQL...]) (--file OUT.pdf | --printer NAME) "
    "[--pages TEXT] [--copies N] [--collate] [--duplex N] [--reverse] [--odd | --even] "
    "[--mode split|join|scale --sheet CODE] [--timeout SECONDS]\n";

struct Options {
    std::string input;
    std::string database;
    ToolDatasetList datasets;
    std::string file;
    std::string printer;
    std::string pages;
    int copies = 1;
    bool collate = false;
    int duplex = 0;
    bool reverse = false;
    TrpPrintPages which = ppAll;
    TrpPrintMode mode = pmDefault;
    int sheet = 0;
    bool prepared = false;  // an .rpp file
};

bool parse(const std::vector<std::string>& args, Options& o)
{
    bool odd = false, even = false, sheetGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (isDatasetOption(a) && hasValue) {
            if (!takeDatasetOption(a, args[++i], o.database, o.datasets)) return false;
        } else if (a == "--file" && hasValue) {
            o.file = args[++i];
            if (o.file.empty()) return false;
        } else if (a == "--printer" && hasValue) {
            o.printer = args[++i];
            if (o.printer.empty()) return false;
        } else if (a == "--pages" && hasValue) {
            o.pages = args[++i];
            try {
                TStringList list;
                ParsePageNumbers(o.pages, &list, 1);
            } catch (const EConvertError&) {
                return false;
            }
        } else if (a == "--copies" && hasValue) {
            if (!TryStrToInt(args[++i], o.copies) || o.copies < 1) return false;
        } else if (a == "--collate") {
            o.collate = true;
        } else if (a == "--duplex" && hasValue) {
            if (!TryStrToInt(args[++i], o.duplex) || o.duplex < 0 || o.duplex > 3) return false;
        } else if (a == "--reverse") {
            o.reverse = true;
        } else if (a == "--odd") {
            odd = true;
        } else if (a == "--even") {
            even = true;
        } else if (a == "--mode" && hasValue) {
            const std::string& m = args[++i];
            if (m == "split") o.mode = pmSplit;
            else if (m == "join") o.mode = pmJoin;
            else if (m == "scale") o.mode = pmScale;
            else return false;
        } else if (a == "--sheet" && hasValue) {
            Extended w = 0, h = 0;
            if (!TryStrToInt(args[++i], o.sheet) || (o.sheet != DMPAPER_USER && !GetPaperDimensions(o.sheet, w, h)))
                return false;
            sheetGiven = true;
        } else if (a.rfind("--", 0) == 0 || !o.input.empty() || a.empty()) {
            return false;
        } else {
            o.input = a;
        }
    }
    if (odd && even) return false;
    o.which = odd ? ppOdd : even ? ppEven : ppAll;
    o.prepared = o.input.size() > 4 && SameText(o.input.substr(o.input.size() - 4), ".rpp");
    const bool data = !o.database.empty() || !o.datasets.empty();
    if (o.input.empty() || o.file.empty() == o.printer.empty()) return false;
    if (o.prepared ? data : o.database.empty() != o.datasets.empty()) return false;
    return (o.mode == pmDefault) != sheetGiven;
}

ReportTool tool("rpprint", kUsage);

// Boxes of the print path, written to standard error instead.
class ToolUi {
public:
    ToolUi() : scope_(ui_) { ui_.setFailureHandler([](const QString&) {}); }
    // Writes the texts of the boxes shown so far; true when there were any.
    bool Report()
    {
        const QStringList& shown = ui_.messages();
        for (; written_ < shown.size(); ++written_) tool.Error(shown[written_].toStdString());
        return written_ > 0;
    }

private:
    gui::ScriptedUiServices ui_;
    gui::ScopedUi scope_;
    qsizetype written_ = 0;
};

// Loads and prepares a report file as the program does, in background
// mode; false after errors, which are on stderr.
bool Prepare(TrpReport& report, ToolDatasets& data, const std::string& file)
{
    report.EngineOptions()->BackgroundMode = true;
    if (!report.LoadFromFile(file, true)) return false;
    for (int i = 0; i < report.Errors.Count(); ++i) tool.Error(file + ": " + report.Errors.Strings(i));
    if (report.Errors.Count() > 0) return false;
    data.AddTo(report);
    // The report writes the errors of its preparation to stderr itself.
    return report.PrepareReport(true);
}

int run(const Options& o)
{
    ToolUi boxes;
    ToolDatasets data(o.database, o.datasets);
    auto* report = new TrpReport(&data.form);
    // Stops a preparation's script and the printing of pages.
    tool.OnTimeout([report] { report->SetTerminated(true); });
    if (o.prepared) {
        report->EngineOptions()->NewSilentMode = simSilent;
        ReportTool::ReadFile(o.input, [&] { report->PreviewPages()->LoadFromFile(o.input, true); });
    } else {
        const bool prepared = Prepare(*report, data, o.input);
        // A report its script stopped is not printed in part.
        if (tool.StoppedByScript(*report) || !prepared) {
            boxes.Report();
            return 1;
        }
    }
    if (boxes.Report()) return 1;

    TrpPrinters& printers = GetPrinters();
    if (!o.printer.empty()) {
        if (printers.IndexOf(o.printer) < 0 || !printers.HasPhysicalPrinters()) {
            tool.Error("there is no printer " + o.printer);
            return 1;
        }
    }
    TrpPrintOptions& options = *report->PrintOptions();
    options.ShowDialog = false;
    options.Printer = o.printer;
    options.OutputFile = o.file;
    options.PageNumbers = o.pages;
    options.Copies = o.copies;
    options.Collate = o.collate;
    options.DialogDuplex = static_cast<TrpDuplexMode>(o.duplex);
    options.Reverse = o.reverse;
    options.PrintPages = o.which;
    options.PrintMode = o.mode;
    options.PrintOnSheet = o.sheet;
    const bool printed = report->PreviewPages()->Print();
    if (boxes.Report()) return 1;
    if (!printed) {
        if (!tool.TimedOut()) tool.Error("no page to print");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    return tool.Main(
        argc, argv, [&](const std::vector<std::string>& args) { return parse(args, options); },
        [&] { return run(options); });
}
