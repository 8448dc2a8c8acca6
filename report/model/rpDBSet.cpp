#include "rpDBSet.h"

#include <algorithm>

#include "CodePages.h"
#include "SysUtils.h"
#include "VariantValue.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpUnicodeUtils.h"

namespace {

bool isText(db::FieldType t)
{
    return t == db::FieldType::String || t == db::FieldType::Memo;
}

// A stored value as the column's declared type reads it; a value its type
// cannot read stays what it is.
Variant typedValue(const db::FieldDef& def, const db::Value& v, bool bcdToCurrency)
{
    using db::FieldType;
    using db::StorageClass;
    if (v.isNull()) return Variant::Null();
    const StorageClass kind = v.kind();
    const bool number = kind == StorageClass::Integer || kind == StorageClass::Float;
    switch (def.type) {
    case FieldType::String:
    case FieldType::Memo:
        // What prints is the text as stored.
        return kind == StorageClass::Text || kind == StorageClass::Blob ? Variant(std::string_view(v.bytes()))
                                                                         : Variant(v.asText());
    case FieldType::Integer:
        if (kind == StorageClass::Integer) return Variant(v.integer());
        break;
    case FieldType::Float:
        if (number) return Variant(v.asDouble());
        break;
    case FieldType::Bcd: {
        Extended x = 0;
        if (number)
            x = v.asDouble();
        else if (!TryStrToFloat(v.bytes(), x))
            break;
        return bcdToCurrency ? Variant::FromCurrency(static_cast<double>(x)) : Variant(static_cast<double>(x));
    }
    case FieldType::Boolean:
        if (number) return Variant(v.asDouble() != 0);
        if (SameText(v.bytes(), "True")) return Variant(true);
        if (SameText(v.bytes(), "False")) return Variant(false);
        break;
    case FieldType::DateTime: {
        TDateTime d = 0;
        if (kind == StorageClass::Text && TryStrToDateTime(v.bytes(), d)) return Variant::FromDate(d);
        break;
    }
    default: break;
    }
    return db::ToVariant(v);
}

}  // namespace

TrpDBDataset::TrpDBDataset(TComponent* owner) : TrpCustomDBDataSet(owner) {}

TrpDBDataset::~TrpDBDataset()
{
    if (query_) query_->unsubscribe(this);
}

void TrpDBDataset::SetDataSet(db::Query* query)
{
    if (query == query_) return;
    if (query_) query_->unsubscribe(this);
    query_ = query;
    opened_ = fieldsBuilt_ = false;
    bookmark_ = 0;
    if (query_) query_->subscribe(this);
}

void TrpDBDataset::queryOpened(db::Query&)
{
    buildFieldList();
}

void TrpDBDataset::queryClosing(db::Query&)
{
    bookmark_ = 0;
    opened_ = fieldsBuilt_ = false;
}

void TrpDBDataset::queryDestroyed(db::Query&)
{
    query_ = nullptr;
    bookmark_ = 0;
    opened_ = fieldsBuilt_ = false;
    fields_.clear();
    columns_.clear();
}

void TrpDBDataset::buildFieldList()
{
    fields_.clear();
    columns_.clear();
    fieldsBuilt_ = query_ && query_->active();
    if (!fieldsBuilt_) return;
    TStringList names;
    GetFieldList(names);
    for (int i = 0; i < names.Count(); ++i) {
        const std::string& name = names.Strings(i);
        fields_.emplace_back(name, query_->findField(ConvertAlias(name)));
    }
    std::sort(fields_.begin(), fields_.end(),
              [](const auto& a, const auto& b) { return AnsiUpperCase(a.first) < AnsiUpperCase(b.first); });
}

void TrpDBDataset::GetFieldList(TStrings& list)
{
    list.Clear();
    if (FieldAliases()->Count() > 0) {
        for (int i = 0; i < FieldAliases()->Count(); ++i) {
            const std::string line = FieldAliases()->Strings(i);
            const size_t eq = line.find('=');
            if (eq == std::string::npos || line.compare(0, 1, "-") == 0) continue;
            list.Add(line.substr(eq + 1));
        }
        return;
    }
    if (!query_) return;
    if (!query_->active()) ensureOpen();
    // Each column once: a field listed twice would count twice.
    for (const std::string& name : query_->fieldNames())
        if (list.IndexOf(name) < 0) list.Add(name);
}

int TrpDBDataset::columnOf(const std::string& field)
{
    ensureOpen();
    if (!fieldsBuilt_) buildFieldList();
    if (const auto found = columns_.find(field); found != columns_.end()) return found->second;
    int column = kMissing;
    for (const auto& [name, index] : fields_) {
        if (AnsiSameText(name, field)) {
            column = index < 0 ? kUnmapped : index;
            break;
        }
    }
    // With aliases a column is still read by its own name, unless hidden.
    if (column == kMissing && query_ && FieldAliases()->Count() > 0 && FieldAliases()->IndexOfName("-" + field) < 0) {
        const int index = query_->findField(field);
        if (index >= 0) column = index;
    }
    columns_.emplace(field, column);
    return column;
}

void TrpDBDataset::fieldNotFound(const std::string& field, std::u16string* text)
{
    const std::string message = GetResources().Get("dbFldNotFound") + " " + UserName() + ".\"" + field + "\"";
    if (text) *text = Utf8ToUtf16(message);
    if (TrpReport* report = Report())
        report->Errors.Add(report->CurObject.empty() ? message : report->CurObject + ": " + message);
}

