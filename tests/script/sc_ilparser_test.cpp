// Grammar engine semantics, the language registry and used units.

#include <gtest/gtest.h>

#include <map>

#include "Exceptions.h"
#include "sc_compact.h"
#include "sc_ilparser.h"
#include "sc_interpreter.h"
#include "sc_tools.h"

using sctest::compact;
using sctest::compile;
using sctest::Compiled;

namespace {

std::string grammar(const std::string& rules, const std::string& parserExtra = "")
{
    return "<?xml version=\"1.0\"?><language text=\"T\"><parser>" + parserExtra +
           "<keywords><begin/><end/></keywords><errors><err1 text=\"First\"/><err2 text=\"Second\"/></errors>"
           "</parser><types/><empty/>" +
           rules + "</language>";
}

Compiled compileWith(const std::string& rules, const std::string& text, const std::string& parserExtra = "")
{
    scRegisterStandardLanguages();
    scRegisterLanguage("EngineTest", grammar(rules, parserExtra));
    TscScript script;
    return compile(script, "EngineTest", text);
}

Compiled pascal(const std::string& text)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.ExtendedCharset = 1;
    return compile(script, "PascalScript", text);
}

}  // namespace

TEST(GrammarEngine, FirstRecordedErrorWinsEvenInASucceedingAlternative)
{
    const auto c = compileWith(
        "<program><switch><sequence><ident/><ident err=\"err1\"/></sequence><sequence><ident/><number/></sequence></switch>"
        "</program>",
        "a 1");
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.error, "1:3: First");
}

TEST(GrammarEngine, LoopKeepsThePartialOutputOfItsLastPass)
{
    const auto c = compileWith("<program><loop><ident add=\"i\"/><number add=\"n\"/></loop></program>", "a 1 b");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "i(a) n(1) i(b)");
}

TEST(GrammarEngine, LoopClearsATermError)
{
    const std::string rules = "<program><loop><ident add=\"i\" err=\"err1\" term=\"1\"/><char text=\";\"/></loop></program>";
    const auto c = compileWith(rules, "a; b; 5");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "i(a) i(b)");
    // Without term the error stays and fails the compile.
    const auto strict = compileWith("<program><loop><ident add=\"i\" err=\"err1\"/><char text=\";\"/></loop></program>", "a; 5");
    EXPECT_EQ(strict.error, "1:4: First");
    // skip="1" on the loop drops it too.
    const auto skipped =
        compileWith("<program><loop skip=\"1\"><ident add=\"i\" err=\"err1\"/><char text=\";\"/></loop></program>", "a; 5");
    EXPECT_TRUE(skipped.ok);
}

TEST(GrammarEngine, SingleFailedPassKeepsTheError)
{
    const auto c = compileWith("<program><loop><ident err=\"err1\" term=\"1\"/></loop></program>", "5");
    EXPECT_EQ(c.error, "1:1: First");
}

TEST(GrammarEngine, LoopSeparator)
{
    const auto c = compileWith("<program><loop text=\",\"><ident add=\"i\"/></loop><char text=\";\"/></program>", "a, b ,c;");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "i(a) i(b) i(c)");
}

TEST(GrammarEngine, NodeOnATerminalIsAnEmptyMarkerBeforeItsChildren)
{
    const auto c = compileWith("<program><keyword text=\"begin\" node=\"mark\"><ident add=\"i\"/></keyword></program>", "begin x");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "mark i(x)");
}

TEST(GrammarEngine, NodeOnARuleReferenceWrapsTheRule)
{
    const auto c = compileWith("<program><item node=\"wrap\"/></program><item><ident add=\"i\"/><number add=\"n\"/></item>", "a 1");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "wrap{i(a) n(1)}");
}

TEST(GrammarEngine, FailedElementsDropTheirOutput)
{
    // With or without a node: the text is read again by the next alternative.
    for (const char* node : {" node=\"x\"", ""}) {
        const std::string rules = std::string("<program><switch><a/><b/></switch></program><a") + node +
                                  "><ident add=\"i\"/><number/></a><b><ident add=\"j\"/></b>";
        EXPECT_EQ(compileWith(rules, "q").il, "j(q)") << node;
    }
    const auto c = compileWith("<program><optional><ident add=\"i\"/><number/></optional><ident add=\"j\"/></program>", "a b");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "j(a)");
}

TEST(GrammarEngine, AddTextReplacesTheToken)
{
    const auto c = compileWith("<program><char text=\"&#60;\"/><char text=\"&#62;\" skip=\"0\" add=\"op\" addtext=\"&#60;&#62;\"/></program>", "< >");
    EXPECT_FALSE(c.ok);  // skip="0": no white space before the second character
    const auto d = compileWith("<program><char text=\"&#60;\"/><char text=\"&#62;\" skip=\"0\" add=\"op\" addtext=\"&#60;&#62;\"/></program>", "<>");
    EXPECT_EQ(d.il, "op(<>)");
}

