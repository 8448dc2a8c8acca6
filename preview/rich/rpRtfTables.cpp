#include "rpRtfTables.h"

#include <QTextDocument>

#include <algorithm>
#include <array>
#include <unordered_map>

using namespace rich;

namespace {

enum class W {
    Trowd, Trgaph, Trleft, Trql, Trqc, Trqr, Trrh,
    TrBorder,    // \trbrdrt, l, b, r, h, v: target 4 + index
    CellBorder,  // \clbrdrt, l, b, r: target index
    OtherBorder, // paragraph and character borders: no target of ours
    Cellx, Clcbpat, Clcfpat, Clshdng, Clvertalt, Clvertalc, Clvertalb, Clmgf, Clmrg, Clvmgf, Clvmrg,
    Style,       // a border style: the TRichBorderStyle in the index
    Brdrw, Brdrcf,
    RowPad, RowPadUnit, CellPad, CellPadUnit,  // the edge in the index
};

struct Entry {
    W w;
    int index = 0;
};

const std::unordered_map<std::string_view, Entry>& words()
{
    static const std::unordered_map<std::string_view, Entry> table = [] {
        std::unordered_map<std::string_view, Entry> t = {
            {"trowd", {W::Trowd}}, {"trgaph", {W::Trgaph}}, {"trleft", {W::Trleft}}, {"trql", {W::Trql}},
            {"trqc", {W::Trqc}}, {"trqr", {W::Trqr}}, {"trrh", {W::Trrh}},
            {"trbrdrt", {W::TrBorder, 0}}, {"trbrdrl", {W::TrBorder, 1}}, {"trbrdrb", {W::TrBorder, 2}},
            {"trbrdrr", {W::TrBorder, 3}}, {"trbrdrh", {W::TrBorder, 4}}, {"trbrdrv", {W::TrBorder, 5}},
            {"clbrdrt", {W::CellBorder, EdgeTop}}, {"clbrdrl", {W::CellBorder, EdgeLeft}},
            {"clbrdrb", {W::CellBorder, EdgeBottom}}, {"clbrdrr", {W::CellBorder, EdgeRight}},
            {"cellx", {W::Cellx}}, {"clcbpat", {W::Clcbpat}}, {"clcfpat", {W::Clcfpat}}, {"clshdng", {W::Clshdng}},
            {"clvertalt", {W::Clvertalt}}, {"clvertalc", {W::Clvertalc}}, {"clvertalb", {W::Clvertalb}},
            {"clmgf", {W::Clmgf}}, {"clmrg", {W::Clmrg}}, {"clvmgf", {W::Clvmgf}}, {"clvmrg", {W::Clvmrg}},
            {"brdrw", {W::Brdrw}}, {"brdrcf", {W::Brdrcf}},
            {"trpaddt", {W::RowPad, EdgeTop}}, {"trpaddl", {W::RowPad, EdgeLeft}},
            {"trpaddb", {W::RowPad, EdgeBottom}}, {"trpaddr", {W::RowPad, EdgeRight}},
            {"trpaddft", {W::RowPadUnit, EdgeTop}}, {"trpaddfl", {W::RowPadUnit, EdgeLeft}},
            {"trpaddfb", {W::RowPadUnit, EdgeBottom}}, {"trpaddfr", {W::RowPadUnit, EdgeRight}},
            // Word reads and writes a cell's left padding as \clpadt and its
            // top as \clpadl, and so do the programs that read its files.
            {"clpadl", {W::CellPad, EdgeTop}}, {"clpadt", {W::CellPad, EdgeLeft}},
            {"clpadb", {W::CellPad, EdgeBottom}}, {"clpadr", {W::CellPad, EdgeRight}},
            {"clpadfl", {W::CellPadUnit, EdgeTop}}, {"clpadft", {W::CellPadUnit, EdgeLeft}},
            {"clpadfb", {W::CellPadUnit, EdgeBottom}}, {"clpadfr", {W::CellPadUnit, EdgeRight}},
        };
        for (std::string_view w : {"brdrt", "brdrb", "brdrl", "brdrr", "brdrbtw", "brdrbar", "box", "chbrdr",
                                   "pgbrdrt", "pgbrdrb", "pgbrdrl", "pgbrdrr"})
            t.emplace(w, Entry{W::OtherBorder});
        const auto style = [&t](std::initializer_list<std::string_view> names, TRichBorderStyle s) {
            for (std::string_view n : names) t.emplace(n, Entry{W::Style, static_cast<int>(s)});
        };
        style({"brdrnone", "brdrnil", "brdrtbl"}, TRichBorderStyle::None);
        style({"brdrs", "brdrsh", "brdrwavy", "brdremboss", "brdrengrave", "brdroutset", "brdrinset", "brdrframe"},
              TRichBorderStyle::Single);
        style({"brdrth"}, TRichBorderStyle::Thick);
        style({"brdrdb", "brdrtriple", "brdrwavydb", "brdrthtnsg", "brdrtnthsg", "brdrtnthtnsg", "brdrthtnmg",
               "brdrtnthmg", "brdrtnthtnmg", "brdrthtnlg", "brdrtnthlg", "brdrtnthtnlg"},
              TRichBorderStyle::Double);
        style({"brdrdot"}, TRichBorderStyle::Dotted);
        style({"brdrdash", "brdrdashsm", "brdrdashd", "brdrdashdd", "brdrdashdotstr"}, TRichBorderStyle::Dashed);
        style({"brdrhair"}, TRichBorderStyle::Hairline);
        return t;
    }();
    return table;
}

// A colour mixed of foreground and background (hundredths of a percent of foreground).
int blend(int foreground, int background, int shading)
{
    const int fg = foreground < 0 ? 0x000000 : foreground;
    const int bg = background < 0 ? 0xFFFFFF : background;
    int out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int f = (fg >> shift) & 255;
        const int b = (bg >> shift) & 255;
        out |= ((b * (10000 - shading) + f * shading + 5000) / 10000) << shift;
    }
    return out;
}

