#include "Clock.h"

#include "SysUtils.h"

namespace gui {

QDateTime ToQDateTime(TDateTime dt)
{
    int y, m, d, h, mi, s, ms;
    DecodeDate(dt, y, m, d);
    DecodeTime(dt, h, mi, s, ms);
    return QDateTime(QDate(y, m, d), QTime(h, mi, s, ms));
}

TDateTime FromQDateTime(const QDateTime& dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

QDateTime CurrentDateTime() { return ToQDateTime(Now()); }

void SetFixedClock(const QDateTime& at)
{
    const TDateTime fixed = FromQDateTime(at);
    SetClock([fixed] { return fixed; });
}

void ResetClock() { SetClock({}); }

}  // namespace gui
