#pragma once
// Reports made at random from the band engine's own properties, with the
// rows they print, checked page by page: nothing outside the printable
// area or over something else (LayoutCheck.h), and every row once, in
// order and whole, every total equal to the rows it counts.
//
// Texts carry marks the check reads back from the prepared pages:
//   {R17}             a row's key (a letter code for its band, the row id)
//   {F1 A n=3 s=42}   a total: n the COUNT, s the SUM of its rows
//   (R17 ... R17)     a text that may split: it must come out whole
// The check knows what to expect from the report file itself (its bands,
// their texts) and from the rows in the database, so that a report with
// bands dropped still checks.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace random_layout {

// Report dataset name and its query.
using Datasets = std::vector<std::pair<std::string, std::string>>;

struct Layout {
    uint64_t seed = 0;
    std::string xml;  // the report file
    std::string sql;  // the tables its datasets read
    Datasets datasets;
};

Layout generate(uint64_t seed);

struct Outcome {
    bool prepared = false;
    std::string errors;
    int pages = 0;
    // One line per fault; empty when the report printed as it should.
    std::vector<std::string> faults;
    // The prepared pages' dump with every object's place.
    std::string dump;
};

// Prepares the report over its data (a fresh database in memory) and
// checks what it printed.
Outcome check(const Layout& layout);

// What kind of fault a line is ("below the printable area", "total", ...),
// so that a smaller report can be said to fail the same way.
std::string faultKind(const std::string& fault);

// The smallest report found that still fails with a fault of `kind`:
// bands, objects, attributes and rows dropped one at a time while it does.
Layout shrink(const Layout& layout, const std::string& kind);

// A folder for a fault handed on: the report, its data, the seed and a
// README saying what is wrong.
void writeFinding(const std::string& folder, const Layout& layout, const Outcome& outcome);
// A finding's report and data read back (the seed from its README).
Layout readFinding(const std::string& folder);

// What a report is made of, in words such as "page-columns", "keep-group",
// "sub-after" (a subreport printed after each row), "column-footer".
std::set<std::string> makeOf(const std::string& xml);

// The open finding (its folder under the engine findings) whose fault a
// failing report shows, or empty when the fault is of a new kind.
std::string knownFinding(const Layout& layout, const Outcome& outcome);

// The seed a fuzz input stands for: its decimal text, else a hash of it.
uint64_t seedOf(const std::string& input);

}  // namespace random_layout
