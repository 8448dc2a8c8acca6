#include "rpRegistry.h"

#include <QFontDatabase>

#include <algorithm>
#include <array>

#include "Canvas.h"
#include "ControlIdents.h"
#include "Graphics.h"
#include "QtCanvas.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpClass.h"
#include "rpDataSets.h"
#include "rpUtilsGui.h"

// ---------------------------------------------------------------- objects

const TrpObjectItem& TrpObjectCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TrpObjectCollection::RegisterObject(const TClass* cls, const QImage* bitmap, int imageIndex,
                                         const std::string& hint, const std::string& description, uint16_t flags,
                                         uint8_t category)
{
    for (const TrpObjectItem& item : items_)
        if (item.ClassRef == cls && item.Flags == flags) return;
    TrpObjectItem item;
    item.ClassRef = cls;
    if (bitmap) item.ButtonBitmap = *bitmap;
    item.ButtonImageIndex = imageIndex;
    item.ButtonHint = hint;
    item.Description = description;
    item.Flags = flags;
    item.Category = category;
    if (category == 0 && cls) {
        if (cls->InheritsFrom(TrpDataSet::StaticClass()) || cls->InheritsFrom(TrpCustomDatabase::StaticClass()))
            item.Category = rpcatData;
        else if (cls->InheritsFrom(TrpDialogControl::StaticClass()) ||
                 cls->InheritsFrom(TrpDialogComponent::StaticClass()))
            item.Category = rpcatDialog;
        else
            item.Category = rpcatReport;
    }
    items_.push_back(std::move(item));
}

void TrpObjectCollection::UnregisterObject(const TClass* cls)
{
    std::erase_if(items_, [cls](const TrpObjectItem& item) { return item.ClassRef == cls; });
}

TrpObjectCollection& GetObjectCollection()
{
    static TrpObjectCollection collection;
    return collection;
}

int ObjectImageIndex(const TClass* cls)
{
    const TrpObjectCollection& objects = GetObjectCollection();
    for (int i = 0; i < objects.Count(); ++i)
        if (objects.GetItem(i).ClassRef == cls) return objects.GetItem(i).ButtonImageIndex;
    return -1;
}

// ---------------------------------------------------------------- component editors

void TrpComponentEditor::AddMenuItem(std::vector<MenuItem>& menu, std::string caption, int tag, bool checked)
{
    menu.push_back({std::move(caption), tag, checked});
}

const TrpComponentEditorItem& TrpComponentEditorCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TrpComponentEditorCollection::Register(const TClass* componentClass, TrpComponentEditorFactory editor)
{
    items_.push_back({componentClass, std::move(editor)});
}

void TrpComponentEditorCollection::Unregister(const TClass* componentClass)
{
    std::erase_if(items_, [componentClass](const TrpComponentEditorItem& i) { return i.ComponentClass == componentClass; });
}

TrpComponentEditorCollection& GetComponentEditors()
{
    static TrpComponentEditorCollection collection;
    return collection;
}

// ---------------------------------------------------------------- property editors

void TrpPropertyEditor::AddObject(TObject* object, const TPropInfo* prop)
{
    objects_.push_back({Ref<TObject>(object), prop});
}

std::string TrpPropertyEditor::GetName() const
{
    return objects_.empty() ? std::string() : objects_.front().prop->Name();
}

void TrpPropertyEditor::GetValues()
{
    Values.Clear();
    Values.SetSorted(false);
    FillValues(Values);
    if (!KeepsOwnOrder()) Values.Sort();
}

void TrpPropertyEditor::DrawValue(TCanvas& canvas, int x, int y, int width)
{
    canvas.TextOut(x + width - 2, y, GetValue());
    canvas.Pen()->SetColor(static_cast<TColor>(0x808080));
}

Extended TrpPropertyEditor::GetFloatValue() const
{
    if (objects_.empty()) return 0;
    TObject* o = objects_.front().object.get();
    return o ? objects_.front().prop->GetFloat(o) : 0;
}

int64_t TrpPropertyEditor::GetOrdValue() const
{
    if (objects_.empty()) return 0;
    TObject* o = objects_.front().object.get();
    return o ? objects_.front().prop->GetOrd(o) : 0;
}

std::string TrpPropertyEditor::GetStrValue() const
{
    if (objects_.empty()) return std::string();
    TObject* o = objects_.front().object.get();
    return o ? GetPropText(o, objects_.front().prop) : std::string();
}

TObject* TrpPropertyEditor::GetObjectValue(int index) const
{
    if (index < 0 || index >= ObjectCount()) return nullptr;
    const Edited& e = objects_[static_cast<size_t>(index)];
    TObject* o = e.object.get();
    return o && IsObjectKind(e.prop->Kind()) ? e.prop->GetObject(o) : nullptr;
}

