// Stands in for the band engine's preparation until it lands: the frame
// of PrepareReport without script and engine (pages cleared when asked,
// errors and Terminated reset, OnBeginDoc, OnEndDoc). Programs that fill
// prepared pages themselves (tests, tools) do so from OnEndDoc.
#include "rpCustomPreviewPages.h"
#include "rpReport.h"

bool TrpReport::PrepareReport(bool clearLastReport)
{
    if (clearLastReport) previewPages_->Clear();
    Errors.Clear();
    Terminated = false;
    OnBeginDoc(this);
    OnEndDoc(this);
    return true;
}
