// The rich-text report object: expressions and data in the content, the
// print protocol, the height a report measures, parts that neither lose
// nor repeat a line, the overflow handed to a linked object, drawing, and
// the content in report files, prepared pages and scripts.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>

#include <climits>
#include <cmath>
#include <map>

#include "CodePages.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "RichTestSupport.h"
#include "SysUtils.h"
#include "Watchdog.h"
#include "rpBands.h"
#include "rpDataSets.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpRegistry.h"
#include "rpReport.h"
#include "rpRich.h"
#include "rpRichRTTI.h"
#include "rpRichTable.h"
#include "rpRtfWriter.h"
#include "ScriptModules.h"
#include "rpClassRTTI.h"
#include "sc_classes.h"
#include "sc_tools.h"

using namespace richtest;

namespace {

std::string Mono(const std::string& body)
{
    return "{\\rtf1{\\fonttbl{\\f0 Courier New;}}\\f0\\fs20 " + body + "}";
}

// Paragraphs of numbered words that wrap, one word bold in each.
std::string Words(int paragraphs, const std::string& paraWords = {})
{
    std::string body;
    for (int p = 0; p < paragraphs; ++p) {
        body += paraWords;
        for (int w = 0; w < 30; ++w) body += (w == 7 ? "{\\b w" : "w") + std::to_string(p * 100 + w) + (w == 7 ? "} " : " ");
        body += "\\par ";
    }
    return Mono(body);
}

// A report page with a band; expressions are looked up in `values`.
struct Sheet {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = nullptr;
    TrpMasterData* band = nullptr;
    std::map<std::string, Variant> values;

    Sheet()
    {
        page = new TrpReportPage(report.get());
        page->SetName("Page1");
        page->SetDefaults();
        band = new TrpMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 40, 718, 30);
        report->OnCalc = [this](const std::string& e) {
            const auto it = values.find(e);
            return it == values.end() ? Variant("<" + e + ">") : it->second;
        };
    }

    TrpRichView* rich(const char* name, const std::string& rtf, Extended width = 300, Extended height = 100)
    {
        auto* v = new TrpRichView(band);
        v->SetName(name);
        v->SetBounds(10, 0, width, height);
        v->RichEdit()->LoadRtf(rtf);
        return v;
    }
};

std::string Text(const TrpRichView& v)
{
    return Utf16ToUtf8(v.RichEdit()->Text());
}

std::u16string Raw(const QTextDocument& doc)
{
    return doc.toRawText().toStdU16String();
}

struct Parts {
    std::vector<std::unique_ptr<QTextDocument>> docs;
    std::vector<bool> continued;
    std::vector<Extended> unused;
    // The parts' text, a paragraph mark between two parts cut between paragraphs.
    std::u16string Joined() const
    {
        std::u16string text;
        for (size_t i = 0; i < docs.size(); ++i) {
            if (i > 0 && !continued[i - 1]) text += u'\u2029';
            text += Raw(*docs[i]);
        }
        return text;
    }
};

// Splits as the engine does, each part with the height given; the object
// is as it was afterwards.
Parts Split(TrpRichView& v, Extended height)
{
    Parts parts;
    v.BeforePrint();
    v.InitPart();
    for (int guard = 0; guard < 500; ++guard) {
        v.SetHeight(height);
        const Extended unused = v.DrawPart();
        // An empty part (the whole height unused) goes to the next page whole.
        if (unused != height) {
            parts.unused.push_back(unused);
            parts.docs.push_back(v.RichEdit()->CloneDocument());
            parts.continued.push_back(v.Continued());
        }
        if (!v.HasNextPart()) break;
    }
    EXPECT_FALSE(v.HasNextPart()) << "no end of parts";
    v.AfterPrint();
    return parts;
}

}  // namespace

