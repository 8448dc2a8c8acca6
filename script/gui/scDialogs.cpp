#include "scDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "QtCanvas.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpPrinter.h"
#include "scControls.h"
#include "scQString.h"

using sc_gui::qs;

namespace {

std::vector<std::string> split(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.emplace_back(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

std::vector<QString> qtFilters(std::string_view filter)
{
    std::vector<QString> filters;
    if (filter.empty()) return filters;
    const std::vector<std::string> parts = split(filter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const std::string& p : split(parts[i + 1], ';'))
            if (!Trim(p).empty()) patterns << qs(Trim(p));
        filters.push_back(qs(parts[i]) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters;
}

// The buttons of the message dialog in their fixed order.
struct MsgButton {
    TMsgDlgBtn button;
    const char* text;
    QMessageBox::ButtonRole role;
    int32_t result;
};
constexpr MsgButton kMsgButtons[] = {
    {mbYes, "是", QMessageBox::YesRole, mrYes},
    {mbNo, "否", QMessageBox::NoRole, mrNo},
    {mbOK, "确定", QMessageBox::AcceptRole, mrOk},
    {mbCancel, "取消", QMessageBox::RejectRole, mrCancel},
    {mbAbort, "中止", QMessageBox::RejectRole, mrAbort},
    {mbRetry, "重试", QMessageBox::AcceptRole, mrRetry},
    {mbIgnore, "忽略", QMessageBox::AcceptRole, mrIgnore},
    {mbAll, "全部", QMessageBox::YesRole, mrAll},
    {mbNoToAll, "全部否", QMessageBox::NoRole, mrNoToAll},
    {mbYesToAll, "全部是", QMessageBox::YesRole, mrYesToAll},
    {mbHelp, "帮助", QMessageBox::HelpRole, mrNone},
};

QDialogButtonBox* okCancel(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

QComboBox* printerBox()
{
    auto* box = new QComboBox;
    box->setObjectName(QStringLiteral("Printer"));
    TrpPrinters& printers = GetPrinters();
    for (const std::string& name : printers.Printers()) box->addItem(qs(name));
    box->setCurrentIndex(printers.PrinterIndex());
    return box;
}

void choosePrinter(const QComboBox& box)
{
    if (box.currentIndex() >= 0) GetPrinters().SetPrinterIndex(box.currentIndex());
}

}  // namespace

std::string QtFileFilter(std::string_view filter)
{
    QStringList list;
    for (const QString& f : qtFilters(filter)) list << f;
    return list.join(QStringLiteral(";;")).toStdString();
}

// ---------------------------------------------------------------- file dialogs

bool TOpenDialog::Execute()
{
    const std::vector<QString> filters = qtFilters(Filter);
    QString selected = FilterIndex >= 1 && FilterIndex <= static_cast<int>(filters.size())
                           ? filters[static_cast<size_t>(FilterIndex - 1)]
                           : QString();
    gui::FileRequest request;
    request.caption = Title.empty() ? QString::fromUtf8(Saving() ? "另存为" : "打开") : qs(Title);
    request.directory = qs(InitialDir);
    request.filter = qs(QtFileFilter(Filter));
    request.save = Saving();
    request.confirmOverwrite = Options.Contains(ofOverwritePrompt);
    request.selectedFilter = &selected;
    QString name = qs(FileName);
    if (!gui::ui().fileDialog(request, name)) return false;
    std::string chosen = name.toStdString();
    const std::string ext = DefaultExt.starts_with('.') ? DefaultExt.substr(1) : DefaultExt;
    const size_t slash = chosen.find_last_of('/');
    const size_t dot = chosen.find_last_of('.');
    if (!ext.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash))) chosen += "." + ext;
    FileName = chosen;
    for (size_t i = 0; i < filters.size(); ++i)
        if (filters[i] == selected) FilterIndex = static_cast<int32_t>(i + 1);
    return true;
}

void TOpenDialog::Publish(TClassBuilder<TOpenDialog>& b)
{
    b.property("DefaultExt", &TOpenDialog::DefaultExt);
    b.property("FileName", &TOpenDialog::FileName);
    b.property("Filter", &TOpenDialog::Filter);
    b.property("FilterIndex", &TOpenDialog::FilterIndex).defaultValue(1);
    b.property("InitialDir", &TOpenDialog::InitialDir);
    b.property("Options", &TOpenDialog::Options).defaultValue(TOpenOptions{ofHideReadOnly, ofEnableSizing});
    b.property("Title", &TOpenDialog::Title);
}

// ---------------------------------------------------------------- colour and font

bool TColorDialog::Execute()
{
    QColor color = ToQColor(Color);
    if (!gui::ui().colorDialog(color, QStringLiteral("颜色"))) return false;
    Color = RGB(static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()), static_cast<uint8_t>(color.blue()));
    return true;
}

void TColorDialog::Publish(TClassBuilder<TColorDialog>& b)
{
    b.property("Color", &TColorDialog::Color).defaultValue(clBlack);
    b.property("Options", &TColorDialog::Options).defaultValue(TColorDialogOptions{});
}

TFontDialog::TFontDialog(TComponent* owner) : TCommonDialog(owner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute()
{
    QFont font = ToQFont(*font_);
    font.setPointSize(std::max(font_->Size(), 1));
    if (!gui::ui().fontDialog(font, QStringLiteral("字体"))) return false;
    int size = font.pointSize() > 0 ? font.pointSize() : font_->Size();
    if (Options.Contains(fdLimitSize)) {
        if (MinFontSize > 0) size = std::max(size, MinFontSize);
        if (MaxFontSize > 0) size = std::min(size, MaxFontSize);
    }
    TFontStyles style;
    if (font.bold()) style.Include(fsBold);
    if (font.italic()) style.Include(fsItalic);
    if (font.underline()) style.Include(fsUnderline);
    if (font.strikeOut()) style.Include(fsStrikeout);
    font_->SetName(font.family().toStdString());
    font_->SetSize(size);
    font_->SetStyle(style);
    return true;
}

void TFontDialog::Publish(TClassBuilder<TFontDialog>& b)
{
    b.property("Device", &TFontDialog::Device).defaultValue(fdScreen);
    b.property("Font", &TFontDialog::Font, &TFontDialog::SetFont).stored([](const TFontDialog& d) {
        return !IsDefaultFont(*d.Font());
    });
    b.property("MaxFontSize", &TFontDialog::MaxFontSize).defaultValue(0);
    b.property("MinFontSize", &TFontDialog::MinFontSize).defaultValue(0);
    b.property("Options", &TFontDialog::Options).defaultValue(TFontDialogOptions{fdEffects});
}

// ---------------------------------------------------------------- printing

bool TPrintDialog::Execute()
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("PrintDialog"));
    dialog.setWindowTitle(QStringLiteral("打印"));
    auto* layout = new QFormLayout(&dialog);
    QComboBox* printer = printerBox();
    layout->addRow(QStringLiteral("打印机"), printer);
    auto* copies = new QSpinBox;
    copies->setObjectName(QStringLiteral("Copies"));
    copies->setRange(1, 9999);
    copies->setValue(std::max(Copies, 1));
    layout->addRow(QStringLiteral("份数"), copies);
    auto* all = new QRadioButton(QStringLiteral("全部"));
    auto* selection = new QRadioButton(QStringLiteral("选定范围"));
    auto* pages = new QRadioButton(QStringLiteral("页码范围"));
    all->setObjectName(QStringLiteral("AllPages"));
    selection->setObjectName(QStringLiteral("Selection"));
    pages->setObjectName(QStringLiteral("PageNums"));
    selection->setEnabled(Options.Contains(poSelection));
    pages->setEnabled(Options.Contains(poPageNums));
    (PrintRange == prSelection ? selection : PrintRange == prPageNums ? pages : all)->setChecked(true);
    layout->addRow(QStringLiteral("打印范围"), all);
    layout->addRow(QString(), selection);
    layout->addRow(QString(), pages);
    auto* from = new QSpinBox;
    auto* to = new QSpinBox;
    from->setObjectName(QStringLiteral("FromPage"));
    to->setObjectName(QStringLiteral("ToPage"));
    for (QSpinBox* spin : {from, to}) spin->setRange(MinPage, std::max(MinPage, MaxPage));
    from->setValue(FromPage);
    to->setValue(ToPage);
    layout->addRow(QStringLiteral("从"), from);
    layout->addRow(QStringLiteral("到"), to);
    auto* collate = new QCheckBox(QStringLiteral("逐份打印"));
    collate->setObjectName(QStringLiteral("Collate"));
    collate->setChecked(Collate);
    layout->addRow(QString(), collate);
    auto* toFile = new QCheckBox(QStringLiteral("打印到文件"));
    toFile->setObjectName(QStringLiteral("PrintToFile"));
    toFile->setChecked(PrintToFile);
    toFile->setVisible(Options.Contains(poPrintToFile));
    toFile->setEnabled(!Options.Contains(poDisablePrintToFile));
    layout->addRow(QString(), toFile);
    layout->addRow(okCancel(dialog));
    if (gui::ui().showModal(dialog) != QDialog::Accepted) return false;
    choosePrinter(*printer);
    Copies = copies->value();
    PrintRange = selection->isChecked() ? prSelection : pages->isChecked() ? prPageNums : prAllPages;
    FromPage = from->value();
    ToPage = to->value();
    Collate = collate->isChecked();
    PrintToFile = toFile->isChecked();
    return true;
}

