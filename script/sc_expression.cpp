// Expressions: tree building by operator precedence, kind inference and
// evaluation; designators: evaluation of item chains and their fast forms.

#include "sc_expression.h"

#include <array>
#include <exception>
#include <span>
#include <utility>
#include <vector>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_arith.h"
#include "sc_classes.h"
#include "sc_const.h"
#include "sc_stack.h"

// ---------------------------------------------------------------- nodes

TscExpressionNode::~TscExpressionNode()
{
    delete Left;
    delete Right;
}

TscOperandNode::TscOperandNode(const Variant& value) : Value(value)
{
    Direct = &Value;
    switch (value.type()) {
    case varBoolean: Typ = fvtBool; break;
    case varDouble:
    case varSingle:
    case varCurrency:
    case varDate: Typ = fvtFloat; break;
    case varString:
    case varOleStr: Typ = fvtString; break;
    default: Typ = fvtInt;
    }
}

TscDesignatorNode::TscDesignatorNode(std::unique_ptr<TscDesignator> designator) : Designator(std::move(designator))
{
    Typ = Designator->Typ;
    TypeName = Designator->TypeName;
}

TscDesignatorNode::~TscDesignatorNode() = default;

Variant TscDesignatorNode::Eval()
{
    scCheckStack();
    return Designator->Evaluate(false, TscDesignator::kNull);
}

TscCallNode::TscCallNode(std::unique_ptr<TscDesignator> designator, TscProcVariable* proc)
    : TscDesignatorNode(std::move(designator)), Proc(proc), Item(Designator->Item(0))
{
    const int argc = std::min(Item->Count(), 4);
    for (int i = 0; i < argc; ++i) args_[i] = Item->Arg(i)->Root;
}

TscVariableNode::TscVariableNode(std::unique_ptr<TscDesignator> designator, TscCustomVariable* variable)
    : TscDesignatorNode(std::move(designator)), Variable(variable)
{
    if (variable->ItemKind == ikVariable) DirectVar = static_cast<TscVariable*>(variable);
}

Variant TscVariableNode::Eval()
{
    if (!static_cast<TscVariable*>(Variable)->OnGetValue) return Variable->Value;
    return Variable->GetValue();
}

TscSetNode::TscSetNode(std::unique_ptr<TscSetExpression> set) : Set(std::move(set))
{
    Typ = fvtVariant;
}

TscSetNode::~TscSetNode() = default;

Variant TscSetNode::Eval()
{
    scCheckStack();
    return Set->GetValue();
}

namespace {

constexpr std::array<int, 25> kPriorities = {7, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 6, 5, 1, 1, 4, 4, 3};

bool isComparison(TscOperator op)
{
    return op >= opGreat && op <= opEq;
}

[[noreturn]] void invalidOperation()
{
    throw EVariantError("Invalid variant operation");
}

// The structural nodes: they never survive Finalize.
class TscStructureNode final : public TscOperatorNode {
public:
    using TscOperatorNode::TscOperatorNode;
    Variant Eval() override
    {
        if (Op == opNone && Left) return Left->Eval();
        invalidOperation();
    }
};

template <TscOperator O>
class TscBinaryNode : public TscOperatorNode {
public:
    TscBinaryNode() : TscOperatorNode(O) {}
    bool EvalBool() override
    {
        if constexpr (O >= opGreat && O <= opEq) {
            int32_t a, b;
            if (BothPeek && integerOperands(a, b)) return compareIntegers(a, b);
            return compareAny();
        } else {
            return TscExpressionNode::EvalBool();
        }
    }

    Variant Eval() override
    {
        if constexpr (kIntegers) {
            int32_t a, b;
            if (BothPeek && integerOperands(a, b) && takesIntegers(b)) return integerResult(a, b);
        }
        return evalAny();
    }

    // The operators whose two Integers read in place give an Integer or a
    // Boolean without the Variant operators (the same results as theirs).
    static constexpr bool kIntegers = (O >= opGreat && O <= opPlus) || O == opStrCat || O == opMinus ||
                                      O == opMul || O == opMod || O == opDivInt;

    // Whether integerResult serves the right operand (no division by zero).
    static bool takesIntegers(int32_t b) { return (O != opMod && O != opDivInt) || b != 0; }

    [[gnu::always_inline]] static Variant integerResult(int32_t a, int32_t b)
    {
        if constexpr (O >= opGreat && O <= opEq) return Variant(compareIntegers(a, b));
        if constexpr (O == opPlus || O == opStrCat) return scIntAdd(a, b);
        if constexpr (O == opMinus) return scIntSub(a, b);
        if constexpr (O == opMul) return scIntMul(a, b);
        if constexpr (O == opMod) return scIntMod(a, b);
        if constexpr (O == opDivInt) return scIntQuotient(a, b);
        return Variant();
    }

    static bool compareIntegers(int32_t a, int32_t b)
    {
        if constexpr (O == opGreat) return a > b;
        if constexpr (O == opLess) return a < b;
        if constexpr (O == opLessEq) return a <= b;
        if constexpr (O == opGreatEq) return a >= b;
        if constexpr (O == opNonEq) return a != b;
        return a == b;
    }

private:

    // Both operands are Integers that need no evaluation.
    [[gnu::always_inline]] bool integerOperands(int32_t& a, int32_t& b) const
    {
        const Variant* right = Right->Peek();
        if (!right || right->type() != varInteger) return false;
        const Variant* left = Left->Peek();
        if (!left || left->type() != varInteger) return false;
        a = left->rawInt();
        b = right->rawInt();
        return true;
    }