TEST(RichView, ExpressionsInTheText)
{
    Sheet s;
    s.values = {{"x", Variant("值")}, {"Page", Variant(3)}, {"nested", Variant("[x]")},
                {"rtf", Variant("{\\rtf1 {\\i slanted}\\par}")}};
    TrpRichView* v = s.rich("Rich1", "{\\rtf1\\ansi\\ansicpg936 \\u23458?\\u25143?\\u-230?{\\b [x]} p[Page] [nested] [rtf]!}");
    v->BeforePrint();
    v->GetData();
    // Exactly "[x]" is replaced after two Chinese characters, and takes its bold.
    EXPECT_EQ(Text(*v), "客户：值 p3 [x] slanted!");
    const QTextDocument& doc = v->RichEdit()->Document();
    EXPECT_TRUE(rich::FromCharFormat(QTextCursor(doc.findBlock(0)).block().begin().fragment().charFormat()).bold == false);
    QTextCursor at(const_cast<QTextDocument*>(&doc));
    at.setPosition(4);
    EXPECT_TRUE(rich::FromCharFormat(at.charFormat()).bold);
    // An RTF value keeps its formatting and brings no paragraph of its own.
    at.setPosition(static_cast<int>(Raw(doc).find(u"slanted")) + 1);
    EXPECT_TRUE(rich::FromCharFormat(at.charFormat()).italic);
    EXPECT_EQ(doc.blockCount(), 1);
    v->AfterPrint();

    v->AllowExpressions = false;
    v->BeforePrint();
    v->GetData();
    EXPECT_EQ(Text(*v), "客户：[x] p[Page] [nested] [rtf]!");
    v->AfterPrint();

    // Other delimiters; one without its partner leaves the rest alone.
    v->AllowExpressions = true;
    v->ExpressionDelimiters = "<%,%>";
    v->RichEdit()->LoadRtf("{\\rtf1 a<%x%>b [x] <%x}");
    v->GetData();
    EXPECT_EQ(Text(*v), "a值b [x] <%x");
}

TEST(RichView, PrintCyclesLeaveTheStoredContentAlone)
{
    Sheet s;
    s.values["x"] = Variant("{\\rtf1 \\b value\\par}");
    TrpRichView* v = s.rich("Rich1", ReadFile(CorpusPath("cp936.rtf")));
    v->RichEdit()->SetSelStart(0);
    v->RichEdit()->SetSelText(u"[x] ");
    const std::string stored = v->RichEdit()->SaveRtf();
    for (int i = 0; i < 100; ++i) {
        v->BeforePrint();
        v->GetData();
        // Asking for the text in between changes nothing stored.
        EXPECT_NE(v->GetComponentText(), stored);
        v->AfterPrint();
    }
    EXPECT_EQ(v->RichEdit()->SaveRtf(), stored);
    EXPECT_EQ(v->GetComponentText(), stored);
    v->RichEdit()->SetPlainText(true);
    EXPECT_EQ(v->GetComponentText().substr(0, 4), "[x] ");
}

TEST(RichView, HeightAsTheReportMeasuresIt)
{
    Sheet s;
    TrpRichView* v = s.rich("Rich1", Words(3), 304);
    // The layout's own lines at the object's width less the gaps (300 units).
    QTextDocument& doc = v->RichEdit()->Document();
    doc.setTextWidth(300);
    qreal units = 0;
    doc.documentLayout()->documentSize();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (int i = 0; i < b.layout()->lineCount(); ++i) units += b.layout()->lineAt(i).height();
    const Extended twips = std::ceil(units * 15 - 1e-6);
    EXPECT_EQ(v->CalcHeight(), Round(twips / 15) + 2 * v->GapY + 2);
    v->GapY = 3;
    EXPECT_EQ(v->CalcHeight(), Round(twips / 15) + 8);
    // Empty content measures 0; no width still comes to an end.
    v->RichEdit()->Clear();
    EXPECT_EQ(v->CalcHeight(), 0);
    v->RichEdit()->LoadRtf(Words(1));
    v->SetWidth(2 * v->GapX);
    EXPECT_GT(v->CalcHeight(), 100);
}