// Lengths within 22 inches either way.
int length(int twips)
{
    return std::clamp(twips, -MaxCellTwips, MaxCellTwips);
}

}  // namespace

TRtfTableBuilder::TRtfTableBuilder(QTextDocument& doc, std::function<int(int)> colorAt)
    : doc_(doc), colorAt_(std::move(colorAt))
{
}

TRichBorder* TRtfTableBuilder::borderTarget()
{
    if (target_ >= 0 && target_ < 4) return &cell_.borders[target_];
    if (target_ >= 4 && target_ < 10) return &rowBorders_[target_ - 4];
    return nullptr;
}

bool TRtfTableBuilder::Word(std::string_view word, bool hasParam, int param)
{
    const auto found = words().find(word);
    if (found == words().end()) return false;
    const Entry e = found->second;
    const bool on = !hasParam || param != 0;
    switch (e.w) {
    case W::Trowd:
        def_ = TRichRow();
        rowPad_ = cellPad_ = Padding();
        rightGiven_ = true;
        cell_ = TRichCell();
        for (TRichBorder& b : rowBorders_) b = TRichBorder();
        background_ = foreground_ = -1;
        shading_ = 0;
        target_ = -1;
        std::fill(std::begin(cellBorderGiven_), std::end(cellBorderGiven_), false);
        return true;
    case W::Trgaph: def_.gap = std::clamp(param, 0, MaxCellTwips); return true;
    case W::Trleft: def_.left = length(param); return true;
    case W::Trql: def_.align = TRichAlign::Left; return true;
    case W::Trqc: def_.align = TRichAlign::Center; return true;
    case W::Trqr: def_.align = TRichAlign::Right; return true;
    case W::Trrh: def_.height = length(param); return true;
    case W::TrBorder: target_ = 4 + e.index; return true;
    case W::CellBorder:
        target_ = e.index;
        cellBorderGiven_[e.index] = true;
        return true;
    case W::OtherBorder: target_ = -1; return true;
    case W::Style:
        if (TRichBorder* b = borderTarget()) b->style = static_cast<TRichBorderStyle>(e.index);
        return true;
    case W::Brdrw:
        if (TRichBorder* b = borderTarget()) b->width = std::clamp(param, 0, 1000);
        return true;
    case W::Brdrcf:
        if (TRichBorder* b = borderTarget()) b->color = colorAt_(param);
        return true;
    case W::Clcbpat: background_ = colorAt_(param); return true;
    case W::Clcfpat: foreground_ = colorAt_(param); return true;
    case W::Clshdng: shading_ = std::clamp(param, 0, 10000); return true;
    case W::Clvertalt: cell_.vAlign = TRichVAlign::Top; return true;
    case W::Clvertalc: cell_.vAlign = TRichVAlign::Center; return true;
    case W::Clvertalb: cell_.vAlign = TRichVAlign::Bottom; return true;
    case W::Clmgf: cell_.hMerge = on ? 1 : 0; return true;
    case W::Clmrg: cell_.hMerge = on ? 2 : 0; return true;
    case W::Clvmgf: cell_.vMerge = on ? 1 : 0; return true;
    case W::Clvmrg: cell_.vMerge = on ? 2 : 0; return true;
    case W::RowPad:
    case W::RowPadUnit:
    case W::CellPad:
    case W::CellPadUnit: {
        const bool row = e.w == W::RowPad || e.w == W::RowPadUnit;
        Padding& pad = row ? rowPad_ : cellPad_;
        if (e.w == W::RowPad || e.w == W::CellPad) pad.value[e.index] = std::clamp(param, 0, MaxCellTwips);
        else pad.unit[e.index] = param;
        (row ? def_.pad : cell_.pad) = pad.Twips();
        return true;
    }
    case W::Cellx:
        cell_.right = std::clamp(param, -MaxEdgeTwips, MaxEdgeTwips);
        finishCell();
        return true;
    }
    return true;
}

