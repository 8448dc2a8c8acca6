#include "StringGrid.h"

#include <QHeaderView>

TStringGrid::TStringGrid(int colCount, QWidget* parent) : QTableWidget(parent)
{
    setColumnCount(colCount);
    setRowCount(rowCount_ - 1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(22);
    horizontalHeader()->setDefaultSectionSize(kDefaultColWidth);
    horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c < colCount; ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

void TStringGrid::SetRowCount(int rows)
{
    if (rows < 2) rows = 2;
    const int old = rowCount_;
    rowCount_ = rows;
    setRowCount(rows - 1);
    // Rows that come back into view show what was written to them.
    for (int r = old; r < rows && r < static_cast<int>(cells_.size()); ++r)
        for (int c = 0; c < columnCount(); ++c) show(c, r);
}

QString TStringGrid::Cell(int col, int row) const
{
    if (row < 0 || col < 0 || row >= static_cast<int>(cells_.size())) return {};
    const auto& line = cells_[static_cast<std::size_t>(row)];
    return col < static_cast<int>(line.size()) ? line[static_cast<std::size_t>(col)] : QString();
}

void TStringGrid::SetCell(int col, int row, const QString& text)
{
    if (row < 0 || col < 0) return;
    if (row >= static_cast<int>(cells_.size())) cells_.resize(static_cast<std::size_t>(row) + 1);
    auto& line = cells_[static_cast<std::size_t>(row)];
    if (col >= static_cast<int>(line.size())) line.resize(static_cast<std::size_t>(col) + 1);
    line[static_cast<std::size_t>(col)] = text;
    show(col, row);
}

void TStringGrid::show(int col, int row)
{
    if (col >= columnCount() || row >= rowCount_) return;
    const QString text = Cell(col, row);
    if (row == 0) {
        horizontalHeaderItem(col)->setText(text);
        return;
    }
    QTableWidgetItem* it = item(row - 1, col);
    if (!it) {
        if (text.isEmpty()) return;
        it = new QTableWidgetItem(text);
        // A name longer than its column is read whole when pointed at.
        it->setToolTip(text);
        // Column 0 is the grid's fixed column (row numbers).
        if (col == 0) it->setBackground(palette().button());
        setItem(row - 1, col, it);
        return;
    }
    it->setText(text);
    it->setToolTip(text);
}

void TStringGrid::ClearRow(int row)
{
    if (row < 0 || row >= static_cast<int>(cells_.size())) return;
    auto& line = cells_[static_cast<std::size_t>(row)];
    for (std::size_t c = 0; c < line.size(); ++c) {
        if (line[c].isEmpty()) continue;
        line[c].clear();
        show(static_cast<int>(c), row);
    }
}

void TStringGrid::ClearAllRows()
{
    for (int r = 0; r < rowCount_; ++r) ClearRow(r);
}

int TStringGrid::Row() const
{
    const int r = currentRow();
    return r < 0 ? 0 : r + 1;
}

void TStringGrid::SetRow(int row)
{
    if (row >= 1 && row < rowCount_) setCurrentCell(row - 1, currentColumn() < 0 ? 0 : currentColumn());
}

int TStringGrid::SelectionTop() const
{
    const auto ranges = selectedRanges();
    if (ranges.isEmpty()) return Row();
    int top = ranges.front().topRow();
    for (const auto& r : ranges) top = std::min(top, r.topRow());
    return top + 1;
}

void TStringGrid::WidenToContents(int col)
{
    const int wanted = sizeHintForColumn(col);
    if (wanted > columnWidth(col)) setColumnWidth(col, wanted);
}
