#pragma once
// Adds a product to a category of the catalogue.

#include "FormKit.h"

class TFaddcp : public app::TAddDialog {
public:
    explicit TFaddcp(QWidget* parent = nullptr);

    void Button1Click() override;  // 添加

    QLineEdit* Ed_cpm = nullptr;       // 产品名
    QPlainTextEdit* m_cpjs = nullptr;  // 介绍
    QLineEdit* Ed_leibie = nullptr;    // 类别名, from the tree
};

extern TFaddcp* Faddcp;
