#pragma once
// The report component tree: every report object (report, pages, bands,
// views, datasets) is a TrpComponent. Its platform owner is the report (so
// names are unique per report); its tree of printing order is Parent and
// Objects, and the parent owns its children. Geometry is in report units
// (pixels at 96 per inch) as Extended.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Canvas.h"
#include "Classes.h"
#include "Graphics.h"
#include "Streams.h"
#include "rpTypes.h"
#include "rpUtils.h"
#include "rpXMLSerializer.h"

class TrpReport;
class TrpPage;
class TrpDataSet;

// The one process-wide lock of the model (report XML read in background
// mode, dialog pages going away).
std::recursive_mutex& rpClassLock();

// A dataset referred to by its user name, as views, bands, pages and the
// report hold one: the dataset while it exists, else the name given.
class TrpDataSetLink {
public:
    TrpDataSet* DataSet() const noexcept;
    // Takes the dataset's user name too.
    void SetDataSet(TrpDataSet* value);
    std::string Name() const;
    // The dataset is looked up for the object holding the link.
    void SetName(const TrpComponent& holder, const std::string& value);

private:
    Ref<TrpDataSet> dataSet_;
    std::string name_;
};

class TrpComponent : public TComponent, public TrpXMLStorable {
    DORVAK_CLASS(TrpComponent, TComponent)
public:
    // An owner that is a report object becomes the parent; the platform
    // owner is then that object's report (none when it has none).
    explicit TrpComponent(TComponent* owner = nullptr);
    ~TrpComponent() override;

    // ---- tree
    TrpComponent* Parent() const noexcept { return parent_; }
    virtual void SetParent(TrpComponent* value);
    const std::vector<TrpComponent*>& Objects() const noexcept { return objects_; }
    // Moves a child to a place among its siblings (clamped).
    void SetChildIndex(TrpComponent* child, int index);
    // Frees the children; an inherited child is cleared and kept.
    virtual void Clear();
    TrpPage* GetPage() const;
    TrpReport* GetReport() const;
    // Every descendant, depth first, each before its children, self
    // excluded. Refills one list per object: iterate a copy when the loop
    // may look objects up or change the tree.
    const std::vector<TrpComponent*>& GetAllObjects();
    // The first descendant of that name ignoring case; never disturbs a
    // GetAllObjects list in use. A report keeps an index of the names
    // below it from its first look-up on, so that adding objects one by
    // one, each checked for its name, stays linear.
    TrpComponent* FindObject(std::string_view name) const;
    // A dataset by user name for this object: the report's enabled list or
    // the global list, as the report's engine options say.
    TrpDataSet* FindDataSet(TrpDataSet* current, std::string_view name) const;
    // BaseName and the smallest free number.
    void CreateUniqueName();
    // Renames; "prDupl" for a name another object of the report has, and
    // an inherited object cannot be renamed. A change of case only is no
    // rename.
    void SetName(const std::string& newName) override;

    // ---- geometry
    Extended Left() const noexcept { return left_; }
    Extended Top() const noexcept { return top_; }
    Extended Width() const noexcept { return width_; }
    Extended Height() const noexcept { return height_; }
    // Ignored while designing under the rfDontMove / rfDontSize restriction.
    virtual void SetLeft(Extended value);
    virtual void SetTop(Extended value);
    virtual void SetWidth(Extended value);
    virtual void SetHeight(Extended value);
    void SetBounds(Extended left, Extended top, Extended width, Extended height);
    // Positions summed up the tree; a dialog page's own position is not added.
    Extended AbsLeft() const;
    Extended AbsTop() const;
    // Lays out the child views by their Align.
    virtual void AlignChildren();

    // ---- font: changes flow down to children that take their parent's font
    TFont* Font() const noexcept { return font_.get(); }
    // Copies the font; ParentFont becomes False.
    virtual void SetFont(const TFont* value);
    bool ParentFont() const noexcept { return parentFont_; }
    virtual void SetParentFont(bool value);
    virtual void FontChanged();

