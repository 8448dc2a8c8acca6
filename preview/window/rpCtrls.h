#pragma once
// Controls the report library's windows share: the scrolling area under the
// preview's page areas, the flat combo box (the zoom box), the font box with
// its recently used fonts, and the panel that hosts controls in a toolbar.

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QFrame>
#include <QWidget>

class QLabel;
class QScrollBar;

// Called first in a window's destructor: its children go only after that
// body, when the window is a plain QWidget, and a signal one of them sends
// as it goes (an edit losing the focus, a list being emptied) must reach
// no handler of the window any more.
inline void DisconnectChildren(QObject& window)
{
    for (QObject* child : window.findChildren<QObject*>()) QObject::disconnect(child, nullptr, &window, nullptr);
}

// A scrolling area with positions in its own units: each axis has a range,
// a page (the visible part) and a position held to 0..range-page. A change
// of position reaches OnHScroll/OnVScroll with the old position, which move
// the contents themselves.
class TrpScrollWin : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TrpScrollWin(QWidget* parent = nullptr);

    int HorzPosition() const { return FHorz.Position; }
    void SetHorzPosition(int Value) { SetPosition(Qt::Horizontal, Value); }
    int HorzRange() const { return FHorz.Range; }
    void SetHorzRange(int Value) { SetExtent(Qt::Horizontal, &Axis::Range, Value); }
    int HorzPage() const { return FHorz.Page; }
    void SetHorzPage(int Value) { SetExtent(Qt::Horizontal, &Axis::Page, Value); }
    int VertPosition() const { return FVert.Position; }
    void SetVertPosition(int Value) { SetPosition(Qt::Vertical, Value); }
    int VertRange() const { return FVert.Range; }
    void SetVertRange(int Value) { SetExtent(Qt::Vertical, &Axis::Range, Value); }
    int VertPage() const { return FVert.Page; }
    void SetVertPage(int Value) { SetExtent(Qt::Vertical, &Axis::Page, Value); }
    // Arrow steps and page steps of the scroll bars.
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value);
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value);

protected:
    virtual void OnHScroll(int OldPosition) { (void)OldPosition; }
    virtual void OnVScroll(int OldPosition) { (void)OldPosition; }
    // Paints the viewport; the base fills it with Color.
    virtual void Paint(QPainter& Canvas);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Axis {
        int Position = 0;
        int Range = 0;
        int Page = 0;
    };
    Axis& AxisOf(Qt::Orientation o) { return o == Qt::Horizontal ? FHorz : FVert; }
    QScrollBar* BarOf(Qt::Orientation o) const;
    void SetPosition(Qt::Orientation o, int Value);
    void SetExtent(Qt::Orientation o, int Axis::*Field, int Value);
    void UpdateBar(Qt::Orientation o);
    void PageStep(Qt::Orientation o, int Action);

    Axis FHorz;
    Axis FVert;
    int FSmallChange = 1;
    int FLargeChange = 10;
    QColor FColor;
};

// A combo box drawn flat: a thin frame and a narrow button that light up in
// the highlight colour while the mouse is over it, its edit has the focus or
// its list is down.
class TrpCustomComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TrpCustomComboBox(QWidget* parent = nullptr);

    // Width of the drop-down list; 0 = the control's width.
    int ListWidth() const { return FListWidth; }
    void SetListWidth(int Value) { FListWidth = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int ButtonWidth() const { return FButtonWidth; }
    // Pixels kept free left of the text.
    int TextOffset() const { return FTextOffset; }
    void SetTextOffset(int Value);
    bool MouseInControl() const { return FMouseInControl; }
    bool DroppedDown() const { return FDroppedDown; }
    // The list opened above the control.
    bool DroppedUp() const { return FDroppedUp; }
    int ItemHeight() const;

    // Each channel (c2 * (100 - p) + c1 * p + 50) div 100; from p = 100 on in
    // thousandths.
    static QColor Mix(const QColor& c1, const QColor& c2, int p);

    void showPopup() override;
    void hidePopup() override;

protected:
    // The free area left of the edit (TextOffset wide); the base leaves it empty.
    virtual void DrawEditArea(QPainter& Canvas, const QRect& Area) { (void)Canvas, (void)Area; }

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceEdit();

    int FButtonWidth = 11;
    int FTextOffset = 0;
    int FListWidth = 0;
    bool FReadOnly = false;
    bool FMouseInControl = false;
    bool FDroppedDown = false;
    bool FDroppedUp = false;
};

class TrpComboBox : public TrpCustomComboBox {
    Q_OBJECT
public:
    using TrpCustomComboBox::TrpCustomComboBox;
};

// The floating sample beside an open font list: the font's name in that font.
class TrpFontPreview : public QFrame {
    Q_OBJECT
public:
    explicit TrpFontPreview(QWidget* parent = nullptr);
    void ShowSample(const QString& Family);
    QLabel* Panel() const { return FPanel; }

private:
    QLabel* FPanel;
};

// The font families of the screen, sorted, under a block of at most five
// recently chosen ones kept in the settings store ("Font0".."Font4" with
// "FontType0".."FontType4").
class TrpFontComboBox : public TrpCustomComboBox {
    Q_OBJECT
public:
    static constexpr int TRUETYPE_FONTTYPE = 4;
    static constexpr int DEVICE_FONTTYPE = 2;
    static constexpr int MRUMax = 5;

    explicit TrpFontComboBox(QWidget* parent = nullptr);

    bool ShowMRU() const { return FShowMRU; }
    void SetShowMRU(bool Value) { FShowMRU = Value; }
    // A registry-style key path; empty gives "\Software\Quorvel\MRUFont".
    QString MRURegKey() const { return FMRURegKey; }
    void SetMRURegKey(const QString& Value);
    // Index of the last recently used entry; -1 = none.
    int MRUCount() const { return FMRUCount; }
    TrpFontPreview* Preview() const { return FPreview; }

    // Fills the list and the block; stored names no longer installed are
    // cleared in the store.
    void PopulateList();
    // What choosing the entry in the list does (the list closing on it).
    void ChooseFont(int Index);

    void showPopup() override;
    void hidePopup() override;

signals:
    // The user chose a font.
    void Click();

protected:
    // Family names with their font type; the screen's by default.
    virtual std::vector<std::pair<QString, int>> InstalledFamilies() const;
    void DrawEditArea(QPainter& Canvas, const QRect& Area) override;
    void showEvent(QShowEvent* event) override;

private:
    void WriteMRU();
    void PlacePreview();

    bool FShowMRU = true;
    QString FMRURegKey;
    int FMRUCount = -1;
    bool FPopulating = false;
    bool FPopulated = false;
    TrpFontPreview* FPreview;
};

// The glyph of a font type drawn beside its name (12 x 12).
QImage FontTypeGlyph(int FontType);

// A panel that holds controls inside a toolbar, in a row.
class TrpTBPanel : public QWidget {
    Q_OBJECT
public:
    explicit TrpTBPanel(QWidget* parent = nullptr);
};
