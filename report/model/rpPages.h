#pragma once
// The report's children: printed page templates (paper, orientation,
// margins, columns, background picture, the bands), the data page that
// holds datasets, and dialog pages.

#include <memory>
#include <string>

#include "FormTypes.h"
#include "StringLists.h"
#include "rpClass.h"

class TrpDialogForm;
class TrpPictureView;
class TrpSubreport;

class TrpPage : public TrpComponent {
    DORVAK_CLASS(TrpPage, TrpComponent)
public:
    explicit TrpPage(TComponent* owner = nullptr) : TrpComponent(owner) { SetTreeKind(rpkPage); }
    static void Publish(TClassBuilder<TrpPage>& b);
};

class TrpReportPage : public TrpPage {
    DORVAK_CLASS(TrpReportPage, TrpPage)
public:
    explicit TrpReportPage(TComponent* owner = nullptr);
    ~TrpReportPage() override;

    // Paper in millimetres. While the page is being read, these setters
    // only store their values, so that a saved page comes back as it was.
    TPrinterOrientation Orientation() const noexcept { return orientation_; }
    // Swaps the paper sides and turns the margins with the page.
    void SetOrientation(TPrinterOrientation value);
    Extended PaperWidth() const noexcept { return paperWidth_; }
    Extended PaperHeight() const noexcept { return paperHeight_; }
    // Rounded to 8 decimals; the paper becomes custom (256).
    virtual void SetPaperWidth(Extended value);
    virtual void SetPaperHeight(Extended value);
    int32_t PaperSize() const noexcept { return paperSize_; }
    // A code of the paper table takes its sizes (turned when landscape).
    virtual void SetPaperSize(int32_t value);
    // Margins of 10 mm, the current printer's paper and orientation.
    virtual void SetDefaults();
    // Dot-matrix pages snap their bands to character cells.
    virtual bool IsDotMatrix() const { return false; }

    Extended LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
    bool MirrorMargins = false;
    int32_t Columns() const noexcept { return columns_; }
    // Divides the printable width and lists the columns' left positions.
    // More than kMaxColumns is refused ("Invalid property value"): a file
    // asking for millions would hang its loading listing them.
    static constexpr int32_t kMaxColumns = 1000;
    void SetColumns(int32_t value);
    Extended ColumnWidth = 0;
    TStringList* ColumnPositions() const noexcept { return columnPositions_.get(); }
    void SetColumnPositions(TStringList* value) { columnPositions_->Assign(value); }
    int32_t Bin = 7;
    int32_t BinOtherPages = 7;
    bool BackPictureVisible = true;
    bool BackPicturePrintable = true;
    int32_t PageCount() const noexcept { return pageCount_; }
    // Values below 1 are ignored.
    void SetPageCount(int32_t value);
    TrpDuplexMode Duplex = dmNone;
    bool EndlessHeight = false;
    bool EndlessWidth = false;
    bool LargeDesignHeight = false;
    std::string OutlineText;
    bool PrintIfEmpty = true;
    bool PrintOnPreviousPage = false;
    bool ResetPageNumbers = false;
    bool TitleBeforeHeader = true;
    TStringList* HGuides() const noexcept { return hGuides_.get(); }
    void SetHGuides(TStringList* value) { hGuides_->Assign(value); }
    TStringList* VGuides() const noexcept { return vGuides_.get(); }
    void SetVGuides(TStringList* value) { vGuides_->Assign(value); }
    std::string OnAfterPrint, OnBeforePrint, OnManualBuild;

    // Colour and frame of the page, held by the background view.
    TrpPictureView* Background() const noexcept { return background_.get(); }
    TColor Color() const;
    void SetColor(TColor value);
    TrpFrame* Frame() const;
    void SetFrame(const TrpFrame* value);

    // The page's own dataset: the page prints once per record.
    TrpDataSet* DataSet() const noexcept;
    void SetDataSet(TrpDataSet* value);
    std::string DataSetName() const;
    void SetDataSetName(const std::string& value);
    // The subreport that prints this page in its place.
    TrpSubreport* Subreport() const noexcept;
    void SetSubreport(TrpSubreport* value);