TEST(RichView, FittingOneLineShortAndNothing)
{
    Sheet s;
    TrpRichView* v = s.rich("Rich1", Words(2));
    const Extended full = v->CalcHeight();
    Parts one = Split(*v, full);
    ASSERT_EQ(one.docs.size(), 1u);
    EXPECT_GE(one.unused[0], 0);
    EXPECT_EQ(Raw(*one.docs[0]), Raw(*Read(Words(2))));

    const Parts two = Split(*v, full - 5);
    ASSERT_EQ(two.docs.size(), 2u);
    // The last line alone.
    EXPECT_EQ(two.Joined(), Raw(*Read(Words(2))));
    two.docs[1]->setTextWidth(296);
    two.docs[1]->documentLayout()->documentSize();
    EXPECT_EQ(two.docs[1]->blockCount(), 1);
    EXPECT_EQ(two.docs[1]->begin().layout()->lineCount(), 1);

    // Not a line fits: the whole height comes back and everything remains;
    // the next time at the same line it goes out cut rather than never.
    v->RichEdit()->LoadRtf(Mono("before\\par {\\pict\\pngblip\\picwgoal1440\\pichgoal6000 00}\\par after"));
    v->InitPart();
    v->SetHeight(300);
    EXPECT_NE(v->DrawPart(), 300);
    EXPECT_EQ(Text(*v), "before");
    v->SetHeight(50);
    EXPECT_EQ(v->DrawPart(), 50);
    EXPECT_TRUE(v->HasNextPart());
    EXPECT_EQ(v->RichEdit()->GetTextLen(), 7);  // all that remains, should the band go out as it is
    v->SetHeight(300);
    // The 100 units of the picture cut off count as used, not as unused.
    EXPECT_EQ(v->DrawPart(), -99);
    EXPECT_EQ(v->RichEdit()->GetTextLen(), 1);
    v->SetHeight(300);
    v->DrawPart();
    EXPECT_FALSE(v->HasNextPart());
    EXPECT_EQ(Text(*v), "after");
}

TEST(RichView, PartsJoinedEqualTheOriginal)
{
    Sheet s;
    // A hanging indent cut over several pages at several heights.
    TrpRichView* v = s.rich("Rich1", Words(6, "\\pard\\li720\\fi-360 "), 200);
    const QTextDocument& original = v->RichEdit()->Document();
    const std::u16string text = Raw(original);
    const std::vector<rich::TRichChar> attrs = Attributes(original);
    for (Extended height : {40.0L, 57.0L, 93.0L, 240.0L}) {
        const Parts parts = Split(*v, height);
        EXPECT_GT(parts.docs.size(), 2u) << height;
        EXPECT_EQ(parts.Joined(), text) << height;
        std::vector<rich::TRichChar> joined;
        for (const auto& d : parts.docs) {
            const auto a = Attributes(*d);
            joined.insert(joined.end(), a.begin(), a.end());
        }
        EXPECT_TRUE(joined == attrs) << height;
    }

    // Empty paragraphs at the end are lines like any other.
    v->RichEdit()->LoadRtf(Mono("a\\par b\\par\\par\\par "));
    const std::u16string empties = Raw(v->RichEdit()->Document());
    EXPECT_EQ(Split(*v, 17).Joined(), empties);
    EXPECT_EQ(Split(*v, 40).Joined(), empties);
    v->RichEdit()->LoadRtf(Words(6, "\\pard\\li720\\fi-360 "));

    // A part that starts inside a paragraph draws its first line where the
    // paragraph's other lines are.
    const Parts parts = Split(*v, 40);
    ASSERT_TRUE(parts.continued[0]);
    v->RichEdit()->SetDocument(std::unique_ptr<QTextDocument>(parts.docs[1]->clone()));
    v->SetHeight(40);
    TRecordingCanvas canvas(1440);
    v->Draw(canvas, 15, 15, 0, 0);
    const std::vector<int> xs = LineStarts(canvas);
    ASSERT_GE(xs.size(), 2u);
    for (int x : xs) EXPECT_EQ(x, xs[0]);
}

TEST(RichView, RandomTextsAndHeightsSplitWithoutLoss)
{
    uint32_t seed = 11;
    const auto rnd = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    Sheet s;
    for (int round = 0; round < 25; ++round) {
        std::string body;
        const int words = 20 + static_cast<int>(rnd(200));
        for (int w = 0; w < words; ++w) {
            body += std::string(1 + rnd(10), static_cast<char>('a' + rnd(26)));
            switch (rnd(10)) {
            case 0: body += "\\par\\pard "; break;
            case 1: body += "\\par\\pard\\li" + std::to_string(rnd(1500)) + "\\fi-" + std::to_string(rnd(400)) + " "; break;
            case 2: body += "\\line "; break;
            case 3: body += "\\u23458?\\u25143? "; break;
            case 4: body += "{\\fs" + std::to_string(16 + 2 * rnd(20)) + " size} "; break;
            default: body += ' ';
            }
        }
        TrpRichView* v = s.rich("Random", Mono(body), 60 + static_cast<int>(rnd(400)));
        const std::u16string text = Raw(v->RichEdit()->Document());
        const Extended height = 14 + static_cast<int>(rnd(200));
        const Parts parts = Split(*v, height);
        ASSERT_EQ(parts.Joined(), text) << "round " << round << " height " << static_cast<double>(height);
        delete v;
    }
}

