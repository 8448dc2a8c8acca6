// The shrinker: a failing report loses bands, objects, properties and rows
// one at a time for as long as it still fails the same way, so that what is
// handed on holds only what the fault needs.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "RandomLayout.h"
#include "RandomLayoutXml.h"

namespace random_layout {

namespace {

// Where an element is: child indexes from the root.
using Path = std::vector<size_t>;

void paths(const XmlNode& n, Path& at, std::vector<Path>& out)
{
    for (size_t i = 0; i < n.children.size(); ++i) {
        at.push_back(i);
        out.push_back(at);
        paths(n.children[i], at, out);
        at.pop_back();
    }
}

XmlNode& nodeAt(XmlNode& root, const Path& path)
{
    XmlNode* n = &root;
    for (size_t i : path) n = &n->children[i];
    return *n;
}

// What keeps a report readable and loadable: names, places, texts, the
// links between objects.
bool keptAttribute(const std::string& key)
{
    static const char* const kept[] = {"Name", "Left", "Top", "Width", "Height", "Text", "DataSetName", "Page",
                                       "Condition", "Stretched", "ColumnWidth", "ColumnGap", "PaperWidth", "PaperHeight", "PaperSize", "ScriptLanguage"};
    for (const char* k : kept)
        if (key == k) return true;
    return false;
}

class Shrinker {
public:
    Shrinker(const Layout& layout, std::string kind) : best_(layout), kind_(std::move(kind)) {}

    Layout run()
    {
        if (!parseReport(best_.xml, root_)) return best_;
        splitRows();
        for (bool changed = true; changed;) {
            changed = false;
            changed = dropRows() || changed;
            changed = dropElements() || changed;
            changed = dropAttributes() || changed;
            changed = shortenNotes() || changed;
            changed = shortenTexts() || changed;
        }
        return best_;
    }

private:
    bool fails(const XmlNode& root, const std::vector<std::string>& rows)
    {
        Layout candidate = best_;
        candidate.xml = toXml(root);
        candidate.sql = joinRows(rows);
        const Outcome outcome = check(candidate);
        for (const std::string& fault : outcome.faults)
            if (faultKind(fault) == kind_) {
                best_ = candidate;
                return true;
            }
        return false;
    }

    void splitRows()
    {
        size_t from = 0;
        while (from < best_.sql.size()) {
            size_t end = best_.sql.find(";\n", from);
            end = end == std::string::npos ? best_.sql.size() : end + 2;
            const std::string statement = best_.sql.substr(from, end - from);
            (statement.compare(0, 6, "INSERT") == 0 ? rows_ : schema_).push_back(statement);
            from = end;
        }
    }

    std::string joinRows(const std::vector<std::string>& rows) const
    {
        std::string sql;
        for (const std::string& s : schema_) sql += s;
        for (const std::string& s : rows) sql += s;
        return sql;
    }

    // Halves, quarters, ... then single rows.
    bool dropRows()
    {
        bool any = false;
        for (size_t chunk = std::max<size_t>(rows_.size() / 2, 1); chunk >= 1; chunk /= 2) {
            for (size_t at = 0; at < rows_.size();) {
                std::vector<std::string> fewer = rows_;
                fewer.erase(fewer.begin() + static_cast<long>(at),
                            fewer.begin() + static_cast<long>(std::min(rows_.size(), at + chunk)));
                if (fails(root_, fewer)) {
                    rows_ = fewer;
                    any = true;
                } else {
                    at += chunk;
                }
            }
            if (chunk == 1) break;
        }
        return any;
    }

    bool dropElements()
    {
        bool any = false;
        // From the last, so that the paths before stay valid; the data page
        // and the first report page stay.
        std::vector<Path> all;
        Path at;
        paths(root_, at, all);
        for (size_t k = all.size(); k-- > 0;) {
            const Path& path = all[k];
            if (path.size() == 1 && path[0] <= 1) continue;
            XmlNode trial = root_;
            Path parent(path.begin(), path.end() - 1);
            XmlNode& p = nodeAt(trial, parent);
            if (path.back() >= p.children.size()) continue;
            p.children.erase(p.children.begin() + static_cast<long>(path.back()));
            if (fails(trial, rows_)) {
                root_ = trial;
                any = true;
            }
        }
        return any;
    }

