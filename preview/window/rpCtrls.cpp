#include "rpCtrls.h"

#include <QAbstractItemView>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <map>

#include "Guard.h"
#include "SettingsStore.h"
#include "SysUtils.h"

// ---- TrpScrollWin

TrpScrollWin::TrpScrollWin(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    FColor = palette().color(QPalette::Window);
    for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
        // Page Up/Down and clicks beside the thumb move by LargeChange; the
        // bar's own page step is the thumb size.
        connect(BarOf(o), &QScrollBar::actionTriggered, this, gui::SlotWithArgs([this, o](int action) { PageStep(o, action); }));
        UpdateBar(o);
    }
}

QScrollBar* TrpScrollWin::BarOf(Qt::Orientation o) const
{
    return o == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
}

void TrpScrollWin::SetPosition(Qt::Orientation o, int Value)
{
    Axis& a = AxisOf(o);
    Value = std::clamp(Value, 0, std::max(0, a.Range - a.Page));
    if (Value == a.Position) return;
    const int old = a.Position;
    a.Position = Value;
    BarOf(o)->setValue(Value);
    if (o == Qt::Horizontal) OnHScroll(old);
    else OnVScroll(old);
}

void TrpScrollWin::UpdateBar(Qt::Orientation o)
{
    const Axis& a = AxisOf(o);
    QScrollBar* bar = BarOf(o);
    bar->setPageStep(std::max(1, a.Page));
    bar->setSingleStep(FSmallChange);
    // The bar holds the position to its new range; its value change brings
    // ours along.
    bar->setRange(0, std::max(0, a.Range - a.Page));
    bar->setEnabled(a.Range > a.Page);
    SetPosition(o, a.Position);
}

void TrpScrollWin::SetExtent(Qt::Orientation o, int Axis::*Field, int Value)
{
    AxisOf(o).*Field = Value;
    UpdateBar(o);
}

void TrpScrollWin::SetSmallChange(int Value)
{
    FSmallChange = Value;
    horizontalScrollBar()->setSingleStep(Value);
    verticalScrollBar()->setSingleStep(Value);
}

void TrpScrollWin::SetColor(const QColor& Value)
{
    FColor = Value;
    viewport()->update();
}

void TrpScrollWin::PageStep(Qt::Orientation o, int Action)
{
    QScrollBar* bar = BarOf(o);
    if (Action == QAbstractSlider::SliderPageStepAdd) bar->setSliderPosition(bar->value() + FLargeChange);
    else if (Action == QAbstractSlider::SliderPageStepSub) bar->setSliderPosition(bar->value() - FLargeChange);
}

void TrpScrollWin::Paint(QPainter& Canvas) { Canvas.fillRect(viewport()->rect(), FColor); }

void TrpScrollWin::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    Paint(p);
}

void TrpScrollWin::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    FHorz.Page = viewport()->width();
    FVert.Page = viewport()->height();
    UpdateBar(Qt::Horizontal);
    UpdateBar(Qt::Vertical);
}

void TrpScrollWin::scrollContentsBy(int, int)
{
    SetPosition(Qt::Horizontal, horizontalScrollBar()->value());
    SetPosition(Qt::Vertical, verticalScrollBar()->value());
}

// Tab belongs to the area (its keys), not to focus moves.
bool TrpScrollWin::focusNextPrevChild(bool) { return false; }

// ---- TrpCustomComboBox

namespace {

// Rectangles as left, top, right, bottom with right and bottom outside.
QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

void FrameRect(QPainter& p, const QRect& r, const QColor& c)
{
    if (r.isEmpty()) return;
    p.fillRect(r.left(), r.top(), r.width(), 1, c);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, c);
    p.fillRect(r.left(), r.top(), 1, r.height(), c);
    p.fillRect(r.right(), r.top(), 1, r.height(), c);
}

// Rows fit the font's text.
class FlatItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(option.fontMetrics.height());
        return s;
    }
};

}  // namespace

TrpCustomComboBox::TrpCustomComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    // Enter in the edit must not add the typed text to the list.
    setInsertPolicy(QComboBox::NoInsert);
    resize(100, sizeHint().height());
    setItemDelegate(new FlatItemDelegate(this));
    QLineEdit* edit = lineEdit();
    // The edit lies on the box's own painting.
    QPalette pal = edit->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(g, QPalette::Base, Qt::transparent);
    edit->setPalette(pal);
    edit->installEventFilter(this);
}

