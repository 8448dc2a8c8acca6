// The program builder: the second compile stage turns the intermediate
// program into the script's variables, procedures and statement tree, with
// every semantic check (names, redeclaration, types, argument counts,
// assignability). The first failing check raises; ParseILScript turns it
// into the script's error state with the position of the element being
// built.
//
// Every element of the intermediate program has one entry in the dispatch
// table (elementHandlers); a language that writes a new element adds a
// handler and a table line.

#include <algorithm>
#include <unordered_map>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_classes.h"
#include "sc_const.h"
#include "sc_disp.h"
#include "sc_expression.h"
#include "sc_ilparser.h"
#include "sc_stack.h"
#include "sc_statements.h"
#include "sc_xml.h"

// What a late-bound designator needs to finish building itself at run time.
struct TscLateBinding {
    std::unique_ptr<TscXMLItem> Element;  // a dsgn holding the unresolved nodes and arguments
    bool NeedDeclareVars = true;
    std::string UnitName;
    std::shared_ptr<const std::string> Source;
    // What the known part of the designator turned out to hold.
    enum class ValueKind : uint8_t { Object, Dispatch, Array, String };
    struct Tail {
        ValueKind kind;
        const TClass* cls;  // objects: the class the tail was built for
        std::unique_ptr<TscDesignator> designator;
    };
    std::vector<Tail> Tails;
};

TscDesignator::TscDesignator(TscScript* script) : TscCustomVariable(std::string(), fvtVariant, std::string()), Script(script)
{
    ItemKind = ikDesignator;
}

TscDesignator::~TscDesignator() = default;

namespace {

std::string lower(std::string s)
{
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool named(const TscXMLItem* item, std::string_view name)
{
    return SameText(item->Name, name);
}

[[noreturn]] void fail(const std::string& message)
{
    throw Exception(message);
}

std::string quoted(const std::string& name)
{
    return "'" + name + "'";
}

// What a designator is built for.
enum class DesignatorMode : uint8_t {
    General,      // a value, a call or an assignment target
    Constructor,  // the class after `new`: its Create is called
    Free,         // the object after `delete`: its Free is called
};

}  // namespace

class TscProgramBuilder {
public:
    // Compile time: the parser's state.
    explicit TscProgramBuilder(TscILParser& parser)
        : program_(parser.Program),
          needDeclareVars_(parser.NeedDeclareVars != 0),
          ilTypes_(parser.ILTypes),
          grammarTypes_(parser.Grammar ? parser.Grammar->Types : nullptr),
          sources_(parser.Sources)
    {
    }
    // Run time: a late-bound designator's saved state.
    TscProgramBuilder(TscScript* program, const TscLateBinding& late)
        : program_(program), needDeclareVars_(late.NeedDeclareVars), unitName_(late.UnitName)
    {
        if (late.Source) sources_[scUpperName(late.UnitName)] = late.Source;
    }

    const std::string& CurrentPos() const { return currentPos_; }
    const std::string& UnitName() const { return unitName_; }

    void ParseItems(const TscXMLItem* element, TscScript* scope);
    std::unique_ptr<TscDesignator> BuildTail(const TscXMLItem* element, TscScript* scope, const Variant& value);

private:
    using Handler = void (TscProgramBuilder::*)(const TscXMLItem*, TscScript*, TscStatement*);
    static const std::unordered_map<std::string, Handler>& elementHandlers();