    // ---- state
    int32_t GroupIndex() const noexcept { return groupIndex_; }
    void SetGroupIndex(int32_t value) noexcept { groupIndex_ = value; }
    TrpRestrictions Restrictions() const noexcept { return restrictions_; }
    void SetRestrictions(TrpRestrictions value) noexcept { restrictions_ = value; }
    bool Visible() const noexcept { return visible_; }
    virtual void SetVisible(bool value) { visible_ = value; }
    bool IsDesigning() const noexcept;
    void SetIsDesigning(bool value) noexcept { isDesigning_ = value; }
    bool IsLoading() const noexcept;
    void SetLoadingFlag(bool value) noexcept { loading_ = value; }
    bool IsAncestor() const noexcept;
    void SetIsAncestor(bool value) noexcept { isAncestor_ = value; }
    uint32_t ComponentStyle() const noexcept { return style_; }
    // "Memo" for TrpMemoView: the class name without "Trp" and "View".
    std::string BaseName() const;
    // What kind of object this is, as the string table names it.
    virtual std::string GetDescription() const;
    // The design-time constructor's part: flags of the object registry.
    virtual void InitDesigning(uint16_t flags);

    // ---- storage
    // Clear, then read through the serializer against the report.
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream, bool saveChildren = true, bool saveDefaultValues = false,
                              bool useGetAncestor = false);
    // Own properties only (through report XML), or with the children.
    void Assign(const TPersistent* source) override;
    void AssignAll(const TrpComponent* source);

    // ---- prepared pages
    // The attributes that differ from a reference object of the same class.
    std::string Diff(TrpComponent* reference);
    virtual void DiffTo(std::string& out, TrpComponent* reference);
    // All published properties, then the difference to the reference (when
    // there is one).
    std::string DiffAll(TrpComponent* reference);

    // The serializer's view of the tree.
    int XMLChildCount() const override { return static_cast<int>(objects_.size()); }
    TComponent* XMLChild(int index) const override { return objects_[static_cast<size_t>(index)]; }
    TComponent* FindXMLObject(std::string_view name) const override { return FindObject(name); }

    static void Publish(TClassBuilder<TrpComponent>& b);

protected:
    // Whether Diff writes " t=" whatever it is, and " w=" at all.
    virtual bool DiffTopAlways() const { return false; }
    virtual bool DiffWidth() const { return true; }
    void SetComponentStyle(uint32_t include, uint32_t exclude) noexcept { style_ = (style_ | include) & ~exclude; }
    void SetBaseName(std::string name) { baseName_ = std::move(name); }
    bool IsFontStored() const { return !parentFont_; }
    void setFontProp(TFont* value) { SetFont(value); }
    // Reads the tree from a loaded document's root (LoadFromStream without
    // the Clear and the document).
    void ReadXMLTree(const TrpXMLDocument& document);
    // What the tree walks look for, set by the constructors of those
    // classes (cheaper than asking each level's class).
    enum : uint8_t { rpkReport = 1, rpkPage = 2, rpkDialogPage = 4 };
    void SetTreeKind(uint8_t kind) noexcept { treeKind_ |= kind; }
    // Font (stored while ParentFont is False) and ParentFont, for the
    // classes that publish them.
    template <class T>
    static void PublishFont(TClassBuilder<T>& b)
    {
        b.property("Font", &TrpComponent::Font, &TrpComponent::setFontProp).stored(&TrpComponent::IsFontStored);
    }
    template <class T>
    static void PublishParentFont(TClassBuilder<T>& b)
    {
        b.property("ParentFont", &TrpComponent::ParentFont, &TrpComponent::SetParentFont).defaultValue(true);
    }
    Extended left_ = 0, top_ = 0, width_ = 0, height_ = 0;

