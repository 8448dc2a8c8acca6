#pragma once
// The report targets' start: an offscreen application with widgets (a
// report's dialog pages are windows), silent boxes and every report class
// registered, as the program has them.

#include <QApplication>

#include "FuzzGui.h"
#include "Pictures.h"
#include "rpDMPClass.h"
#include "rpModel.h"
#include "rpXMLSerializer.h"

inline void startReportTarget()
{
    fuzz_support::ensureGuiApplication<QApplication>();
    fuzz_support::installSilentUi();
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    registerReportModel();
    registerDMPClasses();
}