TEST(RichView, NumberedListsCountOnInTheNextPart)
{
    std::string items;
    for (int i = 0; i < 12; ++i)
        items += "\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta.}}\\fi-360\\li360{\\pntext " +
                 std::to_string(i + 1) + ".\\tab}item " + std::to_string(i + 1) + "\\par ";
    Sheet s;
    TrpRichView* v = s.rich("Rich1", Mono(items));
    const Parts parts = Split(*v, 60);
    ASSERT_GT(parts.docs.size(), 1u);
    const QTextBlock first = parts.docs[1]->begin();
    const int item = std::stoi(Utf16ToUtf8(first.text().toStdU16String()).substr(5));
    EXPECT_EQ(rich::ListNumber(first), item);
}

TEST(RichView, FlowToTakesExactlyTheOverflow)
{
    Sheet s;
    s.values = {{"a", Variant("[b]")}, {"b", Variant("never")}};
    TrpRichView* first = s.rich("Rich1", Words(3, "[a] "), 300, 40);
    TrpRichView* second = s.rich("Rich2", Mono("old"), 300, 400);
    first->SetFlowTo(second);
    first->BeforePrint();
    second->BeforePrint();
    first->GetData();
    second->GetData();
    const std::u16string all = Raw(*Read(Words(3, "[b] ")));
    const std::u16string shown = Raw(first->RichEdit()->Document());
    const std::u16string rest = Raw(second->RichEdit()->Document());
    EXPECT_FALSE(rest.empty());
    EXPECT_EQ(shown + (first->Continued() ? u"" : u"\u2029") + rest, all);
    EXPECT_FALSE(second->AllowExpressions);
    // Never itself; a freed target is forgotten.
    second->SetFlowTo(second);
    EXPECT_EQ(second->FlowTo(), nullptr);
    delete second;
    EXPECT_EQ(first->FlowTo(), nullptr);
}

TEST(RichView, FlowToTakesEverythingWhenNotALineFits)
{
    Sheet s;
    TrpRichView* first = s.rich("Rich1", Words(3, "word "), 300, 6);
    TrpRichView* second = s.rich("Rich2", Mono("old"), 300, 400);
    first->SetFlowTo(second);
    first->BeforePrint();
    second->BeforePrint();
    first->GetData();
    EXPECT_EQ(Raw(first->RichEdit()->Document()), u"");
    EXPECT_EQ(Raw(second->RichEdit()->Document()), Raw(*Read(Words(3, "word "))));
}

TEST(RichView, ContentFromADataField)
{
    Sheet s;
    auto* ds = new TrpUserDataSet(s.report.get());
    ds->SetName("Orders");
    ds->Fields()->Add("memo");
    Variant value("{\\rtf1 \\b 加急\\b0  件\\par}");
    ds->OnGetValue = [&value](const std::string&, Variant& v) { v = value; };
    TrpRichView* v = s.rich("Rich1", Mono("design"));
    v->SetDataSet(ds);
    v->SetDataField("memo");
    v->GetData();
    EXPECT_EQ(Text(*v), "加急 件");
    value = Variant("第一行\r\n第二行 [x]");
    s.values["x"] = Variant("y");
    v->GetData();
    EXPECT_EQ(Text(*v), "第一行\r\n第二行 y");
    value = Variant();
    v->GetData();
    EXPECT_EQ(v->RichEdit()->GetTextLen(), 0);
}

TEST(RichView, DrawnInsideItsRectangle)
{
    Sheet s;
    TrpRichView* v = s.rich("Rich1", Words(4), 200, 60);
    TRecordingCanvas canvas(96);
    v->Draw(canvas, 1, 1, 0, 0);
    ASSERT_FALSE(LineStarts(canvas).empty());
    // Text only under a clip inside the object (10, 40) - (210, 100).
    std::optional<TRect> clip;
    for (const TCanvasRecord& r : canvas.Records()) {
        if (r.kind == TCanvasRecord::SetClipRect) clip = r.hasRect ? std::optional<TRect>(r.rect) : std::nullopt;
        if (r.kind != TCanvasRecord::ExtTextOut) continue;
        ASSERT_TRUE(clip.has_value());
        EXPECT_TRUE(clip->Left >= 10 && clip->Top >= 40 && clip->Right <= 210 && clip->Bottom <= 100);
    }
    for (int x : LineStarts(canvas)) EXPECT_EQ(x, 10 + 2);  // GapX in from the left
}

