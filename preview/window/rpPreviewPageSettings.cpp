#include "rpPreviewPageSettings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "Exceptions.h"
#include "Guard.h"
#include "SettingsStore.h"
#include "SysUtils.h"
#include "rpDialogPictures.h"
#include "rpPrinter.h"
#include "rpReport.h"
#include "rpFormKit.h"
#include "rpRes.h"
#include "rpUiServices.h"
#include "rpUtilsGui.h"
#include "rpUtilsText.h"

namespace {

int PaperPosition(const TrpCustomPrinter& printer, int32_t code)
{
    const int at = printer.PaperIndex(code);
    return at >= 0 ? at : printer.PaperIndex(DMPAPER_USER);
}

}  // namespace

TrpPageSettingsForm::TrpPageSettingsForm(const TrpPageSetup& Page, const TrpReport* Report, QWidget* parent)
    : QDialog(parent)
{
    rpInitForm(*this, "TrpPageSettingsForm", 286, 359);

    SizeL = rpMake<QGroupBox>(this, "SizeL", QRect(8, 4, 270, 100));
    SizeCB = rpMake<QComboBox>(SizeL, "SizeCB", QRect(12, 20, 246, 22));
    WidthL = rpMake<QLabel>(SizeL, "WidthL", QRect(12, 52, 50, 16));
    WidthE = rpMake<QLineEdit>(SizeL, "WidthE", QRect(66, 48, 72, 21));
    HeightL = rpMake<QLabel>(SizeL, "HeightL", QRect(12, 76, 50, 16));
    HeightE = rpMake<QLineEdit>(SizeL, "HeightE", QRect(66, 72, 72, 21));

    OrientationL = rpMake<QGroupBox>(this, "OrientationL", QRect(8, 108, 270, 70));
    PortraitImg = rpMake<QLabel>(OrientationL, "PortraitImg", QRect(14, 22, 40, 40));
    PortraitImg->setPixmap(QPixmap::fromImage(OrientationImage(false)));
    LandscapeImg = rpMake<QLabel>(OrientationL, "LandscapeImg", QRect(14, 22, 40, 40));
    LandscapeImg->setPixmap(QPixmap::fromImage(OrientationImage(true)));
    PortraitRB = rpMake<QRadioButton>(OrientationL, "PortraitRB", QRect(80, 22, 120, 18));
    LandscapeRB = rpMake<QRadioButton>(OrientationL, "LandscapeRB", QRect(80, 44, 120, 18));

    MarginsL = rpMake<QGroupBox>(this, "MarginsL", QRect(8, 182, 270, 80));
    LeftL = rpMake<QLabel>(MarginsL, "LeftL", QRect(12, 26, 24, 16));
    MarginLeftE = rpMake<QLineEdit>(MarginsL, "MarginLeftE", QRect(36, 22, 60, 21));
    TopL = rpMake<QLabel>(MarginsL, "TopL", QRect(140, 26, 24, 16));
    MarginTopE = rpMake<QLineEdit>(MarginsL, "MarginTopE", QRect(164, 22, 60, 21));
    RightL = rpMake<QLabel>(MarginsL, "RightL", QRect(12, 52, 24, 16));
    MarginRightE = rpMake<QLineEdit>(MarginsL, "MarginRightE", QRect(36, 48, 60, 21));
    BottomL = rpMake<QLabel>(MarginsL, "BottomL", QRect(140, 52, 24, 16));
    MarginBottomE = rpMake<QLineEdit>(MarginsL, "MarginBottomE", QRect(164, 48, 60, 21));

    const struct {
        QWidget* parent;
        QRect at;
    } units[6] = {{SizeL, QRect(144, 52, 30, 16)},   {SizeL, QRect(144, 76, 30, 16)},
                  {MarginsL, QRect(100, 26, 30, 16)}, {MarginsL, QRect(228, 26, 30, 16)},
                  {MarginsL, QRect(100, 52, 30, 16)}, {MarginsL, QRect(228, 52, 30, 16)}};
    for (int i = 0; i < 6; ++i) {
        const std::string name = "UnitL" + IntToStr(i + 1);
        UnitL[i] = rpMake<QLabel>(units[i].parent, name.c_str(), units[i].at);
    }

    OtherL = rpMake<QGroupBox>(this, "OtherL", QRect(8, 266, 270, 54));
    ApplyToCurRB = rpMake<QRadioButton>(OtherL, "ApplyToCurRB", QRect(12, 24, 110, 18));
    ApplyToAllRB = rpMake<QRadioButton>(OtherL, "ApplyToAllRB", QRect(126, 24, 136, 18));
    ApplyToCurRB->setChecked(true);

    OKB = rpMake<QPushButton>(this, "OKB", QRect(122, 327, 75, 25));
    OKB->setDefault(true);
    CancelB = rpMake<QPushButton>(this, "CancelB", QRect(203, 327, 75, 25));

    connect(OKB, &QPushButton::clicked, this, gui::Slot([this] { accept(); }));
    connect(CancelB, &QPushButton::clicked, this, gui::Slot([this] { reject(); }));
    connect(SizeCB, &QComboBox::activated, this, gui::Slot([this] { SizeCBClick(); }));
    // Only the button that became checked reports the change.
    for (QRadioButton* rb : {PortraitRB, LandscapeRB})
        connect(rb, &QRadioButton::toggled, this, gui::SlotWithArgs([this](bool checked) {
                    if (checked) PortraitRBClick();
                }));
    for (QLineEdit* e : {WidthE, HeightE}) connect(e, &QLineEdit::textEdited, this, gui::Slot([this] { WidthEChange(); }));

    FormShow(Page, Report);
}