void TrpPropertyEditor::SetFloatValue(Extended value)
{
    for (const Edited& e : objects_)
        if (TObject* o = e.object.get()) e.prop->SetFloat(o, value);
}

void TrpPropertyEditor::SetOrdValue(int64_t value)
{
    for (const Edited& e : objects_)
        if (TObject* o = e.object.get()) e.prop->SetOrd(o, value);
}

void TrpPropertyEditor::SetStrValue(const std::string& value)
{
    for (const Edited& e : objects_)
        if (TObject* o = e.object.get()) SetPropText(o, e.prop, value);
}

std::string TrpIntegerProperty::GetValue()
{
    return IntToStr(GetOrdValue());
}

void TrpIntegerProperty::SetValue(const std::string& value)
{
    SetOrdValue(StrToInt64(value));
}

std::string TrpClassProperty::GetValue()
{
    TObject* value = GetObjectValue(0);
    return "(" + (value ? value->ClassName() : std::string()) + ")";
}

const char* const kShortCutNone = "(None)";

namespace rp_editor_kinds {

std::string Color::ToText(int64_t value) { return ColorToString(static_cast<TColor>(value)); }
int64_t Color::FromText(const std::string& text) { return StringToColor(text); }
void Color::Values(TStrings& list)
{
    GetColorValues([&](const std::string& name) { list.Add(name); });
}

std::string FontCharset::ToText(int64_t value)
{
    std::string ident;
    return CharsetToIdent(static_cast<int32_t>(value), ident) ? ident : Format("%d", {Variant(value)});
}
int64_t FontCharset::FromText(const std::string& text)
{
    int32_t charset = 0;
    return IdentToCharset(text, charset) ? charset : StrToInt(text);
}
void FontCharset::Values(TStrings& list)
{
    GetCharsetValues([&](const std::string& name) { list.Add(name); });
}

namespace {

constexpr std::array<const char*, 11> kModalResults = {"mrNone", "mrOk",  "mrCancel", "mrAbort",
                                                       "mrRetry", "mrIgnore", "mrYes", "mrNo",
                                                       "mrAll", "mrNoToAll", "mrYesToAll"};

// Date-time editors: 0 shows as empty text and empty text stores 0.
std::string dateText(Extended value, std::string (*toText)(TDateTime))
{
    return value == 0 ? std::string() : toText(static_cast<TDateTime>(value));
}

Extended dateValue(const std::string& text, TDateTime (*fromText)(std::string_view))
{
    return Trim(text).empty() ? 0 : static_cast<Extended>(fromText(text));
}

}  // namespace

std::string ModalResult::ToText(int64_t value)
{
    if (value >= 0 && value < static_cast<int64_t>(kModalResults.size())) return kModalResults[value];
    return IntToStr(value);
}
int64_t ModalResult::FromText(const std::string& text)
{
    const std::string name = Trim(text);
    if (name.empty()) return 0;
    for (size_t i = 0; i < kModalResults.size(); ++i)
        if (SameText(kModalResults[i], name)) return static_cast<int64_t>(i);
    return StrToInt(text);
}
void ModalResult::Values(TStrings& list)
{
    for (const char* name : kModalResults) list.Add(name);
}

std::string ShortCut::ToText(int64_t value)
{
    const auto shortCut = static_cast<TShortCut>(value);
    return shortCut == 0 ? std::string(kShortCutNone) : ShortCutToText(shortCut);
}
int64_t ShortCut::FromText(const std::string& text)
{
    return SameText(Trim(text), kShortCutNone) ? 0 : TextToShortCut(text);
}
void ShortCut::Values(TStrings& list)
{
    list.Add(kShortCutNone);
    GetShortCutValues([&](const std::string& text) { list.Add(text); });
}

std::string Cursor::ToText(int64_t value) { return CursorToString(static_cast<int32_t>(value)); }
int64_t Cursor::FromText(const std::string& text) { return StringToCursor(text); }
void Cursor::Values(TStrings& list)
{
    GetCursorValues([&](const std::string& name) { list.Add(name); });
}

std::string DateTime::ToText(Extended value) { return dateText(value, DateTimeToStr); }
Extended DateTime::FromText(const std::string& text) { return dateValue(text, StrToDateTime); }
std::string Date::ToText(Extended value) { return dateText(value, DateToStr); }
Extended Date::FromText(const std::string& text) { return dateValue(text, StrToDate); }
std::string Time::ToText(Extended value) { return dateText(value, TimeToStr); }
Extended Time::FromText(const std::string& text) { return dateValue(text, StrToTime); }

}  // namespace rp_editor_kinds