    [[gnu::noinline, gnu::flatten]] bool compareAny()
    {
        return withOperands([](const Variant& left, const Variant& right) { return compare(left, right); });
    }

    [[gnu::noinline, gnu::flatten]] Variant evalAny()
    {
        if constexpr (O == opAnd || O == opOr) {
            if (BothBool) {
                scCheckStack();
                const Variant left = Left->Eval();
                if (left.type() == varBoolean && left.rawBool() == (O == opOr)) return left;
                if (left.type() != varBoolean) return O == opAnd ? VarAnd(left, Right->Eval()) : VarOr(left, Right->Eval());
                return Right->Eval();
            }
        }
        if constexpr (O == opNot || O == opUnMinus) {
            scCheckStack();
            const Variant left = Left->Eval();
            if constexpr (O == opNot) return VarNot(left);
            if (left.type() == varInteger) return scIntResult(-static_cast<int64_t>(left.rawInt()));
            return -left;
        } else {
            return withOperands([](const Variant& left, const Variant& right) { return apply(left, right); });
        }
    }

    // Operands read in place when nothing runs between the read and the
    // operation: the right one always, the left one only when the right
    // one needs no evaluation either. The stack is checked only where an
    // operand is evaluated (where the tree recurses).
    template <class F>
    auto withOperands(F f)
    {
        if (const Variant* right = Right->Peek()) {
            if (const Variant* left = Left->Peek()) return f(*left, *right);
            scCheckStack();
            const Variant left = Left->Eval();
            return f(left, *right);
        }
        scCheckStack();
        const Variant left = Left->Eval();
        const Variant right = Right->Eval();
        return f(left, right);
    }

protected:
    static bool compare(const Variant& left, const Variant& right)
    {
        if constexpr (O == opGreat) return scCompare(left, right) > 0;
        if constexpr (O == opLess) return scCompare(left, right) < 0;
        if constexpr (O == opLessEq) return scCompare(left, right) <= 0;
        if constexpr (O == opGreatEq) return scCompare(left, right) >= 0;
        if constexpr (O == opNonEq) return !scEquals(left, right);
        if constexpr (O == opEq) return scEquals(left, right);
        return false;
    }

