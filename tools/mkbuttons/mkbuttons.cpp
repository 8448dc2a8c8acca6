// Paints the preview toolbar's 25 button images (16 x 16 each, side by side)
// and writes them as the packed "PreviewButtons" resource: a 24-bit
// bottom-up BMP of 400 x 16 pixels, gzip-packed with the Adler-32 of the
// bitmap in MTIME and the file name "1". With --designer it paints the
// designer's images instead ("DesgnButtons", each beside its greyed form),
// of which the rich-text editor's toolbar uses a few.
//
// Every glyph is drawn here from lines, rectangles and polygons, without
// antialiasing and without fonts, so the output is the same on every
// machine. The key colour fills each cell's background (its bottom-left
// pixel decides the transparent colour when the strip is cut).
//
// Usage: mkbuttons [--designer] OUTPUT.gz [PREVIEW.bmp]

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "rpGZip.h"

namespace {

constexpr int kCell = 16;
constexpr int kCells = 25;
const QColor kKey(255, 0, 255);

const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);
const QColor kShade(128, 128, 128);
const QColor kLight(192, 192, 192);
const QColor kFolder(232, 192, 64);
const QColor kFolderDark(160, 120, 24);
const QColor kBlue(0, 64, 192);
const QColor kNavy(0, 0, 128);
const QColor kGreen(0, 128, 0);
const QColor kRed(192, 0, 0);
const QColor kGlass(176, 216, 255);
const QColor kWood(200, 140, 60);

using Painter = QPainter;

void px(Painter& p, int x, int y, const QColor& c)
{
    p.setPen(c);
    p.drawPoint(x, y);
}

void line(Painter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    p.setPen(c);
    p.drawLine(x1, y1, x2, y2);
}

// A filled rectangle with an outline, both edges inclusive.
void box(Painter& p, int x1, int y1, int x2, int y2, const QColor& fill, const QColor& edge)
{
    p.fillRect(x1, y1, x2 - x1 + 1, y2 - y1 + 1, fill);
    p.setPen(edge);
    p.drawRect(x1, y1, x2 - x1, y2 - y1);
}

void polygon(Painter& p, std::initializer_list<QPoint> pts, const QColor& fill, const QColor& edge)
{
    p.setPen(edge);
    p.setBrush(fill);
    p.drawPolygon(QPolygon(QList<QPoint>(pts)));
    p.setBrush(Qt::NoBrush);
}

// A sheet of paper with a folded top-right corner.
void page(Painter& p, int x1, int y1, int x2, int y2)
{
    polygon(p, {{x1, y1}, {x2 - 3, y1}, {x2, y1 + 3}, {x2, y2}, {x1, y2}}, kPaper, kInk);
    line(p, x2 - 3, y1, x2 - 3, y1 + 3, kInk);
    line(p, x2 - 3, y1 + 3, x2, y1 + 3, kInk);
}

void textLines(Painter& p, int x1, int x2, int y1, int y2, int step)
{
    for (int y = y1; y <= y2; y += step) line(p, x1, y, x2, y, kShade);
}

void magnifier(Painter& p, int cx, int cy, int r)
{
    p.setPen(kInk);
    p.setBrush(kGlass);
    p.drawEllipse(QPoint(cx, cy), r, r);
    p.setBrush(Qt::NoBrush);
    const int hx = cx + r - 1, hy = cy + r - 1;
    for (int k = 0; k < 4; ++k) {
        line(p, hx + k, hy + k + 1, hx + k + 1, hy + k + 1, kWood);
        line(p, hx + k + 1, hy + k, hx + k + 1, hy + k + 1, kWood);
    }
}

void triangleLeft(Painter& p, int xTip, int yMid, int h, const QColor& c)
{
    polygon(p, {{xTip, yMid}, {xTip + h, yMid - h}, {xTip + h, yMid + h}}, c, c);
}

