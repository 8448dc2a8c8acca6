#include "StringLists.h"

#include <algorithm>
#include <numeric>

#include "Streams.h"
#include "SysUtils.h"

namespace {

constexpr const char* kIndexError = "List index out of bounds (%d)";
constexpr const char* kDuplicateError = "Duplicates not allowed";
constexpr const char* kSortedError = "Operation not allowed on sorted list";

bool isBlank(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

// A quoted item starting at text[pos]: doubled quotes stand for one; an
// unterminated item runs to the end. pos ends after the closing quote.
std::string extractQuoted(std::string_view text, size_t& pos, char quote)
{
    std::string out;
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == quote) {
            if (pos + 1 < text.size() && text[pos + 1] == quote) {
                out += quote;
                pos += 2;
                continue;
            }
            ++pos;
            return out;
        }
        out += text[pos++];
    }
    return out;
}

// Runs change inside one update block of list, closing it on errors too.
template <class F>
void inUpdate(TStrings& list, F change)
{
    list.BeginUpdate();
    try {
        change();
    } catch (...) {
        list.EndUpdate();
        throw;
    }
    list.EndUpdate();
}

// Lends a list the comma form's delimiter and quote for one call.
class CommaSettings {
public:
    explicit CommaSettings(TStrings& list) : list_(list), delimiter_(list.Delimiter()), quote_(list.QuoteChar())
    {
        list.SetDelimiter(',');
        list.SetQuoteChar('"');
    }
    ~CommaSettings()
    {
        list_.SetDelimiter(delimiter_);
        list_.SetQuoteChar(quote_);
    }
    CommaSettings(const CommaSettings&) = delete;
    CommaSettings& operator=(const CommaSettings&) = delete;

private:
    TStrings& list_;
    char delimiter_;
    char quote_;
};

}  // namespace

// ---------------------------------------------------------------- TStrings

TStrings::~TStrings() = default;

void TStrings::Error(const char* message, int data) const
{
    throw EStringListError(Format(message, {Variant(data)}));
}

void TStrings::Put(int index, const std::string& s)
{
    TObject* object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

TObject* TStrings::GetObject(int) const { return nullptr; }

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& s)
{
    const int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const std::string& s, TObject* object)
{
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(const TStrings* strings)
{
    inUpdate(*this, [&] {
        const int n = strings->Count();
        for (int i = 0; i < n; ++i) AddObject(strings->Get(i), strings->GetObject(i));
    });
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object)
{
    Insert(index, s);
    PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2)
{
    inUpdate(*this, [&] {
        const std::string s1 = Get(index1);
        TObject* o1 = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, s1);
        PutObject(index2, o1);
    });
}

void TStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    inUpdate(*this, [&] {
        const std::string s = Get(curIndex);
        TObject* object = GetObject(curIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, object);
    });
}

