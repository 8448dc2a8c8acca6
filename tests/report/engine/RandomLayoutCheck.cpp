// The check: a report made by the generator is prepared over its tables,
// its pages are looked at as a reader would (LayoutCheck.h), and what they
// say is compared with what the report and its rows call for: the marks of
// every row once and in order, every text whole, every total equal to the
// rows it counts.
//
// What is expected comes from walking the report's bands over the rows as
// the engine does: groups break where their condition changes, footers see
// the row before the break (and, after the last row, that row), a
// footer of a single-row group may hide, bands shown again at the top of a
// page or column may repeat their marks until their group ends.
#include "RandomLayout.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "Database.h"
#include "LayoutCheck.h"
#include "Query.h"
#include "Streams.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpEngine.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpRich.h"
#include "rpShapes.h"

namespace random_layout {

std::string faultClass(const std::string& fault);

namespace {

using engine_test::PageArea;

using Row = std::map<std::string, std::string>;
using Rows = std::vector<Row>;

std::string stripped(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t') out += c;
    return out;
}

// At most `count` bytes of a UTF-8 text, cut between characters.
std::string head(const std::string& text, size_t count)
{
    if (text.size() <= count) return text;
    while (count > 0 && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) --count;
    return text.substr(0, count);
}

// The marks {...} of a text, in order.
std::vector<std::string> tokensOf(const std::string& text)
{
    std::vector<std::string> out;
    for (size_t from = 0;;) {
        const size_t open = text.find('{', from);
        if (open == std::string::npos) break;
        const size_t close = text.find('}', open);
        if (close == std::string::npos) break;
        out.push_back(text.substr(open + 1, close - open - 1));
        from = close + 1;
    }
    return out;
}

// A mark with "?" standing for any value of a total.
bool tokenMatches(const std::string& expected, const std::string& printed)
{
    std::istringstream e(expected), p(printed);
    std::string a, b;
    while (true) {
        const bool more = static_cast<bool>(e >> a);
        if (more != static_cast<bool>(p >> b)) return false;
        if (!more) return true;
        if (a == b) continue;
        const size_t q = a.find('?');
        if (q == std::string::npos || b.compare(0, q, a, 0, q) != 0) return false;
    }
}

// The text of a printed or drawn text object.
std::string textOf(const TrpComponent& object)
{
    if (const auto* memo = dynamic_cast<const TrpCustomMemoView*>(&object)) return Utf16ToUtf8(memo->Text());
    if (const auto* rich = dynamic_cast<const TrpRichView*>(&object)) return Utf16ToUtf8(rich->RichEdit()->Text());
    return {};
}

bool excludedKind(int kind)
{
    return kind == bkPageHeader || kind == bkPageFooter || kind == bkColumnHeader || kind == bkColumnFooter ||
           kind == bkOverlay;
}

// ---------------------------------------------------------------- aggregates in texts

struct Call {
    std::string text;  // as written, inside its brackets
    bool count = false;
    std::string band, dataset, field;
    // Running totals and the like: not what a footer of its rows shows.
    bool flags = false;
};

// The arguments of a call, split at the commas outside brackets and quotes.
std::vector<std::string> arguments(const std::string& args)
{
    std::vector<std::string> out(1);
    int depth = 0;
    char quote = 0;
    for (char c : args) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(' || c == '<' || c == '[') {
            ++depth;
        } else if (c == ')' || c == '>' || c == ']') {
            --depth;
        } else if (c == ',' && depth == 0) {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    for (std::string& a : out) a = Trim(a);
    return out;
}

// COUNT(Band) and SUM(<ds."field">, Band) between brackets.
std::vector<Call> callsOf(const std::string& text)
{
    std::vector<Call> out;
    for (size_t from = 0;;) {
        const size_t open = text.find('[', from);
        if (open == std::string::npos) break;
        const size_t close = text.find(']', open);
        if (close == std::string::npos) break;
        const std::string inner = text.substr(open + 1, close - open - 1);
        from = close + 1;
        Call call;
        call.text = inner;
        const size_t paren = inner.find('(');
        if (paren == std::string::npos || inner.back() != ')') continue;
        const std::string name = UpperCase(Trim(inner.substr(0, paren)));
        const std::vector<std::string> args = arguments(inner.substr(paren + 1, inner.size() - paren - 2));
        if (name == "COUNT") {
            call.count = true;
            call.band = args[0];
            call.flags = args.size() > 1 && args[1] != "0";
        } else if (name == "SUM" && args.size() >= 2) {
            const std::string& e = args[0];
            const size_t dot = e.find(".\"");
            if (e.size() < 5 || e.front() != '<' || e.compare(e.size() - 2, 2, "\">") != 0 || dot == std::string::npos)
                continue;
            call.dataset = Trim(e.substr(1, dot - 1));
            call.field = e.substr(dot + 2, e.size() - dot - 4);
            call.band = args[1];
            call.flags = args.size() > 2 && args[2] != "0";
        } else {
            continue;
        }
        out.push_back(call);
    }
    return out;
}

// ---------------------------------------------------------------- what was printed

struct PrintedObject {
    const TrpComponent* object;
    std::string text;
    bool content;
};

struct PrintedBand {
    int page = 0;
    int column = 0;
    const TrpBand* band = nullptr;
    const TrpBand* design = nullptr;
    std::string name;
    int kind = -1;
    std::vector<PrintedObject> objects;
};

struct Printed {
    std::vector<std::shared_ptr<TrpReportPage>> pages;
    std::vector<PageArea> areas;
    std::vector<PrintedBand> bands;
};

Printed collect(TrpReport& report, TrpPreviewPages& pages)
{
    Printed out;
    for (int i = 0; i < pages.GetCount(); ++i) {
        std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
        if (!page) continue;
        out.pages.push_back(page);
        out.areas.push_back(engine_test::pageArea(report, *page));
        const PageArea& area = out.areas.back();
        for (const TrpComponent* c : page->Objects()) {
            const auto* band = dynamic_cast<const TrpBand*>(c);
            if (!band) continue;
            PrintedBand b;
            b.page = i;
            b.band = band;
            b.name = band->Name();
            b.design = dynamic_cast<const TrpBand*>(report.FindObject(band->Name()));
            b.kind = b.design ? b.design->KindNumber() : -1;
            if (dynamic_cast<const TrpNullBand*>(band)) b.kind = -1;
            b.column = area.columns > 1 && !engine_test::pageWide(*band) ? area.columnOf(band->Left()) : 0;
            for (const TrpComponent* o : band->Objects()) {
                if (!o->Visible() || !dynamic_cast<const TrpView*>(o)) continue;
                PrintedObject p{o, textOf(*o), false};
                p.content = !engine_test::framesOnly(*o) && !engine_test::emptyText(*o) &&
                            !(dynamic_cast<const TrpRichView*>(o) && stripped(p.text).empty());
                b.objects.push_back(std::move(p));
            }
            out.bands.push_back(std::move(b));
        }
    }
    return out;
}

// ---------------------------------------------------------------- what is expected

struct Entry {
    std::string token;  // empty for a close mark
    std::string band;
    bool reprintable = false;
    // A close mark: these bands are not shown again from here on.
    std::vector<std::string> closes;
};

// The band tree of a page, as the engine builds it from the bands' places.
struct BandNode {
    const TrpDataBand* band = nullptr;
    const TrpBand* header = nullptr;
    const TrpBand* footer = nullptr;
    std::vector<std::pair<const TrpGroupHeader*, const TrpBand*>> groups;
    std::vector<BandNode> details;
};

class Simulation {
public:
    Simulation(TrpReport& report, const std::map<std::string, Rows>& tables) : report_(report), tables_(tables) {}

    void run();

    std::vector<Entry> sequence;
    // The report pages that print some mark.
    std::set<std::string> pagesWithMarks;
    // Per text object, the whole texts it prints in order (without blanks).
    std::map<std::string, std::deque<std::string>> wholes;

private:
    std::vector<BandNode> tree(const TrpReportPage& page);
    void page(const TrpReportPage& page);
    void dataBands(const std::vector<BandNode>& nodes);
    void dataBand(const BandNode& node);
    bool hasData(const BandNode& node);
    void groupHeaders(const BandNode& node, size_t from);
    void groupFooters(const BandNode& node, size_t from, int linesSince);
    // The band, what its subreports print, its children.
    void show(const TrpBand* band, bool reprintable = false);
    void subreport(const TrpReportPage* page);
    std::string expand(const std::string& text, const std::string& band);
    void resetTotals(const std::string& band);
    void feed(const TrpBand* band);
    std::string value(const std::string& dataset, const std::string& field) const;
    const Rows& table(const std::string& dataset) const;

    TrpReport& report_;
    const std::map<std::string, Rows>& tables_;
    std::map<std::string, const Row*> current_;
    // Running totals: footer band -> counted band -> count and sums.
    struct Totals {
        int count = 0;
        std::map<std::string, long long> sums;
    };
    std::map<std::string, std::map<std::string, Totals>> totals_;
    // The footers whose texts the engine collects totals for.
    std::set<std::string> collected_;
    std::set<const TrpReportPage*> subPages_;
    int depth_ = 0;
};

const Rows& Simulation::table(const std::string& dataset) const
{
    static const Rows none;
    const auto it = tables_.find(LowerCase(dataset));
    return it == tables_.end() ? none : it->second;
}

std::string Simulation::value(const std::string& dataset, const std::string& field) const
{
    const auto it = current_.find(LowerCase(dataset));
    if (it == current_.end() || !it->second) return {};
    const auto f = it->second->find(LowerCase(field));
    return f == it->second->end() ? std::string() : f->second;
}

std::vector<BandNode> Simulation::tree(const TrpReportPage& page)
{
    // Bands 4..13 by their tops; of two at one place the first.
    std::vector<const TrpBand*> list;
    std::set<int64_t> keys;
    std::vector<std::pair<int64_t, const TrpBand*>> sorted;
    for (const TrpComponent* c : page.Objects()) {
        const auto* b = dynamic_cast<const TrpBand*>(c);
        if (!b || b->Vertical || b->KindNumber() < bkHeader || b->KindNumber() > bkGroupFooter) continue;
        const Extended hundredths = b->Top() * 100;
        const int64_t key = static_cast<int64_t>(hundredths < 0 ? -std::floor(-hundredths + 0.5L) : std::floor(hundredths + 0.5L));
        if (!keys.insert(key).second) continue;
        sorted.emplace_back(key, b);
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [key, b] : sorted) list.push_back(b);

    const auto isData = [](const TrpBand* b) { return b->KindNumber() >= bkMasterData && b->KindNumber() <= bkDataBand6; };
    std::map<const TrpBand*, std::vector<const TrpGroupHeader*>> chains;
    std::vector<bool> gone(list.size(), false);
    for (size_t i = 0; i < list.size();) {
        if (list[i]->KindNumber() != bkGroupHeader) {
            ++i;
            continue;
        }
        std::vector<const TrpGroupHeader*> chain;
        while (i < list.size() && list[i]->KindNumber() == bkGroupHeader)
            chain.push_back(static_cast<const TrpGroupHeader*>(list[i++]));
        while (i < list.size() && !isData(list[i])) ++i;
        if (i < list.size()) chains[list[i]] = chain;
    }
    std::map<const TrpGroupHeader*, const TrpBand*> groupFooters;
    std::vector<const TrpGroupHeader*> unbound;
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->KindNumber() == bkGroupHeader) {
            unbound.push_back(static_cast<const TrpGroupHeader*>(list[i]));
            gone[i] = true;
        } else if (list[i]->KindNumber() == bkGroupFooter) {
            if (!unbound.empty()) {
                groupFooters[unbound.back()] = list[i];
                unbound.pop_back();
            }
            gone[i] = true;
        }
    }
    std::vector<const TrpBand*> rest;
    for (size_t i = 0; i < list.size(); ++i)
        if (!gone[i]) rest.push_back(list[i]);
    std::map<const TrpBand*, const TrpBand*> headers, footers;
    std::vector<const TrpBand*> bands;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (!isData(rest[i])) continue;
        if (i > 0 && rest[i - 1]->KindNumber() == bkHeader) headers[rest[i]] = rest[i - 1];
        if (i + 1 < rest.size() && rest[i + 1]->KindNumber() == bkFooter) footers[rest[i]] = rest[i + 1];
    }
    for (const TrpBand* b : rest)
        if (isData(b)) bands.push_back(b);

