#include "FormTypes.h"

#include "ReflectionBuilder.h"

namespace {

template <class T>
void unregisterUnused()
{
    try {
        UnregisterType<T>();
    } catch (const EInvalidOperation&) {
        // Still used by the other side's classes.
    }
}

}  // namespace

void registerFormTypes()
{
    RegisterEnum<TFormBorderStyle>("TFormBorderStyle",
                                   {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
    RegisterEnum<TWindowState>("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
    RegisterEnum<TFormStyle>("TFormStyle", {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"});
    RegisterEnum<TBorderIcon>("TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
    RegisterSet<TBorderIcons>("TBorderIcons");
    RegisterEnum<TPosition>("TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                                          "poScreenCenter", "poDesktopCenter"});
}

void unregisterFormTypes()
{
    unregisterUnused<TPosition>();
    unregisterUnused<TBorderIcons>();
    unregisterUnused<TBorderIcon>();
    unregisterUnused<TFormStyle>();
    unregisterUnused<TWindowState>();
    unregisterUnused<TFormBorderStyle>();
}