    // Width and Height become the printable area; bands take the page's
    // (or a column's) width, vertical bands its height, then align their
    // own children.
    void AlignChildren() override;
    // The background view over the printable area, unless hidden or not
    // meant for paper.
    void DrawBackground(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY,
                        bool printing);
    void Loaded() override;
    std::string GetDescription() const override;
    // The background picture as a "BackPicture" record.
    void DefineProperties(TrpFiler& filer) override;

    static void Publish(TClassBuilder<TrpReportPage>& b);

protected:
    // Width and Height from the paper.
    void UpdateDimensions();
    // BackPicture, the background view's picture.
    static void PublishBackPicture(TClassBuilder<TrpReportPage>& b);
    TPrinterOrientation orientation_ = poPortrait;
    Extended paperWidth_ = 0;
    Extended paperHeight_ = 0;
    int32_t paperSize_ = 0;

private:
    std::unique_ptr<TrpPictureView> background_;
    int32_t columns_ = 0;
    std::unique_ptr<TStringList> columnPositions_ = std::make_unique<TStringList>();
    int32_t pageCount_ = 1;
    std::unique_ptr<TStringList> hGuides_ = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> vGuides_ = std::make_unique<TStringList>();
    TrpDataSetLink dataSet_;
    Ref<TrpSubreport> subreport_;
};

// The page of non-visual components; every loaded report has one, "Data".
class TrpDataPage : public TrpPage {
    DORVAK_CLASS(TrpDataPage, TrpPage)
public:
    using TrpPage::TrpPage;
    std::string GetDescription() const override;
    static void Publish(TClassBuilder<TrpDataPage>& b);
};

// A dialog shown before the report is built, on a form of its own that
// lives as long as the page. Objects on it count their positions from the
// dialog, not from the page. The form's events run the report's script
// handlers named here, while the engine runs (or always, when the report
// keeps its forms).
class TrpDialogPage : public TrpPage {
    DORVAK_CLASS(TrpDialogPage, TrpPage)
public:
    explicit TrpDialogPage(TComponent* owner = nullptr);
    // The objects first (their controls sit on the form), then the form.
    ~TrpDialogPage() override;

    // Given to the form when it is shown.
    TFormBorderStyle BorderStyle() const noexcept { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value) noexcept { borderStyle_ = value; }
    // Set on the form at once.
    const std::string& Caption() const noexcept { return caption_; }
    void SetCaption(const std::string& value);
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor value);
    TPosition Position = poScreenCenter;
    TWindowState WindowState = wsNormal;
    // The form's client size. Setting it sizes the form and makes Width
    // (Height) the form's outer size.
    Extended ClientWidth() const;
    void SetClientWidth(Extended value);
    Extended ClientHeight() const;
    void SetClientHeight(Extended value);
    // Names of script handlers.
    std::string OnActivate, OnClick, OnCloseQuery, OnDeactivate, OnHide, OnKeyDown, OnKeyPress, OnKeyUp, OnShow,
        OnResize;

    TrpDialogForm* Form() const noexcept { return form_.get(); }
    int32_t ModalResult() const;
    void SetModalResult(int32_t value);
    // Shows the form modally with the page's settings and handlers; the
    // modal result (2: cancelled). Afterwards the form stays on top.
    int ShowModal();
    // Whether the form holds at least one control.
    bool HasControls() const;

    // The form follows the page's geometry (rounded) and font. While the
    // page is read with a client size already given, a stored Width or
    // Height does not resize the form.
    void SetLeft(Extended value) override;
    void SetTop(Extended value) override;
    void SetWidth(Extended value) override;
    void SetHeight(Extended value) override;
    void FontChanged() override;
    // Scripted answers find the form by the page's name.
    void SetName(const std::string& newName) override;
    std::string GetDescription() const override;
    static void Publish(TClassBuilder<TrpDialogPage>& b);

private:
    // The page's geometry from the form, straight into the fields.
    void takeFormBounds();
    void wireFormEvents();
    // The report's handler with the sender, or with the arguments (var
    // arguments come back), as the report runs its handlers.
    void notify(const std::string& handler, TObject* sender);
    void callWithParams(const std::string& handler, Variant& params);

    TFormBorderStyle borderStyle_ = bsSizeable;
    std::string caption_;
    TColor color_ = clBtnFace;
    bool runAlways_ = false;
    std::unique_ptr<TrpDialogForm> form_;
    Extended clientWidth_ = 0, clientHeight_ = 0;
};

void registerPageClasses();
