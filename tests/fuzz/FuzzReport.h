#pragma once
// The report targets' start: an offscreen application, silent boxes and
// every report class registered, as the program has them.

#include "Canvas.h"
#include "CoreClasses.h"
#include "FuzzGui.h"
#include "Pictures.h"
#include "rpDMPClass.h"
#include "rpModel.h"
#include "rpXMLSerializer.h"

inline void startReportTarget()
{
    fuzz_support::ensureGuiApplication();
    fuzz_support::installSilentUi();
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    registerReportModel();
    registerDMPClasses();
}
