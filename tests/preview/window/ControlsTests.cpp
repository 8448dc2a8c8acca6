#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "SettingsStore.h"
#include "rpCtrls.h"

namespace {

class RecordingScrollWin : public TrpScrollWin {
public:
    using TrpScrollWin::TrpScrollWin;
    std::vector<int> OldPositions;

protected:
    void OnVScroll(int OldPosition) override { OldPositions.push_back(OldPosition); }
};

}  // namespace

TEST(ScrollWin, PositionsStayWithinRangeLessPage)
{
    RecordingScrollWin w;
    w.SetVertRange(1000);
    w.SetVertPage(300);
    for (auto [set, expected] : {std::pair(350, 350), {800, 700}, {-5, 0}, {700, 700}, {1000000, 700}}) {
        w.SetVertPosition(set);
        EXPECT_EQ(w.VertPosition(), expected) << set;
        EXPECT_EQ(w.verticalScrollBar()->value(), expected);
    }
    // Only real moves are reported, with the position before.
    EXPECT_EQ(w.OldPositions, std::vector<int>({0, 350, 700, 0}));

    // A range that shrinks takes the position along; a page larger than
    // the range leaves nothing to scroll.
    w.SetVertRange(800);
    EXPECT_EQ(w.VertPosition(), 500);
    w.SetVertPage(900);
    EXPECT_EQ(w.VertPosition(), 0);
    w.SetVertPosition(40);
    EXPECT_EQ(w.VertPosition(), 0);
    EXPECT_FALSE(w.verticalScrollBar()->isEnabled());
}

TEST(ScrollWin, PageStepsAndResizing)
{
    TrpScrollWin w;
    w.resize(300, 200);
    w.show();
    EXPECT_EQ(w.VertPage(), w.viewport()->height());
    EXPECT_EQ(w.HorzPage(), w.viewport()->width());
    w.SetVertRange(5000);
    w.SetLargeChange(300);
    w.SetSmallChange(8);
    // The thumb is the page, but Page Down moves LargeChange.
    EXPECT_EQ(w.verticalScrollBar()->pageStep(), w.viewport()->height());
    w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(w.VertPosition(), 300);
    w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w.VertPosition(), 308);
    w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(w.VertPosition(), 8);
}

TEST(FlatComboBox, MixRoundsAsTheColourRule)
{
    const struct {
        QColor c1, c2;
        int p;
        QColor expected;
    } cases[] = {
        {QColor(0, 0, 0), QColor(255, 255, 255), 30, QColor(179, 179, 179)},
        {QColor(10, 20, 30), QColor(200, 100, 0), 50, QColor(105, 60, 15)},
        {QColor(0, 0, 255), QColor(255, 255, 255), 0, QColor(255, 255, 255)},
        {QColor(0, 0, 0), QColor(255, 255, 255), 500, QColor(128, 128, 128)},
        {QColor(1, 2, 3), QColor(254, 253, 252), 999, QColor(1, 2, 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(TrpCustomComboBox::Mix(c.c1, c.c2, c.p), c.expected) << c.p;
}

TEST(FlatComboBox, PaintsNormalHotAndDisabledColours)
{
    QPalette pal;
    pal.setColor(QPalette::Highlight, QColor(0, 0, 255));
    pal.setColor(QPalette::Base, QColor(255, 255, 255));
    pal.setColor(QPalette::Button, QColor(200, 200, 200));
    pal.setColor(QPalette::Mid, QColor(100, 100, 100));
    pal.setColor(QPalette::ButtonText, QColor(0, 0, 0));
    pal.setColor(QPalette::HighlightedText, QColor(255, 255, 0));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 150, 150));
    TrpComboBox box;
    box.setPalette(pal);
    box.resize(100, 22);
    box.addItem("100%");
    const int w = 100, h = 22, bw = box.ButtonWidth();
    const QPoint corner(0, 0), inButton(w - 3, 3), separator(w - bw - 3, 4), arrow(bw / 2 + w - bw - 4 + 2, (h - 4) / 2 + 1);
    auto pixel = [&](QPoint at) { return box.grab().toImage().pixelColor(at); };

    EXPECT_EQ(pixel(corner), QColor(200, 200, 200));
    EXPECT_EQ(pixel(inButton), QColor(200, 200, 200));
    EXPECT_EQ(pixel(separator), QColor(255, 255, 255));
    EXPECT_EQ(pixel(arrow), QColor(0, 0, 0));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&box, &enter);
    ASSERT_TRUE(box.MouseInControl());
    EXPECT_EQ(pixel(corner), QColor(0, 0, 255));
    EXPECT_EQ(pixel(inButton), TrpCustomComboBox::Mix(QColor(0, 0, 255), QColor(255, 255, 255), 30));
    EXPECT_EQ(pixel(separator), QColor(0, 0, 255));
    EXPECT_EQ(pixel(arrow), QColor(0, 0, 0));

    box.show();
    box.showPopup();
    ASSERT_TRUE(box.DroppedDown());
    EXPECT_EQ(pixel(inButton), TrpCustomComboBox::Mix(QColor(0, 0, 255), QColor(255, 255, 255), 50));
    EXPECT_EQ(pixel(arrow), QColor(255, 255, 0));
    box.hidePopup();

    box.setEnabled(false);
    EXPECT_EQ(pixel(corner), QColor(100, 100, 100));
    EXPECT_EQ(pixel(inButton), QColor(200, 200, 200));
    EXPECT_EQ(pixel(arrow), QColor(150, 150, 150));
}

