// Aggregates: collected from the footer texts before the first pass, fed a
// row after each data band is shown, read back while their band prints,
// started again after it.
#include "rpAggregate.h"

#include <algorithm>

#include "CodePages.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpClass.h"
#include "rpMemo.h"
#include "rpReport.h"
#include "rpVariables.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Letters, digits, "_", "." and every byte of a non-ASCII character.
bool isWordChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '_' ||
           c == '.';
}

// The position after a quoted literal that starts at `from` (a doubled
// quote stays inside); the end of the text when it is not closed.
size_t skipQuoted(std::string_view s, size_t from)
{
    const char quote = s[from];
    size_t i = from + 1;
    while (i < s.size()) {
        if (s[i] != quote) {
            ++i;
            continue;
        }
        if (i + 1 < s.size() && s[i + 1] == quote) {
            i += 2;
            continue;
        }
        return i + 1;
    }
    return s.size();
}

// The position of the ")" matching the "(" at `open`, quotes respected;
// npos when there is none.
size_t matchingParen(std::string_view s, size_t open)
{
    int depth = 0;
    for (size_t i = open; i < s.size();) {
        const char c = s[i];
        if (c == '\'' || c == '"') {
            i = skipQuoted(s, i);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')' && --depth == 0) return i;
        ++i;
    }
    return std::string_view::npos;
}

// The arguments between the parentheses: commas at the top level, outside
// quotes, separate them; each is trimmed.
std::vector<std::string> splitArguments(std::string_view s)
{
    std::vector<std::string> out;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '\'' || c == '"') {
            i = skipQuoted(s, i);
            continue;
        }
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == ',' && depth == 0) {
            out.push_back(Trim(s.substr(start, i - start)));
            start = i + 1;
        }
        ++i;
    }
    out.push_back(Trim(s.substr(start)));
    if (out.size() == 1 && out[0].empty()) out.clear();
    return out;
}

int kindOf(std::string_view name)
{
    static const char* const names[] = {"SUM", "AVG", "MIN", "MAX", "COUNT"};
    for (int i = 0; i < 5; ++i)
        if (name == names[i]) return i;
    return -1;
}

bool isNull(const Variant& v)
{
    return v.isEmptyOrNull();
}

// A row's value as the kind takes it. True and False count 1 and 0. SUM
// and AVG add numbers: text is read as a number (a blank text is no
// value, any other text that is no number raises the conversion error);
// MIN and MAX compare text that reads as a number as that number.
Variant rowValue(Variant v, TrpAggregateKind kind)
{
    if (v.isBool()) return Variant(int32_t(v.rawBool() ? 1 : 0));
    if (!v.isString()) return v;
    const std::string text = Trim(VarToStr(v));
    int64_t whole = 0;
    Extended real = 0;
    if (TryStrToInt64(text, whole))
        return whole >= INT32_MIN && whole <= INT32_MAX ? Variant(int32_t(whole)) : Variant(whole);
    if (TryStrToFloat(text, real)) return Variant(real);
    if (kind != akSum && kind != akAvg) return v;
    if (text.empty()) return Variant::Null();
    return Variant(v.toDouble());
}

// One row (or the rows held apart) joined to a running value.
void join(TrpAggregateKind kind, Variant& value, const Variant& v)
{
    if (isNull(value)) {
        value = v;
        return;
    }
    if (isNull(v)) return;
    switch (kind) {
    case akSum:
    case akAvg: value = value + v; break;
    case akMin:
        if (v < value) value = v;
        break;
    case akMax:
        if (v > value) value = v;
        break;
    case akCount: break;
    }
}

void addRow(TrpAggregateKind kind, int& count, Variant& value, const Variant& v)
{
    if (kind != akAvg || !isNull(v)) ++count;
    join(kind, value, v);
}

// Rows held apart go to where they count now, and the holding ends.
void giveRows(TrpAggregateKind kind, int& heldCount, Variant& heldValue, int& count, Variant& value)
{
    count += heldCount;
    join(kind, value, heldValue);
    heldCount = 0;
    heldValue = Variant::Null();
}