void TPrintDialog::Publish(TClassBuilder<TPrintDialog>& b)
{
    b.property("Collate", &TPrintDialog::Collate).defaultValue(false);
    b.property("Copies", &TPrintDialog::Copies).defaultValue(0);
    b.property("FromPage", &TPrintDialog::FromPage).defaultValue(0);
    b.property("MaxPage", &TPrintDialog::MaxPage).defaultValue(0);
    b.property("MinPage", &TPrintDialog::MinPage).defaultValue(0);
    b.property("Options", &TPrintDialog::Options).defaultValue(TPrintDialogOptions{});
    b.property("PrintRange", &TPrintDialog::PrintRange).defaultValue(prAllPages);
    b.property("PrintToFile", &TPrintDialog::PrintToFile).defaultValue(false);
    b.property("ToPage", &TPrintDialog::ToPage).defaultValue(0);
}

bool TPrinterSetupDialog::Execute()
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog"));
    dialog.setWindowTitle(QStringLiteral("打印设置"));
    auto* layout = new QFormLayout(&dialog);
    QComboBox* printer = printerBox();
    layout->addRow(QStringLiteral("打印机"), printer);
    layout->addRow(okCancel(dialog));
    if (gui::ui().showModal(dialog) != QDialog::Accepted) return false;
    choosePrinter(*printer);
    return true;
}

