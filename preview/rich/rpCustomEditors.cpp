#include "rpCustomEditors.h"

#include "rpRes.h"

void TrpViewEditor::GetMenuItems(std::vector<MenuItem>& menu)
{
    const TrpView* v = view();
    if (!v) return;
    const TrpResources& res = GetResources();
    AddMenuItem(menu, res.Get("mvShift"), tagShift, v->ShiftMode() == smAlways);
    AddMenuItem(menu, res.Get("mvShiftOver"), tagShiftOver, v->ShiftMode() == smWhenOverlapped);
    AddMenuItem(menu, res.Get("mvVisible"), tagVisible, v->Visible());
    AddMenuItem(menu, res.Get("mvPrintable"), tagPrintable, v->Printable());
}

bool TrpViewEditor::Execute(int tag, bool checked)
{
    if (tag < tagShift || tag > tagPrintable) return false;
    for (TrpView* v : unlocked<TrpView>()) {
        switch (tag) {
        case tagShift: v->SetShiftMode(checked ? smAlways : smDontShift); break;
        case tagShiftOver: v->SetShiftMode(checked ? smWhenOverlapped : smDontShift); break;
        case tagVisible: v->SetVisible(checked); break;
        default: v->SetPrintable(checked); break;
        }
    }
    return true;
}