    const std::function<BandNode(size_t)> node = [&](size_t i) {
        BandNode n;
        n.band = static_cast<const TrpDataBand*>(bands[i]);
        n.header = headers.count(bands[i]) ? headers[bands[i]] : nullptr;
        n.footer = footers.count(bands[i]) ? footers[bands[i]] : nullptr;
        for (const TrpGroupHeader* g : chains[bands[i]])
            n.groups.emplace_back(g, groupFooters.count(g) ? groupFooters[g] : nullptr);
        const int kind = bands[i]->KindNumber();
        if (kind == bkDataBand6) return n;
        for (size_t k = i + 1; k < bands.size(); ++k) {
            const int other = bands[k]->KindNumber();
            if (other <= kind) break;
            if (other == kind + 1 && !static_cast<const TrpDataBand*>(bands[k])->DataSetName().empty())
                n.details.push_back(node(k));
        }
        return n;
    };
    std::vector<BandNode> masters;
    for (size_t i = 0; i < bands.size(); ++i)
        if (bands[i]->KindNumber() == bkMasterData && !static_cast<const TrpDataBand*>(bands[i])->DataSetName().empty())
            masters.push_back(node(i));
    return masters;
}

void Simulation::run()
{
    std::vector<const TrpReportPage*> pages;
    for (const TrpComponent* c : report_.Objects())
        if (const auto* p = dynamic_cast<const TrpReportPage*>(c)) pages.push_back(p);
    // Pages printed by subreports are not printed on their own.
    const std::function<void(const TrpComponent*)> findSubreports = [&](const TrpComponent* c) {
        if (const auto* s = dynamic_cast<const TrpSubreport*>(c); s && s->Page()) subPages_.insert(s->Page());
        for (const TrpComponent* child : c->Objects()) findSubreports(child);
    };
    findSubreports(&report_);
    // The footers whose totals are collected: those of data bands and
    // groups, and on a page with data bands its page and column footer and
    // summary.
    for (const TrpReportPage* p : pages) {
        const std::function<void(const std::vector<BandNode>&)> walk = [&](const std::vector<BandNode>& nodes) {
            for (const BandNode& n : nodes) {
                if (n.footer) collected_.insert(n.footer->Name());
                for (const auto& [g, f] : n.groups)
                    if (f) collected_.insert(f->Name());
                walk(n.details);
            }
        };
        const std::vector<BandNode> masters = tree(*p);
        walk(masters);
        if (masters.empty()) continue;
        for (const TrpComponent* c : p->Objects())
            if (const auto* b = dynamic_cast<const TrpBand*>(c);
                b && (b->KindNumber() == bkPageFooter || b->KindNumber() == bkColumnFooter ||
                      b->KindNumber() == bkReportSummary))
                collected_.insert(b->Name());
    }
    for (const TrpReportPage* p : pages)
        if (!subPages_.count(p) && p->Visible()) page(*p);
}

void Simulation::page(const TrpReportPage& p)
{
    const TrpBand *title = nullptr, *summary = nullptr;
    for (const TrpComponent* c : p.Objects()) {
        const auto* b = dynamic_cast<const TrpBand*>(c);
        if (!b) continue;
        if (b->KindNumber() == bkReportTitle && !title) title = b;
        if (b->KindNumber() == bkReportSummary && !summary) summary = b;
    }
    const auto texts = [&] {
        size_t n = 0;
        for (const auto& [name, list] : wholes) n += list.size();
        return n;
    };
    const size_t before = sequence.size(), textsBefore = texts();
    show(title);
    dataBands(tree(p));
    show(summary);
    if (texts() > textsBefore || std::any_of(sequence.begin() + static_cast<long>(before), sequence.end(),
                                             [](const Entry& e) { return !e.token.empty(); }))
        pagesWithMarks.insert(p.Name());
}

void Simulation::dataBands(const std::vector<BandNode>& nodes)
{
    for (const BandNode& n : nodes) dataBand(n);
}

bool Simulation::hasData(const BandNode& node)
{
    if (node.band->PrintIfDetailEmpty || node.details.empty()) return true;
    for (const BandNode& d : node.details) {
        const std::string ds = LowerCase(d.band->DataSetName());
        const Row* saved = current_[ds];
        bool found = false;
        for (const Row& row : table(ds)) {
            current_[ds] = &row;
            if ((found = hasData(d))) break;
        }
        current_[ds] = saved;
        if (found) return true;
    }
    return false;
}

void Simulation::dataBand(const BandNode& node)
{
    const std::string ds = LowerCase(node.band->DataSetName());
    const Rows& rows = table(ds);
    bool first = true;
    int linesSince = 0;
    std::vector<std::string> last(node.groups.size());
    const auto condition = [&](size_t level) {
        // A field of the band's dataset, as the generator writes it.
        const std::string c = node.groups[level].first->Condition;
        const size_t dot = c.find(".\"");
        if (dot == std::string::npos || c.size() < dot + 3) return c;
        return value(Trim(c.substr(0, dot)), c.substr(dot + 2, c.size() - dot - 3));
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        current_[ds] = &rows[i];
        if (!hasData(node)) continue;
        if (first) show(node.header, node.header && static_cast<const TrpHeader*>(node.header)->ReprintOnNewPage);
        if (!node.groups.empty()) {
            if (first) {
                for (size_t k = 0; k < node.groups.size(); ++k) last[k] = condition(k);
                groupHeaders(node, 0);
            } else {
                for (size_t k = 0; k < node.groups.size(); ++k) {
                    if (condition(k) == last[k]) continue;
                    current_[ds] = &rows[i - 1];
                    groupFooters(node, k, linesSince);
                    current_[ds] = &rows[i];
                    for (size_t j = k; j < node.groups.size(); ++j) last[j] = condition(j);
                    groupHeaders(node, k);
                    linesSince = 0;
                    break;
                }
            }
        }
        show(node.band);
        feed(node.band);
        ++linesSince;
        dataBands(node.details);
        first = false;
    }
    // Past the last row the fields read the last row.
    if (first) return;
    if (!node.groups.empty()) groupFooters(node, 0, linesSince);
    show(node.footer);
    if (node.header) sequence.push_back({"", "", false, {node.header->Name()}});
}

void Simulation::groupHeaders(const BandNode& node, size_t from)
{
    for (size_t k = from; k < node.groups.size(); ++k) show(node.groups[k].first, node.groups[k].first->ReprintOnNewPage);
}

void Simulation::groupFooters(const BandNode& node, size_t from, int linesSince)
{
    for (size_t k = node.groups.size(); k-- > from;) {
        const auto& [header, footer] = node.groups[k];
        if (footer) {
            const auto* f = dynamic_cast<const TrpGroupFooter*>(footer);
            if (f && f->HideIfSingleDataRecord && linesSince <= 1)
                resetTotals(footer->Name());
            else
                show(footer);
        }
        Entry close;
        for (const TrpBand* b = header; b; b = b->Child()) close.closes.push_back(b->Name());
        sequence.push_back(close);
    }
}

std::string Simulation::expand(const std::string& text, const std::string& band)
{
    std::string out;
    size_t from = 0;
    while (true) {
        const size_t open = text.find('[', from);
        if (open == std::string::npos) break;
        const size_t close = text.find(']', open);
        if (close == std::string::npos) break;
        out += text.substr(from, open - from);
        const std::string inner = text.substr(open + 1, close - open - 1);
        from = close + 1;
        const std::vector<Call> calls = callsOf("[" + inner + "]");
        if (!calls.empty()) {
            const Call& call = calls.front();
            if (!collected_.count(band) || !report_.FindObject(call.band) || call.flags) {
                out += collected_.count(band) ? "?" : "";
                continue;
            }
            const Totals& t = totals_[band][LowerCase(call.band)];
            if (call.count) {
                out += std::to_string(t.count);
            } else {
                const auto it = t.sums.find(LowerCase(call.dataset) + "." + LowerCase(call.field));
                out += std::to_string(it == t.sums.end() ? 0 : it->second);
            }
            continue;
        }
        const size_t dot = inner.find(".\"");
        if (dot != std::string::npos && inner.size() > dot + 3 && inner.back() == '"') {
            out += value(Trim(inner.substr(0, dot)), inner.substr(dot + 2, inner.size() - dot - 3));
            continue;
        }
        out += "?";
    }
    return out + text.substr(from);
}

void Simulation::resetTotals(const std::string& band)
{
    totals_.erase(band);
}

// The row of a data band goes into every total that counts that band.
void Simulation::feed(const TrpBand* band)
{
    for (const std::string& footer : collected_) {
        const TrpComponent* f = report_.FindObject(footer);
        if (!f) continue;
        std::vector<const TrpComponent*> objects;
        for (const TrpBand* b = dynamic_cast<const TrpBand*>(f); b; b = b->Child())
            for (const TrpComponent* o : b->Objects()) objects.push_back(o);
        for (const TrpComponent* o : objects) {
            for (const Call& call : callsOf(textOf(*o))) {
                if (LowerCase(call.band) != LowerCase(band->Name())) continue;
                Totals& t = totals_[footer][LowerCase(call.band)];
                if (call.count) {
                    ++t.count;
                } else {
                    const std::string v = value(call.dataset, call.field);
                    t.sums[LowerCase(call.dataset) + "." + LowerCase(call.field)] += v.empty() ? 0 : std::stoll(v);
                }
            }
        }
    }
}

void Simulation::show(const TrpBand* band, bool reprintable)
{
    if (!band || !band->Visible()) return;
    // Each call appears once per band: a band counts its rows once.
    // What inline subreports print follows the band's own objects; the
    // others print after the band.
    std::vector<const TrpSubreport*> inside, apart;
    for (const TrpComponent* o : band->Objects()) {
        if (!o->Visible()) continue;
        if (const auto* s = dynamic_cast<const TrpSubreport*>(o)) {
            if (!s->PrintOnParent)
                apart.push_back(s);
            else if (depth_ == 0)
                inside.push_back(s);
            continue;
        }
        const std::string design = textOf(*o);
        if (design.empty()) continue;
        const std::string text = expand(design, band->Name());
        for (const std::string& token : tokensOf(text)) sequence.push_back({token, band->Name(), reprintable, {}});
        if (!Trim(design).empty() && Trim(design)[0] == '(') wholes[o->Name()].push_back(stripped(text));
    }
    for (const TrpSubreport* s : inside) subreport(s->Page());
    if (collected_.count(band->Name())) resetTotals(band->Name());
    for (const TrpSubreport* s : apart) subreport(s->Page());
    if (const TrpBand* child = band->Child()) show(child, reprintable);
}

void Simulation::subreport(const TrpReportPage* p)
{
    if (!p || depth_ > 4) return;
    ++depth_;
    dataBands(tree(*p));
    --depth_;
}

// ---------------------------------------------------------------- the checks

class Checker {
public:
    Checker(TrpReport& report, Printed& printed, const std::map<std::string, Rows>& tables)
        : report_(report), printed_(printed), tables_(tables)
    {
    }
    void sequence(const Simulation& simulation);
    void wholes(Simulation& simulation);
    void pageTotals();
    void blankPages(const Simulation& simulation);
    void keptTallRows();

