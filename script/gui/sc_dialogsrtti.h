#pragma once
// The dialogs module (fourth in the module list): the dialog option sets
// and types, TCommonDialog with Execute and its six descendants, and
// MessageDlg, InputBox and InputQuery.

#include "sc_sysrtti.h"

class TscDialogsModule : public TscRTTIModule {
public:
    explicit TscDialogsModule(TscScript* script);
};

void scRegisterDialogsModule();