int TStrings::IndexOf(std::string_view s) const
{
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        if (CompareStrings(Get(i), s) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfName(std::string_view name) const
{
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        const std::string s = Get(i);
        const size_t sep = s.find(nameValueSeparator_);
        if (sep != std::string::npos && CompareStrings(std::string_view(s).substr(0, sep), name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* object) const
{
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        if (GetObject(i) == object) return i;
    }
    return -1;
}

bool TStrings::Equals(const TStrings* other) const
{
    const int n = Count();
    if (!other || other->Count() != n) return false;
    for (int i = 0; i < n; ++i) {
        if (Get(i) != other->Get(i)) return false;
    }
    return true;
}

std::string TStrings::Text() const
{
    std::string text;
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(std::string_view text)
{
    inUpdate(*this, [&] {
        Clear();
        size_t i = 0;
        while (i < text.size()) {
            const size_t start = i;
            while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
            Add(std::string(text.substr(start, i - start)));
            if (i < text.size() && text[i] == '\r') ++i;
            if (i < text.size() && text[i] == '\n') ++i;
        }
    });
}

std::string TStrings::DelimitedText() const
{
    const int n = Count();
    if (n == 1 && Get(0).empty()) return std::string(2, quoteChar_);
    std::string text;
    for (int i = 0; i < n; ++i) {
        const std::string s = Get(i);
        const bool quote =
            std::any_of(s.begin(), s.end(), [&](char c) { return isBlank(c) || c == quoteChar_ || c == delimiter_; });
        if (i > 0) text += delimiter_;
        text += quote ? AnsiQuotedStr(s, quoteChar_) : s;
    }
    return text;
}

void TStrings::SetDelimitedText(std::string_view text)
{
    inUpdate(*this, [&] {
        Clear();
        size_t i = 0;
        const size_t n = text.size();
        while (i < n && isBlank(text[i])) ++i;
        while (i < n) {
            if (text[i] == quoteChar_) {
                Add(extractQuoted(text, i, quoteChar_));
            } else {
                const size_t start = i;
                while (i < n && !isBlank(text[i]) && text[i] != delimiter_) ++i;
                Add(std::string(text.substr(start, i - start)));
            }
            while (i < n && isBlank(text[i])) ++i;
            if (i < n && text[i] == delimiter_) {
                if (i + 1 == n) Add(std::string());
                do {
                    ++i;
                } while (i < n && isBlank(text[i]));
            }
        }
    });
}

std::string TStrings::CommaText() const
{
    CommaSettings comma(const_cast<TStrings&>(*this));
    return DelimitedText();
}

void TStrings::SetCommaText(std::string_view text)
{
    CommaSettings comma(*this);
    SetDelimitedText(text);
}

std::string TStrings::Names(int index) const
{
    const std::string s = Get(index);
    const size_t sep = s.find(nameValueSeparator_);
    return sep == std::string::npos ? std::string() : s.substr(0, sep);
}

std::string TStrings::Values(std::string_view name) const
{
    const int index = IndexOfName(name);
    return index >= 0 ? ValueFromIndex(index) : std::string();
}

void TStrings::SetValue(std::string_view name, std::string_view value)
{
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    std::string s(name);
    s += nameValueSeparator_;
    s += value;
    if (index < 0) {
        Add(s);
    } else if (KeepsSorted()) {
        inUpdate(*this, [&] {
            Delete(index);
            Add(s);
        });
    } else {
        Put(index, s);
    }
}

std::string TStrings::ValueFromIndex(int index) const
{
    if (index < 0) return {};
    const std::string s = Get(index);
    const size_t sep = s.find(nameValueSeparator_);
    return sep == std::string::npos ? std::string() : s.substr(sep + 1);
}

void TStrings::LoadFromStream(TStream* stream)
{
    const int64_t remaining = std::max<int64_t>(stream->Size() - stream->Position(), 0);
    std::string text = stream->ReadString(remaining);
    std::string_view view = text;
    if (view.starts_with("\xEF\xBB\xBF")) view.remove_prefix(3);
    SetText(view);
}

void TStrings::SaveToStream(TStream* stream) const
{
    const std::string text = Text();
    stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const std::string& fileName) const
{
    TSaveFileStream stream(fileName);
    SaveToStream(&stream);
    stream.Commit();
}

void TStrings::BeginUpdate()
{
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate()
{
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

void TStrings::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TStrings*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    inUpdate(*this, [&] {
        Clear();
        delimiter_ = other->delimiter_;
        quoteChar_ = other->quoteChar_;
        nameValueSeparator_ = other->nameValueSeparator_;
        AddStrings(other);
    });
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const { return CompareText(a, b); }

// ---------------------------------------------------------------- TStringList

TStringList::~TStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::check(int index) const
{
    if (index < 0 || index >= Count()) Error(kIndexError, index);
}

std::string TStringList::Get(int index) const { return (*this)[index]; }

const std::string& TStringList::operator[](int index) const
{
    check(index);
    return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const std::string& s)
{
    if (sorted_) Error(kSortedError, 0);
    check(index);
    Changing();
    items_[static_cast<size_t>(index)].text = s;
    Changed();
}

TObject* TStringList::GetObject(int index) const
{
    check(index);
    return items_[static_cast<size_t>(index)].object.get();
}

void TStringList::PutObject(int index, TObject* object)
{
    check(index);
    Changing();
    items_[static_cast<size_t>(index)].object = object;
    Changed();
}

void TStringList::Clear()
{
    if (items_.empty()) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    Changed();
}

void TStringList::Delete(int index)
{
    check(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Insert(int index, const std::string& s)
{
    if (sorted_) Error(kSortedError, 0);
    if (index < 0 || index > Count()) Error(kIndexError, index);
    InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object)
{
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

int TStringList::AddObject(const std::string& s, TObject* object)
{
    int index = Count();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) Error(kDuplicateError, 0);
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::Exchange(int index1, int index2)
{
    check(index1);
    check(index2);
    Changing();
    std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
    Changed();
}

int TStringList::IndexOf(std::string_view s) const
{
    if (!sorted_) return TStrings::IndexOf(s);
    int index = 0;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(std::string_view s, int& index) const
{
    bool found = false;
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int c = CompareStrings(items_[static_cast<size_t>(mid)].text, s);
        if (c < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) low = mid;
            }
        }
    }
    index = low;
    return found;
}

void TStringList::sortItems(const std::function<int(int, int)>& compare)
{
    if (items_.size() < 2) return;
    Changing();
    // Sort positions, so that the comparison sees the list unchanged.
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
    items_ = std::move(sorted);
    Changed();
}

void TStringList::Sort()
{
    if (sorted_) return;
    sortItems([this](int a, int b) {
        return CompareStrings(items_[static_cast<size_t>(a)].text, items_[static_cast<size_t>(b)].text);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare)
{
    if (sorted_) return;
    sortItems([&](int a, int b) { return compare(this, a, b); });
}

void TStringList::SetSorted(bool value)
{
    if (sorted_ == value) return;
    if (value) Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value)
{
    if (caseSensitive_ == value) return;
    caseSensitive_ = value;
    // A sorted list must be in the new order, or Find would miss strings.
    if (sorted_) {
        sortItems([this](int a, int b) {
            return CompareStrings(items_[static_cast<size_t>(a)].text, items_[static_cast<size_t>(b)].text);
        });
    }
}

void TStringList::SetCapacity(int value)
{
    if (value > Count()) items_.reserve(static_cast<size_t>(value));
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool updating)
{
    if (updating) Changing();
    else Changed();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const
{
    return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}