private:
    struct TreeNames;
    // This object and those below it into (true) or out of (false) the
    // indexes of the reports at and above `from`.
    void indexBelow(const TrpComponent* from, bool add);
    void renamed(const std::string& oldName);
    // baLeft, baRight and baWidth children against their neighbours.
    void alignToNeighbours();

    TrpComponent* parent_ = nullptr;
    std::vector<TrpComponent*> objects_;
    std::vector<TrpComponent*> allObjects_;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    int32_t groupIndex_ = 0;
    TrpRestrictions restrictions_;
    bool visible_ = true;
    bool isDesigning_ = false;
    bool loading_ = false;
    bool isAncestor_ = false;
    uint32_t style_ = rpcsPageContent;
    uint8_t treeKind_ = 0;
    std::string baseName_;
    mutable std::unique_ptr<TreeNames> names_;  // a report's, made at its first look-up
};

// ---------------------------------------------------------------- printable

class TrpReportComponent : public TrpComponent {
    DORVAK_CLASS(TrpReportComponent, TrpComponent)
public:
    using TrpComponent::TrpComponent;

    const std::string& Description() const noexcept { return description_; }
    void SetDescription(const std::string& value) { description_ = value; }

    // Device pixels per report unit and the device position of the page.
    virtual void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) = 0;
    // The print protocol: save state, compute the printed values, restore.
    virtual void BeforePrint();
    virtual void GetData() {}
    virtual void AfterPrint();
    virtual std::string GetComponentText() { return std::string(); }
    TrpRect GetRealBounds() const;

    static void Publish(TClassBuilder<TrpReportComponent>& b);

private:
    std::string description_;
    Extended savedLeft_ = 0, savedTop_ = 0, savedWidth_ = 0, savedHeight_ = 0;
};

// A non-visual object on a data or dialog page (datasets, databases):
// 28 x 28, drawn as a button with its name at its own position, kept out
// of prepared pages, and stored in a report with its position as the extra
// integer properties "pLeft" and "pTop".
class TrpDialogComponent : public TrpReportComponent {
    DORVAK_CLASS(TrpDialogComponent, TrpReportComponent)
public:
    explicit TrpDialogComponent(TComponent* owner = nullptr);

    // At the rounded Left and Top whatever the scale and offset.
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void DefineProperties(TrpFiler& filer) override;
};

class TControl;

// Base of the controls of dialog pages: the object wraps one control
// (made by a subclass) and mirrors its geometry onto it, rounded. The
// control sits on the form of the dialog page the object is on, inside its
// parent's control, or on a hidden form.
class TrpDialogControl : public TrpReportComponent {
    DORVAK_CLASS(TrpDialogControl, TrpReportComponent)
public:
    explicit TrpDialogControl(TComponent* owner = nullptr);
    // The tree first, then the control.
    ~TrpDialogControl() override;

    // Nil in the base.
    TControl* Control() const noexcept;
    // Called with the page when the page's form is activated.
    TNotifyEvent ActivateHook;

    // These live in the control only.
    bool Enabled() const;
    void SetEnabled(bool value);
    std::string Hint() const;
    void SetHint(const std::string& value);
    bool ShowHint() const;
    void SetShowHint(bool value);
    // The control's caption or contents.
    std::string Text() const;
    void SetText(const std::string& value);
    // Focuses the control when it is a window control.
    void SetFocus();

    // A caption that shows the old name follows the new one.
    void SetName(const std::string& newName) override;
    void SetParent(TrpComponent* value) override;
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetHeight(Extended value) override;
    void SetParentFont(bool value) override;
    void SetVisible(bool value) override;
    void FontChanged() override;
    // The control as it looks, at the rounded absolute position, whatever
    // the scale and offset.
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;

    static void Publish(TClassBuilder<TrpDialogControl>& b);

protected:
    // Takes the control: it gets the object's window parent, geometry,
    // visibility and font; the object takes the control's size.
    void SetControl(TControl* control);

private:
    void placeControl();
    void nameWidget();
    Ref<TControl> control_;
};

// ---------------------------------------------------------------- decorations

class TrpFrame;

