// Dot-matrix objects: grid snapping in Extended with ties to even, paper in
// whole cells, the page's font style reaching its objects, the attribute
// differences, printer codes kept as bytes, and the grid on a drawn page.

#include <gtest/gtest.h>

#include <QImage>

#include <functional>

#include "FakeSpooler.h"
#include "Streams.h"
#include "rpBands.h"
#include "rpDMPClass.h"
#include "rpDesignView.h"
#include "rpPrinter.h"
#include "rpRegistry.h"
#include "rpReport.h"
#include "rpXMLSerializer.h"

namespace {

// A report with one DMP page (A4 from the virtual printer) and one band.
struct DMPReport {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpDMPPage* page = nullptr;
    TrpMasterData* band = nullptr;

    DMPReport()
    {
        SetPrintersSpooler(std::make_unique<FakeSpooler>());
        page = new TrpDMPPage(report.get());
        page->SetDefaults();
        band = new TrpMasterData(page);
        band->SetBounds(0, 0, 768, 68);
    }
    ~DMPReport() { SetPrintersSpooler(nullptr); }

    template <class T>
    T* add(const char* name)
    {
        auto* object = new T(band);
        object->SetName(name);
        return object;
    }
};

}  // namespace

TEST(DMPObjects, SnapToCharacterCells)
{
    TrpDMPMemoView memo;
    TrpDMPLineView line;
    TrpDMPCommand command;
    using Set = std::function<Extended(Extended)>;
    auto left = [](TrpView& v, TrpAlign a) -> Set {
        return [&v, a](Extended x) { v.SetAlign(a); v.SetLeft(x); return v.Left(); };
    };
    auto width = [](TrpView& v, TrpAlign a) -> Set {
        return [&v, a](Extended x) { v.SetAlign(a); v.SetWidth(x); return v.Width(); };
    };
    const struct {
        const char* what;
        Set set;
        Extended value, expected;
    } cases[] = {
        {"memo left", left(memo, baNone), 15, 19.2L},
        {"memo left right-aligned", left(memo, baRight), 15, 9.6L},
        {"memo top, tie to even", [&](Extended x) { memo.SetTop(x); return memo.Top(); }, 42.5L, 34},
        {"memo width", width(memo, baNone), 100, 96},
        {"memo height", [&](Extended x) { memo.SetHeight(x); return memo.Height(); }, 60, 68},
        {"line left", left(line, baNone), 20, 24},
        {"line left negative", left(line, baNone), -5, -4.8L},
        {"line left on a multiple (Extended)", left(line, baNone), 28.8L, 24},
        {"line left right-aligned", left(line, baRight), 20, 14.4L},
        {"line top", [&](Extended x) { line.SetTop(x); return line.Top(); }, 20, 25.5L},
        {"line width", width(line, baNone), 14.5L, 19.2L},
        {"line width across", width(line, baWidth), 14.5L, 9.6L},
        {"command left", left(command, baNone), 15, 19.2L},
        {"command top", [&](Extended x) { command.SetTop(x); return command.Top(); }, 9, 17},
    };
    for (const auto& c : cases) EXPECT_NEAR(c.set(c.value), c.expected, 1e-12L) << c.what;
}

TEST(DMPObjects, TextMeasuresInWholeCells)
{
    DMPReport r;
    auto* memo = r.add<TrpDMPMemoView>("Memo1");
    memo->SetBounds(0, 0, 960, 17);
    // Two rows plus 6 units of gap need 40 units: rounded, not raised.
    memo->SetText(u"AB\r\nCD");
    memo->GapY = 3;
    EXPECT_EQ(memo->CalcHeight(), 34);
    memo->SetText(u"AB\r\nCD\r\nEF");
    memo->GapY = 4.5L;
    EXPECT_EQ(memo->CalcHeight(), 68);
    memo->SetText(u"ABCDE");
    EXPECT_NEAR(memo->CalcWidth(), 48, 1e-12L);
}

