// Expressions: the order in which names are looked up, the system values,
// the cache of compiled functions, the report's script functions and the
// errors Calc composes.
#include <gtest/gtest.h>

#include "ObjectTestUtil.h"
#include "rpExpressions.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpRes.h"
#include "rpVariables.h"
#include "sc_const.h"
#include "sc_interpreter.h"

using namespace object_test;

namespace {

// A report on the first order and its lines, prepared with a script.
struct Prepared : Window {
    TrpReport& r = *rpReport1;
    explicit Prepared(const std::string& script = "begin\r\nend.", const std::string& language = "PascalScript")
    {
        LoadReportStringTable();
        r.DataSets()->Add()->SetDataSet(rpDBDataset1);
        r.DataSets()->Add()->SetDataSet(rpDBDataset2);
        selectOrder(kFirstOrder);
        r.ScriptLanguage = language;
        r.ScriptText()->SetText(script);
        EXPECT_TRUE(r.PrepareScript()) << r.Errors.Text();
        r.DataSets()->Initialize();
    }
    std::string text(const std::string& expression) { return VarToStr(r.Calc(expression)); }
    // The message Calc raised, "" when it raised none.
    std::string error(const std::string& expression)
    {
        try {
            r.Calc(expression);
        } catch (const std::exception& e) {
            return e.what();
        }
        return std::string();
    }
};

struct Pages : TrpPageNumbering {
    int CurPage() const override { return 2; }
    int LogicalPageNo() const override { return 1; }
    int LogicalTotalPages() const override { return 4; }
};

}  // namespace

TEST(Expressions, EachLookUpAnswersBeforeTheNext)
{
    Prepared p("var Counter: Integer;\r\nprocedure Bump; begin end;\r\nbegin Counter := 4; end.");
    p.r.Script()->Execute();
    // Each name is known to the step that must answer and to a later one.
    p.r.Variables()->Set("rpDBDataset1.\"khmc\"", "'variable'");
    p.r.Variables()->Set("Page#", "'variable'");
    p.r.Variables()->Set("Hook", "'variable'");
    p.r.Variables()->Set("V", "2+3");
    p.r.Variables()->Set("Two lines", "a\r\nb");
    GlobalVariables().Set("V", 9);
    GlobalVariables().Set("Counter", 8);
    p.r.OnGetValue = [](const std::string& name, Variant& value) {
        if (name == "Hook") value = Variant("event");
    };
    Pages pages;
    p.r.PageNumbering = &pages;
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {
        {"rpDBDataset1.\"khmc\"", "华南贸易有限公司"},  // the field, not the variable
        {"Page#", "3"},                                // the system value
        {"page#", "variable"},                         // system names keep their case
        {"Hook", "event"},                             // the event before the variable
        {"V", "5"},                                    // the report's variable, computed
        {"Two lines", "a\r\nb"},                        // ... unless it holds lines
        {"Counter", "8"},                              // the global variable before the script's
        {"Counter + 0", "4"},                          // the script's own, through the cache
    };
    for (const auto& c : cases) EXPECT_EQ(p.text(c.expression), c.value) << c.expression;
    Variant value;
    EXPECT_FALSE(p.r.GetScriptValue("Bump", value)) << "procedures are not values";
    GlobalVariables().Clear();
}

TEST(Expressions, SystemValues)
{
    Prepared p;
    Pages pages;
    TrpCustomEngine& e = *p.r.Engine();
    e.StartDate = 46000;
    e.StartTime = 0.5;
    e.TotalPages = 7;
    e.CurLine = 2;
    e.CurLineThrough = 12;
    GlobalVariables().Set("CopyName0", "副本");
    EXPECT_EQ(p.text("Page#"), "0") << "no prepared pages yet";
    p.r.PageNumbering = &pages;
    const std::pair<const char*, const char*> cases[] = {
        {"Page", "1"}, {"Page#", "3"},  {"TotalPages", "4"},   {"TotalPages#", "7"},
        {"Line", "2"}, {"Line#", "12"}, {"CopyName#", "副本"},
    };
    for (const auto& [name, value] : cases) EXPECT_EQ(p.text(name), value) << name;
    // Apart, so that a swap of the two fails.
    for (const auto& [name, value] : {std::pair{"Date", 46000.0}, std::pair{"Time", 0.5}}) {
        EXPECT_EQ(p.r.Calc(name).type(), varDate) << name;
        EXPECT_EQ(p.r.Calc(name).toDouble(), value) << name;
    }
    GlobalVariables().Clear();
}