    std::vector<std::string> faults;

private:
    std::string where(const PrintedBand& b) const
    {
        return "page " + std::to_string(b.page + 1) + (b.column ? " column " + std::to_string(b.column + 1) : "") +
               " " + b.name + " @" + FloatToStr(b.band->Left()) + "," + FloatToStr(b.band->Top());
    }

    TrpReport& report_;
    Printed& printed_;
    const std::map<std::string, Rows>& tables_;
    // Bands shown only again at a page or column start.
    std::set<const TrpBand*> reprinted_;
};

void Checker::sequence(const Simulation& simulation)
{
    const std::vector<Entry>& expected = simulation.sequence;
    size_t at = 0;
    // Band -> marks it may show again: a band shown again at the top of a
    // page or column repeats until the mark after its group's end prints.
    std::map<std::string, std::set<std::string>> open;
    const auto nextMark = [&](size_t from) {
        while (from < expected.size() && expected[from].token.empty()) ++from;
        return from;
    };
    for (const PrintedBand& b : printed_.bands) {
        if (b.kind < 0 || excludedKind(b.kind)) continue;
        bool all = true, any = false;
        for (const PrintedObject& o : b.objects) {
            for (const std::string& token : tokensOf(o.text)) {
                const size_t next = nextMark(at);
                if (next < expected.size() && tokenMatches(expected[next].token, token)) {
                    for (; at < next; ++at)
                        for (const std::string& closed : expected[at].closes) open.erase(closed);
                    if (expected[at].reprintable) open[expected[at].band].insert(expected[at].token);
                    ++at;
                    any = true;
                    all = false;
                    continue;
                }
                const auto it = open.find(b.name);
                if (it != open.end() && std::any_of(it->second.begin(), it->second.end(),
                                                    [&](const std::string& e) { return tokenMatches(e, token); })) {
                    any = true;
                    continue;
                }
                faults.push_back(where(b) + " prints {" + token + "}, expected " +
                                 (next < expected.size() ? "{" + expected[next].token + "}" : std::string("nothing more")) +
                                 " (sequence)");
                return;
            }
        }
        if (any && all) reprinted_.insert(b.band);
    }
    const size_t next = nextMark(at);
    if (next < expected.size())
        faults.push_back("{" + expected[next].token + "} of " + expected[next].band + " and what follows it are missing (sequence)");
}

void Checker::wholes(Simulation& simulation)
{
    // Every text object whose text starts with a mark: its parts, in
    // order, make whole texts, "(R17 " ... " R17)".
    struct Open {
        std::string text, end;
        const PrintedBand* band;
    };
    std::map<std::string, Open> current;
    std::map<std::string, std::deque<std::string>> done;
    for (const PrintedBand& b : printed_.bands) {
        for (const PrintedObject& o : b.objects) {
            const std::string name = o.object->Name();
            if (!simulation.wholes.count(name)) continue;
            const std::string part = stripped(o.text);
            const auto it = current.find(name);
            if (part.empty() && it == current.end()) continue;
            if (!part.empty() && part[0] == '(') {
                if (it != current.end())
                    faults.push_back(where(*it->second.band) + "." + name + " text \"" + head(it->second.text, 40) +
                                     "...\" stops before its end (text whole)");
                const std::string raw = Trim(o.text);
                const size_t space = raw.find_first_of(" \r\n");
                current[name] = {part, raw.substr(1, space == std::string::npos ? raw.size() - 1 : space - 1) + ")", &b};
            } else if (it == current.end()) {
                faults.push_back(where(b) + "." + name + " prints \"" + head(part, 40) +
                                 "...\" that belongs to no text (text whole)");
                continue;
            } else {
                it->second.text += part;
            }
            const Open& open = current[name];
            if (open.text.size() > open.end.size() + 1 &&
                open.text.compare(open.text.size() - open.end.size(), open.end.size(), open.end) == 0) {
                done[name].push_back(open.text);
                current.erase(name);
            }
        }
    }
    for (const auto& [name, open] : current)
        faults.push_back(where(*open.band) + "." + name + " text \"" + head(open.text, 40) + "...\" never ends (text whole)");
    for (auto& [name, expected] : simulation.wholes) {
        std::deque<std::string>& got = done[name];
        for (size_t i = 0; i < std::min(expected.size(), got.size()); ++i) {
            if (expected[i] == got[i]) continue;
            faults.push_back(name + " prints \"" + head(got[i], 60) + "\" where \"" + head(expected[i], 60) +
                             "\" was due (text whole)");
            break;
        }
    }
}

// Page and column totals count the rows printed on their page or in their
// column. A row split across pages counts on the page its first part
// holding text printed on, or, taken once the row is done, on the page of
// its last part.
void Checker::pageTotals()
{
    // Rows of a kept block that moves on take back only what page footers
    // counted of them: column footers keep them where they first printed.
    bool keeps = false;
    const std::function<void(const TrpComponent*)> findKeeps = [&](const TrpComponent* c) {
        if (const auto* b = dynamic_cast<const TrpBand*>(c); b && b->KeepChild) keeps = true;
        if (const auto* d = dynamic_cast<const TrpDataBand*>(c); d && (d->KeepTogether || d->KeepHeader || d->KeepFooter))
            keeps = true;
        if (const auto* g = dynamic_cast<const TrpGroupHeader*>(c); g && g->KeepTogether) keeps = true;
        for (const TrpComponent* child : c->Objects()) findKeeps(child);
    };
    findKeeps(&report_);
    struct Home {
        std::string id;
        int page = -1, column = 0, lastPage = -1, lastColumn = 0;
        long long qty = 0;
        std::map<std::string, long long> values;
    };
    // Per counted band: its rows' homes.
    std::map<std::string, std::vector<Home>> homes;
    const auto rowsOf = [&](const std::string& bandName) -> std::vector<Home>* {
        const auto* design = dynamic_cast<const TrpDataBand*>(report_.FindObject(bandName));
        if (!design) return nullptr;
        if (homes.count(bandName)) return &homes[bandName];
        // The key mark of the band's rows: "{R" followed by the row id.
        std::string prefix, idField;
        for (const TrpComponent* o : design->Objects()) {
            const std::string text = textOf(*o);
            const size_t open = text.find('{'), field = text.find("[");
            if (open == std::string::npos || field == std::string::npos || field < open) continue;
            prefix = text.substr(open + 1, field - open - 1);
            const size_t dot = text.find(".\"", field);
            if (dot == std::string::npos) continue;
            idField = text.substr(dot + 2, text.find('"', dot + 2) - dot - 2);
            break;
        }
        if (prefix.empty() || LowerCase(idField) != "id") return nullptr;
        const auto table = tables_.find(LowerCase(design->DataSetName()));
        if (table == tables_.end()) return nullptr;
        std::map<std::string, const Row*> byId;
        for (const Row& r : table->second) byId[r.at("id")] = &r;
        std::set<std::string> children;
        for (const TrpBand* c = design->Child(); c; c = c->Child()) children.insert(c->Name());
        std::vector<Home>& list = homes[bandName];
        Home* row = nullptr;
        for (const PrintedBand& b : printed_.bands) {
            const bool own = b.name == bandName;
            if (!own && !children.count(b.name)) continue;
            bool content = false;
            for (const PrintedObject& o : b.objects) {
                content = content || o.content;
                if (!own) continue;
                // A row starts with its key, or with the start of one of its
                // texts when the key went on to the next part: "(R17 ".
                std::vector<std::string> marks = tokensOf(o.text);
                const std::string text = Trim(o.text);
                if (!text.empty() && text[0] == '(') marks.push_back(text.substr(1, text.find_first_of(" \r\n") - 1));
                for (const std::string& mark : marks) {
                    if (mark.compare(0, prefix.size(), prefix) != 0) continue;
                    const auto r = byId.find(mark.substr(prefix.size()));
                    if (r == byId.end() || (row && row->id == r->first)) continue;
                    list.push_back({});
                    row = &list.back();
                    row->id = r->first;
                    for (const auto& [k, v] : *r->second)
                        if (!v.empty() && std::all_of(v.begin(), v.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                            row->values[k] = std::stoll(v);
                }
            }
            if (!row) continue;
            if (own && content && row->page < 0) {
                row->page = b.page;
                row->column = b.column;
            }
            row->lastPage = b.page;
            row->lastColumn = b.column;
        }
        return &list;
    };
    for (const PrintedBand& b : printed_.bands) {
        if (b.kind != bkPageFooter && b.kind != bkColumnFooter) continue;
        const bool column = b.kind == bkColumnFooter;
        if (column && keeps) continue;
        for (const PrintedObject& o : b.objects) {
            const TrpComponent* design = report_.FindObject(o.object->Name());
            if (!design) continue;
            const std::vector<Call> calls = callsOf(textOf(*design));
            if (calls.empty()) continue;
            const std::vector<std::string> printedTokens = tokensOf(o.text);
            if (printedTokens.empty()) continue;
            // The expected text under either rule.
            std::string first = textOf(*design), last = first;
            bool known = true;
            for (const Call& call : calls) {
                const std::vector<Home>* rows = call.flags ? nullptr : rowsOf(call.band);
                if (!rows) {
                    known = false;
                    break;
                }
                long long a = 0, z = 0;
                for (const Home& h : *rows) {
                    const long long v = call.count ? 1 : (h.values.count(LowerCase(call.field)) ? h.values.at(LowerCase(call.field)) : 0);
                    if (h.page == b.page && (!column || h.column == b.column)) a += v;
                    if (h.lastPage == b.page && (!column || h.lastColumn == b.column)) z += v;
                }
                const std::string key = "[" + call.text + "]";
                first.replace(first.find(key), key.size(), std::to_string(a));
                last.replace(last.find(key), key.size(), std::to_string(z));
            }
            if (!known) continue;
            const std::string got = printedTokens.front();
            const std::vector<std::string> a = tokensOf(first), z = tokensOf(last);
            if ((!a.empty() && a.front() == got) || (!z.empty() && z.front() == got)) continue;
            faults.push_back(where(b) + " prints {" + got + "}, the rows " + (column ? "in its column" : "on its page") +
                             " make {" + (a.empty() ? "" : a.front()) + "} (total)");
        }
    }
}

// A kept group whose row is taller than an empty page cannot be held on
// one page: it is given up where it stands, and prints across the break.
// Moved on to a new page it leaves the foot of the page before empty.
void Checker::keptTallRows()
{
    const auto& bands = printed_.bands;
    for (size_t i = 0; i < bands.size(); ++i) {
        const auto* header = dynamic_cast<const TrpGroupHeader*>(bands[i].design);
        // One that asks for a new page is first on it by design.
        if (!header || !header->KeepTogether || header->StartNewPage || reprinted_.count(bands[i].band)) continue;
        const PrintedBand& h = bands[i];
        // The row after the header, and whether it splits across pages.
        size_t row = i + 1;
        while (row < bands.size() && (bands[row].kind == bkGroupHeader || bands[row].kind == bkHeader ||
                                      excludedKind(bands[row].kind)))
            ++row;
        if (row >= bands.size() || bands[row].kind < bkMasterData || bands[row].kind > bkDataBand6) continue;
        bool split = false;
        Extended rowHeight = bands[row].band->Height();
        for (size_t k = row + 1; k < bands.size(); ++k) {
            if (bands[k].name == bands[row].name &&
                std::none_of(bands[k].objects.begin(), bands[k].objects.end(),
                             [](const PrintedObject& o) { return !tokensOf(o.text).empty(); })) {
                split = split || bands[k].page != h.page || bands[k].column != h.column;
                rowHeight += bands[k].band->Height();
            } else if (!excludedKind(bands[k].kind) && !reprinted_.count(bands[k].band)) {
                break;
            }
        }
        if (!split) continue;
        // First on its page or column, after what every page starts with?
        bool first = true;
        size_t before = i;
        while (before-- > 0 && bands[before].page == h.page && first) {
            if (bands[before].column != h.column) continue;
            if (!excludedKind(bands[before].kind) && !reprinted_.count(bands[before].band)) first = false;
        }
        if (!first) continue;
        // What the page or column before left free at its foot.
        Extended bottom = -1, foot = 0;
        const int page = h.column > 0 ? h.page : h.page - 1;
        const int column = h.column > 0 ? h.column - 1 : -1;
        if (page < 0) continue;
        const PageArea& area = printed_.areas[static_cast<size_t>(page)];
        foot = area.height;
        for (const PrintedBand& b : bands) {
            if (b.page != page || (column >= 0 && b.column != column)) continue;
            if (b.kind == bkPageFooter || b.kind == bkColumnFooter)
                foot = std::min(foot, b.band->Top());
            else if (b.kind != bkOverlay && b.kind >= 0)
                bottom = std::max(bottom, b.band->Top() + b.band->Height());
        }
        if (bottom < 0) continue;
        const Extended free = foot - bottom;
        // The block moves whole when the foot could not take its headers
        // and a first line of the row under them.
        Extended heads = 0;
        for (size_t k = i; k < row; ++k)
            if (!excludedKind(bands[k].kind)) heads += bands[k].band->Height();
        if (free < heads + 20 || free < area.height / 4) continue;
        // Taller than a page is measured against the printable height
        // less the footers, whatever headers a page starts with.
        if (heads + rowHeight <= foot + engine_test::kLayoutTolerance) continue;
        // A row that may not split and fits a page goes on to the next page
        // in any case; its headers go with it rather than stay behind.
        const auto* rowDesign = bands[row].design;
        if (rowDesign && !rowDesign->AllowSplit && rowHeight <= foot + engine_test::kLayoutTolerance) continue;
        faults.push_back(where(h) + " kept with a row taller than a page moved on, leaving " + FloatToStr(free) +
                         " free at the foot of page " + std::to_string(page + 1) + " (kept block)");
    }
}

void Checker::blankPages(const Simulation& simulation)
{

    std::vector<bool> holds(printed_.pages.size(), false);
    for (const PrintedBand& b : printed_.bands) {
        if (b.kind < 0 || excludedKind(b.kind) || reprinted_.count(b.band)) continue;
        if (std::any_of(b.objects.begin(), b.objects.end(), [](const PrintedObject& o) { return o.content; }))
            holds[static_cast<size_t>(b.page)] = true;
    }
    // A band that asks for a new page gets one, even after a page that
    // holds nothing.
    std::vector<bool> asked(printed_.pages.size() + 1, false);
    std::vector<bool> seen(printed_.pages.size() + 1, false);
    for (const PrintedBand& b : printed_.bands) {
        if (b.kind < 0 || excludedKind(b.kind) || seen[static_cast<size_t>(b.page)]) continue;
        seen[static_cast<size_t>(b.page)] = true;
        asked[static_cast<size_t>(b.page)] = b.design && b.design->StartNewPage;
    }
    // A report page with nothing to print prints its headers alone.
    for (size_t i = 0; i < holds.size(); ++i)
        if (!holds[i] && !asked[i + 1] && simulation.pagesWithMarks.count(printed_.pages[i]->Name())) faults.push_back("page " + std::to_string(i + 1) + " holds nothing but headers and footers (blank page)");
}

// ---------------------------------------------------------------- the run

struct Run {
    db::Database database{":memory:", db::Database::OpenMode::ReadWriteCreate};
    std::vector<std::unique_ptr<db::Query>> queries;
    std::unique_ptr<TComponent> form = std::make_unique<TComponent>();
    TrpReport* report = nullptr;
    std::map<std::string, Rows> tables;
    std::string loadErrors;

    explicit Run(const Layout& layout)
    {
        database.executeScript(layout.sql);
        form->SetName("fmain");
        for (const auto& [name, sql] : layout.datasets) {
            queries.push_back(std::make_unique<db::Query>(database, "Query" + name));
            queries.back()->setSql(sql);
            auto* ds = new TrpDBDataset(form.get());
            ds->SetName(name);
            ds->SetDataSet(queries.back().get());
            // The rows as the database holds them, for the check.
            db::Query q(database);
            q.setSql(sql);
            q.open();
            Rows& rows = tables[LowerCase(name)];
            while (!q.eof()) {
                Row row;
                for (int i = 0; i < q.fieldCount(); ++i) row[LowerCase(q.fieldDef(i).name)] = q.field(i).asString();
                rows.push_back(std::move(row));
                q.next();
            }
        }
        report = new TrpReport(form.get());
        report->SetName("rpReport1");
        // Errors go to the report's list, never to a box.
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
        TStringStream in{std::string(layout.xml)};
        report->LoadFromStream(in);
        loadErrors = report->Errors.Text();
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
        for (int i = 0; i < form->ComponentCount(); ++i) {
            auto* ds = dynamic_cast<TrpDBDataset*>(form->Components(i));
            if (ds && !report->DataSets()->FindByDataSet(ds)) report->DataSets()->Add()->SetDataSet(ds);
        }
    }
    ~Run() { form.reset(); }
};

// A page whose headers and footers leave a band less room than it needs
// stops the run with an error naming them ("no room is left for it", or
// "the page leaves too little room for it" when a part of it that cannot
// be split would be cut): right when the room the error names is less
// than the band, or than such a part of it.
bool noRoomForBand(TrpReport& report, const std::string& errors)
{
    const std::string trimmed = Trim(errors);
    const size_t colon = trimmed.find(": ");
    if (colon == std::string::npos || trimmed.find('\n') != std::string::npos) return false;
    std::string rest = trimmed.substr(colon + 2);
    bool whole = false;
    for (const char* phrase : {"no room is left for it on the page", "the page leaves too little room for it"}) {
        if (rest.compare(0, std::strlen(phrase), phrase) != 0) continue;
        whole = std::string(phrase).find("no room") == 0;
        rest = rest.substr(std::strlen(phrase));
        break;
    }
    if (rest.size() == trimmed.size() - colon - 2) return false;
    const auto* band = dynamic_cast<const TrpBand*>(report.FindObject(trimmed.substr(0, colon)));
    const auto* page = band ? dynamic_cast<const TrpReportPage*>(band->Parent()) : nullptr;
    if (!page) return false;
    Extended room = (page->PaperHeight() - page->TopMargin - page->BottomMargin) * rp01cm;
    for (const char* word : {" under ", " and above ", " above ", ","})
        for (size_t w; (w = rest.find(word)) != std::string::npos;) rest.replace(w, std::strlen(word), " ");
    std::istringstream list(rest);
    for (std::string name; list >> name;)
        if (const auto* b = dynamic_cast<const TrpBand*>(report.FindObject(name))) room -= b->Height();
    // What cannot be split: the band, or its objects of a fixed height;
    // the rows an inline subreport prints into it keep the height they
    // grew to there, which only the run knows.
    Extended needs = whole ? band->Height() : 0;
    for (const TrpComponent* o : band->Objects()) {
        if (const auto* sub = dynamic_cast<const TrpSubreport*>(o); sub && sub->PrintOnParent && !whole) return true;
        const auto* stretchable = dynamic_cast<const TrpStretcheable*>(o);
        if (!o->Visible() || !dynamic_cast<const TrpView*>(o) || engine_test::framesOnly(*o) ||
            (stretchable && stretchable->StretchMode() != smDontStretch))
            continue;
        needs = std::max(needs, o->Top() + o->Height());
    }
    return room < needs - engine_test::kLayoutTolerance;
}

}  // namespace

Outcome check(const Layout& layout)
{
    Outcome out;
    Run run(layout);
    if (!run.loadErrors.empty()) {
        out.errors = run.loadErrors;
        out.faults.push_back("the report did not load: " + Trim(out.errors) + " (not loaded)");
        return out;
    }
    out.prepared = run.report->PrepareReport(true);
    out.errors = run.report->Errors.Text();
    auto& pages = *static_cast<TrpPreviewPages*>(run.report->PreviewPages());
    out.pages = pages.GetCount();
    out.dump = DumpPreparedPages(pages, true);
    if (!out.prepared) {
        if (!noRoomForBand(*run.report, out.errors))
            out.faults.push_back("the report did not prepare: " + Trim(out.errors) + " (not prepared)");
        return out;
    }
    for (std::string& fault : engine_test::layoutFaults(*run.report, pages)) out.faults.push_back(std::move(fault));
    Printed printed = collect(*run.report, pages);
    Simulation simulation(*run.report, run.tables);
    simulation.run();
    Checker checker(*run.report, printed, run.tables);
    checker.sequence(simulation);
    checker.wholes(simulation);
    checker.pageTotals();
    checker.blankPages(simulation);
    checker.keptTallRows();
    for (std::string& fault : checker.faults) out.faults.push_back(std::move(fault));
    return out;
}

std::string faultKind(const std::string& fault)
{
    // What the fault is about: the band or object it names first after its
    // page (and column), e.g. "Group1.GroupKey1".
    std::string subject;
    {
        std::istringstream words(fault);
        std::string word;
        if (words >> word && word == "page" && words >> word) {
            words >> word;
            if (word == "column") words >> word >> word;
            subject = " " + word;
        }
    }
    return faultClass(fault) + subject;
}

std::string faultClass(const std::string& fault)
{
    static const char* const kinds[] = {"(not loaded)", "(not prepared)", "(sequence)", "(text whole)", "(total)", "(blank page)", "(kept block)",
                                        "holds only its frame", "below the printable", "beyond the", "left of or above",
                                        "shows part of its lines", "holds not one whole line", "high, drawn", " over "};
    for (const char* kind : kinds) {
        if (fault.find(kind) == std::string::npos) continue;
        // A report that does not prepare fails the same way with the same
        // message, whatever it names.
        if (std::string(kind) == "(not prepared)") {
            const size_t colon = fault.find(": ", fault.find("prepare: ") + 9);
            return std::string(kind) + (colon == std::string::npos ? "" : fault.substr(colon, 22));
        }
        return kind;
    }
    return "other";
}

}  // namespace random_layout
