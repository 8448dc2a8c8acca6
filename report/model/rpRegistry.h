#pragma once
// The registries through which report-object units announce themselves:
// object kinds (with their button image and category), component editors,
// property editors and export filters, and the property editors of a
// designer with the platform's name tables.

#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Reflection.h"
#include "StringLists.h"

class TCanvas;

// ---------------------------------------------------------------- objects

constexpr uint8_t rpcatData = 1;
constexpr uint8_t rpcatReport = 2;
constexpr uint8_t rpcatDialog = 4;
constexpr uint8_t rpcatDMP = 8;

struct TrpObjectItem {
    const TClass* ClassRef = nullptr;
    QImage ButtonBitmap;
    int ButtonImageIndex = -1;
    std::string ButtonHint;
    std::string Description;
    uint16_t Flags = 0;
    uint8_t Category = 0;
};

class TrpObjectCollection {
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // EListError out of range.
    const TrpObjectItem& GetItem(int index) const;
    // Nothing when the class is registered with the same flags already. An
    // empty category comes from the class: data objects 1, dialog objects
    // 4, others 2.
    void RegisterObject(const TClass* cls, const QImage* bitmap, int imageIndex, const std::string& hint = {},
                        const std::string& description = {}, uint16_t flags = 0, uint8_t category = 0);
    // Removes every item of the class.
    void UnregisterObject(const TClass* cls);

private:
    std::vector<TrpObjectItem> items_;
};

TrpObjectCollection& GetObjectCollection();
// The button image of the first item whose class is exactly this one; -1
// when none.
int ObjectImageIndex(const TClass* cls);

// ---------------------------------------------------------------- component editors

// What a designer offers for a component: an editor and menu items.
class TrpComponentEditor {
public:
    struct MenuItem {
        std::string Caption;
        int Tag = 0;
        bool Checked = false;
    };

    TrpComponentEditor(TComponent* component, TObject* designer) : Component(component), Designer(designer) {}
    virtual ~TrpComponentEditor() = default;

    virtual bool Edit() { return false; }
    virtual bool HasEditor() { return false; }
    virtual void GetMenuItems(std::vector<MenuItem>&) {}
    virtual bool Execute(int, bool) { return false; }

    TComponent* Component;
    TObject* Designer;

protected:
    static void AddMenuItem(std::vector<MenuItem>& menu, std::string caption, int tag, bool checked = false);
};

using TrpComponentEditorFactory =
    std::function<std::unique_ptr<TrpComponentEditor>(TComponent* component, TObject* designer)>;

struct TrpComponentEditorItem {
    const TClass* ComponentClass = nullptr;
    TrpComponentEditorFactory Editor;
};

class TrpComponentEditorCollection {
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const TrpComponentEditorItem& GetItem(int index) const;
    void Register(const TClass* componentClass, TrpComponentEditorFactory editor);
    // Removes every editor of the class.
    void Unregister(const TClass* componentClass);

private:
    std::vector<TrpComponentEditorItem> items_;
};

TrpComponentEditorCollection& GetComponentEditors();

// ---------------------------------------------------------------- property editors

// Attribute bits a designer reads from an editor.
constexpr unsigned rppaValueList = 1;
constexpr unsigned rppaSortList = 2;
constexpr unsigned rppaDialog = 4;
constexpr unsigned rppaMultiSelect = 8;
constexpr unsigned rppaSubProperties = 16;
constexpr unsigned rppaReadOnly = 32;
constexpr unsigned rppaOwnerDrawList = 64;

// Edits one property of a set of objects (the first one's value shows).
class TrpPropertyEditor {
public:
    explicit TrpPropertyEditor(TObject* designer = nullptr) : Designer(designer) {}
    virtual ~TrpPropertyEditor() = default;

    // The objects and the property edited.
    void AddObject(TObject* object, const TPropInfo* prop);
    int ObjectCount() const noexcept { return static_cast<int>(objects_.size()); }

    virtual bool Edit() { return false; }
    virtual unsigned GetAttributes() const { return rppaMultiSelect; }
    std::string GetName() const;
    virtual std::string GetValue() { return "(Unknown)"; }
    virtual int GetExtraWidth() const { return ValueWidth + 2; }
    // Fills Values: cleared, then sorted unless the editor keeps its order.
    void GetValues();
    virtual void SetValue(const std::string&) {}
    // The value at x + width - 2, then the pen grey.
    virtual void DrawValue(TCanvas& canvas, int x, int y, int width);

