#include "rpRichRTTI.h"

#include "rpRich.h"
#include "sc_registrar.h"

TrpRichRTTI::TrpRichRTTI(TscScript* script) : TscRTTIModule(script)
{
    TscRegistrar r(script);
    // Members a windowed control has and the engine has not reach the
    // engine through its own class, which refuses them as undeclared.
    r.cls<TReRichEdit>("TWinControl");
    r.cls<TrpRichView>("TrpView").property("RichEdit", "TReRichEdit", [](TrpRichView& v) { return v.RichEdit(); });
}
