#include "sc_events.h"

void scRegisterEventAdapters()
{
    scRegisterEventClass("TMouseEvent", &TscMouseEvent::Create);
    scRegisterEventClass("TMouseMoveEvent", &TscMouseMoveEvent::Create);
    scRegisterEventClass("TKeyEvent", &TscKeyEvent::Create);
    scRegisterEventClass("TKeyPressEvent", &TscKeyPressEvent::Create);
    scRegisterEventClass("TCloseEvent", &TscCloseEvent::Create);
    scRegisterEventClass("TCloseQueryEvent", &TscCloseQueryEvent::Create);
    scRegisterEventClass("TCanResizeEvent", &TscCanResizeEvent::Create);
}