void triangleRight(Painter& p, int xTip, int yMid, int h, const QColor& c)
{
    polygon(p, {{xTip, yMid}, {xTip - h, yMid - h}, {xTip - h, yMid + h}}, c, c);
}

// Tiny 3 x 5 capitals for the "PDF" glyph.
void letter(Painter& p, char ch, int x, int y, const QColor& c)
{
    static const char* P[] = {"##.", "#.#", "##.", "#..", "#.."};
    static const char* D[] = {"##.", "#.#", "#.#", "#.#", "##."};
    static const char* F[] = {"###", "#..", "##.", "#..", "#.."};
    const char** rows = ch == 'P' ? P : ch == 'D' ? D : F;
    for (int r = 0; r < 5; ++r)
        for (int k = 0; k < 3; ++k)
            if (rows[r][k] == '#') px(p, x + k, y + r, c);
}

void treeGlyph(Painter& p)
{
    box(p, 1, 1, 5, 4, kFolder, kFolderDark);
    line(p, 3, 5, 3, 12, kShade);
    line(p, 3, 8, 6, 8, kShade);
    line(p, 3, 12, 6, 12, kShade);
    box(p, 7, 6, 13, 9, kPaper, kInk);
    box(p, 7, 11, 13, 14, kPaper, kInk);
}

void plusMinusBox(Painter& p, int x, int y, bool plus)
{
    box(p, x, y, x + 6, y + 6, kPaper, kShade);
    line(p, x + 2, y + 3, x + 4, y + 3, kInk);
    if (plus) line(p, x + 3, y + 2, x + 3, y + 4, kInk);
}

using Glyph = std::function<void(Painter&)>;

