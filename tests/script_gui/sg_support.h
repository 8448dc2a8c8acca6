#pragma once
// Script-built forms under test: the script's variables lead to its
// objects, text is typed as key events with their characters, and the UI
// answers come from a scripted UI that fails the test on anything else.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include "ScriptedUiServices.h"
#include "sc_test_support.h"

class GuiScript : public TestScript {
public:
    explicit GuiScript(const std::string& text) : TestScript(text)
    {
        answers.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
    }
    ~GuiScript() { EXPECT_EQ(answers.pending(), 0) << "answers left over"; }

    // The object a global variable of the script holds; nullptr once it is gone.
    template <class T>
    T* object(const std::string& name) const
    {
        TscCustomVariable* item = script.FindLocal(name);
        const Variant value = item ? item->GetValue() : Variant();
        return value.isObject() ? dynamic_cast<T*>(FindObjectByHandle(value.rawObject())) : nullptr;
    }
    std::string var(const std::string& name) const
    {
        TscCustomVariable* item = script.FindLocal(name);
        return item ? VarToStr(item->GetValue()) : std::string("<none>");
    }

    gui::ScriptedUiServices answers;
    gui::ScopedUi scoped{answers};
};

// Each character as a key press and release carrying it as text.
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.toUpper().unicode();
        const int key = (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ? static_cast<int>(u) : static_cast<int>(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

inline void pressKey(QWidget* widget, int key, const QString& text = {}, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}