// A band given to an aggregate function: an object, its name, or 0 for
// none.
TrpBand* givenBand(TrpReport& report, const Variant& band)
{
    if (band.isEmptyOrNull()) return nullptr;
    if (band.isString()) return dynamic_cast<TrpBand*>(report.FindObject(Trim(band.toString())));
    if (band.isObject()) return dynamic_cast<TrpBand*>(FindObjectByHandle(band.rawObject()));
    if (band.isOrdinal() && band.toInt64() == 0) return nullptr;
    return dynamic_cast<TrpBand*>(VariantToObject(band));
}

}  // namespace

// What a scan of one text object carries along.
struct TrpAggregateList::Scan {
    TrpCustomMemoView* memo;
    TrpBand* parentBand;
    TrpBand* defaultBand;
    // The report variables whose texts are being scanned, against cycles.
    std::vector<std::string> variables;
};

std::string TrpAggregateList::MatchKey(std::string_view expression)
{
    std::string out;
    out.reserve(expression.size());
    for (size_t i = 0; i < expression.size();) {
        const char c = expression[i];
        if (c == '\'' || c == '"') {
            const size_t end = skipQuoted(expression, i);
            out.append(expression.substr(i, end - i));
            i = end;
            continue;
        }
        if (!isBlank(c)) out += c;
        ++i;
    }
    return out;
}

void TrpAggregateList::Clear()
{
    items_.clear();
    byBand_.clear();
    byParent_.clear();
    pageFooterItems_.clear();
    pageTotalItems_.clear();
}

void TrpAggregateList::AddAggregates(TrpBand* band, TrpBand* defaultBand)
{
    for (; band; band = band->Child()) {
        for (TrpComponent* c : band->Objects())
            if (auto* memo = dynamic_cast<TrpCustomMemoView*>(c)) scanMemo(memo, band, defaultBand);
    }
    index();
}

void TrpAggregateList::scanMemo(TrpCustomMemoView* memo, TrpBand* parentBand, TrpBand* defaultBand)
{
    if (!memo->AllowExpressions) return;
    // A text moved into a vertical band belongs to the footer-like row it
    // was drawn on.
    if (TrpBand* row = engine_.RowBand(memo)) {
        const int kind = row->KindNumber();
        if (kind == bkReportSummary || kind == bkPageFooter || kind == bkFooter || kind == bkGroupFooter) parentBand = row;
    }
    const std::string& delimiters = memo->ExpressionDelimiters;
    const size_t comma = delimiters.find(',');
    const std::u16string open = Utf8ToUtf16(delimiters.substr(0, comma));
    const std::u16string close = comma == std::string::npos ? std::u16string() : Utf8ToUtf16(delimiters.substr(comma + 1));
    if (open.empty() || close.empty()) return;
    Scan scan{memo, parentBand, defaultBand, {}};
    rpExpandBracketed(memo->Text(), open, close, [&](const std::u16string& expression) {
        scanExpression(Utf16ToUtf8(expression), scan);
        return std::u16string();
    });
}

void TrpAggregateList::scanExpression(std::string_view s, Scan& scan)
{
    TrpReport& report = *engine_.Report();
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '\'' || c == '"') {
            i = skipQuoted(s, i);
            continue;
        }
        if (!isWordChar(c)) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < s.size() && isWordChar(s[end])) ++end;
        const std::string_view word = s.substr(i, end - i);
        const std::string upper = UpperCase(word);
        size_t paren = end;
        while (paren < s.size() && isBlank(s[paren])) ++paren;
        if (kindOf(upper) >= 0 && paren < s.size() && s[paren] == '(') {
            const size_t close = matchingParen(s, paren);
            const size_t last = close == std::string_view::npos ? s.size() : close;
            makeItem(upper, s.substr(i, std::min(last + 1, s.size()) - i), s.substr(paren + 1, last - paren - 1), scan);
            i = last + 1;
            continue;
        }
        if (word.find('.') == std::string_view::npos) {
            // A report variable's expression may hold calls too.
            const int v = report.Variables()->IndexOf(word);
            if (v >= 0) {
                const std::string& name = report.Variables()->Items(v)->Name;
                if (std::any_of(scan.variables.begin(), scan.variables.end(),
                                [&](const std::string& n) { return AnsiSameText(n, name); })) {
                    report.Errors.Add(scan.memo->Name() + ": " + name + ": circular variable reference");
                } else if (const Variant& value = report.Variables()->Items(v)->Value; value.isString()) {
                    scan.variables.push_back(name);
                    scanExpression(value.toString(), scan);
                    scan.variables.pop_back();
                }
            }
        }
        i = end;
    }
}

