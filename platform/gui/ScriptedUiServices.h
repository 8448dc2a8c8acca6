#pragma once
// UI services that answer from a script instead of a person: tests queue the
// interactions they expect, in order, with the answers; anything else is a
// failure (reported to the failure handler and answered with Cancel or
// Rejected). The program installs it from a script file when
// DORVAK_UI_SCRIPT names one (see installFromEnvironment).

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>

#include "UiServices.h"

namespace gui {

class ScriptedUiServices : public UiServices {
public:
    // Drives a modal dialog that is not shown (fill fields, click buttons)
    // and returns its result.
    using Driver = std::function<int(QDialog&)>;
    // One thing done in a modal dialog before it is answered: type into a
    // field, press a control once it is enabled, or pick an item by its
    // text (a tree node, a table row, a combo box's item, as a user does).
    struct DialogStep {
        enum Kind { Fill, Press, Select } kind = Fill;
        QString control;
        QString text;
    };

    // An empty text or caption matches any.
    ScriptedUiServices& expectMessage(MsgResult answer, const QString& text = {}, const QString& caption = {});
    ScriptedUiServices& expectModal(const QString& objectName, Driver driver);
    ScriptedUiServices& expectModal(const QString& objectName, int result);
    // Types each text into the dialog's field of that object name (an edit,
    // a combo box, a text box; a check box takes 1 or 0), then presses each
    // of `presses` (a button or an action of the dialog) once it is enabled,
    // letting the dialog's events run while it waits (up to a minute), then
    // answers with the result.
    ScriptedUiServices& expectModal(const QString& objectName, int result,
                                    const QList<std::pair<QString, QString>>& fills, const QStringList& presses = {});
    // Does the steps in their order, then answers with the result.
    ScriptedUiServices& expectModal(const QString& objectName, int result, const QList<DialogStep>& steps);
    // nullopt answers Cancel.
    ScriptedUiServices& expectInput(std::optional<QString> answer);
    ScriptedUiServices& expectFile(std::optional<QString> answer);
    ScriptedUiServices& expectFont(std::optional<QFont> answer);
    ScriptedUiServices& expectColor(std::optional<QColor> answer);
    ScriptedUiServices& expectUrl(const QString& url = {});
    // Ends the event loop once every interaction before it has happened and
    // no scripted dialog or action is still running.
    ScriptedUiServices& expectQuit();
    // Acts on a window of the program as a user would, once every
    // interaction before it has happened, the handler then running has
    // returned and no scripted dialog is open any more (a click never lands
    // behind a modal window). `path` is "window/control" by object names. "type" sets an
    // edit's or a combo box's text; "click" clicks a button or triggers a
    // menu item; "select" picks by text: the first node so captioned in a
    // tree (made current and expanded, as its + does), the first row of a
    // table holding a cell with that text, or a combo box's item.
    ScriptedUiServices& expectAction(const QString& verb, const QString& path, const QString& text = {});

    // Reads expectations from a file, one a line ('#' starts a comment):
    //   box ok|cancel|yes|no [text]     modal accept|reject [objectName]
    //   input ok <text> | input cancel  file ok <path> | file cancel
    //   font cancel   color cancel      url [address]     quit
    //   fill <field> <text>  (typed into the next modal dialog's field; a
    //                         check box takes 1 or 0)
    //   press <control>      (pressed in the next modal dialog once enabled)
    //   select <control> <text>  (picked in the next modal dialog)
    //                         fill, press and select lines happen in their
    //                         order, before the modal line after them
    //   type <window/field> <text>   click <window/control>
    //   select <window/control> <text>
    bool loadScript(const QString& path, QString* error);

    // One line per interaction, in order, e.g. "box 提示 | 用户密码有问题！ -> cancel".
    const QStringList& log() const noexcept { return log_; }
    const QStringList& failures() const noexcept { return failures_; }
    // Texts of the message boxes shown, in order.
    const QStringList& messages() const noexcept { return messages_; }
    const QStringList& urls() const noexcept { return urls_; }
    int pending() const noexcept { return static_cast<int>(queue_.size()); }
    void clear();

    void setFailureHandler(std::function<void(const QString&)> handler) { onFailure_ = std::move(handler); }
    // Once the event loop has started (eventLoopStarting): when lines are
    // left and nothing happens for this long while no scripted dialog or
    // action runs, the next line cannot happen; it is reported as a failure
    // and the event loop ends with exit code 3. A dialog or action running
    // for 30 times as long ends it too. 0 (the default) waits for ever.
    void setIdleLimit(int milliseconds) { idleLimitMs_ = milliseconds; }
    // Receives each log line as it is written (the program sends it to stderr).
    void setLogSink(std::function<void(const QString&)> sink) { sink_ = std::move(sink); }

    MsgResult messageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    int showModal(QDialog& dialog) override;
    bool inputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool fileDialog(const FileRequest& request, QString& fileName) override;
    bool fontDialog(QFont& font, const QString& caption) override;
    bool colorDialog(QColor& color, const QString& caption) override;
    bool openUrl(const QString& url) override;
    void eventLoopStarting() override;

private:
    enum class Kind { Message, Modal, Input, File, Font, Color, Url, Quit, Action };
    struct Expectation {
        Kind kind = Kind::Message;
        QString match;
        QString caption;
        MsgResult answer = MsgResult::Ok;
        Driver driver;
        int result = 0;
        std::optional<QString> text;
        std::optional<QFont> font;
        std::optional<QColor> color;
    };

    static Expectation make(Kind kind, const QString& match = {}, const QString& caption = {});
    // Pops the next expectation when it is of this kind and matches.
    std::optional<Expectation> take(Kind kind, const QString& description, const QString& match, const QString& caption);
    template <class T, class Show>
    bool answer(Kind kind, const QString& description, std::optional<T> Expectation::*member, T& value, Show show);
    void record(const QString& line);
    void fail(const QString& line);
    // Quits or acts when that is the next line and nothing scripted runs.
    void runWhenDue();
    void act(const Expectation& action);
    // A scripted dialog or action runs while one of these lives.
    struct Busy {
        explicit Busy(ScriptedUiServices& services);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
        ScriptedUiServices& s;
    };
    void restartWatchdog();
    void watchdogFired();
    static QString describe(const Expectation& e);

    std::deque<Expectation> queue_;
    QStringList log_, failures_, messages_, urls_;
    std::function<void(const QString&)> onFailure_;
    std::function<void(const QString&)> sink_;
    bool actionPosted_ = false;
    int busy_ = 0;  // scripted dialogs and actions running, nested
    QElapsedTimer busySince_;
    int idleLimitMs_ = 0;
    bool watching_ = false;
    // The posted action and the watchdog go with these services.
    QObject actionContext_;
    QTimer* watchdog_ = nullptr;
};

// When DORVAK_UI_SCRIPT names a script file: installs scripted services read
// from it that log every interaction to stderr, and returns them (owned by
// the caller). Also honours DORVAK_ADAPTER_ADDRESS and DORVAK_CLOCK
// ("yyyy-mm-dd hh:nn:ss"). Returns nullptr when the variable is unset; a
// script that cannot be read is reported on stderr and also yields nullptr.
ScriptedUiServices* installFromEnvironment(bool* scriptError = nullptr);

}  // namespace gui
