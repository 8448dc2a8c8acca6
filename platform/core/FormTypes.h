#pragma once
// The platform's form settings as plain values, without any window system:
// forms take them, and report dialog pages store them in report files.

#include "Reflection.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };

// The form types in the registry. Forms and report dialog pages share
// them, so registering twice is harmless, and unregistering leaves a type
// that a registered class still uses.
void registerFormTypes();
void unregisterFormTypes();