    TObject* Designer;
    TStringList Values;
    int ValueWidth = 0;

protected:
    virtual void FillValues(TStrings&) {}
    virtual bool KeepsOwnOrder() const { return false; }
    Extended GetFloatValue() const;
    int64_t GetOrdValue() const;
    std::string GetStrValue() const;
    // The object a class property of the index'th edited object holds.
    TObject* GetObjectValue(int index) const;
    void SetFloatValue(Extended value);
    void SetOrdValue(int64_t value);
    void SetStrValue(const std::string& value);

private:
    struct Edited {
        Ref<TObject> object;
        const TPropInfo* prop;
    };
    std::vector<Edited> objects_;
};

class TrpIntegerProperty : public TrpPropertyEditor {
public:
    using TrpPropertyEditor::TrpPropertyEditor;
    std::string GetValue() override;
    void SetValue(const std::string& value) override;
};

class TrpStringProperty : public TrpPropertyEditor {
public:
    using TrpPropertyEditor::TrpPropertyEditor;
    std::string GetValue() override { return GetStrValue(); }
    void SetValue(const std::string& value) override { SetStrValue(value); }
};

class TrpClassProperty : public TrpPropertyEditor {
public:
    using TrpPropertyEditor::TrpPropertyEditor;
    unsigned GetAttributes() const override { return rppaMultiSelect | rppaSubProperties | rppaReadOnly; }
    std::string GetValue() override;
};

class TrpNameProperty : public TrpStringProperty {
public:
    using TrpStringProperty::TrpStringProperty;
    unsigned GetAttributes() const override { return 0; }
};

// What sets the editors of a value kind apart: their attributes, how a
// value becomes text and back, the values they offer (in their own order
// or sorted). One template serves them all.
namespace rp_editor_kinds {
struct Color;
struct FontCharset;
struct ModalResult;
struct ShortCut;
struct Cursor;
struct DateTime;
struct Date;
struct Time;
}  // namespace rp_editor_kinds

template <class Kind>
class TrpValueProperty : public TrpPropertyEditor {
public:
    using TrpPropertyEditor::TrpPropertyEditor;
    unsigned GetAttributes() const override { return Kind::Attributes; }
    std::string GetValue() override
    {
        if constexpr (Kind::Float) return Kind::ToText(GetFloatValue());
        else return Kind::ToText(GetOrdValue());
    }
    void SetValue(const std::string& value) override
    {
        if constexpr (Kind::Float) SetFloatValue(Kind::FromText(value));
        else SetOrdValue(Kind::FromText(value));
    }

protected:
    void FillValues(TStrings& list) override { Kind::Values(list); }
    bool KeepsOwnOrder() const override { return Kind::OwnOrder; }
};

namespace rp_editor_kinds {
// An ordinal value offered from a list.
struct OrdinalList {
    static constexpr bool Float = false;
    static constexpr bool OwnOrder = false;
    static constexpr unsigned Attributes = rppaMultiSelect | rppaSortList | rppaValueList;
};
struct Color : OrdinalList {
    static constexpr unsigned Attributes = rppaMultiSelect | rppaOwnerDrawList | rppaValueList;
    static std::string ToText(int64_t value);
    static int64_t FromText(const std::string& text);
    static void Values(TStrings& list);
};
struct FontCharset : OrdinalList {
    static std::string ToText(int64_t value);
    static int64_t FromText(const std::string& text);
    static void Values(TStrings& list);
};
struct ModalResult : OrdinalList {
    static constexpr bool OwnOrder = true;
    static constexpr unsigned Attributes = rppaMultiSelect | rppaValueList;
    static std::string ToText(int64_t value);
    static int64_t FromText(const std::string& text);
    static void Values(TStrings& list);
};
struct ShortCut : ModalResult {
    static std::string ToText(int64_t value);
    static int64_t FromText(const std::string& text);
    static void Values(TStrings& list);
};
struct Cursor : OrdinalList {
    static std::string ToText(int64_t value);
    static int64_t FromText(const std::string& text);
    static void Values(TStrings& list);
};
// A date-time value: 0 shows as empty text and empty text stores 0.
struct Dates {
    static constexpr bool Float = true;
    static constexpr bool OwnOrder = false;
    static constexpr unsigned Attributes = rppaMultiSelect;
    static void Values(TStrings&) {}
};
struct DateTime : Dates {
    static std::string ToText(Extended value);
    static Extended FromText(const std::string& text);
};
struct Date : Dates {
    static std::string ToText(Extended value);
    static Extended FromText(const std::string& text);
};
struct Time : Dates {
    static std::string ToText(Extended value);
    static Extended FromText(const std::string& text);
};
}  // namespace rp_editor_kinds

