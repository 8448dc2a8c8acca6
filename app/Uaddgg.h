#pragma once
// The add-specification dialog of the catalogue (not built yet).

#include "PendingForm.h"

class TFaddgg : public TPendingForm {
public:
    explicit TFaddgg(QWidget* parent = nullptr);
};

extern TFaddgg* Faddgg;