TEST(RichView, StoredAsRtfInReportFilesAndPreparedPages)
{
    Sheet s;
    TrpRichView* v = s.rich("Rich1", ReadFile(CorpusPath("objects.rtf")));
    v->ExpressionDelimiters = "{,}";
    const std::string rtf = v->RichEdit()->SaveRtf();
    TStringStream xml;
    s.report->SaveToStream(xml);
    EXPECT_NE(xml.DataString().find("PropData=\""), std::string::npos);
    TrpReport loaded;
    xml.Seek(0, soBeginning);
    loaded.LoadFromStream(xml);
    auto* back = dynamic_cast<TrpRichView*>(loaded.FindObject("Rich1"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->RichEdit()->SaveRtf(), rtf);
    EXPECT_EQ(back->ExpressionDelimiters, "{,}");

    // A printed part carries its own content into the page.
    struct Engine : TrpEngineState {
        bool Running() const override { return true; }
        bool DoublePass() const override { return false; }
        bool FinalPass() const override { return true; }
        int TotalPages() const override { return 0; }
        Extended CurY() const override { return 0; }
    } engine;
    auto& pages = *static_cast<TrpPreviewPages*>(s.report->PreviewPages());
    pages.SetEngine(&engine);
    pages.Clear();
    pages.Initialize();
    pages.AddSourcePage(s.page);
    pages.AddPage(s.page);
    v->RichEdit()->LoadRtf("{\\rtf1 \\u21150?\\u31532? {\\b part}\\par}");
    const std::string part = v->RichEdit()->SaveRtf();
    pages.AddObject(s.band);
    v->RichEdit()->LoadRtf(rtf);
    const std::shared_ptr<TrpReportPage> page = pages.GetPage(0);
    ASSERT_TRUE(page);
    auto* printed = dynamic_cast<TrpRichView*>(page->FindObject("Rich1"));
    ASSERT_NE(printed, nullptr);
    EXPECT_EQ(printed->RichEdit()->SaveRtf(), part);
}

TEST(RichView, RegisteredAsAReportObjectAndForScripts)
{
    const int n = GetObjectCollection().Count();
    const TrpObjectItem* item = nullptr;
    for (int i = 0; i < n; ++i)
        if (GetObjectCollection().GetItem(i).ClassRef == TrpRichView::StaticClass()) item = &GetObjectCollection().GetItem(i);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->ButtonImageIndex, 26);
    EXPECT_EQ(item->Category, rpcatReport);
    const int editors = GetComponentEditors().Count();
    registerRichUnit();  // a second time adds nothing
    EXPECT_EQ(GetObjectCollection().Count(), n);
    EXPECT_EQ(GetComponentEditors().Count(), editors);

    // The start-up order: the report classes (7), then rich text (8).
    scRegisterStandardLanguages();
    registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>, .richText = rpRichScriptModule});
    // Afterwards the modules are as the start-up left them, for the tests
    // that follow in this process.
    struct Unregister {
        ~Unregister()
        {
            unregisterScriptModules();
            registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>, .richText = rpRichScriptModule});
        }
    } unregister;
    const auto& entries = scRTTIModules()->Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2].name, "TrpClassRTTI");
    EXPECT_EQ(entries.back().name, "TrpRichRTTI");

    struct Messages : TscScriptUi {
        std::string lines;
        void ShowMessage(const std::string& text) override { lines += text + "|"; }
    } messages;
    scSetScriptUi(&messages);
    Sheet s;
    TrpRichView* v = s.rich("Rich1", "{\\rtf1 line one\\par line two}");
    const auto run = [v](const std::string& text) {
        TscScript script;
        script.SyntaxType = "PascalScript";
        script.AddRTTI();
        script.AddObject("Rich1", v);
        script.Lines = {text};
        if (!script.Compile()) return "error: " + script.ErrorMsg;
        try {
            script.Execute();
        } catch (const std::exception& e) {
            return std::string("raised: ") + e.what();
        }
        return std::string("ok");
    };
    EXPECT_EQ(run("begin Rich1.RichEdit.PlainText := True; Rich1.GapX := 7; ShowMessage(Rich1.Name + ' ' + "
                  "Rich1.RichEdit.Lines[1]); end."),
              "ok");
    EXPECT_EQ(messages.lines, "Rich1 line two|");
    EXPECT_TRUE(v->RichEdit()->PlainText());
    EXPECT_EQ(v->GapX, 7);
    // What a windowed control has and the engine has not is a script error.
    EXPECT_EQ(run("begin Rich1.RichEdit.SetFocus; end.").substr(0, 7), "raised:");
    // The engine stays the object's.
    run("begin Rich1.RichEdit := nil; end.");
    EXPECT_NE(v->RichEdit(), nullptr);
    scSetScriptUi(nullptr);
}

