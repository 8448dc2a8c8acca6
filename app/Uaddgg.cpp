#include "Uaddgg.h"

TFaddgg* Faddgg = nullptr;

TFaddgg::TFaddgg(QWidget* parent) : TPendingForm("Faddgg", "添加产品规格", parent) {}
