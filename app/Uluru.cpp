#include "Uluru.h"

TFluru* Fluru = nullptr;

TFluru::TFluru(QWidget* parent) : TPendingForm("Fluru", "订单录入", parent) {}