TEST(RichView, ALongObjectContinuesOverThreePages)
{
    TrpReport report;
    {
        TFileStream file(std::string(RICH_TEST_DATA) + "/reports/long_rich.xml", fmOpenRead);
        report.LoadFromStream(file);
    }
    auto* v = dynamic_cast<TrpRichView*>(report.FindObject("Rich1"));
    ASSERT_NE(v, nullptr);
    const std::u16string text = Raw(v->RichEdit()->Document());
    // The space an A4 page leaves under the page header.
    const Extended page = 1047 - 30 - 10;
    ASSERT_GT(v->CalcHeight(), 2 * page);
    const Parts parts = Split(*v, page);
    EXPECT_EQ(parts.docs.size(), 3u);
    EXPECT_EQ(parts.Joined(), text);
    // Each part drawn as a page shows it (RICH_PARTS_PNG names a folder to look).
    const char* folder = std::getenv("RICH_PARTS_PNG");
    for (size_t i = 0; i < parts.docs.size(); ++i) {
        v->RichEdit()->SetDocument(std::unique_ptr<QTextDocument>(parts.docs[i]->clone()));
        QImage image(740, 1060, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TQtCanvas canvas(image);
            v->Draw(canvas, 1, 1, 10 - v->AbsLeft(), 10 - v->AbsTop());
        }
        int inked = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) inked += image.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_GT(inked, 2000) << i;
        if (folder) image.save(QString::fromLocal8Bit(folder) + QStringLiteral("/part%1.png").arg(i + 1));
    }
}

TEST(RichView, PreparedReportShowsTheTextOnThreePages)
{
    // The engine splits the band holding the object over three pages; each
    // page's object carries its part, and the parts are the whole text.
    scRegisterStandardLanguages();
    TrpReport report;
    report.EngineOptions()->BackgroundMode = true;
    ASSERT_TRUE(report.LoadFromFile(std::string(RICH_TEST_DATA) + "/reports/long_rich.xml"));
    auto* design = dynamic_cast<TrpRichView*>(report.FindObject("Rich1"));
    ASSERT_NE(design, nullptr);
    std::u16string original = Raw(design->RichEdit()->Document());
    std::erase(original, u'\u2029');
    ASSERT_TRUE(report.PrepareReport(true)) << report.Errors.Text();
    TrpCustomPreviewPages& pages = *report.PreviewPages();
    ASSERT_EQ(pages.GetCount(), 3);
    std::u16string joined;
    for (int i = 0; i < pages.GetCount(); ++i) {
        const std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
        ASSERT_TRUE(page);
        auto* part = dynamic_cast<TrpRichView*>(page->FindObject("Rich1"));
        ASSERT_NE(part, nullptr) << i;
        std::u16string text = Raw(part->RichEdit()->Document());
        EXPECT_FALSE(text.empty()) << i;
        std::erase(text, u'\u2029');
        joined += text;
        QImage image(794, 1123, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TQtCanvas canvas(image);
            pages.DrawPage(i, canvas, 1, 1, 0, 0);
        }
        if (const char* folder = std::getenv("RICH_PARTS_PNG"))
            image.save(QString::fromLocal8Bit(folder) + QStringLiteral("/page%1.png").arg(i + 1));
    }
    EXPECT_EQ(joined, original);
    // The design is as it was.
    design = dynamic_cast<TrpRichView*>(report.FindObject("Rich1"));
    ASSERT_NE(design, nullptr);
    std::u16string after = Raw(design->RichEdit()->Document());
    std::erase(after, u'\u2029');
    EXPECT_EQ(after, original);
}