// One side of a frame. Each value is stored only where it differs from the
// frame's own.
class TrpFrameLine : public TPersistent {
    DORVAK_CLASS(TrpFrameLine, TPersistent)
public:
    explicit TrpFrameLine(TrpFrame* frame = nullptr) : frame_(frame) {}

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value) noexcept { color_ = value; }
    TrpFrameStyle Style() const noexcept { return style_; }
    void SetStyle(TrpFrameStyle value) noexcept { style_ = value; }
    Extended Width() const noexcept { return width_; }
    void SetWidth(Extended value) noexcept { width_ = value; }

    void Assign(const TPersistent* source) override;
    bool operator==(const TrpFrameLine& other) const noexcept;

    static void Publish(TClassBuilder<TrpFrameLine>& b);

private:
    bool colorStored() const;
    bool styleStored() const;
    bool widthStored() const;

    TrpFrame* frame_;
    TColor color_ = clBlack;
    TrpFrameStyle style_ = fsSolid;
    Extended width_ = 1;
};

// The four lines of a view with their common values and a drop shadow.
// Setting a common value sets it on all four lines.
class TrpFrame : public TPersistent {
    DORVAK_CLASS(TrpFrame, TPersistent)
public:
    TrpFrame();

    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value);
    bool DropShadow() const noexcept { return dropShadow_; }
    void SetDropShadow(bool value) noexcept { dropShadow_ = value; }
    TColor ShadowColor() const noexcept { return shadowColor_; }
    void SetShadowColor(TColor value) noexcept { shadowColor_ = value; }
    Extended ShadowWidth() const noexcept { return shadowWidth_; }
    void SetShadowWidth(Extended value) noexcept { shadowWidth_ = value; }
    TrpFrameStyle Style() const noexcept { return style_; }
    void SetStyle(TrpFrameStyle value);
    TrpFrameTyp Typ() const noexcept { return typ_; }
    void SetTyp(TrpFrameTyp value) noexcept { typ_ = value; }
    Extended Width() const noexcept { return width_; }
    void SetWidth(Extended value);

    TrpFrameLine* LeftLine() const noexcept { return lines_[0].get(); }
    TrpFrameLine* TopLine() const noexcept { return lines_[1].get(); }
    TrpFrameLine* RightLine() const noexcept { return lines_[2].get(); }
    TrpFrameLine* BottomLine() const noexcept { return lines_[3].get(); }
    // The line of a side: ftLeft, ftRight, ftTop, ftBottom.
    TrpFrameLine* Line(TrpFrameType side) const noexcept;

    void Assign(const TPersistent* source) override;
    bool operator==(const TrpFrame& other) const noexcept;
    // Appends " Frame.Color=..." and the others where they differ.
    void DiffTo(std::string& out, const TrpFrame& reference) const;

    static void Publish(TClassBuilder<TrpFrame>& b);

private:
    void setLeftLine(TrpFrameLine* value) { lines_[0]->Assign(value); }
    void setTopLine(TrpFrameLine* value) { lines_[1]->Assign(value); }
    void setRightLine(TrpFrameLine* value) { lines_[2]->Assign(value); }
    void setBottomLine(TrpFrameLine* value) { lines_[3]->Assign(value); }

    TColor color_ = clBlack;
    bool dropShadow_ = false;
    TColor shadowColor_ = clBlack;
    Extended shadowWidth_ = 4;
    TrpFrameStyle style_ = fsSolid;
    TrpFrameTyp typ_;
    Extended width_ = 1;
    std::unique_ptr<TrpFrameLine> lines_[4];  // left, top, right, bottom
};

// A font and colour that a text object takes while its condition holds.
class TrpHighlight : public TPersistent {
    DORVAK_CLASS(TrpHighlight, TPersistent)
public:
    TrpHighlight();

    bool Active() const noexcept { return active_; }
    void SetActive(bool value) noexcept { active_ = value; }
    TFont* Font() const noexcept { return font_.get(); }
    void SetFont(const TFont* value) { font_->Assign(value); }
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value) noexcept { color_ = value; }
    const std::string& Condition() const noexcept { return condition_; }
    void SetCondition(const std::string& value) { condition_ = value; }

    // Everything but Active.
    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpHighlight>& b);

