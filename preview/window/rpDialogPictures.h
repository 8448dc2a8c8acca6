#pragma once
// The pictures of the print and page-settings dialogs, drawn here.

#include <QImage>

// Copies as stacks of numbered sheets: 1-2-3 twice (collated) or each page
// twice in turn. 104 x 48.
QImage CollateImage(bool Collate);
// The print mode pictures (TrpPrintMode order), 64 x 32.
QImage PrintModeImage(int Mode);
// A sheet with a large "A", upright or on its side. 40 x 40.
QImage OrientationImage(bool Landscape);
