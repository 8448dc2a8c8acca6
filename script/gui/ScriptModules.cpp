#include "ScriptModules.h"

#include "UiServices.h"
#include "sc_dialogsrtti.h"
#include "sc_formsrtti.h"
#include "sc_graphicsrtti.h"
#include "sc_xml.h"
#include "scForms.h"

namespace {

const char* const kReport = "TrpClassRTTI";
const char* const kRichText = "TrpRichRTTI";
const char* const kModules[] = {"TscIniModule", "TscClassesModule", "TscDialogsModule", "TscGraphicsModule",
                                "TscFormsModule", kReport, kRichText};

}  // namespace

void registerScriptModules(const TscLaterModules& later)
{
    scRegisterWindowlessModules();
    registerScriptGuiClasses();
    scRegisterDialogsModule();
    scRegisterGraphicsModule();
    scRegisterFormsModule();
    TscRTTIModuleList* list = scRTTIModules();
    if (!list) return;
    if (later.report) list->Add(scpReport, kReport, later.report);
    if (later.richText) list->Add(scpRichText, kRichText, later.richText);
}

void unregisterScriptModules()
{
    if (TscRTTIModuleList* list = scRTTIModules())
        for (const char* name : kModules) list->Remove(name);
    unregisterScriptGuiClasses();
    UnregisterClass<TscXMLDocument>();
    UnregisterClass<TscXMLItem>();
}

void TscGuiScriptUi::ShowMessage(const std::string& text)
{
    gui::ShowMessage(QString::fromStdString(text));
}