    static Variant apply(const Variant& left, const Variant& right)
    {
        if constexpr (O >= opGreat && O <= opEq) return Variant(compare(left, right));
        if constexpr (O == opPlus) return scAdd(left, right);
        if constexpr (O == opStrCat) {
            if (left.isString()) return Variant(left.toString() + right.toString());
            return scAdd(left, right);
        }
        if constexpr (O == opMinus) return scSub(left, right);
        if constexpr (O == opMul) return scMul(left, right);
        if constexpr (O == opDivFloat) return scDivFloat(left, right);
        if constexpr (O == opDivInt) return scIntDiv(left, right);
        if constexpr (O == opMod) return scMod(left, right);
        if constexpr (O == opAnd) return VarAnd(left, right);
        if constexpr (O == opOr) return VarOr(left, right);
        if constexpr (O == opXor) return VarXor(left, right);
        if constexpr (O == opShl) return VarShl(left, right);
        if constexpr (O == opShr) return VarShr(left, right);
        return Variant();
    }
};

// A plain variable with an Integer constant on its right (i mod 7, n - 1,
// n < 2): both read without asking the operand nodes; anything but an
// Integer in the variable, or a read hook, takes the general way.
template <TscOperator O>
class TscVarConstNode final : public TscBinaryNode<O> {
public:
    TscVarConstNode(TscVariable* variable, int32_t constant) : variable_(variable), constant_(constant) {}
    bool EvalBool() override
    {
        if constexpr (O >= opGreat && O <= opEq) {
            const Variant& v = variable_->Value;
            if (!variable_->OnGetValue && v.type() == varInteger)
                return TscBinaryNode<O>::compareIntegers(v.rawInt(), constant_);
        }
        return TscBinaryNode<O>::EvalBool();
    }
    Variant Eval() override
    {
        const Variant& v = variable_->Value;
        if (!variable_->OnGetValue && v.type() == varInteger && TscBinaryNode<O>::takesIntegers(constant_))
            return TscBinaryNode<O>::integerResult(v.rawInt(), constant_);
        return TscBinaryNode<O>::Eval();
    }

private:
    TscVariable* variable_;
    int32_t constant_;
};

// Any other operand with an Integer constant on its right ((i * 3) mod 7,
// F(n) + 1): the operand is evaluated and combined without reading the
// constant's node again.
template <TscOperator O>
class TscExprConstNode final : public TscBinaryNode<O> {
public:
    explicit TscExprConstNode(int32_t constant) : constant_(constant) {}
    bool EvalBool() override
    {
        if constexpr (O >= opGreat && O <= opEq) {
            scCheckStack();
            const Variant left = this->Left->Eval();
            if (left.type() == varInteger) return TscBinaryNode<O>::compareIntegers(left.rawInt(), constant_);
            return TscBinaryNode<O>::compare(left, *this->Right->Direct);
        } else {
            return TscBinaryNode<O>::EvalBool();
        }
    }
    Variant Eval() override
    {
        scCheckStack();
        const Variant left = this->Left->Eval();
        if (left.type() == varInteger && TscBinaryNode<O>::takesIntegers(constant_))
            return TscBinaryNode<O>::integerResult(left.rawInt(), constant_);
        return TscBinaryNode<O>::apply(left, *this->Right->Direct);
    }

private:
    int32_t constant_;
};

// Two operands that both need evaluating (F(n - 1) + F(n - 2)): left, then
// right, then combined, in one step.
template <TscOperator O>
class TscEvalBothNode final : public TscBinaryNode<O> {
public:
    bool EvalBool() override
    {
        if constexpr (O >= opGreat && O <= opEq) {
            scCheckStack();
            const Variant left = this->Left->Eval();
            const Variant right = this->Right->Eval();
            if (left.type() == varInteger && right.type() == varInteger)
                return TscBinaryNode<O>::compareIntegers(left.rawInt(), right.rawInt());
            return TscBinaryNode<O>::compare(left, right);
        } else {
            return TscBinaryNode<O>::EvalBool();
        }
    }
    Variant Eval() override
    {
        scCheckStack();
        const Variant left = this->Left->Eval();
        const Variant right = this->Right->Eval();
        if (left.type() == varInteger && right.type() == varInteger && TscBinaryNode<O>::takesIntegers(right.rawInt()))
            return TscBinaryNode<O>::integerResult(left.rawInt(), right.rawInt());
        return TscBinaryNode<O>::apply(left, right);
    }
};

template <TscOperator O>
TscOperatorNode* makeVarConst(TscVariable* variable, int32_t constant)
{
    if constexpr (TscBinaryNode<O>::kIntegers) {
        if (variable) return new TscVarConstNode<O>(variable, constant);
        return new TscExprConstNode<O>(constant);
    } else {
        return nullptr;
    }
}

template <TscOperator O>
TscOperatorNode* makeEvalBoth()
{
    if constexpr (TscBinaryNode<O>::kIntegers)
        return new TscEvalBothNode<O>;
    else
        return nullptr;
}

TscOperatorNode* evalBoth(TscOperator op)
{
    switch (op) {
    case opGreat: return makeEvalBoth<opGreat>();
    case opLess: return makeEvalBoth<opLess>();
    case opLessEq: return makeEvalBoth<opLessEq>();
    case opGreatEq: return makeEvalBoth<opGreatEq>();
    case opNonEq: return makeEvalBoth<opNonEq>();
    case opEq: return makeEvalBoth<opEq>();
    case opPlus: return makeEvalBoth<opPlus>();
    case opStrCat: return makeEvalBoth<opStrCat>();
    case opMinus: return makeEvalBoth<opMinus>();
    case opMul: return makeEvalBoth<opMul>();
    case opMod: return makeEvalBoth<opMod>();
    case opDivInt: return makeEvalBoth<opDivInt>();
    default: return nullptr;
    }
}

// The specialised form of an operator node whose operands allow one (a
// variable or any other operand with an Integer constant on its right, two
// operands that both need evaluating), or nullptr.
TscOperatorNode* specialised(const TscOperatorNode* node)
{
    const TscExpressionNode* left = node->Left;
    const TscExpressionNode* right = node->Right;
    if (left && right && !left->MayPeek() && !right->MayPeek()) return evalBoth(node->Op);
    if (!left || !right || !right->Direct || right->Direct->type() != varInteger) return nullptr;
    // A constant on the left is left to the general node (it folds nothing here).
    if (left->Direct) return nullptr;
    TscVariable* variable = left->DirectVar;
    const int32_t constant = right->Direct->rawInt();
    switch (node->Op) {
    case opGreat: return makeVarConst<opGreat>(variable, constant);
    case opLess: return makeVarConst<opLess>(variable, constant);
    case opLessEq: return makeVarConst<opLessEq>(variable, constant);
    case opGreatEq: return makeVarConst<opGreatEq>(variable, constant);
    case opNonEq: return makeVarConst<opNonEq>(variable, constant);
    case opEq: return makeVarConst<opEq>(variable, constant);
    case opPlus: return makeVarConst<opPlus>(variable, constant);
    case opStrCat: return makeVarConst<opStrCat>(variable, constant);
    case opMinus: return makeVarConst<opMinus>(variable, constant);
    case opMul: return makeVarConst<opMul>(variable, constant);
    case opMod: return makeVarConst<opMod>(variable, constant);
    case opDivInt: return makeVarConst<opDivInt>(variable, constant);
    default: return nullptr;
    }
}

// x in [set] and x in array.
class TscInNode final : public TscOperatorNode {
public:
    TscInNode() : TscOperatorNode(opIn) {}
    Variant Eval() override
    {
        scCheckStack();
        const Variant left = Left->Eval();
        if (!resolved_) {
            set_ = dynamic_cast<TscSetNode*>(Right);
            resolved_ = true;
        }
        if (set_) return Variant(set_->Set->Check(left));
        const Variant right = Right->Eval();
        if (!right.isArray() || right.arrayDimCount() != 1) return Variant(false);
        const int low = right.arrayLowBound(1);
        const int high = right.arrayHighBound(1);
        for (int i = low; i <= high; ++i) {
            const Variant element = right.arrayGet(i);
            if (i + 2 <= high && right.arrayGet(i + 1).isNull()) {
                if (scCompare(left, element) >= 0 && scCompare(left, right.arrayGet(i + 2)) <= 0) return Variant(true);
                i += 2;
                continue;
            }
            if (scEquals(left, element)) return Variant(true);
        }
        return Variant(false);
    }

private:
    TscSetNode* set_ = nullptr;
    bool resolved_ = false;
};

// obj is TClass.
class TscIsNode final : public TscOperatorNode {
public:
    TscIsNode() : TscOperatorNode(opIs) {}
    Variant Eval() override
    {
        scCheckStack();
        const Variant left = Left->Eval();
        const TscClassVariable* record = classRecord();
        TObject* object = VariantToObject(left);
        if (!object || !record) return Variant(false);
        if (record->ClassRef) return Variant(object->InheritsFrom(record->ClassRef));
        for (const TClass* cls = object->ClassType(); cls; cls = cls->ClassParent())
            if (SameText(cls->ClassName(), record->Name)) return Variant(true);
        return Variant(false);
    }

private:
    const TscClassVariable* classRecord() const
    {
        auto* node = dynamic_cast<TscDesignatorNode*>(Right);
        if (!node || node->Designator->Count() != 1) return nullptr;
        const TscCustomVariable* ref = node->Designator->Item(0)->Ref;
        return ref && ref->ItemKind == ikClass ? static_cast<const TscClassVariable*>(ref) : nullptr;
    }
};

TscOperatorNode* makeOperator(TscOperator op)
{
    switch (op) {
    case opGreat: return new TscBinaryNode<opGreat>;
    case opLess: return new TscBinaryNode<opLess>;
    case opLessEq: return new TscBinaryNode<opLessEq>;
    case opGreatEq: return new TscBinaryNode<opGreatEq>;
    case opNonEq: return new TscBinaryNode<opNonEq>;
    case opEq: return new TscBinaryNode<opEq>;
    case opPlus: return new TscBinaryNode<opPlus>;
    case opStrCat: return new TscBinaryNode<opStrCat>;
    case opMinus: return new TscBinaryNode<opMinus>;
    case opOr: return new TscBinaryNode<opOr>;
    case opXor: return new TscBinaryNode<opXor>;
    case opMul: return new TscBinaryNode<opMul>;
    case opDivFloat: return new TscBinaryNode<opDivFloat>;
    case opDivInt: return new TscBinaryNode<opDivInt>;
    case opMod: return new TscBinaryNode<opMod>;
    case opAnd: return new TscBinaryNode<opAnd>;
    case opShl: return new TscBinaryNode<opShl>;
    case opShr: return new TscBinaryNode<opShr>;
    case opNot: return new TscBinaryNode<opNot>;
    case opUnMinus: return new TscBinaryNode<opUnMinus>;
    case opIn: return new TscInNode;
    case opIs: return new TscIsNode;
    default: return new TscStructureNode(op);
    }
}

TscOperator operatorOf(std::string_view text)
{
    static const std::pair<std::string_view, TscOperator> table[] = {
        {" ", opNone},      {">", opGreat},         {"<", opLess},   {"<=", opLessEq}, {">=", opGreatEq},
        {"<>", opNonEq},    {"=", opEq},            {"+", opPlus},   {"STRCAT", opStrCat}, {"-", opMinus},
        {"OR", opOr},       {"XOR", opXor},         {"*", opMul},    {"/", opDivFloat}, {"DIV", opDivInt},
        {"MOD", opMod},     {"AND", opAnd},         {"SHL", opShl},  {"SHR", opShr},   {"(", opLeftBracket},
        {")", opRightBracket}, {"NOT", opNot},      {"UNMINUS", opUnMinus}, {"IN", opIn}, {"IS", opIs},
    };
    for (const auto& [name, op] : table)
        if (SameText(name, text)) return op;
    throw EVariantError("Invalid variant operation");
}

}  // namespace