void TrpPageSettingsForm::SetMm(QLineEdit* Edit, Extended Mm)
{
    const QString text = QString::fromStdString(FloatToStrPlain(Units == 1 ? Mm / 25.4L : Mm / 10));
    Edit->setText(text);
    FShown[Edit] = {text, Mm};
    if (Edit == WidthE) FLastWidth = Mm;
    if (Edit == HeightE) FLastHeight = Mm;
}

bool TrpPageSettingsForm::ReadMm(const QLineEdit* Edit, Extended& Mm) const
{
    const auto shown = FShown.find(Edit);
    if (shown != FShown.end() && shown->second.first == Edit->text()) {
        Mm = shown->second.second;
        return true;
    }
    try {
        const Extended value = StrToFloatAnySep(Edit->text().toStdString());
        Mm = Units == 1 ? value * 25.4L : value * 10;
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

void TrpPageSettingsForm::FormShow(const TrpPageSetup& Page, const TrpReport* Report)
{
    Updating = true;
    setWindowTitle(rpRes("400"));
    SizeL->setTitle(rpRes("403"));
    WidthL->setText(rpRes("401"));
    HeightL->setText(rpRes("402"));
    OrientationL->setTitle(rpRes("404"));
    PortraitRB->setText(rpRes("410"));
    LandscapeRB->setText(rpRes("411"));
    MarginsL->setTitle(rpRes("409"));
    LeftL->setText(rpRes("405"));
    TopL->setText(rpRes("406"));
    RightL->setText(rpRes("407"));
    BottomL->setText(rpRes("408"));
    OtherL->setTitle(rpRes("412"));
    ApplyToCurRB->setText(rpRes("413"));
    ApplyToAllRB->setText(rpRes("414"));
    OKB->setText(rpRes("1"));
    CancelB->setText(rpRes("2"));

    const std::unique_ptr<gui::SettingsStore> settings =
        Report ? Report->GetIniFile() : std::make_unique<gui::SettingsStore>(QString::fromLatin1(TrpReport::DefaultIniFile));
    Units = settings->readInteger(QStringLiteral("Form.TrpDesignerForm"), QStringLiteral("Units"), 0);
    for (QLabel* l : UnitL) l->setText(rpRes(Units == 1 ? "uInch" : "uCm"));

    if (const TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter()) {
        for (const TrpListItem& paper : printer->Papers()) SizeCB->addItem(QString::fromStdString(paper.Name), paper.Code);
        SizeCB->setCurrentIndex(PaperPosition(*printer, Page.PaperSize));
    }
    SetMm(WidthE, Page.PaperWidth);
    SetMm(HeightE, Page.PaperHeight);
    (Page.Orientation ? LandscapeRB : PortraitRB)->setChecked(true);
    SetMm(MarginLeftE, Page.LeftMargin);
    SetMm(MarginTopE, Page.TopMargin);
    SetMm(MarginRightE, Page.RightMargin);
    SetMm(MarginBottomE, Page.BottomMargin);
    PortraitRBClick();
    Updating = false;
}

void TrpPageSettingsForm::PortraitRBClick()
{
    PortraitImg->setVisible(PortraitRB->isChecked());
    LandscapeImg->setVisible(LandscapeRB->isChecked());
    PaperChange(true);
}

void TrpPageSettingsForm::PaperChange(bool Exchange)
{
    TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter();
    if (Updating || !printer || SizeCB->currentIndex() < 0) return;
    Updating = true;
    const int32_t code = SizeCB->currentData().toInt();
    // A field being typed into counts with its last good value.
    Extended w = FLastWidth, h = FLastHeight;
    if (ReadMm(WidthE, w)) FLastWidth = w;
    if (ReadMm(HeightE, h)) FLastHeight = h;
    const bool landscape = !PortraitRB->isChecked();
    if (code == DMPAPER_USER && Exchange) printer->SetViewParams(code, h, w, landscape);
    else printer->SetViewParams(code, w, h, landscape);
    SetMm(WidthE, printer->PaperWidth());
    SetMm(HeightE, printer->PaperHeight());
    Updating = false;
}

void TrpPageSettingsForm::WidthEChange()
{
    if (Updating) return;
    if (const TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter())
        SizeCB->setCurrentIndex(printer->PaperIndex(DMPAPER_USER));
}

void TrpPageSettingsForm::accept()
{
    const struct {
        QLineEdit* edit;
        QLabel* label;
        bool positive;
    } fields[] = {{WidthE, WidthL, true},         {HeightE, HeightL, true},        {MarginLeftE, LeftL, false},
                  {MarginTopE, TopL, false},      {MarginRightE, RightL, false},   {MarginBottomE, BottomL, false}};
    for (const auto& f : fields) {
        Extended mm = 0;
        if (ReadMm(f.edit, mm) && (f.positive ? mm > 0 : mm >= 0)) continue;
        ErrorMessageBox(f.label->text().toStdString() + "：“" + f.edit->text().toStdString() + "”不是有效的尺寸。");
        f.edit->setFocus(Qt::OtherFocusReason);
        f.edit->selectAll();
        return;
    }
    QDialog::accept();
}

bool TrpPageSettingsForm::FormHide(int Result, TrpPageSetup& Page) const
{
    if (Result != QDialog::Accepted) return false;
    Page.Orientation = LandscapeRB->isChecked();
    ReadMm(WidthE, Page.PaperWidth);
    ReadMm(HeightE, Page.PaperHeight);
    if (SizeCB->currentIndex() >= 0) Page.PaperSize = SizeCB->currentData().toInt();
    ReadMm(MarginLeftE, Page.LeftMargin);
    ReadMm(MarginTopE, Page.TopMargin);
    ReadMm(MarginRightE, Page.RightMargin);
    ReadMm(MarginBottomE, Page.BottomMargin);
    return true;
}

bool TrpPageSettingsForm::ApplyToAll() const { return ApplyToAllRB->isChecked(); }

bool TrpPageSettingsForm::Execute(TrpPageSetup& Page, bool& ApplyToAll, const TrpReport* Report)
{
    TrpPageSettingsForm form(Page, Report);
    if (!form.FormHide(rpShowModal(form), Page)) return false;
    ApplyToAll = form.ApplyToAll();
    return true;
}
