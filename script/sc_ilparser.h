#pragma once
// The grammar engine: compiles a language grammar once into a node table and
// walks it over a source text with backtracking, writing the intermediate
// program (an XML tree whose elements carry "line:col" source positions).

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sc_parser.h"
#include "sc_xml.h"

class TscScript;

// A grammar compiled from its XML text.
class TscGrammar {
public:
    enum Kind : uint8_t {
        Rule,
        Char,
        Keyword,
        Ident,
        Number,
        String,
        RPString,
        Eol,
        Sequence,
        Switch,
        OptionalSwitch,
        Loop,
        OptionalLoop,
        Optional,
        RuleRef
    };
    enum NodeClass : uint8_t { NoNode, PlainNode, ExprNode, UsesNode };

    struct Node {
        Kind kind = Rule;
        NodeClass nodeClass = NoNode;
        bool noSkipSpace = false;  // char with skip="0"
        bool dropLoopError = false;  // loop with skip="1"
        bool term = false;
        bool hasAdd = false;
        bool hasAddText = false;
        int ruleIndex = -1;  // RuleRef: the rule's node, -1 when undefined
        std::string text;    // lower case
        std::string node;    // lower case
        std::string add;
        std::string addText;
        std::string name;    // element name (the rule name of a rule or reference)
        const std::string* err = nullptr;
        std::vector<int> children;
    };

    // Raises "Invalid language definition" when the text is no grammar.
    static std::shared_ptr<const TscGrammar> Compile(const std::string& xml);

    // Tokenizer settings of the language (after TscParser::Clear).
    void ApplySettings(TscParser& parser) const;

    std::string LanguageName;
    bool DeclareVars = true;
    std::vector<Node> Nodes;
    int ProgramRule = -1;
    TscXMLDocument Document;
    const TscXMLItem* Types = nullptr;  // the grammar's "types" element (may be empty)

private:
    struct Setting {
        std::string name;
        std::string value;
    };
    std::vector<Setting> settings_;
    std::shared_ptr<const TscKeywordSet> keywords_;
    std::vector<std::unique_ptr<std::string>> errors_;
};

class TscILParser {
public:
    explicit TscILParser(TscScript* script);
    ~TscILParser();
    TscILParser(const TscILParser&) = delete;
    TscILParser& operator=(const TscILParser&) = delete;

    // Selects a registered language ("Language '%s' not found" otherwise).
    void SelectLanguage(const std::string& name);
    // First compile stage. True when the program matched with no error;
    // leaves the script's ErrorMsg, ErrorPos (and ErrorUnit for a used unit).
    // Selects the script's SyntaxType when no language is selected yet.
    bool MakeILScript(const std::string& text);
    // The intermediate program as the writer indents it (for tools and tests).
    std::string ILText() const;
    // Second compile stage (see sc_ilbuilder.cpp): builds the program's
    // variables, procedures and statements into the script. A semantic
    // error becomes the script's ErrorMsg, ErrorPos and ErrorUnit.
    void ParseILScript();

    TscXMLDocument ILScript;
    std::string LangName;
    uint8_t NeedDeclareVars = 1;
    TscParser Parser;
    TscScript* Program;
    std::shared_ptr<const TscGrammar> Grammar;
    // State the program builder works with.
    std::string CurrentPos;
    const TscXMLItem* ILTypes = nullptr;
    std::string UnitName;
    std::vector<std::string> UsedUnits;
    std::vector<std::string> WithList;
    // The source texts of the program (under "") and of its used units (by
    // unit name in upper case), for the source text of expressions.
    std::map<std::string, std::shared_ptr<const std::string>> Sources;
    // Grammar elements run by the last MakeILScript (its units included).
    uint64_t Steps() const { return steps_; }

private:
    struct Line {
        enum Kind : uint8_t { Open, Close, Empty, UsesOpen, Types };
        explicit Line(Kind k = Empty) : kind(k) {}
        Kind kind;
        bool hasText = false;
        bool hasPos1 = false;
        std::string_view name;
        std::string text;
        int line = 0, col = 0, line1 = 0, col1 = 0;
        const TscGrammar* grammar = nullptr;  // Types
    };

    // The first error; numbered (errVersion_) so that a failed rule's
    // effect on it can be remembered and replayed. Cheap to copy: texts are
    // the grammar's, the engine's or kept in unitTexts_.
    struct ErrorState {
        bool recorded = false;
        bool term = false;
        const std::string* msg = nullptr;
        int pos = 0;                         // in this text, after white space
        const std::string* where = nullptr;  // "line:col" in a used unit
    };
    // A rule that failed at a position, entered with error state `in`,
    // fails there again and leaves error state `out`.
    struct Failure {
        uint32_t in;
        uint32_t out;
    };

    bool makeLines(const std::string& text);
    bool run(int index);
    [[gnu::noinline]] bool runTerminal(const TscGrammar::Node& e, int oldPos);
    [[gnu::noinline]] bool failedBefore(int index, int position);
    [[gnu::noinline]] void rememberFailure(int index, int position, uint32_t errorIn, uint64_t steps, uint32_t units);
    void rewind(int oldPos, size_t oldCount, uint32_t units);
    void restoreError(uint32_t version);
    bool runLoop(const TscGrammar::Node& e, int oldPos);
    void recordError(const TscGrammar::Node& e, int oldPos);
    void recordMessage(const std::string& message, int position);
    void clearError();
    void errorChanged();
    std::string errorMessage() const;
    std::string errorPosition() const;
    void abortNesting(int position);
    [[gnu::noinline]] void finishNode(const TscGrammar::Node& e, int oldPos, size_t oldCount, bool success);
    void appendEmpty(std::string_view name, std::string text, int position);
    [[gnu::noinline]] void appendAdded(const TscGrammar::Node& e, std::string_view token);
    void writeRPString(const std::string& text);
    void includeUnits(size_t oldCount);
    void includeUnit(const std::string& unitName);
    std::string readUnitText(const std::string& unitName);
    void buildTree();
    bool matches(const TscGrammar::Node& e, const std::string& token) const;
    std::string readTerminal(const TscGrammar::Node& e);

    std::vector<Line> lines_;
    std::vector<std::shared_ptr<const TscGrammar>> keepAlive_;  // grammars of used units
    ErrorState err_;
    std::deque<std::string> unitTexts_;
    bool isUnit_ = false;
    // Set when nesting exhausts the depth bound or the stack: the compile
    // fails with that error whatever alternatives remain.
    bool aborted_ = false;
    int depth_ = 0;
    uint64_t steps_ = 0;
    uint32_t unitsIncluded_ = 0;
    std::vector<ErrorState> errStates_;
    uint32_t errVersion_ = 0;
    std::unordered_map<uint64_t, Failure> failures_;  // key: rule index << 32 | position
    std::vector<uint8_t> ruleHasFailure_;
};

// Deepest recursion of the grammar engine (rule calls and structure).
constexpr int scMaxGrammarDepth = 4000;

// One-call front end for tools and tests: the intermediate program text of
// source in a language, or false with the error state.
struct TscILResult {
    bool ok = false;
    std::string il;
    std::string errorMsg;
    std::string errorPos;
    std::string errorUnit;
    uint64_t steps = 0;  // grammar elements run
};
TscILResult scMakeIL(const std::string& source, const std::string& language, bool extendedCharset = true,
                     const std::vector<std::string>& includePath = {std::string()});