int TscOperatorNode::Priority() const
{
    return kPriorities[Op];
}

// ---------------------------------------------------------------- expression

TscExpression::TscExpression(TscScript* script) : TscCustomVariable(std::string(), fvtVariant, std::string()), Script(script)
{
    ItemKind = ikExpression;
    Root = CurNode = new TscStructureNode(opNone);
}

namespace {

// Frees a tree without recursing (a long chain of operators, "1+1+...",
// is as deep as it has terms) and without allocating, as it runs in a
// destructor also when memory ran out: left children are rotated up until
// a node has none, which then goes.
void deleteTree(TscExpressionNode* node) noexcept
{
    while (node) {
        if (TscExpressionNode* left = node->Left) {
            node->Left = left->Right;
            left->Right = node;
            node = left;
            continue;
        }
        TscExpressionNode* right = std::exchange(node->Right, nullptr);
        delete node;
        node = right;
    }
}

// The depth of a tree, counted without recursing.
int treeDepth(const TscExpressionNode* root)
{
    int deepest = 0;
    std::vector<std::pair<const TscExpressionNode*, int>> pending;
    if (root) pending.emplace_back(root, 1);
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        if (node->Left) pending.emplace_back(node->Left, depth + 1);
        if (node->Right) pending.emplace_back(node->Right, depth + 1);
    }
    return deepest;
}

}  // namespace

TscExpression::~TscExpression()
{
    deleteTree(Root);
}

void TscExpression::attach(TscExpressionNode* node)
{
    node->Parent = CurNode;
    if (!CurNode->Left)
        CurNode->Left = node;
    else
        CurNode->Right = node;
    CurNode = node;
}

void TscExpression::closeBracket()
{
    TscExpressionNode* node = CurNode;
    while (node && node->Priority() <= 5) node = node->Parent;
    auto* bracket = dynamic_cast<TscOperatorNode*>(node);
    if (!bracket || bracket->Op != opLeftBracket || !bracket->Parent) return;
    TscExpressionNode* parent = bracket->Parent;
    TscExpressionNode* child = bracket->Left;
    bracket->Left = nullptr;
    if (parent->Left == bracket)
        parent->Left = child;
    else
        parent->Right = child;
    if (child) child->Parent = parent;
    delete bracket;
    CurNode = child ? child : parent;
}