// ---------------------------------------------------------------- boxes

int32_t MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons)
{
    static const char* const captions[] = {"警告", "错误", "信息", "确认"};
    static const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical, QMessageBox::Information,
                                              QMessageBox::Question, QMessageBox::NoIcon};
    const int t = std::clamp(static_cast<int>(type), 0, static_cast<int>(mtCustom));
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MessageDlg"));
    box.setWindowTitle(t == mtCustom ? gui::applicationTitle() : QString::fromUtf8(captions[t]));
    box.setIcon(icons[t]);
    box.setText(qs(message));
    if (buttons.Empty()) buttons.Include(mbOK);
    std::vector<std::pair<QAbstractButton*, int32_t>> added;
    for (const MsgButton& b : kMsgButtons)
        if (buttons.Contains(b.button)) added.emplace_back(box.addButton(QString::fromUtf8(b.text), b.role), b.result);
    // Enter takes OK, else Yes, else Retry; Escape takes Cancel, else No, else OK.
    const auto find = [&](std::initializer_list<int32_t> results) -> std::pair<QAbstractButton*, int32_t> {
        for (int32_t r : results)
            for (const auto& a : added)
                if (a.second == r) return a;
        return added.front();
    };
    const auto defaultButton = find({mrOk, mrYes, mrRetry});
    const auto escapeButton = find({mrCancel, mrNo, mrOk});
    if (auto* push = qobject_cast<QPushButton*>(defaultButton.first)) box.setDefaultButton(push);
    box.setEscapeButton(escapeButton.first);
    const int answer = gui::ui().showModal(box);
    if (QAbstractButton* clicked = box.clickedButton())
        for (const auto& a : added)
            if (a.first == clicked) return a.second;
    return answer == QDialog::Accepted ? defaultButton.second : escapeButton.second;
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultText)
{
    std::string value = defaultText;
    return InputQuery(caption, prompt, value) ? value : defaultText;
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    QString text = qs(value);
    if (!gui::ui().inputQuery(qs(caption), qs(prompt), text)) return false;
    value = text.toStdString();
    return true;
}

