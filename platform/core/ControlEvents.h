#pragma once
// The events of windows and controls, without any window system: forms
// and report objects fire these, scripts attach to them by name. The
// integer forms follow the script sets and enumerations: shift flags one
// bit each in declaration order, mouse buttons and close actions from 0.

#include <cstdint>
#include <string>

#include "Reflection.h"

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
// Key: a virtual-key code; a handler that sets it to 0 swallows the key.
using TKeyEvent = TEvent<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
// Key: the character typed, UTF-8 (one character may take several bytes);
// empty or #0 after the handler swallows it.
using TKeyPressEvent = TEvent<void(TObject* Sender, std::string& Key)>;
using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
using TCanResizeEvent = TEvent<void(TObject* Sender, int32_t& NewWidth, int32_t& NewHeight, bool& Resize)>;

// The signatures of standard types alone are named in ReflectionBuilder.h.
template <>
struct EventTypeName<void(TObject*, TMouseButton, TShiftState, int32_t, int32_t)> {
    static constexpr const char* value = "TMouseEvent";
};
template <>
struct EventTypeName<void(TObject*, TShiftState, int32_t, int32_t)> {
    static constexpr const char* value = "TMouseMoveEvent";
};
template <>
struct EventTypeName<void(TObject*, uint16_t&, TShiftState)> {
    static constexpr const char* value = "TKeyEvent";
};
template <>
struct EventTypeName<void(TObject*, TCloseAction&)> {
    static constexpr const char* value = "TCloseEvent";
};