void TscExpression::addBinary(TscOperatorNode* node)
{
    auto* cur = dynamic_cast<TscOperatorNode*>(CurNode);
    if (cur && (cur->Op == opNone || cur->Op == opLeftBracket)) {
        attach(node);
        return;
    }
    TscExpressionNode* candidate = CurNode;
    while (candidate->Parent && candidate->Parent->Priority() <= node->Priority()) candidate = candidate->Parent;
    TscExpressionNode* parent = candidate->Parent;
    if (parent->Left == candidate)
        parent->Left = node;
    else
        parent->Right = node;
    node->Parent = parent;
    node->Left = candidate;
    candidate->Parent = node;
    CurNode = node;
}

void TscExpression::AddOperator(std::string_view text, const std::string& pos)
{
    const TscOperator op = operatorOf(text);
    if (op == opRightBracket) {
        closeBracket();
        return;
    }
    TscOperatorNode* node = makeOperator(op);
    node->Pos = pos;
    if (op == opLeftBracket || op == opNot || op == opUnMinus)
        attach(node);
    else
        addBinary(node);
}

void TscExpression::AddConst(const Variant& value, const std::string& pos)
{
    auto* node = new TscOperandNode(value);
    node->Pos = pos;
    attach(node);
}

void TscExpression::AddOperand(std::unique_ptr<TscDesignator> designator, const std::string& pos)
{
    TscDesignatorNode* node;
    if (designator->Kind == TscDesignatorKind::Variable) {
        TscCustomVariable* variable = static_cast<TscVariableDesignator*>(designator.get())->Variable;
        node = new TscVariableNode(std::move(designator), variable);
    } else if (designator->Kind == TscDesignatorKind::Call) {
        TscProcVariable* proc = static_cast<TscCallDesignator*>(designator.get())->Proc;
        node = TscCallNode::Make(std::move(designator), proc);
    } else if (designator->Kind == TscDesignatorKind::HostCall) {
        node = new TscHostCallNode(std::move(designator));
    } else {
        node = new TscDesignatorNode(std::move(designator));
    }
    node->Pos = pos;
    attach(node);
}

void TscExpression::AddSet(std::unique_ptr<TscSetExpression> set, const std::string& pos)
{
    auto* node = new TscSetNode(std::move(set));
    node->Pos = pos;
    attach(node);
}

bool TscExpression::infer(TscExpressionNode* node)
{
    auto* op = dynamic_cast<TscOperatorNode*>(node);
    if (!op) return true;
    scCheckCompileStack();
    if (op->Left && !infer(op->Left)) return false;
    if (op->Right && !infer(op->Right)) return false;
    const TscVarType left = op->Left ? op->Left->Typ : fvtVariant;
    const std::string leftName = op->Left ? op->Left->TypeName : std::string();
    const TscVarType right = op->Right ? op->Right->Typ : fvtVariant;
    const std::string rightName = op->Right ? op->Right->TypeName : std::string();
    op->BothBool = left == fvtBool && right == fvtBool ? 1 : 0;
    op->BothPeek = op->Left && op->Right && op->Left->MayPeek() && op->Right->MayPeek() ? 1 : 0;

    // BasicScript's "&" turns any right operand of a text into text.
    const bool textJoin = op->Op == opStrCat && (left == fvtString || left == fvtChar);
    bool ok = (op->Op == opIs && left == fvtClass && right == fvtClass) || textJoin ||
              TypesCompatible(left, leftName, right, rightName, Script);
    if (ok) {
        const TscOperator code = op->Op == opStrCat ? opPlus : op->Op;
        switch (left) {
        case fvtBool:
            ok = code == opNonEq || code == opEq || code == opOr || code == opXor || code == opAnd || code == opNot;
            break;
        case fvtChar:
        case fvtString: ok = (code >= opGreat && code <= opPlus) || code == opIn || op->Op == opStrCat; break;
        case fvtClass:
        case fvtArray: ok = code == opNonEq || code == opEq || code == opIs; break;
        default: break;
        }
    }
    if (!ok) {
        if (ErrorPos.empty()) {
            ErrorPos = op->Pos;
            ErrorLeftType = left;
            ErrorLeftName = leftName;
            ErrorRightType = right;
            ErrorRightName = rightName;
        }
        return false;
    }
    op->Typ = left;
    op->TypeName = leftName;
    if ((left == fvtInt && right == fvtFloat) || (left == fvtFloat && right == fvtInt)) op->Typ = fvtFloat;
    if (op->Op == opDivFloat && left == fvtInt) op->Typ = fvtFloat;
    if (op->Op == opStrCat) op->Typ = left;
    if (isComparison(op->Op) || op->Op == opIn || op->Op == opIs) {
        op->Typ = fvtBool;
        op->TypeName = "Boolean";
    }
    return true;
}

bool TscExpression::Finalize()
{
    // The building root goes; its child is the tree.
    TscExpressionNode* child = Root->Left;
    Root->Left = nullptr;
    delete Root;
    Root = child ? child : new TscOperandNode(Variant::Null());
    Root->Parent = nullptr;
    CurNode = Root;
    // Evaluating recurses along the tree: bound it like the grammar's nesting.
    if (treeDepth(Root) > scMaxExpressionDepth) throw Exception(scMessages().NestingTooDeep);
    const bool ok = infer(Root);
    if (ok) specialise();
    Typ = Root->Typ;
    TypeName = Root->TypeName;
    TscDesignator* single = SingleDesignator();
    IsReadOnly = single && !single->IsReadOnly ? 0 : 1;
    return ok;
}

