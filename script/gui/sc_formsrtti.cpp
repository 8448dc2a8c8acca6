#include "sc_formsrtti.h"

#include "Canvas.h"
#include "sc_registrar.h"
#include "scForms.h"

namespace {

struct NamedValue {
    const char* name;
    int32_t value;
};

constexpr NamedValue kModalResults[] = {
    {"mrNone", mrNone},   {"mrOk", mrOk},   {"mrCancel", mrCancel}, {"mrAbort", mrAbort},
    {"mrRetry", mrRetry}, {"mrIgnore", mrIgnore}, {"mrYes", mrYes}, {"mrNo", mrNo},
    {"mrAll", mrAll},     {"mrNoToAll", mrNoToAll}, {"mrYesToAll", mrYesToAll},
};

// crSize and crSizeAll share -22; -5 is not used.
constexpr NamedValue kCursors[] = {
    {"crDefault", 0},      {"crNone", -1},       {"crArrow", -2},      {"crCross", -3},     {"crIBeam", -4},
    {"crSize", -22},       {"crSizeNESW", -6},   {"crSizeNS", -7},     {"crSizeNWSE", -8},  {"crSizeWE", -9},
    {"crUpArrow", -10},    {"crHourGlass", -11}, {"crDrag", -12},      {"crNoDrop", -13},   {"crHSplit", -14},
    {"crVSplit", -15},     {"crMultiDrag", -16}, {"crSQLWait", -17},   {"crNo", -18},       {"crAppStart", -19},
    {"crHelp", -20},       {"crHandPoint", -21}, {"crSizeAll", -22},
};

constexpr NamedValue kBorderStyles[] = {
    {"bsNone", bsNone},     {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
    {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin},
};

constexpr NamedValue kKeys[] = {
    {"VK_RBUTTON", 2},     {"VK_CANCEL", 3},     {"VK_MBUTTON", 4},    {"VK_BACK", 8},        {"VK_TAB", 9},
    {"VK_RETURN", 13},     {"VK_SHIFT", 16},     {"VK_CONTROL", 17},   {"VK_MENU", 18},       {"VK_PAUSE", 19},
    {"VK_CAPITAL", 20},    {"VK_ESCAPE", 27},    {"VK_SPACE", 32},     {"VK_PRIOR", 33},      {"VK_NEXT", 34},
    {"VK_END", 35},        {"VK_HOME", 36},      {"VK_LEFT", 37},      {"VK_UP", 38},         {"VK_RIGHT", 39},
    {"VK_DOWN", 40},       {"VK_INSERT", 45},    {"VK_DELETE", 46},    {"VK_HELP", 47},       {"VK_LWIN", 91},
    {"VK_RWIN", 92},       {"VK_APPS", 93},      {"VK_NUMPAD0", 96},   {"VK_NUMPAD1", 97},    {"VK_NUMPAD2", 98},
    {"VK_NUMPAD3", 99},    {"VK_NUMPAD4", 100},  {"VK_NUMPAD5", 101},  {"VK_NUMPAD6", 102},   {"VK_NUMPAD7", 103},
    {"VK_NUMPAD8", 104},   {"VK_NUMPAD9", 105},  {"VK_MULTIPLY", 106}, {"VK_ADD", 107},       {"VK_SEPARATOR", 108},
    {"VK_SUBTRACT", 109},  {"VK_DECIMAL", 110},  {"VK_DIVIDE", 111},   {"VK_F1", 112},        {"VK_F2", 113},
    {"VK_F3", 114},        {"VK_F4", 115},       {"VK_F5", 116},       {"VK_F6", 117},        {"VK_F7", 118},
    {"VK_F8", 119},        {"VK_F9", 120},       {"VK_F10", 121},      {"VK_F11", 122},       {"VK_F12", 123},
    {"VK_NUMLOCK", 144},   {"VK_SCROLL", 145},
};
static_assert(std::size(kKeys) == 57);

void constants(TscRegistrar& r, std::initializer_list<NamedValue> list)
{
    for (const NamedValue& v : list) r.constant(v.name, "Integer", Variant(v.value));
}

template <size_t N>
void constants(TscRegistrar& r, const NamedValue (&list)[N])
{
    for (const NamedValue& v : list) r.constant(v.name, "Integer", Variant(v.value));
}

void addControls(TscRegistrar& r)
{
    r.cls<TControl>("TComponent")
        .property(
            "Parent", "TWinControl", [](TControl& o) { return o.Parent(); },
            [](TControl& o, const Variant& v) {
                TObject* parent = VariantToObject(v);
                auto* win = dynamic_cast<TWinControl*>(parent);
                if (parent && !win) throw EInvalidCast("Invalid class typecast");
                o.SetParent(win);
            })
        .method("procedure Hide", [](TControl& o, TscArgs&) { o.Hide(); })
        .method("procedure Show", [](TControl& o, TscArgs&) { o.Show(); })
        .method("procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)",
                [](TControl& o, TscArgs& a) { o.SetBounds(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); });
    r.cls<TWinControl>("TControl").method("procedure SetFocus", [](TWinControl& o, TscArgs&) { o.SetFocus(); });
    r.cls<TCustomControl>("TWinControl");
    r.cls<TGraphicControl>("TControl");
    r.cls<TGroupBox>("TWinControl");
    r.cls<TLabel>("TControl");
    r.cls<TEdit>("TWinControl");
    r.cls<TMemo>("TWinControl");
    r.cls<TCustomComboBox>("TWinControl")
        .property(
            "DroppedDown", "Boolean", [](TCustomComboBox& o) { return o.DroppedDown(); },
            [](TCustomComboBox& o, const Variant& v) { o.SetDroppedDown(v.toBool()); })
        .property(
            "ItemIndex", "Integer", [](TCustomComboBox& o) { return o.ItemIndex(); },
            [](TCustomComboBox& o, const Variant& v) { o.SetItemIndex(v.toInt()); });
    r.cls<TComboBox>("TCustomComboBox");
    r.cls<TButton>("TWinControl");
    r.cls<TCheckBox>("TWinControl");
    r.cls<TRadioButton>("TWinControl");
    r.cls<TCustomListBox>("TWinControl")
        .property(
            "ItemIndex", "Integer", [](TCustomListBox& o) { return o.ItemIndex(); },
            [](TCustomListBox& o, const Variant& v) { o.SetItemIndex(v.toInt()); })
        .property("SelCount", "Integer", [](TCustomListBox& o) { return o.SelCount(); })
        .indexed(
            "Selected", "Integer", "Boolean", [](TCustomListBox& o, TscArgs& a) { return o.Selected(a.Int(0)); },
            [](TCustomListBox& o, TscArgs& a, const Variant& v) { o.SetSelected(a.Int(0), v.toBool()); });
    r.cls<TListBox>("TCustomListBox");
    r.cls<TControlScrollBar>("TPersistent");
    r.cls<TScrollingWinControl>("TWinControl");
    r.cls<TScrollBox>("TScrollingWinControl");
}

void addForms(TscRegistrar& r)
{
    r.cls<TCustomForm>("TScrollingWinControl")
        .method("procedure Close", [](TCustomForm& o, TscArgs&) { o.Close(); })
        .method("procedure Hide", [](TCustomForm& o, TscArgs&) { o.Hide(); })
        .method("procedure Show", [](TCustomForm& o, TscArgs&) { o.Show(); })
        .method("function ShowModal: Integer", [](TCustomForm& o, TscArgs&) { return o.ShowModal(); })
        .property("Canvas", "TCanvas", [](TCustomForm& o) { return o.Canvas(); })
        .property(
            "ModalResult", "Integer", [](TCustomForm& o) { return o.ModalResult(); },
            [](TCustomForm& o, const Variant& v) { o.SetModalResult(v.toInt()); });
    r.cls<TForm>("TCustomForm");
    r.cls<TDataModule>("TComponent");
    r.cls<TApplication>("TComponent")
        .method("procedure Minimize", [](TApplication& o, TscArgs&) { o.Minimize(); })
        .method("procedure ProcessMessages", [](TApplication& o, TscArgs&) { o.ProcessMessages(); })
        .method("procedure Restore", [](TApplication& o, TscArgs&) { o.Restore(); })
        .property("ExeName", "String", [](TApplication& o) { return o.ExeName(); });
    r.object("Application", Application());
}

}  // namespace

TscFormsModule::TscFormsModule(TscScript* script) : TscRTTIModule(script)
{
    TscRegistrar r(script);
    constants(r, kModalResults);
    constants(r, kCursors);
    constants(r, kBorderStyles);
    constants(r, kKeys);
    for (const char* type : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"}) r.type(type, fvtInt);
    // Cursor properties take the cr constants.
    r.type("TCursor", fvtInt);
    constants(r, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}});

    r.setType("TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble");
    r.enumType(FindTypeInfo("TAlign"));
    r.enumType("TMouseButton", "mbLeft, mbRight, mbMiddle");
    r.enumType(FindTypeInfo("TAnchors"));
    r.enumType("TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace");
    for (const char* type : {"TTextLayout", "TEditCharCase", "TScrollStyle", "TComboBoxStyle", "TCheckBoxState",
                             "TListBoxStyle", "TWindowState", "TFormStyle", "TBorderIcons", "TPosition"})
        r.enumType(FindTypeInfo(type));
    r.enumType("TCloseAction", "caNone, caHide, caFree, caMinimize");

    addControls(r);
    addForms(r);
}

void scRegisterFormsModule()
{
    if (TscRTTIModuleList* list = scRTTIModules())
        list->Add(scpForms, "TscFormsModule", &scModuleFactory<TscFormsModule>);
}
