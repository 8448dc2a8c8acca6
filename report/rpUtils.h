#pragma once
// The report library's shelf of free-standing routines, by topic: report
// rectangles, number and list text, streams and files, component names,
// and what shows or paints something. The collections of "PropData" are
// the serializer's (rpXMLSerializer.h).

#include "rpUtilsComponents.h"
#include "rpUtilsGeometry.h"
#include "rpUtilsGui.h"
#include "rpUtilsStreams.h"
#include "rpUtilsText.h"
