#include "rpModel.h"

#include "rpCustomPreview.h"

#include "ControlIdents.h"
#include "FormTypes.h"
#include "rpBands.h"
#include "rpCustomPreview.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpDialogControls.h"
#include "rpEngine.h"
#include "rpExportFilter.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpPreviewPages.h"
#include "rpRegistry.h"
#include "rpReport.h"
#include "rpReportOptions.h"
#include "rpShapes.h"
#include "rpStyles.h"
#include "rpVariables.h"

namespace {

void registerTypes()
{
    registerFormTypes();
    RegisterEnum<TrpAlign>("TrpAlign", {"baNone", "baLeft", "baRight", "baCenter", "baWidth", "baBottom", "baClient"});
    RegisterEnum<TrpShiftMode>("TrpShiftMode", {"smDontShift", "smAlways", "smWhenOverlapped"});
    RegisterEnum<TrpStretchMode>("TrpStretchMode", {"smDontStretch", "smActualHeight", "smMaxHeight"});
    RegisterEnum<TrpRestriction>("TrpRestriction",
                                 {"rfDontModify", "rfDontSize", "rfDontMove", "rfDontDelete", "rfDontEdit"});
    RegisterSet<TrpRestrictions>("TrpRestrictions");
    RegisterEnum<TrpFrameStyle>("TrpFrameStyle", {"fsSolid", "fsDash", "fsDot", "fsDashDot", "fsDashDotDot",
                                                  "fsDouble", "fsAltDot", "fsSquare"});
    RegisterEnum<TrpFrameType>("TrpFrameType", {"ftLeft", "ftRight", "ftTop", "ftBottom"});
    RegisterSet<TrpFrameTyp>("TrpFrameTyp");
    RegisterEnum<TrpFormatKind>("TrpFormatKind", {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"});
    RegisterEnum<TrpHAlign>("TrpHAlign", {"haLeft", "haRight", "haCenter", "haBlock"});
    RegisterEnum<TrpVAlign>("TrpVAlign", {"vaTop", "vaBottom", "vaCenter"});
    RegisterEnum<TrpShapeKind>("TrpShapeKind", {"skRectangle", "skRoundRectangle", "skEllipse", "skTriangle",
                                                "skDiamond", "skDiagonal1", "skDiagonal2"});
    RegisterEnum<TrpRangeBegin>("TrpRangeBegin", {"rbFirst", "rbCurrent"});
    RegisterEnum<TrpRangeEnd>("TrpRangeEnd", {"reLast", "reCurrent", "reCount"});
    RegisterEnum<TPrinterOrientation>("TPrinterOrientation", {"poPortrait", "poLandscape"});
    RegisterEnum<TrpDuplexMode>("TrpDuplexMode", {"dmNone", "dmVertical", "dmHorizontal", "dmSimplex"});
    RegisterEnum<TrpSilentMode>("TrpSilentMode", {"simMessageBoxes", "simSilent", "simReThrow"});
}

void unregisterTypes()
{
    UnregisterType<TrpSilentMode>();
    UnregisterType<TrpDuplexMode>();
    UnregisterType<TPrinterOrientation>();
    UnregisterType<TrpRangeEnd>();
    UnregisterType<TrpRangeBegin>();
    UnregisterType<TrpShapeKind>();
    UnregisterType<TrpVAlign>();
    UnregisterType<TrpHAlign>();
    UnregisterType<TrpFormatKind>();
    UnregisterType<TrpFrameTyp>();
    UnregisterType<TrpFrameType>();
    UnregisterType<TrpFrameStyle>();
    UnregisterType<TrpRestrictions>();
    UnregisterType<TrpRestriction>();
    UnregisterType<TrpStretchMode>();
    UnregisterType<TrpShiftMode>();
    UnregisterType<TrpAlign>();
    unregisterFormTypes();
}

}  // namespace

void registerReportModel()
{
    registerTypes();
    RegisterClass<TrpFrameLine>(TrpFrameLine::Publish);
    RegisterClass<TrpFrame>(TrpFrame::Publish);
    RegisterClass<TrpHighlight>(TrpHighlight::Publish);
    RegisterClass<TrpFormat>(TrpFormat::Publish);
    RegisterClass<TrpComponent>(TrpComponent::Publish);
    RegisterClass<TrpReportComponent>(TrpReportComponent::Publish);
    registerDialogBaseClasses();
    RegisterClass<TrpView>(TrpView::Publish);
    RegisterClass<TrpStretcheable>(TrpStretcheable::Publish);
    registerMemoClasses();
    registerPictureViewClasses();
    registerShapeClasses();
    registerBandClasses();
    registerPageClasses();
    RegisterClass<TrpDataSet>(TrpDataSet::Publish);
    RegisterClass<TrpUserDataSet>(TrpUserDataSet::Publish);
    RegisterClass<TrpCustomDBDataSet>(TrpCustomDBDataSet::Publish);
    RegisterClass<TrpDBDataset>(TrpDBDataset::Publish);
    RegisterClass<TrpCustomDatabase>(TrpCustomDatabase::Publish);
    RegisterClass<TrpDataSetItem>(TrpDataSetItem::Publish);
    RegisterClass<TrpReportDataSets>();
    RegisterClass<TrpVariable>(TrpVariable::Publish);
    RegisterClass<TrpVariables>();
    RegisterClass<TrpArray>();
    RegisterClass<TrpStyleItem>(TrpStyleItem::Publish);
    RegisterClass<TrpStyles>();
    registerReportOptionClasses();
    RegisterClass<TrpCustomEngine>(TrpCustomEngine::Publish);
    RegisterClass<TrpEngine>(TrpEngine::Publish);
    RegisterClass<TrpCustomOutline>();
    RegisterClass<TrpCustomPreview>();
    RegisterClass<TrpCustomExportFilter>(TrpCustomExportFilter::Publish);
    RegisterClass<TrpOutline>();
    RegisterClass<TrpReport>(TrpReport::Publish);
    registerDialogControlClasses();
    registerPropertyEditors();
}

void unregisterReportModel()
{
    unregisterPropertyEditors();
    // Descendants first: walk the registry backwards and drop ours.
    std::vector<const TClass*> classes = RegisteredClasses();
    for (auto it = classes.rbegin(); it != classes.rend(); ++it)
        if ((*it)->InheritsFrom(TrpComponent::StaticClass()) || (*it)->ClassName().rfind("Trp", 0) == 0)
            UnregisterClass(*it);
    unregisterReportOptionTypes();
    unregisterTypes();
}
