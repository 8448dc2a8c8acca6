#pragma once
// Report-like classes for the serializer tests: a report with pages, bands
// and memos, holding a property of every kind.

#include <algorithm>
#include <memory>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "rpUnicodeUtils.h"
#include "rpUtils.h"
#include "rpXMLSerializer.h"

enum TTestHAlign { haLeft, haRight, haCenter };
enum TTestFrameLine { ftLeft, ftRight, ftTop, ftBottom };
using TTestFrame = TSet<TTestFrameLine>;

class TTestObject : public TComponent, public TrpXMLStorable {
    DORVAK_CLASS(TTestObject, TComponent)
public:
    explicit TTestObject(TComponent* owner = nullptr) : TComponent(owner)
    {
        if (auto* parent = dynamic_cast<TTestObject*>(owner)) parent->objects.push_back(this);
    }
    ~TTestObject() override
    {
        Destroying();
        DestroyComponents();
        if (auto* parent = dynamic_cast<TTestObject*>(Owner())) {
            auto& list = parent->objects;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
        }
    }

    int XMLChildCount() const override { return static_cast<int>(objects.size()); }
    TComponent* XMLChild(int index) const override { return objects[index]; }
    void Loaded() override
    {
        TComponent::Loaded();
        ++loadedCount;
    }

    Extended Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<TTestObject*> objects;
    int loadedCount = 0;

    static void Publish(TClassBuilder<TTestObject>& b)
    {
        b.property("Left", &TTestObject::Left);
        b.property("Top", &TTestObject::Top);
        b.property("Width", &TTestObject::Width);
        b.property("Height", &TTestObject::Height);
    }
};

class TTestDataset : public TCollectionItem {
    DORVAK_CLASS(TTestDataset, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
    std::string DataSetName;
    static void Publish(TClassBuilder<TTestDataset>& b) { b.property("DataSetName", &TTestDataset::DataSetName); }
};

class TTestReport : public TTestObject {
    DORVAK_CLASS(TTestReport, TTestObject)
public:
    using TTestObject::TTestObject;
    ~TTestReport() override
    {
        Destroying();
        DestroyComponents();
    }

    bool IsXMLReport() const override { return true; }
    TComponent* FindXMLObject(std::string_view name) const override
    {
        std::vector<const TTestObject*> pending{this};
        while (!pending.empty()) {
            const TTestObject* o = pending.back();
            pending.pop_back();
            for (TTestObject* c : o->objects) {
                if (SameText(c->Name(), name)) return c;
                pending.push_back(c);
            }
        }
        return nullptr;
    }
    void DefineProperties(TrpFiler& filer) override
    {
        filer.DefineProperty(
            "Datasets", [this](TrpPropReader& r) { ReadCollectionXML(Datasets.get(), r, this); },
            [this](TrpPropWriter& w) { WriteCollectionXML(Datasets.get(), w, this); }, Datasets->Count() > 0);
    }

    std::unique_ptr<TCollection> Datasets = std::make_unique<TCollection>(TTestDataset::StaticClass(), this);
};

class TTestPage : public TTestObject {
    DORVAK_CLASS(TTestPage, TTestObject)
public:
    using TTestObject::TTestObject;
};

class TTestBand : public TTestObject {
    DORVAK_CLASS(TTestBand, TTestObject)
public:
    using TTestObject::TTestObject;
    bool Stretched = false;
    static void Publish(TClassBuilder<TTestBand>& b)
    {
        b.property("Stretched", &TTestBand::Stretched).defaultValue(false);
    }
};

class TTestMemo : public TTestObject {
    DORVAK_CLASS(TTestMemo, TTestObject)
public:
    using TTestObject::TTestObject;
    ~TTestMemo() override
    {
        Destroying();
        DestroyComponents();
    }

    bool GetXMLText(std::u16string& text) const override
    {
        text = Lines->Text();
        return true;
    }
    void SetXMLText(const std::u16string& text) override { Lines->SetText(text); }

    TFont* Font() const { return font_.get(); }
    TStringList* ScriptList() const { return Script.get(); }
    TWideStrings* LinesList() const { return Lines.get(); }

    TTestHAlign HAlign = haLeft;
    TTestFrame Frame;
    bool Visible = true;
    int32_t Rotation = 0;
    double Ratio = 0;
    std::string Caption;
    WideString Hint;
    Variant Value;
    char Letter = 'A';
    Ref<TTestObject> DataSet;
    std::unique_ptr<TWideStrings> Lines = std::make_unique<TWideStrings>();
    std::unique_ptr<TStringList> Script = std::make_unique<TStringList>();

    static void Publish(TClassBuilder<TTestMemo>& b)
    {
        b.property("HAlign", &TTestMemo::HAlign).defaultValue(haLeft);
        b.property("Frame", &TTestMemo::Frame).defaultValue(TTestFrame{});
        b.property("Visible", &TTestMemo::Visible).defaultValue(true);
        b.property("Ratio", &TTestMemo::Ratio);
        b.property("Rotation", &TTestMemo::Rotation);
        b.property("Caption", &TTestMemo::Caption);
        b.property("Hint", &TTestMemo::Hint);
        b.property("Value", &TTestMemo::Value);
        b.property("Letter", &TTestMemo::Letter).defaultValue('A');
        b.property("DataSet", &TTestMemo::DataSet);
        b.property("Script", &TTestMemo::ScriptList);
        b.property("Lines", &TTestMemo::LinesList);
        b.property("Font", &TTestMemo::Font);
    }

private:
    std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
};

inline void registerSerializerTestClasses()
{
    RegisterEnum<TTestHAlign>("TTestHAlign", {"haLeft", "haRight", "haCenter"});
    RegisterEnum<TTestFrameLine>("TTestFrameLine", {"ftLeft", "ftRight", "ftTop", "ftBottom"});
    RegisterSet<TTestFrame>("TTestFrame");
    RegisterClass<TTestObject>(TTestObject::Publish);
    RegisterClass<TTestDataset>(TTestDataset::Publish);
    RegisterClass<TTestReport>();
    RegisterClass<TTestPage>();
    RegisterClass<TTestBand>(TTestBand::Publish);
    RegisterClass<TTestMemo>(TTestMemo::Publish);
}
