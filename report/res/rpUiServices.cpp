#include "rpUiServices.h"

#include <QString>
#include <QStringList>

#include "UiServices.h"

int rpMessageBox(const std::string& text, const std::string& caption, int flags)
{
    gui::MsgButtons buttons = gui::MsgButtons::Ok;
    switch (flags & 0x0F) {
    case rpMB_OKCANCEL: buttons = gui::MsgButtons::OkCancel; break;
    case rpMB_YESNOCANCEL: buttons = gui::MsgButtons::YesNoCancel; break;
    case rpMB_YESNO: buttons = gui::MsgButtons::YesNo; break;
    default: break;
    }
    gui::MsgIcon icon = gui::MsgIcon::None;
    switch (flags & 0xF0) {
    case rpMB_ICONERROR: icon = gui::MsgIcon::Error; break;
    case rpMB_ICONQUESTION: icon = gui::MsgIcon::Question; break;
    case rpMB_ICONWARNING: icon = gui::MsgIcon::Warning; break;
    case rpMB_ICONINFORMATION: icon = gui::MsgIcon::Information; break;
    default: break;
    }
    switch (gui::ui().messageBox(QString::fromStdString(text), QString::fromStdString(caption), buttons, icon)) {
    case gui::MsgResult::Ok: return rpIDOK;
    case gui::MsgResult::Yes: return rpIDYES;
    case gui::MsgResult::No: return rpIDNO;
    default: return rpIDCANCEL;
    }
}

int rpShowModal(QDialog& dialog)
{
    return gui::ui().showModal(dialog);
}

QString rpFileFilter(std::string_view filter)
{
    const QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        // Most texts name their patterns already.
        entries << (text.contains(QLatin1Char('(')) ? text
                                                    : text + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}
