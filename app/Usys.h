#pragma once
// The company settings form (not built yet).

#include "PendingForm.h"

class TFsys : public TPendingForm {
public:
    explicit TFsys(QWidget* parent = nullptr);
};

extern TFsys* Fsys;