TEST(DMPPage, PaperInWholeColumnsAndRowsWithOneCellMargins)
{
    DMPReport r;
    TrpDMPPage& page = *r.page;
    EXPECT_NEAR(page.PaperWidth(), 208.2799L, 1e-4L);  // 82 columns: truncated
    EXPECT_NEAR(page.PaperHeight(), 296.8623L, 1e-4L);  // 66 rows
    EXPECT_NEAR(page.RightMargin, 2.539998L, 1e-6L);
    EXPECT_NEAR(page.BottomMargin, 4.497914L, 1e-6L);
    page.SetPaperWidth(210);
    EXPECT_NEAR(page.PaperWidth(), 210.8199L, 1e-4L);  // 83 columns: rounded
    page.SetPaperHeight(100);
    EXPECT_NEAR(page.PaperHeight() * rp01cm / rp1CharY, 22, 1e-9L);
    EXPECT_NEAR(TrpDMPPage().PaperWidth(), 210.8199L, 1e-4L);

    r.band->SetTop(20);
    r.band->SetLeft(10);
    EXPECT_EQ(r.band->Top(), 17);
    EXPECT_NEAR(r.band->Left(), 9.6L, 1e-12L);
}

TEST(DMPPage, FontStyleReachesOnlyObjectsTakingTheirParentsFont)
{
    DMPReport r;
    auto* follows = r.add<TrpDMPMemoView>("Memo1");
    auto* own = r.add<TrpDMPMemoView>("Memo2");
    auto* line = r.add<TrpDMPLineView>("Line1");
    own->SetFontStyle({fsxItalic});
    EXPECT_FALSE(own->ParentFont());
    own->LineSpacing = 5;
    // Twice: the first change must not cut the object off from the page.
    for (const TrpDMPFontStyles style : {TrpDMPFontStyles{fsxBold, fsxCondensed}, TrpDMPFontStyles{fsxUnderline}}) {
        r.page->SetFontStyle(style);
        EXPECT_EQ(follows->FontStyle(), style);
        EXPECT_EQ(line->FontStyle(), style);
        EXPECT_TRUE(follows->ParentFont());
        EXPECT_EQ(follows->Font()->Style().Contains(fsBold), style.Contains(fsxBold));
        EXPECT_EQ(follows->Font()->Style().Contains(fsUnderline), style.Contains(fsxUnderline));
        EXPECT_EQ(follows->Font()->Name(), "Courier New");
        EXPECT_EQ(follows->Font()->Size(), 12);
        EXPECT_EQ(own->FontStyle(), TrpDMPFontStyles{fsxItalic});
        EXPECT_EQ(own->LineSpacing, 5);
    }
    EXPECT_EQ(r.add<TrpDMPMemoView>("Memo3")->FontStyle(), TrpDMPFontStyles{fsxUnderline});
}

TEST(DMPObjects, DiffCarriesFontStyleAndCommandOnlyWhenChanged)
{
    TrpDMPMemoView memo, memoBase;
    TrpDMPLineView line, lineBase;
    memo.SetFontStyle({fsxBold});
    memoBase.SetFontStyle({fsxBold});
    line.SetFontStyle({fsxWide});
    lineBase.SetFontStyle({fsxWide});
    EXPECT_EQ(memo.Diff(&memoBase).find("FontStyle"), std::string::npos);
    EXPECT_EQ(line.Diff(&lineBase).find("FontStyle"), std::string::npos);
    memo.SetFontStyle({fsxBold, fsxUnderline, fsx15cpi});
    line.SetFontStyle({});
    EXPECT_NE(memo.Diff(&memoBase).find(" FontStyle=\"261\""), std::string::npos);
    // An emptied style is a difference too.
    EXPECT_NE(line.Diff(&lineBase).find(" FontStyle=\"0\""), std::string::npos) << line.Diff(&lineBase);

    TrpDMPCommand command, commandBase;
    command.Command = commandBase.Command = "\x1B@";
    EXPECT_EQ(command.Diff(&commandBase), "");
    command.Command = "\x1B" "E\"\x80\xFF";
    EXPECT_EQ(command.Diff(&commandBase), " Command=\"\x1B" "E&#34;\x80\xFF\"");
}

