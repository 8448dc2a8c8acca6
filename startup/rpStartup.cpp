#include "rpStartup.h"

#include "Canvas.h"
#include "CoreClasses.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "rpClassRTTI.h"
#include "rpDMPClass.h"
#include "rpModel.h"
#include "rpPreviewForm.h"
#include "rpRes.h"
#include "rpRich.h"
#include "rpRichRTTI.h"
#include "rpXMLSerializer.h"
#include "sc_tools.h"

void registerReportSystem(const TrpStartupOptions& options)
{
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    scRegisterStandardLanguages();
    if (options.reportScripts)
        registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>,
                               .richText = options.aboveReportCore ? rpRichScriptModule : nullptr});
    else
        registerScriptModules();
    registerReportModel();
    if (!options.aboveReportCore) return;
    registerDMPClasses();
    registerRichUnit();
    registerPreviewLibrary();
    if (options.reportScripts)
        registerReportResources();
    else
        registerPrinterTexts();
}