    // ---- the parts
    void declareProcedures(const TscXMLItem* element, TscScript* scope);
    void declareProcedure(const TscXMLItem* element, TscScript* scope);
    void buildChildren(const TscXMLItem* element, TscScript* scope, TscStatement* list, int from = 0, int to = -1);
    void buildElement(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    template <class S>
    S* addStatement(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void finishStatement(const TscXMLItem* element);

    TscCustomVariable* findVar(TscScript* scope, const std::string& name);
    void checkIdent(TscScript* scope, const std::string& name);
    TscClassVariable* findClass(TscScript* scope, const std::string& name);
    TscVarType findType(TscScript* scope, std::string& typeName);
    void checkTypeCompatibility(TscScript* scope, const TscCustomVariable* target, const TscCustomVariable* source);
    std::unique_ptr<TscExpression> createExpression(const TscXMLItem* element, TscScript* scope);
    // A macro reads its arguments as text, in its own way: one that does not
    // compile as an expression here (a report band called Ord given to
    // COUNT) is kept as its text alone.
    static bool isMacro(const TscCustomVariable* ref);
    std::unique_ptr<TscExpression> macroArgument(const TscXMLItem* element, TscScript* scope);
    std::unique_ptr<TscExpression> constantExpression(const Variant& value, TscScript* scope);
    std::unique_ptr<TscSetExpression> createSet(const TscXMLItem* element, TscScript* scope);
    std::unique_ptr<TscDesignator> createDesignator(const TscXMLItem* element, TscScript* scope, DesignatorMode mode);
    std::unique_ptr<TscVariable> createVar(TscScript* scope, const std::string& name, const TscXMLItem* type,
                                 const TscXMLItem* array, bool isParam);
    TscCustomVariable* redeclaration(TscScript* scope, const std::string& name, const TscXMLItem* type,
                                     const TscXMLItem* array, bool cStyle);
    std::string sourceText(const TscXMLItem* expr);

    // ---- designator resolution
    struct Chain {
        std::vector<std::unique_ptr<TscDesignatorItem>> items;
        std::vector<std::unique_ptr<TscCustomVariable>> own;
        int lateFrom = -1;  // index of the first child left for late binding
        bool ole = false;
    };
    TscDesignatorItem* addItem(Chain& chain, TscCustomVariable* ref, const std::string& name);
    void resolveNode(Chain& chain, const TscDesignatorItem* prev, const TscXMLItem* node, TscScript* scope,
                     int childIndex);
    void resolveChildren(Chain& chain, const TscXMLItem* element, int from, TscScript* scope,
                         const TscDesignatorItem* start);
    std::unique_ptr<TscDesignator> finishDesignator(Chain& chain, const TscXMLItem* element, TscScript* scope,
                                                    DesignatorMode mode);
    void checkArguments(TscDesignatorItem* item, TscScript* scope);
    std::unique_ptr<TscDesignator> variableDesignator(TscCustomVariable* variable, TscScript* scope);
    std::unique_ptr<TscDesignator> functionResult(const TscXMLItem* dsgn, TscScript* scope);

    // ---- the element handlers
    void buildIgnored(const TscXMLItem*, TscScript*, TscStatement*) {}
    void buildCompound(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildVar(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildConst(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildProcedure(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildUses(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildAssign(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildCall(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildIf(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildCase(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildFor(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    // The parts both counting loops share (control variable, start, end,
    // body); other(child, statement) takes the rest and says whether it did.
    template <class S, class F>
    void buildCounting(const TscXMLItem* element, TscScript* scope, TscStatement* list, F other);
    void buildVbFor(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildCppFor(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildWhile(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildRepeat(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildTry(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildBreak(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildContinue(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildExit(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildReturn(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildWith(const TscXMLItem* element, TscScript* scope, TscStatement* list);
    void buildDelete(const TscXMLItem* element, TscScript* scope, TscStatement* list);

    TscScript* program_;
    bool needDeclareVars_;
    const TscXMLItem* ilTypes_ = nullptr;
    const TscXMLItem* grammarTypes_ = nullptr;
    std::map<std::string, std::shared_ptr<const std::string>> sources_;
    std::map<std::string, std::vector<size_t>> lineStarts_;
    std::string currentPos_;
    std::string unitName_;
    std::vector<std::string> withList_;
    std::unordered_map<const TscXMLItem*, TscProcVariable*> procedures_;
};

const std::unordered_map<std::string, TscProgramBuilder::Handler>& TscProgramBuilder::elementHandlers()
{
    static const std::unordered_map<std::string, Handler> handlers = {
        {"assignstmt", &TscProgramBuilder::buildAssign},
        {"callstmt", &TscProgramBuilder::buildCall},
        {"ifstmt", &TscProgramBuilder::buildIf},
        {"casestmt", &TscProgramBuilder::buildCase},
        {"forstmt", &TscProgramBuilder::buildFor},
        {"vbforstmt", &TscProgramBuilder::buildVbFor},
        {"cppforstmt", &TscProgramBuilder::buildCppFor},
        {"whilestmt", &TscProgramBuilder::buildWhile},
        {"repeatstmt", &TscProgramBuilder::buildRepeat},
        {"trystmt", &TscProgramBuilder::buildTry},
        {"break", &TscProgramBuilder::buildBreak},
        {"continue", &TscProgramBuilder::buildContinue},
        {"exit", &TscProgramBuilder::buildExit},
        {"return", &TscProgramBuilder::buildReturn},
        {"with", &TscProgramBuilder::buildWith},
        {"delete", &TscProgramBuilder::buildDelete},
        {"compoundstmt", &TscProgramBuilder::buildCompound},
        {"uses", &TscProgramBuilder::buildUses},
        {"var", &TscProgramBuilder::buildVar},
        {"const", &TscProgramBuilder::buildConst},
        {"procedure", &TscProgramBuilder::buildProcedure},
        {"function", &TscProgramBuilder::buildProcedure},
        // C++Script's empty statement.
        {"empty", &TscProgramBuilder::buildIgnored},
        // Parts of declarations, read by their owners.
        {"ident", &TscProgramBuilder::buildIgnored},
        {"parameters", &TscProgramBuilder::buildIgnored},
        {"type", &TscProgramBuilder::buildIgnored},
        {"types", &TscProgramBuilder::buildIgnored},
    };
    return handlers;
}

// ---------------------------------------------------------------- scaffolding

void TscProgramBuilder::ParseItems(const TscXMLItem* element, TscScript* scope)
{
    const TscXMLItem* savedTypes = ilTypes_;
    const int types = element->Find("types");
    if (types >= 0) ilTypes_ = element->Items(types);
    declareProcedures(element, scope);
    buildChildren(element, scope, scope->Prog());
    ilTypes_ = savedTypes;
}

void TscProgramBuilder::declareProcedures(const TscXMLItem* element, TscScript* scope)
{
    scCheckCompileStack();
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "procedure") || named(child, "function"))
            declareProcedure(child, scope);
        else if (named(child, "compoundstmt"))
            declareProcedures(child, scope);
    }
}

void TscProgramBuilder::buildChildren(const TscXMLItem* element, TscScript* scope, TscStatement* list, int from, int to)
{
    const int end = to < 0 ? element->Count() : to;
    for (int i = from; i < end; ++i) buildElement(element->Items(i), scope, list);
}

void TscProgramBuilder::buildElement(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    scCheckCompileStack();
    const std::string pos = element->Prop("pos");
    if (!pos.empty()) currentPos_ = pos;
    const auto& handlers = elementHandlers();
    const auto found = handlers.find(lower(element->Name));
    if (found != handlers.end()) (this->*(found->second))(element, scope, list);
}

template <class S>
S* TscProgramBuilder::addStatement(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = new S(scope, element->Prop("pos"), unitName_);
    list->Add(statement);
    return statement;
}

void TscProgramBuilder::finishStatement(const TscXMLItem* element)
{
    program_->AddCodeLine(unitName_, element->Prop("pos"));
}

// ---------------------------------------------------------------- names and types

TscCustomVariable* TscProgramBuilder::findVar(TscScript* scope, const std::string& name)
{
    if (TscCustomVariable* item = scope->Find(name)) return item;
    if (needDeclareVars_) fail(scMessages().UndeclaredIdent + quoted(name));
    auto* variable = new TscVariable(name, fvtVariant, "Variant");
    variable->OnGetValue = program_->OnGetVarValue;
    scope->Add(name, variable);
    return variable;
}

void TscProgramBuilder::checkIdent(TscScript* scope, const std::string& name)
{
    if (scope->FindLocal(name)) fail(scMessages().IdentRedeclared + quoted(name));
}

TscClassVariable* TscProgramBuilder::findClass(TscScript* scope, const std::string& name)
{
    TscClassVariable* record = scope->FindClass(name);
    if (!record) fail(scMessages().UnknownType + quoted(name));
    return record;
}

TscVarType TscProgramBuilder::findType(TscScript* scope, std::string& typeName)
{
    for (const TscXMLItem* map : {ilTypes_, grammarTypes_}) {
        if (!map) continue;
        const int index = map->Find(typeName);
        if (index >= 0) {
            const std::string mapped = map->Items(index)->Prop("type");
            if (!mapped.empty()) typeName = mapped;
            break;
        }
    }
    const TscVarType typ = StrToVarType(typeName, scope);
    if (typ == fvtClass) findClass(scope, typeName);
    return typ;
}

void TscProgramBuilder::checkTypeCompatibility(TscScript* scope, const TscCustomVariable* target,
                                               const TscCustomVariable* source)
{
    if (!AssignCompatible(target, source, scope))
        fail(IncompatibleTypesMessage(GetFullTypeName(target), GetFullTypeName(source)));
}

std::string TscProgramBuilder::sourceText(const TscXMLItem* expr)
{
    const std::string key = scUpperName(unitName_);
    const auto found = sources_.find(key);
    if (found == sources_.end() || !found->second) return {};
    const std::string& text = *found->second;
    // Where each line starts, found once per text.
    std::vector<size_t>& starts = lineStarts_[key];
    if (starts.empty()) {
        starts.push_back(0);
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') starts.push_back(i + 1);
    }
    const auto offset = [&](const std::string& pos) -> size_t {
        int line = 0, col = 0;
        StrToPoint(pos, line, col);
        if (line < 1 || col < 1 || static_cast<size_t>(line) > starts.size()) return std::string::npos;
        return starts[static_cast<size_t>(line - 1)] + static_cast<size_t>(col - 1);
    };
    const size_t start = offset(expr->Prop("pos"));
    const size_t end = offset(expr->Prop("pos1"));
    if (start == std::string::npos || end == std::string::npos || end < start || end > text.size()) return {};
    return text.substr(start, end - start);
}

// ---------------------------------------------------------------- expressions

std::unique_ptr<TscExpression> TscProgramBuilder::createExpression(const TscXMLItem* element, TscScript* scope)
{
    scCheckCompileStack();
    const std::string savedPos = currentPos_;
    const std::string pos = element->Prop("pos");
    if (!pos.empty()) currentPos_ = pos;
    auto expression = std::make_unique<TscExpression>(scope);
    expression->Source = sourceText(element);
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        const std::string childPos = child->Prop("pos");
        if (named(child, "op")) {
            expression->AddOperator(child->Prop("text"), childPos);
        } else if (named(child, "number") || named(child, "string")) {
            expression->AddConst(ParserStringToVariant(child->Prop("text")), childPos);
        } else if (named(child, "dsgn")) {
            expression->AddOperand(createDesignator(child, scope, DesignatorMode::General), childPos);
        } else if (named(child, "set")) {
            expression->AddSet(createSet(child, scope), childPos);
        } else if (named(child, "new")) {
            const int dsgn = child->Find("dsgn");
            if (dsgn < 0) fail(scMessages().ClassRequired);
            expression->AddOperand(createDesignator(child->Items(dsgn), scope, DesignatorMode::Constructor), childPos);
        }
    }
    if (!expression->Finalize()) {
        currentPos_ = expression->ErrorPos;
        fail(IncompatibleTypesMessage(GetFullTypeName(expression->ErrorLeftType, expression->ErrorLeftName),
                                      GetFullTypeName(expression->ErrorRightType, expression->ErrorRightName)));
    }
    currentPos_ = savedPos;
    return expression;
}

bool TscProgramBuilder::isMacro(const TscCustomVariable* ref)
{
    return ref->IsMacro != 0;
}

std::unique_ptr<TscExpression> TscProgramBuilder::macroArgument(const TscXMLItem* element, TscScript* scope)
{
    const std::string savedPos = currentPos_;
    try {
        return createExpression(element, scope);
    } catch (const Exception&) {
        currentPos_ = savedPos;
    }
    std::unique_ptr<TscExpression> text = constantExpression(Variant(), scope);
    text->Source = sourceText(element);
    return text;
}

std::unique_ptr<TscExpression> TscProgramBuilder::constantExpression(const Variant& value, TscScript* scope)
{
    auto expression = std::make_unique<TscExpression>(scope);
    expression->AddConst(value, currentPos_);
    expression->Finalize();
    return expression;
}

std::unique_ptr<TscSetExpression> TscProgramBuilder::createSet(const TscXMLItem* element, TscScript* scope)
{
    auto set = std::make_unique<TscSetExpression>();
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "expr"))
            set->Add(createExpression(child, scope).release());
        else if (named(child, "range"))
            set->Add(nullptr);
    }
    return set;
}

// ---------------------------------------------------------------- designators

TscDesignatorItem* TscProgramBuilder::addItem(Chain& chain, TscCustomVariable* ref, const std::string& name)
{
    auto item = std::make_unique<TscDesignatorItem>();
    item->Ref = ref;
    item->Name = name;
    chain.items.push_back(std::move(item));
    return chain.items.back().get();
}

void TscProgramBuilder::resolveNode(Chain& chain, const TscDesignatorItem* prev, const TscXMLItem* node,
                                    TscScript* scope, int childIndex)
{
    const std::string text = node->Prop("text");
    const bool index = text == "[";
    TscCustomVariable* ref = prev->Ref;

    // An index property still waiting for its index.
    if (ref->ItemKind == ikMethod && static_cast<TscMethodHelper*>(ref)->IndexMethod && !prev->Flag &&
        prev == chain.items.back().get()) {
        if (!index) fail(scMessages().IndexRequired);
        chain.items.back()->Flag = 1;
        return;
    }
    if (chain.ole) {
        if (index && !chain.items.empty()) {
            chain.items.back()->Flag = 1;
            return;
        }
        chain.own.push_back(scMakeOleHelper(text));
        addItem(chain, chain.own.back().get(), text);
        return;
    }

    TscVarType typ = ref->Typ == fvtConstructor ? fvtClass : ref->Typ;
    std::string typeName = prev->TypeName.empty() ? ref->TypeName : prev->TypeName;
    const Variant value = ref->ItemKind == ikVariable ? ref->Value : Variant::Null();

    if (typ == fvtVariant) {
        if (value.isDispatch()) {
            chain.ole = true;
            resolveNode(chain, prev, node, scope, childIndex);
            return;
        }
        if (value.isArray()) {
            if (!index) fail(scMessages().IndexRequired);
            TscDesignatorItem* item = addItem(chain, scope->Find("__ArrayHelper"), text);
            if (!item->Ref) fail(scMessages().UndeclaredIdent + quoted("__ArrayHelper"));
            item->Flag = 1;
            return;
        }
        if (value.isString()) {
            typ = fvtString;
        } else if (value.isObject() && VariantToObject(value)) {
            typ = fvtClass;
            typeName = VariantToObject(value)->ClassName();
        } else {
            chain.lateFrom = childIndex;  // known when the designator first runs
            return;
        }
    }

    switch (typ) {
    case fvtString:
    case fvtChar: {
        if (!index) fail(scMessages().StringHasNoMembers);
        TscDesignatorItem* item = addItem(chain, scope->Find("__StringHelper"), text);
        if (!item->Ref) fail(scMessages().UndeclaredIdent + quoted("__StringHelper"));
        item->Flag = 1;
        return;
    }
    case fvtClass: {
        TscClassVariable* record = scope->FindClass(typeName);
        if (!record && value.isObject()) record = scope->FindClassOf(VariantToObject(value)->ClassType());
        if (index) {
            TscCustomVariable* defProperty = nullptr;
            for (TscClassVariable* r = record; r && !defProperty; r = r->Ancestor()) defProperty = r->DefProperty;
            if (!defProperty) fail(scFormatMessage(scMessages().NoDefaultProperty, typeName));
            addItem(chain, defProperty, text)->Flag = 1;
            return;
        }
        TscCustomVariable* member = record ? record->Find(text) : nullptr;
        if (!member) {
            // A child component of an object known now.
            TObject* object = value.isObject() ? VariantToObject(value) : nullptr;
            auto* owner = dynamic_cast<TComponent*>(object);
            TComponent* child = owner ? owner->FindComponent(text) : nullptr;
            if (!child) fail(scMessages().UndeclaredIdent + quoted(text));
            auto constant = std::make_unique<TscVariable>(text, fvtClass, child->ClassName());
            constant->Value = ObjectToVariant(child);
            constant->IsReadOnly = 1;
            chain.own.push_back(std::move(constant));
            addItem(chain, chain.own.back().get(), text);
            return;
        }
        TscDesignatorItem* item = addItem(chain, member, text);
        if (member->Typ == fvtConstructor && record) {
            item->TypeName = ref->ItemKind == ikClass ? ref->Name : record->Name;
            item->NamedClass = ref->ItemKind == ikClass ? static_cast<TscClassVariable*>(ref) : record;
        } else if (ref->ItemKind == ikClass) {
            // A member called on the class itself (TStringList.ClassName).
            item->NamedClass = static_cast<TscClassVariable*>(ref);
        }
        return;
    }
    case fvtArray: {
        if (!index) fail(scMessages().IndexRequired);
        TscCustomVariable* helper = ref->RefItem ? ref->RefItem : scope->Find("__ArrayHelper");
        if (!helper) fail(scMessages().UndeclaredIdent + quoted("__ArrayHelper"));
        addItem(chain, helper, text)->Flag = 1;
        return;
    }
    default: fail(scMessages().ArrayRequired);
    }
}

void TscProgramBuilder::resolveChildren(Chain& chain, const TscXMLItem* element, int from, TscScript* scope,
                                        const TscDesignatorItem* start)
{
    for (int i = from; i < element->Count() && chain.lateFrom < 0; ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "node")) {
            const TscDesignatorItem* prev = chain.items.empty() ? start : chain.items.back().get();
            resolveNode(chain, prev, child, scope, i);
        } else if (named(child, "expr")) {
            if (chain.items.empty()) fail(scMessages().VariableRequired);
            TscDesignatorItem* last = chain.items.back().get();
            last->Add(isMacro(last->Ref) ? macroArgument(child, scope).release()
                                         : createExpression(child, scope).release());
            if (last->Ref->ItemKind == ikOle) scAddOleParameter(last->Ref);
        }
    }
}

void TscProgramBuilder::checkArguments(TscDesignatorItem* item, TscScript* scope)
{
    TscCustomVariable* ref = item->Ref;
    if (ref->ItemKind == ikDesignator || ref->ItemKind == ikOle) return;
    const int given = item->Count();
    if (given < ref->GetNumberOfRequiredParams()) fail(scMessages().NotEnoughParams);
    if (given > ref->Count()) fail(scMessages().TooManyParams);
    for (int i = given; i < ref->Count(); ++i) item->Add(constantExpression(ref->GetParam(i)->DefValue, scope).release());
    for (int i = 0; i < given; ++i) checkTypeCompatibility(scope, ref->GetParam(i), item->Arg(i));
    item->HasVarArgs = ref->HasVarParams() ? 1 : 0;
}

std::unique_ptr<TscDesignator> TscProgramBuilder::finishDesignator(Chain& chain, const TscXMLItem* element,
                                                                   TscScript* scope, DesignatorMode mode)
{
    if (mode == DesignatorMode::Free && chain.lateFrom < 0) {
        const TscCustomVariable* last = chain.items.back()->Ref;
        const TscVarType typ = last->Typ == fvtConstructor ? fvtClass : last->Typ;
        if (typ != fvtClass && typ != fvtVariant) fail(scMessages().ClassRequired);
        TscClassVariable* object = scope->FindClass("TObject");
        TscCustomVariable* free = object ? object->Find("Free") : nullptr;
        if (!free) fail(scMessages().UndeclaredIdent + quoted("Free"));
        addItem(chain, free, "Free");
    }
    for (auto& item : chain.items) checkArguments(item.get(), scope);

    // The fast forms for the shapes that need no general chain.
    std::unique_ptr<TscDesignator> designator;
    const size_t count = chain.items.size();
    TscCustomVariable* first = count ? chain.items[0]->Ref : nullptr;
    const bool plainFirst = first && first->ItemKind == ikVariable && chain.items[0]->Count() == 0;
    if (chain.lateFrom < 0 && count == 1 && plainFirst) {
        auto fast = std::make_unique<TscVariableDesignator>(scope);
        fast->Variable = first;
        fast->Kind = TscDesignatorKind::Variable;
        designator = std::move(fast);
    } else if (chain.lateFrom < 0 && count == 2 && plainFirst && (first->Typ == fvtString || first->Typ == fvtChar) &&
               chain.items[1]->Ref->ItemKind == ikStringHelper && chain.items[1]->Count() == 1) {
        auto fast = std::make_unique<TscStringDesignator>(scope);
        fast->Variable = first;
        fast->Index = chain.items[1]->Arg(0);
        fast->Kind = TscDesignatorKind::StringIndex;
        designator = std::move(fast);
    } else if (chain.lateFrom < 0 && count == 2 && plainFirst && first->Typ == fvtArray &&
               chain.items[1]->Ref->ItemKind == ikArrayHelper && chain.items[1]->Ref == first->RefItem) {
        auto fast = std::make_unique<TscArrayDesignator>(scope);
        fast->Variable = first;
        fast->IndexItem = chain.items[1].get();
        fast->Kind = TscDesignatorKind::ArrayIndex;
        designator = std::move(fast);
    } else if (chain.lateFrom < 0 && count == 1 && first->ItemKind == ikProc) {
        auto fast = std::make_unique<TscCallDesignator>(scope);
        fast->Proc = static_cast<TscProcVariable*>(first);
        fast->Kind = TscDesignatorKind::Call;
        designator = std::move(fast);
    } else if (chain.lateFrom < 0 && count == 1 && TscHostCallDesignator::Fits(chain.items[0].get())) {
        auto fast = std::make_unique<TscHostCallDesignator>(scope);
        fast->Helper = static_cast<TscMethodHelper*>(first);
        fast->Kind = TscDesignatorKind::HostCall;
        designator = std::move(fast);
    } else {
        designator = std::make_unique<TscDesignator>(scope);
    }
    for (auto& item : chain.items) designator->Add(item.release());
    designator->OwnItems = std::move(chain.own);
    designator->UpdateTarget();

    if (chain.lateFrom >= 0) {
        auto late = std::make_unique<TscLateBinding>();
        late->Element = std::make_unique<TscXMLItem>();
        late->Element->Name = "dsgn";
        late->Element->Text = element->Text;
        for (int i = chain.lateFrom; i < element->Count(); ++i) {
            TscXMLItem* copy = late->Element->Add();
            copy->Assign(element->Items(i));
        }
        late->NeedDeclareVars = needDeclareVars_;
        late->UnitName = unitName_;
        const auto source = sources_.find(scUpperName(unitName_));
        if (source != sources_.end()) late->Source = source->second;
        designator->LateBinding = std::move(late);
        // Nothing is known of the late part: a Variant that may be written.
        designator->Typ = fvtVariant;
        designator->TypeName.clear();
        designator->IsReadOnly = 0;
    }
    return designator;
}

std::unique_ptr<TscDesignator> TscProgramBuilder::createDesignator(const TscXMLItem* element, TscScript* scope,
                                                                   DesignatorMode mode)
{
    scCheckCompileStack();
    const std::string savedPos = currentPos_;
    const std::string pos = element->Prop("pos");
    if (!pos.empty()) currentPos_ = pos;
    Chain chain;
    int next = 0;
    const int count = element->Count();

    if (count > 0 && named(element->Items(0), "addr")) {
        // @Name: the name itself, as text (an event handler for the host).
        if (count != 2 || !named(element->Items(1), "node")) fail(scMessages().VariableRequired);
        auto constant = std::make_unique<TscVariable>(std::string(), fvtString, "String");
        constant->Value = Variant(element->Items(1)->Prop("text"));
        constant->IsReadOnly = 1;
        chain.own.push_back(std::move(constant));
        addItem(chain, chain.own.back().get(), std::string());
        next = count;
    } else if (count > 0 && named(element->Items(0), "node")) {
        const std::string name = element->Items(0)->Prop("text");
        next = 1;
        bool resolved = false;
        // Members of with-targets, innermost first.
        for (auto it = withList_.rbegin(); it != withList_.rend() && mode == DesignatorMode::General; ++it) {
            TscCustomVariable* withVar = scope->Find(*it);
            if (!withVar) continue;
            if (withVar->Typ == fvtVariant) {
                if (!scope->Find(name)) {
                    addItem(chain, withVar, *it);
                    chain.lateFrom = 0;
                    next = 0;
                    resolved = true;
                }
                break;
            }
            TscClassVariable* record = scope->FindClass(withVar->TypeName);
            TscCustomVariable* member = record ? record->Find(name) : nullptr;
            if (member) {
                addItem(chain, withVar, *it);
                addItem(chain, member, name);
                resolved = true;
                break;
            }
        }
        if (!resolved) {
            TscCustomVariable* item = findVar(scope, name);
            addItem(chain, item, name);
            if (mode == DesignatorMode::Constructor) {
                if (item->ItemKind != ikClass) fail(scMessages().ClassRequired);
                auto* record = static_cast<TscClassVariable*>(item);
                TscCustomVariable* create = record->Find("Create");
                if (!create) fail(scMessages().UndeclaredIdent + quoted("Create"));
                TscDesignatorItem* createItem = addItem(chain, create, "Create");
                createItem->TypeName = record->Name;
                createItem->NamedClass = record;
            }
        }
    }
    if (chain.items.empty()) fail(scMessages().VariableRequired);
    // Arguments right after the class name of `new` go to the constructor.
    if (chain.lateFrom < 0) resolveChildren(chain, element, next, scope, nullptr);
    std::unique_ptr<TscDesignator> designator = finishDesignator(chain, element, scope, mode);
    currentPos_ = savedPos;
    return designator;
}

std::unique_ptr<TscDesignator> TscProgramBuilder::BuildTail(const TscXMLItem* element, TscScript* scope,
                                                            const Variant& value)
{
    // The object is known now: the rest resolves as if it had been at compile time.
    TscVariable known(std::string(), fvtVariant, std::string());
    known.Value = value;
    TscDesignatorItem start;
    start.Ref = &known;
    Chain chain;
    resolveChildren(chain, element, 0, scope, &start);
    if (chain.items.empty()) {
        if (chain.lateFrom >= 0 || value.isEmptyOrNull() || value.isObject())
            throw EObjectReferenceError(scMessages().InvalidObjectReference);
        throw EVariantError("Invalid variant operation");
    }
    return finishDesignator(chain, element, scope, DesignatorMode::General);
}

Variant TscDesignator::EvaluateFrom(int from, Variant current, TscCustomVariable* parentRef, bool doSet,
                                    const Variant& value)
{
    if (!LateBinding) return evaluateItems(from, std::move(current), parentRef, doSet, value);
    // The items here are the known part; their value decides the rest.
    const uint8_t needResult = NeedResult;
    NeedResult = 1;
    Variant known;
    try {
        known = evaluateItems(from, std::move(current), parentRef, false, kNull);
    } catch (...) {
        NeedResult = needResult;
        throw;
    }
    NeedResult = needResult;
    TscCustomVariable* knownRef = Count() ? LastItem()->Ref : parentRef;

    using ValueKind = TscLateBinding::ValueKind;
    ValueKind kind;
    const TClass* cls = nullptr;
    if (known.isObject()) {
        TObject* object = VariantToObject(known);
        if (!object) throw EObjectReferenceError(scMessages().InvalidObjectReference);
        kind = ValueKind::Object;
        cls = object->ClassType();
    } else if (known.isDispatch()) {
        kind = ValueKind::Dispatch;
    } else if (known.isArray()) {
        kind = ValueKind::Array;
    } else if (known.isString()) {
        kind = ValueKind::String;
    } else {
        throw EObjectReferenceError(scMessages().InvalidObjectReference);
    }
    TscLateBinding& late = *LateBinding;
    TscDesignator* tail = nullptr;
    for (const auto& entry : late.Tails)
        if (entry.kind == kind && entry.cls == cls) tail = entry.designator.get();
    if (!tail) {
        // Built once per class of object: a Variant holding objects of two
        // classes gets each class's own members.
        TscProgramBuilder builder(Script, late);
        late.Tails.push_back({kind, cls, builder.BuildTail(late.Element.get(), Script, known)});
        tail = late.Tails.back().designator.get();
    }
    // What the compiler refuses for a known member, the late-bound one refuses now.
    if (doSet && tail->IsReadOnly) throw Exception(scMessages().LeftSideCannotBeAssigned);
    tail->NeedResult = NeedResult;
    return tail->EvaluateFrom(0, std::move(known), knownRef, doSet, value);
}

// ---------------------------------------------------------------- variables

std::unique_ptr<TscVariable> TscProgramBuilder::createVar(TscScript* scope, const std::string& name, const TscXMLItem* type,
                                                const TscXMLItem* array, bool isParam)
{
    std::string typeName = type ? type->Prop("text") : std::string("Variant");
    TscVarType typ = findType(scope, typeName);
    Variant initial;
    TscArrayHelper* helper = nullptr;
    if (array) {
        std::vector<VarArrayBound> bounds;
        for (int i = 0; i < array->Count(); ++i) {
            const TscXMLItem* dim = array->Items(i);
            if (!named(dim, "dim")) continue;
            std::vector<Variant> values;
            for (int j = 0; j < dim->Count(); ++j)
                if (named(dim->Items(j), "expr")) values.push_back(createExpression(dim->Items(j), scope)->GetValue());
            // A size below zero is refused by VarArrayCreate; this one must not wrap first.
            if (values.size() == 1)
                bounds.push_back({0, static_cast<int>(std::max<int64_t>(int64_t{values[0].toInt()} - 1, -2))});
            else if (values.size() == 2) bounds.push_back({values[0].toInt(), values[1].toInt()});
        }
        initial = VarArrayCreate(std::span<const VarArrayBound>(bounds));
        helper = new TscArrayHelper("__ArrayHelper", static_cast<int>(bounds.size()), typ, typeName);
        scope->Add(std::string(), helper);
        typ = fvtArray;
    } else {
        switch (typ) {
        case fvtInt:
        case fvtFloat:
        case fvtClass: initial = Variant(0); break;
        case fvtBool: initial = Variant(false); break;
        case fvtChar:
        case fvtString: initial = Variant(std::string()); break;
        default: initial = Variant::Null();
        }
    }
    std::unique_ptr<TscVariable> variable;
    if (isParam)
        variable = std::make_unique<TscParamItem>(name, typ, typeName);
    else if (typ == fvtChar || typ == fvtString)
        variable = std::make_unique<TscStringVariable>(name, typ, typeName);
    else
        variable = std::make_unique<TscVariable>(name, typ, typeName);
    variable->SetValue(initial);
    variable->RefItem = helper;
    variable->OnGetValue = program_->OnGetVarValue;
    variable->SourcePos = currentPos_;
    variable->SourceUnit = unitName_;
    return variable;
}

TscCustomVariable* TscProgramBuilder::redeclaration(TscScript* scope, const std::string& name, const TscXMLItem* type,
                                                    const TscXMLItem* array, bool cStyle)
{
    // Without block scopes, C-style code declares "int i" in every block
    // that loops, and JScript and BasicScript allow "var"/"dim" again: a
    // second declaration of a plain variable with the same type is the same
    // variable. PascalScript keeps the strict rule.
    if (array || (!cStyle && needDeclareVars_)) return nullptr;
    TscCustomVariable* existing = scope->FindLocal(name);
    if (!existing || existing->ItemKind != ikVariable || existing->IsReadOnly || existing->Typ == fvtArray) return nullptr;
    std::string typeName = type ? type->Prop("text") : std::string("Variant");
    const TscVarType typ = findType(scope, typeName);
    return typ == existing->Typ && SameText(typeName, existing->TypeName) ? existing : nullptr;
}

void TscProgramBuilder::buildVar(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    // Pascal style: names first, then the shared type, array and init.
    // C style: the type first, then each name with its own array and init.
    const bool cStyle = element->Count() > 0 && named(element->Items(0), "type");
    const TscXMLItem* sharedType = nullptr;
    const TscXMLItem* sharedArray = nullptr;
    const TscXMLItem* sharedInit = nullptr;
    std::vector<std::pair<const TscXMLItem*, int>> names;  // ident, index
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "ident")) names.emplace_back(child, i);
        else if (named(child, "type")) sharedType = child;
        else if (!cStyle && named(child, "array")) sharedArray = child;
        else if (!cStyle && named(child, "init")) sharedInit = child;
    }
    for (size_t n = 0; n < names.size(); ++n) {
        const std::string name = names[n].first->Prop("text");
        const TscXMLItem* array = sharedArray;
        const TscXMLItem* init = sharedInit;
        if (cStyle) {
            const int end = n + 1 < names.size() ? names[n + 1].second : element->Count();
            for (int i = names[n].second + 1; i < end; ++i) {
                if (named(element->Items(i), "array")) array = element->Items(i);
                if (named(element->Items(i), "init")) init = element->Items(i);
            }
        }
        TscCustomVariable* variable = redeclaration(scope, name, sharedType, array, cStyle);
        if (!variable) {
            checkIdent(scope, name);
            variable = createVar(scope, name, sharedType, array, false).release();
            scope->Add(name, variable);
        }
        const int expr = init ? init->Find("expr") : -1;
        if (expr >= 0) {
            // The initial value is an assignment at this place.
            auto* statement = addStatement<TscAssignmentStmt>(element, scope, list);
            statement->Expression = createExpression(init->Items(expr), scope);
            checkTypeCompatibility(scope, variable, statement->Expression.get());
            statement->Designator = variableDesignator(variable, scope);
            statement->Optimize();
            finishStatement(element);
        }
    }
}

void TscProgramBuilder::buildConst(const TscXMLItem* element, TscScript* scope, TscStatement*)
{
    const int ident = element->Find("ident");
    const int expr = element->Find("expr");
    if (ident < 0 || expr < 0) return;
    const std::string name = element->Items(ident)->Prop("text");
    checkIdent(scope, name);
    std::unique_ptr<TscExpression> expression = createExpression(element->Items(expr), scope);
    auto constant = std::make_unique<TscVariable>(name, expression->Typ, expression->TypeName);
    constant->Value = expression->GetValue();
    constant->IsReadOnly = 1;
    constant->SourcePos = currentPos_;
    constant->SourceUnit = unitName_;
    scope->Add(name, constant.release());
}

// ---------------------------------------------------------------- procedures

void TscProgramBuilder::declareProcedure(const TscXMLItem* element, TscScript* scope)
{
    const std::string savedPos = currentPos_;
    currentPos_ = element->Prop("pos");
    const int ident = element->Find("ident");
    if (ident < 0) return;
    const std::string name = element->Items(ident)->Prop("text");
    checkIdent(scope, name);

    bool isFunc = named(element, "function");
    std::string typeName;
    TscVarType typ = fvtClass;
    if (isFunc) {
        const int type = element->Find("type");
        typeName = type >= 0 ? element->Items(type)->Prop("text") : std::string("Variant");
        if (SameText(typeName, "void")) {
            isFunc = false;
            typeName.clear();
        } else {
            typ = findType(scope, typeName);
        }
    }
    auto* proc = new TscProcVariable(name, typ, typeName, scope, isFunc);
    proc->SourcePos = currentPos_;
    proc->SourceUnit = unitName_;
    proc->Prog->OnGetVarValue = program_->OnGetVarValue;
    scope->Add(name, proc);
    procedures_[element] = proc;

    const int parameters = element->Find("parameters");
    if (parameters >= 0) {
        const TscXMLItem* groups = element->Items(parameters);
        for (int g = 0; g < groups->Count(); ++g) {
            const TscXMLItem* group = groups->Items(g);
            if (!named(group, "var")) continue;
            const bool byRef = group->Find("varparams") >= 0;
            const TscXMLItem* type = nullptr;
            const TscXMLItem* init = nullptr;
            for (int i = 0; i < group->Count(); ++i) {
                if (named(group->Items(i), "type")) type = group->Items(i);
                if (named(group->Items(i), "init")) init = group->Items(i);
            }
            for (int i = 0; i < group->Count(); ++i) {
                const TscXMLItem* child = group->Items(i);
                if (!named(child, "ident")) continue;
                const std::string paramName = child->Prop("text");
                checkIdent(proc->Prog.get(), paramName);
                // C++Script and JScript: a "&" (varparam) right before the name marks it.
                const bool varParam = byRef || (i > 0 && named(group->Items(i - 1), "varparam"));
                std::unique_ptr<TscVariable> variable = createVar(proc->Prog.get(), paramName, type, nullptr, true);
                auto* param = static_cast<TscParamItem*>(variable.get());
                param->IsVarParam = varParam ? 1 : 0;
                const int expr = init ? init->Find("expr") : -1;
                if (expr >= 0) {
                    std::unique_ptr<TscExpression> def = createExpression(init->Items(expr), proc->Prog.get());
                    checkTypeCompatibility(scope, param, def.get());
                    param->DefValue = def->GetValue();
                    param->IsOptional = param->DefValue.isNull() ? 0 : 1;
                }
                proc->Add(variable.release());
                proc->Prog->Add(paramName, param, false);
            }
        }
    }
    if (isFunc) {
        TscVariable* result = typ == fvtChar || typ == fvtString ? new TscStringVariable("Result", typ, typeName)
                                                                 : new TscVariable("Result", typ, typeName);
        result->OnGetValue = program_->OnGetVarValue;
        proc->Prog->Add("Result", result);
        proc->Result = result;
    }
    currentPos_ = savedPos;
}

void TscProgramBuilder::buildProcedure(const TscXMLItem* element, TscScript*, TscStatement*)
{
    const auto found = procedures_.find(element);
    if (found == procedures_.end()) return;
    TscProcVariable* proc = found->second;
    ParseItems(element, proc->Prog.get());
}

void TscProgramBuilder::buildUses(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    const std::string savedUnit = unitName_;
    unitName_ = element->Prop("unit");
    std::string il;
    if (program_->OnGetILUnit) program_->OnGetILUnit(program_, unitName_, il);
    if (!il.empty()) {
        TscXMLDocument document;
        document.LoadFromString(il);
        ParseItems(document.Root(), scope);
    } else {
        const TscXMLItem* savedTypes = ilTypes_;
        const int types = element->Find("types");
        if (types >= 0) ilTypes_ = element->Items(types);
        declareProcedures(element, scope);
        buildChildren(element, scope, list);
        ilTypes_ = savedTypes;
    }
    unitName_ = savedUnit;
}

// ---------------------------------------------------------------- statements

void TscProgramBuilder::buildCompound(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    buildChildren(element, scope, list);
}

void TscProgramBuilder::buildAssign(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    const int dsgn = element->Find("dsgn");
    const int expr = element->Find("expr");
    const int modificator = element->Find("modificator");
    if (dsgn < 0 || expr < 0) return;
    std::unique_ptr<TscDesignator> target = functionResult(element->Items(dsgn), scope);
    if (!target) target = createDesignator(element->Items(dsgn), scope, DesignatorMode::General);
    if (target->IsReadOnly) fail(scMessages().LeftSideCannotBeAssigned);
    std::unique_ptr<TscExpression> expression = createExpression(element->Items(expr), scope);
    checkTypeCompatibility(scope, target.get(), expression.get());

    std::string op = modificator >= 0 ? element->Items(modificator)->Prop("text") : std::string();
    if (op.empty() && target->Kind == TscDesignatorKind::Variable) {
        // x := x op y runs as x op= y.
        TscCustomVariable* variable = static_cast<TscVariableDesignator*>(target.get())->Variable;
        auto* root = dynamic_cast<TscOperatorNode*>(expression->Root);
        const auto isTarget = [variable](const TscExpressionNode* node) {
            auto* operand = dynamic_cast<const TscVariableNode*>(node);
            return operand && operand->Variable == variable;
        };
        const char* text = nullptr;
        if (root) switch (root->Op) {
            case opPlus: text = "+"; break;
            case opStrCat: text = "STRCAT"; break;
            case opMinus: text = "-"; break;
            case opMul: text = "*"; break;
            case opDivFloat: text = "/"; break;
            default: break;
            }
        if (text && root->Right) {
            TscExpressionNode* keep = nullptr;
            if (isTarget(root->Left)) {
                keep = root->Right;
                root->Right = nullptr;
            } else if (isTarget(root->Right) && (root->Op == opPlus || root->Op == opMul) &&
                       variable->Typ != fvtString && variable->Typ != fvtVariant) {
                keep = root->Left;
                root->Left = nullptr;
            }
            if (keep) {
                delete root;
                keep->Parent = nullptr;
                expression->Root = expression->CurNode = keep;
                op = text;
            }
        }
    }
    TscAssignmentStmt* statement;
    if (op == "+")
        statement = addStatement<TscAssignPlusStmt>(element, scope, list);
    else if (op == "STRCAT")
        statement = addStatement<TscAssignJoinStmt>(element, scope, list);
    else if (op == "-")
        statement = addStatement<TscAssignMinusStmt>(element, scope, list);
    else if (op == "*")
        statement = addStatement<TscAssignMulStmt>(element, scope, list);
    else if (op == "/")
        statement = addStatement<TscAssignDivStmt>(element, scope, list);
    else
        statement = addStatement<TscAssignmentStmt>(element, scope, list);
    statement->Designator = std::move(target);
    statement->Expression = std::move(expression);
    statement->Optimize();
    finishStatement(element);
}

std::unique_ptr<TscDesignator> TscProgramBuilder::variableDesignator(TscCustomVariable* variable, TscScript* scope)
{
    auto target = std::make_unique<TscVariableDesignator>(scope);
    target->Variable = variable;
    target->Kind = TscDesignatorKind::Variable;
    auto item = std::make_unique<TscDesignatorItem>();
    item->Ref = variable;
    item->Name = variable->Name;
    target->Add(item.release());
    target->UpdateTarget();
    return target;
}

std::unique_ptr<TscDesignator> TscProgramBuilder::functionResult(const TscXMLItem* dsgn, TscScript* scope)
{
    // Inside a function, "F = x" (BasicScript) or "F := x" sets its result.
    if (dsgn->Count() != 1 || !named(dsgn->Items(0), "node")) return nullptr;
    TscCustomVariable* item = scope->Find(dsgn->Items(0)->Prop("text"));
    if (!item || item->ItemKind != ikProc) return nullptr;
    auto* proc = static_cast<TscProcVariable*>(item);
    if (!proc->Result) return nullptr;
    for (const TscScript* s = scope; s; s = s->Parent)
        if (s == proc->Prog.get()) return variableDesignator(proc->Result, scope);
    return nullptr;
}

void TscProgramBuilder::buildCall(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    const int dsgn = element->Find("dsgn");
    if (dsgn < 0) return;
    std::unique_ptr<TscDesignator> designator = createDesignator(element->Items(dsgn), scope, DesignatorMode::General);
    const int modificator = element->Find("modificator");
    if (modificator >= 0) {
        // x++ and x-- run as x += 1 and x -= 1, with their fast paths.
        if (designator->IsReadOnly) fail(scMessages().LeftSideCannotBeAssigned);
        TscAssignmentStmt* step;
        if (element->Items(modificator)->Prop("text") == "-")
            step = addStatement<TscAssignMinusStmt>(element, scope, list);
        else
            step = addStatement<TscAssignPlusStmt>(element, scope, list);
        step->Designator = std::move(designator);
        step->Expression = constantExpression(Variant(1), scope);
        step->Optimize();
        finishStatement(element);
        return;
    }
    auto* statement = addStatement<TscCallStmt>(element, scope, list);
    designator->NeedResult = 0;
    statement->Designator = std::move(designator);
    finishStatement(element);
}

void TscProgramBuilder::buildIf(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = addStatement<TscIfStmt>(element, scope, list);
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "expr"))
            statement->Condition = createExpression(child, scope);
        else if (named(child, "thenstmt"))
            buildChildren(child, scope, statement);
        else if (named(child, "elsestmt"))
            buildChildren(child, scope, statement->ElseStmt.get());
    }
    if (!statement->Condition) statement->Condition = constantExpression(Variant(false), scope);
    finishStatement(element);
}

void TscProgramBuilder::buildCase(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = addStatement<TscCaseStmt>(element, scope, list);
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "expr") && !statement->Condition) {
            statement->Condition = createExpression(child, scope);
        } else if (named(child, "breakable")) {
            statement->ConsumesBreak = 1;
        } else if (named(child, "caseselector")) {
            auto* selector = new TscCaseSelector(scope, child->Prop("pos"), unitName_);
            statement->Add(selector);
            for (int j = 0; j < child->Count(); ++j) {
                const TscXMLItem* part = child->Items(j);
                if (named(part, "set"))
                    selector->SetExpression = createSet(part, scope);
                else
                    buildElement(part, scope, selector);
            }
            if (!selector->SetExpression) selector->SetExpression = std::make_unique<TscSetExpression>();
        } else {
            buildElement(child, scope, statement->ElseStmt.get());
        }
    }
    if (!statement->Condition) statement->Condition = constantExpression(Variant::Null(), scope);
    finishStatement(element);
}

namespace {

// The control variable of a for loop: an Integer, Float or Variant variable.
TscCustomVariable* loopVariable(TscCustomVariable* item)
{
    if (!item || item->ItemKind != ikVariable || item->IsReadOnly ||
        (item->Typ != fvtInt && item->Typ != fvtFloat && item->Typ != fvtVariant))
        fail(scMessages().ForLoopVariable);
    return item;
}

}  // namespace

template <class S, class F>
void TscProgramBuilder::buildCounting(const TscXMLItem* element, TscScript* scope, TscStatement* list, F other)
{
    auto* statement = addStatement<S>(element, scope, list);
    int exprs = 0;
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "ident") && !statement->Variable) {
            statement->Variable = loopVariable(findVar(scope, child->Prop("text")));
        } else if (named(child, "expr") && exprs < 2 && statement->Variable) {
            auto expression = createExpression(child, scope);
            checkTypeCompatibility(scope, statement->Variable, expression.get());
            (exprs++ == 0 ? statement->BeginValue : statement->EndValue) = std::move(expression);
        } else if (!other(child, statement) && exprs >= 2) {
            buildElement(child, scope, statement);
        }
    }
    if (!statement->Variable || exprs < 2) fail(scMessages().ForLoopVariable);
    finishStatement(element);
}

void TscProgramBuilder::buildFor(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    buildCounting<TscForStmt>(element, scope, list, [](const TscXMLItem* child, TscForStmt* statement) {
        if (!named(child, "downto")) return false;
        statement->Down = 1;
        return true;
    });
}

void TscProgramBuilder::buildVbFor(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    buildCounting<TscVbForStmt>(element, scope, list, [&](const TscXMLItem* child, TscVbForStmt* statement) {
        if (!named(child, "step")) return false;
        const int expr = child->Find("expr");
        if (expr >= 0) {
            statement->Step = createExpression(child->Items(expr), scope);
            checkTypeCompatibility(scope, statement->Variable, statement->Step.get());
        }
        return true;
    });
}

void TscProgramBuilder::buildCppFor(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = addStatement<TscCppForStmt>(element, scope, list);
    int compounds = 0;
    bool body = false;
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (!body && named(child, "compoundstmt") && compounds < 2) {
            buildChildren(child, scope, compounds++ == 0 ? statement->FirstStmt.get() : statement->SecondStmt.get());
        } else if (!body && named(child, "expr") && compounds == 1) {
            statement->Expression = createExpression(child, scope);
        } else {
            body = compounds >= 2;
            if (body) buildElement(child, scope, statement);
        }
    }
    finishStatement(element);
}

