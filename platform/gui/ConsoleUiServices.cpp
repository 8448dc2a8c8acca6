#include "ConsoleUiServices.h"

#include <QDialog>

#include <cstdio>

namespace gui {

void ConsoleUiServices::write(const QString& line)
{
    ++count_;
    QString lines = line;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (lines.endsWith(QLatin1Char('\n'))) lines.chop(1);
    const QByteArray text = lines.toUtf8();
    std::fprintf(stderr, "%s: %s\n", tool_, text.constData());
    std::fflush(stderr);
}

MsgResult ConsoleUiServices::messageBox(const QString& text, const QString&, MsgButtons buttons, MsgIcon)
{
    write(text);
    switch (buttons) {
    case MsgButtons::Ok: return MsgResult::Ok;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel: break;
    }
    return MsgResult::Cancel;
}

int ConsoleUiServices::showModal(QDialog& dialog)
{
    write(QStringLiteral("refused: ") + (dialog.windowTitle().isEmpty() ? dialog.objectName() : dialog.windowTitle()));
    dialog.setResult(QDialog::Rejected);
    return QDialog::Rejected;
}

bool ConsoleUiServices::inputQuery(const QString& caption, const QString& prompt, QString&)
{
    write(QStringLiteral("refused: ") + caption + QStringLiteral(" ") + prompt);
    return false;
}

bool ConsoleUiServices::fileDialog(const FileRequest& request, QString&)
{
    write(QStringLiteral("refused: ") + request.caption);
    return false;
}

bool ConsoleUiServices::fontDialog(QFont&, const QString& caption)
{
    write(QStringLiteral("refused: ") + caption);
    return false;
}

bool ConsoleUiServices::colorDialog(QColor&, const QString& caption)
{
    write(QStringLiteral("refused: ") + caption);
    return false;
}

bool ConsoleUiServices::openUrl(const QString& url)
{
    write(QStringLiteral("refused: ") + url);
    return false;
}

}  // namespace gui
