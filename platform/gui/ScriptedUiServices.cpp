#include "ScriptedUiServices.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

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

}  // namespace

ScriptedUiServices& ScriptedUiServices::expectModal(const QString& objectName, int result,
                                                    const QList<std::pair<QString, QString>>& fills)
{
    return expectModal(objectName, [this, result, fills](QDialog& dialog) {
        for (const auto& [name, text] : fills) {
            if (typeInto(dialog, name, text))
                record(QStringLiteral("fill ") + name + QStringLiteral(" <- ") + text);
            else
                fail(QStringLiteral("fill ") + name + QStringLiteral(": no such field in ") + dialog.objectName());
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
    static const char* names[] = {"box", "modal", "input", "file", "font", "color", "url", "quit"};
    return names[kind];
}

}  // namespace

void ScriptedUiServices::record(const QString& line)
{
    log_ << line;
    if (sink_) sink_(line);
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

void ScriptedUiServices::quitWhenDue()
{
    if (queue_.empty() || queue_.front().kind != Kind::Quit) return;
    queue_.pop_front();
    record(QStringLiteral("quit"));
    // Leave the handler that is running first, then end the loop.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
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
    quitWhenDue();
    return answer;
}

int ScriptedUiServices::showModal(QDialog& dialog)
{
    const QString description = QStringLiteral("modal ") + dialog.objectName() + QStringLiteral(" | ") + dialog.windowTitle();
    auto e = take(Kind::Modal, description, dialog.objectName(), {});
    int result = QDialog::Rejected;
    if (e) {
        result = e->driver ? e->driver(dialog) : e->result;
        record(description + (result == QDialog::Accepted ? QStringLiteral(" -> accept") : QStringLiteral(" -> reject")));
    }
    dialog.setResult(result);
    quitWhenDue();
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
    quitWhenDue();
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
    quitWhenDue();
    return e.has_value();
}

void ScriptedUiServices::eventLoopStarting() { quitWhenDue(); }

bool ScriptedUiServices::loadScript(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read ") + path;
        return false;
    }
    int lineNo = 0;
    QList<std::pair<QString, QString>> fills;
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
            fills.append({answer, rest});
        } else if (word == QLatin1String("modal") && (answer == QLatin1String("accept") || answer == QLatin1String("reject"))) {
            expectModal(rest, answer == QLatin1String("accept") ? QDialog::Accepted : QDialog::Rejected, fills);
            fills.clear();
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
        } else {
            ok = false;
        }
        if (!ok) {
            if (error) *error = path + QStringLiteral(":") + QString::number(lineNo) + QStringLiteral(": cannot read \"") + line + QStringLiteral("\"");
            return false;
        }
    }
    if (!fills.isEmpty()) {
        if (error) *error = path + QStringLiteral(": fill without a modal line after it");
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
    services->setLogSink([](const QString& line) {
        std::fputs(("[ui] " + line.toStdString() + "\n").c_str(), stderr);
        std::fflush(stderr);
    });
    setUi(services);
    return services;
}

}  // namespace gui