TEST(GrammarEngine, SwitchRecordsItsOwnError)
{
    const auto c = compileWith("<program><ident/><switch err=\"err2\"><number/><string/></switch></program>", "a b");
    EXPECT_EQ(c.error, "1:3: Second");
}

TEST(GrammarEngine, CaseSensitiveLanguage)
{
    const std::string rules = "<program><keyword text=\"begin\" add=\"k\"/></program>";
    EXPECT_TRUE(compileWith(rules, "BEGIN").ok);
    EXPECT_FALSE(compileWith(rules, "BEGIN", "<casesensitive text=\"1\"/>").ok);
}

TEST(GrammarEngine, UndefinedRuleIsAnInvalidLanguage)
{
    EXPECT_THROW(compileWith("<program><missing/></program>", "x"), Exception);
    try {
        compileWith("<program><missing/></program>", "x");
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Invalid language definition");
    }
}

TEST(GrammarEngine, StartRuleFailingWithoutAnErrorIsNoSuccess)
{
    const auto c = compileWith("<program><number/></program>", "x");
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.error, "1:1: Syntax error");
}

TEST(GrammarEngine, TypesAreCopiedIntoTheProgram)
{
    scRegisterStandardLanguages();
    scRegisterLanguage("TypedTest",
                       "<?xml version=\"1.0\"?><language><parser/><types><int type=\"integer\"/></types>"
                       "<program><ident/></program></language>");
    TscScript script;
    TscILParser parser(&script);
    parser.SelectLanguage("TypedTest");
    ASSERT_TRUE(parser.MakeILScript("x"));
    const TscXMLItem* root = parser.ILScript.Root();
    ASSERT_EQ(root->Count(), 1);
    EXPECT_EQ(compact(root->Items(0)), "types{int}");
    EXPECT_EQ(root->Items(0)->Items(0)->Prop("type"), "integer");
    EXPECT_EQ(parser.ILTypes, root->Items(0));
}

TEST(GrammarEngine, NestingIsBounded)
{
    const std::string deep = "begin x := " + std::string(5000, '(') + "1" + std::string(5000, ')') + " end.";
    const auto c = pascal(deep);
    EXPECT_FALSE(c.ok);
    EXPECT_NE(c.error.find("Program nested too deeply"), std::string::npos) << c.error;
}

TEST(Registry, ReRegisteringReplaces)
{
    scRegisterStandardLanguages();
    scRegisterLanguage("ReplaceTest", grammar("<program><number/></program>"));
    TscScript script;
    EXPECT_TRUE(compile(script, "ReplaceTest", "1").ok);
    scRegisterLanguage("replacetest", grammar("<program><ident/></program>"));
    EXPECT_FALSE(compile(script, "ReplaceTest", "1").ok);
    EXPECT_TRUE(compile(script, "REPLACETEST", "a").ok);
}

TEST(Registry, UnknownLanguage)
{
    try {
        scGetLanguage("Cobol");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Language 'Cobol' not found");
    }
    TscScript script;
    TscILParser parser(&script);
    EXPECT_THROW(parser.SelectLanguage("Cobol"), Exception);
}

TEST(Registry, GrammarThatIsNoXmlIsInvalid)
{
    scRegisterLanguage("BrokenTest", "not xml");
    EXPECT_THROW(scGetCompiledLanguage("BrokenTest"), Exception);
}

TEST(LanguageLine, ChoosesTheGrammarOfTheText)
{
    scRegisterStandardLanguages();
    scRegisterLanguage("NumbersOnly", grammar("<program><loop><number add=\"n\"/></loop></program>"));
    TscScript script;
    script.SyntaxType = "PascalScript";
    TscILParser parser(&script);
    ASSERT_TRUE(parser.MakeILScript("#language NumbersOnly\r\n1 2"));
    EXPECT_EQ(parser.LangName, "NumbersOnly");
    EXPECT_EQ(compact(parser.ILScript.Root()->Items(0)), "n(1)");
    EXPECT_EQ(parser.ILScript.Root()->Items(0)->Prop("pos"), "2:2");
}

TEST(LanguageLine, OneLineTextStartsAtItsEnd)
{
    scRegisterStandardLanguages();
    scRegisterLanguage("NumbersOrNothing", grammar("<program><optionalloop><number add=\"n\"/></optionalloop></program>"));
    TscScript script;
    TscILParser parser(&script);
    EXPECT_TRUE(parser.MakeILScript("#LANGUAGE NumbersOrNothing"));
    EXPECT_EQ(parser.ILScript.Root()->Count(), 1);  // only the types
    EXPECT_THROW(parser.MakeILScript("#language Nowhere\n1"), Exception);
}

