#pragma once
// The company settings: the one config row whose name, telephone and
// address head the order sheet and whose details send the waybill.

#include <utility>
#include <vector>

#include "FormKit.h"

class TFsys : public app::TFieldForm {
public:
    explicit TFsys(QWidget* parent = nullptr);

    // Fills the fields from the first config row (the main window does
    // this before showing the form); with no row they keep their texts.
    void LoadSettings();
    void Button1Click();  // 保存

    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
              *Edit7 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;  // 取消: has never done anything

private:
    std::vector<std::pair<QLineEdit*, const char*>> fields() const;
};

extern TFsys* Fsys;
