#include "rpStartup.h"

#include "Canvas.h"
#include "CoreClasses.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "rpClassRTTI.h"
#include "rpDMPClass.h"
#include "rpModel.h"
#include "rpPrintDialog.h"
#include "rpRes.h"
#include "rpXMLSerializer.h"
#include "sc_tools.h"

void registerReportSystem(const TrpStartupOptions& options)
{
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    scRegisterStandardLanguages();
    TscLaterModules later;
    if (options.reportScripts) later.report = &scModuleFactory<TrpClassRTTI>;
    registerScriptModules(later);
    registerReportModel();
    registerDMPClasses();
    registerPreviewDialogs();
    if (options.reportScripts)
        registerReportResources();
    else
        registerPrinterTexts();
}
