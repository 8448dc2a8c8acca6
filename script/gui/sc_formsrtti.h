#pragma once
// The forms module (sixth in the module list): modal results, cursors,
// border styles, key codes and alignments; the control and form types;
// the controls, forms, data modules and the object "Application".

#include "sc_sysrtti.h"

class TscFormsModule : public TscRTTIModule {
public:
    explicit TscFormsModule(TscScript* script);
};

void scRegisterFormsModule();
