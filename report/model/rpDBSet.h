#pragma once
// The dataset that joins a report to one of the program's queries: field
// names (or their aliases) as the report uses them, values typed by the
// columns' declared types, ranges, blobs. It follows the query's opening and
// closing as one of its observers, so several datasets may share a query.

#include <string>
#include <unordered_map>
#include <vector>

#include "Query.h"
#include "rpDataSets.h"

class TWideStrings;

class TrpDBDataset : public TrpCustomDBDataSet, private db::QueryObserver {
    DORVAK_CLASS(TrpDBDataset, TrpCustomDBDataSet)
public:
    explicit TrpDBDataset(TComponent* owner = nullptr);
    ~TrpDBDataset() override;

    // The query read; nullptr when none (or when it went away).
    db::Query* DataSet() const noexcept { return query_; }
    void SetDataSet(db::Query* query);
    // Decimal columns as Currency instead of Double.
    bool BCDToCurrency = false;

    std::u16string GetDisplayText(const std::string& field) override;
    int GetDisplayWidth(const std::string& field) override;
    TrpFieldType GetFieldType(const std::string& field) override;
    // Null, and a line in the report's errors, for a name not listed.
    Variant GetValue(const std::string& field) override;
    // Raises "dbNotConn" without a query.
    void Initialize() override;
    void Finalize() override;
    void Open() override;
    void Close() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    bool IsBlobField(const std::string& field) override;
    int RecordCount() override;
    // A name that is no blob field leaves the target as it is.
    void AssignBlobTo(const std::string& field, TStream& target) override;
    void AssignBlobTo(const std::string& field, TWideStrings& target);
    // The aliases not hidden, or else every column once.
    void GetFieldList(TStrings& list) override;
    bool HasField(const std::string& field) override;
    // Another dataset over the same query walks this one's rows too.
    std::string Walker() const override;

    static void Publish(TClassBuilder<TrpDBDataset>& b);

private:
    static constexpr int kMissing = -2;
    static constexpr int kUnmapped = -1;

    void queryOpened(db::Query&) override;
    void queryClosing(db::Query&) override;
    void queryDestroyed(db::Query&) override;
    void ensureOpen();
    void buildFieldList();
    // The query column a report name reads, kUnmapped for a listed name
    // without one, kMissing for a name not listed.
    int columnOf(const std::string& field);
    void fieldNotFound(const std::string& field, std::u16string* text = nullptr);

    db::Query* query_ = nullptr;
    bool opened_ = false;
    bool fieldsBuilt_ = false;
    db::Query::Bookmark bookmark_ = 0;
    // Report names (sorted, case ignored) and their columns.
    std::vector<std::pair<std::string, int>> fields_;
    // The answers of columnOf by the exact text asked.
    std::unordered_map<std::string, int> columns_;
};
