#pragma once
// The product catalogue window (not built yet).

#include "PendingForm.h"

class TFchanpin : public TPendingForm {
public:
    explicit TFchanpin(QWidget* parent = nullptr);
};

extern TFchanpin* Fchanpin;
