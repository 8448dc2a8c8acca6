// Tokenizer: readers, settings and positions.

#include <gtest/gtest.h>

#include "sc_parser.h"

namespace {

TscParser basicSettings()
{
    TscParser p;
    p.CommentLine1 = '\'';
    p.CommentLine2 = "rem";
    p.SetCommentBlock1("/\\,\\/");
    p.SetCommentBlock2("/\\,\\/");
    p.StringQuotes = '"';
    p.HexSequence = "0x";
    p.SkipEOL = 0;
    p.SkipChar = '_';
    return p;
}

}  // namespace

TEST(Tokenizer, DefaultsSkipEveryCommentKind)
{
    TscParser p;
    p.SetText("  {brace} (* paren-star *) // line\r\nx");
    EXPECT_EQ(p.GetIdent(), "x");
    EXPECT_EQ(p.GetXYPosition(p.LastPosition()), "2:1");
}

TEST(Tokenizer, UnclosedBlockCommentRunsToTheEnd)
{
    TscParser p;
    p.SetText("{ never closed x");
    EXPECT_EQ(p.GetIdent(), "");
    EXPECT_EQ(p.Position(), p.Size() + 1);
}

TEST(Tokenizer, IdentifiersKeywordsAndWords)
{
    TscParser p;
    p.AddKeyword("begin");
    p.SetText("BEGIN _a1 9x");
    EXPECT_EQ(p.GetIdent(), "");  // a keyword, ignoring case
    p.SetPosition(1);
    EXPECT_EQ(p.GetWord(), "BEGIN");
    EXPECT_EQ(p.GetIdent(), "_a1");
    EXPECT_EQ(p.GetIdent(), "");  // starts with a digit
}

TEST(Tokenizer, CaseSensitiveKeywordsMatchExactly)
{
    TscParser p;
    p.CaseSensitive = 1;
    p.AddKeyword("if");
    p.SetText("IF if");
    EXPECT_EQ(p.GetIdent(), "IF");
    EXPECT_EQ(p.GetIdent(), "");
}

TEST(Tokenizer, ExtendedCharsetTakesUtf8Identifiers)
{
    TscParser p;
    p.SetText("\xE5\x90\x8D\xE7\xA7\xB0 := 1");  // 名称
    EXPECT_EQ(p.GetIdent(), "");
    p.AddExtendedCharset();
    p.SetPosition(1);
    EXPECT_EQ(p.GetIdent(), "\xE5\x90\x8D\xE7\xA7\xB0");
    EXPECT_EQ(p.GetChar(), ":");
}

TEST(Tokenizer, MultibyteCharactersNeverEndABraceComment)
{
    // Every byte of a UTF-8 character is 0x80 or above, so none is "}".
    TscParser p;
    p.SetText("{ \xE4\xB8\xAD\xE6\x96\x87 } x");
    EXPECT_EQ(p.GetIdent(), "x");
}

TEST(Tokenizer, PunctuationRanges)
{
    TscParser p;
    p.SetText("; @ [ ` ~ a \x80");
    for (const char* c : {";", "@", "[", "`", "~"}) EXPECT_EQ(p.GetChar(), c);
    EXPECT_EQ(p.GetChar(), "");  // a letter
    p.SetPosition(13);
    EXPECT_EQ(p.GetChar(), "");  // above 126
}

TEST(Tokenizer, NumbersLeaveTheRangePointsUnread)
{
    TscParser p;
    p.SetText("1..5");
    EXPECT_EQ(p.GetNumber(), "1");
    EXPECT_EQ(p.GetChar(), ".");
    EXPECT_EQ(p.GetChar(), ".");
    EXPECT_EQ(p.GetNumber(), "5");
}

TEST(Tokenizer, NumberForms)
{
    TscParser p;
    p.SetText("1.5e-3 2E5 3.x $1F $ 7e");
    EXPECT_EQ(p.GetNumber(), "1.5e-3");
    EXPECT_EQ(p.GetNumber(), "2E5");
    EXPECT_EQ(p.GetNumber(), "3");
    EXPECT_EQ(p.GetChar(), ".");
    EXPECT_EQ(p.GetIdent(), "x");
    EXPECT_EQ(p.GetNumber(), "$1F");
    EXPECT_EQ(p.GetNumber(), "");  // "$" without digits
    EXPECT_EQ(p.GetChar(), "$");
    EXPECT_EQ(p.GetNumber(), "7");  // an exponent needs digits
}

TEST(Tokenizer, HexPrefixIsNormalisedToDollar)
{
    TscParser p;
    p.HexSequence = "0x";
    p.SetText("0x1F 0 $2");
    EXPECT_EQ(p.GetNumber(), "$1F");
    EXPECT_EQ(p.GetNumber(), "0");
    EXPECT_EQ(p.GetNumber(), "");
}

TEST(Tokenizer, PascalStringPieces)
{
    TscParser p;
    p.SetText("'a'#13#10'b' 'it''s' #$41 'open");
    EXPECT_EQ(p.GetString(), "'a\r\nb'");
    EXPECT_EQ(p.GetString(), "'it's'");
    EXPECT_EQ(p.GetString(), "'A'");
    EXPECT_EQ(p.GetString(), "");  // not closed
    EXPECT_EQ(p.GetChar(), "'");   // the position went back to the quote
}

