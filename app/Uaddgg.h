#pragma once
// Adds a 规格 (a size with its unit and price) to a product of the catalogue.

#include "FormKit.h"

class TFaddgg : public app::TAddDialog {
public:
    explicit TFaddgg(QWidget* parent = nullptr);

    void Button1Click() override;  // 添加

    QLineEdit* Ed_ggm = nullptr;       // 规格名
    QPlainTextEdit* m_ggjs = nullptr;  // 介绍
    QLineEdit* Ed_leibie = nullptr;    // 类别名, from the tree
    QLineEdit* Ed_cpm = nullptr;       // 产品名, from the tree
    QLineEdit* Ed_dw = nullptr;        // 单位
    QLineEdit* Ed_jg = nullptr;        // 价格
};

extern TFaddgg* Faddgg;
