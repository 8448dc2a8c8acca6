// FormatMaskText: a value laid into an edit mask "mask;save-literals;blank".
//
// Mask characters take one character of the value each (L l A a C c 0 9 #);
// everything else is a literal written as it stands, with ':' and '/' as the
// settings' time and date separators and '_' as a blank. '\' makes the next
// character a literal; '>' and '<' switch the following characters to upper
// or lower case ("<>" switches back); '!' aligns the value to the right.
//
// With save-literals 0 the value holds only the characters typed into the
// mask positions, and the literals are inserted between them. Otherwise
// (1, or no fields at all) the value already holds the literals: each run of
// positions takes the value's text up to the literal that follows the run
// (or as much as it holds when that literal is missing), and a short run is
// padded with blanks, so "55-1234" in "000-0000" shows as "55 -1234". Positions left empty show as blanks, as the platform's
// function does. No character of the value is ever dropped: what does not
// fit stays at the end (or at the start when aligned right).

#include <vector>

#include "SysUtils.h"
#include "SysUtilsInternal.h"

using namespace sysutils_detail;

namespace {

enum class CaseMode { None, Upper, Lower };

struct MaskItem {
    bool position;       // a mask character that takes a value character
    char32_t literal;    // the character written for a literal
    CaseMode caseMode;   // for positions
};

struct ParsedMask {
    std::vector<MaskItem> items;
    bool reverse = false;
    bool saveLiterals = true;
};

// One character of the value; `raw` marks a byte that is not UTF-8.
struct Char {
    char32_t cp;
    bool raw;
};

bool escapedAt(std::string_view mask, size_t i)
{
    return i > 0 && mask[i - 1] == '\\' && !(i > 1 && mask[i - 2] == '\\');
}

ParsedMask parseMask(std::string_view editMask)
{
    ParsedMask m;
    // The fields ";save;blank" sit in the last four characters.
    std::string_view mask = editMask;
    if (editMask.size() >= 4) {
        size_t first = std::string_view::npos;
        for (size_t i = editMask.size(); i-- > editMask.size() - 4;) {
            if (editMask[i] == ';' && !escapedAt(editMask, i)) first = i;
        }
        if (first != std::string_view::npos) {
            mask = editMask.substr(0, first);
            if (first + 1 < editMask.size()) m.saveLiterals = editMask[first + 1] != '0';
        }
    }
    const TFormatSettings& fs = FormatSettings();
    CaseMode caseMode = CaseMode::None;
    for (size_t i = 0; i < mask.size();) {
        const size_t start = i;
        const char32_t cp = nextCodePoint(mask, i);
        if (i - start > 1 || cp >= 0x80) {
            m.items.push_back({false, cp, caseMode});
            continue;
        }
        switch (cp) {
        case '\\':
            if (i < mask.size()) m.items.push_back({false, nextCodePoint(mask, i), caseMode});
            break;
        case '!': m.reverse = true; break;
        case '>': caseMode = CaseMode::Upper; break;
        case '<':
            if (i < mask.size() && mask[i] == '>') {
                ++i;
                caseMode = CaseMode::None;
            } else {
                caseMode = CaseMode::Lower;
            }
            break;
        case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': case '0': case '9': case '#':
            m.items.push_back({true, 0, caseMode});
            break;
        case ':': m.items.push_back({false, static_cast<char32_t>(fs.TimeSeparator), caseMode}); break;
        case '/': m.items.push_back({false, static_cast<char32_t>(fs.DateSeparator), caseMode}); break;
        case '_': m.items.push_back({false, ' ', caseMode}); break;
        default: m.items.push_back({false, cp, caseMode}); break;
        }
    }
    return m;
}

std::vector<Char> decode(std::string_view s)
{
    std::vector<Char> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const size_t start = i;
        const char32_t cp = nextCodePoint(s, i);
        out.push_back({cp, i - start == 1 && cp >= 0x80});
    }
    return out;
}

