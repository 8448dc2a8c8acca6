#include "Udy.h"

TFdy* Fdy = nullptr;

TFdy::TFdy(QWidget* parent) : TPendingForm("Fdy", "快递单打印", parent) {}
