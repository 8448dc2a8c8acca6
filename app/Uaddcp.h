#pragma once
// The add-product dialog of the catalogue (not built yet).

#include "PendingForm.h"

class TFaddcp : public TPendingForm {
public:
    explicit TFaddcp(QWidget* parent = nullptr);
};

extern TFaddcp* Faddcp;