void TrpAggregateList::makeItem(std::string_view word, std::string_view call, std::string_view arguments, Scan& scan)
{
    TrpReport& report = *engine_.Report();
    auto item = std::make_unique<TrpAggregateItem>();
    item->Kind = static_cast<TrpAggregateKind>(kindOf(word));
    const std::vector<std::string> args = splitArguments(arguments);
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
    const size_t first = item->Kind == akCount ? 0 : 1;
    if (item->Kind != akCount) item->Expression = arg(0);
    item->Key = MatchKey(item->Expression);
    const std::string bandName = arg(first);
    item->NamedBand = bandName.empty() ? nullptr : dynamic_cast<TrpBand*>(report.FindObject(bandName));
    item->Band = item->NamedBand ? item->NamedBand : scan.defaultBand;
    const std::string flagsText = arg(first + 1);
    const int32_t flags = flagsText.empty() ? 0 : StrToInt(flagsText);
    item->CountInvisibleBands = (flags & 1) != 0;
    item->DontReset = (flags & 2) != 0;
    item->ParentBand = scan.parentBand;
    item->IsPageFooter = dynamic_cast<TrpPageFooter*>(scan.parentBand) != nullptr;
    item->IsPageTotal = item->IsPageFooter || dynamic_cast<TrpColumnFooter*>(scan.parentBand) != nullptr;
    item->FuncText = Trim(call);
    item->MemoName = scan.memo->Name();
    resetItem(*item, true);
    items_.push_back(std::move(item));
}

void TrpAggregateList::index()
{
    byBand_.clear();
    byParent_.clear();
    pageFooterItems_.clear();
    pageTotalItems_.clear();
    for (const auto& item : items_) {
        byBand_[item->Band].push_back(item.get());
        byParent_[item->ParentBand].push_back(item.get());
        if (item->IsPageFooter) pageFooterItems_.push_back(item.get());
        if (item->IsPageTotal) pageTotalItems_.push_back(item.get());
    }
}

void TrpAggregateList::resetItem(TrpAggregateItem& item, bool force)
{
    if (!force && item.DontReset && item.Count != 0) return;
    item.Count = 0;
    item.Value = Variant::Null();
    item.Values.clear();
    item.Counts.clear();
}

// ---------------------------------------------------------------- rows

void TrpAggregateList::AddValue(TrpBand* band, int vcolumn, Feed feed)
{
    auto it = byBand_.find(band);
    if (it == byBand_.end()) return;
    TrpReport& report = *engine_.Report();
    for (TrpAggregateItem* item : it->second) {
        if (!band->Visible() && !item->CountInvisibleBands) continue;
        if ((feed == Feed::PageTotals && !item->IsPageTotal) || (feed == Feed::OtherTotals && item->IsPageTotal))
            continue;
        Variant v = Variant::Null();
        if (item->Kind != akCount) {
            report.CurObject = item->MemoName;
            v = rowValue(report.Calc(item->Expression), item->Kind);
        }
        if (vcolumn >= 1) {
            const size_t column = static_cast<size_t>(vcolumn);
            if (item->Values.size() <= column) {
                item->Values.resize(column + 1, Variant::Null());
                item->Counts.resize(column + 1, 0);
            }
            addRow(item->Kind, item->Counts[column], item->Values[column], v);
        } else if (item->RowSetHeld && (item->RowSetInKeep || !item->Pending)) {
            addRow(item->Kind, item->RowSetCount, item->RowSetValue, v);
        } else if (item->Pending) {
            addRow(item->Kind, item->PendingCount, item->PendingValue, v);
        } else {
            item->SavedCount = item->Count;
            item->SavedValue = item->Value;
            addRow(item->Kind, item->Count, item->Value, v);
        }
    }
}

void TrpAggregateList::Reset(TrpBand* band)
{
    auto it = byParent_.find(band);
    if (it == byParent_.end()) return;
    for (TrpAggregateItem* item : it->second) resetItem(*item, false);
}