std::vector<Glyph> glyphs()
{
    std::vector<Glyph> g(kCells);
    g[0] = [](Painter& p) {  // open: a folder
        polygon(p, {{1, 4}, {5, 4}, {6, 5}, {13, 5}, {13, 13}, {1, 13}}, kFolderDark, kInk);
        polygon(p, {{3, 8}, {15, 8}, {13, 13}, {1, 13}}, kFolder, kInk);
        line(p, 9, 1, 12, 1, kGreen);
        line(p, 12, 1, 12, 4, kGreen);
        line(p, 11, 3, 13, 3, kGreen);
    };
    g[1] = [](Painter& p) {  // save: a disk
        box(p, 1, 1, 14, 14, kNavy, kInk);
        box(p, 4, 2, 11, 7, kPaper, kShade);
        textLines(p, 5, 10, 4, 6, 2);
        box(p, 4, 10, 11, 14, kLight, kInk);
        box(p, 5, 11, 6, 13, kNavy, kNavy);
    };
    g[2] = [](Painter& p) {  // print: a printer
        box(p, 4, 1, 11, 6, kPaper, kInk);
        box(p, 1, 6, 14, 11, kLight, kInk);
        line(p, 2, 7, 13, 7, kPaper);
        px(p, 12, 9, kGreen);
        box(p, 4, 10, 11, 14, kPaper, kInk);
        textLines(p, 5, 10, 12, 13, 1);
    };
    g[3] = [](Painter& p) {  // export: a page with an arrow leaving it
        page(p, 1, 1, 10, 14);
        textLines(p, 3, 7, 5, 11, 2);
        polygon(p, {{8, 7}, {11, 7}, {11, 5}, {15, 9}, {11, 13}, {11, 11}, {8, 11}}, kGreen, kInk);
    };
    g[4] = [](Painter& p) {  // find: a magnifier over a page
        page(p, 1, 1, 11, 14);
        textLines(p, 3, 8, 4, 12, 2);
        magnifier(p, 9, 8, 3);
    };
    g[5] = [](Painter& p) {  // thumbnails: four small pages
        for (int y : {1, 8})
            for (int x : {1, 8}) {
                box(p, x, y, x + 5, y + 5, kPaper, kInk);
                line(p, x + 1, y + 2, x + 4, y + 2, kShade);
            }
    };
    g[6] = [](Painter& p) {  // (unused here) a plain page
        page(p, 3, 1, 12, 14);
    };
    g[7] = [](Painter& p) {  // page setup: a page with margin guides
        page(p, 2, 1, 13, 14);
        p.setPen(QPen(kBlue, 1, Qt::DotLine));
        p.drawRect(4, 4, 7, 8);
        line(p, 0, 4, 1, 4, kBlue);
        line(p, 4, 15, 4, 15, kBlue);
    };
    g[8] = [](Painter& p) {  // first
        box(p, 3, 3, 4, 12, kNavy, kNavy);
        triangleLeft(p, 5, 7, 5, kNavy);
    };
    g[9] = [](Painter& p) {  // prior
        triangleLeft(p, 5, 7, 5, kNavy);
    };
    g[10] = [](Painter& p) {  // next
        triangleRight(p, 10, 7, 5, kNavy);
    };
    g[11] = [](Painter& p) {  // last
        triangleRight(p, 10, 7, 5, kNavy);
        box(p, 11, 3, 12, 12, kNavy, kNavy);
    };
    g[12] = [](Painter& p) {  // outline: a tree
        treeGlyph(p);
    };
    g[13] = [](Painter& p) {  // collapse all
        box(p, 6, 2, 13, 5, kPaper, kInk);
        box(p, 6, 10, 13, 13, kPaper, kInk);
        plusMinusBox(p, 1, 1, false);
        plusMinusBox(p, 1, 9, false);
    };
    g[14] = [](Painter& p) {  // expand all
        box(p, 6, 2, 13, 5, kPaper, kInk);
        box(p, 6, 10, 13, 13, kPaper, kInk);
        plusMinusBox(p, 1, 1, true);
        plusMinusBox(p, 1, 9, true);
    };
    g[15] = [](Painter& p) {  // zoom in
        magnifier(p, 6, 6, 5);
        line(p, 4, 6, 8, 6, kInk);
        line(p, 6, 4, 6, 8, kInk);
    };
    g[16] = [](Painter& p) {  // zoom out
        magnifier(p, 6, 6, 5);
        line(p, 4, 6, 8, 6, kInk);
    };
    g[17] = [](Painter& p) {  // (unused here) a ruler
        box(p, 1, 5, 14, 10, kFolder, kInk);
        for (int x = 3; x <= 12; x += 3) line(p, x, 6, x, 7, kInk);
    };
    g[18] = [](Painter& p) {  // (unused here) two pages side by side
        box(p, 1, 2, 7, 13, kPaper, kInk);
        box(p, 8, 2, 14, 13, kPaper, kInk);
    };
    g[19] = [](Painter& p) {  // (unused here) page width arrows
        box(p, 3, 2, 12, 13, kPaper, kInk);
        line(p, 1, 7, 14, 7, kBlue);
        triangleLeft(p, 1, 7, 2, kBlue);
        triangleRight(p, 14, 7, 2, kBlue);
    };
    g[20] = [](Painter& p) {  // (unused here) a closed book
        box(p, 3, 1, 12, 14, kRed, kInk);
        line(p, 5, 1, 5, 14, kInk);
    };
    g[21] = [](Painter& p) {  // edit: a pencil over a page
        page(p, 1, 1, 10, 14);
        textLines(p, 3, 7, 5, 11, 2);
        polygon(p, {{14, 3}, {15, 4}, {8, 11}, {6, 12}, {7, 10}}, kFolder, kInk);
        px(p, 6, 12, kInk);
    };
    g[22] = [](Painter& p) {  // full screen: four corners
        box(p, 4, 4, 11, 11, kLight, kShade);
        for (const auto& c : {QPoint(1, 1), QPoint(14, 1), QPoint(1, 14), QPoint(14, 14)}) {
            const int dx = c.x() == 1 ? 1 : -1, dy = c.y() == 1 ? 1 : -1;
            line(p, c.x(), c.y(), c.x() + 3 * dx, c.y(), kInk);
            line(p, c.x(), c.y(), c.x(), c.y() + 3 * dy, kInk);
        }
    };
    g[23] = [](Painter& p) {  // e-mail: an envelope
        box(p, 1, 3, 14, 12, kPaper, kInk);
        line(p, 1, 3, 7, 8, kInk);
        line(p, 14, 3, 8, 8, kInk);
    };
    g[24] = [](Painter& p) {  // PDF: a page with a red band
        page(p, 2, 1, 13, 14);
        box(p, 1, 7, 13, 13, kRed, kRed);
        letter(p, 'P', 2, 8, kPaper);
        letter(p, 'D', 6, 8, kPaper);
        letter(p, 'F', 10, 8, kPaper);
    };
    return g;
}