void TscProgramBuilder::buildWhile(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = addStatement<TscWhileStmt>(element, scope, list);
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "expr") && !statement->Condition)
            statement->Condition = createExpression(child, scope);
        else
            buildElement(child, scope, statement);
    }
    if (!statement->Condition) statement->Condition = constantExpression(Variant(false), scope);
    finishStatement(element);
}

void TscProgramBuilder::buildRepeat(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = addStatement<TscRepeatStmt>(element, scope, list);
    // The condition is the last expression; everything before it is the body.
    int condition = -1;
    for (int i = element->Count() - 1; i >= 0 && condition < 0; --i)
        if (named(element->Items(i), "expr")) condition = i;
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (i == condition)
            statement->Condition = createExpression(child, scope);
        else if (named(child, "inverse"))
            statement->InverseCondition = 1;
        else
            buildElement(child, scope, statement);
    }
    if (!statement->Condition) statement->Condition = constantExpression(Variant(true), scope);
    finishStatement(element);
}

void TscProgramBuilder::buildTry(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    auto* statement = addStatement<TscTryStmt>(element, scope, list);
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (named(child, "finallystmt") || named(child, "exceptstmt")) {
            statement->IsExcept = named(child, "exceptstmt") ? 1 : 0;
            buildChildren(child, scope, statement->ExceptStmt.get());
        } else {
            buildElement(child, scope, statement);
        }
    }
    finishStatement(element);
}

