#pragma once
// Small helpers of the library's forms: texts from the string table, child
// controls placed where the form's layout puts them, the forms' font.

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include "rpRes.h"

inline QString rpRes(const char* key) { return QString::fromStdString(GetResources().Get(key)); }

// A named child control at a fixed place.
template <class T>
T* rpMake(QWidget* parent, const char* name, const QRect& geometry)
{
    T* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

// A form of fixed size in the forms' "Tahoma" at 11 pixels (a substitute
// where it is missing).
inline void rpInitForm(QWidget& form, const char* name, int width, int height)
{
    form.setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    form.setFont(font);
    form.setFixedSize(width, height);
}