    // The first half of a text's words, or none of them.
    static std::vector<std::string> shorter(const std::string& words)
    {
        std::vector<std::string> list;
        std::string word;
        for (char c : words + " ") {
            if (c == ' ' || c == '\n' || c == '\r') {
                if (!word.empty()) list.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        if (list.empty()) return {};
        std::vector<std::string> out{""};
        if (list.size() > 1) {
            std::string half;
            for (size_t i = 0; i < list.size() / 2; ++i) half += (i ? " " : "") + list[i];
            out.push_back(half);
        }
        return out;
    }

    // A row's note (its last value) made shorter.
    bool shortenNotes()
    {
        bool any = false;
        for (size_t i = 0; i < rows_.size(); ++i) {
            const std::string& row = rows_[i];
            const size_t open = row.rfind(", '"), close = row.rfind("');");
            if (open == std::string::npos || close == std::string::npos || close <= open + 3) continue;
            for (const std::string& words : shorter(row.substr(open + 3, close - open - 3))) {
                std::vector<std::string> trial = rows_;
                trial[i] = row.substr(0, open + 3) + words + row.substr(close);
                if (fails(root_, trial)) {
                    rows_ = trial;
                    any = true;
                    break;
                }
            }
        }
        return any;
    }

    // A long text written in the report, "(TL words TL)", made shorter.
    bool shortenTexts()
    {
        bool any = false;
        std::vector<Path> all;
        Path at;
        paths(root_, at, all);
        for (const Path& path : all) {
            for (auto& [key, value] : nodeAt(root_, path).attrs) {
                if (key != "Text" || value.size() < 8 || value[0] != '(' || value.find('[') != std::string::npos) continue;
                const size_t first = value.find(' '), last = value.rfind(' ');
                if (first == std::string::npos || last <= first) continue;
                bool done = false;
                for (const std::string& words : shorter(value.substr(first + 1, last - first - 1))) {
                    XmlNode trial = root_;
                    for (auto& [k, v] : nodeAt(trial, path).attrs)
                        if (k == "Text") v = value.substr(0, first + 1) + words + value.substr(last);
                    if (fails(trial, rows_)) {
                        root_ = trial;
                        any = done = true;
                        break;
                    }
                }
                if (done) break;
            }
        }
        return any;
    }

    bool dropAttributes()
    {
        bool any = false;
        std::vector<Path> all{{}};
        Path at;
        paths(root_, at, all);
        for (const Path& path : all) {
            for (size_t a = 0; a < nodeAt(root_, path).attrs.size();) {
                if (keptAttribute(nodeAt(root_, path).attrs[a].first)) {
                    ++a;
                    continue;
                }
                XmlNode trial = root_;
                XmlNode& n = nodeAt(trial, path);
                n.attrs.erase(n.attrs.begin() + static_cast<long>(a));
                if (fails(trial, rows_)) {
                    root_ = trial;
                    any = true;
                } else {
                    ++a;
                }
            }
        }
        return any;
    }

    Layout best_;
    std::string kind_;
    XmlNode root_;
    std::vector<std::string> schema_, rows_;
};

}  // namespace

Layout shrink(const Layout& layout, const std::string& kind)
{
    return Shrinker(layout, kind).run();
}

void writeFinding(const std::string& folder, const Layout& layout, const Outcome& outcome)
{
    std::filesystem::create_directories(folder);
    const auto put = [&](const std::string& name, const std::string& text) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << text;
    };
    put("report.xml", layout.xml);
    put("data.sql", layout.sql);
    std::string datasets;
    for (const auto& [name, sql] : layout.datasets) datasets += name + "=" + sql + "\n";
    put("report.data", datasets);
    std::string readme = "# Layout seed " + std::to_string(layout.seed) + "\n\n" +
                         "Made by the random-layout checker from seed " + std::to_string(layout.seed) +
                         " and shrunk to what the fault needs. `report.xml` read over the tables of `data.sql` (an "
                         "SQLite script) with the datasets of `report.data` (the engine cases' format):\n\n"
                         "    build/tests/report/layoutcheck --file " + folder + "\n\n## Faults found\n\n";
    for (const std::string& fault : outcome.faults) readme += "- " + fault + "\n";
    readme += "\n## Pages\n\n```\n" + outcome.dump + "```\n";
    put("README.md", readme);
}

Layout readFinding(const std::string& folder)
{
    const auto get = [&](const std::string& name) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    Layout layout;
    layout.xml = get("report.xml");
    layout.sql = get("data.sql");
    std::istringstream datasets(get("report.data"));
    for (std::string line; std::getline(datasets, line);) {
        const size_t eq = line.find('=');
        if (!line.empty() && line[0] != '#' && eq != std::string::npos)
            layout.datasets.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    const std::string readme = get("README.md");
    const size_t at = readme.find("seed ");
    if (at != std::string::npos) layout.seed = std::strtoull(readme.c_str() + at + 5, nullptr, 10);
    return layout;
}

}  // namespace random_layout
