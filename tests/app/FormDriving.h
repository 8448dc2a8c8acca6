#pragma once
// Acting on the forms as a user does: picking from a list and typing run
// the user-only handlers; setting a control from code does not.

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

// Picks the item with this text, as a mouse click in the drop-down does.
inline void pick(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << "no item " << text.toStdString() << " in " << box->objectName().toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// Replaces an editable picker's text by typing, a character at a time
// (the test keyboard knows no Chinese keys, so the edit signal is raised
// as the keyboard would).
inline void typeInto(QComboBox* box, const QString& text)
{
    QLineEdit* edit = box->lineEdit();
    ASSERT_NE(edit, nullptr);
    edit->clear();
    emit edit->textEdited(edit->text());
    for (const QChar c : text) {
        edit->insert(QString(c));
        emit edit->textEdited(edit->text());
    }
}

inline QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

// Expands a tree node the way the user does: the expansion handler runs
// even when the node was open already.
inline void expandAgain(QTreeWidgetItem* item)
{
    item->setExpanded(false);
    item->setExpanded(true);
}

inline QStringList treeCaptions(const QTreeWidgetItem* item)
{
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

// The child with this caption (the node itself, with a failure, when none).
inline QTreeWidgetItem* treeChild(QTreeWidgetItem* item, const QString& caption)
{
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == caption) return item->child(i);
    ADD_FAILURE() << "no node " << caption.toStdString();
    return item;
}
