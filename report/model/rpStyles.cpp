#include "rpStyles.h"

#include "SysUtils.h"
#include "rpMemo.h"
#include "rpReport.h"
#include "rpXML.h"
#include "rpXMLSerializer.h"

TrpStyleItem::TrpStyleItem(TCollection* collection)
    : TCollectionItem(collection), font_(std::make_unique<TFont>()), frame_(std::make_unique<TrpFrame>())
{
    font_->SetName("Arial");
    font_->SetSize(10);
    font_->SetCharset(DEFAULT_CHARSET);
}

TrpStyleItem::~TrpStyleItem() = default;

void TrpStyleItem::SetName(const std::string& value)
{
    if (auto* list = dynamic_cast<TrpStyles*>(Collection())) {
        const TrpStyleItem* other = list->Find(value);
        if (other && other != this) throw EListError("Duplicate name");
    }
    name_ = value;
}

void TrpStyleItem::Assign(const TPersistent* source)
{
    const auto* item = dynamic_cast<const TrpStyleItem*>(source);
    if (!item) return;
    name_ = item->name_;
    color_ = item->color_;
    font_->Assign(item->font_.get());
    frame_->Assign(item->frame_.get());
}

void TrpStyleItem::Publish(TClassBuilder<TrpStyleItem>& b)
{
    b.property("Name", &TrpStyleItem::Name, &TrpStyleItem::SetName);
    b.property("Color", &TrpStyleItem::Color, &TrpStyleItem::SetColor);
    b.property("Font", &TrpStyleItem::Font, &TrpStyleItem::SetFont);
    b.property("Frame", &TrpStyleItem::Frame, &TrpStyleItem::SetFrame);
}

TrpStyles::TrpStyles(TrpReport* report) : TCollection(TrpStyleItem::StaticClass(), report), report_(report) {}

TrpReport* TrpStyles::Report() const noexcept
{
    return report_.get();
}

TrpStyleItem* TrpStyles::Find(std::string_view name) const
{
    const std::string wanted = AnsiUpperCase(name);
    for (int i = 0; i < Count(); ++i)
        if (AnsiUpperCase(Items(i)->Name()) == wanted) return Items(i);
    return nullptr;
}

void TrpStyles::GetList(TStrings& list) const
{
    list.Clear();
    for (int i = 0; i < Count(); ++i) list.Add(Items(i)->Name());
}

void TrpStyles::Apply()
{
    TrpReport* report = Report();
    if (!report) return;
    const std::vector<TrpComponent*> objects = report->GetAllObjects();
    for (TrpComponent* object : objects) {
        auto* memo = dynamic_cast<TrpCustomMemoView*>(object);
        if (!memo) continue;
        const std::string style = memo->Style();
        memo->SetStyle(Find(style) ? style : std::string());
    }
}

void TrpStyles::LoadFromStream(TStream& stream, TStrings* errors)
{
    Clear();
    TrpXMLDocument doc;
    doc.LoadFromStream(stream);
    TrpXMLItem* root = doc.Root();
    if (!SameText(root->Name(), "style")) return;
    Clear();
    TrpXMLSerializer reader;
    reader.OldFormat = doc.OldVersion;
    Name = root->Prop("Name");
    for (int i = 0; i < root->Count(); ++i) {
        TrpXMLItem* child = root->Items(i);
        if (!SameText(child->Name(), "item")) continue;
        reader.ReadProps(nullptr, Add(), child->Text());
    }
    if (errors) errors->AddStrings(&reader.Errors);
    Apply();
}

void TrpStyles::SaveToStream(TStream& stream)
{
    TrpXMLDocument doc;
    doc.AutoIndent = true;
    TrpXMLItem* root = doc.Root();
    root->SetName("style");
    root->SetProp("Name", Name);
    TrpXMLSerializer writer;
    for (int i = 0; i < Count(); ++i) {
        TrpXMLItem* item = root->Add();
        item->SetName("item");
        item->SetText(writer.WriteProps(Items(i)));
    }
    doc.SaveToStream(stream);
}

void TrpStyles::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    try {
        LoadFromStream(stream);
    } catch (const TrpInvalidXMLException& e) {
        throw TrpInvalidXMLException(InvalidFileMessage(e.message(), fileName));
    }
}

void TrpStyles::SaveToFile(const std::string& fileName)
{
    TSaveFileStream stream(fileName);
    SaveToStream(stream);
    stream.Commit();
}
