#include "Uchanpin.h"

TFchanpin* Fchanpin = nullptr;

TFchanpin::TFchanpin(QWidget* parent) : TPendingForm("Fchanpin", "产品管理", parent) {}
