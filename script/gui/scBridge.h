#pragma once
// The link from one widget to its control: Qt events and signals become the
// control's events, each inside the exception guard. A control being
// destroyed detaches its bridge first; while any event is being dispatched,
// bridges and widgets are deleted later, never under Qt's feet.

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

#include "Guard.h"
#include "scControls.h"

class QKeyEvent;
class QMouseEvent;

class ScWidgetBridge : public QObject {
public:
    explicit ScWidgetBridge(TControl* control);

    TControl* Control() const { return control_; }
    // Also takes the events of another object (a viewport, an inner edit).
    void Watch(QObject* object);
    void Detach();

    // Runs f with the control inside the guard; nothing once it is gone.
    template <class F>
    void Fire(F f)
    {
        if (!control_) return;
        ++depth_;
        gui::guarded([&] { f(*control_); });
        --depth_;
    }
    static bool Dispatching() { return depth_ > 0; }
    // Deletes now, or later while events are being dispatched.
    static void Dispose(QObject* object);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mouse(QObject* watched, QMouseEvent* event);
    bool keyDown(QObject* watched, QKeyEvent* event);
    bool keyUp(QKeyEvent* event);
    // Types the event again with another key or text, past this filter.
    void resend(QObject* target, QKeyEvent* event, int qtKey, const QString& text);

    TControl* control_;
    std::vector<QPointer<QObject>> watched_;
    bool resending_ = false;
    static int depth_;
};
