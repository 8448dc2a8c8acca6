#pragma once
// Every modal interaction of the program goes through one UiServices
// object: message boxes, modal forms, input boxes, file, font and colour
// dialogs, URL opening. The Qt implementation is the default; tests and
// shell-level runs install a scripted one.

#include <QColor>
#include <QFont>
#include <QString>

class QDialog;

namespace gui {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No };

const char* MsgResultName(MsgResult r);

struct FileRequest {
    QString caption;
    QString directory;
    QString filter;  // Qt filter text, "Reports (*.rpp);;All (*)"
    bool save = false;
    // Saving: ask before an existing file is replaced.
    bool confirmOverwrite = true;
    // In and out: the filter shown first, then the one chosen (may be null).
    QString* selectedFilter = nullptr;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual MsgResult messageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) = 0;
    // Shows a dialog modally; returns its result (QDialog::Accepted ...).
    virtual int showModal(QDialog& dialog) = 0;
    // false when cancelled; value holds the default on entry.
    virtual bool inputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    virtual bool fileDialog(const FileRequest& request, QString& fileName) = 0;
    virtual bool fontDialog(QFont& font, const QString& caption) = 0;
    virtual bool colorDialog(QColor& color, const QString& caption) = 0;
    virtual bool openUrl(const QString& url) = 0;

    // Called once right before the program enters its event loop.
    virtual void eventLoopStarting() {}
};

// The installed services (the Qt implementation unless one was installed).
UiServices& ui();
// Installs services (nullptr: back to Qt); returns the previous ones. The
// caller keeps ownership.
UiServices* setUi(UiServices* services);

// Installs services for a scope.
class ScopedUi {
public:
    explicit ScopedUi(UiServices& services) : previous_(setUi(&services)) {}
    ~ScopedUi() { setUi(previous_); }
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

private:
    UiServices* previous_;
};

// The application's title, the caption of ShowMessage and of the default
// error handler. Kept here, not in Qt's display name (which X11 appends to
// every window title).
void setApplicationTitle(const QString& title);
QString applicationTitle();

// The platform's ShowMessage: an information box captioned with the title.
void ShowMessage(const QString& text);

}  // namespace gui
