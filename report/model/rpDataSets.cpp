#include "rpDataSets.h"

#include <algorithm>
#include <mutex>

#include "SysUtils.h"
#include "rpReport.h"
#include "rpRes.h"

namespace {

struct DataSetList {
    std::recursive_mutex lock;
    std::vector<TrpDataSet*> items;
};

// Function-local, so that datasets made during static initialisation of
// another unit still find it.
DataSetList& dataSetList()
{
    static DataSetList list;
    return list;
}

}  // namespace

void LockDataSetList()
{
    dataSetList().lock.lock();
}

void UnlockDataSetList()
{
    dataSetList().lock.unlock();
}

std::vector<TrpDataSet*> GlobalDataSets()
{
    DataSetList& list = dataSetList();
    std::lock_guard<std::recursive_mutex> guard(list.lock);
    return list.items;
}

TrpDataSet* FindGlobalDataSet(TrpDataSet* current, std::string_view name, TrpReport* report)
{
    if (name.empty()) return nullptr;
    if (!report) return current;
    DataSetList& list = dataSetList();
    std::lock_guard<std::recursive_mutex> guard(list.lock);
    for (TrpDataSet* ds : list.items) {
        if (!SameText(ds->UserName(), name)) continue;
        auto* owner = dynamic_cast<TrpReport*>(ds->Owner());
        if (!owner || owner == report) return ds;
    }
    return current;
}

// ---------------------------------------------------------------- TrpDataSet

TrpDataSet::TrpDataSet(TComponent* owner) : TrpDialogComponent(owner)
{
    DataSetList& list = dataSetList();
    std::lock_guard<std::recursive_mutex> guard(list.lock);
    list.items.push_back(this);
}

TrpDataSet::~TrpDataSet()
{
    DataSetList& list = dataSetList();
    std::lock_guard<std::recursive_mutex> guard(list.lock);
    std::erase(list.items, this);
}

void TrpDataSet::SetUserName(const std::string& value)
{
    if (Trim(value).empty()) throw EPropertyError(GetResources().Get("prInvProp"));
    userName_ = value;
}

TrpReport* TrpDataSet::Report() const noexcept
{
    return report_.get();
}

void TrpDataSet::SetReport(TrpReport* value)
{
    report_ = value;
}

void TrpDataSet::SetName(const std::string& newName)
{
    TrpDialogComponent::SetName(newName);
    if (userName_.empty() && !Trim(newName).empty()) userName_ = newName;
}

void TrpDataSet::Open()
{
    OnOpen(this);
}

void TrpDataSet::Close()
{
    OnClose(this);
}

void TrpDataSet::First()
{
    RecNo = 0;
    endOfRange_ = false;
    OnFirst(this);
}

void TrpDataSet::Next()
{
    endOfRange_ = false;
    ++RecNo;
    if (RangeEnd == reCount && RecNo >= RangeEndCount) {
        RecNo = RangeEndCount - 1;
        endOfRange_ = true;
        return;
    }
    OnNext(this);
}

void TrpDataSet::Prior()
{
    --RecNo;
    OnPrior(this);
}

bool TrpDataSet::Eof()
{
    bool eof = RangeEnd == reCount && (RecNo >= RangeEndCount || endOfRange_);
    OnCheckEOF(this, eof);
    return eof;
}

int TrpDataSet::RecordCount()
{
    return RangeBegin == rbFirst && RangeEnd == reCount ? RangeEndCount : 0;
}

TrpDataSet::Walk::Walk(TrpDataSet& dataSet, std::string walker) : dataSet_(dataSet), outer_(dataSet.walker_)
{
    dataSet_.walker_ = walker.empty() ? std::string("the report") : std::move(walker);
}

TrpDataSet::Walk::~Walk()
{
    dataSet_.walker_ = std::move(outer_);
}

void TrpDataSet::RefuseWhileWalked(const std::string& call) const
{
    const std::string walker = Walker();
    if (walker.empty()) return;
    const std::string name = !userName_.empty() ? userName_ : !Name().empty() ? Name() : ClassName();
    throw EInvalidOperation("Cannot call " + call + " on dataset " + name + " while " + walker + " prints its rows");
}

bool TrpDataSet::HasField(const std::string& field)
{
    TStringList fields;
    GetFieldList(fields);
    return fields.IndexOf(field) >= 0;
}

void TrpDataSet::Publish(TClassBuilder<TrpDataSet>& b)
{
    b.property("Enabled", &TrpDataSet::Enabled).defaultValue(true);
    b.property("RangeBegin", &TrpDataSet::RangeBegin).defaultValue(rbFirst);
    b.property("RangeEnd", &TrpDataSet::RangeEnd).defaultValue(reLast);
    b.property("RangeEndCount", &TrpDataSet::RangeEndCount).defaultValue(0);
    b.property("UserName", &TrpDataSet::UserName, &TrpDataSet::SetUserName);
    b.property("OnCheckEOF", &TrpDataSet::OnCheckEOF);
    b.property("OnFirst", &TrpDataSet::OnFirst);
    b.property("OnNext", &TrpDataSet::OnNext);
    b.property("OnPrior", &TrpDataSet::OnPrior);
}

// ---------------------------------------------------------------- TrpUserDataSet

