// Dot-matrix objects: grid snapping in Extended with ties to even, paper in
// whole cells, the page's font style reaching its objects, the attribute
// differences, printer codes kept as bytes, and the grid on a drawn page.

#include <gtest/gtest.h>

#include <QImage>

#include <memory>
#include <string>
#include <vector>

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

// A report with one DMP page (paper from the virtual printer) and one band.
struct DMPReport {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpDMPPage* page = nullptr;
    TrpMasterData* band = nullptr;

    DMPReport()
    {
        SetPrintersSpooler(std::make_unique<FakeSpooler>());
        page = new TrpDMPPage(report.get());
        page->SetName("Page1");
        page->SetDefaults();
        band = new TrpMasterData(page);
        band->SetName("MasterData1");
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

Extended columns(Extended mm) { return mm * rp01cm / rp1CharX; }
Extended rows(Extended mm) { return mm * rp01cm / rp1CharY; }

}  // namespace

TEST(DMPObjects, SnapToCharacterCells)
{
    TrpDMPMemoView memo;
    TrpDMPLineView line;
    TrpDMPCommand command;
    struct Case {
        const char* what;
        TrpComponent* object;
        TrpAlign align;
        void (TrpComponent::*set)(Extended);
        Extended (TrpComponent::*get)() const noexcept;
        Extended value, expected;
    };
    const Case cases[] = {
        {"memo left", &memo, baNone, &TrpComponent::SetLeft, &TrpComponent::Left, 15, 19.2L},
        {"memo left right-aligned", &memo, baRight, &TrpComponent::SetLeft, &TrpComponent::Left, 15, 9.6L},
        {"memo top, tie to even", &memo, baNone, &TrpComponent::SetTop, &TrpComponent::Top, 42.5L, 34},
        {"memo width", &memo, baNone, &TrpComponent::SetWidth, &TrpComponent::Width, 100, 96},
        {"memo height", &memo, baNone, &TrpComponent::SetHeight, &TrpComponent::Height, 60, 68},
        {"line left", &line, baNone, &TrpComponent::SetLeft, &TrpComponent::Left, 20, 24},
        {"line left negative", &line, baNone, &TrpComponent::SetLeft, &TrpComponent::Left, -5, -4.8L},
        {"line left on a multiple", &line, baNone, &TrpComponent::SetLeft, &TrpComponent::Left, 28.8L, 24},
        {"line left right-aligned", &line, baRight, &TrpComponent::SetLeft, &TrpComponent::Left, 20, 14.4L},
        {"line top", &line, baNone, &TrpComponent::SetTop, &TrpComponent::Top, 20, 25.5L},
        {"line width", &line, baNone, &TrpComponent::SetWidth, &TrpComponent::Width, 14.5L, 19.2L},
        {"line width across", &line, baWidth, &TrpComponent::SetWidth, &TrpComponent::Width, 14.5L, 9.6L},
        {"command left", &command, baNone, &TrpComponent::SetLeft, &TrpComponent::Left, 15, 19.2L},
        {"command top", &command, baNone, &TrpComponent::SetTop, &TrpComponent::Top, 9, 17},
    };
    for (const Case& c : cases) {
        static_cast<TrpView*>(c.object)->SetAlign(c.align);
        (c.object->*c.set)(c.value);
        EXPECT_NEAR((c.object->*c.get)(), c.expected, 1e-12L) << c.what;
    }
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
    memo->GapY = 0;
    memo->SetText(u"ABCDE");
    EXPECT_NEAR(memo->CalcWidth(), 48, 1e-12L);
    EXPECT_EQ(memo->CalcHeight(), 17);
}

TEST(DMPPage, PaperInWholeColumnsAndRowsWithOneCellMargins)
{
    DMPReport r;
    TrpDMPPage& page = *r.page;
    EXPECT_NEAR(page.PaperWidth(), 208.2799L, 1e-4L);
    EXPECT_NEAR(columns(page.PaperWidth()), 82, 1e-9L);
    EXPECT_NEAR(page.PaperHeight(), 296.8623L, 1e-4L);
    EXPECT_NEAR(rows(page.PaperHeight()), 66, 1e-9L);
    EXPECT_NEAR(page.LeftMargin, 2.539998L, 1e-6L);
    EXPECT_NEAR(page.RightMargin, 2.539998L, 1e-6L);
    EXPECT_NEAR(page.TopMargin, 4.497914L, 1e-6L);
    EXPECT_NEAR(page.BottomMargin, 4.497914L, 1e-6L);

    page.SetPaperWidth(210);
    EXPECT_NEAR(page.PaperWidth(), 210.8199L, 1e-4L);
    EXPECT_NEAR(columns(page.PaperWidth()), 83, 1e-9L);
    page.SetPaperHeight(100);
    EXPECT_NEAR(rows(page.PaperHeight()), 22, 1e-9L);
    page.SetPaperSize(DMPAPER_A4);
    EXPECT_NEAR(columns(page.PaperWidth()), 83, 1e-9L);
    EXPECT_NEAR(rows(page.PaperHeight()), 66, 1e-9L);
    EXPECT_NEAR(columns(TrpDMPPage().PaperWidth()), 83, 1e-9L);

    // Bands snap on a DMP page only.
    r.band->SetTop(20);
    r.band->SetLeft(10);
    EXPECT_EQ(r.band->Top(), 17);
    EXPECT_NEAR(r.band->Left(), 9.6L, 1e-12L);
    TrpReportPage plain;
    auto* other = new TrpMasterData(&plain);
    other->SetTop(20);
    EXPECT_EQ(other->Top(), 20);
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

    const TrpDMPFontStyles first{fsxBold, fsxCondensed};
    const TrpDMPFontStyles second{fsxUnderline, fsx15cpi};
    for (const TrpDMPFontStyles& style : {first, second}) {
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
    // A new object takes the page's style at once.
    EXPECT_EQ(r.add<TrpDMPMemoView>("Memo3")->FontStyle(), second);
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
    EXPECT_NE(memo.Diff(&memoBase).find(" FontStyle=\"261\""), std::string::npos) << memo.Diff(&memoBase);
    EXPECT_NE(line.Diff(&lineBase).find(" FontStyle=\"0\""), std::string::npos) << line.Diff(&lineBase);

    TrpDMPCommand command, commandBase;
    command.Command = commandBase.Command = "\x1B@";
    EXPECT_EQ(command.Diff(&commandBase), "");
    command.Command = std::string("\x1B" "E\"\x80\xFF", 5);
    EXPECT_EQ(command.Diff(&commandBase), std::string(" Command=\"\x1B" "E&#34;\x80\xFF\""));
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
        r.add<TrpDMPMemoView>("Memo1")->SetText(u"x");
        r.add<TrpDMPMemoView>("Memo2")->SetFontStyle({fsxItalic, fsxWide});
        TStringStream out;
        r.report->SaveToStream(out);
        xml = out.DataString();
    }
    EXPECT_NE(xml.find(std::string("\x1B@\x1B" "C\x00\x0B\x80\xFF\xA1&#34;&#60;&#38;&#13;&#10;\t\x0C", 36)),
              std::string::npos);

    DMPReport r;
    TStringStream in(xml);
    r.report->LoadFromStream(in);
    ASSERT_EQ(r.report->Errors.Count(), 0) << r.report->Errors.Strings(0);
    auto* command = dynamic_cast<TrpDMPCommand*>(r.report->FindObject("Cmd1"));
    auto* memo1 = dynamic_cast<TrpDMPMemoView*>(r.report->FindObject("Memo1"));
    auto* memo2 = dynamic_cast<TrpDMPMemoView*>(r.report->FindObject("Memo2"));
    ASSERT_TRUE(command && memo1 && memo2);
    EXPECT_EQ(command->Command, codes);
    EXPECT_EQ(memo1->FontStyle(), TrpDMPFontStyles{fsxBold});
    EXPECT_TRUE(memo1->Font()->Style().Contains(fsBold));
    EXPECT_EQ(memo2->FontStyle(), (TrpDMPFontStyles{fsxItalic, fsxWide}));
    EXPECT_FALSE(memo2->ParentFont());

    // The way prepared pages rebuild an object: full attributes, then the
    // difference.
    TrpXMLSerializer serializer;
    TrpDMPCommand base;
    std::unique_ptr<TComponent> copy(serializer.XMLToObj(nullptr, serializer.ObjToXML(&base)));
    serializer.ReadProps(copy.get(), copy.get(), command->Diff(&base));
    EXPECT_EQ(dynamic_cast<TrpDMPCommand&>(*copy).Command, codes);
}

TEST(DMPRegistry, ThreeViewsOfTheDotMatrixCategory)
{
    auto check = [] {
        const TrpObjectCollection& objects = GetObjectCollection();
        std::vector<std::pair<std::string, int>> found;
        for (int i = 0; i < objects.Count(); ++i)
            if (objects.GetItem(i).Category == rpcatDMP)
                found.emplace_back(objects.GetItem(i).ClassRef->ClassName(), objects.GetItem(i).ButtonImageIndex);
        const std::vector<std::pair<std::string, int>> expected{
            {"TrpDMPMemoView", 2}, {"TrpDMPLineView", 5}, {"TrpDMPCommand", 21}};
        EXPECT_EQ(found, expected);
        std::unique_ptr<TObject> page(FindClass("TrpDMPPage")->Create(nullptr));
        EXPECT_TRUE(dynamic_cast<TrpReportPage&>(*page).IsDotMatrix());
    };
    check();
    unregisterDMPClasses();
    EXPECT_EQ(GetClass("TrpDMPMemoView"), nullptr);
    registerDMPClasses();
    check();
}

namespace {

// Left edges of the dark runs along one row of pixels.
std::vector<int> inkStarts(const QImage& image, int y, int from, int to)
{
    std::vector<int> starts;
    bool inside = false;
    for (int x = from; x < to; ++x) {
        const bool dark = qGray(image.pixel(x, y)) < 128;
        if (dark && !inside) starts.push_back(x);
        inside = dark;
    }
    return starts;
}

}  // namespace

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

    // Row centres of the two text lines: 17 units apart, from one row in.
    const Extended origin = rp1CharX;  // the one-column margin
    for (int line = 0; line < 2; ++line) {
        const int y = static_cast<int>(rp1CharY + 17 * line + 8);
        const std::vector<int> starts = inkStarts(image, y, 0, image.width());
        ASSERT_EQ(starts.size(), 80u) << "line " << line;
        const Extended bearing = starts[0] - origin;
        for (int n = 0; n < 80; ++n)
            EXPECT_NEAR(starts[static_cast<size_t>(n)] - bearing, origin + n * rp1CharX, 1.0) << "column " << n;
    }
    // The frame stands half a cell outside the box.
    const int frameLeft = static_cast<int>(Round(origin + 96 - rp1CharX / 2));
    EXPECT_LT(qGray(image.pixel(frameLeft, static_cast<int>(rp1CharY + 51 + 8))), 128);
    EXPECT_EQ(qGray(image.pixel(frameLeft + 3, static_cast<int>(rp1CharY + 51 + 8))), 255);
}
