#pragma once
// The report utilities that show or paint something: error reporting and
// bitmap helpers.

#include <cstdint>
#include <string>

class QFont;
class QImage;
class QPainter;
class QRectF;
class TFont;
class TrpImageList;

// The report's error mode (EngineOptions.NewSilentMode).
enum TrpSilentMode { simMessageBoxes, simSilent, simReThrow };
void ReportError(TrpSilentMode mode, const std::string& message);
// An error box captioned "mbError", through the UI services.
void ErrorMessageBox(const std::string& message);

// Cuts a strip into cells, left to right and row by row. With a second list
// the cells alternate between the two lists. Each cell is masked by the
// colour of its bottom-left pixel.
void AssignImagesFromStrip(const QImage& strip, int cellWidth, int cellHeight, TrpImageList* second,
                           TrpImageList& first);
// Draws a bitmap masked by its transparent colour (bottom-left pixel).
void DrawMaskedBitmap(QPainter& canvas, int x, int y, const QImage* bitmap);
// Draws a picture into a rectangle; transparent pictures leave the pixels
// of their transparent colour unpainted.
void DrawPictureStretched(QPainter& canvas, const QRectF& rect, const QImage& picture, uint32_t transparentColor,
                          bool transparent, bool highQuality, bool printing);

// A font as the font dialog shows it (name, points, styles; 10 points for
// a size that is none), and the dialog's answer back into a font.
QFont FontForDialog(const TFont& font);
void FontFromDialog(const QFont& chosen, TFont& font);