private:
    bool active_ = false;
    std::unique_ptr<TFont> font_;
    TColor color_ = clNone;
    std::string condition_;
};

// How a text object shows its value.
class TrpFormat : public TPersistent {
    DORVAK_CLASS(TrpFormat, TPersistent)
public:
    std::string DecimalSeparator;
    std::string ThousandSeparator;
    std::string FormatStr;
    TrpFormatKind Kind = fkText;

    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpFormat>& b);
};

// ---------------------------------------------------------------- views

// Every visible report object: position in its band, fill, frame, data
// binding, expressions in TagStr and URL, script handler names.
class TrpView : public TrpReportComponent {
    DORVAK_CLASS(TrpView, TrpReportComponent)
public:
    explicit TrpView(TComponent* owner = nullptr);
    ~TrpView() override;

    TrpAlign Align() const noexcept { return align_; }
    void SetAlign(TrpAlign value) noexcept { align_ = value; }
    bool Printable() const noexcept { return printable_; }
    void SetPrintable(bool value) noexcept { printable_ = value; }
    TrpShiftMode ShiftMode() const noexcept { return shiftMode_; }
    void SetShiftMode(TrpShiftMode value) noexcept { shiftMode_ = value; }
    TBrushStyle BrushStyle() const noexcept { return brushStyle_; }
    void SetBrushStyle(TBrushStyle value) noexcept { brushStyle_ = value; }
    TColor Color() const noexcept { return color_; }
    virtual void SetColor(TColor value) { color_ = value; }
    TCursor Cursor() const noexcept { return cursor_; }
    void SetCursor(TCursor value) noexcept { cursor_ = value; }
    TrpFrame* Frame() const noexcept { return frame_.get(); }
    virtual void SetFrame(const TrpFrame* value) { frame_->Assign(value); }

    // The data binding. Setting the dataset takes its user name; setting
    // the name looks the dataset up; the name reads the dataset's own.
    const std::string& DataField() const noexcept { return dataField_; }
    void SetDataField(const std::string& value) { dataField_ = value; }
    TrpDataSet* DataSet() const noexcept;
    virtual void SetDataSet(TrpDataSet* value);
    std::string DataSetName() const;
    virtual void SetDataSetName(const std::string& value);
    bool IsDataField() const;

    std::string TagStr;
    std::string URL;
    std::string Hint;
    bool ShowHint = false;
    std::string OnAfterData, OnAfterPrint, OnBeforePrint, OnPreviewClick, OnPreviewDblClick;

    // Drawing: BeginDraw, DrawBackground, DrawFrame.
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    virtual void BeginDraw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY);
    virtual void DrawBackground();
    virtual void DrawFrame();

    // Printing: TagStr and URL get their bracketed expressions computed.
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;

    void DiffTo(std::string& out, TrpComponent* reference) override;
    // What a frame line below the box takes of the band beyond the view's
    // height (a character row under dot-matrix text).
    virtual Extended FrameRowBelow() const { return 0; }

    // The state BeginDraw computed: the device rectangle X..X1, Y..Y1
    // (right and bottom are the frame's lines), its size, the scaled frame
    // width.
    TCanvas* DrawCanvas() const noexcept { return canvas_; }
    Extended ScaleX() const noexcept { return scaleX_; }
    Extended ScaleY() const noexcept { return scaleY_; }
    Extended OffsetX() const noexcept { return offsetX_; }
    Extended OffsetY() const noexcept { return offsetY_; }
    int X = 0, Y = 0, X1 = 0, Y1 = 0, DX = 0, DY = 0;
    int FrameWidth = 0;

    static void Publish(TClassBuilder<TrpView>& b);
    // The properties every view holds but only some publish, in the order
    // the publishing classes list them.
    template <class T>
    static void PublishColor(TClassBuilder<T>& b);
    template <class T>
    static void PublishBrushStyle(TClassBuilder<T>& b);
    template <class T>
    static void PublishCursor(TClassBuilder<T>& b);
    template <class T>
    static void PublishDataField(TClassBuilder<T>& b);
    template <class T>
    static void PublishDataSet(TClassBuilder<T>& b);
    template <class T>
    static void PublishFrame(TClassBuilder<T>& b);
    template <class T>
    static void PublishTagStr(TClassBuilder<T>& b);
    template <class T>
    static void PublishURL(TClassBuilder<T>& b);

