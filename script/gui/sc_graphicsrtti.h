#pragma once
// The graphics module (fifth in the module list): the 52 colour names,
// the font, pen and brush types, and TFont, TPen, TBrush, TCanvas,
// TGraphic, TPicture, TMetafile, TMetafileCanvas and TBitmap.

#include "sc_sysrtti.h"

class TscGraphicsModule : public TscRTTIModule {
public:
    explicit TscGraphicsModule(TscScript* script);
};

void scRegisterGraphicsModule();