void TscExpression::specialise()
{
    // Every child slot of the tree, walked without recursing.
    std::vector<TscExpressionNode**> pending{&Root};
    while (!pending.empty()) {
        TscExpressionNode** slot = pending.back();
        pending.pop_back();
        TscExpressionNode* node = *slot;
        if (auto* op = dynamic_cast<TscOperatorNode*>(node)) {
            if (TscOperatorNode* better = specialised(op)) {
                better->Left = std::exchange(op->Left, nullptr);
                better->Right = std::exchange(op->Right, nullptr);
                better->Left->Parent = better->Right->Parent = better;
                better->Parent = op->Parent;
                better->Typ = op->Typ;
                better->TypeName = op->TypeName;
                better->Pos = op->Pos;
                better->BothBool = op->BothBool;
                better->BothPeek = op->BothPeek;
                if (CurNode == op) CurNode = better;
                delete op;
                *slot = node = better;
            }
        }
        if (node->Left) pending.push_back(&node->Left);
        if (node->Right) pending.push_back(&node->Right);
    }
}

TscDesignator* TscExpression::SingleDesignator() const
{
    auto* node = dynamic_cast<TscDesignatorNode*>(Root);
    return node ? node->Designator.get() : nullptr;
}

bool TscExpression::IsConstant() const
{
    return dynamic_cast<TscOperandNode*>(Root) != nullptr;
}

void TscExpression::SetValue(const Variant& value)
{
    if (IsReadOnly) return;
    if (TscDesignator* designator = SingleDesignator()) designator->SetValue(value);
}

// ---------------------------------------------------------------- sets

TscSetExpression::TscSetExpression() : TscCustomVariable(std::string(), fvtVariant, std::string()) {}

bool TscSetExpression::Check(const Variant& value)
{
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        TscExpression* element = Element(i);
        if (!element) continue;
        if (i + 2 < count && !Element(i + 1) && Element(i + 2)) {
            if (scCompare(value, element->GetValue()) >= 0 && scCompare(value, Element(i + 2)->GetValue()) <= 0)
                return true;
            i += 2;
            continue;
        }
        if (scEquals(value, element->GetValue())) return true;
    }
    return false;
}

Variant TscSetExpression::GetValue()
{
    Variant result = VarArrayCreate({{0, Count() - 1}});
    for (int i = 0; i < Count(); ++i) result.arrayPut(i, Element(i) ? Element(i)->GetValue() : Variant::Null());
    return result;
}

// ---------------------------------------------------------------- designators

const Variant TscDesignator::kNull = Variant::Null();

void TscDesignator::UpdateTarget()
{
    const TscDesignatorItem* last = LastItem();
    if (!last || !last->Ref) {
        Typ = fvtVariant;
        TypeName.clear();
        IsReadOnly = 1;
        return;
    }
    Typ = last->Ref->Typ;
    TypeName = last->TypeName.empty() ? last->Ref->TypeName : last->TypeName;
    if (Typ == fvtConstructor) Typ = fvtClass;
    IsReadOnly = last->Ref->IsReadOnly;
    // An index property reads through its ".GET" and writes through ".SET".
    if (last->Ref->ItemKind == ikMethod && static_cast<const TscMethodHelper*>(last->Ref)->IndexMethod)
        IsReadOnly = 0;
}

