#pragma once
// The picture view: a picture held in the report, read from a file whose
// name may hold expressions, or from a dataset's blob field, its format
// told by its first bytes. Report files keep the picture in its own format
// (a "Picture" record with the original bytes).

#include <memory>
#include <string>

#include "rpClass.h"

class TPicture;
class TGraphic;

class TrpPictureView : public TrpView {
    DORVAK_CLASS(TrpPictureView, TrpView)
public:
    explicit TrpPictureView(TComponent* owner = nullptr);
    ~TrpPictureView() override;

    bool Center = false;
    std::string FileLink;
    bool HightQuality = false;
    // 1-based index in the prepared pages' picture cache; 0 = none.
    int32_t ImageIndex = 0;
    bool KeepAspectRatio = true;
    bool Stretched = true;
    bool Transparent = false;
    TColor TransparentColor = clWhite;
    // Set by the page drawer while it draws for paper.
    bool Printing = false;
    // Whether report XML holds the picture (the prepared pages clear it
    // while they write a picture object whole).
    bool PictureMark = true;
    // Set when the picture changes; Diff hands a changed picture to the
    // prepared pages.
    bool PictureChanged = false;

    bool AutoSize() const noexcept { return autoSize_; }
    // With a picture, the object takes the picture's size (no checks).
    void SetAutoSize(bool value);
    TPicture* Picture() const noexcept { return picture_.get(); }
    // Takes a copy.
    void SetPicture(const TPicture* value);
    // The graphic when there is one worth drawing.
    TGraphic* Graphic() const;

    void GetData() override;
    void Draw(TCanvas& canvas, Extended scaleX, Extended scaleY, Extended offsetX, Extended offsetY) override;
    void DiffTo(std::string& out, TrpComponent* reference) override;
    std::string GetDescription() const override;
    void DefineProperties(TrpFiler& filer) override;

    static void Publish(TClassBuilder<TrpPictureView>& b);

private:
    void pictureChanged();

    bool autoSize_ = false;
    std::unique_ptr<TPicture> picture_;
};

// Loads a picture told by its first bytes into the view (see the platform's
// LoadPictureFromStream): 0, or 0x80070057 with the picture cleared.
int32_t LoadPictureFromStream(TrpPictureView& view, TStream& stream, bool fromStart);

void registerPictureViewClasses();