Variant TrpUserDataSet::GetValue(const std::string& field)
{
    Variant value;
    OnGetValue(field, value);
    OnNewGetValue(this, field, value);
    return value;
}

std::u16string TrpUserDataSet::GetDisplayText(const std::string& field)
{
    return VarToWideStr(GetValue(field));
}

void TrpUserDataSet::Publish(TClassBuilder<TrpUserDataSet>& b)
{
    b.property("Fields", &TrpUserDataSet::Fields, &TrpUserDataSet::SetFields);
    b.property("OnGetValue", &TrpUserDataSet::OnGetValue);
    b.property("OnNewGetValue", &TrpUserDataSet::OnNewGetValue);
}

// ---------------------------------------------------------------- TrpCustomDBDataSet

TrpCustomDBDataSet::TrpCustomDBDataSet(TComponent* owner) : TrpDataSet(owner)
{
    FieldNames.SetSorted(true);
    FieldNames.SetDuplicates(dupIgnore);
}

std::string TrpCustomDBDataSet::ConvertAlias(std::string_view alias) const
{
    for (int i = 0; i < fieldAliases_->Count(); ++i) {
        const std::string line = fieldAliases_->Strings(i);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (AnsiSameText(std::string_view(line).substr(eq + 1), alias)) return line.substr(0, eq);
    }
    return std::string(alias);
}

int TrpCustomDBDataSet::FieldsCount()
{
    TStringList fields;
    GetFieldList(fields);
    return fields.Count();
}

void TrpCustomDBDataSet::Publish(TClassBuilder<TrpCustomDBDataSet>& b)
{
    b.property("CloseDataSource", &TrpCustomDBDataSet::CloseDataSource).defaultValue(false);
    b.property("FieldAliases", &TrpCustomDBDataSet::FieldAliases, &TrpCustomDBDataSet::SetFieldAliases);
    b.property("OpenDataSource", &TrpCustomDBDataSet::OpenDataSource).defaultValue(true);
    b.property("OnClose", &TrpCustomDBDataSet::OnClose);
    b.property("OnOpen", &TrpCustomDBDataSet::OnOpen);
}

void TrpCustomDatabase::Publish(TClassBuilder<TrpCustomDatabase>& b)
{
    b.property("Connected", &TrpCustomDatabase::Connected).defaultValue(false);
    b.property("DatabaseName", &TrpCustomDatabase::DatabaseName);
    b.property("LoginPrompt", &TrpCustomDatabase::LoginPrompt).defaultValue(false);
    b.property("Params", &TrpCustomDatabase::Params, &TrpCustomDatabase::SetParams);
}

// ---------------------------------------------------------------- the report's lists

TrpDataSet* TrpDataSetItem::DataSet() const noexcept
{
    return dataSet_.get();
}

void TrpDataSetItem::SetDataSet(TrpDataSet* value)
{
    dataSet_ = value;
    dataSetName_ = value ? value->UserName() : std::string();
}

std::string TrpDataSetItem::DataSetName() const
{
    if (TrpDataSet* ds = dataSet_.get()) return ds->UserName();
    return dataSetName_;
}

void TrpDataSetItem::SetDataSetName(const std::string& value)
{
    dataSetName_ = value;
    if (value.empty()) {
        dataSet_ = nullptr;
        return;
    }
    auto* list = dynamic_cast<TrpReportDataSets*>(Collection());
    TrpReport* report = list ? list->Report() : nullptr;
    if (report) dataSet_ = report->FindDataSet(dataSet_.get(), value);
}

void TrpDataSetItem::Assign(const TPersistent* source)
{
    const auto* item = dynamic_cast<const TrpDataSetItem*>(source);
    if (!item) {
        TCollectionItem::Assign(source);
        return;
    }
    dataSet_ = item->dataSet_;
    dataSetName_ = item->dataSetName_;
}

void TrpDataSetItem::Publish(TClassBuilder<TrpDataSetItem>& b)
{
    b.property("DataSet", &TrpDataSetItem::DataSet, &TrpDataSetItem::SetDataSet);
    b.property("DataSetName", &TrpDataSetItem::DataSetName, &TrpDataSetItem::SetDataSetName);
}

TrpReportDataSets::TrpReportDataSets(TrpReport* report)
    : TCollection(TrpDataSetItem::StaticClass(), report), report_(report)
{
}

TrpReport* TrpReportDataSets::Report() const noexcept
{
    return report_.get();
}

void TrpReportDataSets::Initialize()
{
    for (int i = 0; i < Count(); ++i) {
        if (TrpDataSet* ds = Items(i)->DataSet()) {
            ds->SetReport(Report());
            ds->Initialize();
        }
    }
}

void TrpReportDataSets::Finalize()
{
    for (int i = 0; i < Count(); ++i)
        if (TrpDataSet* ds = Items(i)->DataSet()) ds->Finalize();
}

TrpDataSetItem* TrpReportDataSets::FindByDataSet(const TrpDataSet* dataSet) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->DataSet() == dataSet) return Items(i);
    return nullptr;
}

TrpDataSetItem* TrpReportDataSets::Find(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i) {
        TrpDataSet* ds = Items(i)->DataSet();
        if (ds && AnsiSameText(ds->UserName(), name)) return Items(i);
    }
    return nullptr;
}
