// The generator: a report file and its tables from one seed. Every choice
// comes from the seed, so that a seed names its report for good.
#include "RandomLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "rpXML.h"

namespace random_layout {

namespace {

constexpr double kUnitsPerMm = 3.77953;

// splitmix64: small, and the same on every machine.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    double real(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(next() >> 11) / 9007199254740992.0; }
    bool chance(double p) { return real(0, 1) < p; }

private:
    uint64_t state_;
};

std::string num(double v)
{
    // Two decimals at most, no trailing zeros: what a designer types.
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string sqlText(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::string field(const std::string& ds, const std::string& name)
{
    return "[" + ds + ".\"" + name + "\"]";
}

const char* const kWords[] = {"parcel", "east",   "gate",  "truck",  "morning", "customer", "within", "two",
                              "working", "days",  "order", "sheet",  "courier", "waybill",  "line",   "station",
                              "north",  "south",  "box",   "carton", "label",   "address",  "phone",  "total",
                              "发货",   "订单",   "快递",  "地址",   "电话",    "客户"};

// A 48 x 24 PNG as a picture object stores it.
const char* const kPicture =
    "075069637475726501060A54504E474F626A6563740C9100000089504E470D0A1A0A0000000D4948445200000030000000180802000000"
    "339FE98B000000584944415478DA639876E2C3A0420CA30EA29E837E9D901B140E02BA03130D9883B0BA86A66E1A7510250EC2E31ADAB9"
    "6934CA869B83065D3934184BEAD1CA75B039C8669A0D56844B03ADD58F3A68F83868A0D0A883082100FFBE10BAF3E123EB0000000049454E"
    "44AE42608200";

// One element of the report file.
struct Element {
    std::string cls;
    std::vector<std::pair<std::string, std::string>> attrs;
    std::vector<Element> children;

    Element(std::string c, std::string name) : cls(std::move(c)) { set("Name", std::move(name)); }
    Element& set(const std::string& key, const std::string& value)
    {
        for (auto& [k, v] : attrs)
            if (k == key) return v = value, *this;
        attrs.emplace_back(key, value);
        return *this;
    }
    Element& set(const std::string& key, double value) { return set(key, num(value)); }
    double number(const std::string& key) const
    {
        for (const auto& [k, v] : attrs)
            if (k == key) return std::stod(v);
        return 0;
    }
    Element& add(Element child)
    {
        children.push_back(std::move(child));
        return children.back();
    }
    void write(std::string& out, int indent) const
    {
        out += std::string(static_cast<size_t>(indent), ' ') + "<" + cls;
        for (const auto& [k, v] : attrs) out += " " + k + "=\"" + StrToXML(v) + "\"";
        if (children.empty()) {
            out += "/>\n";
            return;
        }
        out += ">\n";
        for (const Element& c : children) c.write(out, indent + 2);
        out += std::string(static_cast<size_t>(indent), ' ') + "</" + cls + ">\n";
    }
};

class Generator {
public:
    explicit Generator(uint64_t seed) : rng_(seed) {}
    Layout run(uint64_t seed);

private:
    // ---- data
    std::string words(int count);
    std::string note();
    void makeData(Layout& layout);

    // ---- report
    Element page(const std::string& name, double paperWidth, double paperHeight, double margins[4]);
    Element band(const std::string& cls, const std::string& name, double width, double height);
    Element memo(const std::string& name, double left, double top, double width, double height, const std::string& text);
    void font(Element& e);
    void frame(Element& e);
    void place(Element& parent, Element object, double& bottom);
    // A row band's objects: its key, a text that may split, frames,
    // pictures, rich text; `code` marks the row ("R" and the row id).
    void rowObjects(Element& b, const std::string& code, const std::string& ds, double width, bool manyTexts);
    Element richText(const std::string& name, double left, double top, double width, const std::string& text);
    Element totalsMemo(const std::string& name, const std::string& label, double width, const std::string& band,
                       const std::string& ds);
    Element subreportPage(double width, const std::string& pageName);
    void addSubreport(Element& host, double width, double& bottom, bool inlineOnly);
    Element longText(const std::string& name, const std::string& code, double width);

    Rng rng_;
    int rows_ = 0, details_ = 0, subRows_ = 0;
    int top_ = 0;  // design tops keep the bands in order
    bool subPageMade_ = false;
    Element subPage_{"TrpReportPage", "SubPage"};
};

std::string Generator::words(int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i) out += rng_.chance(0.05) ? "\r\n" : " ";
        out += kWords[rng_.range(0, static_cast<int>(std::size(kWords)) - 1)];
    }
    return out;
}

std::string Generator::note()
{
    const double p = rng_.real(0, 1);
    if (p < 0.2) return "";
    if (p < 0.6) return words(rng_.range(1, 5));
    if (p < 0.92) return words(rng_.range(8, 40));
    return words(rng_.range(60, 220));
}

void Generator::makeData(Layout& layout)
{
    std::string& sql = layout.sql;
    sql = "CREATE TABLE r (id INTEGER PRIMARY KEY, g1 TEXT, g2 TEXT, qty INTEGER, name TEXT, note TEXT);\n"
          "CREATE TABLE d (id INTEGER PRIMARY KEY, qty INTEGER, note TEXT);\n"
          "CREATE TABLE s (id INTEGER PRIMARY KEY, qty INTEGER, note TEXT);\n";
    const double p = rng_.real(0, 1);
    rows_ = p < 0.03 ? 0 : p < 0.25 ? rng_.range(1, 5) : p < 0.75 ? rng_.range(6, 24) : rng_.range(25, 60);
    const int maxGroup = rng_.range(1, 12), maxSub = rng_.range(1, 5);
    int g1 = 0, g2 = 0, left1 = 0, left2 = 0;
    for (int i = 1; i <= rows_; ++i) {
        if (left1 == 0) {
            ++g1;
            g2 = 0;
            left1 = rng_.range(1, maxGroup);
            left2 = 0;
        }
        if (left2 == 0) {
            ++g2;
            left2 = rng_.range(1, maxSub);
        }
        --left1;
        --left2;
        const std::string group1 = std::string(1, static_cast<char>('A' + (g1 - 1) % 26)) +
                                   (g1 > 26 ? std::to_string(g1) : "");
        sql += "INSERT INTO r VALUES (" + std::to_string(i) + ", " + sqlText(group1) + ", " +
               sqlText(std::string(1, static_cast<char>('u' + (g2 - 1) % 6)) + std::to_string(g2)) + ", " +
               std::to_string(rng_.range(1, 50)) + ", " + sqlText(words(1)) + ", " + sqlText(note()) + ");\n";
    }
    details_ = rng_.chance(0.2) ? 0 : rng_.range(1, 3);
    for (int i = 1; i <= details_; ++i)
        sql += "INSERT INTO d VALUES (" + std::to_string(i) + ", " + std::to_string(rng_.range(1, 9)) + ", " +
               sqlText(words(rng_.range(0, 6))) + ");\n";
    subRows_ = rng_.chance(0.1) ? 0 : rng_.range(1, 12);
    for (int i = 1; i <= subRows_; ++i)
        sql += "INSERT INTO s VALUES (" + std::to_string(i) + ", " + std::to_string(rng_.range(1, 30)) + ", " +
               sqlText(rng_.chance(0.2) ? words(rng_.range(10, 50)) : words(rng_.range(0, 4))) + ");\n";
    layout.datasets = {{"r", "select * from r order by id"},
                       {"d", "select * from d order by id"},
                       {"s", "select * from s order by id"},
                       {"t", "select * from s order by id"}};
}

Element Generator::page(const std::string& name, double paperWidth, double paperHeight, double margins[4])
{
    Element p("TrpReportPage", name);
    p.set("PaperWidth", paperWidth).set("PaperHeight", paperHeight).set("PaperSize", "256");
    p.set("LeftMargin", margins[0]).set("RightMargin", margins[1]);
    p.set("TopMargin", margins[2]).set("BottomMargin", margins[3]);
    return p;
}

Element Generator::band(const std::string& cls, const std::string& name, double width, double height)
{
    Element b(cls, name);
    top_ += 40;
    b.set("Left", "0").set("Top", top_).set("Width", width).set("Height", height);
    return b;
}

void Generator::font(Element& e)
{
    if (!rng_.chance(0.15)) return;
    e.set("ParentFont", "False").set("Font.Name", rng_.chance(0.7) ? "Arial" : "宋体");
    e.set("Font.Height", std::to_string(-rng_.range(11, 18)));
}

void Generator::frame(Element& e)
{
    if (rng_.chance(0.3)) e.set("Frame.Typ", "15");
}

Element Generator::memo(const std::string& name, double left, double top, double width, double height,
                        const std::string& text)
{
    Element m("TrpMemoView", name);
    m.set("Left", left).set("Top", top).set("Width", width).set("Height", height).set("Text", text);
    return m;
}

void Generator::place(Element& parent, Element object, double& bottom)
{
    double top = 0, height = 0;
    for (const auto& [k, v] : object.attrs) {
        if (k == "Top") top = std::stod(v);
        if (k == "Height") height = std::stod(v);
    }
    bottom = std::max(bottom, top + height);
    parent.add(std::move(object));
}

Element Generator::richText(const std::string& name, double left, double top, double width, const std::string& text)
{
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\\f0\\fs" +
                      std::to_string(rng_.range(16, 24)) + " ";
    for (char c : text) {
        if (c == '{' || c == '}' || c == '\\') rtf += '\\';
        rtf += c;
    }
    rtf += "\\par}";
    std::string data;
    data += static_cast<char>(8);
    data += "RichEdit";
    data += static_cast<char>(0x0A);
    const uint32_t size = static_cast<uint32_t>(rtf.size());
    for (int i = 0; i < 4; ++i) data += static_cast<char>((size >> (8 * i)) & 0xFF);
    data += rtf;
    std::string hex;
    static const char digits[] = "0123456789ABCDEF";
    for (unsigned char c : data) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    Element r("TrpRichView", name);
    r.set("Left", left).set("Top", top).set("Width", width).set("Height", rng_.range(16, 30));
    r.set("StretchMode", "smActualHeight").set("PropData", hex);
    frame(r);
    return r;
}

void Generator::rowObjects(Element& b, const std::string& code, const std::string& ds, double width, bool manyTexts)
{
    const std::string id = field(ds, "id");
    double bottom = 0;
    const double keyLeft = rng_.range(0, 8), keyTop = rng_.range(0, 4);
    const double keyWidth = std::min(width - keyLeft, static_cast<double>(rng_.range(56, 90)));
    Element key = memo("Key" + code, keyLeft, keyTop, keyWidth, rng_.range(16, 22), "{" + code + id + "}");
    if (rng_.chance(0.2)) key.set("StretchMode", "smActualHeight");
    font(key);
    frame(key);
    place(b, std::move(key), bottom);
    double textLeft = keyLeft + keyWidth + 2;
    double textRight = width - rng_.range(0, 6);
    if (manyTexts && rng_.chance(0.15) && textRight - textLeft > 120) {
        Element picture("TrpPictureView", "Picture" + code);
        const double side = rng_.range(20, 40);
        picture.set("Left", textRight - side).set("Top", rng_.range(0, 4)).set("Width", side).set("Height", side);
        picture.set("PropData", kPicture);
        if (rng_.chance(0.5)) picture.set("Center", "True");
        place(b, std::move(picture), bottom);
        textRight -= side + 2;
    }
    if (textRight - textLeft < 60) {
        textLeft = keyLeft;
        textRight = width;
    }
    const std::string text = "(" + code + id + " " + (ds == "d" || ds == "s" || ds == "t" ? field(ds, "note")
                                                                                            : field(ds, "note")) +
                             " " + code + id + ")";
    if (manyTexts || rng_.chance(0.5)) {
        const double top = textLeft == keyLeft ? bottom + 2 : rng_.range(0, 4);
        if (rng_.chance(0.1)) {
            place(b, richText("Rich" + code, textLeft, top, textRight - textLeft, text), bottom);
        } else {
            Element note = memo("Note" + code, textLeft, top, textRight - textLeft, rng_.range(16, 22), text);
            if (rng_.chance(0.85)) note.set("StretchMode", "smActualHeight");
            font(note);
            frame(note);
            place(b, std::move(note), bottom);
        }
    }
    if (manyTexts && rng_.chance(0.2)) {
        Element sign = memo("Sign" + code, 0, bottom + 2, std::min(width, 200.0), rng_.range(14, 20),
                            "by " + field(ds, rng_.chance(0.5) ? "qty" : "id"));
        if (rng_.chance(0.3)) sign.set("ShiftMode", "smWhenOverlapped");
        place(b, std::move(sign), bottom);
    }
    const double height = bottom + rng_.range(0, 4);
    b.set("Height", height);
    if (rng_.chance(0.4)) {
        // The row's frame: lines down its sides, or a box behind it.
        if (rng_.chance(0.6)) {
            Element left("TrpLineView", "LeftLine" + code);
            left.set("Left", "0").set("Top", "0").set("Width", "0").set("Height", height).set("StretchMode", "smMaxHeight");
            Element right("TrpLineView", "RightLine" + code);
            right.set("Left", width - 1).set("Top", "0").set("Width", "0").set("Height", height);
            right.set("StretchMode", "smMaxHeight");
            b.add(std::move(left));
            b.add(std::move(right));
            if (rng_.chance(0.5)) {
                Element line("TrpLineView", "BottomLine" + code);
                line.set("Left", "0").set("Top", height).set("Width", width - 1).set("Height", "0").set("Align", "baBottom");
                b.add(std::move(line));
            }
        } else {
            Element box = memo("Box" + code, 0, 0, width - 1, height, "");
            box.set("StretchMode", "smMaxHeight").set("ShiftMode", "smDontShift").set("Frame.Typ", "15");
            b.children.insert(b.children.begin(), std::move(box));
        }
    }
    b.set("Stretched", "True");
}

Element Generator::totalsMemo(const std::string& name, const std::string& label, double width, const std::string& band,
                              const std::string& ds)
{
    const std::string text = "{" + label + " n=[COUNT(" + band + ")] s=[SUM(<" + ds + ".\"qty\">, " + band + ")]}";
    Element m = memo(name, rng_.range(0, 6), rng_.range(0, 3), std::min(width, static_cast<double>(rng_.range(180, 300))),
                     rng_.range(16, 20), text);
    if (rng_.chance(0.3)) m.set("StretchMode", "smActualHeight");
    font(m);
    return m;
}

Element Generator::longText(const std::string& name, const std::string& code, double width)
{
    const double p = rng_.real(0, 1);
    const int count = p < 0.5 ? rng_.range(5, 40) : p < 0.85 ? rng_.range(40, 200) : rng_.range(200, 600);
    Element m = memo(name, 0, rng_.range(18, 24), width - rng_.range(0, 10), rng_.range(16, 40),
                     "(" + code + " " + words(count) + " " + code + ")");
    m.set("StretchMode", "smActualHeight");
    font(m);
    frame(m);
    return m;
}

Element Generator::subreportPage(double width, const std::string& pageName)
{
    double margins[4] = {0, 0, 0, 0};
    Element p = page(pageName, width / kUnitsPerMm, 100, margins);
    if (rng_.chance(0.3)) {
        Element h = band("TrpHeader", "SubHeader", width, 16);
        h.add(memo("SubCaption", 0, 0, std::min(width, 120.0), 18, "{SH}"));
        p.add(std::move(h));
    }
    Element rows = band("TrpMasterData", "SubRows", width, 18);
    rows.set("DataSetName", "s");
    rowObjects(rows, "S", "s", width, false);
    p.add(std::move(rows));
    if (rng_.chance(0.4)) {
        Element f = band("TrpFooter", "SubFooter", width, 18);
        f.add(totalsMemo("SubTotal", "SF", width, "SubRows", "s"));
        p.add(std::move(f));
    }
    return p;
}

void Generator::addSubreport(Element& host, double width, double& bottom, bool inlineOnly)
{
    // One subreport a report: its page is as wide as the place it prints in.
    if (subPageMade_) return;
    const double left = rng_.range(0, 20);
    const double subWidth = std::max(40.0, width - left - rng_.range(2, 20));
    subPage_ = subreportPage(std::floor(subWidth), "SubPage");
    subPageMade_ = true;
    Element sub("TrpSubreport", "Subreport" + host.attrs[0].second);
    sub.set("Left", left).set("Top", bottom + 2).set("Width", std::floor(subWidth)).set("Height", "20");
    sub.set("Page", "SubPage");
    if (inlineOnly || rng_.chance(0.5)) {
        sub.set("PrintOnParent", "True");
    } else {
        // A subreport printed after its band starts where it was drawn,
        // whatever grew above it, over the band's frame: nothing above it
        // grows, and the band has no frame.
        for (Element& o : host.children)
            for (auto it = o.attrs.begin(); it != o.attrs.end(); ++it)
                if (it->first == "StretchMode" && it->second == "smActualHeight") {
                    o.attrs.erase(it);
                    break;
                }
        std::erase_if(host.children, [](const Element& o) {
            return o.cls == "TrpLineView" || o.attrs[0].second.compare(0, 3, "Box") == 0;
        });
    }
    bottom += 22;
    host.add(std::move(sub));
    host.set("Height", bottom);
}

Layout Generator::run(uint64_t seed)
{
    Layout layout;
    layout.seed = seed;
    makeData(layout);

    // Paper from a label to A4 and more; margins from none to wide.
    double margins[4];
    for (double& m : margins) m = rng_.chance(0.3) ? 0 : rng_.range(2, 15);
    const double paperWidth = rng_.range(80, 230);
    const double paperHeight = rng_.chance(0.3) ? rng_.range(50, 100) : rng_.range(100, 300);
    const double pageWidth = (paperWidth - margins[0] - margins[1]) * kUnitsPerMm;
    Element page1 = page("Page1", paperWidth, paperHeight, margins);

    // Page columns, or band columns on the data band, or neither.
    const double p = rng_.real(0, 1);
    const int pageColumns = p < 0.22 && pageWidth > 300 ? rng_.range(2, 3) : 0;
    const int bandColumns = pageColumns == 0 && p > 0.78 && pageWidth > 250 ? rng_.range(2, 4) : 0;
    if (pageColumns) {
        const double columnWidth = (paperWidth - margins[0] - margins[1]) / pageColumns;
        page1.set("Columns", std::to_string(pageColumns)).set("ColumnWidth", columnWidth);
    }
    const double columnWidth = pageColumns ? std::floor(pageWidth / pageColumns) : pageWidth;

    if (rng_.chance(0.7)) {
        Element h = band("TrpPageHeader", "PageHeader", pageWidth, rng_.range(16, 40));
        h.add(memo("PageNo", 0, 0, std::min(pageWidth, 160.0), 16, "page [Page#]"));
        if (rng_.chance(0.1)) h.set("PrintOnFirstPage", "False");
        page1.add(std::move(h));
    }
    if (rng_.chance(0.5)) {
        Element t = band("TrpReportTitle", "Title", pageWidth, 20);
        double bottom = 0;
        place(t, memo("TitleKey", 0, 0, std::min(pageWidth, 120.0), 18, "{TI}"), bottom);
        if (rng_.chance(0.45)) place(t, longText("TitleText", "TL", pageWidth), bottom);
        // What a title's subreport prints after it goes down the page's
        // columns, so it is drawn as wide as one.
        if (rng_.chance(0.15)) addSubreport(t, columnWidth, bottom, false);
        t.set("Height", bottom + rng_.range(0, 6));
        t.set("Stretched", "True");
        if (rng_.chance(0.5)) t.set("AllowSplit", "True");
        page1.add(std::move(t));
    }
    if (rng_.chance(0.25)) {
        Element h = band("TrpColumnHeader", "ColumnHeader", columnWidth, rng_.range(14, 24));
        h.add(memo("ColumnCaption", 0, 0, std::min(columnWidth, 120.0), 18, "column"));
        page1.add(std::move(h));
    }
    const double dataWidth = bandColumns ? std::floor((pageWidth - (bandColumns - 1) * 6) / bandColumns) : columnWidth;
    if (rng_.chance(0.45)) {
        Element h = band("TrpHeader", "RowsHeader", columnWidth, rng_.range(14, 24));
        h.add(memo("RowsCaption", 0, 0, std::min(columnWidth, 120.0), 18, "{RH}"));
        if (rng_.chance(0.5)) h.set("ReprintOnNewPage", "True");
        page1.add(std::move(h));
    }
    const bool group1 = rng_.chance(0.5), group2 = group1 && rng_.chance(0.5);
    const auto groupHeader = [&](int level) {
        const std::string n = std::to_string(level);
        Element g = band("TrpGroupHeader", "Group" + n, columnWidth, 20);
        g.set("Condition", level == 1 ? "r.\"g1\"" : "r.\"g2\"");
        Element m = memo("GroupKey" + n, rng_.range(0, 10), rng_.range(0, 3), std::min(columnWidth, 160.0),
                         rng_.range(16, 20), "{H" + n + " " + field("r", level == 1 ? "g1" : "g2") + "}");
        font(m);
        frame(m);
        double bottom = 0;
        place(g, std::move(m), bottom);
        g.set("Height", bottom + rng_.range(0, 6));
        if (rng_.chance(0.35)) g.set("KeepTogether", "True");
        if (rng_.chance(0.4)) g.set("ReprintOnNewPage", "True");
        if (level == 1 && rng_.chance(0.08)) g.set("StartNewPage", "True");
        return g;
    };
    if (group1) page1.add(groupHeader(1));
    if (group2) page1.add(groupHeader(2));

    Element rows = band("TrpMasterData", "Rows", dataWidth, 20);
    rows.set("DataSetName", "r");
    rowObjects(rows, "R", "r", dataWidth, true);
    if (bandColumns) {
        rows.set("Columns", std::to_string(bandColumns)).set("ColumnWidth", dataWidth).set("ColumnGap", "6");
    }
    if (rng_.chance(0.5)) rows.set("AllowSplit", "True");
    if (rng_.chance(0.15)) rows.set("KeepTogether", "True");
    if (rng_.chance(0.04)) rows.set("StartNewPage", "True");
    double rowsBottom = 0;
    for (const Element& o : rows.children)
        for (const auto& [k, v] : o.attrs)
            if (k == "Top") rowsBottom = std::max(rowsBottom, std::stod(v) + 20);
    // Bands beside each other have no child and print no subreport after
    // themselves: these would print at the place of the first column.
    if (rng_.chance(0.12)) {
        double bottom = rows.number("Height");
        addSubreport(rows, dataWidth, bottom, bandColumns > 0);
    }
    std::vector<Element> after;
    bool hasChild = false;
    if (!bandColumns && rng_.chance(0.2)) {
        hasChild = true;
        Element c = band("TrpChild", "RowsChild", dataWidth, 18);
        Element m = memo("ChildKey", rng_.range(10, 30), 0, std::min(dataWidth - 30, 100.0), 16, "{C" + field("r", "id") + "}");
        c.add(std::move(m));
        if (rng_.chance(0.3)) c.add(longText("ChildText", "CT", dataWidth));
        c.set("Stretched", "True");
        if (rng_.chance(0.5)) c.set("AllowSplit", "True");
        rows.set("Child", "RowsChild");
        if (rng_.chance(0.5)) rows.set("KeepChild", "True");
        after.push_back(std::move(c));
    }
    const bool details = rng_.chance(0.18);
    if (details && rng_.chance(0.3)) rows.set("PrintIfDetailEmpty", "True");
    if (rng_.chance(0.08)) rows.set("KeepHeader", "True");
    if (rng_.chance(0.08)) rows.set("KeepFooter", "True");
    page1.add(std::move(rows));
    for (Element& c : after) page1.add(std::move(c));
    if (details) {
        Element d = band("TrpDetailData", "Details", dataWidth - 20, 18);
        d.set("Left", "20").set("DataSetName", "d");
        rowObjects(d, "D", "d", dataWidth - 20, false);
        if (rng_.chance(0.3)) d.set("AllowSplit", "True");
        page1.add(std::move(d));
    }
    if (rng_.chance(0.4)) {
        Element f = band("TrpFooter", "RowsFooter", columnWidth, 20);
        f.add(totalsMemo("RowsTotal", "T", columnWidth, "Rows", "r"));
        page1.add(std::move(f));
    }
    const auto groupFooter = [&](int level) {
        const std::string n = std::to_string(level);
        Element g = band("TrpGroupFooter", "GroupFooter" + n, columnWidth, 20);
        const std::string label = level == 1 ? "F1 " + field("r", "g1") : "F2 " + field("r", "g1") + "/" + field("r", "g2");
        g.add(totalsMemo("GroupTotal" + n, label, columnWidth, "Rows", "r"));
        if (rng_.chance(0.15)) g.set("HideIfSingleDataRecord", "True");
        return g;
    };
    if (group2 && rng_.chance(0.85)) page1.add(groupFooter(2));
    if (group1 && rng_.chance(0.85)) page1.add(groupFooter(1));
    if (rng_.chance(0.5)) {
        Element s = band("TrpReportSummary", "Summary", pageWidth, 20);
        double bottom = 0;
        place(s, totalsMemo("SummaryTotal", "SU", pageWidth, "Rows", "r"), bottom);
        if (rng_.chance(0.45)) place(s, longText("SummaryText", "SL", pageWidth), bottom);
        if (rng_.chance(0.15)) addSubreport(s, columnWidth, bottom, false);
        s.set("Height", bottom + rng_.range(0, 6));
        s.set("Stretched", "True");
        if (rng_.chance(0.5)) s.set("AllowSplit", "True");
        if (rng_.chance(0.05)) s.set("StartNewPage", "True");
        page1.add(std::move(s));
    }
    if (rng_.chance(0.25)) {
        Element f = band("TrpColumnFooter", "ColumnFooter", columnWidth, 20);
        f.add(totalsMemo("ColumnTotal", "K", columnWidth, "Rows", "r"));
        page1.add(std::move(f));
    }
    if (rng_.chance(0.6)) {
        Element f = band("TrpPageFooter", "PageFooter", pageWidth, 20);
        f.add(totalsMemo("PageTotal", "P", pageWidth, "Rows", "r"));
        if (rng_.chance(0.08)) f.set("PrintOnFirstPage", "False");
        if (rng_.chance(0.08)) f.set("PrintOnLastPage", "False");
        page1.add(std::move(f));
    }
    if (rng_.chance(0.08)) {
        Element o = band("TrpOverlay", "Overlay", pageWidth, 60);
        o.add(memo("Draft", rng_.range(0, 40), rng_.range(0, 40), 100, 20, "draft"));
        if (rng_.chance(0.5)) o.set("PrintOnTop", "True");
        page1.add(std::move(o));
    }
    (void)hasChild;

    Element report("TrpReport", "");
    report.attrs.clear();
    report.set("ScriptLanguage", "PascalScript");
    Element data("TrpDataPage", "Data");
    report.add(std::move(data));
    report.add(std::move(page1));

    // A second list, on a page of its own or continuing the first.
    if (rng_.chance(0.15)) {
        Element page2 = page("Page2", paperWidth, paperHeight, margins);
        if (rng_.chance(0.7)) page2.set("PrintOnPreviousPage", "True");
        if (rng_.chance(0.5)) {
            Element t = band("TrpReportTitle", "Title2", pageWidth, 20);
            t.add(memo("Title2Key", 0, 0, std::min(pageWidth, 120.0), 18, "{TI2}"));
            page2.add(std::move(t));
        }
        if (rng_.chance(0.3)) {
            Element h = band("TrpPageHeader", "PageHeader2", pageWidth, rng_.range(16, 30));
            h.add(memo("PageNo2", 0, 0, std::min(pageWidth, 160.0), 16, "list 2 page [Page#]"));
            page2.add(std::move(h));
        }
        Element rows2 = band("TrpMasterData", "Rows2", pageWidth, 20);
        rows2.set("DataSetName", "t");
        rowObjects(rows2, "Q", "t", pageWidth, false);
        if (rng_.chance(0.5)) rows2.set("AllowSplit", "True");
        page2.add(std::move(rows2));
        report.add(std::move(page2));
    }
    if (subPageMade_) report.add(std::move(subPage_));

    // Objects lie inside their bands, as a designer draws them.
    for (Element& p : report.children)
        for (Element& b : p.children) {
            const double width = b.number("Width");
            for (Element& o : b.children)
                if (o.number("Left") + o.number("Width") > width) o.set("Width", std::max(0.0, width - o.number("Left")));
            double bottom = 0;
            for (const Element& o : b.children) bottom = std::max(bottom, o.number("Top") + o.number("Height"));
            if (bottom > b.number("Height")) b.set("Height", bottom);
            // A band with growing texts grows with them; those that cannot
            // grow hold texts that do not.
            const bool fixed = b.cls == "TrpPageFooter" || b.cls == "TrpColumnFooter" || b.cls == "TrpOverlay" ||
                               b.cls == "TrpPageHeader" || b.cls == "TrpColumnHeader";
            for (Element& o : b.children) {
                bool grows = false;
                for (auto it = o.attrs.begin(); it != o.attrs.end(); ++it) {
                    if (it->first != "StretchMode" || it->second != "smActualHeight") continue;
                    if (fixed) {
                        o.attrs.erase(it);
                    } else {
                        grows = true;
                    }
                    break;
                }
                if (grows) b.set("Stretched", "True");
            }
        }
    layout.xml = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n";
    report.write(layout.xml, 0);
    return layout;
}

}  // namespace

Layout generate(uint64_t seed)
{
    return Generator(seed).run(seed);
}

uint64_t seedOf(const std::string& input)
{
    std::string digits;
    for (char c : input)
        if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
    if (!digits.empty() && digits.size() <= 19 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::stoull(digits);
    // FNV-1a.
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : input) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

}  // namespace random_layout
