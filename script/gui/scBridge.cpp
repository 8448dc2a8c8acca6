#include "scBridge.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWidget>

#include "scForms.h"

int ScWidgetBridge::depth_ = 0;

namespace {

// A key event a child ignored travels on to its parents: only the first
// control it reaches sees it.
bool seenBefore(const QKeyEvent* event)
{
    static const QKeyEvent* last = nullptr;
    static QEvent::Type lastType = QEvent::None;
    static quint64 lastTime = 0;
    static int lastKey = 0;
    if (event == last && event->type() == lastType && event->timestamp() == lastTime && event->key() == lastKey)
        return true;
    last = event;
    lastType = event->type();
    lastTime = event->timestamp();
    lastKey = event->key();
    return false;
}

}  // namespace

ScWidgetBridge::ScWidgetBridge(TControl* control) : control_(control) {}

void ScWidgetBridge::Watch(QObject* object)
{
    if (!object) return;
    for (const auto& w : watched_)
        if (w == object) return;
    watched_.emplace_back(object);
    object->installEventFilter(this);
}

void ScWidgetBridge::Detach()
{
    control_ = nullptr;
    for (const auto& w : watched_)
        if (w) w->removeEventFilter(this);
    watched_.clear();
}

void ScWidgetBridge::Dispose(QObject* object)
{
    if (!object) return;
    if (Dispatching())
        object->deleteLater();
    else
        delete object;
}

namespace {

TMouseButton buttonOf(Qt::MouseButton b)
{
    return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

}  // namespace

bool ScWidgetBridge::eventFilter(QObject* watched, QEvent* event)
{
    if (!control_) return false;
    QWidget* widget = control_->Widget();
    const bool own = watched == widget;
    if (!own && std::none_of(watched_.begin(), watched_.end(), [&](const auto& w) { return w == watched; }))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return mouse(watched, static_cast<QMouseEvent*>(event));
    case QEvent::KeyPress: return keyDown(watched, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: return keyUp(static_cast<QKeyEvent*>(event));
    case QEvent::Resize:
        if (own) {
            const QSize size = static_cast<QResizeEvent*>(event)->size();
            Fire([&](TControl& c) { c.WidgetResized(size.width(), size.height()); });
        }
        return false;
    case QEvent::Move:
        if (own && widget->isWindow()) {
            const QPoint at = widget->frameGeometry().topLeft();
            Fire([&](TControl& c) { c.WidgetMoved(at.x(), at.y()); });
        } else if (own) {
            Fire([&](TControl& c) { c.WidgetMoved(widget->x(), widget->y()); });
        }
        return false;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        Fire([&](TControl& c) {
            auto* win = dynamic_cast<TWinControl*>(&c);
            if (!win) return;
            if (event->type() == QEvent::FocusIn) {
                if (TCustomForm* form = c.ParentForm(); form && form != win) form->activeControl_ = win;
                RaiseEvent(win->OnEnter, &c);
            } else {
                RaiseEvent(win->OnExit, &c);
            }
        });
        return false;
    default: break;
    }
    if (!own) return false;
    auto* form = dynamic_cast<TCustomForm*>(control_);
    if (!form) return false;
    switch (event->type()) {
    case QEvent::Show: Fire([](TControl& c) { RaiseEvent(static_cast<TCustomForm&>(c).OnShow, &c); }); break;
    case QEvent::Hide: Fire([](TControl& c) { RaiseEvent(static_cast<TCustomForm&>(c).OnHide, &c); }); break;
    case QEvent::WindowActivate:
        Fire([](TControl& c) { RaiseEvent(static_cast<TCustomForm&>(c).OnActivate, &c); });
        break;
    case QEvent::WindowDeactivate:
        Fire([](TControl& c) { RaiseEvent(static_cast<TCustomForm&>(c).OnDeactivate, &c); });
        break;
    default: break;
    }
    return false;
}

bool ScWidgetBridge::mouse(QObject* watched, QMouseEvent* event)
{
    QWidget* widget = control_->Widget();
    QPoint at = event->position().toPoint();
    if (auto* source = qobject_cast<QWidget*>(watched); source && widget && source != widget)
        at = source->mapTo(widget, at);
    const TShiftState shift = ShiftStateOf(event);
    Fire([&](TControl& c) {
        Ref<TControl> self(&c);
        switch (event->type()) {
        case QEvent::MouseButtonPress: RaiseEvent(c.OnMouseDown, &c, buttonOf(event->button()), shift, at.x(), at.y()); break;
        case QEvent::MouseButtonDblClick:
            RaiseEvent(c.OnMouseDown, &c, buttonOf(event->button()), shift, at.x(), at.y());
            if (self) RaiseEvent(c.OnDblClick, &c);
            break;
        case QEvent::MouseMove: RaiseEvent(c.OnMouseMove, &c, shift, at.x(), at.y()); break;
        default:
            RaiseEvent(c.OnMouseUp, &c, buttonOf(event->button()), shift, at.x(), at.y());
            if (self && event->button() == Qt::LeftButton && c.ClicksFromMouse() && widget && widget->rect().contains(at))
                c.Click();
            break;
        }
    });
    return false;
}

void ScWidgetBridge::resend(QObject* target, QKeyEvent* event, int qtKey, const QString& text)
{
    QKeyEvent copy(event->type(), qtKey, event->modifiers(), text, event->isAutoRepeat(), 1);
    resending_ = true;
    QCoreApplication::sendEvent(target, &copy);
    resending_ = false;
}

bool ScWidgetBridge::keyDown(QObject* watched, QKeyEvent* event)
{
    auto* win = dynamic_cast<TWinControl*>(control_);
    if (!win || resending_ || seenBefore(event)) return false;
    const uint16_t original = QtKeyToVK(event->key(), event->modifiers() & Qt::KeypadModifier);
    const QString typed = event->text();
    uint16_t key = original;
    std::string text = typed.toStdString();
    bool gone = false;
    Fire([&](TControl&) {
        Ref<TControl> self(win);
        if (key) win->KeyDown(key, ShiftStateOf(event));
        if (!self) {
            gone = true;
            return;
        }
        if (key && !text.empty()) win->KeyPress(text);
        gone = !self;
    });
    if (gone || !control_) return true;
    if (original && key == 0) return true;
    if (!typed.isEmpty() && (text.empty() || text[0] == '\0')) return true;
    if (key != original) {
        resend(watched, event, VKToQtKey(key), typed);
        return true;
    }
    if (text != typed.toStdString()) {
        resend(watched, event, event->key(), QString::fromStdString(text));
        return true;
    }
    if (win->LeavesKeyToForm(event->key())) {
        if (TCustomForm* form = win->ParentForm(); form && form->Window()) {
            QKeyEvent copy(event->type(), event->key(), event->modifiers(), typed);
            QCoreApplication::sendEvent(form->Window(), &copy);
        }
        return true;
    }
    return false;
}

bool ScWidgetBridge::keyUp(QKeyEvent* event)
{
    auto* win = dynamic_cast<TWinControl*>(control_);
    if (!win || resending_ || seenBefore(event)) return false;
    uint16_t key = QtKeyToVK(event->key(), event->modifiers() & Qt::KeypadModifier);
    if (!key) return false;
    bool gone = false;
    Fire([&](TControl&) {
        Ref<TControl> self(win);
        win->KeyUp(key, ShiftStateOf(event));
        gone = !self;
    });
    return gone || key == 0;
}