class TrpColorProperty : public TrpValueProperty<rp_editor_kinds::Color> {
public:
    using TrpValueProperty::TrpValueProperty;
    // The colour dialog through the UI services.
    bool Edit() override;
};
using TrpFontCharsetProperty = TrpValueProperty<rp_editor_kinds::FontCharset>;
using TrpModalResultProperty = TrpValueProperty<rp_editor_kinds::ModalResult>;
using TrpShortCutProperty = TrpValueProperty<rp_editor_kinds::ShortCut>;
using TrpCursorProperty = TrpValueProperty<rp_editor_kinds::Cursor>;
using TrpDateTimeProperty = TrpValueProperty<rp_editor_kinds::DateTime>;
using TrpDateProperty = TrpValueProperty<rp_editor_kinds::Date>;
using TrpTimeProperty = TrpValueProperty<rp_editor_kinds::Time>;

class TrpFontProperty : public TrpClassProperty {
public:
    using TrpClassProperty::TrpClassProperty;
    unsigned GetAttributes() const override
    {
        return rppaMultiSelect | rppaSubProperties | rppaReadOnly | rppaDialog;
    }
    // The font dialog through the UI services; OK assigns the font.
    bool Edit() override;
};

class TrpFontNameProperty : public TrpStringProperty {
public:
    using TrpStringProperty::TrpStringProperty;
    unsigned GetAttributes() const override { return rp_editor_kinds::OrdinalList::Attributes; }

protected:
    // The screen's font names.
    void FillValues(TStrings& list) override;
};

// The text a shortcut editor shows for no shortcut.
extern const char* const kShortCutNone;

using TrpPropertyEditorFactory = std::function<std::unique_ptr<TrpPropertyEditor>(TObject* designer)>;

struct TrpPropertyEditorItem {
    std::string TypeName;              // "TColor", "String", "Integer"...
    const TClass* ComponentClass;      // nullptr: any
    std::string PropertyName;          // empty: any
    TrpPropertyEditorFactory Editor;
};

class TrpPropertyEditorCollection {
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const TrpPropertyEditorItem& GetItem(int index) const;
    void Register(std::string typeName, const TClass* componentClass, TrpPropertyEditorFactory editor,
                  std::string propertyName = {});
    // The last registration that fits a property of a class; -1 when none.
    int Find(std::string_view typeName, const TClass* componentClass, std::string_view propertyName);
    int LastFound() const noexcept { return lastFound_; }

private:
    std::vector<TrpPropertyEditorItem> items_;
    int lastFound_ = -1;
};

TrpPropertyEditorCollection& GetPropertyEditors();

// ---------------------------------------------------------------- export filters

class TrpCustomExportFilter;

// The filters the preview offers, in the order they registered. None is
// registered in this program, so the preview hides its export buttons.
class TrpExportFilterCollection {
public:
    int Count() const noexcept { return static_cast<int>(filters_.size()); }
    // EListError out of range.
    TrpCustomExportFilter& GetItem(int index) const;
    // -1 when not registered.
    int IndexOf(const TrpCustomExportFilter* filter) const;
    // Once per filter; the filter stays its owner's and leaves the list
    // when it is destroyed.
    void Register(TrpCustomExportFilter* filter);
    void Unregister(const TrpCustomExportFilter* filter);

private:
    std::vector<TrpCustomExportFilter*> filters_;
};

TrpExportFilterCollection& GetExportFilters();

// The property editors this program registers, in their order.
void registerPropertyEditors();
void unregisterPropertyEditors();
