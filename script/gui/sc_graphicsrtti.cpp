#include "sc_graphicsrtti.h"

#include "CodePages.h"
#include "Pictures.h"
#include "sc_registrar.h"

namespace {

struct NamedColor {
    const char* name;
    TColor value;
};

constexpr NamedColor kColors[] = {
    {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive}, {"clNavy", clNavy},
    {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray}, {"clSilver", clSilver}, {"clRed", clRed},
    {"clLime", clLime}, {"clYellow", clYellow}, {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua},
    {"clWhite", clWhite}, {"clMoneyGreen", clMoneyGreen}, {"clSkyBlue", clSkyBlue}, {"clCream", clCream},
    {"clMedGray", clMedGray}, {"clActiveBorder", clActiveBorder}, {"clActiveCaption", clActiveCaption},
    {"clAppWorkSpace", clAppWorkSpace}, {"clBackground", clBackground}, {"clBtnFace", clBtnFace},
    {"clBtnHighlight", clBtnHighlight}, {"clBtnShadow", clBtnShadow}, {"clBtnText", clBtnText},
    {"clCaptionText", clCaptionText}, {"clDefault", clDefault}, {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption}, {"clGrayText", clGrayText}, {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText}, {"clHotLight", clHotLight}, {"clInactiveBorder", clInactiveBorder},
    {"clInactiveCaption", clInactiveCaption}, {"clInactiveCaptionText", clInactiveCaptionText}, {"clInfoBk", clInfoBk},
    {"clInfoText", clInfoText}, {"clMenu", clMenu}, {"clMenuBar", clMenuBar}, {"clMenuHighlight", clMenuHighlight},
    {"clMenuText", clMenuText}, {"clNone", clNone}, {"clScrollBar", clScrollBar}, {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight}, {"clWindow", clWindow}, {"clWindowFrame", clWindowFrame}, {"clWindowText", clWindowText},
};
static_assert(std::size(kColors) == 52);

template <class T>
void graphicsObject(TscRegistrar& r)
{
    r.cls<T>("TPersistent").constructor("constructor Create", [](const TClass*, TscArgs&) { return new T; });
}

void drawGraphic(TCanvas& canvas, TscArgs& a, int at, const TRect& rect)
{
    if (const TGraphic* graphic = a.Obj<TGraphic>(at)) graphic->Draw(canvas, rect);
}

}  // namespace

TscGraphicsModule::TscGraphicsModule(TscScript* script) : TscRTTIModule(script)
{
    TscRegistrar r(script);
    for (const NamedColor& c : kColors) r.constant(c.name, "Integer", Variant(static_cast<int32_t>(c.value)));
    for (const char* type : {"TFontStyles", "TFontPitch", "TPenStyle", "TPenMode", "TBrushStyle"})
        r.enumType(FindTypeInfo(type));

    graphicsObject<TFont>(r);
    graphicsObject<TPen>(r);
    graphicsObject<TBrush>(r);
    r.cls<TCanvas>("TPersistent")
        .constructor("constructor Create", [](const TClass* named, TscArgs&) { return named->Create(nullptr); })
        .method("procedure Draw(X, Y: Integer; Graphic: TGraphic)",
                [](TCanvas& o, TscArgs& a) {
                    if (const TGraphic* g = a.Obj<TGraphic>(2))
                        g->Draw(o, Rect(a.Int(0), a.Int(1), a.Int(0) + g->Width(), a.Int(1) + g->Height()));
                })
        .method("procedure Ellipse(X1, Y1, X2, Y2: Integer)",
                [](TCanvas& o, TscArgs& a) { o.Ellipse(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); })
        .method("procedure LineTo(X, Y: Integer)", [](TCanvas& o, TscArgs& a) { o.LineTo(a.Int(0), a.Int(1)); })
        .method("procedure MoveTo(X, Y: Integer)", [](TCanvas& o, TscArgs& a) { o.MoveTo(a.Int(0), a.Int(1)); })
        .method("procedure Rectangle(X1, Y1, X2, Y2: Integer)",
                [](TCanvas& o, TscArgs& a) { o.Rectangle(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); })
        .method("procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)",
                [](TCanvas& o, TscArgs& a) { o.RoundRect(a.Int(0), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5)); })
        .method("procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)",
                [](TCanvas& o, TscArgs& a) { drawGraphic(o, a, 4, Rect(a.Int(0), a.Int(1), a.Int(2), a.Int(3))); })
        .method("function TextHeight(const Text: string): Integer",
                [](TCanvas& o, TscArgs& a) { return o.TextHeight(Utf8ToUtf16(a.Str(0))); })
        .method("procedure TextOut(X, Y: Integer; const Text: string)",
                [](TCanvas& o, TscArgs& a) { o.TextOut(a.Int(0), a.Int(1), std::string_view(a.Str(2))); })
        .method("function TextWidth(const Text: string): Integer",
                [](TCanvas& o, TscArgs& a) { return o.TextWidth(Utf8ToUtf16(a.Str(0))); })
        .indexed(
            "Pixels", "Integer, Integer", "TColor", [](TCanvas& o, TscArgs& a) { return o.Pixel(a.Int(0), a.Int(1)); },
            [](TCanvas& o, TscArgs& a, const Variant& v) { o.SetPixel(a.Int(0), a.Int(1), static_cast<TColor>(v.toInt())); });
    r.cls<TGraphic>("TPersistent")
        .constructor("constructor Create", [](const TClass* named, TscArgs&) { return named->Create(nullptr); })
        .method("procedure LoadFromFile(const Filename: string)", [](TGraphic& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .method("procedure SaveToFile(const Filename: string)", [](TGraphic& o, TscArgs& a) { o.SaveToFile(a.Str(0)); });
    r.cls<TPicture>("TPersistent")
        .method("procedure LoadFromFile(const Filename: string)", [](TPicture& o, TscArgs& a) { o.LoadFromFile(a.Str(0)); })
        .method("procedure SaveToFile(const Filename: string)", [](TPicture& o, TscArgs& a) { o.SaveToFile(a.Str(0)); });
    r.cls<TMetafile>("TGraphic");
    r.cls<TMetafileCanvas>("TCanvas").constructor(
        "constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)",
        [](const TClass*, TscArgs& a) { return new TMetafileCanvas(a.Obj<TMetafile>(0), a.Int(1)); });
    r.cls<TBitmap>("TGraphic");
}

void scRegisterGraphicsModule()
{
    if (TscRTTIModuleList* list = scRTTIModules())
        list->Add(scpGraphics, "TscGraphicsModule", &scModuleFactory<TscGraphicsModule>);
}
