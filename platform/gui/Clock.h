#pragma once
// The clock seam. The core's Now() is the one clock of the program; these
// helpers pin it (tests, shell runs) and bridge it to QDateTime.

#include <QDateTime>

#include "Variant.h"  // TDateTime

namespace gui {

QDateTime ToQDateTime(TDateTime dt);
TDateTime FromQDateTime(const QDateTime& dt);

// Now() of the core as local QDateTime.
QDateTime CurrentDateTime();
// Pins the core's clock to a fixed local time; ResetClock returns to the
// system clock.
void SetFixedClock(const QDateTime& at);
void ResetClock();

}  // namespace gui
