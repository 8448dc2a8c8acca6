// rpcalc: a report's expressions (or every text object's printed text)
// computed the way the report computes them, against datasets made from
// queries over an SQLite file.
//
//   rpcalc REPORT.xml --db FILE --dataset NAME=SQL... [--record N] (--memos | EXPR...) [--timeout SECONDS]
//
// Each --dataset makes a report dataset of that user name over the query;
// --record moves every dataset to its N-th row (from 1). Values go to
// standard output, one a line; with --memos each line is a text object's
// name, a tab and its text (line breaks as "\n"), after the script
// handlers that run before it is printed (its band's and its own). Errors
// go to standard error; the exit code is 1 when there were any (a report
// script that does not compile among them, a script still running once
// --timeout SECONDS have passed), 2 for bad arguments.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedUiServices.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "ToolDatasets.h"
#include "ToolMain.h"
#include "CodePages.h"
#include "rpBands.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpMemo.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpXMLSerializer.h"
#include "sc_interpreter.h"

namespace {

const char* const kUsage =
    "usage: rpcalc REPORT.xml --db FILE --dataset NAME=SQL... [--record N] (--memos | EXPR...) [--timeout SECONDS]\n";

struct Options {
    std::string report;
    std::string database;
    ToolDatasetList datasets;
    int record = 1;
    bool memos = false;
    std::vector<std::string> expressions;
};

bool parse(const std::vector<std::string>& args, Options& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (isDatasetOption(a) && hasValue) {
            if (!takeDatasetOption(a, args[++i], o.database, o.datasets)) return false;
        } else if (a == "--record" && hasValue) {
            if (!TryStrToInt(args[++i], o.record) || o.record < 1) return false;
        } else if (a == "--memos") {
            o.memos = true;
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else if (o.report.empty()) {
            if (a.empty()) return false;
            o.report = a;
        } else {
            o.expressions.push_back(a);
        }
    }
    return !o.report.empty() && !o.database.empty() && !o.datasets.empty() && o.memos != !o.expressions.empty();
}

std::string oneLine(std::string text)
{
    // A text object's lines end in a line break; the last one is no text.
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    text = StringReplace(text, "\r\n", "\n", rfReplaceAll);
    text = StringReplace(text, "\r", "\n", rfReplaceAll);
    return StringReplace(text, "\n", "\\n", rfReplaceAll);
}

// A script event handler of an object, as the engine runs it before printing.
void runHandler(TrpReport& report, TrpComponent* object, const std::string& handler)
{
    if (!handler.empty()) report.Script()->CallFunction(handler, VarArrayOf({ObjectToVariant(object)}));
}

ReportTool tool("rpcalc", kUsage);

void printErrors(TrpReport& report)
{
    for (int i = 0; i < report.Errors.Count(); ++i) tool.Error(report.Errors.Strings(i));
    report.Errors.Clear();
}

int run(const Options& o)
{
    // The report finds the tool's datasets by their names.
    ToolDatasets data(o.database, o.datasets);
    TComponent& form = data.form;
    auto* report = new TrpReport(&form);
    report->EngineOptions()->NewSilentMode = simSilent;
    report->LoadFromFile(o.report, true);
    int status = report->Errors.Count() > 0 ? 1 : 0;
    for (int i = 0; i < report->Errors.Count(); ++i) tool.Error(o.report + ": " + report->Errors.Strings(i));
    report->Errors.Clear();
    tool.OnTimeout([report] { report->SetTerminated(true); });
    // A script that does not compile still leaves the report's functions.
    const bool compiled = report->PrepareScript();
    if (!compiled) {
        printErrors(*report);
        status = 1;
    }
    report->DataSets()->Initialize();
    for (int i = 0; i < form.ComponentCount(); ++i) {
        auto* ds = dynamic_cast<TrpDBDataset*>(form.Components(i));
        if (!ds) continue;
        ds->Open();
        ds->First();
        for (int k = 1; k < o.record && !ds->Eof(); ++k) ds->Next();
    }

    auto failed = [&](const std::exception& e) {
        tool.Error(e.what());
        report->Errors.Clear();
        status = 1;
    };
    // The script's main block runs before anything is printed.
    if (compiled) {
        try {
            report->Script()->Execute();
        } catch (const std::exception& e) {
            failed(e);
        }
    }
    if (o.memos) {
        const std::vector<TrpComponent*> objects = report->GetAllObjects();
        for (TrpComponent* c : objects) {
            if (report->Terminated) break;
            if (auto* band = dynamic_cast<TrpBand*>(c)) {
                try {
                    runHandler(*report, band, band->OnBeforePrint);
                } catch (const std::exception& e) {
                    failed(e);
                }
            }
            auto* memo = dynamic_cast<TrpCustomMemoView*>(c);
            if (!memo) continue;
            report->CurObject = memo->Name();
            memo->BeforePrint();
            try {
                runHandler(*report, memo, memo->OnBeforePrint);
                memo->GetData();
                std::printf("%s\t%s\n", memo->Name().c_str(), oneLine(Utf16ToUtf8(memo->Text())).c_str());
            } catch (const std::exception& e) {
                failed(e);
            }
            memo->AfterPrint();
        }
    } else {
        for (const std::string& expression : o.expressions) {
            if (report->Terminated) break;
            try {
                std::printf("%s\n", oneLine(VarToStr(report->Calc(expression))).c_str());
            } catch (const std::exception& e) {
                failed(e);
            }
        }
    }
    report->DataSets()->Finalize();
    if (tool.StoppedByScript(*report)) status = 1;
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    return tool.Main(
        argc, argv, [&](const std::vector<std::string>& args) { return parse(args, options); },
        [&] {
            // Nobody answers boxes here: a password is refused, anything
            // else is written to standard error.
            gui::ScriptedUiServices ui;
            ui.setFailureHandler([](const QString& f) { tool.Error(f.toStdString()); });
            gui::ScopedUi scope(ui);
            return run(options);
        });
}
