#include "sc_dialogsrtti.h"

#include "sc_registrar.h"
#include "scDialogs.h"

TscDialogsModule::TscDialogsModule(TscScript* script) : TscRTTIModule(script)
{
    TscRegistrar r(script);
    for (const char* type : {"TOpenOptions", "TFileEditStyle", "TColorDialogOptions", "TFontDialogOptions",
                             "TFontDialogDevice", "TPrintRange", "TPrintDialogOptions", "TMsgDlgType", "TMsgDlgButtons"})
        r.enumType(FindTypeInfo(type));

    r.cls<TCommonDialog>("TComponent").method("function Execute: Boolean", [](TCommonDialog& o, TscArgs&) {
        return o.Execute();
    });
    r.cls<TOpenDialog>("TCommonDialog");
    r.cls<TSaveDialog>("TCommonDialog");
    r.cls<TColorDialog>("TCommonDialog");
    r.cls<TFontDialog>("TCommonDialog");
    r.cls<TPrintDialog>("TCommonDialog");
    r.cls<TPrinterSetupDialog>("TCommonDialog");

    const std::string other = "ctOther";
    r.function(
        "function MessageDlg(Msg: string; DlgType: TMsgDlgType; Buttons: TMsgDlgButtons; HelpCtx: Longint): Integer",
        [](TscArgs& a) {
            return MessageDlg(a.Str(0), static_cast<TMsgDlgType>(a.Int(1)),
                              TMsgDlgButtons::FromBits(a.Set(2)));
        },
        other);
    r.function(
        "function InputBox(ACaption, APrompt, ADefault: string): string",
        [](TscArgs& a) { return InputBox(a.Str(0), a.Str(1), a.Str(2)); }, other);
    r.function(
        "function InputQuery(ACaption, APrompt: string; var Value: string): Boolean",
        [](TscArgs& a) {
            std::string value = a.Str(2);
            const bool ok = InputQuery(a.Str(0), a.Str(1), value);
            if (ok) a.SetVar(2, Variant(value));
            return ok;
        },
        other);
}

void scRegisterDialogsModule()
{
    if (TscRTTIModuleList* list = scRTTIModules())
        list->Add(scpDialogs, "TscDialogsModule", &scModuleFactory<TscDialogsModule>);
}
