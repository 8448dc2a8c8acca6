#pragma once
// The desktop implementation of the UI services, over Qt's dialogs.

#include "UiServices.h"

namespace gui {

class QtUiServices : public UiServices {
public:
    MsgResult messageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    int showModal(QDialog& dialog) override;
    bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool fileDialog(const FileRequest& request, QString& fileName) override;
    bool fontDialog(QFont& font, const QString& caption) override;
    bool colorDialog(QColor& color, const QString& caption) override;
    bool openUrl(const QString& url) override;
};

}  // namespace gui