TEST(Tokenizer, CharacterCodesAboveAsciiAreUnicode)
{
    TscParser p;
    p.SetText("#20013#$4E2D");
    EXPECT_EQ(p.GetString(), "'\xE4\xB8\xAD\xE4\xB8\xAD'");
}

TEST(Tokenizer, StringEndsAtLineEnd)
{
    TscParser p;
    p.SetText("'ab\r\ncd'");
    EXPECT_EQ(p.GetString(), "");
    EXPECT_EQ(p.Position(), 1);
}

TEST(Tokenizer, TabInsideStringIsText)
{
    TscParser p;
    p.SetText("'a\tb'");
    EXPECT_EQ(p.GetString(), "'a\tb'");
}

TEST(Tokenizer, BackslashEscapes)
{
    TscParser p;
    p.StringQuotes = '"';
    p.SpecStrChar = 1;
    p.SetText(R"("\x41\"\n\r\\" "\x414")");
    EXPECT_EQ(p.GetString(), "'A\"\n\r\\'");
    // At most two hex digits: a byte, then the digit itself.
    EXPECT_EQ(p.GetString(), "'A4'");
}

TEST(Tokenizer, DoubledQuoteWithoutEscapes)
{
    TscParser p;
    p.StringQuotes = '"';
    p.SetText(R"("say ""hi""")");
    EXPECT_EQ(p.GetString(), "'say \"hi\"'");
}

TEST(Tokenizer, BasicLineContinuationAndEol)
{
    TscParser p = basicSettings();
    p.SetText("a _\r\nb\r\n\r\nc");
    EXPECT_EQ(p.GetIdent(), "a");
    EXPECT_FALSE(p.GetEOL());
    EXPECT_EQ(p.GetIdent(), "b");
    EXPECT_TRUE(p.GetEOL());  // one run of line ends
    EXPECT_EQ(p.GetIdent(), "c");
}

TEST(Tokenizer, UnderscoreStartingAWordIsNoContinuation)
{
    TscParser p = basicSettings();
    p.SetText("_name = 1");
    EXPECT_EQ(p.GetIdent(), "_name");
}

TEST(Tokenizer, BasicCommentsKeepTheLineEnd)
{
    TscParser p = basicSettings();
    p.SetText("x ' note\r\ny");
    EXPECT_EQ(p.GetIdent(), "x");
    EXPECT_TRUE(p.GetEOL());
    EXPECT_EQ(p.GetIdent(), "y");
}

TEST(Tokenizer, RemIsACommentOnlyAsAWholeWord)
{
    TscParser p = basicSettings();
    p.SetText("remain = 1");
    EXPECT_EQ(p.GetIdent(), "remain");
    p.SetText("rem note\r\nREM");
    EXPECT_TRUE(p.GetEOL());
    EXPECT_EQ(p.GetIdent(), "REM");  // upper case opens no comment
}

TEST(Tokenizer, BracketedReportText)
{
    TscParser p;
    p.SetText("a<b>'>'\">\"c>rest");
    EXPECT_EQ(p.GetRPString(), "a<b>'>'\">\"c");
    EXPECT_EQ(p.GetChar(), ">");
    p.SetText("unclosed <");
    EXPECT_EQ(p.GetRPString(), "unclosed < ");  // runs to the end
    EXPECT_EQ(p.Position(), p.Size() + 1);
}

TEST(Tokenizer, Positions)
{
    TscParser p;
    p.SetText("ab\r\ncd\r\nef");
    EXPECT_EQ(p.GetXYPosition(9), "3:1");
    EXPECT_EQ(p.GetXYPosition(1), "1:1");
    EXPECT_EQ(p.GetXYPosition(4), "1:4");  // the line feed belongs to line 1
    EXPECT_EQ(p.GetPlainPosition(1, 3), 9);
    EXPECT_EQ(p.GetPlainPosition(1, 4), -1);
    p.UseY = 0;
    p.SetText("ab\r\ncd\r\nef");
    EXPECT_EQ(p.GetXYPosition(9), "3:1");
}

TEST(Tokenizer, ColumnsCountBytes)
{
    TscParser p;
    p.AddExtendedCharset();
    p.SetText("{\xE4\xB8\xAD} x");
    EXPECT_EQ(p.GetIdent(), "x");
    EXPECT_EQ(p.GetXYPosition(p.LastPosition()), "1:7");
}

TEST(Tokenizer, CommentBlockSetterSplitsAtTheComma)
{
    TscParser p;
    p.SetCommentBlock1("/*,*/");
    EXPECT_EQ(p.CommentBlock1(), "/*,*/");
    p.SetCommentBlock2("<<");
    EXPECT_EQ(p.CommentBlock2(), "<<,");
    p.Clear();
    EXPECT_EQ(p.CommentBlock1(), "{,}");
}

TEST(Tokenizer, ReadsStopAtTheEndOfText)
{
    // Every reader must stay inside the text, whatever is cut off.
    for (const char* text : {"'", "#", "$", "{", "(*", "\"\\", "1e", "1.", "0x"}) {
        TscParser p;
        p.StringQuotes = text[0] == '"' ? '"' : '\'';
        p.SpecStrChar = 1;
        p.SetText(text);
        p.GetString();
        p.GetNumber();
        p.GetIdent();
        p.GetChar();
        p.GetRPString();
        EXPECT_LE(p.Position(), p.Size() + 1) << text;
    }
}
