#pragma once
// The add-category dialog of the catalogue (not built yet).

#include "PendingForm.h"

class TFaddleibie : public TPendingForm {
public:
    explicit TFaddleibie(QWidget* parent = nullptr);
};

extern TFaddleibie* Faddleibie;
