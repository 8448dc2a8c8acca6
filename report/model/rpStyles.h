#pragma once
// Named sets of fill colour, font and frame that text objects refer to by
// name, and style sheets: XML documents with the root "style".

#include <memory>
#include <string>
#include <string_view>

#include "Classes.h"
#include "Graphics.h"
#include "Streams.h"
#include "StringLists.h"
#include "rpClass.h"

class TrpReport;
class TrpStyles;

class TrpStyleItem : public TCollectionItem {
    DORVAK_CLASS(TrpStyleItem, TCollectionItem)
public:
    explicit TrpStyleItem(TCollection* collection = nullptr);
    ~TrpStyleItem() override;

    const std::string& Name() const noexcept { return name_; }
    // A name another item of the list has (case ignored) raises
    // "Duplicate name".
    void SetName(const std::string& value);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value) noexcept { color_ = value; }
    TFont* Font() const noexcept { return font_.get(); }
    void SetFont(const TFont* value) { font_->Assign(value); }
    TrpFrame* Frame() const noexcept { return frame_.get(); }
    void SetFrame(const TrpFrame* value) { frame_->Assign(value); }

    // Copies the name without the uniqueness check.
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpStyleItem>& b);

private:
    std::string name_;
    TColor color_ = clNone;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TrpFrame> frame_;
};

class TrpStyles : public TCollection {
    DORVAK_CLASS(TrpStyles, TCollection)
public:
    explicit TrpStyles(TrpReport* report = nullptr);

    // The sheet's name.
    std::string Name;

    TrpReport* Report() const noexcept;
    TrpStyleItem* Add() { return static_cast<TrpStyleItem*>(TCollection::Add()); }
    TrpStyleItem* Items(int index) const { return static_cast<TrpStyleItem*>(TCollection::Items(index)); }
    // The first item of that name ignoring case, or nullptr.
    TrpStyleItem* Find(std::string_view name) const;
    // Clears the list, then adds every item's name.
    void GetList(TStrings& list) const;
    // Applies the styles again to every text object of the report; an
    // object whose style the list lacks loses its style name (and keeps
    // its look).
    void Apply();

    // A document of another root leaves the list empty and applies
    // nothing. Attributes that fail are skipped; their messages go to
    // `errors` when given.
    void LoadFromStream(TStream& stream, TStrings* errors = nullptr);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    Ref<TrpReport> report_;
};
