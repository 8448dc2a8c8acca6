#pragma once
// The component editor every view shares: its menu switches shifting,
// visibility and printing on the selected views a designer hands in. No
// designer is part of this program; the editors are registered for one.

#include <string>
#include <vector>

#include "rpClass.h"
#include "rpRegistry.h"

// What a designer passes as the editors' Designer to name its selection;
// without one an editor acts on its own component.
class TrpDesignerSelection {
public:
    virtual ~TrpDesignerSelection() = default;
    virtual std::vector<TComponent*> SelectedComponents() const = 0;
};

class TrpViewEditor : public TrpComponentEditor {
public:
    using TrpComponentEditor::TrpComponentEditor;

    enum : int { tagShift = 1, tagShiftOver, tagVisible, tagPrintable };

    void GetMenuItems(std::vector<MenuItem>& menu) override;
    bool Execute(int tag, bool checked) override;

protected:
    // The selected views of class T that may be changed (rfDontModify clear).
    template <class T>
    std::vector<T*> unlocked() const
    {
        std::vector<TComponent*> selected;
        if (const auto* selection = dynamic_cast<const TrpDesignerSelection*>(Designer))
            selected = selection->SelectedComponents();
        else
            selected.push_back(Component);
        std::vector<T*> out;
        for (TComponent* c : selected)
            if (auto* v = dynamic_cast<T*>(c); v && !v->Restrictions().Contains(rfDontModify)) out.push_back(v);
        return out;
    }
    TrpView* view() const { return dynamic_cast<TrpView*>(Component); }
};

// The format kinds the format editor offers, as resource keys.
inline constexpr const char* rpFormatKindNames[] = {"fkText", "fkNumber", "fkDateTime", "fkBoolean"};
