#pragma once
// The event adapters of controls and forms: one per host event signature,
// all made from the one adapter template (sc_classes.h). Each runs a script
// procedure with the event's arguments and writes the var arguments back:
// a handler that declares fewer parameters leaves the host's values alone,
// extra declared parameters start Unassigned.

#include "ControlEvents.h"
#include "sc_classes.h"

using TscMouseEvent = TscEventAdapter<TMouseEvent>;
using TscMouseMoveEvent = TscEventAdapter<TMouseMoveEvent>;
using TscKeyEvent = TscEventAdapter<TKeyEvent>;
using TscKeyPressEvent = TscEventAdapter<TKeyPressEvent>;
using TscCloseEvent = TscEventAdapter<TCloseEvent>;
using TscCloseQueryEvent = TscEventAdapter<TCloseQueryEvent>;
using TscCanResizeEvent = TscEventAdapter<TCanResizeEvent>;

// Makes the adapters known by their event type names, so that published
// events of these types become script events of every class record.
void scRegisterEventAdapters();
