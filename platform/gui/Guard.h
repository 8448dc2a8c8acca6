#pragma once
// No exception may cross Qt's event loop. Every slot, timer callback and
// form creation runs inside guarded(): an exception is shown by the default
// handler (a box with its message, captioned with the application title)
// and the operation simply stops. EAbort stops silently.

#include <QApplication>

#include <exception>
#include <functional>
#include <utility>

namespace gui {

// Shows an exception the way the application's default handler does.
void HandleException(const std::exception& e) noexcept;
void HandleUnknownException() noexcept;

// Runs fn; returns false when it raised (after showing the error).
bool guarded(const std::function<void()>& fn) noexcept;

// A slot for QObject::connect that runs the handler inside the guard and
// drops the signal's arguments: connect(b, &QPushButton::clicked, form, Slot([this] { Button1Click(); })).
template <class F>
auto Slot(F handler)
{
    return [handler = std::move(handler)](auto&&...) { guarded(handler); };
}

// The same, passing the signal's arguments on.
template <class F>
auto SlotWithArgs(F handler)
{
    return [handler = std::move(handler)](auto... args) { guarded([&] { handler(args...); }); };
}

// The last line of defence: an exception escaping any event handler is
// shown by the default handler instead of ending the program.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace gui