namespace {

class FixedFontBox : public TrpFontComboBox {
public:
    using TrpFontComboBox::TrpFontComboBox;

protected:
    std::vector<std::pair<QString, int>> InstalledFamilies() const override
    {
        return {{"Zeta", DEVICE_FONTTYPE}, {"Alpha", TRUETYPE_FONTTYPE}, {"宋体", TRUETYPE_FONTTYPE},
                {"Beta", TRUETYPE_FONTTYPE}, {"Gamma", TRUETYPE_FONTTYPE}, {"Delta", TRUETYPE_FONTTYPE},
                {"Epsilon", TRUETYPE_FONTTYPE}, {"Alpha", DEVICE_FONTTYPE}};
    }
};

QStringList Items(const QComboBox& box, int count)
{
    QStringList items;
    for (int i = 0; i < count && i < box.count(); ++i) items << box.itemText(i);
    return items;
}

QStringList Stored()
{
    gui::SettingsStore store("\\Software\\Quorvel\\MRUFont");
    QStringList names;
    for (const char* key : {"Font0", "Font1", "Font2", "Font3", "Font4"}) names << store.readString({}, key);
    return names;
}

void Pick(TrpFontComboBox& box, const QString& name) { box.ChooseFont(box.findText(name, Qt::MatchFixedString)); }

}  // namespace

TEST(FontComboBox, KeepsFiveRecentlyUsedFontsOnTop)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    FixedFontBox box;
    box.PopulateList();
    EXPECT_EQ(box.MRUCount(), -1);
    EXPECT_EQ(Items(box, 8), QStringList({"Alpha", "Beta", "Delta", "Epsilon", "Gamma", "Zeta", "宋体"}));
    EXPECT_EQ(box.itemData(0).toInt(), TrpFontComboBox::TRUETYPE_FONTTYPE);

    int clicks = 0;
    QObject::connect(&box, &TrpFontComboBox::Click, [&] { ++clicks; });
    for (const char* name : {"Zeta", "宋体", "Beta", "Gamma", "Delta", "Epsilon"}) Pick(box, QString::fromUtf8(name));
    EXPECT_EQ(clicks, 6);
    // The sixth font drops the oldest.
    EXPECT_EQ(box.MRUCount(), 4);
    EXPECT_EQ(Items(box, 6), QStringList({"Epsilon", "Delta", "Gamma", "Beta", "宋体", "Alpha"}));
    EXPECT_EQ(Stored(), QStringList({"Epsilon", "Delta", "Gamma", "Beta", "宋体"}));
    EXPECT_EQ(box.currentText(), "Epsilon");

    // One already in the block only moves up, also when picked in the full list.
    Pick(box, "Gamma");
    ASSERT_EQ(box.itemText(box.count() - 1), "宋体");
    box.ChooseFont(box.count() - 1);
    EXPECT_EQ(Items(box, 6), QStringList({"宋体", "Gamma", "Epsilon", "Delta", "Beta", "Alpha"}));
    EXPECT_EQ(box.count(), 12);

    // A stored name no longer installed is cleared at the next population.
    gui::SettingsStore store("\\Software\\Quorvel\\MRUFont");
    store.writeString({}, "Font2", "Gone");
    store.writeInteger({}, "FontType2", 4);
    store.sync();
    FixedFontBox again;
    again.PopulateList();
    EXPECT_EQ(again.MRUCount(), 3);
    EXPECT_EQ(Items(again, 5), QStringList({"宋体", "Gamma", "Delta", "Beta", "Alpha"}));
    EXPECT_EQ(Stored(), QStringList({"宋体", "Gamma", "", "Delta", "Beta"}));
    EXPECT_EQ(store.readInteger({}, "FontType2", -1), 0);
}

TEST(FontComboBox, SampleShowsWithTheList)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    FixedFontBox box;
    box.show();
    box.setCurrentIndex(box.findText("Beta"));
    box.showPopup();
    EXPECT_TRUE(box.Preview()->isVisible());
    EXPECT_EQ(box.Preview()->size(), QSize(200, 50));
    box.hidePopup();
    EXPECT_FALSE(box.Preview()->isVisible());
}