void TRtfTableBuilder::finishCell()
{
    // Edges the cell leaves open take the row's borders.
    const int index = static_cast<int>(def_.cells.size());
    const TRichBorder* fallback[4] = {&rowBorders_[0], index == 0 ? &rowBorders_[1] : &rowBorders_[5], &rowBorders_[2],
                                      rowBorders_[3].Shows() ? &rowBorders_[3] : &rowBorders_[5]};
    for (int e = 0; e < 4; ++e)
        if (!cellBorderGiven_[e]) cell_.borders[e] = *fallback[e];
    // The cell before is not the last: its open right edge is an inner one.
    if (index > 0 && !rightGiven_) def_.cells.back().borders[EdgeRight] = rowBorders_[5];
    rightGiven_ = cellBorderGiven_[EdgeRight];
    if (shading_ > 0) cell_.shading = blend(foreground_, background_, shading_);
    else cell_.shading = background_;
    if (static_cast<int>(def_.cells.size()) < MaxTableColumns) def_.cells.push_back(cell_);
    cell_ = TRichCell();
    cellPad_ = Padding();
    background_ = foreground_ = -1;
    shading_ = 0;
    target_ = -1;
    std::fill(std::begin(cellBorderGiven_), std::end(cellBorderGiven_), false);
}

TRichPadding TRtfTableBuilder::Padding::Twips() const
{
    // A length counts in twips (unit 3); any other unit, or none, means
    // none given: \trgaph, or nothing, stands.
    TRichPadding pad = NoPadding;
    for (size_t e = 0; e < pad.size(); ++e)
        if (unit[e] == 3) pad[e] = value[e];
    return pad;
}

bool TRtfTableBuilder::Joins() const
{
    // A row that defines no cells goes on with the table before it.
    // Edges as they are written back: rows that read the same the second
    // time join the first time.
    return open_ && table_ &&
           (def_.cells.empty() || WithColumns(def_, static_cast<int>(def_.cells.size())).SameEdges(tableRow_));
}