namespace {

using ArgBuffer = TscValueBuffer<4>;

// The argument values of an item, in order (a macro's as source text).
struct EvaluatedArgs {
    const TscDesignatorItem* item;
    bool macro;
    Variant operator()(size_t i) const
    {
        TscExpression* arg = item->Arg(static_cast<int>(i));
        return macro ? Variant(arg->Source) : arg->Root->Eval();
    }
};

// Plain variables passed as var parameters of a procedure that edits texts
// in place: each gives up its share of the text for the call, so that the
// parameter holds the only one. Should the call fail, the variables get
// the parameters' values back; otherwise the caller writes them back.
class LentTexts {
public:
    LentTexts(TscCustomHelper* helper, const TscDesignatorItem* item, int argc) : helper_(helper)
    {
        if (!helper) return;
        for (int a = 0; a < argc && count_ < kMost; ++a) {
            const Variant& param = helper->GetParam(a)->Value;
            TscVariable* variable = item->Arg(a)->Root->DirectVar;
            if (!helper->GetParam(a)->IsVarParam || !variable || variable->OnGetValue || variable->IsReadOnly ||
                param.type() != varString || variable->Value.type() != varString ||
                &variable->Value.rawString() != &param.rawString())
                continue;
            variable->Value.clear();
            lent_[count_++] = {variable, a};
        }
    }
    ~LentTexts()
    {
        if (!count_ || !std::uncaught_exceptions()) return;
        for (int i = 0; i < count_; ++i) lent_[i].variable->Value = helper_->GetParam(lent_[i].param)->Value;
    }
    LentTexts(const LentTexts&) = delete;
    LentTexts& operator=(const LentTexts&) = delete;

private:
    static constexpr int kMost = 4;
    struct Lent {
        TscVariable* variable;
        int param;
    };
    TscCustomHelper* helper_;
    Lent lent_[kMost];
    int count_ = 0;
};

// A helper reached again while one of its uses is under way keeps that
// use's context and arguments.
class HelperUse {
public:
    explicit HelperUse(TscCustomHelper* helper) : helper_(helper)
    {
        if (helper_->Active++ > 0) {
            saved_ = std::make_unique<Saved>();
            saved_->parentRef = helper_->ParentRef;
            saved_->parentValue = helper_->ParentValue;
            saved_->prog = helper_->Prog;
            for (int i = 0; i < helper_->Count(); ++i) saved_->params.push_back(helper_->GetParam(i)->Value);
        }
    }
    ~HelperUse()
    {
        if (saved_) {
            helper_->ParentRef = saved_->parentRef;
            helper_->ParentValue = std::move(saved_->parentValue);
            helper_->Prog = saved_->prog;
            for (int i = 0; i < helper_->Count() && i < static_cast<int>(saved_->params.size()); ++i)
                helper_->GetParam(i)->Value = std::move(saved_->params[static_cast<size_t>(i)]);
        }
        --helper_->Active;
    }
    HelperUse(const HelperUse&) = delete;
    HelperUse& operator=(const HelperUse&) = delete;

private:
    struct Saved {
        TscCustomVariable* parentRef;
        Variant parentValue;
        TscScript* prog;
        std::vector<Variant> params;
    };
    TscCustomHelper* helper_;
    std::unique_ptr<Saved> saved_;
};


// The general call: any number of arguments, and var parameters.
Variant callGeneral(TscProcVariable* proc, const TscDesignatorItem* item)
{
    const int argc = item->Count();
    ArgBuffer args(static_cast<size_t>(argc), EvaluatedArgs{item, false});
    TscValueBuffer<4> outs(item->HasVarArgs ? static_cast<size_t>(proc->Count()) : 0);
    Variant result = proc->InvokeMoving(std::span<Variant>(args.data(), args.size()),
                                        std::span<Variant>(outs.data(), outs.size()));
    // After the caller's locals are back: the values reach the caller's variables.
    for (int i = 0; i < argc && i < static_cast<int>(outs.size()); ++i)
        if (proc->GetParam(i)->IsVarParam) item->Arg(i)->SetValue(outs[static_cast<size_t>(i)]);
    return result;
}

// A global host function's call, as evaluateItems makes it: the arguments
// are evaluated before the helper is taken (an argument may call the same
// function), then they move into its parameters, and they are let go after.
template <size_t... I>
[[gnu::always_inline]] inline Variant callHostWith(TscMethodHelper* helper, const TscDesignatorItem* item,
                                                   TscScript* script, uint8_t needResult, std::index_sequence<I...>)
{
    Variant args[] = {Variant(), scArgumentValue(item->Arg(static_cast<int>(I))->Root)...};
    HelperUse use(helper);
    helper->ParentRef = nullptr;
    if (!helper->ParentValue.isNull()) helper->ParentValue = Variant::Null();
    helper->Prog = script;
    helper->CallClass = nullptr;
    ((helper->TscCustomVariable::GetParam(static_cast<int>(I))->Value = std::move(args[I + 1])), ...);
    helper->NeedResult = needResult;
    Variant result = helper->GetValue();
    (helper->TscCustomVariable::GetParam(static_cast<int>(I))->Value.clear(), ...);
    return result;
}

[[gnu::flatten]] Variant callHost(TscMethodHelper* helper, const TscDesignatorItem* item, TscScript* script,
                                  uint8_t needResult)
{
    switch (item->Count()) {
    case 0: return callHostWith(helper, item, script, needResult, std::make_index_sequence<0>());
    case 1: return callHostWith(helper, item, script, needResult, std::make_index_sequence<1>());
    case 2: return callHostWith(helper, item, script, needResult, std::make_index_sequence<2>());
    case 3: return callHostWith(helper, item, script, needResult, std::make_index_sequence<3>());
    default: return callHostWith(helper, item, script, needResult, std::make_index_sequence<4>());
    }
}

}  // namespace

bool TscHostCallDesignator::Fits(const TscDesignatorItem* item)
{
    if (!item->Ref || item->Ref->ItemKind != ikMethod) return false;
    const auto* helper = static_cast<const TscMethodHelper*>(item->Ref);
    return !helper->Owner && !helper->IsMacro && !helper->IndexMethod && helper->Typ != fvtConstructor &&
           !item->HasVarArgs && !item->NamedClass && item->Count() == helper->Count() && item->Count() <= 4;
}

Variant TscHostCallDesignator::Evaluate(bool doSet, const Variant& value)
{
    if (doSet) return TscDesignator::Evaluate(doSet, value);
    return callHost(Helper, Item(0), Script, NeedResult);
}

Variant TscHostCallNode::Eval()
{
    scCheckStack();
    auto* designator = static_cast<TscHostCallDesignator*>(Designator.get());
    return callHost(designator->Helper, designator->Item(0), designator->Script, designator->NeedResult);
}

namespace {

// The arguments are all evaluated, in order, before the first one is
// stored: an argument may read the parameter a recursive call sets.
template <size_t... I>
[[gnu::always_inline]] inline Variant callWith(TscProcVariable* proc, const TscDesignatorItem* item,
                                               std::index_sequence<I...>)
{
    Variant args[] = {scArgumentValue(item->Arg(static_cast<int>(I))->Root)...};
    return proc->InvokeMoving(std::span<Variant>(args, sizeof...(I)));
}

}  // namespace

