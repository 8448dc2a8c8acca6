#pragma once
// A string grid over QTableWidget with the semantics the forms are written
// against: row 0 is the header row (shown as the horizontal header),
// RowCount counts it, Cells are addressed [col, row], and cells written
// beyond RowCount are kept but not shown until the grid grows again.

#include <QTableWidget>

#include <vector>

class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kDefaultColWidth = 64;

    TStringGrid(int colCount, QWidget* parent = nullptr);

    int RowCount() const noexcept { return rowCount_; }
    // Never below 2: the header row and one data row.
    void SetRowCount(int rows);
    int ColCount() const { return columnCount(); }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    // Empties the cells of one row / of every row up to RowCount (the
    // header row included), keeping the row count.
    void ClearRow(int row);
    void ClearAllRows();

    // The current row: 1 or more for a data row, 0 when none is current.
    int Row() const;
    void SetRow(int row);
    int SelectionTop() const;

    int ColWidth(int col) const { return columnWidth(col); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }
    // Widens a column to what its shown cells need; never narrows it.
    void WidenToContents(int col);

private:
    void show(int col, int row);

    int rowCount_ = 2;
    std::vector<std::vector<QString>> cells_;  // [row][col]
};
