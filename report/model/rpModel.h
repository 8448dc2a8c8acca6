#pragma once
// Registration of the report model: its enumeration types and classes in
// the reflection registry, and the property editors, in one fixed order.
// Called from the program's start-up routine after registerCoreClasses,
// registerCanvasClasses and registerReportFoundationClasses.

void registerReportModel();
// The mirror: classes go before the types they use.
void unregisterReportModel();
