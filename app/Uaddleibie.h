#pragma once
// Adds a category to the catalogue.

#include "FormKit.h"

class TFaddleibie : public app::TAddDialog {
public:
    explicit TFaddleibie(QWidget* parent = nullptr);

    void Button1Click() override;  // 添加

    QLineEdit* Ed_cpm = nullptr;       // 类别名
    QPlainTextEdit* m_cpjs = nullptr;  // 介绍
};

extern TFaddleibie* Faddleibie;
