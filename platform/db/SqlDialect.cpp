#include "SqlDialect.h"

#include <algorithm>
#include <cctype>

namespace db::dialect {

namespace {

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// The end of a quoted text or name starting at `at` (the quote); a doubled
// quote stays inside.
std::size_t quotedEnd(std::string_view sql, std::size_t at)
{
    const char q = sql[at];
    std::size_t i = at + 1;
    while (i < sql.size()) {
        if (sql[i] == q) {
            if (i + 1 < sql.size() && sql[i + 1] == q) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

std::size_t commentEnd(std::string_view sql, std::size_t at)
{
    if (sql[at + 1] == '-') {
        const std::size_t nl = sql.find('\n', at);
        return nl == std::string_view::npos ? sql.size() : nl;
    }
    const std::size_t close = sql.find("*/", at + 2);
    return close == std::string_view::npos ? sql.size() : close + 2;
}

}  // namespace

std::string ToServer(std::string_view sql, const std::map<std::string, std::string>& collations, int* valueCount)
{
    std::string out;
    out.reserve(sql.size() + 16);
    int next = 0, highest = 0;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            const std::size_t end = quotedEnd(sql, i);
            out.append(sql.substr(i, end - i));
            i = end;
        } else if ((c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') || (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*')) {
            const std::size_t end = commentEnd(sql, i);
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '?') {
            std::size_t j = i + 1;
            int number = 0;
            while (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j])) && number < 100000) number = number * 10 + (sql[j++] - '0');
            if (j == i + 1) number = ++next;
            else next = std::max(next, number);
            highest = std::max(highest, number);
            out += '$';
            out += std::to_string(number);
            i = j;
        } else if (isWordChar(c)) {
            std::size_t j = i;
            while (j < sql.size() && isWordChar(sql[j])) ++j;
            const std::string_view word = sql.substr(i, j - i);
            // "COLLATE name": the name as the server knows it.
            if (word.size() == 7 && upper(word) == "COLLATE") {
                std::size_t k = j;
                while (k < sql.size() && isBlank(sql[k])) ++k;
                std::size_t e = k;
                while (e < sql.size() && isWordChar(sql[e])) ++e;
                const std::string name = upper(sql.substr(k, e - k));
                std::string replacement;
                if (name == "BINARY") replacement = "::text COLLATE \"C\"";
                else if (auto found = collations.find(name); found != collations.end() && e > k)
                    replacement = "::text COLLATE \"" + found->second + "\"";
                if (!replacement.empty()) {
                    // The cast joins the value before it, blanks or not.
                    while (!out.empty() && isBlank(out.back())) out.pop_back();
                    out += replacement;
                    i = e;
                    continue;
                }
            }
            out.append(word);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    if (valueCount) *valueCount = highest;
    return out;
}

std::string_view ToSqlite(std::string_view sql)
{
    std::string_view s = sql;
    while (!s.empty() && (isBlank(s.back()) || s.back() == ';')) s.remove_suffix(1);
    auto endsWithWord = [](std::string_view text, std::string_view word) {
        if (text.size() < word.size()) return false;
        const std::string_view tail = text.substr(text.size() - word.size());
        if (upper(tail) != word) return false;
        return text.size() == word.size() || !isWordChar(text[text.size() - word.size() - 1]);
    };
    if (!endsWithWord(s, "UPDATE")) return sql;
    std::string_view head = s.substr(0, s.size() - 6);
    while (!head.empty() && isBlank(head.back())) head.remove_suffix(1);
    if (!endsWithWord(head, "FOR")) return sql;
    return head.substr(0, head.size() - 3);
}

}  // namespace db::dialect
