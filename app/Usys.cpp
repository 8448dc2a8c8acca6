#include "Usys.h"

TFsys* Fsys = nullptr;

TFsys::TFsys(QWidget* parent) : TPendingForm("Fsys", "系统设置", parent) {}