void TRtfTableBuilder::Reopen(const QTextBlock& after)
{
    if (table_ && !inRow_ && after.length() <= 1 && doc_.findBlock(table_->lastPosition() + 1) == after) open_ = true;
}

QTextCursor TRtfTableBuilder::StartRow(QTextCursor at, bool ended, bool follows)
{
    if (Joins()) {
        // Rows are added in reserve, doubling: one at a time costs Qt a
        // walk over the whole table each.
        if (table_->rows() <= used_) table_->appendRows(std::clamp(used_, 1, 512));
        row_ = used_++;
    } else {
        // Right after another table: it must not take that one's edges at \row.
        follows_ = follows && table_;
        if (follows_) previousRow_ = tableRow_;
        if (!ended) at.setBlockFormat(GapBlockFormat());
        const int columns = std::clamp(static_cast<int>(def_.cells.size()), 1, MaxTableColumns);
        table_ = at.insertTable(1, columns, ToTableFormat(def_, ColumnWidths(def_, columns)));
        tableRow_ = WithColumns(def_, columns);
        used_ = 1;
        row_ = 0;
    }
    inRow_ = true;
    open_ = false;
    column_ = 0;
    rowStart_ = def_;
    QTextCursor c(&doc_);
    c.setPosition(table_->cellAt(row_, 0).firstPosition());
    return c;
}

std::optional<QTextCursor> TRtfTableBuilder::NextCell()
{
    if (!inRow_ || column_ + 1 >= table_->columns()) return std::nullopt;
    ++column_;
    QTextCursor c(&doc_);
    c.setPosition(table_->cellAt(row_, column_).firstPosition());
    return c;
}

std::vector<QTextCursor> TRtfTableBuilder::CellsLeft() const
{
    std::vector<QTextCursor> cells;
    for (int c = column_ + 1; inRow_ && c < table_->columns(); ++c) {
        QTextCursor at(&doc_);
        at.setPosition(table_->cellAt(row_, c).firstPosition());
        cells.push_back(at);
    }
    return cells;
}

std::optional<QTextCursor> TRtfTableBuilder::WidenRow()
{
    // Only the first row of a table: later rows keep the columns it made.
    if (!inRow_ || used_ > 1 || table_->columns() >= MaxTableColumns) return std::nullopt;
    table_->appendColumns(1);
    QTextTableFormat f = table_->format();
    const TRichRow& def = def_.cells.empty() ? rowStart_ : def_;
    f.setColumnWidthConstraints(ToTableFormat(def, ColumnWidths(def, table_->columns())).columnWidthConstraints());
    table_->setFormat(f);
    return NextCell();
}

