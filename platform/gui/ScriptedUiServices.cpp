#include "ScriptedUiServices.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

#include "Clock.h"
#include "NetworkAddress.h"

namespace gui {

ScriptedUiServices::Expectation ScriptedUiServices::make(Kind kind, const QString& match, const QString& caption)
{
    Expectation e;
    e.kind = kind;
    e.match = match;
    e.caption = caption;
    return e;
}

ScriptedUiServices& ScriptedUiServices::expectMessage(MsgResult answer, const QString& text, const QString& caption)
{
    Expectation e = make(Kind::Message, text, caption);
    e.answer = answer;
    queue_.push_back(std::move(e));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectModal(const QString& objectName, Driver driver)
{
    Expectation e = make(Kind::Modal, objectName);
    e.driver = std::move(driver);
    queue_.push_back(std::move(e));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectModal(const QString& objectName, int result)
{
    return expectModal(objectName, [result](QDialog&) { return result; });
}

namespace {

bool typeInto(QDialog& dialog, const QString& name, const QString& text)
{
    QWidget* field = dialog.findChild<QWidget*>(name);
    if (!field) return false;
    // A check box or radio button is ticked by "1" and cleared by "0".
    if (auto* button = qobject_cast<QAbstractButton*>(field); button && button->isCheckable()) {
        if (text != QLatin1String("1") && text != QLatin1String("0")) return false;
        button->setChecked(text == QLatin1String("1"));
        return true;
    }
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(field))
        combo->setCurrentText(text);
    else if (field->metaObject()->indexOfProperty("plainText") >= 0)
        field->setProperty("plainText", text);
    else
        return field->setProperty("text", text);
    return true;
}

QTreeWidgetItem* findNode(QTreeWidgetItem* item, const QString& caption)
{
    if (item->text(0) == caption) return item;
    for (int i = 0; i < item->childCount(); ++i)
        if (QTreeWidgetItem* found = findNode(item->child(i), caption)) return found;
    return nullptr;
}

bool selectIn(QObject* control, const QString& text)
{
    if (auto* tree = qobject_cast<QTreeWidget*>(control)) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            if (QTreeWidgetItem* node = findNode(tree->topLevelItem(i), text)) {
                tree->setCurrentItem(node);
                node->setExpanded(false);
                node->setExpanded(true);
                return true;
            }
        }
        return false;
    }
    if (auto* table = qobject_cast<QTableWidget*>(control)) {
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                if (const QTableWidgetItem* cell = table->item(r, c); cell && cell->text() == text) {
                    table->setCurrentCell(r, c);
                    return true;
                }
        return false;
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int index = combo->findText(text);
        if (index < 0) return false;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        return true;
    }
    return false;
}

// Presses a button or triggers an action of the dialog once it is enabled:
// a dialog may be busy first (a preview preparing its pages).
bool press(QDialog& dialog, const QString& name)
{
    auto* button = dialog.findChild<QAbstractButton*>(name);
    auto* action = button ? nullptr : dialog.findChild<QAction*>(name);
    if (!button && !action) return false;
    const auto enabled = [&] { return button ? button->isEnabled() : action->isEnabled(); };
    QElapsedTimer waited;
    waited.start();
    while (!enabled() && waited.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    if (!enabled()) return false;
    if (button) button->click();
    else action->trigger();
    return true;
}

}  // namespace

ScriptedUiServices& ScriptedUiServices::expectModal(const QString& objectName, int result,
                                                    const QList<std::pair<QString, QString>>& fills, const QStringList& presses)
{
    QList<DialogStep> steps;
    for (const auto& [name, text] : fills) steps.append({DialogStep::Fill, name, text});
    for (const QString& name : presses) steps.append({DialogStep::Press, name, {}});
    return expectModal(objectName, result, steps);
}

ScriptedUiServices& ScriptedUiServices::expectModal(const QString& objectName, int result, const QList<DialogStep>& steps)
{
    return expectModal(objectName, [this, result, steps](QDialog& dialog) {
        for (const DialogStep& step : steps) {
            const QString& name = step.control;
            switch (step.kind) {
            case DialogStep::Fill:
                if (typeInto(dialog, name, step.text))
                    record(QStringLiteral("fill ") + name + QStringLiteral(" <- ") + step.text);
                else
                    fail(QStringLiteral("fill ") + name + QStringLiteral(": no such field in ") + dialog.objectName() +
                         QStringLiteral(" (or a check box given neither 1 nor 0)"));
                break;
            case DialogStep::Press:
                if (press(dialog, name))
                    record(QStringLiteral("press ") + name);
                else
                    fail(QStringLiteral("press ") + name + QStringLiteral(": no such control in ") + dialog.objectName() +
                         QStringLiteral(", or it stayed disabled"));
                break;
            case DialogStep::Select:
                if (selectIn(dialog.findChild<QObject*>(name), step.text))
                    record(QStringLiteral("select ") + name + QStringLiteral(" <- ") + step.text);
                else
                    fail(QStringLiteral("select ") + name + QStringLiteral(" ") + step.text + QStringLiteral(": no such control in ") +
                         dialog.objectName() + QStringLiteral(", or nothing so captioned in it"));
                break;
            }
        }
        return result;
    });
}

ScriptedUiServices& ScriptedUiServices::expectInput(std::optional<QString> answer)
{
    Expectation e = make(Kind::Input);
    e.text = std::move(answer);
    queue_.push_back(std::move(e));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectFile(std::optional<QString> answer)
{
    Expectation e = make(Kind::File);
    e.text = std::move(answer);
    queue_.push_back(std::move(e));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectFont(std::optional<QFont> answer)
{
    Expectation e = make(Kind::Font);
    e.font = std::move(answer);
    queue_.push_back(std::move(e));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectColor(std::optional<QColor> answer)
{
    Expectation e = make(Kind::Color);
    e.color = std::move(answer);
    queue_.push_back(std::move(e));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectUrl(const QString& url)
{
    queue_.push_back(make(Kind::Url, url));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectQuit()
{
    queue_.push_back(make(Kind::Quit));
    return *this;
}

ScriptedUiServices& ScriptedUiServices::expectAction(const QString& verb, const QString& path, const QString& text)
{
    Expectation e = make(Kind::Action, path, verb);
    e.text = text;
    queue_.push_back(std::move(e));
    return *this;
}

void ScriptedUiServices::clear()
{
    queue_.clear();
    log_.clear();
    failures_.clear();
    messages_.clear();
    urls_.clear();
}

namespace {

const char* kindName(int kind)
{
    static const char* names[] = {"box", "modal", "input", "file", "font", "color", "url", "quit", "action"};
    return names[kind];
}

}  // namespace

void ScriptedUiServices::record(const QString& line)
{
    log_ << line;
    if (sink_) sink_(line);
    restartWatchdog();
}

void ScriptedUiServices::fail(const QString& line)
{
    const QString text = QStringLiteral("UNEXPECTED ") + line;
    failures_ << text;
    record(text);
    if (onFailure_) onFailure_(text);
}

std::optional<ScriptedUiServices::Expectation> ScriptedUiServices::take(Kind kind, const QString& description, const QString& match,
                                                                        const QString& caption)
{
    if (queue_.empty() || queue_.front().kind != kind) {
        QString expected = queue_.empty() ? QStringLiteral("nothing") : QString::fromLatin1(kindName(static_cast<int>(queue_.front().kind)));
        fail(description + QStringLiteral(" (expected: ") + expected + QStringLiteral(")"));
        return std::nullopt;
    }
    const Expectation& e = queue_.front();
    if ((!e.match.isEmpty() && e.match != match) || (!e.caption.isEmpty() && e.caption != caption)) {
        fail(description + QStringLiteral(" (expected: ") + e.caption + QStringLiteral(" | ") + e.match + QStringLiteral(")"));
        return std::nullopt;
    }
    Expectation taken = std::move(queue_.front());
    queue_.pop_front();
    return taken;
}

ScriptedUiServices::Busy::Busy(ScriptedUiServices& services) : s(services)
{
    if (s.busy_++ == 0) s.busySince_.start();
}

ScriptedUiServices::Busy::~Busy()
{
    if (--s.busy_ == 0) s.restartWatchdog();
}

void ScriptedUiServices::restartWatchdog()
{
    if (watchdog_ && watching_) watchdog_->start();
}

QString ScriptedUiServices::describe(const Expectation& e)
{
    QString text = QString::fromLatin1(kindName(static_cast<int>(e.kind)));
    if (e.kind == Kind::Action)
        return e.caption + QLatin1Char(' ') + e.match + (e.text && !e.text->isEmpty() ? QLatin1Char(' ') + *e.text : QString());
    if (!e.match.isEmpty()) text += QLatin1Char(' ') + e.match;
    return text;
}

void ScriptedUiServices::watchdogFired()
{
    if (queue_.empty() || !watching_) return;
    // A dialog or an action at work gets longer; an action about to run,
    // its turn.
    const qint64 busyLimit = 30LL * idleLimitMs_;
    if ((busy_ > 0 && busySince_.elapsed() < busyLimit) || (busy_ == 0 && actionPosted_)) {
        watchdog_->start();
        return;
    }
    watching_ = false;
    const qint64 waited = busy_ > 0 ? busySince_.elapsed() : idleLimitMs_;
    fail(QStringLiteral("the program waited ") + QString::number(waited / 1000.0, 'f', 1) + QStringLiteral(" s for: ") +
         describe(queue_.front()));
    // Every event loop ends, nested ones too; the exit code tells why.
    QCoreApplication::exit(3);
}

void ScriptedUiServices::runWhenDue()
{
    // A scripted dialog or action still running calls again when it ends.
    if (queue_.empty() || busy_ > 0) return;
    if (queue_.front().kind == Kind::Quit) {
        queue_.pop_front();
        record(QStringLiteral("quit"));
        // Leave the handler that is running first, then end the loop.
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
        return;
    }
    if (queue_.front().kind != Kind::Action || actionPosted_) return;
    // Acts once the running handler has returned, as a user would.
    actionPosted_ = true;
    QTimer::singleShot(0, &actionContext_, [this] {
        actionPosted_ = false;
        // Reached from a dialog's own event processing (a print in
        // progress): the dialog's end posts it again.
        if (busy_ > 0 || queue_.empty() || queue_.front().kind != Kind::Action) return;
        const Expectation action = std::move(queue_.front());
        queue_.pop_front();
        act(action);
        runWhenDue();
    });
}

namespace {

QObject* findControl(const QString& path)
{
    const QString window = path.section(QLatin1Char('/'), 0, 0);
    const QString name = path.section(QLatin1Char('/'), 1);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() != window) continue;
        if (name.isEmpty()) return w;
        if (QObject* control = w->findChild<QObject*>(name)) return control;
    }
    return nullptr;
}

}  // namespace

void ScriptedUiServices::act(const Expectation& action)
{
    const Busy busy(*this);
    const QString& verb = action.caption;
    const QString text = action.text.value_or(QString());
    const QString description = verb + QLatin1Char(' ') + action.match + (text.isEmpty() ? QString() : QLatin1Char(' ') + text);
    QObject* control = findControl(action.match);
    bool done = false;
    if (control && verb == QLatin1String("click")) {
        if (auto* button = qobject_cast<QAbstractButton*>(control); button && button->isEnabled()) {
            button->click();
            done = true;
        } else if (auto* item = qobject_cast<QAction*>(control); item && item->isEnabled()) {
            item->trigger();
            done = true;
        }
    } else if (control && verb == QLatin1String("type")) {
        if (auto* line = qobject_cast<QLineEdit*>(control)) {
            line->setText(text);
            emit line->textEdited(text);
            done = true;
        } else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable()) {
            combo->setCurrentText(text);
            done = true;
        }
    } else if (control && verb == QLatin1String("select")) {
        done = selectIn(control, text);
    }
    if (done) record(description);
    else fail(description + (control ? QStringLiteral(" (cannot)") : QStringLiteral(" (no such control)")));
}

MsgResult ScriptedUiServices::messageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon)
{
    messages_ << text;
    const QString description = QStringLiteral("box ") + caption + QStringLiteral(" | ") + text;
    auto e = take(Kind::Message, description, text, caption);
    MsgResult answer = buttons == MsgButtons::Ok ? MsgResult::Ok : buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    if (e) {
        answer = e->answer;
        record(description + QStringLiteral(" -> ") + QString::fromLatin1(MsgResultName(answer)));
    }
    runWhenDue();
    return answer;
}

int ScriptedUiServices::showModal(QDialog& dialog)
{
    const QString description = QStringLiteral("modal ") + dialog.objectName() + QStringLiteral(" | ") + dialog.windowTitle();
    auto e = take(Kind::Modal, description, dialog.objectName(), {});
    int result = QDialog::Rejected;
    if (e) {
        {
            const Busy busy(*this);
            result = e->driver ? e->driver(dialog) : e->result;
        }
        record(description + (result == QDialog::Accepted ? QStringLiteral(" -> accept") : QStringLiteral(" -> reject")));
    }
    dialog.setResult(result);
    runWhenDue();
    return result;
}

template <class T, class Show>
bool ScriptedUiServices::answer(Kind kind, const QString& description, std::optional<T> Expectation::*member, T& value, Show show)
{
    auto e = take(kind, description, {}, {});
    bool ok = false;
    if (e) {
        const std::optional<T>& given = (*e).*member;
        ok = given.has_value();
        if (ok) value = *given;
        record(description + (ok ? QStringLiteral(" -> ") + show(value) : QStringLiteral(" -> cancel")));
    }
    runWhenDue();
    return ok;
}

bool ScriptedUiServices::inputQuery(const QString& caption, const QString& prompt, QString& value)
{
    return answer(Kind::Input, QStringLiteral("input ") + caption + QStringLiteral(" | ") + prompt, &Expectation::text, value,
                  [](const QString& v) { return v; });
}

bool ScriptedUiServices::fileDialog(const FileRequest& request, QString& fileName)
{
    return answer(Kind::File, QStringLiteral("file ") + request.caption, &Expectation::text, fileName, [](const QString& v) { return v; });
}

bool ScriptedUiServices::fontDialog(QFont& font, const QString& caption)
{
    return answer(Kind::Font, QStringLiteral("font ") + caption, &Expectation::font, font, [](const QFont& f) { return f.family(); });
}

bool ScriptedUiServices::colorDialog(QColor& color, const QString& caption)
{
    return answer(Kind::Color, QStringLiteral("color ") + caption, &Expectation::color, color, [](const QColor& c) { return c.name(); });
}

bool ScriptedUiServices::openUrl(const QString& url)
{
    urls_ << url;
    const QString description = QStringLiteral("url ") + url;
    auto e = take(Kind::Url, description, url, {});
    if (e) record(description);
    runWhenDue();
    return e.has_value();
}

void ScriptedUiServices::eventLoopStarting()
{
    if (idleLimitMs_ > 0 && !watchdog_) {
        watchdog_ = new QTimer(&actionContext_);
        watchdog_->setSingleShot(true);
        QObject::connect(watchdog_, &QTimer::timeout, &actionContext_, [this] { watchdogFired(); });
    }
    if (watchdog_) watchdog_->setInterval(idleLimitMs_);
    watching_ = idleLimitMs_ > 0;
    restartWatchdog();
    runWhenDue();
}

bool ScriptedUiServices::loadScript(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read ") + path;
        return false;
    }
    int lineNo = 0;
    QList<DialogStep> steps;
    while (!file.atEnd()) {
        ++lineNo;
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QString word = line.section(QLatin1Char(' '), 0, 0);
        const QString answer = line.section(QLatin1Char(' '), 1, 1);
        const QString rest = line.section(QLatin1Char(' '), 2);
        const QString afterWord = line.section(QLatin1Char(' '), 1);
        bool ok = true;
        if (word == QLatin1String("box")) {
            static const std::pair<const char*, MsgResult> answers[] = {
                {"ok", MsgResult::Ok}, {"cancel", MsgResult::Cancel}, {"yes", MsgResult::Yes}, {"no", MsgResult::No}};
            ok = false;
            for (const auto& [name, result] : answers) {
                if (answer == QLatin1String(name)) {
                    expectMessage(result, rest);
                    ok = true;
                }
            }
        } else if (word == QLatin1String("fill") && !answer.isEmpty()) {
            steps.append({DialogStep::Fill, answer, rest});
        } else if (word == QLatin1String("press") && !answer.isEmpty() && rest.isEmpty()) {
            steps.append({DialogStep::Press, answer, {}});
        } else if (word == QLatin1String("select") && !answer.isEmpty() && !answer.contains(QLatin1Char('/')) && !rest.isEmpty()) {
            // Without a window: a pick in the next modal dialog.
            steps.append({DialogStep::Select, answer, rest});
        } else if (word == QLatin1String("modal") && (answer == QLatin1String("accept") || answer == QLatin1String("reject"))) {
            expectModal(rest, answer == QLatin1String("accept") ? QDialog::Accepted : QDialog::Rejected, steps);
            steps.clear();
        } else if (word == QLatin1String("input") || word == QLatin1String("file")) {
            std::optional<QString> value;
            if (answer == QLatin1String("ok")) value = rest;
            else ok = answer == QLatin1String("cancel");
            if (word == QLatin1String("input")) expectInput(value);
            else expectFile(value);
        } else if (word == QLatin1String("font") && answer == QLatin1String("cancel")) {
            expectFont(std::nullopt);
        } else if (word == QLatin1String("color") && answer == QLatin1String("cancel")) {
            expectColor(std::nullopt);
        } else if (word == QLatin1String("url")) {
            expectUrl(afterWord);
        } else if (word == QLatin1String("quit")) {
            expectQuit();
        } else if ((word == QLatin1String("type") || word == QLatin1String("select")) && answer.contains(QLatin1Char('/'))) {
            expectAction(word, answer, rest);
        } else if (word == QLatin1String("click") && answer.contains(QLatin1Char('/')) && rest.isEmpty()) {
            expectAction(word, answer);
        } else {
            ok = false;
        }
        if (!ok) {
            if (error) *error = path + QStringLiteral(":") + QString::number(lineNo) + QStringLiteral(": cannot read \"") + line + QStringLiteral("\"");
            return false;
        }
    }
    if (!steps.isEmpty()) {
        if (error) *error = path + QStringLiteral(": fill, press or select without a modal line after it");
        return false;
    }
    return true;
}

ScriptedUiServices* installFromEnvironment(bool* scriptError)
{
    if (scriptError) *scriptError = false;
    if (qEnvironmentVariableIsSet("DORVAK_ADAPTER_ADDRESS")) {
        const QString address = qEnvironmentVariable("DORVAK_ADAPTER_ADDRESS");
        SetAdapterAddressProvider([address] { return address; });
    }
    if (qEnvironmentVariableIsSet("DORVAK_CLOCK")) {
        const QDateTime at = QDateTime::fromString(qEnvironmentVariable("DORVAK_CLOCK"), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (at.isValid()) SetFixedClock(at);
    }
    if (!qEnvironmentVariableIsSet("DORVAK_UI_SCRIPT")) return nullptr;
    auto* services = new ScriptedUiServices;
    QString error;
    if (!services->loadScript(qEnvironmentVariable("DORVAK_UI_SCRIPT"), &error)) {
        std::fputs(("[ui] " + error.toStdString() + "\n").c_str(), stderr);
        delete services;
        if (scriptError) *scriptError = true;
        return nullptr;
    }
    // A line that cannot happen must not keep a shell-level run waiting.
    bool secondsGiven = false;
    const int seconds = qEnvironmentVariableIntValue("DORVAK_UI_IDLE_SECONDS", &secondsGiven);
    services->setIdleLimit((secondsGiven && seconds > 0 ? seconds : 20) * 1000);
    services->setLogSink([](const QString& line) {
        std::fputs(("[ui] " + line.toStdString() + "\n").c_str(), stderr);
        std::fflush(stderr);
    });
    setUi(services);
    return services;
}

}  // namespace gui