Variant scCallProc(TscProcVariable* proc, const TscDesignatorItem* item)
{
    if (item->HasVarArgs) return callGeneral(proc, item);
    switch (item->Count()) {
    case 0: return proc->InvokeMoving({});
    case 1: return callWith(proc, item, std::make_index_sequence<1>());
    case 2: return callWith(proc, item, std::make_index_sequence<2>());
    case 3: return callWith(proc, item, std::make_index_sequence<3>());
    case 4: return callWith(proc, item, std::make_index_sequence<4>());
    default: return callGeneral(proc, item);
    }
}

Variant TscDesignator::evaluateItems(int from, Variant current, TscCustomVariable* parentRef, bool doSet,
                                     const Variant& value)
{
    const int count = Count();
    for (int i = from; i < count; ++i) {
        const TscDesignatorItem* item = Item(i);
        TscCustomVariable* ref = item->Ref;
        const bool last = i == count - 1;
        switch (ref->ItemKind) {
        case ikProc: current = scCallProc(static_cast<TscProcVariable*>(ref), item); break;
        case ikClass:
            // A class name with an argument is a type cast: the value passes.
            current = item->Count() ? item->Arg(0)->GetValue() : Variant::Null();
            break;
        case ikMethod:
        case ikProperty:
        case ikEvent:
        case ikComponent:
        case ikArrayHelper:
        case ikStringHelper:
        case ikOle: {
            auto* helper = static_cast<TscCustomHelper*>(ref);
            const int argc = std::min(item->Count(), helper->Count());
            ArgBuffer args(static_cast<size_t>(argc), EvaluatedArgs{item, helper->IsMacro != 0});
            HelperUse use(helper);
            helper->ParentRef = parentRef;
            helper->ParentValue = std::move(current);
            helper->Prog = Script;
            if (ref->ItemKind == ikMethod) static_cast<TscMethodHelper*>(helper)->CallClass =
                item->NamedClass ? item->NamedClass->ClassRef : nullptr;
            for (int a = 0; a < argc; ++a) helper->GetParam(a)->Value = std::move(args[static_cast<size_t>(a)]);
            const LentTexts lent(ref->ItemKind == ikMethod && item->HasVarArgs &&
                                         static_cast<TscMethodHelper*>(helper)->VarTextInPlace
                                     ? helper
                                     : nullptr,
                                 item, argc);
            if (last && doSet) {
                helper->SetValue(value);
                current = Variant();
            } else {
                helper->NeedResult = last ? NeedResult : 1;
                current = helper->GetValue();
            }
            if (item->HasVarArgs)
                for (int a = 0; a < argc; ++a)
                    if (helper->GetParam(a)->IsVarParam) item->Arg(a)->SetValue(helper->GetParam(a)->Value);
            // The arguments are let go: a text kept here would be shared, and
            // the next append to it would copy it whole.
            for (int a = 0; a < argc; ++a) helper->GetParam(a)->Value.clear();
            break;
        }
        default:
            if (last && doSet) {
                ref->SetValue(value);
                return Variant();
            }
            current = ref->GetValue();
        }
        parentRef = ref;
    }
    return current;
}

Variant TscDesignator::Evaluate(bool doSet, const Variant& value)
{
    if (LateBinding) return EvaluateFrom(0, Variant::Null(), nullptr, doSet, value);
    return evaluateItems(0, Variant::Null(), nullptr, doSet, value);
}

Variant TscVariableDesignator::Evaluate(bool doSet, const Variant& value)
{
    if (doSet) {
        Variable->SetValue(value);
        return Variant();
    }
    return Variable->GetValue();
}

Variant TscCallDesignator::Evaluate(bool doSet, const Variant&)
{
    if (doSet) return Variant();
    return scCallProc(Proc, Item(0));
}

Variant TscStringDesignator::Evaluate(bool doSet, const Variant& value)
{
    if (doSet) {
        Variable->SetValue(Variant(scStringWithChar(Variable->GetValue(), Index->GetValue(), value)));
        return Variant();
    }
    return scStringChar(Variable->GetValue(), Index->GetValue());
}

Variant TscArrayDesignator::Evaluate(bool doSet, const Variant& value)
{
    std::array<int, 8> indices{};
    const int count = std::min(IndexItem->Count(), static_cast<int>(indices.size()));
    for (int i = 0; i < count; ++i) indices[static_cast<size_t>(i)] = IndexItem->Arg(i)->GetValue().toInt();
    const std::span<const int> at(indices.data(), static_cast<size_t>(count));
    if (doSet) {
        Variable->Value.arrayPut(at, value);
        return Variant();
    }
    if (static_cast<TscVariable*>(Variable)->OnGetValue) return Variable->GetValue().arrayGet(at);
    return Variable->Value.arrayGet(at);
}

// ---------------------------------------------------------------- characters

namespace {

[[noreturn]] void rangeError()
{
    throw ERangeError(scMessages().RangeCheck);
}

}  // namespace

Variant scStringChar(const Variant& text, const Variant& index)
{
    std::string buffer;
    const std::string& s = text.type() == varString ? text.rawString() : (buffer = text.toString());
    const int64_t i = index.toInt64();
    if (i < 1 || i > static_cast<int64_t>(s.size())) rangeError();
    return Variant(std::string(1, s[static_cast<size_t>(i - 1)]));
}

std::string scStringWithChar(const Variant& text, const Variant& index, const Variant& character)
{
    std::string s = text.toString();
    const int64_t i = index.toInt64();
    if (i < 1 || i > static_cast<int64_t>(s.size())) rangeError();
    const std::string c = character.toString();
    s[static_cast<size_t>(i - 1)] = c.empty() ? '\0' : c[0];
    return s;
}
