#pragma once
// Pixel-exact drawing of frames, shadows, fills and thick diagonal lines
// in device pixels. Frame sides are filled rectangles computed here, not
// pen strokes, so every device (image, PDF, printer, recording) gets the
// same pixels: a side of width w centred on pixel c covers c - w/2 up to
// c - w/2 + w - 1, and reaches over a corner exactly as far as the side it
// meets there is thick.

#include "Canvas.h"
#include "rpTypes.h"

class TrpFrame;

// Fills [left, right) x [top, bottom) with a solid colour or a hatch.
void rpFillRect(TCanvas& canvas, int left, int top, int right, int bottom, TColor color,
                TBrushStyle style = bsSolid);

// The drop shadow, then the sides of the frame of the device rectangle
// X..X1, Y..Y1 (already reduced by the shadow). viewColor fills the middle
// of double lines.
void rpDrawFrame(TCanvas& canvas, const TrpFrame& frame, TColor viewColor, int X, int Y, int X1, int Y1,
                 Extended scaleX, Extended scaleY);

// The pen style a frame style draws shapes and diagonal lines with.
TPenStyle rpFramePenStyle(TrpFrameStyle style);

// A line from (x0, y0) to (x1, y1) drawn as max(w, 1) one-pixel lines side
// by side, offset across the line (vertically for flat lines, else
// horizontally) from -(w div 2) on, in the canvas pen's colour and style.
// Wider than rpMaxThickLine pixels only the middle ones are drawn: a frame
// width from a damaged file must not keep the drawing busy for minutes.
inline constexpr int rpMaxThickLine = 4096;
void rpDrawThickLine(TCanvas& canvas, int x0, int y0, int x1, int y1, int w);
