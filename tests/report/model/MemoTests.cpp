#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "RecordingCanvas.h"
#include "rpStyles.h"
#include "rpVariables.h"

using namespace model_test;

namespace {

// The print protocol as the engine runs it; returns the printed text.
std::u16string print(TrpCustomMemoView& m, bool restore = true)
{
    m.BeforePrint();
    m.GetData();
    std::u16string text = m.Text();
    if (restore) m.AfterPrint();
    return text;
}

TrpUserDataSet* fieldSource(Sample& s, const char* name, Variant value)
{
    auto* ds = new TrpUserDataSet(s.data);
    ds->SetName(name);
    ds->Fields()->Add("n");
    ds->OnGetValue = [value](const std::string&, Variant& v) { v = value; };
    return ds;
}

}  // namespace

TEST(MemoPrint, ExpressionsBetweenDelimiters)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"合计 [1+2] 元");
    EXPECT_EQ(print(*m), u"合计 3 元\r\n");
    EXPECT_EQ(m->Text(), u"合计 [1+2] 元\r\n");
    EXPECT_EQ(m->Value, Variant(3));

    m->AllowExpressions = false;
    EXPECT_EQ(print(*m), u"合计 [1+2] 元\r\n");

    m->AllowExpressions = true;
    m->SetText(u"a [1+1] b [2+2 c");
    EXPECT_EQ(print(*m), u"a 2 b [2+2 c\r\n");

    m->ExpressionDelimiters = "<%,%>";
    m->SetText(u"x<%3+4%>y [1+1]");
    EXPECT_EQ(print(*m), u"x7y [1+1]\r\n");

    // A value that prints brackets is not computed again.
    s.values["'[1+1]'"] = Variant("[1+1]");
    m->ExpressionDelimiters = "[,]";
    m->SetText(u"['[1+1]']");
    EXPECT_EQ(print(*m), u"[1+1]\r\n");
}

TEST(MemoPrint, FormatDataMatrix)
{
    TrpMemoView m;
    struct Case {
        TrpFormatKind kind;
        const char* format;
        const char* decimal;
        const char* thousand;
        Variant value;
        const char* expected;
    };
    const Case cases[] = {
        {fkNumeric, "#,##0.00", "", "", Variant(1234.5), "1,234.50"},
        {fkNumeric, "#,##0.00", ",", " ", Variant(1234567.5), "1 234 567,50"},
        {fkNumeric, "#,##0.00", ",", ".", Variant(1234567.5), "1.234.567,50"},
        {fkNumeric, "%2.2f", ",", "", Variant(1234.5), "1234,50"},
        {fkNumeric, "%d", "", "", Variant(12.5), "12"},
        {fkNumeric, "%5.1f", "", "", Variant("3.14"), "  3.1"},
        {fkDateTime, "yyyy-mm-dd hh:mm", "", "", Variant::FromDate(EncodeDate(2026, 3, 7) + EncodeTime(9, 5, 0, 0)),
         "2026-03-07 09:05"},
        {fkBoolean, "否,是", "", "", Variant(true), "是"},
        {fkBoolean, "否,是", "", "", Variant(false), "否"},
        {fkBoolean, "No", "", "", Variant(true), ""},
        {fkText, "", "", "", Variant(2.5), "2.5"},
        {fkNumeric, "0.00", "", "", Variant::Null(), ""},
        {fkText, "", "", "", Variant(), ""},
    };
    for (const Case& c : cases) {
        TrpFormat f;
        f.Kind = c.kind;
        f.FormatStr = c.format;
        f.DecimalSeparator = c.decimal;
        f.ThousandSeparator = c.thousand;
        EXPECT_EQ(m.FormatData(c.value, f), c.expected) << c.format;
    }
}

TEST(MemoPrint, FieldsHideZerosButNotTheTextZero)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"");
    m->SetDataSet(fieldSource(s, "Zero", Variant(0)));
    m->SetDataField("n");
    m->HideZeros = true;
    EXPECT_EQ(print(*m), u"");
    m->SetDataSet(fieldSource(s, "Text", Variant("0")));
    EXPECT_EQ(print(*m), u"0\r\n");
    // Without HideZeros the display text of the field prints.
    m->HideZeros = false;
    m->SetDataSet(fieldSource(s, "Again", Variant(0)));
    EXPECT_EQ(print(*m), u"0\r\n");
    // A format other than text formats the value.
    m->DisplayFormat()->Kind = fkNumeric;
    m->DisplayFormat()->FormatStr = "%.2f";
    EXPECT_EQ(print(*m), u"0.00\r\n");
    // HideZeros on an expression too.
    TrpMemoView* e = s.memo("Memo2", u"[0+0]");
    e->HideZeros = true;
    EXPECT_EQ(print(*e), u"\r\n");
}

