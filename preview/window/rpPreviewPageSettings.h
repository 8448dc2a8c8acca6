#pragma once
// The page settings dialog of the preview: paper, orientation and margins
// of one report page, in centimetres or inches as the designer's "Units"
// setting in the report's settings store says. Paper changes go through the
// current printer, which reports the sheet's real size (and keeps that
// paper, also on cancel).

#include <QDialog>

#include <cstdint>
#include <map>
#include <utility>

#include "Numbers.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TrpReport;

// The page fields the dialog edits, in millimetres. The caller applies
// them to the page in member order (orientation, width, height, paper code,
// margins), so that a listed paper's own size wins over the typed one.
struct TrpPageSetup {
    bool Orientation = false;  // true = landscape
    Extended PaperWidth = 210;
    Extended PaperHeight = 297;
    int32_t PaperSize = 9;
    Extended LeftMargin = 10;
    Extended TopMargin = 10;
    Extended RightMargin = 10;
    Extended BottomMargin = 10;
};

class TrpPageSettingsForm : public QDialog {
    Q_OBJECT
public:
    // Report: whose settings store holds "Units"; without one, that of a
    // report left as it comes.
    explicit TrpPageSettingsForm(const TrpPageSetup& Page, const TrpReport* Report = nullptr, QWidget* parent = nullptr);

    // On OK the page gets the dialog's values; false otherwise.
    bool FormHide(int Result, TrpPageSetup& Page) const;
    // "Apply to all pages" was chosen.
    bool ApplyToAll() const;
    static bool Execute(TrpPageSetup& Page, bool& ApplyToAll, const TrpReport* Report = nullptr);

    // Orientation change: the pictures, then the paper with width and height
    // exchanged when the size is a custom one.
    void PortraitRBClick();
    // Paper change (the list).
    void SizeCBClick() { PaperChange(false); }
    // Typing a size selects the custom entry.
    void WidthEChange();

    int Units = 0;
    bool Updating = false;

    QGroupBox* SizeL;
    QComboBox* SizeCB;
    QLabel* WidthL;
    QLineEdit* WidthE;
    QLabel* HeightL;
    QLineEdit* HeightE;
    QGroupBox* OrientationL;
    QRadioButton* PortraitRB;
    QRadioButton* LandscapeRB;
    QLabel* PortraitImg;
    QLabel* LandscapeImg;
    QGroupBox* MarginsL;
    QLabel* LeftL;
    QLineEdit* MarginLeftE;
    QLabel* TopL;
    QLineEdit* MarginTopE;
    QLabel* RightL;
    QLineEdit* MarginRightE;
    QLabel* BottomL;
    QLineEdit* MarginBottomE;
    QLabel* UnitL[6];
    QGroupBox* OtherL;
    QRadioButton* ApplyToCurRB;
    QRadioButton* ApplyToAllRB;
    QPushButton* OKB;
    QPushButton* CancelB;

public slots:
    // A field that holds no usable size keeps the dialog open with the focus in it.
    void accept() override;

private:
    void FormShow(const TrpPageSetup& Page, const TrpReport* Report);
    void PaperChange(bool Exchange);
    // Shows millimetres in the display unit.
    void SetMm(QLineEdit* Edit, Extended Mm);
    // The field in millimetres; false when it holds no number. A field left
    // as shown gives back the exact value it was filled with.
    bool ReadMm(const QLineEdit* Edit, Extended& Mm) const;

    std::map<const QLineEdit*, std::pair<QString, Extended>> FShown;
    Extended FLastWidth = 0;
    Extended FLastHeight = 0;
};
