#pragma once
// The base of export filters: what the prepared pages hand a filter that
// writes a prepared report elsewhere (a file, a mail). The pages run the
// frame (TrpCustomPreviewPages::Export): the filter's dialog, Start, every
// chosen page with its objects, Finish. A filter is made and registered
// with GetExportFilters() by the unit that provides it; none is part of
// this program, so the preview offers no export.

#include <string>

#include "Classes.h"

class TrpReport;
class TrpReportPage;
class TrpView;

class TrpCustomExportFilter : public TComponent {
    DORVAK_CLASS(TrpCustomExportFilter, TComponent)
public:
    explicit TrpCustomExportFilter(TComponent* owner = nullptr);
    // Leaves the registry.
    ~TrpCustomExportFilter() override;

    // Ask for the options before a run (ShowModal).
    bool ShowDialog = true;
    // Progress of the run in the report's progress window.
    bool ShowProgress = true;
    // Only the preview's current page.
    bool CurPage = false;
    // "1,3,5-12"; blank exports every page.
    std::string PageNumbers;
    std::string FileName;
    // The report being exported, set as a run begins.
    TrpReport* Report = nullptr;

    // What the preview's export menu shows.
    virtual std::string GetDescription() const;
    // The filter of dot-matrix output: used in place of "TrpTextExport" for
    // a dot-matrix report, and never listed itself.
    virtual bool IsDotMatrix() const { return false; }

    // ---- the run, called by the prepared pages in this order
    // Options of the run; false cancels it before anything else is called.
    virtual bool ShowModal() { return true; }
    // False refuses the run: nothing else is called.
    virtual bool Start() { return true; }
    // A page as it prints (mirrored margins exchanged on even pages);
    // index is 0-based among all pages.
    virtual void StartPage(TrpReportPage& /*page*/, int /*index*/) {}
    // Each object of the page, nested ones included, in drawing order; its
    // background and frame come first, as a picture view named
    // "_pagebackground" over the printable area. Positions are relative to
    // the page's margins, in report units.
    virtual void ExportObject(TrpView& object) = 0;
    virtual void FinishPage(TrpReportPage& /*page*/, int /*index*/) {}
    // After the last page, also when the run was cancelled (the report's
    // Terminated is then set).
    virtual void Finish() {}
    // The run ended by an error (raised again after this): nothing more
    // comes.
    virtual void Abort() {}

    static void Publish(TClassBuilder<TrpCustomExportFilter>& b);
};
