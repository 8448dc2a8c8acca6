#pragma once
// The platform's string lists: TStrings (the abstract list with its text
// forms) and TStringList (the stored, optionally sorted one). Strings are
// 8-bit (UTF-8); each may carry an object reference (not owned, read as nil
// once the object is freed).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
    DORVAK_CLASS(TStrings, TPersistent)
public:
    ~TStrings() override;

    virtual int Count() const = 0;
    // Index errors raise EStringListError "List index out of bounds (%d)".
    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s);
    virtual TObject* GetObject(int index) const;
    virtual void PutObject(int index, TObject* object);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Insert(int index, const std::string& s) = 0;
    virtual int Add(const std::string& s);
    virtual int AddObject(const std::string& s, TObject* object);
    void Append(const std::string& s) { Add(s); }
    void AddStrings(const TStrings* strings);
    void InsertObject(int index, const std::string& s, TObject* object);
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);

    std::string Strings(int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }

    // Searches compare as the list compares (TStringList: CaseSensitive;
    // the base ignores case).
    virtual int IndexOf(std::string_view s) const;
    int IndexOfName(std::string_view name) const;
    int IndexOfObject(const TObject* object) const;
    bool Equals(const TStrings* other) const;

    // Every string followed by CR LF. Setting splits at CR LF, CR or LF; a
    // final line break adds no empty string.
    std::string Text() const;
    virtual void SetText(std::string_view text);
    // Strings joined by Delimiter; those holding blanks, control
    // characters, the quote or the delimiter are quoted (the quote
    // doubled inside); a single empty string is a pair of quotes. Setting
    // splits at the delimiter and at blanks outside quotes.
    std::string DelimitedText() const;
    void SetDelimitedText(std::string_view text);
    // DelimitedText with ',' and '"'.
    std::string CommaText() const;
    void SetCommaText(std::string_view text);
    char Delimiter() const noexcept { return delimiter_; }
    void SetDelimiter(char c) noexcept { delimiter_ = c; }
    char QuoteChar() const noexcept { return quoteChar_; }
    void SetQuoteChar(char c) noexcept { quoteChar_ = c; }
    char NameValueSeparator() const noexcept { return nameValueSeparator_; }
    void SetNameValueSeparator(char c) noexcept { nameValueSeparator_ = c; }

    // "name=value" strings: the text before the first separator (empty
    // without one), the value of the first string with that name, the value
    // of string index. Setting an empty value deletes the string.
    std::string Names(int index) const;
    std::string Values(std::string_view name) const;
    void SetValue(std::string_view name, std::string_view value);
    std::string ValueFromIndex(int index) const;

    // Load replaces the list with the rest of the stream (a leading UTF-8
    // byte order mark is dropped); Save writes Text.
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream) const;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

    virtual int Capacity() const { return Count(); }
    virtual void SetCapacity(int) {}

    // Nested; change notifications wait for the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const noexcept { return updateCount_; }

    void Assign(const TPersistent* source) override;

protected:
    virtual void SetUpdateState(bool /*updating*/) {}
    // A list that keeps itself sorted takes new strings at their place
    // (SetValue then adds rather than puts).
    virtual bool KeepsSorted() const noexcept { return false; }
    // < 0, 0, > 0. The base ignores case.
    virtual int CompareStrings(std::string_view a, std::string_view b) const;
    [[noreturn]] void Error(const char* message, int data) const;

private:
    int updateCount_ = 0;
    char delimiter_ = ',';
    char quoteChar_ = '"';
    char nameValueSeparator_ = '=';
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
    DORVAK_CLASS(TStringList, TStrings)
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override;
    // Direct read without a copy; index errors as Get.
    const std::string& operator[](int index) const;
    // Put and Insert on a sorted list raise EStringListError "Operation not
    // allowed on sorted list".
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;
    int Add(const std::string& s) override { return AddObject(s, nullptr); }
    // On a sorted list: goes to its sorted place; an existing equal string
    // is kept alone (dupIgnore, the index of the existing one returned),
    // refused (dupError: EStringListError "Duplicates not allowed") or
    // joined, before the equal ones (dupAccept).
    int AddObject(const std::string& s, TObject* object) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(std::string_view s) const override;

    // Binary search of a sorted list: true when found; index is the match
    // (the first of equal ones with dupAccept) or the insertion place.
    bool Find(std::string_view s, int& index) const;
    // Stable: equal strings keep their order.
    virtual void Sort();
    void CustomSort(const TStringListSortCompare& compare);

    bool Sorted() const noexcept { return sorted_; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const noexcept { return duplicates_; }
    void SetDuplicates(TDuplicates value) noexcept { duplicates_ = value; }
    bool CaseSensitive() const noexcept { return caseSensitive_; }
    void SetCaseSensitive(bool value);

    int Capacity() const override { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int value) override;

    // Around every change, unless updating.
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool updating) override;
    bool KeepsSorted() const noexcept override { return sorted_; }
    int CompareStrings(std::string_view a, std::string_view b) const override;
    void InsertItem(int index, const std::string& s, TObject* object);

private:
    struct Item {
        std::string text;
        Ref<TObject> object;
    };
    void check(int index) const;
    void sortItems(const std::function<int(int, int)>& compare);

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};
