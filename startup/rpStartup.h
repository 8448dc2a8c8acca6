#pragma once
// The start-up of the report system, one routine for the program, every
// tool, the test programs and the benchmarks, in a fixed order: the core
// classes; the canvas and picture classes; the report foundation's classes;
// the script languages and modules, the report classes and rich text among
// them; the report model; the dot-matrix and rich-text objects, the print
// dialog and the preview window; the report resources with the Chinese
// string table and the printer texts. Called once, after the application
// object exists and before any printer is made (the printers take their
// texts from the string table).

struct TrpStartupOptions {
    // Off for scripts that are no report's: they keep their own names (Sum,
    // Max) without the report classes and rich-text modules, and the script
    // engine's own messages.
    bool reportScripts = true;
    // Off for the report core's own tests: the classes, the script languages
    // and modules and the report model only, without the dot-matrix and
    // rich-text objects, the preview window and the texts of the resources.
    bool aboveReportCore = true;
};

void registerReportSystem(const TrpStartupOptions& options = {});
