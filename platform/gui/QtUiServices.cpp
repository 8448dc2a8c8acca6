#include "QtUiServices.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <vector>

namespace gui {

MsgResult QtUiServices::messageBox(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    // Button texts are set here: Qt's own translations may be missing.
    struct Choice {
        QMessageBox::StandardButton button;
        const char* text;
        MsgResult result;
    };
    static const Choice ok{QMessageBox::Ok, "确定", MsgResult::Ok};
    static const Choice cancel{QMessageBox::Cancel, "取消", MsgResult::Cancel};
    static const Choice yes{QMessageBox::Yes, "是", MsgResult::Yes};
    static const Choice no{QMessageBox::No, "否", MsgResult::No};
    std::vector<Choice> choices;
    MsgResult escape = MsgResult::Ok;
    switch (buttons) {
    case MsgButtons::Ok: choices = {ok}; break;
    case MsgButtons::OkCancel: choices = {ok, cancel}; escape = MsgResult::Cancel; break;
    case MsgButtons::YesNo: choices = {yes, no}; escape = MsgResult::No; break;
    case MsgButtons::YesNoCancel: choices = {yes, no, cancel}; escape = MsgResult::Cancel; break;
    }
    for (const Choice& c : choices) box.addButton(c.button)->setText(QString::fromUtf8(c.text));
    box.setDefaultButton(choices.front().button);
    const int answer = box.exec();
    for (const Choice& c : choices)
        if (answer == c.button) return c.result;
    return escape;  // closed with the title-bar button
}

int QtUiServices::showModal(QDialog& dialog) { return dialog.exec(); }

bool QtUiServices::inputQuery(const QString& caption, const QString& prompt, QString& value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, value, &ok);
    if (ok) value = text;
    return ok;
}

bool QtUiServices::fileDialog(const FileRequest& request, QString& fileName)
{
    const QString dir = fileName.isEmpty() ? request.directory : fileName;
    const QFileDialog::Options options = request.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    const QString chosen = request.save ? QFileDialog::getSaveFileName(QApplication::activeWindow(), request.caption, dir,
                                                                       request.filter, request.selectedFilter, options)
                                        : QFileDialog::getOpenFileName(QApplication::activeWindow(), request.caption, dir,
                                                                       request.filter, request.selectedFilter);
    if (chosen.isEmpty()) return false;
    fileName = chosen;
    return true;
}

bool QtUiServices::fontDialog(QFont& font, const QString& caption)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, QApplication::activeWindow(), caption);
    if (ok) font = chosen;
    return ok;
}

bool QtUiServices::colorDialog(QColor& color, const QString& caption)
{
    const QColor chosen = QColorDialog::getColor(color, QApplication::activeWindow(), caption);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
}

bool QtUiServices::openUrl(const QString& url) { return QDesktopServices::openUrl(QUrl(url)); }

}  // namespace gui
