#pragma once
// What the report sees of a preview control: the report drives it through
// these seven operations while it prepares; the control reaches the pages
// only through the prepared-pages interface. The preview library
// implements it. A component, so that a report can name it (Preview).

#include "Classes.h"

class TrpReport;
class TrpCustomPreviewPages;

class TrpCustomPreview : public TComponent {
    DORVAK_CLASS(TrpCustomPreview, TComponent)
public:
    explicit TrpCustomPreview(TComponent* owner = nullptr) : TComponent(owner) {}

    TrpReport* Report = nullptr;
    TrpCustomPreviewPages* PreviewPages = nullptr;
    bool UseReportHints = true;

    // A report and its pages were attached: show what is there.
    virtual void Init() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Prepare again (a drill-down or changed page settings).
    virtual void RefreshReport() = 0;
    // Preparation started, reached page `pageIndex` (0-based), stopped.
    virtual void ProgressStart() = 0;
    virtual void Progress(int pageIndex) = 0;
    virtual void ProgressStop() = 0;
};
