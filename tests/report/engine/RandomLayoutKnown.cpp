// Faults already handed on: a failing report is taken for an open finding
// when its first fault reads like that finding's and it is made of what the
// finding needs. The fuzz target and the sweeps fail only on the others,
// so that a run says something new; an entry leaves with its mend.
#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "RandomLayout.h"
#include "RandomLayoutXml.h"

namespace random_layout {

namespace {

struct Known {
    const char* finding;
    // Searched in the first fault.
    const char* fault;
    // What the report must be made of (words of makeOf), all of them.
    std::vector<std::string> needs;
};

const std::vector<Known>& known()
{
    static const std::vector<Known> list = {
        {"008-band-columns-moved-line-column-footer-below-sheet", R"(^page \d+ ColumnFooter\.ColumnTotal \S+ below the printable)",
         {"column-footer"}},
        {"009-band-columns-moved-line-counted-before", R"(^page \d+ (column \d+ )?ColumnFooter @\S+ prints .*\(total\)$)",
         {"column-footer"}},
        {"010-reprinted-group-header-shows-next-group",
         R"(^page \d+ (column \d+ )?Group\d @\S+ prints \{H\d [^}]*\}, expected \{R\d+\} \(sequence\)$)", {"reprint-group"}},
        {"031-reprinted-inner-header-over-moved-kept-group",
         R"(^page \d+ (column \d+ )?Group\d @\S+ prints \{H\d [^}]*\}, expected \{[HF]\d[^}]*\} \(sequence\)$)",
         {"reprint-group", "keep-group"}},
        {"011-kept-group-with-subreport-moved-column-shifted", R"( beyond the right edge )",
         {"keep-group", "page-columns", "sub-after"}},
        {"012-title-subreport-pushes-page-header-off-page", R"(\(blank page\)$)", {"title-sub-after", "page-header"}},
        {"014-column-footer-over-page-footer-kept-rows", R"(^page \d+ ColumnFooter\.ColumnTotal \S+ over page \d+ PageFooter\.)",
         {"column-footer", "page-footer"}},
        {"015-kept-row-with-subreport-and-child-moved-column",
         R"(^page \d+ (SubRows\.\w+ \S+ over page \d+ RowsChild|RowsChild\.\w+ \S+ over page \d+ SubRows)\.)",
         {"child", "sub-after"}},
        {"016-page-header-under-tall-title-over-footer", R"(\(blank page\)$)", {"title", "page-header"}},
        {"017-subreport-after-row-across-pages-shifts-and-overlaps",
         R"(^page \d+ SubRows\.\w+ \S+ over page \d+ Sub(Rows|Footer)\.)", {"sub-after"}},
        // After a row's subreport went on to the next column, anything of
        // what follows may land over it or beyond the column.
        {"018-subreport-after-row-breaks-to-page-rows-in-last-column",
         R"(^page \d+ (column \d+ )?\w+(\.\w+ \S+ (over page \d+ \w+\.|beyond the right edge)| @\S+ prints .*\(total\)$))",
         {"page-columns", "sub-after"}},
        {"020-split-rest-only-subreport-place-frame-strip", R"(^page \d+ (column \d+ )?\w+ @\S+ holds only its frame)",
         {"sub-any"}},
        {"020-split-rest-only-subreport-place-frame-strip", R"(\(blank page\)$)", {"summary-sub-after"}},
        {"020-split-rest-only-subreport-place-frame-strip", R"(\(blank page\)$)", {"summary-sub-inline"}},
        {"020-split-rest-only-subreport-place-frame-strip", R"(\(blank page\)$)", {"sub-any"}},
        {"021-band-columns-start-new-page-footer-over-row",
         R"(^page \d+ (Rows\.\w+ \S+ (over page \d+ \w+\.|below the printable)|holds nothing but headers))",
         {"band-columns", "new-page"}},
        {"022-page-totals-kept-rows-with-details", R"(^page \d+ PageFooter @\S+ prints .*\(total\)$)", {"keep-rows"}},
        {"024-kept-group-footer-over-page-footer",
         R"(^page \d+ GroupFooter\d\.GroupTotal\d \S+ over page \d+ PageFooter\.)", {"keep-group", "page-footer"}},
        {"025-keep-footer-last-row-counted-on-footer-page", R"(^page \d+ PageFooter @\S+ prints .*\(total\)$)",
         {"keep-footer", "page-footer"}},
        {"027-too-little-room-error-with-room-for-lines", R"(the page leaves too little room for it .*\(not prepared\)$)",
         {}},
        {"028-rich-text-split-rest-lost", R"(\.RichR text .* (never ends|stops before its end) \(text whole\)$)",
         {"rich"}},
        {"033-band-columns-split-row-column-footer-over-taller-row",
         R"(^page \d+ Rows\.\w+ \S+ over page \d+ ColumnFooter\.)", {"band-columns", "sub-inline", "column-footer"}},
        // Moved on, a block is measured without the headers the new page
        // starts with.
        {"029-moved-block-measured-without-new-page-headers",
         R"(^page \d+ \w+\.\w+ \S+ (over page \d+ (Page|Column)Footer\.|below the printable))", {"band-columns"}},
        {"029-moved-block-measured-without-new-page-headers",
         R"(^page \d+ \w+\.\w+ \S+ (over page \d+ (Page|Column)Footer\.|below the printable))", {"keep-group"}},
        {"029-moved-block-measured-without-new-page-headers",
         R"(^page \d+ \w+\.\w+ \S+ (over page \d+ (Page|Column)Footer\.|below the printable))", {"keep-rows"}},
        {"030-overlay-at-band-column-place", R"(^page \d+ Overlay\.\w+ \S+ beyond the printable width)",
         {"band-columns", "overlay"}},
        {"032-summary-moved-on-though-it-fits-under-column-footer", R"(\(blank page\)$)", {"summary", "column-footer"}},
        {"035-inline-subreport-row-split-text-cut", R"( (shows part of its lines, without|holds not one whole line of) )",
         {"sub-inline"}},
        {"034-text-lines-lost-at-split", R"( shows part of its lines, without )", {}},
        {"036-page-columns-row-split-into-frame-strip-under-title",
         R"(^page \d+ (column \d+ )?Rows @\S+ holds only its frame)", {"page-columns", "title"}},
        {"037-previous-page-list-text-squeezed-at-foot", R"(^page \d+ Rows2\.\w+ \S+ holds not one whole line)",
         {"previous-page"}},
        {"038-title-subreport-in-page-columns-rows-go-on-in-wrong-column",
         R"(( holds not one whole line of |^the report did not prepare: .* no room is left for it))",
         {"page-columns", "title-sub-after"}},
        {"028-rich-text-split-rest-lost", R"(\(blank page\)$)", {"rich"}},
        {"039-split-row-key-squeezed-beside-rich-text", R"( holds not one whole line of )", {"rich", "split-rows"}},
        {"040-subreport-after-split-band-starts-over-page-headers",
         R"(^page \d+ (\w+\.\w+ \S+ over page \d+ Sub\w+\.|Sub\w+\.\w+ \S+ over page \d+ \w+\.))", {"summary-sub-after"}},
        {"040-subreport-after-split-band-starts-over-page-headers",
         R"(^page \d+ (\w+\.\w+ \S+ over page \d+ Sub\w+\.|Sub\w+\.\w+ \S+ over page \d+ \w+\.))", {"title-sub-after"}},
    };
    return list;
}

bool isTrue(const XmlNode& n, const char* key)
{
    return n.get(key) == "True";
}

}  // namespace

std::set<std::string> makeOf(const std::string& xml)
{
    std::set<std::string> out;
    XmlNode root;
    if (!parseReport(xml, root)) return out;
    for (const XmlNode& page : root.children) {
        if (page.name != "TrpReportPage") continue;
        const std::string pageName = page.get("Name");
        if (pageName == "Page2") {
            out.insert("page2");
            if (isTrue(page, "PrintOnPreviousPage")) out.insert("previous-page");
            continue;
        }
        if (pageName != "Page1") continue;
        if (!page.get("Columns").empty()) out.insert("page-columns");
        for (const XmlNode& band : page.children) {
            const std::string name = band.get("Name");
            static const std::pair<const char*, const char*> plain[] = {
                {"PageHeader", "page-header"},     {"PageFooter", "page-footer"},   {"ColumnHeader", "column-header"},
                {"ColumnFooter", "column-footer"}, {"RowsHeader", "rows-header"},   {"RowsFooter", "rows-footer"},
                {"Title", "title"},                {"Summary", "summary"},          {"Details", "details"},
                {"RowsChild", "child"},            {"Overlay", "overlay"},          {"GroupFooter1", "group-footer"},
                {"GroupFooter2", "group-footer"}};
            for (const auto& [band_, word] : plain)
                if (name == band_) out.insert(word);
            const bool group = band.name == "TrpGroupHeader";
            if (group) out.insert("group");
            if (group && isTrue(band, "KeepTogether")) out.insert("keep-group");
            if ((group || name == "RowsHeader") && isTrue(band, "ReprintOnNewPage"))
                out.insert(group ? "reprint-group" : "reprint-header");
            if (isTrue(band, "StartNewPage") && name != "Summary") out.insert("new-page");
            if (name == "Rows") {
                if (!band.get("Columns").empty()) out.insert("band-columns");
                if (isTrue(band, "KeepTogether")) out.insert("keep-rows");
                if (isTrue(band, "AllowSplit")) out.insert("split-rows");
                if (isTrue(band, "KeepFooter")) out.insert("keep-footer");
                if (isTrue(band, "KeepHeader")) out.insert("keep-header");
                if (isTrue(band, "KeepChild")) out.insert("keep-child");
            }
            for (const XmlNode& object : band.children) {
                if (object.name == "TrpRichView") out.insert("rich");
                if (object.name == "TrpPictureView") out.insert("picture");
                if (object.name != "TrpSubreport") continue;
                const bool inline_ = isTrue(object, "PrintOnParent");
                out.insert("sub-any");
                if (name == "Rows") out.insert(inline_ ? "sub-inline" : "sub-after");
                else out.insert(std::string(name == "Title" ? "title" : "summary") + (inline_ ? "-sub-inline" : "-sub-after"));
            }
        }
    }
    return out;
}

std::string knownFinding(const Layout& layout, const Outcome& outcome)
{
    if (outcome.faults.empty()) return {};
    const std::set<std::string> make = makeOf(layout.xml);
    for (const Known& k : known()) {
        if (!std::regex_search(outcome.faults.front(), std::regex(k.fault))) continue;
        if (std::all_of(k.needs.begin(), k.needs.end(), [&](const std::string& w) { return make.count(w) > 0; }))
            return k.finding;
    }
    return {};
}

}  // namespace random_layout