bool TrpColorProperty::Edit()
{
    QColor color = ToQColor(static_cast<TColor>(GetOrdValue()));
    if (!gui::ui().colorDialog(color, QString())) return false;
    SetOrdValue(RGB(static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()),
                    static_cast<uint8_t>(color.blue())));
    return true;
}

bool TrpFontProperty::Edit()
{
    auto* font = dynamic_cast<TFont*>(GetObjectValue(0));
    if (!font) return false;
    QFont qfont = FontForDialog(*font);
    if (!gui::ui().fontDialog(qfont, QString())) return false;
    TFont chosen;
    chosen.Assign(font);
    FontFromDialog(qfont, chosen);
    for (int i = 0; i < ObjectCount(); ++i)
        if (auto* target = dynamic_cast<TFont*>(GetObjectValue(i))) target->Assign(&chosen);
    return true;
}

void TrpFontNameProperty::FillValues(TStrings& list)
{
    for (const QString& family : QFontDatabase::families()) list.Add(family.toStdString());
}

const TrpPropertyEditorItem& TrpPropertyEditorCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TrpPropertyEditorCollection::Register(std::string typeName, const TClass* componentClass,
                                           TrpPropertyEditorFactory editor, std::string propertyName)
{
    items_.push_back({std::move(typeName), componentClass, std::move(propertyName), std::move(editor)});
}

int TrpPropertyEditorCollection::Find(std::string_view typeName, const TClass* componentClass,
                                      std::string_view propertyName)
{
    for (int i = Count() - 1; i >= 0; --i) {
        const TrpPropertyEditorItem& item = items_[static_cast<size_t>(i)];
        if (!SameText(item.TypeName, typeName)) continue;
        if (item.ComponentClass && (!componentClass || !componentClass->InheritsFrom(item.ComponentClass))) continue;
        if (!item.PropertyName.empty() && !SameText(item.PropertyName, propertyName)) continue;
        lastFound_ = i;
        return i;
    }
    return -1;
}

TrpPropertyEditorCollection& GetPropertyEditors()
{
    static TrpPropertyEditorCollection collection;
    return collection;
}

TrpCustomExportFilter& TrpExportFilterCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count()) RaiseListIndexError(index);
    return *filters_[static_cast<size_t>(index)];
}

int TrpExportFilterCollection::IndexOf(const TrpCustomExportFilter* filter) const
{
    const auto found = std::find(filters_.begin(), filters_.end(), filter);
    return found == filters_.end() ? -1 : static_cast<int>(found - filters_.begin());
}

void TrpExportFilterCollection::Register(TrpCustomExportFilter* filter)
{
    if (filter && IndexOf(filter) < 0) filters_.push_back(filter);
}

void TrpExportFilterCollection::Unregister(const TrpCustomExportFilter* filter)
{
    std::erase(filters_, filter);
}

TrpExportFilterCollection& GetExportFilters()
{
    // Never destroyed: filters leave it from their destructors, which may
    // run after static objects are gone.
    static auto* collection = new TrpExportFilterCollection;
    return *collection;
}

namespace {

template <class E>
TrpPropertyEditorFactory editorOf()
{
    return [](TObject* designer) -> std::unique_ptr<TrpPropertyEditor> { return std::make_unique<E>(designer); };
}

}  // namespace

void registerPropertyEditors()
{
    TrpPropertyEditorCollection& editors = GetPropertyEditors();
    const TClass* font = TFont::StaticClass();
    editors.Register("TComponentName", nullptr, editorOf<TrpNameProperty>(), "Name");
    editors.Register("TColor", nullptr, editorOf<TrpColorProperty>());
    editors.Register("TFont", nullptr, editorOf<TrpFontProperty>());
    editors.Register("String", font, editorOf<TrpFontNameProperty>(), "Name");
    editors.Register("Integer", font, editorOf<TrpFontCharsetProperty>(), "Charset");
    editors.Register("TModalResult", nullptr, editorOf<TrpModalResultProperty>());
    editors.Register("TShortCut", nullptr, editorOf<TrpShortCutProperty>());
    editors.Register("TCursor", nullptr, editorOf<TrpCursorProperty>());
    editors.Register("TDateTime", nullptr, editorOf<TrpDateTimeProperty>());
    editors.Register("TDate", nullptr, editorOf<TrpDateProperty>());
    editors.Register("TTime", nullptr, editorOf<TrpTimeProperty>());
}

void unregisterPropertyEditors()
{
    GetPropertyEditors() = TrpPropertyEditorCollection();
}