TEST(RichView, ALineTallerThanAPageLosesNothingThatFollows)
{
    // A picture taller than any page, with text before and after it: the
    // engine prints the picture cut once, and the text goes on after it on
    // the next page, with no empty part behind it.
    std::string after;
    for (int p = 0; p < 40; ++p) after += "after " + std::to_string(p) + "\\par ";
    const std::string tall = "{\\pict\\pngblip\\picwgoal1440\\pichgoal24000 00}\\par " + after;
    std::string beside;
    for (int p = 0; p < 150; ++p) beside += "beside " + std::to_string(p) + "\\par ";
    struct Case {
        const char* name;
        std::string rtf;
        // Another object printing beside it, so that the picture first
        // waits on a page where something else prints.
        bool withBeside;
        int pages;
    };
    for (const Case& c : {Case{"first", tall, false, 2}, Case{"after a line", "before\\par " + tall, false, 3},
                          Case{"beside another", "before\\par " + tall, true, 4}}) {
        Sheet s;
        s.report->EngineOptions()->BackgroundMode = true;
        s.band->SetRowCount(1);
        s.band->AllowSplit = true;
        s.band->Stretched = true;
        std::map<std::string, std::u16string> original, joined;
        for (TrpRichView* v : {s.rich("Rich1", Mono(c.rtf), 350, 30), c.withBeside ? s.rich("Rich2", Mono(beside), 300, 30) : nullptr}) {
            if (!v) continue;
            if (v->Name() == "Rich2") v->SetLeft(400);
            v->SetStretchMode(smActualHeight);
            std::u16string text = Raw(v->RichEdit()->Document());
            std::erase(text, u'\u2029');
            original[v->Name()] = text;
        }
        {
            Watchdog watchdog(60, "a rich-text line taller than a page");
            ASSERT_TRUE(s.report->PrepareReport(true)) << s.report->Errors.Text();
        }
        EXPECT_EQ(s.report->Errors.Count(), 0) << s.report->Errors.Text();
        TrpCustomPreviewPages& pages = *s.report->PreviewPages();
        EXPECT_EQ(pages.GetCount(), c.pages) << c.name;
        for (int i = 0; i < pages.GetCount(); ++i) {
            const std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
            ASSERT_TRUE(page);
            for (const auto& [name, text] : original) {
                auto* part = dynamic_cast<TrpRichView*>(page->FindObject(name));
                if (!part || !part->Visible()) continue;
                std::u16string partText = Raw(part->RichEdit()->Document());
                std::erase(partText, u'\u2029');
                EXPECT_FALSE(partText.empty()) << c.name << ": " << name << " on page " << i + 1;
                joined[name] += partText;
            }
        }
        EXPECT_EQ(joined, original) << c.name;
    }
}

namespace {

// Bordered rows of three cells, every seventh with a middle cell of three paragraphs.
std::string TableRows(int count)
{
    std::string rows;
    const std::string def = "\\trowd\\trgaph60\\clbrdrb\\brdrs\\brdrw10\\cellx900\\clbrdrb\\brdrs\\brdrw10\\cellx3600"
                            "\\clbrdrb\\brdrs\\brdrw10\\cellx4500";
    for (int r = 0; r < count; ++r) {
        const std::string n = std::to_string(r);
        rows += def + "\\pard\\intbl r" + n + "\\cell " + (r % 7 == 6 ? "x" + n + "\\par y\\par z" : "item " + n) +
                "\\cell\\qr " + n + ".00\\cell\\row\r\n";
    }
    return rows;
}

// Each table row of a document as its cells' text, "|" apart.
std::vector<std::u16string> RowTexts(const QTextDocument& doc)
{
    std::vector<std::u16string> rows;
    const QTextTable* last = nullptr;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextTable* t = rich::TopTableAt(doc, b.position());
        if (!t || t == last) continue;
        last = t;
        for (int r = 0; r < t->rows(); ++r) {
            std::u16string row;
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cell = t->cellAt(r, c);
                QTextCursor text(const_cast<QTextDocument*>(&doc));
                text.setPosition(cell.firstPosition());
                text.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
                row += (c ? u"|" : u"") + text.selectedText().toStdU16String();
            }
            rows.push_back(row);
        }
    }
    return rows;
}

}  // namespace

TEST(RichView, ALongTableSplitsByWholeRows)
{
    Sheet s;
    TrpRichView* v = s.rich("Rich1", Mono("Shipped today:\\par " + TableRows(60) + "\\pard Total: 60 parcels\\par"), 320, 30);
    const std::vector<std::u16string> rows = RowTexts(v->RichEdit()->Document());
    ASSERT_EQ(rows.size(), 60u);
    const Parts parts = Split(*v, 150);
    ASSERT_GT(parts.docs.size(), 4u);
    std::vector<std::u16string> joined;
    for (size_t i = 0; i < parts.docs.size(); ++i) {
        SCOPED_TRACE(i);
        // A page ends between rows, never inside one.
        if (i + 1 < parts.docs.size()) {
            EXPECT_FALSE(parts.continued[i]);
        }
        const std::vector<std::u16string> part = RowTexts(*parts.docs[i]);
        joined.insert(joined.end(), part.begin(), part.end());
        // What a page holds fits it, as the prepared page keeps it.
        v->RichEdit()->LoadRtf(WriteRtf(*parts.docs[i]));
        EXPECT_LE(v->CalcHeight(), 150 + 1);
    }
    EXPECT_TRUE(joined == rows);
    EXPECT_NE(Raw(*parts.docs.front()).find(u"Shipped today:"), std::u16string::npos);
    EXPECT_NE(Raw(*parts.docs.back()).find(u"Total: 60 parcels"), std::u16string::npos);
}

