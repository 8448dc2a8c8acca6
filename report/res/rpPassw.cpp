#include "rpPassw.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>

#include "rpFormKit.h"

namespace {

// The platform's password edit shows "*" for each character.
class StarPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

QImage PasswordKeyImage()
{
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor gold(214, 170, 40), dark(120, 88, 10);
    p.setPen(QPen(dark, 1.5));
    p.setBrush(gold);
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.drawRect(QRectF(14, 14, 14, 4).translated(-1, 0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9, 9), 2.5, 2.5);
    p.setBrush(gold);
    p.drawRect(QRectF(22, 18, 3, 5));
    p.drawRect(QRectF(17, 18, 3, 4));
    return img;
}

TrpPasswordForm::TrpPasswordForm(QWidget* parent) : QDialog(parent)
{
    rpInitForm(*this, "TrpPasswordForm", 252, 92);
    Image1 = rpMake<QLabel>(this, "Image1", QRect(8, 8, 32, 32));
    Image1->setPixmap(QPixmap::fromImage(PasswordKeyImage()));
    PasswordL = rpMake<QLabel>(this, "PasswordL", QRect(48, 8, 157, 16));
    PasswordE = rpMake<QLineEdit>(this, "PasswordE", QRect(48, 28, 193, 21));
    auto* style = new StarPasswordStyle;
    style->setParent(PasswordE);
    PasswordE->setStyle(style);
    PasswordE->setEchoMode(QLineEdit::Password);
    OkB = rpMake<QPushButton>(this, "OkB", QRect(86, 60, 75, 25));
    OkB->setDefault(true);
    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);
    CancelB = rpMake<QPushButton>(this, "CancelB", QRect(166, 60, 75, 25));
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TrpPasswordForm::FormCreate()
{
    // The table has no keys 5000 and 5001: the form shows the keys.
    setWindowTitle(QString::fromStdString(GetResString(5000)));
    PasswordL->setText(QString::fromStdString(GetResString(5001)));
    OkB->setText(rpRes("1"));
    CancelB->setText(rpRes("2"));
}