TEST(Units, IncludedOnceAndNestedInUses)
{
    scRegisterStandardLanguages();
    TscScript script;
    std::map<std::string, std::string> units = {
        {"a.pas", "var a: Integer; begin end."},
        {"b.pas", "uses 'a.pas'; var b: Integer; begin end."},
    };
    int asked = 0;
    script.OnGetUnit = [&](TscScript*, const std::string& name, std::string& text) {
        ++asked;
        text = units[name];
    };
    const auto c = compile(script, "PascalScript", "uses 'a.pas', 'b.pas'; begin end.");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(c.il,
              "uses(a.pas){var{ident(a) type(Integer)} compoundstmt types} "
              "uses(b.pas){var{ident(b) type(Integer)} compoundstmt types} compoundstmt");
}

TEST(Units, ErrorInAUnitNamesTheUnit)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.OnGetUnit = [](TscScript*, const std::string& name, std::string& text) {
        text = name == "inner.pas" ? "begin\r\n  x := ;\r\nend." : "uses 'inner.pas'; begin end.";
    };
    const auto c = compile(script, "PascalScript", "uses 'outer.pas';\r\nbegin end.");
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.error, "2:8: Expression expected");
    EXPECT_EQ(script.ErrorUnit, "inner.pas");
    // A later good compile forgets the unit.
    script.OnGetUnit = nullptr;
    EXPECT_TRUE(compile(script, "PascalScript", "begin end.").ok);
    EXPECT_EQ(script.ErrorUnit, "");
}

TEST(Units, MissingFileRaisesAFileError)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.IncludePath = {"/nonexistent-folder"};
    EXPECT_THROW(compile(script, "PascalScript", "uses 'nothere.pas'; begin end."), EFOpenError);
    // A device (which would never end) or a folder is no unit either.
    TscScript plain;
    EXPECT_THROW(compile(plain, "PascalScript", "uses '/dev/zero'; begin end."), EFOpenError);
    EXPECT_THROW(compile(plain, "PascalScript", "uses '/tmp'; begin end."), EFOpenError);
}

TEST(Units, ReadFromTheIncludePath)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.IncludePath = {"/nonexistent-folder", std::string(SCRIPT_TEST_DATA) + "/pascal"};
    const auto c = compile(script, "PascalScript", "uses 'unit_shapes.pas'; begin end.");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il.rfind("uses(unit_shapes.pas){", 0), 0u) << c.il;
}

TEST(PascalEngine, WorkedExample)
{
    TscScript script;
    scRegisterStandardLanguages();
    TscILParser parser(&script);
    parser.SelectLanguage("PascalScript");
    ASSERT_TRUE(parser.MakeILScript("begin x := 1 end."));
    EXPECT_EQ(parser.ILText(),
              "<?xml version=\"1.0\"?>\r\n<program>\r\n  <compoundstmt pos=\"1:1\">\r\n    <assignstmt pos=\"1:7\">\r\n"
              "      <dsgn pos=\"1:7\">\r\n        <node text=\"x\" pos=\"1:8\"/>\r\n      </dsgn>\r\n"
              "      <expr pos=\"1:12\" pos1=\"1:13\">\r\n        <number text=\"1\" pos=\"1:13\"/>\r\n      </expr>\r\n"
              "    </assignstmt>\r\n  </compoundstmt>\r\n  <types/>\r\n</program>\r\n");
    EXPECT_EQ(script.ErrorMsg, "");
    EXPECT_EQ(script.ErrorPos, "");
}

TEST(PascalEngine, VarSectionEndedByBegin)
{
    EXPECT_TRUE(pascal("var a, b: Integer;\r\nbegin end.").ok);
}

TEST(PascalEngine, MissingThen)
{
    EXPECT_EQ(pascal("begin if a b := 1 end.").error, "1:12: 'THEN' expected");
}

TEST(PascalEngine, ReportTextBecomesACallOfGet)
{
    const auto c = pascal("begin x := <Order.\"Name\"> end.");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "compoundstmt{assignstmt{dsgn{node(x)} expr{dsgn{node(Get) expr{string('Order.\"Name\"')}}}}}");
}

TEST(PascalEngine, TextAfterTheFinalPointIsIgnored)
{
    EXPECT_TRUE(pascal("begin end. anything ( at all").ok);
}

TEST(PascalEngine, ErrorPositionCountsBytesAfterAUtf8Comment)
{
    // 注释 is six bytes.
    EXPECT_EQ(pascal("begin\r\n  { \xE6\xB3\xA8\xE9\x87\x8A }\r\n  { \xE6\xB3\xA8 } x := ;\r\nend.").error,
              "3:16: Expression expected");
}

TEST(PascalEngine, ReportExpressionWrapper)
{
    const auto c = pascal("function rpf0: Variant; begin Result := [Price] * 2 end; begin end.");
    ASSERT_TRUE(c.ok) << c.error;
}

TEST(PascalEngine, KeywordsIgnoreCase)
{
    EXPECT_TRUE(pascal("BEGIN IF A THEN B ELSE C END.").ok);
}
