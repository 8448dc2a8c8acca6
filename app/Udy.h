#pragma once
// The courier waybill layouts form (not built yet).

#include "PendingForm.h"

class TFdy : public TPendingForm {
public:
    explicit TFdy(QWidget* parent = nullptr);
};

extern TFdy* Fdy;