TEST(MemoPrint, SuppressRepeatedBlanksEqualFollowers)
{
    Sample s;
    s.values["v"] = Variant("A");
    TrpMemoView* m = s.memo("Memo1", u"[v]");
    m->SuppressRepeated = true;
    EXPECT_EQ(print(*m), u"A\r\n");
    EXPECT_EQ(print(*m), u"");
    EXPECT_EQ(print(*m), u"");
    s.values["v"] = Variant("B");
    EXPECT_EQ(print(*m), u"B\r\n");
}

TEST(MemoPrint, HighlightConditionAndFlowTo)
{
    Sample s;
    s.values["big"] = Variant(true);
    TrpMemoView* m = s.memo("Memo1", u"x");
    m->Highlight()->SetCondition("big");
    print(*m);
    EXPECT_TRUE(m->Highlight()->Active());
    TrpMemoView ref;
    EXPECT_NE(m->Diff(&ref).find(" Highlight.Active=\"True\""), std::string::npos);

    // What does not fit goes on, as it is, in the next memo.
    TrpMemoView* first = s.memo("Memo2", u"", 10, 0, 100, 19);
    TrpMemoView* next = s.memo("Memo3", u"");
    first->SetFlowTo(next);
    first->SetText(u"one\r\ntwo\r\n[1+1]\r\nfour");
    first->AllowExpressions = false;
    print(*first, false);
    EXPECT_EQ(first->Text(), u"one\r\n");
    EXPECT_EQ(next->Text(), u"two\r\n[1+1]\r\nfour\r\n");
    EXPECT_FALSE(next->AllowExpressions);
}

TEST(MemoText, RotationKeepsWithinATurn)
{
    TrpMemoView m;
    for (auto [in, out] : {std::pair{450, 90}, {-90, 270}, {360, 0}, {-450, 270}}) {
        m.SetRotation(in);
        EXPECT_EQ(m.Rotation(), out) << in;
    }
}

TEST(MemoText, HeightAndWidthCountGapsFramesAndShadow)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"Total 合计");
    // Arial 10: 83 pixels at 600 dpi, 13.28 units, plus line spacing 2.
    EXPECT_EQ(m->CalcHeight(), 17);  // 15.28 + 2 gaps
    m->Frame()->SetTyp({ftTop, ftBottom});
    m->Frame()->SetDropShadow(true);
    EXPECT_EQ(m->CalcHeight(), 22);  // + 0.5 + 4
    const Extended width = m->CalcWidth();
    m->Frame()->SetWidth(3);
    m->Frame()->SetTyp({ftLeft});
    EXPECT_EQ(m->CalcWidth(), width + 1);
}

TEST(MemoText, AutoWidthKeepsTheRightEdgeOrTheCentre)
{
    Sample s;
    TrpMemoView* right = s.memo("Memo1", u"abc", 100, 0, 200, 20);
    right->AutoWidth = true;
    right->HAlign = haRight;
    TrpMemoView* centre = s.memo("Memo2", u"abc", 100, 30, 200, 20);
    centre->AutoWidth = true;
    centre->HAlign = haCenter;
    TRecordingCanvas canvas;
    right->Draw(canvas, 1, 1, 0, 0);
    centre->Draw(canvas, 1, 1, 0, 0);
    EXPECT_LT(right->Width(), 50);
    EXPECT_EQ(right->Left() + right->Width(), 300);
    EXPECT_EQ(centre->Left() + centre->Width() / 2, 200);
    // While designing the width stays.
    TrpMemoView* designed = s.memo("Memo3", u"abc", 100, 60, 200, 20);
    designed->AutoWidth = true;
    designed->InitDesigning(0);
    designed->Draw(canvas, 1, 1, 0, 0);
    EXPECT_EQ(designed->Width(), 200);
}

TEST(MemoText, PlaceholdersAreFilledWhenPagesAreDrawn)
{
    Sample s;
    s.values["Page#"] = Variant(1);
    TrpMemoView* m = s.memo("Memo1", u"第[Page#]页 共[TotalPages#]页 [CopyName#]");
    print(*m, false);
    EXPECT_EQ(m->Text(), u"第1页 共[TotalPages#]页 [CopyName#]\r\n");
    m->TotalPages = 12;
    m->CopyNo = 2;
    GlobalVariables().Set("CopyName2", Variant("副本"));
    TRecordingCanvas canvas;
    m->Draw(canvas, 1, 1, 0, 0);
    EXPECT_EQ(m->Text(), u"第1页 共12页 副本\r\n");
    GlobalVariables().Clear();
    m->SetText(u"[copyname#]|[totalpages#]");
    m->Draw(canvas, 1, 1, 0, 0);
    EXPECT_EQ(m->Text(), u"|12\r\n");
    m->SetText(u"of [TOTALPAGES]");
    EXPECT_EQ(m->GetComponentText(), "of 12\r\n");
    // A placeholder below lines with no bracket.
    m->SetText(u"a\r\n\r\nb [TotalPages#]");
    m->ExpandPlaceholders();
    EXPECT_EQ(m->Text(), u"a\r\n\r\nb 12\r\n");
}