QColor TrpCustomComboBox::Mix(const QColor& c1, const QColor& c2, int p)
{
    auto channel = [p](int a, int b) { return p < 100 ? (b * (100 - p) + a * p + 50) / 100 : (b * (1000 - p) + a * p + 500) / 1000; };
    return QColor(channel(c1.red(), c2.red()), channel(c1.green(), c2.green()), channel(c1.blue(), c2.blue()));
}

int TrpCustomComboBox::ItemHeight() const { return fontMetrics().height(); }

void TrpCustomComboBox::SetReadOnly(bool Value)
{
    FReadOnly = Value;
    lineEdit()->setReadOnly(Value);
}

void TrpCustomComboBox::SetTextOffset(int Value)
{
    FTextOffset = Value;
    PlaceEdit();
    update();
}

void TrpCustomComboBox::PlaceEdit()
{
    if (QLineEdit* edit = lineEdit())
        edit->setGeometry(FTextOffset + 3, 3, width() - FButtonWidth - 8 - FTextOffset, height() - 6);
}

void TrpCustomComboBox::showPopup()
{
    view()->setMinimumWidth(FListWidth > 0 ? FListWidth : width());
    FDroppedDown = true;
    QComboBox::showPopup();
    const QWidget* list = view()->window();
    FDroppedUp = list->isVisible() && list->geometry().top() < mapToGlobal(QPoint(0, 0)).y();
    update();
}

void TrpCustomComboBox::hidePopup()
{
    QComboBox::hidePopup();
    FDroppedDown = false;
    update();
}

void TrpCustomComboBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor window = pal.color(QPalette::Active, QPalette::Base);
    const QColor face = pal.color(QPalette::Active, QPalette::Button);
    const int w = width(), h = height(), bw = FButtonWidth;
    const QRect button = Ltrb(w - bw - 3, 1, w - 1, h - 1);
    QColor arrow;
    if (isEnabled()) {
        const QRect free = Ltrb(3, 3, FTextOffset + 3, h - 3);
        p.fillRect(free, window);
        const bool hot = FDroppedDown || FMouseInControl || lineEdit()->hasFocus();
        FrameRect(p, Ltrb(0, 0, w, h), hot ? highlight : face);
        FrameRect(p, Ltrb(1, 1, w - 1, h - 1), window);
        FrameRect(p, Ltrb(2, 2, w - bw - 4, h - 2), window);
        if (!hot) {
            p.fillRect(button, face);
            FrameRect(p, button, window);
            arrow = pal.color(QPalette::Active, QPalette::ButtonText);
        } else {
            p.fillRect(button, Mix(highlight, window, FDroppedDown ? 50 : 30));
            p.fillRect(button.left(), button.top(), 1, button.height(), highlight);
            arrow = pal.color(QPalette::Active, FDroppedDown ? QPalette::HighlightedText : QPalette::ButtonText);
        }
        if (!free.isEmpty()) DrawEditArea(p, free);
    } else {
        p.fillRect(Ltrb(1, 1, w - 1, h - 1), face);
        FrameRect(p, Ltrb(0, 0, w, h), pal.color(QPalette::Active, QPalette::Mid));
        arrow = pal.color(QPalette::Disabled, QPalette::Text);
    }
    const int x = bw / 2 + w - bw - 4, y = (h - 4) / 2 + 1;
    p.fillRect(x, y, 5, 1, arrow);
    p.fillRect(x + 1, y + 1, 3, 1, arrow);
    p.fillRect(x + 2, y + 2, 1, 1, arrow);
}

void TrpCustomComboBox::enterEvent(QEnterEvent* event)
{
    QComboBox::enterEvent(event);
    FMouseInControl = true;
    update();
}

void TrpCustomComboBox::leaveEvent(QEvent* event)
{
    QComboBox::leaveEvent(event);
    FMouseInControl = false;
    update();
}

void TrpCustomComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    PlaceEdit();
}

void TrpCustomComboBox::showEvent(QShowEvent* event)
{
    QComboBox::showEvent(event);
    PlaceEdit();
}

void TrpCustomComboBox::changeEvent(QEvent* event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) PlaceEdit();
    update();
}

// The frame lights while the edit has the focus.
bool TrpCustomComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) update();
    return QComboBox::eventFilter(watched, event);
}

// ---- TrpFontPreview

