#pragma once
// What one print run does: the report's print options as the print dialog
// leaves them, read by the page loop. The print path copies the report's
// options in, lets the dialog change the copy and prints from it, so the
// report's own options never keep a dialog's choices.

#include <cstdint>
#include <string>
#include <vector>

enum TrpPrintMode { pmDefault, pmSplit, pmJoin, pmScale };
enum TrpPrintPages { ppAll, ppOdd, ppEven };

// How the pages were chosen; PageNumbers holds the resulting list text.
enum class TrpPageRange { All, Current, Numbers };

struct TrpPrintSettings {
    // The printer to use, by name; empty or unknown leaves the current one.
    std::string Printer;
    TrpPageRange Range = TrpPageRange::All;
    // "1,3,5-12"; empty prints every page.
    std::string PageNumbers;
    int32_t Copies = 1;
    bool Collate = true;
    // 0 the page's own, 1 vertical, 2 horizontal, 3 simplex (the printer
    // layer's numbering).
    int32_t Duplex = 0;
    bool Reverse = false;
    TrpPrintPages PrintPages = ppAll;
    TrpPrintMode PrintMode = pmDefault;
    // Paper code of the sheet for split, join and scale; 256 = the
    // printer's current sheet.
    int32_t PrintOnSheet = 0;
    // Output to a file instead of the printer; the file holds PDF whatever
    // its extension.
    bool PrintToFile = false;
    std::string FileName;
    // Millimetres that split sheets overlap.
    int32_t SplitOverlap = 3;
    bool ShowDialog = true;
};

// The 0-based indexes of the pages a page list ("1,3,5-12") picks out of
// `count`, in the list's order, or reversed, without the even or odd page
// numbers when asked. Only blank text picks every page: numbers beyond the
// pages are skipped, so "9-12" of a 7-page report picks none. Text that is
// no page list raises EConvertError.
std::vector<int> SelectPages(const std::string& pageNumbers, int count, bool reverse = false,
                             TrpPrintPages which = ppAll);

// Sheets needed across one direction of a page `length` mm long when each
// sheet prints `printable` mm of it and neighbours overlap by `overlap` mm:
// every part of the page reaches a sheet. At least 1.
int SplitSheetCount(long double length, long double printable, long double overlap);
// Pages of `page` mm that fit whole across `sheet` mm; at least 1.
int JoinPageCount(long double sheet, long double page);

// The print dialog, shown modally for a run: CurPage is the preview's
// 1-based page. On OK the settings hold the choices, the chosen printer is
// current and carries the output file name; on cancel (also of the file
// choice) nothing changed and the result is false. The preview library
// provides the dialog; without it the result is false.
using TrpPrintDialogProvider = bool (*)(TrpPrintSettings& Settings, int CurPage);
void SetPrintDialogProvider(TrpPrintDialogProvider Provider);
bool ShowPrintDialog(TrpPrintSettings& Settings, int CurPage);
