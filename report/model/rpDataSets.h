#pragma once
// Record cursors with named fields, through which reports read their data,
// and the lists by which they find each other: the report's own list and
// the process-wide list of every dataset.

#include <string>
#include <string_view>

#include "StringLists.h"
#include "rpClass.h"

class TrpReport;

class TrpDataSet : public TrpDialogComponent {
    DORVAK_CLASS(TrpDataSet, TrpDialogComponent)
public:
    // Joins the global dataset list; the destructor leaves it.
    explicit TrpDataSet(TComponent* owner = nullptr);
    ~TrpDataSet() override;

    bool Enabled = true;
    TrpRangeBegin RangeBegin = rbFirst;
    TrpRangeEnd RangeEnd = reLast;
    int32_t RangeEndCount = 0;
    bool OpenDataSource = true;
    bool CloseDataSource = false;
    // The current record, from 0.
    int32_t RecNo = 0;

    TEvent<void(TObject* sender, bool& eof)> OnCheckEOF;
    TNotifyEvent OnFirst, OnNext, OnPrior, OnOpen, OnClose;

    const std::string& UserName() const noexcept { return userName_; }
    // A name that is blank raises "prInvProp".
    virtual void SetUserName(const std::string& value);
    // The report whose run uses the dataset (set by its dataset list).
    TrpReport* Report() const noexcept;
    void SetReport(TrpReport* value);

    virtual std::u16string GetDisplayText(const std::string& /*field*/) { return std::u16string(); }
    virtual int GetDisplayWidth(const std::string& /*field*/) { return 10; }
    virtual TrpFieldType GetFieldType(const std::string& /*field*/) { return fftNumeric; }
    virtual Variant GetValue(const std::string& /*field*/) { return Variant(); }
    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount() { return 0; }
    virtual bool IsBlobField(const std::string& /*field*/) { return false; }
    virtual int RecordCount();
    virtual void AssignBlobTo(const std::string& /*field*/, TStream& /*target*/) {}
    virtual void GetFieldList(TStrings& /*list*/) {}
    virtual bool HasField(const std::string& field);

    // A rename fills an empty user name.
    void SetName(const std::string& newName) override;

    // Marks the dataset as walked, for the time of a scope, by the band,
    // page or report of a running report whose name it is given. A walk
    // holds a row position: a script that moved or closed the dataset under
    // it would print rows twice or loop for ever.
    class Walk {
    public:
        Walk(TrpDataSet& dataSet, std::string walker);
        ~Walk();
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

    private:
        TrpDataSet& dataSet_;
        std::string outer_;
    };
    // What walks the rows this dataset reads (its own walk or, for a
    // dataset sharing its rows with others, theirs); empty when nothing.
    virtual std::string Walker() const { return walker_; }
    // Raises EInvalidOperation naming the call, the dataset and its walker
    // while the dataset is walked; scripts call it before each move.
    void RefuseWhileWalked(const std::string& call) const;

    static void Publish(TClassBuilder<TrpDataSet>& b);

protected:
    bool endOfRange_ = false;

private:
    std::string userName_;
    Ref<TrpReport> report_;
    std::string walker_;
};

// A dataset whose values come from event handlers; every data band owns
// one to print a fixed number of rows.
class TrpUserDataSet : public TrpDataSet {
    DORVAK_CLASS(TrpUserDataSet, TrpDataSet)
public:
    using TrpDataSet::TrpDataSet;

    TStringList* Fields() const noexcept { return fields_.get(); }
    void SetFields(TStringList* value) { fields_->Assign(value); }
    TEvent<void(const std::string& varName, Variant& value)> OnGetValue;
    TEvent<void(TObject* sender, const std::string& varName, Variant& value)> OnNewGetValue;

    void GetFieldList(TStrings& list) override { list.Assign(fields_.get()); }
    int FieldsCount() override { return fields_->Count(); }
    Variant GetValue(const std::string& field) override;
    std::u16string GetDisplayText(const std::string& field) override;