void TscProgramBuilder::buildBreak(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    addStatement<TscBreakStmt>(element, scope, list);
    finishStatement(element);
}

void TscProgramBuilder::buildContinue(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    addStatement<TscContinueStmt>(element, scope, list);
    finishStatement(element);
}

void TscProgramBuilder::buildExit(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    addStatement<TscExitStmt>(element, scope, list);
    finishStatement(element);
}

void TscProgramBuilder::buildReturn(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    const int expr = element->Find("expr");
    if (expr >= 0) {
        // As if the source said Result := x, at the same place.
        TscCustomVariable* result = scope->FindLocal("Result");
        if (!result) fail(scMessages().UndeclaredIdent + quoted("Result"));
        auto* statement = addStatement<TscAssignmentStmt>(element, scope, list);
        statement->Expression = createExpression(element->Items(expr), scope);
        checkTypeCompatibility(scope, result, statement->Expression.get());
        statement->Designator = variableDesignator(result, scope);
        statement->Optimize();
    }
    addStatement<TscExitStmt>(element, scope, list);
    finishStatement(element);
}

void TscProgramBuilder::buildWith(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    // The targets are the designators; the body, when there is one, follows.
    size_t pushed = 0;
    const TscXMLItem* body = nullptr;
    for (int i = 0; i < element->Count(); ++i) {
        const TscXMLItem* child = element->Items(i);
        if (!named(child, "dsgn")) {
            body = child;
            continue;
        }
        std::unique_ptr<TscDesignator> designator = createDesignator(child, scope, DesignatorMode::General);
        if (designator->Typ != fvtClass && designator->Typ != fvtVariant) fail(scMessages().ClassRequired);
        std::string name;
        for (int n = 0;; ++n) {
            name = "_WithList_" + std::to_string(n);
            if (!scope->FindLocal(name) && std::find(withList_.begin(), withList_.end(), name) == withList_.end())
                break;
        }
        auto* variable = new TscVariable(name, designator->Typ, designator->TypeName);
        scope->Add(name, variable);
        auto* statement = addStatement<TscWithStmt>(element, scope, list);
        statement->Designator = std::move(designator);
        statement->Variable = variable;
        withList_.push_back(name);
        ++pushed;
    }
    if (body) buildElement(body, scope, list);
    withList_.resize(withList_.size() - pushed);
    finishStatement(element);
}

void TscProgramBuilder::buildDelete(const TscXMLItem* element, TscScript* scope, TscStatement* list)
{
    const int dsgn = element->Find("dsgn");
    if (dsgn < 0) return;
    std::unique_ptr<TscDesignator> designator = createDesignator(element->Items(dsgn), scope, DesignatorMode::Free);
    auto* statement = addStatement<TscCallStmt>(element, scope, list);
    designator->NeedResult = 0;
    statement->Designator = std::move(designator);
    finishStatement(element);
}

// ---------------------------------------------------------------- entry

void TscILParser::ParseILScript()
{
    WithList.clear();
    UnitName.clear();
    if (Program) Program->ErrorUnit.clear();
    TscProgramBuilder builder(*this);
    try {
        builder.ParseItems(ILScript.Root(), Program);
        Program->ErrorPos.clear();
    } catch (const Exception& e) {
        CurrentPos = builder.CurrentPos();
        UnitName = builder.UnitName();
        Program->ErrorMsg = e.message();
        Program->ErrorPos = CurrentPos;
        Program->ErrorUnit = UnitName;
    }
}
