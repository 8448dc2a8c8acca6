#pragma once
// The order sheet over one SQLite file's order, set up as the program sets
// it up (two report datasets over two queries on a form), for the
// benchmarks that prepare, print and preview it. The file comes from the
// engine tests' line generator (OrderLines.h).

#include <string>
#include <string_view>
#include <utility>

#include "Database.h"
#include "OrderLines.h"
#include "Query.h"
#include "rpBands.h"
#include "rpDBSet.h"
#include "rpMemo.h"
#include "rpPreviewPages.h"
#include "rpPrintSettings.h"
#include "rpPrinter.h"
#include "rpReport.h"
#include "rpTemplates.h"

namespace order_sheet_report {

// 10,000 lines of the generator make 313 pages.
constexpr int kLines = 10000;
constexpr int kPages = 313;

struct Sheet {
    db::Database db;
    db::Query master{db, "ADOQuery1"}, detail{db, "ADOQuery2"};
    TComponent form;
    TrpReport* report;

    // Prepared in background mode, as the tools and the print path do;
    // stretch: names and specifications grow with their text; a title
    // replaces the template's, as the print command's company name does.
    explicit Sheet(const std::string& file, bool stretch = false, std::u16string_view title = {})
        : db(file, db::Database::OpenMode::ReadOnly)
    {
        form.SetName("fmain");
        master.setSql(order_lines::masterSql());
        detail.setSql(order_lines::detailSql());
        for (auto [name, query] : {std::pair{"rpDBDataset1", &master}, std::pair{"rpDBDataset2", &detail}}) {
            auto* ds = new TrpDBDataset(&form);
            ds->SetName(name);
            ds->SetDataSet(query);
        }
        report = new TrpReport(&form);
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
        LoadReportTemplate(*report, rpOrderSheetTemplate);
        if (auto* memo = dynamic_cast<TrpMemoView*>(report->FindObject("Memo1")); memo && !title.empty()) {
            memo->AllowExpressions = false;
            memo->SetText(title);
        }
        if (stretch) {
            static_cast<TrpBand*>(report->FindObject("DetailData1"))->Stretched = true;
            for (const char* name : {"Memo17", "Memo18"})
                static_cast<TrpCustomMemoView*>(report->FindObject(name))->SetStretchMode(smActualHeight);
        }
    }
    int prepare()
    {
        report->PrepareReport(true);
        return report->PreviewPages()->GetCount();
    }
    TrpPreviewPages& pages() { return *static_cast<TrpPreviewPages*>(report->PreviewPages()); }
    // The prepared pages to a PDF file as rpprint and the preview's print
    // button print them, through the stand-in printer.
    bool print(const std::string& file)
    {
        static TrpVirtualPrinter printer("bench", "");
        printer.Init();
        printer.SetFileName(file);
        return pages().PrintTo(printer, TrpPrintSettings{});
    }
};

}  // namespace order_sheet_report
