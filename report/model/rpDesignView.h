#pragma once
// A report page's layout as a person checks it: every view drawn at its
// place without data, on the whole sheet with the margins and the bands'
// extents marked; and the object tree with positions as text.

#include <QImage>

#include <string>

#include "Numbers.h"

class TrpReport;
class TrpReportPage;

// The sheet at `zoom` device pixels per report unit (1 = 96 dpi).
QImage DrawPageDesign(TrpReportPage& page, Extended zoom);

// One line per object, depth first, indented by level: class, name, left,
// top, width, height, and a text object's first line.
std::string ReportTreeText(TrpReport& report);