class MaskWriter {
public:
    void literal(char32_t cp) { appendCodePoint(out, cp); }
    void blank() { out += ' '; }
    void put(Char c, CaseMode mode = CaseMode::None)
    {
        if (c.raw) {
            out += static_cast<char>(c.cp);
            return;
        }
        if (mode == CaseMode::Upper) c.cp = upperCodePoint(c.cp);
        if (mode == CaseMode::Lower) c.cp = lowerCodePoint(c.cp);
        appendCodePoint(out, c.cp);
    }
    void putAll(const std::vector<Char>& chars, size_t from, size_t to)
    {
        for (size_t k = from; k < to; ++k) put(chars[k]);
    }
    std::string out;
};

// Value without literals: positions take its characters in order.
std::string layPlain(const ParsedMask& m, const std::vector<Char>& value)
{
    size_t positions = 0;
    for (const MaskItem& it : m.items) positions += it.position;
    const size_t n = value.size();
    MaskWriter w;
    // Index into the value of the first position (may be "negative" when
    // right-aligned and short: those positions are blank).
    size_t skipBlanks = 0;
    size_t first = 0;
    if (m.reverse) {
        if (n < positions)
            skipBlanks = positions - n;
        else
            first = n - positions;
        w.putAll(value, 0, first);  // what does not fit goes in front
    }
    size_t pos = 0;
    for (const MaskItem& it : m.items) {
        if (!it.position) {
            w.literal(it.literal);
            continue;
        }
        if (pos < skipBlanks) {
            w.blank();
        } else {
            const size_t k = first + pos - skipBlanks;
            if (k < n)
                w.put(value[k], it.caseMode);
            else
                w.blank();
        }
        ++pos;
    }
    if (!m.reverse && n > positions) w.putAll(value, positions, n);
    return std::move(w.out);
}

// Value with literals: each run of positions takes the text up to the
// literal that follows it.
std::string layWithLiterals(const ParsedMask& m, const std::vector<Char>& value)
{
    MaskWriter w;
    const size_t n = value.size();
    size_t j = 0;
    for (size_t i = 0; i < m.items.size();) {
        const MaskItem& it = m.items[i];
        if (!it.position) {
            w.literal(it.literal);
            if (j < n && !value[j].raw && value[j].cp == it.literal) ++j;
            ++i;
            continue;
        }
        size_t runEnd = i;
        while (runEnd < m.items.size() && m.items[runEnd].position) ++runEnd;
        const size_t slots = runEnd - i;
        size_t partEnd = j;
        if (runEnd < m.items.size()) {
            const char32_t stop = m.items[runEnd].literal;
            while (partEnd < n && (value[partEnd].raw || value[partEnd].cp != stop)) ++partEnd;
            // A value without this literal fills the run and goes on.
            if (partEnd == n && n - j > slots) partEnd = j + slots;
        } else {
            partEnd = n;
        }
        const size_t len = partEnd - j;
        if (m.reverse) {
            const size_t over = len > slots ? len - slots : 0;
            w.putAll(value, j, j + over);
            for (size_t k = 0; k < slots; ++k) {
                if (k + len < slots)
                    w.blank();
                else
                    w.put(value[j + over + k - (slots - (len - over))], m.items[i + k].caseMode);
            }
        } else {
            for (size_t k = 0; k < slots; ++k) {
                if (k < len)
                    w.put(value[j + k], m.items[i + k].caseMode);
                else
                    w.blank();
            }
            if (len > slots) w.putAll(value, j + slots, partEnd);
        }
        j = partEnd;
        i = runEnd;
    }
    w.putAll(value, j, n);
    return std::move(w.out);
}

}  // namespace

std::string FormatMaskText(std::string_view editMask, std::string_view value)
{
    const ParsedMask m = parseMask(editMask);
    if (m.items.empty()) return std::string(value);
    const std::vector<Char> chars = decode(value);
    return m.saveLiterals ? layWithLiterals(m, chars) : layPlain(m, chars);
}
