#include "rpRichTable.h"

#include <QTextDocument>

#include <algorithm>

namespace rich {

namespace {


Qt::Alignment tableAlign(TRichAlign a)
{
    switch (a) {
    case TRichAlign::Center: return Qt::AlignHCenter;
    case TRichAlign::Right: return Qt::AlignRight;
    default: return Qt::AlignLeft;
    }
}

TRichPadding paddingOf(const QTextFormat& f, int property)
{
    TRichPadding pad = NoPadding;
    const QList<int> given = f.property(property).value<QList<int>>();
    for (int e = 0; e < 4 && e < given.size(); ++e) pad[static_cast<size_t>(e)] = std::clamp(given[e], -1, MaxCellTwips);
    return pad;
}

}  // namespace

bool TRichRow::SameEdges(const TRichRow& other) const
{
    if (left != other.left || gap != other.gap || align != other.align || cells.size() != other.cells.size())
        return false;
    for (size_t i = 0; i < cells.size(); ++i)
        if (cells[i].right != other.cells[i].right) return false;
    return true;
}

std::vector<int> ColumnWidths(const TRichRow& row, int columns)
{
    std::vector<int> widths;
    int edge = std::clamp(row.left, -MaxEdgeTwips, MaxEdgeTwips);
    int last = DefaultCellTwips;
    for (int c = 0; c < std::max(columns, static_cast<int>(row.cells.size())); ++c) {
        int width = last;
        if (static_cast<size_t>(c) < row.cells.size()) {
            const int right = std::clamp(row.cells[static_cast<size_t>(c)].right, -MaxEdgeTwips, MaxEdgeTwips);
            width = std::clamp(right - edge, 1, MaxCellTwips);
        }
        widths.push_back(width);
        edge += width;
        last = width;
    }
    return widths;
}

TRichRow WithColumns(TRichRow row, int columns)
{
    const std::vector<int> widths = ColumnWidths(row, columns);
    row.cells.resize(static_cast<size_t>(columns));
    int edge = std::clamp(row.left, -MaxEdgeTwips, MaxEdgeTwips);
    for (size_t c = 0; c < row.cells.size(); ++c) {
        edge += widths[c];
        row.cells[c].right = edge;
    }
    return row;
}

QTextTableFormat ToTableFormat(const TRichRow& row, const std::vector<int>& widths)
{
    QTextTableFormat f;
    f.setBorder(0);
    f.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    f.setCellSpacing(0);
    f.setCellPadding(0);
    f.setMargin(0);
    f.setAlignment(tableAlign(row.align));
    // Placed within the text's width; a row that starts left of it starts at its edge.
    if (row.align == TRichAlign::Left) f.setLeftMargin(TwipsToUnits(std::max(row.left, 0)));
    QList<QTextLength> columns;
    for (int w : widths) columns << QTextLength(QTextLength::FixedLength, TwipsToUnits(w));
    f.setColumnWidthConstraints(columns);
    f.setProperty(TableLeft, row.left);
    f.setProperty(TableGap, row.gap);
    return f;
}

TRichPadding CellPaddingOf(const TRichCell& cell, const TRichRow& row)
{
    TRichPadding pad;
    for (int e = 0; e < 4; ++e) {
        const int own = cell.pad[static_cast<size_t>(e)], ofRow = row.pad[static_cast<size_t>(e)];
        const int fallback = e == EdgeLeft || e == EdgeRight ? row.gap : 0;
        pad[static_cast<size_t>(e)] = std::clamp(own >= 0 ? own : ofRow >= 0 ? ofRow : fallback, 0, MaxCellTwips);
    }
    return pad;
}

QTextTableCellFormat ToCellFormat(const TRichCell& cell, const TRichRow& row)
{
    QTextTableCellFormat f;
    const TRichPadding pad = CellPaddingOf(cell, row);
    f.setTopPadding(TwipsToUnits(pad[EdgeTop]));
    f.setBottomPadding(TwipsToUnits(pad[EdgeBottom]));
    f.setLeftPadding(TwipsToUnits(pad[EdgeLeft]));
    f.setRightPadding(TwipsToUnits(pad[EdgeRight]));
    const auto given = [](const TRichPadding& p) { return p != NoPadding; };
    const auto list = [](const TRichPadding& p) { return QList<int>(p.begin(), p.end()); };
    if (given(cell.pad)) f.setProperty(CellPadding, QVariant::fromValue(list(cell.pad)));
    if (given(row.pad)) f.setProperty(RowPadding, QVariant::fromValue(list(row.pad)));
    bool borders = false;
    QList<int> edges;
    for (const TRichBorder& b : cell.borders) {
        edges << static_cast<int>(b.style) << b.width << b.color;
        borders = borders || b.Shows();
    }
    if (borders) f.setProperty(CellBorders, QVariant::fromValue(edges));
    if (cell.shading >= 0) f.setBackground(QColor::fromRgb(static_cast<QRgb>(cell.shading)));
    if (cell.vAlign != TRichVAlign::Top) f.setProperty(CellVAlign, static_cast<int>(cell.vAlign));
    if (row.height != 0) f.setProperty(RowHeight, row.height);
    return f;
}

TRichCell FromCellFormat(const QTextCharFormat& f)
{
    TRichCell cell;
    const QList<int> edges = f.property(CellBorders).value<QList<int>>();
    for (int e = 0; e < 4 && edges.size() >= (e + 1) * 3; ++e) {
        TRichBorder& b = cell.borders[e];
        b.style = static_cast<TRichBorderStyle>(std::clamp(edges[e * 3], 0, 6));
        b.width = std::clamp(edges[e * 3 + 1], 0, 1000);
        b.color = edges[e * 3 + 2];
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        cell.shading = static_cast<int>(f.background().color().rgb() & 0xFFFFFF);
    cell.vAlign = static_cast<TRichVAlign>(std::clamp(f.intProperty(CellVAlign), 0, 2));
    cell.pad = paddingOf(f, CellPadding);
    return cell;
}

TRichRow RowOf(const QTextTable& table, int r)
{
    const QTextTableFormat tf = table.format();
    TRichRow row;
    row.left = tf.intProperty(TableLeft);
    row.gap = tf.intProperty(TableGap);
    const Qt::Alignment a = tf.alignment();
    row.align = a & Qt::AlignHCenter ? TRichAlign::Center : a & Qt::AlignRight ? TRichAlign::Right : TRichAlign::Left;
    const QList<QTextLength> widths = tf.columnWidthConstraints();
    int edge = row.left;
    bool heightTaken = false;
    for (int c = 0; c < table.columns(); ++c) {
        const QTextTableCell cell = table.cellAt(r, c);
        TRichCell rc = FromCellFormat(cell.format());
        edge += c < widths.size() && widths[c].type() == QTextLength::FixedLength ? UnitsToTwips(widths[c].rawValue())
                                                                                  : DefaultCellTwips;
        rc.right = edge;
        if (cell.columnSpan() > 1) rc.hMerge = c == cell.column() ? 1 : 2;
        if (cell.rowSpan() > 1) rc.vMerge = r == cell.row() ? 1 : 2;
        if (!heightTaken && cell.row() == r) {
            row.height = cell.format().intProperty(RowHeight);
            row.pad = paddingOf(cell.format(), RowPadding);
            heightTaken = true;
        }
        row.cells.push_back(rc);
    }
    return row;
}

QTextBlockFormat GapBlockFormat()
{
    QTextBlockFormat f;
    f.setProperty(GapBlock, true);
    f.setLineHeight(0, QTextBlockFormat::FixedHeight);
    return f;
}

bool IsGapBlock(const QTextBlock& block)
{
    return block.blockFormat().boolProperty(GapBlock);
}

QTextTable* TopTableAt(const QTextDocument& doc, int position)
{
    QTextTable* top = nullptr;
    for (QTextFrame* f = doc.frameAt(position); f && f != doc.rootFrame(); f = f->parentFrame())
        if (auto* t = qobject_cast<QTextTable*>(f)) top = t;
    return top;
}

int RowStart(const QTextTable& table, int row)
{
    for (; row < table.rows(); ++row)
        for (int c = 0; c < table.columns(); ++c) {
            const QTextTableCell cell = table.cellAt(row, c);
            if (cell.row() == row) return cell.firstPosition();
        }
    return table.lastPosition() + 1;
}

std::pair<int, int> RowGroup(const QTextTable& table, int row)
{
    int first = row;
    int end = row + 1;
    // Widen until no cell reaches out of the group, up or down.
    for (bool grew = true; grew;) {
        grew = false;
        for (int r = first; r < end; ++r)
            for (int c = 0; c < table.columns(); ++c) {
                const QTextTableCell cell = table.cellAt(r, c);
                if (cell.row() < first) {
                    first = cell.row();
                    grew = true;
                }
                if (cell.row() + cell.rowSpan() > end) {
                    end = cell.row() + cell.rowSpan();
                    grew = true;
                }
            }
    }
    return {first, end};
}

}  // namespace rich