    static void Publish(TClassBuilder<TrpUserDataSet>& b);

private:
    std::unique_ptr<TStringList> fields_ = std::make_unique<TStringList>();
};

// Base of the database-bound dataset: field aliases and open/close hooks.
class TrpCustomDBDataSet : public TrpDataSet {
    DORVAK_CLASS(TrpCustomDBDataSet, TrpDataSet)
public:
    explicit TrpCustomDBDataSet(TComponent* owner = nullptr);

    // Lines "field=alias".
    TStringList* FieldAliases() const noexcept { return fieldAliases_.get(); }
    void SetFieldAliases(TStringList* value) { fieldAliases_->Assign(value); }
    // The field of the first line whose alias is this one (case ignored);
    // the alias itself when none.
    std::string ConvertAlias(std::string_view alias) const;
    int FieldsCount() override;

    static void Publish(TClassBuilder<TrpCustomDBDataSet>& b);

protected:
    // Field names, sorted, each once.
    TStringList FieldNames;

private:
    std::unique_ptr<TStringList> fieldAliases_ = std::make_unique<TStringList>();
};

// The connection interface of database components; nothing in the base.
class TrpCustomDatabase : public TrpDialogComponent {
    DORVAK_CLASS(TrpCustomDatabase, TrpDialogComponent)
public:
    using TrpDialogComponent::TrpDialogComponent;

    bool Connected = false;
    std::string DatabaseName;
    bool LoginPrompt = false;
    TStringList* Params() const noexcept { return params_.get(); }
    void SetParams(TStringList* value) { params_->Assign(value); }

    static void Publish(TClassBuilder<TrpCustomDatabase>& b);

private:
    std::unique_ptr<TStringList> params_ = std::make_unique<TStringList>();
};

// ---------------------------------------------------------------- the report's lists

class TrpReportDataSets;

class TrpDataSetItem : public TCollectionItem {
    DORVAK_CLASS(TrpDataSetItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;

    TrpDataSet* DataSet() const noexcept;
    // The item held a dataset that no longer exists.
    bool DataSetGone() const noexcept { return dataSet_.handle() != 0 && !dataSet_.get(); }
    // Takes the dataset's user name (nil clears it).
    void SetDataSet(TrpDataSet* value);
    // The dataset's user name when one is set, else the stored name.
    std::string DataSetName() const;
    // Empty clears the dataset; other names are looked up through the report.
    void SetDataSetName(const std::string& value);
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpDataSetItem>& b);

private:
    Ref<TrpDataSet> dataSet_;
    std::string dataSetName_;
};

class TrpReportDataSets : public TCollection {
    DORVAK_CLASS(TrpReportDataSets, TCollection)
public:
    explicit TrpReportDataSets(TrpReport* report = nullptr);

    TrpReport* Report() const noexcept;
    TrpDataSetItem* Add() { return static_cast<TrpDataSetItem*>(TCollection::Add()); }
    TrpDataSetItem* Items(int index) const { return static_cast<TrpDataSetItem*>(TCollection::Items(index)); }
    // Tells each dataset its report, then initialises it, in list order.
    void Initialize();
    void Finalize();
    // The first item holding the dataset, or nullptr.
    TrpDataSetItem* FindByDataSet(const TrpDataSet* dataSet) const;
    // The first item with a dataset of that user name (case ignored).
    TrpDataSetItem* Find(std::string_view name) const;

private:
    Ref<TrpReport> report_;
};

// ---------------------------------------------------------------- the global list

// Every dataset of the process, in creation order, under its own lock.
void LockDataSetList();
void UnlockDataSetList();
// A snapshot taken under the lock.
std::vector<TrpDataSet*> GlobalDataSets();
// The first dataset of that user name (case ignored) that does not belong
// to another report; `current` when none matches or when there is no
// report, nullptr for an empty name.
TrpDataSet* FindGlobalDataSet(TrpDataSet* current, std::string_view name, TrpReport* report);