QTextCursor TRtfTableBuilder::EndRow()
{
    // The definition repeated before \row is the one that counts; without
    // one, the one the row began with.
    const TRichRow& def = def_.cells.empty() ? rowStart_ : def_;
    const int columns = table_->columns();
    if (used_ == 1) {
        // A table right after another never has its edges, or it would
        // join it when read again: the edges it began with stay, or its
        // last cell is a twip wider (narrower when it is as wide as a cell
        // may be: reading again would take the twip away).
        const TRichRow* base = &def;
        if (follows_ && WithColumns(def, columns).SameEdges(previousRow_) && !rowStart_.cells.empty()) base = &rowStart_;
        std::vector<int> widths = ColumnWidths(*base, columns);
        TRichRow edges = WithColumns(*base, columns);
        if (follows_ && edges.SameEdges(previousRow_)) {
            const int twip = widths.back() < MaxCellTwips ? 1 : -1;
            widths.back() += twip;
            edges.cells.back().right += twip;
        }
        table_->setFormat(ToTableFormat(*base, widths));
        tableRow_ = edges;
    }
    const auto defined = [&](int c) {
        return static_cast<size_t>(c) < def.cells.size() ? def.cells[static_cast<size_t>(c)] : TRichCell();
    };
    for (int c = 0; c < columns; ++c) {
        // A cell's format is its first paragraph's mark too: an empty
        // cell keeps the font that gives it its height.
        QTextTableCell cell = table_->cellAt(row_, c);
        QTextCharFormat format = cell.format();
        format.merge(ToCellFormat(defined(c), def));
        cell.setFormat(format);
    }
    for (int c = 0; c < columns; ++c) {
        if (defined(c).hMerge != 1) continue;
        int n = 1;
        while (c + n < columns && defined(c + n).hMerge == 2) ++n;
        if (n > 1) merge(row_, c, 1, n);
        c += n - 1;
    }
    for (int c = 0; row_ > 0 && c < columns; ++c) {
        const QTextTableCell cell = table_->cellAt(row_, c);
        if (defined(c).vMerge != 2 || cell.column() != c) continue;
        const QTextTableCell above = table_->cellAt(row_ - 1, c);
        if (above.column() != c || above.columnSpan() != cell.columnSpan()) continue;
        merge(above.row(), c, row_ - above.row() + 1, cell.columnSpan());
    }
    inRow_ = false;
    open_ = true;
    QTextCursor after(&doc_);
    after.setPosition(table_->lastPosition() + 1);
    if (after.block().length() <= 1) after.setBlockFormat(GapBlockFormat());
    return after;
}

void TRtfTableBuilder::merge(int row, int column, int rows, int columns)
{
    // Qt's merge joins a merged cell's (empty) paragraph to the paragraph
    // before it, which may take its attributes and leave its list: the
    // cells that stay keep their first and last paragraphs as they were.
    struct Kept {
        int row, column;
        TRichPara para[2];
    };
    std::vector<Kept> kept;
    const auto ends = [&](const QTextTableCell& cell) {
        return std::array<QTextBlock, 2>{doc_.findBlock(cell.firstPosition()), doc_.findBlock(cell.lastPosition())};
    };
    for (int r = std::max(row - 1, 0); r < row + rows; ++r)
        for (int c = 0; c < table_->columns(); ++c) {
            const QTextTableCell cell = table_->cellAt(r, c);
            if (cell.row() != r || cell.column() != c) continue;
            const bool mergedAway = r >= row && c >= column && c < column + columns && !(r == row && c == column);
            // Qt would join a merged cell's text to the first's with a
            // space: a cell that holds text stays a cell of its own.
            if (mergedAway && cell.lastPosition() > cell.firstPosition()) return;
            if (mergedAway) continue;
            const auto blocks = ends(cell);
            kept.push_back({r, c, {FromBlock(blocks[0]), FromBlock(blocks[1])}});
        }
    table_->mergeCells(row, column, rows, columns);
    for (const Kept& k : kept) {
        const auto blocks = ends(table_->cellAt(k.row, k.column));
        for (int i = 0; i < 2; ++i) {
            const QTextBlock& b = blocks[static_cast<size_t>(i)];
            if (FromBlock(b) == k.para[i]) continue;
            QTextCursor(b).setBlockFormat(ToBlockFormat(k.para[i]));
            ApplyList(b, k.para[i]);
        }
    }
    // The merged-away cells' paragraphs no longer stand between list items:
    // lists run on across them, as they do when the file is read again.
    const QTextTableCell first = table_->cellAt(row, column);
    const int end = table_->cellAt(row + rows - 1, table_->columns() - 1).lastPosition();
    for (QTextBlock b = doc_.findBlock(first.firstPosition()); b.isValid() && b.position() <= end; b = b.next())
        if (b.textList()) ApplyList(b, FromBlock(b));
}

std::pair<int, int> TRtfTableBuilder::Close()
{
    open_ = false;
    if (!table_ || inRow_ || table_->rows() <= used_) return {0, 0};
    const int from = RowStart(*table_, used_);
    const int before = doc_.characterCount();
    table_->removeRows(used_, table_->rows() - used_);
    return {from, before - doc_.characterCount()};
}
