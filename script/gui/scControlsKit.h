#pragma once
// What the control families share inside this module: the horizontal
// alignment of a text and the items of a combo or list box as a string
// list with their objects as handles.

#include <QComboBox>
#include <QListWidget>
#include <QPointer>

#include "StringLists.h"
#include "SysUtils.h"
#include "scControls.h"
#include "scQString.h"

inline Qt::Alignment ScHorizontal(TAlignment a)
{
    return a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
}

// The items of a combo box or list widget, with their objects as handles.
template <class W>
class TWidgetItems final : public TStrings {
public:
    TWidgetItems(W* widget, const bool& sorted) : widget_(widget), sorted_(sorted) {}
    int Count() const override { return widget_ ? count(*widget_) : 0; }
    std::string Get(int index) const override { return sc_gui::ss(text(checked(index), index)); }
    void Put(int index, const std::string& s) override { setText(checked(index), index, sc_gui::qs(s)); }
    TObject* GetObject(int index) const override
    {
        return FindObjectByHandle(data(checked(index), index).toULongLong());
    }
    void PutObject(int index, TObject* object) override
    {
        setData(checked(index), index, QVariant::fromValue<qulonglong>(object ? object->Handle() : 0));
    }
    void Clear() override
    {
        if (widget_) widget_->clear();
    }
    void Delete(int index) override { remove(checked(index), index); }
    void Insert(int index, const std::string& s) override
    {
        if (!widget_) return;
        if (index < 0 || index > count(*widget_)) Error("List index out of bounds (%d)", index);
        insert(*widget_, index, sc_gui::qs(s));
    }
    int AddObject(const std::string& s, TObject* object) override
    {
        int at = Count();
        if (sorted_) {
            at = 0;
            while (at < Count() && CompareText(Get(at), s) <= 0) ++at;
        }
        Insert(at, s);
        if (object) PutObject(at, object);
        return at;
    }

private:
    W& checked(int index) const
    {
        if (!widget_ || index < 0 || index >= count(*widget_)) Error("List index out of bounds (%d)", index);
        return *widget_;
    }
    static int count(QComboBox& w) { return w.count(); }
    static int count(QListWidget& w) { return w.count(); }
    static QString text(QComboBox& w, int i) { return w.itemText(i); }
    static QString text(QListWidget& w, int i) { return w.item(i)->text(); }
    static void setText(QComboBox& w, int i, const QString& t) { w.setItemText(i, t); }
    static void setText(QListWidget& w, int i, const QString& t) { w.item(i)->setText(t); }
    static QVariant data(QComboBox& w, int i) { return w.itemData(i); }
    static QVariant data(QListWidget& w, int i) { return w.item(i)->data(Qt::UserRole); }
    static void setData(QComboBox& w, int i, const QVariant& v) { w.setItemData(i, v); }
    static void setData(QListWidget& w, int i, const QVariant& v) { w.item(i)->setData(Qt::UserRole, v); }
    static void remove(QComboBox& w, int i) { w.removeItem(i); }
    static void remove(QListWidget& w, int i) { delete w.takeItem(i); }
    static void insert(QComboBox& w, int i, const QString& t) { w.insertItem(i, t); }
    static void insert(QListWidget& w, int i, const QString& t) { w.insertItem(i, t); }

    QPointer<W> widget_;
    const bool& sorted_;
};