protected:
    // The text with each bracketed expression replaced by its value.
    std::string ExpandExpressions(const std::string& text) const;

private:
    void setFrameProp(TrpFrame* value) { SetFrame(value); }

    TrpAlign align_ = baNone;
    bool printable_ = true;
    TrpShiftMode shiftMode_ = smAlways;
    TBrushStyle brushStyle_ = bsSolid;
    TColor color_ = clNone;
    TCursor cursor_ = crDefault;
    std::unique_ptr<TrpFrame> frame_;
    std::string dataField_;
    TrpDataSetLink dataSet_;
    std::string savedTagStr_, savedURL_;

    TCanvas* canvas_ = nullptr;
    Extended scaleX_ = 1, scaleY_ = 1, offsetX_ = 0, offsetY_ = 0;
};

// A view whose height follows its content and that may be split across
// pages.
class TrpStretcheable : public TrpView {
    DORVAK_CLASS(TrpStretcheable, TrpView)
public:
    using TrpView::TrpView;

    TrpStretchMode StretchMode() const noexcept { return stretchMode_; }
    void SetStretchMode(TrpStretchMode value) noexcept { stretchMode_ = value; }

    virtual Extended CalcHeight() { return Height(); }
    // Draws the next part into the current height; the height left unused.
    virtual Extended DrawPart() { return 0; }
    virtual void InitPart() {}
    virtual bool HasNextPart() { return false; }
    // The height what DrawPart left for the next parts needs, with the
    // gaps and frame every part carries; negative when the view cannot
    // tell (the engine then takes off what the part used).
    virtual Extended RestHeight() { return -1; }

    static void Publish(TClassBuilder<TrpStretcheable>& b);

private:
    TrpStretchMode stretchMode_ = smDontStretch;
};

// The text with every delimited expression replaced by its value, left to
// right, nested pairs and quoted delimiters respected; scanning goes on
// after each inserted value. An opening delimiter without its partner
// leaves the rest as it is.
std::u16string rpExpandBracketed(std::u16string_view text, std::u16string_view open, std::u16string_view close,
                                 const std::function<std::u16string(const std::u16string&)>& value);

// ---- templates

template <class T>
void TrpView::PublishColor(TClassBuilder<T>& b)
{
    b.property("Color", &TrpView::Color, &TrpView::SetColor).defaultValue(clNone);
}
template <class T>
void TrpView::PublishBrushStyle(TClassBuilder<T>& b)
{
    b.property("BrushStyle", &TrpView::BrushStyle, &TrpView::SetBrushStyle).defaultValue(bsSolid);
}
template <class T>
void TrpView::PublishCursor(TClassBuilder<T>& b)
{
    b.property("Cursor", &TrpView::Cursor, &TrpView::SetCursor).defaultValue(crDefault);
}
template <class T>
void TrpView::PublishDataField(TClassBuilder<T>& b)
{
    b.property("DataField", &TrpView::DataField, &TrpView::SetDataField);
}
template <class T>
void TrpView::PublishDataSet(TClassBuilder<T>& b)
{
    b.property("DataSet", &TrpView::DataSet, &TrpView::SetDataSet);
    b.property("DataSetName", &TrpView::DataSetName, &TrpView::SetDataSetName);
}
template <class T>
void TrpView::PublishFrame(TClassBuilder<T>& b)
{
    b.property("Frame", &TrpView::Frame, &TrpView::setFrameProp);
}
template <class T>
void TrpView::PublishTagStr(TClassBuilder<T>& b)
{
    b.property("TagStr", &TrpView::TagStr);
}
template <class T>
void TrpView::PublishURL(TClassBuilder<T>& b)
{
    b.property("URL", &TrpView::URL);
}