TEST(Expressions, AVariableNamingItselfIsAnErrorNotARecursion)
{
    Prepared p;
    p.r.Variables()->Set("A", "A");
    p.r.Variables()->Set("B", "<C> + 1");
    p.r.Variables()->Set("C", "<B>");
    EXPECT_EQ(p.error("A"), "A: circular variable reference");
    p.r.Errors.Clear();
    p.r.CurObject = "Memo3";
    EXPECT_EQ(p.error("B"), "Memo3: B: circular variable reference");
    EXPECT_EQ(p.r.Errors.Text(), "Memo3: B: circular variable reference\r\n") << "one line, not one per level";
}

TEST(Expressions, FieldsAndNulls)
{
    Prepared p;
    // The order sheet's amount: two texts multiplied as numbers.
    EXPECT_EQ(p.text("<rpDBDataset2.\"dj\">*<rpDBDataset2.\"sl\">"), "37.5");
    EXPECT_EQ(p.text("rpDBDataset1.\"je\""), "42.50") << "text columns print what is stored";

    p.db.execute("CREATE TABLE nums (n REAL, t TEXT, b BOOLEAN)");
    p.db.execute("INSERT INTO nums VALUES (NULL, NULL, NULL)");
    db::Query q(p.db);
    q.setSql("select * from nums");
    auto* nums = p.dataset("Nums", q);
    p.r.DataSets()->Add()->SetDataSet(nums);
    const std::pair<const char*, Variant> converted[] = {
        {"Nums.\"n\"", Variant(0)}, {"Nums.\"t\"", Variant("")}, {"Nums.\"b\"", Variant(false)}};
    for (const auto& [expression, value] : converted) {
        const Variant v = p.r.Calc(expression);
        EXPECT_EQ(v.type(), value.type()) << expression;
        EXPECT_TRUE(VarEquals(v, value)) << expression;
    }
    p.r.EngineOptions()->ConvertNulls = false;
    for (const auto& c : converted) EXPECT_TRUE(p.r.Calc(c.first).isNull()) << c.first;
}

TEST(Expressions, OnlyAPureFieldReferenceTakesTheShortWay)
{
    Prepared p;
    // Two references joined, a field the dataset lacks and a dataset the
    // report does not list all go to the compiler.
    for (const char* expression : {"rpDBDataset1.\"khmc\" + rpDBDataset1.\"lxr\"", "rpDBDataset1.\"nosuch\"",
                                   "rpDBDataset3.\"khmc\""}) {
        p.r.Errors.Clear();
        EXPECT_EQ(p.error(expression).rfind("运算式错误 '" + std::string(expression) + "': ", 0), 0u) << expression;
        EXPECT_EQ(p.r.Errors.Text().find("字段不存在"), std::string::npos) << expression;
    }
    // The field the dataset lacks is named as such, not as the syntax
    // error its text would be to the compiler.
    EXPECT_EQ(p.error("rpDBDataset1.\"nosuch\""),
              "运算式错误 'rpDBDataset1.\"nosuch\"': 未知的变量或数据库字段: rpDBDataset1.\"nosuch\"");
    EXPECT_EQ(p.text("<rpDBDataset1.\"lxr\"> + '/' + <rpDBDataset1.\"zdr\">"), "王经理/张三");
    EXPECT_EQ(p.error("<nosuch>"), "未知的变量或数据库字段: nosuch") << "Get names what it could not find";
}

TEST(Expressions, EachTextCompilesOnceAndFailuresLeaveNoFunction)
{
    Prepared p;
    TrpExpressionCache& cache = *p.r.ExpressionCache();
    EXPECT_EQ(p.text("'A' + 'b'"), "Ab");
    EXPECT_EQ(p.text("'A' + 'b'"), "Ab");
    EXPECT_EQ(p.text("'a' + 'b'"), "ab");
    EXPECT_EQ(cache.Count(), 2) << "'A' and 'a' are two texts";
    EXPECT_EQ(cache.Compiles(), 2);

    EXPECT_NE(p.error("1 +"), "");
    EXPECT_EQ(cache.Count(), 2);
    EXPECT_EQ(cache.Script()->FindLocal("rpf2"), nullptr);
    EXPECT_EQ(p.text("3 * 4"), "12");
    EXPECT_NE(cache.Script()->FindLocal("rpf2"), nullptr) << "the number is used again";
    EXPECT_EQ(cache.Script()->FindLocal("rpf3"), nullptr);
}

TEST(Expressions, CompilingIsLinearInTheNumberOfTexts)
{
    Prepared p;
    TrpExpressionCache& cache = *p.r.ExpressionCache();
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(p.r.Calc(std::to_string(i) + " + 1").toInt(), i + 1);
        // The compiler sees the new function only, never the earlier ones.
        ASSERT_EQ(cache.Script()->Lines.size(), 1u);
        ASSERT_EQ(cache.Script()->Lines[0].find("rpf" + std::to_string(i) + ":"), 9u);
    }
    EXPECT_EQ(cache.Compiles(), 500);
    EXPECT_EQ(cache.Count(), 500);
    EXPECT_EQ(p.r.Calc("0 + 1").toInt(), 1);
    EXPECT_EQ(cache.Compiles(), 500);
}

