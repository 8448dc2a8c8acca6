#pragma once
// The enumerations and small sets of the report model, in the element order
// stored files and scripts rely on (ordinals are written to prepared pages).

#include <cstdint>

#include "ControlIdents.h"
#include "Reflection.h"

enum TrpAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
enum TrpShiftMode { smDontShift, smAlways, smWhenOverlapped };
enum TrpStretchMode { smDontStretch, smActualHeight, smMaxHeight };

enum TrpRestriction { rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit };
using TrpRestrictions = TSet<TrpRestriction>;

enum TrpFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };
enum TrpFrameType { ftLeft, ftRight, ftTop, ftBottom };
using TrpFrameTyp = TSet<TrpFrameType>;

enum TrpFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
enum TrpHAlign { haLeft, haRight, haCenter, haBlock };
enum TrpVAlign { vaTop, vaBottom, vaCenter };

enum TrpShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };

enum TrpRangeBegin { rbFirst, rbCurrent };
enum TrpRangeEnd { reLast, reCurrent, reCount };
enum TrpFieldType { fftNumeric, fftString, fftBoolean };

enum TPrinterOrientation { poPortrait, poLandscape };
enum TrpDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };

// Component style bits: whether prepared pages take the object at all, and
// whether they store all its published properties instead of its
// difference to its source object.
constexpr uint32_t rpcsPageContent = 1u << 1;
constexpr uint32_t rpcsWriteAllProperties = 1u << 2;

// Report units per millimetre, centimetre, tenth of an inch and inch, and
// per dot-matrix character cell.
constexpr long double rp01cm = 3.77953L;
constexpr long double rp1cm = 37.7953L;
constexpr long double rp01in = 9.6L;
constexpr long double rp1in = 96;
constexpr long double rp1CharX = 9.6L;
constexpr long double rp1CharY = 17;

// The report library's own cursors, beside the platform's.
constexpr TCursor crHand = static_cast<TCursor>(150);
constexpr TCursor crZoom = static_cast<TCursor>(151);
constexpr TCursor crFormat = static_cast<TCursor>(152);