QImage paintCell(const Glyph& glyph)
{
    QImage cell(kCell, kCell, QImage::Format_RGB32);
    cell.fill(kKey);
    if (glyph) {
        Painter p(&cell);
        p.setRenderHint(QPainter::Antialiasing, false);
        glyph(p);
    }
    // The bottom-left pixel names the transparent colour of the cell.
    cell.setPixelColor(0, kCell - 1, kKey);
    return cell;
}

QImage paintStrip()
{
    QImage strip(kCell * kCells, kCell, QImage::Format_RGB32);
    strip.fill(kKey);
    const auto g = glyphs();
    Painter p(&strip);
    for (int i = 0; i < kCells; ++i) p.drawImage(i * kCell, 0, paintCell(g[i]));
    return strip;
}

// ---- the designer's buttons (the rich-text editor's toolbar)

constexpr int kDesignerImages = 72;

// 5 x 7 capitals for the letter buttons.
void capital(Painter& p, const char* const rows[7], int x, int y, const QColor& c)
{
    for (int r = 0; r < 7; ++r)
        for (int k = 0; rows[r][k]; ++k)
            if (rows[r][k] == '#') px(p, x + k, y + r, c);
}

void alignLines(Painter& p, int align)
{
    const int widths[] = {12, 8, 12, 8, 12};
    for (int i = 0; i < 5; ++i) {
        const int w = align == 3 ? 12 : widths[i];
        const int x = align == 0 || align == 3 ? 2 : align == 1 ? 2 + (12 - w) / 2 : 14 - w;
        line(p, x, 3 + 2 * i, x + w - 1, 3 + 2 * i, kInk);
    }
}

