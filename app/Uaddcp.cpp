#include "Uaddcp.h"

TFaddcp* Faddcp = nullptr;

TFaddcp::TFaddcp(QWidget* parent) : TPendingForm("Faddcp", "添加产品", parent) {}
