#pragma once
// The preview's search dialog. The last confirmed text is kept for the whole
// process and offered again, all selected; everything else of a search
// belongs to the preview that asked.

#include <QDialog>

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct TrpSearchRequest {
    std::u16string Text;
    bool FromTop = false;
    bool CaseSensitive = false;
};

class TrpSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit TrpSearchDialog(QWidget* parent = nullptr);

    // OK keeps the text as the last confirmed one.
    void FormHide(int Result);
    // On OK the request holds the dialog's choices.
    static bool Execute(TrpSearchRequest& Request);
    static std::u16string LastSearchText();

    QWidget* Panel2;
    QLabel* TextL;
    QLineEdit* TextE;
    // Never shown: there is no replacing.
    QWidget* ReplacePanel;
    QLabel* ReplaceL;
    QLineEdit* ReplaceE;
    QGroupBox* SearchL;
    QCheckBox* TopCB;
    QCheckBox* CaseCB;
    QPushButton* OkB;
    QPushButton* CancelB;
};