bool TrpDBDataset::HasField(const std::string& field)
{
    return query_ && columnOf(field) != kMissing;
}

Variant TrpDBDataset::GetValue(const std::string& field)
{
    const int column = query_ ? columnOf(field) : kMissing;
    if (column < 0) {
        fieldNotFound(field);
        return Variant::Null();
    }
    return typedValue(query_->fieldDef(column), query_->value(column), BCDToCurrency);
}

std::u16string TrpDBDataset::GetDisplayText(const std::string& field)
{
    if (query_) ensureOpen();
    if (!query_ || !query_->active()) return Utf8ToUtf16(UserName() + ".\"" + field + "\"");
    const int column = columnOf(field);
    if (column < 0) {
        std::u16string text;
        fieldNotFound(field, &text);
        return text;
    }
    const db::FieldDef& def = query_->fieldDef(column);
    const db::Value& v = query_->value(column);
    if (isText(def.type) && v.kind() == db::StorageClass::Text) return Utf8ToUtf16(v.bytes());
    return VarToWideStr(typedValue(def, v, BCDToCurrency));
}

int TrpDBDataset::GetDisplayWidth(const std::string& field)
{
    const int column = query_ ? columnOf(field) : kMissing;
    if (column < 0) return 10;
    const db::FieldDef& def = query_->fieldDef(column);
    switch (def.type) {
    case db::FieldType::String: return def.size > 0 ? def.size : 10;
    case db::FieldType::DateTime: return 20;
    case db::FieldType::Integer: return 15;
    default: return 10;
    }
}

TrpFieldType TrpDBDataset::GetFieldType(const std::string& field)
{
    const int column = query_ ? columnOf(field) : kMissing;
    if (column < 0) return fftNumeric;
    const db::FieldType t = query_->fieldDef(column).type;
    if (isText(t)) return fftString;
    return t == db::FieldType::Boolean ? fftBoolean : fftNumeric;
}

bool TrpDBDataset::IsBlobField(const std::string& field)
{
    const int column = query_ ? columnOf(field) : kMissing;
    if (column < 0) return false;
    const db::FieldType t = query_->fieldDef(column).type;
    return t == db::FieldType::Memo || t == db::FieldType::Blob;
}

void TrpDBDataset::AssignBlobTo(const std::string& field, TStream& target)
{
    if (!IsBlobField(field)) return;
    const db::Value& v = query_->value(columnOf(field));
    target.Write(v.bytes().data(), static_cast<int64_t>(v.bytes().size()));
    target.SetPosition(0);
}

void TrpDBDataset::AssignBlobTo(const std::string& field, TWideStrings& target)
{
    if (!IsBlobField(field)) return;
    target.SetText(Utf8ToUtf16(query_->value(columnOf(field)).bytes()));
}

void TrpDBDataset::Initialize()
{
    if (!query_) throw Exception(Format(GetResources().Get("dbNotConn"), {Variant(Name())}));
    endOfRange_ = false;
    opened_ = false;
}

void TrpDBDataset::Finalize()
{
    if (query_ && bookmark_ && query_->bookmarkValid(bookmark_)) query_->gotoBookmark(bookmark_);
    bookmark_ = 0;
    if (CloseDataSource) Close();
    opened_ = false;
}

void TrpDBDataset::ensureOpen()
{
    if (!opened_) Open();
}

void TrpDBDataset::Open()
{
    if (opened_) return;
    if (!query_) throw Exception(Format(GetResources().Get("dbNotConn"), {Variant(Name())}));
    query_->open();
    opened_ = true;
    if (!fieldsBuilt_) buildFieldList();
    if (RangeBegin == rbCurrent || RangeEnd == reCurrent) bookmark_ = query_->getBookmark();
    TrpCustomDBDataSet::Open();
}

void TrpDBDataset::Close()
{
    TrpCustomDBDataSet::Close();
    bookmark_ = 0;
    opened_ = false;
    if (query_) query_->close();
}

void TrpDBDataset::First()
{
    ensureOpen();
    if (RangeBegin == rbCurrent && query_->bookmarkValid(bookmark_))
        query_->gotoBookmark(bookmark_);
    else
        query_->first();
    TrpCustomDBDataSet::First();
}

void TrpDBDataset::Next()
{
    ensureOpen();
    if (RangeEnd == reCurrent && query_->getBookmark() == bookmark_) {
        endOfRange_ = true;
        return;
    }
    query_->next();
    TrpCustomDBDataSet::Next();
}

void TrpDBDataset::Prior()
{
    ensureOpen();
    query_->prior();
    TrpCustomDBDataSet::Prior();
}

bool TrpDBDataset::Eof()
{
    if (!query_) return true;
    ensureOpen();
    return TrpCustomDBDataSet::Eof() || query_->eof() || endOfRange_;
}

int TrpDBDataset::RecordCount()
{
    if (!query_) return 0;
    ensureOpen();
    return static_cast<int>(query_->recordCount());
}

std::string TrpDBDataset::Walker() const
{
    std::string walker = TrpCustomDBDataSet::Walker();
    if (!walker.empty() || !query_) return walker;
    for (TrpDataSet* other : GlobalDataSets()) {
        const auto* db = dynamic_cast<const TrpDBDataset*>(other);
        if (db && db != this && db->query_ == query_ && !(walker = db->TrpCustomDBDataSet::Walker()).empty()) break;
    }
    return walker;
}

void TrpDBDataset::Publish(TClassBuilder<TrpDBDataset>& b)
{
    b.property("BCDToCurrency", &TrpDBDataset::BCDToCurrency).defaultValue(false);
}