// Placeholders by the thousand, in any case, next to brackets of their own.
TEST(MemoText, EveryPlaceholderOfALongTextIsFilled)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"");
    std::u16string text, expected;
    for (int i = 0; i < 20000; ++i) {
        text += i % 3 == 0 ? u"[totalpages#]" : i % 3 == 1 ? u"[[TotalPages#]]" : u"页[TOTALPAGES]";
        expected += i % 3 == 0 ? u"7" : i % 3 == 1 ? u"[7]" : u"页[TOTALPAGES]";
    }
    text += u"[TotalPages";
    expected += u"[TotalPages";
    m->SetText(text);
    m->TotalPages = 7;
    m->ExpandPlaceholders();
    EXPECT_EQ(m->Text(), expected + u"\r\n");
}

// A received page may hold a million characters in a one-line title: it
// prints what its box shows, on the printer's scale as on the screen's.
TEST(MemoText, ALongTextDrawsWhatItsBoxShows)
{
    Sample s;
    std::u16string text;
    while (text.size() < 1000000) text += u"华星时代广场A座1201室 logo 70克，";
    for (const bool wrap : {true, false}) {
        TrpMemoView* m = s.memo(wrap ? "Wrapped" : "OneLine", text, 0, 0, 718, 49);
        m->WordWrap = wrap;
        for (const Extended scale : {1.0L, 6.25L}) {
            TRecordingCanvas canvas;
            m->Draw(canvas, scale, scale, 0, 0);
            size_t drawn = 0;
            for (const TCanvasRecord& r : canvas.Records())
                if (r.kind == TCanvasRecord::ExtTextOut) drawn += r.text.size();
            EXPECT_GT(drawn, 50u) << wrap << ' ' << double(scale);
            EXPECT_LT(drawn, 600u) << wrap << ' ' << double(scale);
        }
    }
}

TEST(MemoText, SplitAcrossPagesByParts)
{
    Sample s;
    // Two lines of 15.28 fit.
    TrpMemoView* m = s.memo("Memo1", u"", 10, 0, 60, 34);
    m->SetText(u"first\r\nsecond line is a long one\r\nthird");
    m->InitPart();
    EXPECT_LT(m->DrawPart(), 4);
    EXPECT_EQ(m->Text().rfind(u"first\r\nsecond", 0), 0u);
    EXPECT_EQ(m->Memo()->Count(), 2);
    EXPECT_TRUE(m->LastParaBreak);
    ASSERT_TRUE(m->HasNextPart());
    std::u16string rest = m->Text();
    for (int part = 2; m->HasNextPart() && part < 6; ++part) {
        m->DrawPart();
        if (part == 2) {
            EXPECT_TRUE(m->FirstParaBreak);
        }
        rest += m->Text();
    }
    EXPECT_FALSE(m->HasNextPart());
    EXPECT_FALSE(m->LastParaBreak);
    EXPECT_EQ(m->Text().substr(m->Text().size() - 7), u"third\r\n");
    TrpMemoView ref;
    m->FirstParaBreak = true;
    const std::string diff = m->Diff(&ref);
    EXPECT_NE(diff.find(" FirstParaBreak=\"1\""), std::string::npos);
    EXPECT_EQ(diff.find("LastParaBreak"), std::string::npos);
}

TEST(MemoText, DiffCarriesTheTextAndFormats)
{
    TrpMemoView a, b;
    a.SetText(u"甲 & \"乙\"\r\n<2>\r\n");
    a.DisplayFormat()->Kind = fkNumeric;
    a.DisplayFormat()->FormatStr = "#,##0.00";
    a.HAlign = haBlock;
    EXPECT_EQ(a.Diff(&b), " HAlign=\"3\" DisplayFormat.Kind=\"1\" DisplayFormat.FormatStr=\"#,##0.00\" "
                          "u=\"甲 &#38; &#34;乙&#34;&#13;&#10;&#60;2&#62;\"");
    // Read back through the serializer the prepared pages use.
    TrpXMLSerializer reader;
    TrpMemoView copy;
    reader.ReadProps(nullptr, &copy, a.Diff(&b));
    EXPECT_EQ(copy.Text(), a.Text());
    EXPECT_EQ(copy.HAlign, haBlock);
    EXPECT_EQ(copy.DisplayFormat()->FormatStr, "#,##0.00");
}

TEST(MemoText, StylesApplyColourFontAndFrame)
{
    Sample s;
    TrpStyleItem* style = s.report->Styles()->Add();
    style->SetName("Title");
    style->SetColor(clYellow);
    style->Font()->SetName("黑体");
    style->Frame()->SetTyp({ftBottom});
    TrpMemoView* m = s.memo("Memo1", u"x");
    m->SetStyle("title");
    EXPECT_EQ(m->Color(), clYellow);
    EXPECT_EQ(m->Font()->Name(), "黑体");
    EXPECT_FALSE(m->ParentFont());
    EXPECT_EQ(m->Frame()->Typ(), TrpFrameTyp{ftBottom});
}
