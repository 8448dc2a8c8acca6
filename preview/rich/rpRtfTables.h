#pragma once
// The RTF reader's tables: the row definition the control words give
// (\trowd, \trgaph, \trleft, \cellx, the cells' borders, shading, merges)
// and the Qt table the rows go into. Rows with the same cell edges that
// follow each other join one table; the reader moves its cursor into a
// row's cells as \intbl and \cell say, and out after \row.

#include <QTextCursor>
#include <QTextTable>

#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "rpRichTable.h"

class TRtfTableBuilder {
public:
    // colorAt: an RGB value from the file's colour table (-1 automatic).
    TRtfTableBuilder(QTextDocument& doc, std::function<int(int)> colorAt);

    // A row definition or border word; false for other words.
    bool Word(std::string_view word, bool hasParam, int param);

    bool InRow() const { return inRow_; }
    // The last table was just ended: nothing has been read since.
    bool Open() const { return open_; }
    // Whether a row starting now joins the last table.
    bool Joins() const;
    // What came after the last table is gone again: the block after it,
    // empty, may still take rows.
    void Reopen(const QTextBlock& after);

    // A row begins at the end of the document; `at` is there, either
    // behind a paragraph that has ended (ended) or in an empty one that
    // has not, which then stays as a gap block; follows: nothing came
    // since the last table. Returns where its first cell's text goes.
    QTextCursor StartRow(QTextCursor at, bool ended, bool follows);
    // The next cell of the row, or nothing when the row has no more.
    std::optional<QTextCursor> NextCell();
    // The cells of the row after the current one, which no \cell reached.
    std::vector<QTextCursor> CellsLeft() const;
    // A cell more than the row has: a column more for the first row of a
    // table, nothing for a later one.
    std::optional<QTextCursor> WidenRow();
    // The row's cells take the row definition; returns the position behind the table.
    QTextCursor EndRow();
    // The last table takes no more rows: the rows kept in reserve go.
    // Returns where they were and how many document positions they held.
    std::pair<int, int> Close();

private:
    rich::TRichBorder* borderTarget();
    void merge(int row, int column, int rows, int columns);
    void finishCell();

    QTextDocument& doc_;
    std::function<int(int)> colorAt_;

    // The definition being read.
    rich::TRichRow def_;
    rich::TRichCell cell_;
    rich::TRichBorder rowBorders_[6];  // \trbrdrt, l, b, r, h, v
    int background_ = -1;
    int foreground_ = -1;
    int shading_ = 0;  // hundredths of a percent of foreground over background
    int target_ = -1;  // the border the \brdr words describe
    bool cellBorderGiven_[4] = {};
    bool rightGiven_ = true;  // the last cell's right edge was given
    // Padding lengths and their units, as the words come.
    struct Padding {
        int value[4] = {};
        int unit[4] = {};
        rich::TRichPadding Twips() const;
    };
    Padding rowPad_;
    Padding cellPad_;

    QTextTable* table_ = nullptr;
    rich::TRichRow tableRow_;  // the definition the table's columns came from
    rich::TRichRow rowStart_;  // the definition when the row began
    rich::TRichRow previousRow_;  // the table's before it, when it follows right after
    bool follows_ = false;
    int used_ = 0;             // rows of the table read; more are kept in reserve
    int row_ = 0;
    int column_ = 0;
    bool inRow_ = false;
    bool open_ = false;
};
