#pragma once
// Tables of rich text. RTF has no table, only rows (\trowd ... \row) whose
// cells hold paragraphs; rows that follow each other with the same cell
// edges are one Qt table here (QTextTable), one RTF row per table row.
// What Qt's layout has no place for travels in properties of the table and
// cell formats (rpRichFormat.h): the row's \trleft and \trgaph, the cells'
// borders, vertical alignment and row height. Shading is the cell format's
// background, so that the editor shows it too.
//
// Geometry: the table has no border, spacing or margin of its own; its
// columns have the fixed widths between the cell edges; a cell's text
// sits its padding in from its edges: the cell's own (\clpad), else the
// row's (\trpadd), else \trgaph left and right and nothing above and
// below. Borders are drawn on the cell edges and take no room, as the
// edit control draws them.
//
// Qt keeps a paragraph before a table at the start of a document and
// between two tables: such a paragraph that the text did not have is a
// gap block, laid out with no height and not written back.

#include <QTextBlock>
#include <QTextTable>

#include <array>
#include <utility>
#include <vector>

#include "rpRichFormat.h"

namespace rich {

// Rows have at most this many cells, as in the edit control.
constexpr int MaxTableColumns = 63;
// A cell without a width of its own is an inch wide; none is wider than
// 22 inches, and no edge lies further out than the widest cells reach.
constexpr int DefaultCellTwips = 1440;
constexpr int MaxCellTwips = 31680;
constexpr int MaxEdgeTwips = MaxCellTwips * (MaxTableColumns + 1);

enum class TRichBorderStyle { None = 0, Single, Thick, Double, Dotted, Dashed, Hairline };
enum TRichEdge { EdgeTop = 0, EdgeLeft, EdgeBottom, EdgeRight };
enum class TRichVAlign { Top = 0, Center, Bottom };

struct TRichBorder {
    TRichBorderStyle style = TRichBorderStyle::None;
    int width = 0;   // twips
    int color = -1;  // RGB; -1 automatic
    bool Shows() const { return style != TRichBorderStyle::None; }
    bool operator==(const TRichBorder&) const = default;
};

// Padding of the four edges (TRichEdge order), twips; -1 where not given.
using TRichPadding = std::array<int, 4>;
constexpr TRichPadding NoPadding{-1, -1, -1, -1};

struct TRichCell {
    TRichBorder borders[4];
    TRichPadding pad = NoPadding;
    int shading = -1;  // RGB; -1 none
    TRichVAlign vAlign = TRichVAlign::Top;
    int right = 0;   // \cellx: the cell's right edge, twips from the left edge
    int hMerge = 0;  // 1: the first of cells merged across (\clmgf), 2: merged into the one before (\clmrg)
    int vMerge = 0;  // 1: the first of cells merged down (\clvmgf), 2: merged into the one above (\clvmrg)
    bool operator==(const TRichCell&) const = default;
};

// A row definition, as \trowd ... \cellx gives it.
struct TRichRow {
    int left = 0;  // \trleft: the first cell's left edge
    int gap = 0;   // \trgaph
    TRichAlign align = TRichAlign::Left;
    int height = 0;  // \trrh (kept: a row is as high as its cells)
    TRichPadding pad = NoPadding;
    std::vector<TRichCell> cells;
    // Same cell edges, gap and placing: rows that can share a table.
    bool SameEdges(const TRichRow& other) const;
};

// The column widths (twips) of a row's cells, columns of them at least;
// a cell whose edge does not lie right of the one before is 1 twip wide.
std::vector<int> ColumnWidths(const TRichRow& row, int columns);
// The row with `columns` cells whose edges are those the widths give: as
// a table made from it writes it back.
TRichRow WithColumns(TRichRow row, int columns);
QTextTableFormat ToTableFormat(const TRichRow& row, const std::vector<int>& widths);
QTextTableCellFormat ToCellFormat(const TRichCell& cell, const TRichRow& row);
// The padding a cell's text sits in by (twips, TRichEdge order).
TRichPadding CellPaddingOf(const TRichCell& cell, const TRichRow& row);
// Borders, shading and alignment of a cell format.
TRichCell FromCellFormat(const QTextCharFormat& format);
// Row r of a table as it is written: edges from the column widths,
// merges from the cells' spans.
TRichRow RowOf(const QTextTable& table, int row);

QTextBlockFormat GapBlockFormat();
bool IsGapBlock(const QTextBlock& block);

// The outermost table a document position lies in, or null.
QTextTable* TopTableAt(const QTextDocument& doc, int position);
// The first document position of row r (r = rows(): just past the table);
// a row that begins no cell of its own starts where the next one does.
int RowStart(const QTextTable& table, int row);
// The rows [first, end) that cells spanning rows tie to row r: they go
// to a page together.
std::pair<int, int> RowGroup(const QTextTable& table, int row);

}  // namespace rich
