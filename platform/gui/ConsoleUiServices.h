#pragma once
// UI services of a command-line tool: nobody is there to answer, so every
// box is written to standard error as "tool: text" and every dialog is
// refused. A tool never opens a window, never waits and never aborts for
// want of a widget application.

#include <QString>

#include "UiServices.h"

namespace gui {

class ConsoleUiServices final : public UiServices {
public:
    explicit ConsoleUiServices(const char* tool) : tool_(tool) {}

    // Ok for a box with Ok alone, else Cancel (No where there is no Cancel).
    MsgResult messageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    int showModal(QDialog& dialog) override;
    bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool fileDialog(const FileRequest& request, QString& fileName) override;
    bool fontDialog(QFont& font, const QString& caption) override;
    bool colorDialog(QColor& color, const QString& caption) override;
    bool openUrl(const QString& url) override;

    // How many boxes and dialogs came: a tool counts them as errors.
    int count() const noexcept { return count_; }

private:
    void write(const QString& line);

    const char* tool_;
    int count_ = 0;
};

}  // namespace gui
