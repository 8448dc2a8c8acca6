#include "Guard.h"

#include "Exceptions.h"
#include "UiServices.h"

namespace gui {

void HandleException(const std::exception& e) noexcept
{
    if (dynamic_cast<const EAbort*>(&e)) return;
    try {
        ui().messageBox(QString::fromStdString(ExceptionText(e)), applicationTitle(), MsgButtons::Ok, MsgIcon::Error);
    } catch (...) {
        // The box itself failed: nothing more can be shown.
    }
}

void HandleUnknownException() noexcept
{
    try {
        ui().messageBox(QStringLiteral("An unknown error occurred."), applicationTitle(), MsgButtons::Ok, MsgIcon::Error);
    } catch (...) {
    }
}

bool guarded(const std::function<void()>& fn) noexcept
{
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleUnknownException();
    }
    return false;
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleUnknownException();
    }
    return false;
}

}  // namespace gui
