#pragma once
// Adds a category to the catalogue.

#include "FormKit.h"

class TFaddleibie : public app::TFieldForm {
public:
    explicit TFaddleibie(QWidget* parent = nullptr);

    void Button1Click();  // 添加

    QLineEdit* Ed_cpm = nullptr;       // 类别名
    QPlainTextEdit* m_cpjs = nullptr;  // 介绍
    QPushButton* Button1 = nullptr;
};

extern TFaddleibie* Faddleibie;