std::vector<Glyph> designerGlyphs()
{
    static const char* const B[] = {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."};
    static const char* const I[] = {"..###", "...#.", "...#.", "..#..", ".#...", ".#...", "###.."};
    static const char* const U[] = {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    static const char* const A[] = {"..#..", ".#.#.", "#...#", "#...#", "#####", "#...#", "#...#"};
    const std::vector<Glyph> preview = glyphs();
    std::vector<Glyph> g(kDesignerImages);
    g[1] = preview[0];  // open
    g[2] = preview[1];  // save
    g[8] = [](Painter& p) {  // undo: an arrow turning back
        p.setPen(QPen(kNavy, 2));
        p.drawArc(4, 4, 9, 8, 90 * 16, -220 * 16);
        polygon(p, {{2, 6}, {7, 2}, {7, 10}}, kNavy, kNavy);
    };
    g[20] = [](Painter& p) {  // bold
        capital(p, B, 5, 4, kInk);
        capital(p, B, 6, 4, kInk);
    };
    g[21] = [](Painter& p) { capital(p, I, 5, 4, kInk); };  // italic
    g[22] = [](Painter& p) {  // underline
        capital(p, U, 5, 3, kInk);
        line(p, 4, 12, 10, 12, kInk);
    };
    for (int a = 0; a < 4; ++a) g[25 + a] = [a](Painter& p) { alignLines(p, a); };
    g[55] = [](Painter& p) {  // cancel: a red cross
        p.setPen(QPen(kRed, 2));
        p.drawLine(4, 4, 11, 11);
        p.drawLine(11, 4, 4, 11);
    };
    g[56] = [](Painter& p) {  // OK: a green tick
        p.setPen(QPen(kGreen, 2));
        p.drawLine(3, 8, 6, 11);
        p.drawLine(6, 11, 12, 4);
    };
    g[59] = [](Painter& p) {  // font: a letter over a colour bar
        capital(p, A, 3, 2, kInk);
        capital(p, A, 8, 5, kBlue);
        box(p, 2, 13, 13, 14, kRed, kRed);
    };
    g[70] = [](Painter& p) {  // expression: brackets around a dot
        line(p, 3, 3, 3, 12, kInk);
        line(p, 3, 3, 5, 3, kInk);
        line(p, 3, 12, 5, 12, kInk);
        line(p, 12, 3, 12, 12, kInk);
        line(p, 10, 3, 12, 3, kInk);
        line(p, 10, 12, 12, 12, kInk);
        box(p, 7, 7, 8, 8, kRed, kRed);
    };
    g[71] = [](Painter& p) {  // bullets: dots before lines
        for (int i = 0; i < 3; ++i) {
            box(p, 2, 3 + 4 * i, 3, 4 + 4 * i, kNavy, kNavy);
            line(p, 6, 4 + 4 * i, 13, 4 + 4 * i, kInk);
        }
    };
    return g;
}

// Each image and its disabled (greyed) form side by side, the pairs in
// image order, as the designer's two lists are cut from one strip.
QImage paintDesignerStrip()
{
    QImage strip(kCell * 2 * kDesignerImages, kCell, QImage::Format_RGB32);
    strip.fill(kKey);
    const auto g = designerGlyphs();
    Painter p(&strip);
    for (int i = 0; i < kDesignerImages; ++i) {
        const QImage cell = paintCell(g[i]);
        QImage grey = cell;
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x) {
                const QRgb c = grey.pixel(x, y);
                if (c == kKey.rgb()) continue;
                const int v = 128 + qGray(c) / 2;
                grey.setPixel(x, y, qRgb(v, v, v));
            }
        p.drawImage(2 * i * kCell, 0, cell);
        p.drawImage((2 * i + 1) * kCell, 0, grey);
    }
    return strip;
}

void put16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& s, uint32_t v)
{
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// 24 bits per pixel, bottom-up, no palette: 54 bytes of headers, then rows.
std::string toBmp(const QImage& img)
{
    const uint32_t rowBytes = ((img.width() * 3 + 3) / 4) * 4;
    const uint32_t imageBytes = rowBytes * img.height();
    std::string s;
    s += "BM";
    put32(s, 54 + imageBytes);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, img.width());
    put32(s, img.height());
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);  // BI_RGB
    put32(s, imageBytes);
    put32(s, 3780);  // 96 dpi
    put32(s, 3780);
    put32(s, 0);
    put32(s, 0);
    for (int y = img.height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            row += static_cast<char>(qBlue(c));
            row += static_cast<char>(qGreen(c));
            row += static_cast<char>(qRed(c));
        }
        row.resize(rowBytes, '\0');
        s += row;
    }
    return s;
}

bool writeFile(const char* name, const std::string& bytes)
{
    FILE* f = std::fopen(name, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    // --designer paints the designer's strip instead of the preview's.
    const bool designer = argc > 1 && std::string(argv[1]) == "--designer";
    const int first = designer ? 2 : 1;
    if (argc <= first) {
        std::fprintf(stderr, "usage: mkbuttons [--designer] OUTPUT.gz [PREVIEW.bmp]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string bmp = toBmp(designer ? paintDesignerStrip() : paintStrip());
    if (!writeFile(argv[first], GZipPack(bmp, "1"))) {
        std::fprintf(stderr, "mkbuttons: cannot write %s\n", argv[first]);
        return 1;
    }
    if (argc > first + 1 && !writeFile(argv[first + 1], bmp)) {
        std::fprintf(stderr, "mkbuttons: cannot write %s\n", argv[first + 1]);
        return 1;
    }
    return 0;
}
