#pragma once
// The order form: new and edited orders with their lines (not built yet).

#include "PendingForm.h"

class TFluru : public TPendingForm {
public:
    explicit TFluru(QWidget* parent = nullptr);
};

extern TFluru* Fluru;