void TrpAggregateList::ClearValues()
{
    for (const auto& item : items_) {
        resetItem(*item, true);
        item->Pending = item->RowSetHeld = item->RowSetInKeep = false;
        item->PendingCount = item->SavedCount = item->RowSetCount = 0;
        item->PendingValue = item->SavedValue = item->RowSetValue = Variant::Null();
    }
}

// ---------------------------------------------------------------- keep blocks

void TrpAggregateList::StartKeep()
{
    for (TrpAggregateItem* item : pageFooterItems_) {
        if (item->Pending) continue;
        item->Pending = true;
        item->PendingCount = 0;
        item->PendingValue = Variant::Null();
    }
}

void TrpAggregateList::EndKeep()
{
    for (TrpAggregateItem* item : pageFooterItems_) {
        if (!item->Pending) continue;
        item->Pending = false;
        if (item->RowSetHeld && !item->RowSetInKeep)
            giveRows(item->Kind, item->PendingCount, item->PendingValue, item->RowSetCount, item->RowSetValue);
        else
            giveRows(item->Kind, item->PendingCount, item->PendingValue, item->Count, item->Value);
        item->RowSetInKeep = false;
    }
}

void TrpAggregateList::HoldRowSet()
{
    for (TrpAggregateItem* item : pageTotalItems_) {
        if (item->RowSetHeld) continue;
        item->RowSetHeld = true;
        item->RowSetInKeep = item->Pending;
        item->RowSetCount = 0;
        item->RowSetValue = Variant::Null();
    }
}

void TrpAggregateList::ReleaseRowSet()
{
    for (TrpAggregateItem* item : pageTotalItems_) {
        if (!item->RowSetHeld) continue;
        item->RowSetHeld = false;
        if (item->RowSetInKeep && item->Pending)
            giveRows(item->Kind, item->RowSetCount, item->RowSetValue, item->PendingCount, item->PendingValue);
        else
            giveRows(item->Kind, item->RowSetCount, item->RowSetValue, item->Count, item->Value);
        item->RowSetInKeep = false;
    }
}

void TrpAggregateList::CancelKeep(TrpBand* band)
{
    auto it = byBand_.find(band);
    if (it == byBand_.end()) return;
    for (TrpAggregateItem* item : it->second) {
        item->Count = item->SavedCount;
        item->Value = item->SavedValue;
    }
}

// ---------------------------------------------------------------- values

Variant TrpAggregateList::GetValue(TrpBand* current, TrpBand* host, int vcolumn, int32_t flags, const Variant& band,
                                   const std::string& expression, const std::string& name)
{
    int kind = kindOf(name);
    if (kind < 0) kind = akCount;
    // A call naming no band is answered by the item of a call naming none
    // (COUNT() beside COUNT(Detail) in one footer counts its own band).
    TrpBand* given = givenBand(*engine_.Report(), band);
    const std::string key = MatchKey(expression);
    const bool countInvisible = (flags & 1) != 0, dontReset = (flags & 2) != 0;
    for (const auto& owned : items_) {
        const TrpAggregateItem& item = *owned;
        if ((item.ParentBand != current && (!host || item.ParentBand != host)) || item.Kind != kind ||
            item.CountInvisibleBands != countInvisible || item.DontReset != dontReset ||
            item.NamedBand != given || !AnsiSameText(item.Key, key))
            continue;
        Variant value = item.Value;
        int count = item.Count;
        if (vcolumn >= 1 && !item.Values.empty()) {
            // A vertical column that got no row reads as nothing.
            const size_t column = static_cast<size_t>(vcolumn);
            value = column < item.Values.size() ? item.Values[column] : Variant::Null();
            count = column < item.Counts.size() ? item.Counts[column] : 0;
        }
        Variant result;
        switch (item.Kind) {
        case akAvg: result = count == 0 || isNull(value) ? Variant::Null() : value / Variant(int32_t(count)); break;
        case akCount: result = Variant(int32_t(count)); break;
        default: result = value; break;
        }
        return isNull(result) ? Variant(int32_t(0)) : result;
    }
    return Variant::Null();
}