TEST(DMPObjects, CommandBytesAndStylesSurviveReportXml)
{
    // Reset, a page length of 11 inches (with its NUL), 8-bit bytes that
    // are no UTF-8 (nor GBK), the escaped ones, a tab and a form feed.
    const std::string codes("\x1B@\x1B" "C\x00\x0B\x80\xFF\xA1\"<&\r\n\t\x0C", 16);
    std::string xml;
    {
        DMPReport r;
        r.page->SetFontStyle({fsxBold});
        r.add<TrpDMPCommand>("Cmd1")->Command = codes;
        r.add<TrpDMPMemoView>("Memo1");
        r.add<TrpDMPMemoView>("Memo2")->SetFontStyle({fsxItalic, fsxWide});
        TStringStream out;
        r.report->SaveToStream(out);
        xml = out.DataString();
    }
    // Control bytes as numeric references (a tab as it is), the rest raw.
    EXPECT_NE(xml.find("&#27;@&#27;C&#0;&#11;\x80\xFF\xA1&#34;&#60;&#38;&#13;&#10;\t&#12;"), std::string::npos);

    DMPReport r;
    TStringStream in(xml);
    r.report->LoadFromStream(in);
    EXPECT_EQ(r.report->Errors.Count(), 0);
    auto* command = dynamic_cast<TrpDMPCommand*>(r.report->FindObject("Cmd1"));
    auto* memo1 = dynamic_cast<TrpDMPMemoView*>(r.report->FindObject("Memo1"));
    auto* memo2 = dynamic_cast<TrpDMPMemoView*>(r.report->FindObject("Memo2"));
    ASSERT_TRUE(command && memo1 && memo2);
    EXPECT_EQ(command->Command, codes);
    EXPECT_EQ(memo1->FontStyle(), TrpDMPFontStyles{fsxBold});
    EXPECT_TRUE(memo1->Font()->Style().Contains(fsBold));
    // A memo with its own style keeps it, and stays off the page's.
    EXPECT_EQ(memo2->FontStyle(), (TrpDMPFontStyles{fsxItalic, fsxWide}));
    EXPECT_FALSE(memo2->ParentFont());

    // As prepared pages rebuild an object: full attributes, then the difference.
    TrpXMLSerializer serializer;
    TrpDMPCommand base;
    std::unique_ptr<TComponent> copy(serializer.XMLToObj(nullptr, serializer.ObjToXML(&base)));
    serializer.ReadProps(copy.get(), copy.get(), command->Diff(&base));
    EXPECT_EQ(dynamic_cast<TrpDMPCommand&>(*copy).Command, codes);
}

TEST(DMPObjects, RegisteredAsThreeDotMatrixViews)
{
    registerDMPClasses();  // a second time adds nothing
    const TrpObjectCollection& objects = GetObjectCollection();
    std::vector<std::pair<std::string, int>> found;
    for (int i = 0; i < objects.Count(); ++i)
        if (objects.GetItem(i).Category == rpcatDMP)
            found.emplace_back(objects.GetItem(i).ClassRef->ClassName(), objects.GetItem(i).ButtonImageIndex);
    const std::vector<std::pair<std::string, int>> expected{
        {"TrpDMPMemoView", 2}, {"TrpDMPLineView", 5}, {"TrpDMPCommand", 21}};
    EXPECT_EQ(found, expected);

    unregisterDMPClasses();
    EXPECT_EQ(GetClass("TrpDMPMemoView"), nullptr);
    int left = 0;
    for (int i = 0; i < objects.Count(); ++i) left += objects.GetItem(i).Category == rpcatDMP;
    EXPECT_EQ(left, 0);
    registerDMPClasses();
    ASSERT_NE(GetClass("TrpDMPMemoView"), nullptr);
}

TEST(DMPDrawing, GlyphsOnTheCharacterGridAt96Dpi)
{
    DMPReport r;
    auto* memo = r.add<TrpDMPMemoView>("Memo1");
    memo->WordWrap = false;
    memo->SetBounds(0, 0, 768, 34);
    const std::u16string row(80, u'|');
    memo->SetText(row + u"\r\n" + row);
    auto* boxed = r.add<TrpDMPMemoView>("Memo2");
    boxed->SetBounds(96, 51, 96, 17);
    boxed->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    const QImage image = DrawPageDesign(*r.page, 1);
    auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 128; };

    // One column and one row of margin; rows 17 pixels apart.
    for (int y : {17 + 8, 34 + 8}) {
        std::vector<int> starts;
        for (int x = 1; x < image.width(); ++x)
            if (dark(x, y) && !dark(x - 1, y)) starts.push_back(x);
        ASSERT_EQ(starts.size(), 80u) << "row at " << y;
        const Extended bearing = starts[0] - rp1CharX;
        for (size_t n = 0; n < 80; ++n)
            EXPECT_NEAR(starts[n] - bearing, rp1CharX * Extended(n + 1), 1.0) << "column " << n;
    }
    // The frame stands half a cell outside the box.
    const int frameLeft = static_cast<int>(Round(rp1CharX + 96 - rp1CharX / 2));
    EXPECT_TRUE(dark(frameLeft, 17 + 51 + 8));
    EXPECT_FALSE(dark(frameLeft + 3, 17 + 51 + 8));
}
