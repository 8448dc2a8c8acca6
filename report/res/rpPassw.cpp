#include "rpPassw.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>

#include "rpRes.h"

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

QString res(const char* key)
{
    return QString::fromStdString(GetResources().Get(key));
}

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
    setObjectName("TrpPasswordForm");
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(252, 92);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(8, 8, 32, 32);
    Image1->setPixmap(QPixmap::fromImage(PasswordKeyImage()));

    PasswordL = new QLabel(this);
    PasswordL->setObjectName("PasswordL");
    PasswordL->setGeometry(48, 8, 157, 16);

    PasswordE = new QLineEdit(this);
    PasswordE->setObjectName("PasswordE");
    PasswordE->setGeometry(48, 28, 193, 21);
    auto* style = new StarPasswordStyle;
    style->setParent(PasswordE);
    PasswordE->setStyle(style);
    PasswordE->setEchoMode(QLineEdit::Password);

    OkB = new QPushButton(this);
    OkB->setObjectName("OkB");
    OkB->setGeometry(86, 60, 75, 25);
    OkB->setDefault(true);
    connect(OkB, &QPushButton::clicked, this, &QDialog::accept);

    CancelB = new QPushButton(this);
    CancelB->setObjectName("CancelB");
    CancelB->setGeometry(166, 60, 75, 25);
    connect(CancelB, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
}

void TrpPasswordForm::FormCreate()
{
    // The table has no keys 5000 and 5001: the form shows the keys.
    setWindowTitle(QString::fromStdString(GetResString(5000)));
    PasswordL->setText(QString::fromStdString(GetResString(5001)));
    OkB->setText(res("1"));
    CancelB->setText(res("2"));
}
