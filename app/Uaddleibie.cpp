#include "Uaddleibie.h"

TFaddleibie* Faddleibie = nullptr;

TFaddleibie::TFaddleibie(QWidget* parent) : TPendingForm("Faddleibie", "添加类别", parent) {}
