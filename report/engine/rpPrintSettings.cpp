#include "rpPrintSettings.h"

namespace {
TrpPrintDialogProvider& DialogProvider()
{
    static TrpPrintDialogProvider provider = nullptr;
    return provider;
}
}  // namespace

void SetPrintDialogProvider(TrpPrintDialogProvider Provider) { DialogProvider() = Provider; }

bool ShowPrintDialog(TrpPrintSettings& Settings, int CurPage)
{
    TrpPrintDialogProvider p = DialogProvider();
    return p && p(Settings, CurPage);
}
