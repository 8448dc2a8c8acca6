#pragma once
// Our RTF reader: RTF into a QTextDocument set up by PrepareRichDocument.
// It walks the text with an explicit group stack (nesting never touches
// the C++ stack), decodes runs of \'hh bytes as one multibyte sequence in
// the font's code page, keeps objects, fields and pictures it cannot show
// as raw groups, reads table rows into Qt tables (rpRtfTables.h), and
// loads what it can from malformed input.

#include <string_view>

class QTextDocument;

// True when the data starts as RTF ("{\rtf" or "{urtf", after blanks).
bool LooksLikeRtf(std::string_view data);

struct TRtfReadOptions {
    // Table rows as paragraphs of cells apart by tabs (text going into a
    // table cell, where tables do not nest).
    bool tablesAsText = false;
};

// Reads RTF into an empty document. False (and the document untouched)
// when the data is not RTF; malformed RTF never fails, it loads what it has.
bool ReadRtf(std::string_view data, QTextDocument& doc, const TRtfReadOptions& options = {});