TEST(Expressions, TheSameTextUnderTwoProceduresSeesEachOnesLocals)
{
    Prepared p("procedure P1; var x: Integer; begin x := 1; Set('r1', IIF(x > 0, x * 10, 0)); end;\r\n"
               "procedure P2; var x: Integer; begin x := 2; Set('r2', IIF(x > 0, x * 10, 0)); end;\r\n"
               "begin P1; P2; end.");
    p.r.Script()->Execute();
    EXPECT_EQ(VarToStr(p.r.Variables()->Get("r1")), "10");
    EXPECT_EQ(VarToStr(p.r.Variables()->Get("r2")), "20");
    EXPECT_EQ(p.r.Script()->IsMainProg, 1) << "restored after every cached call";
}

TEST(Expressions, IIFEvaluatesOnlyTheBranchTaken)
{
    Prepared p;
    EXPECT_EQ(p.text("IIF(False, 1/0, 2)"), "2");
    EXPECT_EQ(p.text("IIF(<rpDBDataset2.\"sl\"> = '3', 'three', 1/0)"), "three");
    EXPECT_EQ(p.r.Errors.Count(), 0);
}

TEST(Expressions, DivisionByZeroIsAnErrorUnlessIgnored)
{
    Prepared p;
    p.r.CurObject = "Memo22";
    EXPECT_EQ(p.error("1/0"), "Memo22: Floating point division by zero");
    EXPECT_EQ(p.r.Errors.Text(), "Memo22: Floating point division by zero\r\n");
    p.r.Errors.Clear();
    p.r.EngineOptions()->IgnoreDevByZero = true;
    EXPECT_EQ(p.error("1/0"), "");
    EXPECT_TRUE(p.r.Calc("1/0").isEmpty());
    EXPECT_EQ(p.error("1 div 0"), "Memo22: Division by zero") << "only the float text is ignored";
    p.r.Errors.Clear();
    // From a script: its own prefix, and the script may handle it.
    try {
        p.r.CalcFromScript("1 div 0");
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "Error in Calc expression: Division by zero");
    }
    EXPECT_EQ(p.r.Errors.Count(), 0);
}

TEST(Expressions, EveryLanguageWritesItsOwnFunction)
{
    for (const char* language : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
        Prepared p(SameText(language, "BasicScript") ? "" : SameText(language, "PascalScript") ? "begin end." : "{}",
                   language);
        EXPECT_EQ(p.text("<rpDBDataset2.\"sl\"> * 2"), "6") << language;
        EXPECT_EQ(p.text("IIF(1 > 2, 10, 20)"), "20") << language;
    }
    Prepared p;
    p.r.ExpressionCache()->Language = "Logo";
    EXPECT_EQ(p.error("1 + 1"), "运算式错误 '1 + 1': Language 'Logo' not found");
}

TEST(Expressions, AggregatesAreNullUntilTheEngineAnswers)
{
    Prepared p;
    for (const char* expression : {"SUM(<rpDBDataset2.\"sl\">)", "COUNT()", "MAX(<rpDBDataset2.\"dj\">, 0, 1)", "<SUM(1)>"})
        EXPECT_TRUE(p.r.Calc(expression).isNull()) << expression;
}

TEST(Expressions, ScriptMessagesComeInTheTablesLanguage)
{
    registerReportResources();
    Prepared p;
    EXPECT_NE(p.error("Nobody + 1").find("标识符未宣告"), std::string::npos);
    p.r.ScriptText()->SetText("begin Nobody := 1; end.");
    EXPECT_FALSE(p.r.PrepareScript());
    EXPECT_NE(p.r.Errors.Text().find("Script 错误在 1:7: 标识符未宣告"), std::string::npos) << p.r.Errors.Text();
    scMessages() = TscMessages();
}

TEST(Expressions, PreparingAgainReplacesWhatTheReportAdded)
{
    // The script's own variable would be declared twice if it stayed.
    Prepared p("var Total: Integer;\r\nbegin Total := 1; end.");
    auto* memo = new TrpMemoView(new TrpDataPage(&p.r));
    memo->SetName("Memo1");
    EXPECT_TRUE(p.r.PrepareScript()) << p.r.Errors.Text();
    EXPECT_TRUE(p.r.PrepareScript()) << p.r.Errors.Text();
    EXPECT_TRUE(VariantToObject(p.r.Calc("Memo1")) == memo);
    EXPECT_TRUE(VariantToObject(p.r.Calc("Report")) == &p.r);
    p.r.SetScriptValue(Variant(12));
    EXPECT_EQ(p.text("Value + 1"), "13");
    EXPECT_EQ(p.r.ExpressionCache()->Count(), 1);
}