TrpFontPreview::TrpFontPreview(QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint), FPanel(new QLabel(this))
{
    setObjectName(QStringLiteral("TrpFontPreview"));
    resize(200, 50);
    FPanel->setObjectName(QStringLiteral("Panel"));
    FPanel->setGeometry(0, 0, 200, 50);
    FPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    FPanel->setAlignment(Qt::AlignCenter);
    FPanel->setAutoFillBackground(true);
    QPalette pal = FPanel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Text));
    FPanel->setPalette(pal);
    hide();
}

void TrpFontPreview::ShowSample(const QString& Family)
{
    QFont f(Family);
    f.setPointSize(18);
    FPanel->setFont(f);
    FPanel->setText(Family);
}

// ---- TrpFontComboBox

QImage FontTypeGlyph(int FontType)
{
    QImage img(12, 12, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    if (FontType == TrpFontComboBox::TRUETYPE_FONTTYPE) {
        // Two overlapping T's.
        const QColor back(128, 128, 128), front(0, 0, 160);
        p.fillRect(0, 1, 7, 2, back);
        p.fillRect(3, 1, 2, 8, back);
        p.fillRect(4, 4, 8, 2, front);
        p.fillRect(7, 4, 2, 8, front);
    } else if (FontType == TrpFontComboBox::DEVICE_FONTTYPE) {
        // A small printer.
        p.fillRect(3, 1, 6, 4, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(3, 1, 5, 3);
        p.fillRect(0, 5, 12, 5, QColor(96, 96, 96));
        p.fillRect(3, 10, 6, 2, Qt::white);
    }
    return img;
}

namespace {

class FontItemDelegate : public QStyledItemDelegate {
public:
    explicit FontItemDelegate(TrpFontComboBox* box) : QStyledItemDelegate(box), FBox(box) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QPalette& pal = option.palette;
        const bool selected = option.state & QStyle::State_Selected;
        p->fillRect(option.rect, pal.color(selected ? QPalette::Highlight : QPalette::Base));
        const QImage glyph = FontTypeGlyph(index.data(Qt::UserRole).toInt());
        int textLeft = option.rect.left() + 15;
        if (!glyph.isNull() && index.data(Qt::UserRole).toInt() != 0) {
            p->drawImage(option.rect.left() + 2, option.rect.top() + (option.rect.height() - glyph.height()) / 2, glyph);
            textLeft = option.rect.left() + 2 + glyph.width() + 2;
        }
        p->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        p->drawText(QRect(textLeft, option.rect.top(), option.rect.right() - textLeft, option.rect.height()),
                    Qt::AlignVCenter | Qt::AlignLeft, index.data(Qt::DisplayRole).toString());
        // The line under the recently used block.
        p->setPen(pal.color(QPalette::Mid));
        if (index.row() == FBox->MRUCount())
            p->drawLine(option.rect.left(), option.rect.bottom() - 1, option.rect.right(), option.rect.bottom() - 1);
        if (FBox->MRUCount() >= 0 && index.row() == FBox->MRUCount() + 1)
            p->drawLine(option.rect.left(), option.rect.top(), option.rect.right(), option.rect.top());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        const int glyph = 12 + 1, text = option.fontMetrics.height();
        s.setHeight(glyph >= text ? glyph : text);
        return s;
    }

private:
    TrpFontComboBox* FBox;
};

const char* const kDefaultMRUKey = "\\Software\\Quorvel\\MRUFont";

}  // namespace

TrpFontComboBox::TrpFontComboBox(QWidget* parent)
    : TrpCustomComboBox(parent), FMRURegKey(QString::fromLatin1(kDefaultMRUKey)), FPreview(new TrpFontPreview(this))
{
    setItemDelegate(new FontItemDelegate(this));
    SetTextOffset(16);
    SetReadOnly(true);
    resize(150, height());
    connect(this, &QComboBox::activated, this, gui::SlotWithArgs([this](int index) { ChooseFont(index); }));
    connect(this, &QComboBox::highlighted, this,
            gui::SlotWithArgs([this](int index) { FPreview->ShowSample(itemText(index)); }));
}

void TrpFontComboBox::SetMRURegKey(const QString& Value)
{
    FMRURegKey = Value.isEmpty() ? QString::fromLatin1(kDefaultMRUKey) : Value;
}

std::vector<std::pair<QString, int>> TrpFontComboBox::InstalledFamilies() const
{
    std::vector<std::pair<QString, int>> list;
    for (const QString& family : QFontDatabase::families())
        list.emplace_back(family, QFontDatabase::isSmoothlyScalable(family) ? TRUETYPE_FONTTYPE : DEVICE_FONTTYPE);
    return list;
}

void TrpFontComboBox::PopulateList()
{
    FPopulating = true;
    const QString current = currentText();
    // Sorted, each family once (its first type wins).
    std::map<QString, int> families;
    for (const auto& [name, type] : InstalledFamilies()) families.emplace(name, type);
    blockSignals(true);
    clear();
    for (const auto& [name, type] : families) addItem(name, type);
    FMRUCount = -1;
    if (FShowMRU) {
        gui::SettingsStore store(FMRURegKey);
        for (int i = MRUMax - 1; i >= 0; --i) {
            const QString n = QString::fromStdString(IntToStr(i));
            const QString name = store.readString({}, QStringLiteral("Font") + n);
            if (!name.isEmpty() && findText(name, Qt::MatchFixedString) >= 0) {
                insertItem(0, name, store.readInteger({}, QStringLiteral("FontType") + n, 0));
                ++FMRUCount;
            } else {
                store.writeString({}, QStringLiteral("Font") + n, QString());
                store.writeInteger({}, QStringLiteral("FontType") + n, 0);
            }
        }
    }
    const int index = findText(current, Qt::MatchFixedString);
    setCurrentIndex(index >= 0 ? index : (count() > 0 ? 0 : -1));
    blockSignals(false);
    FPopulating = false;
    FPopulated = true;
    update();
}

void TrpFontComboBox::ChooseFont(int Index)
{
    FPreview->hide();
    if (Index < 0) return;
    if (Index > 0 && FShowMRU) {
        const QString name = itemText(Index);
        const int type = itemData(Index).toInt();
        const int first = findText(name, Qt::MatchFixedString);
        blockSignals(true);
        if (first > FMRUCount) {
            insertItem(0, name, type);
            if (FMRUCount >= MRUMax - 1) removeItem(MRUMax);
            else ++FMRUCount;
        } else {
            removeItem(first);
            insertItem(0, name, type);
        }
        setCurrentIndex(0);
        blockSignals(false);
        WriteMRU();
    }
    if (!FPopulating) emit Click();
}

void TrpFontComboBox::WriteMRU()
{
    gui::SettingsStore store(FMRURegKey);
    for (int i = 0; i < MRUMax; ++i) {
        const bool used = i <= FMRUCount;
        const QString n = QString::fromStdString(IntToStr(i));
        store.writeString({}, QStringLiteral("Font") + n, used ? itemText(i) : QString());
        store.writeInteger({}, QStringLiteral("FontType") + n, used ? itemData(i).toInt() : 0);
    }
    store.sync();
}

void TrpFontComboBox::showPopup()
{
    TrpCustomComboBox::showPopup();
    if (currentIndex() >= 0) FPreview->ShowSample(currentText());
    PlacePreview();
    FPreview->show();
}

void TrpFontComboBox::hidePopup()
{
    FPreview->hide();
    TrpCustomComboBox::hidePopup();
}

void TrpFontComboBox::PlacePreview()
{
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    QPoint at(topLeft.x() + width() + 1, topLeft.y());
    const QScreen* s = screen();
    const QRect area = s ? s->availableGeometry() : QRect();
    if (area.isValid() && at.x() + FPreview->width() > area.right()) at.setX(topLeft.x() - FPreview->width() - 1);
    if (DroppedUp()) at.setY(topLeft.y() - FPreview->height() - 1);
    FPreview->move(at);
}

void TrpFontComboBox::DrawEditArea(QPainter& Canvas, const QRect& Area)
{
    const int index = findText(currentText(), Qt::MatchFixedString);
    if (index < 0) return;
    const QImage glyph = FontTypeGlyph(itemData(index).toInt());
    Canvas.drawImage(Area.left() + (Area.width() - glyph.width()) / 2, Area.top() + (Area.height() - glyph.height()) / 2, glyph);
}

void TrpFontComboBox::showEvent(QShowEvent* event)
{
    if (!FPopulated) PopulateList();
    TrpCustomComboBox::showEvent(event);
}

// ---- TrpTBPanel

TrpTBPanel::TrpTBPanel(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(8, 8);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
}
