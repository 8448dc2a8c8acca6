#include "sc_ilparser.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unordered_map>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_const.h"
#include "sc_interpreter.h"
#include "sc_stack.h"
#include "sc_tools.h"

namespace {

std::string asciiLower(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

[[noreturn]] void invalidLanguage()
{
    throw Exception(scMessages().InvalidLanguage);
}

TscGrammar::Kind kindOf(const std::string& name)
{
    static const std::unordered_map<std::string, TscGrammar::Kind> kinds = {
        {"char", TscGrammar::Char},
        {"keyword", TscGrammar::Keyword},
        {"ident", TscGrammar::Ident},
        {"number", TscGrammar::Number},
        {"string", TscGrammar::String},
        {"rpstring", TscGrammar::RPString},
        {"eol", TscGrammar::Eol},
        {"sequence", TscGrammar::Sequence},
        {"switch", TscGrammar::Switch},
        {"optionalswitch", TscGrammar::OptionalSwitch},
        {"loop", TscGrammar::Loop},
        {"optionalloop", TscGrammar::OptionalLoop},
        {"optional", TscGrammar::Optional},
    };
    const auto found = kinds.find(name);
    return found == kinds.end() ? TscGrammar::RuleRef : found->second;
}

// Counts the engine's nesting while an element runs.
struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

// Names written into the intermediate program by the engine itself.
constexpr std::string_view kDsgn = "dsgn";
constexpr std::string_view kNode = "node";
constexpr std::string_view kExpr = "expr";
constexpr std::string_view kString = "string";
constexpr std::string_view kUses = "uses";

}  // namespace

// ---------------------------------------------------------------- grammar

std::shared_ptr<const TscGrammar> TscGrammar::Compile(const std::string& xml)
{
    auto grammar = std::make_shared<TscGrammar>();
    try {
        grammar->Document.LoadFromString(xml);
    } catch (const Exception&) {
        invalidLanguage();
    }
    const TscXMLItem* root = grammar->Document.Root();
    if (!SameText(root->Name, "language")) invalidLanguage();
    grammar->LanguageName = root->Prop("text");

    std::unordered_map<std::string, std::string> errorTexts;
    auto keywords = std::make_shared<TscKeywordSet>();
    std::unordered_map<std::string, int> ruleIndex;
    std::vector<std::pair<int, const TscXMLItem*>> pending;  // node index, element

    for (int i = 0; i < root->Count(); ++i) {
        const TscXMLItem* child = root->Items(i);
        const std::string name = asciiLower(child->Name);
        if (name == "parser") {
            for (int j = 0; j < child->Count(); ++j) {
                const TscXMLItem* setting = child->Items(j);
                const std::string settingName = asciiLower(setting->Name);
                if (settingName == "keywords") {
                    for (int k = 0; k < setting->Count(); ++k)
                        keywords->words.insert(asciiLower(setting->Items(k)->Name));
                } else if (settingName == "errors") {
                    for (int k = 0; k < setting->Count(); ++k)
                        errorTexts[asciiLower(setting->Items(k)->Name)] = setting->Items(k)->Prop("text");
                } else {
                    grammar->settings_.push_back({settingName, setting->Prop("text")});
                    if (settingName == "declarevars" && setting->Prop("text") == "0") grammar->DeclareVars = false;
                }
            }
            continue;
        }
        if (name == "types") {
            grammar->Types = child;
            continue;
        }
        // Every further child is a rule; the first of a name counts.
        if (ruleIndex.count(name)) continue;
        const int index = static_cast<int>(grammar->Nodes.size());
        grammar->Nodes.emplace_back();
        ruleIndex[name] = index;
        pending.emplace_back(index, child);
    }

    // Error texts live as long as the grammar; nodes point at them.
    std::unordered_map<std::string, const std::string*> errorByName;
    for (auto& [name, text] : errorTexts) {
        grammar->errors_.push_back(std::make_unique<std::string>(text));
        errorByName[name] = grammar->errors_.back().get();
    }

    // Breadth-first over the element trees; indices stay valid as Nodes grows.
    for (size_t p = 0; p < pending.size(); ++p) {
        const int index = pending[p].first;
        const TscXMLItem* element = pending[p].second;
        const bool isRule = element->Parent == root;
        Node node;
        node.name = asciiLower(element->Name);
        node.kind = isRule ? Rule : kindOf(node.name);
        node.text = asciiLower(element->Prop("text"));
        node.node = asciiLower(element->Prop("node"));
        if (!node.node.empty())
            node.nodeClass = node.node == "uses" ? UsesNode : node.node == "expr" ? ExprNode : PlainNode;
        node.add = element->Prop("add");
        node.hasAdd = !node.add.empty();
        node.addText = element->Prop("addtext");
        node.hasAddText = !node.addText.empty();
        node.term = element->Prop("term") == "1";
        const std::string skip = element->Prop("skip");
        node.noSkipSpace = skip == "0";
        node.dropLoopError = skip == "1";
        const std::string err = asciiLower(element->Prop("err"));
        if (!err.empty()) {
            const auto found = errorByName.find(err);
            if (found != errorByName.end()) {
                node.err = found->second;
            } else {
                // A grammar naming a missing text still fails with a message.
                grammar->errors_.push_back(std::make_unique<std::string>(err));
                node.err = errorByName[err] = grammar->errors_.back().get();
            }
        }
        if (node.kind == RuleRef) {
            const auto found = ruleIndex.find(node.name);
            node.ruleIndex = found == ruleIndex.end() ? -1 : found->second;
        }
        for (int i = 0; i < element->Count(); ++i) {
            const int childIndex = static_cast<int>(grammar->Nodes.size());
            grammar->Nodes.emplace_back();
            node.children.push_back(childIndex);
            pending.emplace_back(childIndex, element->Items(i));
        }
        grammar->Nodes[index] = std::move(node);
    }

    const auto program = ruleIndex.find("program");
    if (program == ruleIndex.end()) invalidLanguage();
    grammar->ProgramRule = program->second;
    grammar->keywords_ = std::move(keywords);
    return grammar;
}

void TscGrammar::ApplySettings(TscParser& parser) const
{
    parser.Clear();
    parser.SetKeywords(keywords_);
    for (const auto& [name, value] : settings_) {
        if (name == "identchars") {
            parser.SetIdentifierCharset(value);
        } else if (name == "commentline1") {
            parser.CommentLine1 = value;
        } else if (name == "commentline2") {
            parser.CommentLine2 = value;
        } else if (name == "commentblock1") {
            parser.SetCommentBlock1(value);
        } else if (name == "commentblock2") {
            parser.SetCommentBlock2(value);
        } else if (name == "stringquotes") {
            parser.StringQuotes = value;
        } else if (name == "hexsequence") {
            parser.HexSequence = value;
        } else if (name == "specstrchar") {
            if (value == "1") parser.SpecStrChar = 1;
        } else if (name == "skipeol") {
            if (value == "0") parser.SkipEOL = 0;
        } else if (name == "skipchar") {
            parser.SkipChar = value;
        } else if (name == "casesensitive") {
            if (value == "1") parser.CaseSensitive = 1;
        }
    }
}

// ---------------------------------------------------------------- engine

TscILParser::TscILParser(TscScript* script) : Program(script) {}

TscILParser::~TscILParser() = default;

void TscILParser::SelectLanguage(const std::string& name)
{
    Parser.Clear();
    LangName = name;
    Grammar = scGetCompiledLanguage(name);
    Grammar->ApplySettings(Parser);
    NeedDeclareVars = Grammar->DeclareVars ? 1 : 0;
    if (Program && Program->ExtendedCharset) Parser.AddExtendedCharset();
}

bool TscILParser::MakeILScript(const std::string& text)
{
    if (!isUnit_ && Program) Program->ErrorUnit.clear();
    const bool ok = makeLines(text);
    if (ok) buildTree();
    if (Program) {
        Program->ErrorPos = errorPosition();
        Program->ErrorMsg = errorMessage();
    }
    return ok;
}

bool TscILParser::makeLines(const std::string& text)
{
    lines_.clear();
    err_ = ErrorState();
    aborted_ = false;
    errStates_.assign(1, ErrorState());
    errVersion_ = 0;
    failures_.clear();
    steps_ = 0;
    if (!Grammar) SelectLanguage(Program ? Program->SyntaxType : std::string("PascalScript"));

    // "#language Name" on the first line chooses the language of this text.
    int start = 1;
    if (!text.empty() && text[0] == '#') {
        size_t p = 1;
        while (p < text.size() && (std::isalnum(static_cast<unsigned char>(text[p])) || text[p] == '_')) ++p;
        if (SameText(std::string_view(text).substr(1, p - 1), "language")) {
            size_t end = text.find_first_of("\r\n", p);
            if (end == std::string::npos) end = text.size();
            SelectLanguage(Trim(std::string_view(text).substr(p, end - p)));
            // The next line starts after CR LF, LF or CR; a one-line text has none.
            size_t next = end;
            if (next < text.size() && text[next] == '\r') ++next;
            if (next < text.size() && text[next] == '\n') ++next;
            start = static_cast<int>(next) + 1;
        }
    }
    Sources[std::string()] = std::make_shared<const std::string>(text);
    Parser.SetText(text);
    Parser.SetPosition(start);
    ruleHasFailure_.assign(Grammar->Nodes.size(), 0);
    const bool matched = run(Grammar->ProgramRule);
    if (!matched && !err_.recorded) recordMessage(scMessages().SyntaxError, start);
    return matched && !err_.recorded;
}

bool TscILParser::matches(const TscGrammar::Node& e, const std::string& token) const
{
    if (token.empty()) return false;
    if (e.text.empty()) return true;
    return Parser.CaseSensitive ? token == e.text : SameText(token, e.text);
}

void TscILParser::recordMessage(const std::string& message, int position)
{
    if (err_.recorded) return;
    Parser.SetPosition(position);
    Parser.SkipSpaces();
    err_ = ErrorState{true, false, &message, Parser.Position(), nullptr};
    errorChanged();
}

void TscILParser::recordError(const TscGrammar::Node& e, int oldPos)
{
    if (!e.err || err_.recorded) return;
    recordMessage(*e.err, oldPos);
    if (e.term) {
        err_.term = true;
        errorChanged();
    }
}

void TscILParser::clearError()
{
    if (!err_.recorded && !err_.term) return;
    err_ = ErrorState();
    errorChanged();
}

void TscILParser::errorChanged()
{
    errStates_.push_back(err_);
    errVersion_ = static_cast<uint32_t>(errStates_.size() - 1);
}

void TscILParser::restoreError(uint32_t version)
{
    err_ = errStates_[version];
    errVersion_ = version;
}

std::string TscILParser::errorMessage() const
{
    return err_.recorded && err_.msg ? *err_.msg : std::string();
}

std::string TscILParser::errorPosition() const
{
    if (!err_.recorded) return {};
    return err_.where ? *err_.where : Parser.GetXYPosition(err_.pos);
}

void TscILParser::abortNesting(int position)
{
    // Deeper than the engine may go: this error stands, whatever was
    // recorded before and whatever alternatives are left.
    aborted_ = true;
    err_.recorded = false;
    recordMessage(scMessages().NestingTooDeep, position);
    Parser.SetPosition(position);
}

void TscILParser::appendAdded(const TscGrammar::Node& e, std::string_view token)
{
    appendEmpty(e.add, std::string(e.hasAddText ? std::string_view(e.addText) : token), Parser.Position());
}

void TscILParser::appendEmpty(std::string_view name, std::string text, int position)
{
    Line line(Line::Empty);
    line.name = name;
    line.hasText = true;
    line.text = std::move(text);
    Parser.GetXY(position, line.line, line.col);
    lines_.push_back(std::move(line));
}

void TscILParser::writeRPString(const std::string& text)
{
    // A call of the host function Get with the bracketed text as a string.
    const int p = Parser.Position();
    Line open(Line::Open);
    Parser.GetXY(p, open.line, open.col);
    Line close(Line::Close);
    open.name = close.name = kDsgn;
    lines_.push_back(open);
    appendEmpty(kNode, "Get", p);
    Line exprOpen = open;
    exprOpen.name = kExpr;
    exprOpen.hasPos1 = true;
    exprOpen.line1 = open.line;
    exprOpen.col1 = open.col;
    lines_.push_back(exprOpen);
    appendEmpty(kString, "'" + text + "'", p);
    Line exprClose = close;
    exprClose.name = kExpr;
    lines_.push_back(exprClose);
    lines_.push_back(close);
}

void TscILParser::finishNode(const TscGrammar::Node& e, int oldPos, size_t oldCount, bool success)
{
    if (e.nodeClass == TscGrammar::NoNode) return;
    if (!success) {
        lines_.resize(oldCount);
        return;
    }
    if (e.nodeClass == TscGrammar::UsesNode) {
        includeUnits(oldCount);
        return;
    }
    const int end = Parser.Position();
    Parser.SetPosition(oldPos);
    Parser.SkipSpaces();
    const int start = Parser.Position();
    Parser.SetPosition(end);

    Line open(Line::Open);
    open.name = e.node;
    Parser.GetXY(start, open.line, open.col);
    if (e.nodeClass == TscGrammar::ExprNode) {
        open.hasPos1 = true;
        Parser.GetXY(end, open.line1, open.col1);
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(oldCount), open);
    Line close(Line::Close);
    close.name = e.node;
    lines_.push_back(close);
}

std::string TscILParser::readTerminal(const TscGrammar::Node& e)
{
    switch (e.kind) {
    case TscGrammar::Char: {
        const uint8_t skip = Parser.SkipSpace;
        if (e.noSkipSpace) Parser.SkipSpace = 0;
        std::string token = Parser.GetChar();
        Parser.SkipSpace = skip;
        return token;
    }
    case TscGrammar::Keyword: return Parser.GetWord();
    case TscGrammar::Ident: return Parser.GetIdent();
    case TscGrammar::Number: return Parser.GetNumber();
    case TscGrammar::String: return Parser.GetString();
    default: return {};
    }
}

bool TscILParser::run(int index)
{
    // Every level of the source's nesting passes here several times: the
    // frame is kept small (terminals, with their token, are read in
    // runTerminal; failed rules are looked up and kept out of line).
    if (aborted_) return false;
    const TscGrammar::Node& e = Grammar->Nodes[static_cast<size_t>(index)];
    const int oldPos = Parser.Position();
    if (depth_ >= scMaxGrammarDepth || scStackLow()) {
        abortNesting(oldPos);
        return false;
    }
    ++steps_;
    const bool isRule = e.kind == TscGrammar::Rule;
    if (isRule && ruleHasFailure_[static_cast<size_t>(index)] && failedBefore(index, oldPos)) return false;
    const DepthGuard guard(depth_);
    const size_t oldCount = lines_.size();
    const uint32_t units = unitsIncluded_;
    const uint32_t errorIn = errVersion_;
    const uint64_t steps = steps_;
    bool result = true;

    switch (e.kind) {
    case TscGrammar::Rule:
    case TscGrammar::Sequence: break;
    case TscGrammar::Char:
    case TscGrammar::Keyword:
    case TscGrammar::Ident:
    case TscGrammar::Number:
    case TscGrammar::String:
    case TscGrammar::RPString: return runTerminal(e, oldPos);
    case TscGrammar::Eol:
        // The end of the text ends the last line too: line-oriented grammars
        // accept a last line without a line break, and a grammar can demand
        // that nothing but white space follows its program.
        result = Parser.GetEOL() || Parser.Position() > Parser.Size();
        break;
    case TscGrammar::Switch:
    case TscGrammar::OptionalSwitch:
        for (const int child : e.children)
            if (run(child)) return true;
        if (e.kind == TscGrammar::OptionalSwitch && !aborted_) return true;
        recordError(e, oldPos);
        rewind(oldPos, oldCount, units);
        return false;
    case TscGrammar::Loop:
    case TscGrammar::OptionalLoop: return runLoop(e, oldPos);
    case TscGrammar::Optional:
        for (const int child : e.children)
            if (!run(child)) {
                rewind(oldPos, oldCount, units);
                break;
            }
        return !aborted_;
    case TscGrammar::RuleRef:
        if (e.ruleIndex < 0) invalidLanguage();
        result = run(e.ruleIndex);
        break;
    }
    if (!result) {
        recordError(e, oldPos);
    } else {
        if (!isRule) finishNode(e, oldPos, oldCount, true);
        if (e.hasAdd) appendAdded(e, std::string_view());
        for (const int child : e.children) {
            result = run(child);
            if (!result) break;
        }
        if (isRule) finishNode(e, oldPos, oldCount, result);
    }
    if (!result) {
        rewind(oldPos, oldCount, units);
        if (isRule) rememberFailure(index, oldPos, errorIn, steps, units);
    }
    return result;
}

bool TscILParser::failedBefore(int index, int position)
{
    // A rule that failed here before, meeting the same error state, fails
    // again: without this, nested alternatives that share a failing tail
    // retry it exponentially often.
    const auto found = failures_.find((static_cast<uint64_t>(index) << 32) | static_cast<uint32_t>(position));
    if (found == failures_.end() || found->second.in != errVersion_) return false;
    restoreError(found->second.out);
    return true;
}

void TscILParser::rememberFailure(int index, int position, uint32_t errorIn, uint64_t steps, uint32_t units)
{
    // Most rules fail at their first token: only failures that cost some
    // work are worth remembering.
    constexpr uint64_t kWorthRemembering = 16;
    if (steps_ - steps < kWorthRemembering || aborted_ || units != unitsIncluded_) return;
    failures_[(static_cast<uint64_t>(index) << 32) | static_cast<uint32_t>(position)] = {errorIn, errVersion_};
    ruleHasFailure_[static_cast<size_t>(index)] = 1;
}

bool TscILParser::runTerminal(const TscGrammar::Node& e, int oldPos)
{
    const size_t oldCount = lines_.size();
    const uint32_t units = unitsIncluded_;
    std::string token;
    bool matched;
    if (e.kind == TscGrammar::RPString) {
        token = Parser.GetRPString();
        matched = !token.empty();
        if (matched) writeRPString(token);
    } else {
        token = readTerminal(e);
        matched = matches(e, token);
    }
    if (!matched) {
        recordError(e, oldPos);
        Parser.SetPosition(oldPos);
        return false;
    }
    finishNode(e, oldPos, oldCount, true);
    if (e.hasAdd) appendAdded(e, token);
    if (e.children.empty()) return true;
    const DepthGuard guard(depth_);
    for (const int child : e.children)
        if (!run(child)) {
            rewind(oldPos, oldCount, units);
            return false;
        }
    return true;
}

void TscILParser::rewind(int oldPos, size_t oldCount, uint32_t units)
{
    Parser.SetPosition(oldPos);
    // What a failed element wrote goes with it (the text it stood for is
    // read again), unless it included a unit, which is read only once.
    if (lines_.size() > oldCount && unitsIncluded_ == units) lines_.resize(oldCount);
}

bool TscILParser::runLoop(const TscGrammar::Node& e, int oldPos)
{
    const size_t oldCount = lines_.size();
    const uint32_t units = unitsIncluded_;
    int passes = 0;
    int end = oldPos;
    bool ok = true;
    for (;;) {
        ++passes;
        const int start = Parser.Position();
        ok = true;
        for (const int child : e.children)
            if (!run(child)) {
                ok = false;
                break;
            }
        end = Parser.Position();
        if (!ok) break;
        if (!e.text.empty() && Parser.GetChar() != e.text) {
            Parser.SetPosition(end);
            break;
        }
        if (Parser.Position() == start) break;
    }
    if (aborted_) return false;
    if (passes >= 2) {
        // What a pass that failed part-way matched and wrote is kept.
        Parser.SetPosition(end);
        if (e.dropLoopError || err_.term) clearError();
        return true;
    }
    if (ok) return true;
    rewind(oldPos, oldCount, units);
    return e.kind == TscGrammar::OptionalLoop;
}

// ---------------------------------------------------------------- units

void TscILParser::includeUnits(size_t oldCount)
{
    std::vector<std::string> names;
    for (size_t i = oldCount; i < lines_.size(); ++i) {
        if (lines_[i].kind != Line::Empty) continue;
        std::string name = lines_[i].text;
        if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') name = name.substr(1, name.size() - 2);
        names.push_back(std::move(name));
    }
    lines_.resize(oldCount);
    for (const auto& name : names) includeUnit(name);
}

std::string TscILParser::readUnitText(const std::string& unitName)
{
    if (Program && Program->OnGetUnit) {
        std::string text;
        Program->OnGetUnit(Program, unitName, text);
        return text;
    }
    std::vector<std::string> folders = Program ? Program->IncludePath : std::vector<std::string>{std::string()};
    if (folders.empty()) folders.emplace_back();
    std::string path;
    bool found = false;
    for (const auto& folder : folders) {
        path = folder;
        if (!path.empty() && path.back() != '/' && path.back() != '\\') path.push_back('/');
        path += unitName;
        std::error_code ec;
        found = std::filesystem::is_regular_file(path, ec);
        if (found) break;
    }
    // Only a file: a folder would read as an empty unit, a device or a pipe
    // might never end.
    std::ifstream file;
    if (found) file.open(path, std::ios::binary);
    if (!file.is_open()) throw EFOpenError("Cannot open file \"" + path + "\". No such file or directory");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return text;
}

void TscILParser::includeUnit(const std::string& unitName)
{
    for (const auto& used : UsedUnits)
        if (SameText(used, unitName)) return;
    UsedUnits.push_back(unitName);
    ++unitsIncluded_;
    const std::string text = readUnitText(unitName);
    if (text.empty()) return;

    TscILParser unit(Program);
    unit.isUnit_ = true;
    unit.depth_ = depth_;
    unit.SelectLanguage(LangName);
    unit.UsedUnits = std::move(UsedUnits);
    const bool ok = unit.makeLines(text);
    steps_ += unit.steps_;
    UsedUnits = std::move(unit.UsedUnits);
    for (auto& [name, source] : unit.Sources) Sources[name.empty() ? scUpperName(unitName) : name] = source;
    if (!ok) {
        // The unit's error becomes this text's error, named by the unit.
        if (unit.aborted_) aborted_ = true;
        if (!err_.recorded || unit.aborted_) {
            unitTexts_.push_back(unit.errorMessage());
            const std::string* msg = &unitTexts_.back();
            unitTexts_.push_back(unit.errorPosition());
            err_ = ErrorState{true, false, msg, 0, &unitTexts_.back()};
            errorChanged();
            if (Program && Program->ErrorUnit.empty()) Program->ErrorUnit = unitName;
        }
        return;
    }
    Line open(Line::UsesOpen);
    open.name = kUses;
    open.text = unitName;
    lines_.push_back(std::move(open));
    std::move(unit.lines_.begin(), unit.lines_.end(), std::back_inserter(lines_));
    Line types(Line::Types);
    types.grammar = unit.Grammar.get();
    lines_.push_back(types);
    Line close(Line::Close);
    close.name = kUses;
    lines_.push_back(close);
    keepAlive_.push_back(unit.Grammar);
    for (auto& grammar : unit.keepAlive_) keepAlive_.push_back(std::move(grammar));
}

// ---------------------------------------------------------------- tree

namespace {

void appendAttribute(std::string& text, std::string_view name, std::string_view value)
{
    if (!text.empty()) text.push_back(' ');
    text.append(name).append("=\"").append(value).push_back('"');
}

}  // namespace

void TscILParser::buildTree()
{
    TscXMLItem* root = ILScript.Root();
    root->Clear();
    root->Name = "program";
    root->Text.clear();
    std::vector<TscXMLItem*> stack{root};
    for (const Line& line : lines_) {
        if (line.kind == Line::Close) {
            if (stack.size() > 1) stack.pop_back();
            continue;
        }
        TscXMLItem* item = stack.back()->Add();
        if (line.kind == Line::Types) {
            if (line.grammar->Types) item->Assign(line.grammar->Types);
            item->Name = "types";
            continue;
        }
        item->Name = std::string(line.name);
        if (line.kind == Line::UsesOpen) {
            appendAttribute(item->Text, "unit", scStrToXML(line.text));
        } else {
            if (line.hasText) appendAttribute(item->Text, "text", scStrToXML(line.text));
            appendAttribute(item->Text, "pos", scFormatPosition(line.line, line.col));
            if (line.hasPos1) appendAttribute(item->Text, "pos1", scFormatPosition(line.line1, line.col1));
        }
        if (line.kind != Line::Empty) stack.push_back(item);
    }
    TscXMLItem* types = root->Add();
    if (Grammar->Types) types->Assign(Grammar->Types);
    types->Name = "types";
    ILTypes = types;
}

std::string TscILParser::ILText() const
{
    std::ostringstream out;
    TscXMLWriter writer(out, true);
    writer.WriteLine("<?xml version=\"1.0\"?>");
    writer.WriteItem(ILScript.Root(), 0);
    writer.Flush();
    return std::move(out).str();
}

TscILResult scMakeIL(const std::string& source, const std::string& language, bool extendedCharset,
                     const std::vector<std::string>& includePath)
{
    TscScript script;
    script.IncludePath = includePath;
    script.ExtendedCharset = extendedCharset ? 1 : 0;
    script.SyntaxType = language;
    TscILParser parser(&script);
    parser.SelectLanguage(language);
    TscILResult result;
    result.ok = parser.MakeILScript(source);
    if (result.ok) result.il = parser.ILText();
    result.errorMsg = script.ErrorMsg;
    result.errorPos = script.ErrorPos;
    result.errorUnit = script.ErrorUnit;
    result.steps = parser.Steps();
    return result;
}