// ---------------------------------------------------------------- registration

void registerDialogClasses()
{
    RegisterEnum<TOpenOption>("TOpenOption",
                              {"ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir", "ofShowHelp",
                               "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist",
                               "ofFileMustExist", "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn",
                               "ofNoTestFileCreate", "ofNoNetworkButton", "ofNoLongNames", "ofOldStyleDialog",
                               "ofNoDereferenceLinks", "ofEnableIncludeNotify", "ofEnableSizing"});
    RegisterSet<TOpenOptions>("TOpenOptions");
    RegisterEnum<TFileEditStyle>("TFileEditStyle", {"fsEdit", "fsComboBox"});
    RegisterEnum<TColorDialogOption>("TColorDialogOption",
                                     {"cdFullOpen", "cdPreventFullOpen", "cdShowHelp", "cdSolidColor", "cdAnyColor"});
    RegisterSet<TColorDialogOptions>("TColorDialogOptions");
    RegisterEnum<TFontDialogOption>("TFontDialogOption",
                                    {"fdAnsiOnly", "fdTrueTypeOnly", "fdEffects", "fdFixedPitchOnly", "fdForceFontExist",
                                     "fdNoFaceSel", "fdNoOEMFonts", "fdNoSimulations", "fdNoSizeSel", "fdNoStyleSel",
                                     "fdNoVectorFonts", "fdShowHelp", "fdWysiwyg", "fdLimitSize", "fdScalableOnly",
                                     "fdApplyButton"});
    RegisterSet<TFontDialogOptions>("TFontDialogOptions");
    RegisterEnum<TFontDialogDevice>("TFontDialogDevice", {"fdScreen", "fdPrinter", "fdBoth"});
    RegisterEnum<TPrintRange>("TPrintRange", {"prAllPages", "prSelection", "prPageNums"});
    RegisterEnum<TPrintDialogOption>("TPrintDialogOption", {"poPrintToFile", "poPageNums", "poSelection", "poWarning",
                                                            "poHelp", "poDisablePrintToFile"});
    RegisterSet<TPrintDialogOptions>("TPrintDialogOptions");
    RegisterEnum<TMsgDlgType>("TMsgDlgType", {"mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom"});
    RegisterEnum<TMsgDlgBtn>("TMsgDlgBtn", {"mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore",
                                            "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"});
    RegisterSet<TMsgDlgButtons>("TMsgDlgButtons");

    RegisterClass<TCommonDialog>(TCommonDialog::Publish);
    RegisterClass<TOpenDialog>(TOpenDialog::Publish);
    RegisterClass<TSaveDialog>();
    RegisterClass<TColorDialog>(TColorDialog::Publish);
    RegisterClass<TFontDialog>(TFontDialog::Publish);
    RegisterClass<TPrintDialog>(TPrintDialog::Publish);
    RegisterClass<TPrinterSetupDialog>();
}

void unregisterDialogClasses()
{
    UnregisterClass<TPrinterSetupDialog>();
    UnregisterClass<TPrintDialog>();
    UnregisterClass<TFontDialog>();
    UnregisterClass<TColorDialog>();
    UnregisterClass<TSaveDialog>();
    UnregisterClass<TOpenDialog>();
    UnregisterClass<TCommonDialog>();
    UnregisterType<TMsgDlgButtons>();
    UnregisterType<TMsgDlgBtn>();
    UnregisterType<TMsgDlgType>();
    UnregisterType<TPrintDialogOptions>();
    UnregisterType<TPrintDialogOption>();
    UnregisterType<TPrintRange>();
    UnregisterType<TFontDialogDevice>();
    UnregisterType<TFontDialogOptions>();
    UnregisterType<TFontDialogOption>();
    UnregisterType<TColorDialogOptions>();
    UnregisterType<TColorDialogOption>();
    UnregisterType<TFileEditStyle>();
    UnregisterType<TOpenOptions>();
    UnregisterType<TOpenOption>();
}
