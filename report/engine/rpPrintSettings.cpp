#include "rpPrintSettings.h"

#include "StringLists.h"
#include "SysUtils.h"
#include "rpUtilsText.h"

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

std::vector<int> SelectPages(const std::string& pageNumbers, int count, bool reverse, TrpPrintPages which)
{
    TStringList numbers;
    ParsePageNumbers(pageNumbers, &numbers, count);
    std::vector<int> order;
    if (numbers.Count() == 0 && pageNumbers.find_first_not_of(' ') != std::string::npos) return order;
    const int positions = numbers.Count() > 0 ? numbers.Count() : count;
    for (int i = 0; i < positions; ++i) {
        const int at = reverse ? positions - 1 - i : i;
        const int index = numbers.Count() > 0 ? StrToIntDef(numbers.Strings(at), 0) - 1 : at;
        if (index < 0 || index >= count) continue;
        if ((which == ppOdd && index % 2 == 1) || (which == ppEven && index % 2 == 0)) continue;
        order.push_back(index);
    }
    return order;
}