TEST(RichView, PreparedReportPrintsATableOverPages)
{
    // The engine splits the band holding a long table; each page's object
    // holds whole rows and draws them with their borders; a row taller
    // than a page prints cut, once, and the rows after it go on.
    std::string tall = "\\trowd\\cellx4500\\pard\\intbl";
    for (int i = 0; i < 90; ++i) tall += " tall " + std::to_string(i) + "\\par";
    tall += " end\\cell\\row";
    Sheet s;
    s.report->EngineOptions()->BackgroundMode = true;
    s.band->SetRowCount(1);
    s.band->AllowSplit = true;
    s.band->Stretched = true;
    TrpRichView* v = s.rich("Rich1", Mono(TableRows(70) + tall + TableRows(3)), 320, 30);
    v->SetStretchMode(smActualHeight);
    const std::vector<std::u16string> rows = RowTexts(v->RichEdit()->Document());
    {
        Watchdog watchdog(60, "a rich-text table over pages");
        ASSERT_TRUE(s.report->PrepareReport(true)) << s.report->Errors.Text();
    }
    TrpCustomPreviewPages& pages = *s.report->PreviewPages();
    ASSERT_GE(pages.GetCount(), 3);
    std::vector<std::u16string> joined;
    for (int i = 0; i < pages.GetCount(); ++i) {
        const std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
        ASSERT_TRUE(page);
        auto* part = dynamic_cast<TrpRichView*>(page->FindObject("Rich1"));
        if (!part || !part->Visible()) continue;
        const std::vector<std::u16string> partRows = RowTexts(part->RichEdit()->Document());
        joined.insert(joined.end(), partRows.begin(), partRows.end());
        TRecordingCanvas canvas;
        pages.DrawPage(i, canvas, 1, 1, 0, 0);
        int borders = 0;
        for (const TCanvasRecord& r : canvas.Records()) borders += r.kind == TCanvasRecord::FillRect && r.brushColor == clBlack;
        EXPECT_GE(borders, static_cast<int>(partRows.size()) * 3 - 3) << "page " << i + 1;
    }
    EXPECT_TRUE(joined == rows) << joined.size() << " rows of " << rows.size();
}

TEST(RichView, TheTableSampleReportPrintsOnThreePages)
{
    // The sample report a user looks at: its long table goes on over three
    // pages, whole rows on each, none lost or repeated.
    scRegisterStandardLanguages();
    TrpReport report;
    report.EngineOptions()->BackgroundMode = true;
    ASSERT_TRUE(report.LoadFromFile(std::string(RICH_TEST_DATA) + "/reports/rich_table.xml"));
    auto* design = dynamic_cast<TrpRichView*>(report.FindObject("Rich1"));
    ASSERT_NE(design, nullptr);
    const std::vector<std::u16string> rows = RowTexts(design->RichEdit()->Document());
    ASSERT_EQ(rows.size(), 154u);  // a table of three rows and one of a heading and 150
    ASSERT_TRUE(report.PrepareReport(true)) << report.Errors.Text();
    TrpCustomPreviewPages& pages = *report.PreviewPages();
    ASSERT_EQ(pages.GetCount(), 3);
    std::vector<std::u16string> joined;
    for (int i = 0; i < pages.GetCount(); ++i) {
        auto* part = dynamic_cast<TrpRichView*>(pages.GetPage(i)->FindObject("Rich1"));
        ASSERT_NE(part, nullptr);
        const std::vector<std::u16string> partRows = RowTexts(part->RichEdit()->Document());
        EXPECT_GT(partRows.size(), 40u) << "page " << i + 1;
        joined.insert(joined.end(), partRows.begin(), partRows.end());
    }
    EXPECT_TRUE(joined == rows);
}
