#pragma once
// Expressions and designators. An expression is a tree of nodes built in
// source order by operator precedence; a designator is a chain of items
// (variable, call, member, index) evaluated left to right, each acting on
// the value of the one before.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sc_interpreter.h"

class TscDesignator;
class TscSetExpression;
class TscXMLItem;

// Operator codes; lower priority numbers bind tighter.
enum TscOperator : uint8_t {
    opNone = 0,
    opGreat = 1,
    opLess = 2,
    opLessEq = 3,
    opGreatEq = 4,
    opNonEq = 5,
    opEq = 6,
    opPlus = 7,
    opMinus = 8,
    opOr = 9,
    opXor = 10,
    opMul = 11,
    opDivFloat = 12,
    opDivInt = 13,
    opMod = 14,
    opAnd = 15,
    opShl = 16,
    opShr = 17,
    opLeftBracket = 18,
    opRightBracket = 19,
    opNot = 20,
    opUnMinus = 21,
    opIn = 22,
    opIs = 23,
    opStrCat = 24,  // BasicScript "&": shares "+"'s code and priority
};

class TscExpressionNode {
public:
    TscExpressionNode() = default;
    TscExpressionNode(const TscExpressionNode&) = delete;
    TscExpressionNode& operator=(const TscExpressionNode&) = delete;
    virtual ~TscExpressionNode();

    virtual Variant Eval() = 0;
    // The value as a condition: Booleans directly, others by the Variant
    // conversion (Null raises). Comparisons answer without a Variant.
    virtual bool EvalBool()
    {
        const Variant v = Eval();
        return v.type() == varBoolean ? v.rawBool() : v.toBool();
    }
    virtual int Priority() const { return 0; }
    // The value without evaluating anything (constants, plain variables
    // without a read hook), or nullptr.
    const Variant* Peek() const
    {
        if (Direct) return Direct;
        if (DirectVar && !DirectVar->OnGetValue) return &DirectVar->Value;
        return nullptr;
    }
    // Whether Peek may give a value (a constant or a plain variable).
    bool MayPeek() const { return Direct || DirectVar; }

    TscExpressionNode* Left = nullptr;
    TscExpressionNode* Right = nullptr;
    TscExpressionNode* Parent = nullptr;
    TscVarType Typ = fvtVariant;
    std::string TypeName;
    std::string Pos;  // where the node's source begins (type errors point here)
    const Variant* Direct = nullptr;
    TscVariable* DirectVar = nullptr;
};

// A constant.
class TscOperandNode : public TscExpressionNode {
public:
    explicit TscOperandNode(const Variant& value);
    Variant Value;
    Variant Eval() override { return Value; }
};

// A designator operand.
class TscDesignatorNode : public TscExpressionNode {
public:
    explicit TscDesignatorNode(std::unique_ptr<TscDesignator> designator);
    ~TscDesignatorNode() override;
    std::unique_ptr<TscDesignator> Designator;
    Variant Eval() override;
};

// A set literal as an operand (a Variant array of its elements).
class TscSetNode : public TscExpressionNode {
public:
    explicit TscSetNode(std::unique_ptr<TscSetExpression> set);
    ~TscSetNode() override;
    std::unique_ptr<TscSetExpression> Set;
    Variant Eval() override;
};

class TscOperatorNode : public TscExpressionNode {
public:
    explicit TscOperatorNode(TscOperator op) : Op(op) {}
    TscOperator Op;
    uint8_t BothBool = 0;
    // Both operands may be read in place (set with the kinds, after building).
    uint8_t BothPeek = 0;
    int Priority() const override;
};

// The expression: its tree, the scope it runs in and its source text.
class TscExpression : public TscCustomVariable {
public:
    explicit TscExpression(TscScript* script);
    ~TscExpression() override;

    TscExpressionNode* CurNode = nullptr;
    TscExpressionNode* Root = nullptr;
    TscScript* Script;
    std::string Source;

    Variant GetValue() override { return Root->Eval(); }
    // Stores into the designator when the expression is a single writable one.
    void SetValue(const Variant& value) override;

    // Tree building in source order. pos is the element's source position.
    void AddOperator(std::string_view text, const std::string& pos);
    void AddConst(const Variant& value, const std::string& pos);
    void AddOperand(std::unique_ptr<TscDesignator> designator, const std::string& pos);
    void AddSet(std::unique_ptr<TscSetExpression> set, const std::string& pos);
    // Drops the building node, infers kinds; false when the operand kinds do
    // not fit (ErrorPos then names the operator, the Error* fields the
    // operands' kinds).
    bool Finalize();
    std::string ErrorPos;
    TscVarType ErrorLeftType = fvtVariant;
    std::string ErrorLeftName;
    TscVarType ErrorRightType = fvtVariant;
    std::string ErrorRightName;

    // The single designator the expression consists of, or nullptr.
    TscDesignator* SingleDesignator() const;
    bool IsConstant() const;

private:
    void attach(TscExpressionNode* node);
    void closeBracket();
    void addBinary(TscOperatorNode* node);
    bool infer(TscExpressionNode* node);
    // Operator nodes whose operands allow it take a form of their own.
    void specialise();
};

// A set literal: children are element expressions, a nullptr child between
// two marks a range.
class TscSetExpression : public TscCustomVariable {
public:
    TscSetExpression();
    bool Check(const Variant& value);
    Variant GetValue() override;
    TscExpression* Element(int index) const { return static_cast<TscExpression*>(Items(index)); }
};

// One link of a designator; children are its argument expressions.
class TscDesignatorItem : public TscItemList {
public:
    uint8_t Flag = 0;  // an index was given
    uint8_t HasVarArgs = 0;  // the target has var parameters (values go back after the call)
    TscCustomVariable* Ref = nullptr;
    std::string Name;
    // The type name the item gives its value (a constructor: the class the
    // script named).
    std::string TypeName;
    // The class record the script named before a constructor, or before
    // any member called on the class itself.
    TscClassVariable* NamedClass = nullptr;
    TscExpression* Arg(int index) const { return static_cast<TscExpression*>(Items(index)); }
};

// What remains of a designator to be built when its object is known.
struct TscLateBinding;

// The shape of a designator: the fast forms need no general chain.
enum class TscDesignatorKind : uint8_t {
    General = 0,
    Variable = 1,     // a plain variable
    StringIndex = 2,  // s[i] on a string variable
    ArrayIndex = 3,   // a[i, j] on an array variable
    Call = 4,         // a call of a script procedure
    HostCall = 5,     // a call of a global host function (see TscHostCallDesignator)
};

class TscDesignator : public TscCustomVariable {
public:
    explicit TscDesignator(TscScript* script);
    ~TscDesignator() override;

    TscDesignatorKind Kind = TscDesignatorKind::General;
    TscScript* Script;
    std::unique_ptr<TscLateBinding> LateBinding;
    // Items the designator made for itself (child components, OLE members).
    std::vector<std::unique_ptr<TscCustomVariable>> OwnItems;

    TscDesignatorItem* Item(int index) const { return static_cast<TscDesignatorItem*>(Items(index)); }
    TscDesignatorItem* LastItem() const { return Count() ? Item(Count() - 1) : nullptr; }

    Variant GetValue() override { return Evaluate(false, kNull); }
    static const Variant kNull;
    void SetValue(const Variant& value) override { Evaluate(true, value); }
    virtual Variant Evaluate(bool doSet, const Variant& value);

    // Kind, type name and read-only flag from the last item.
    void UpdateTarget();
    // Evaluates the items from index `from` on, the value before them being
    // current (the object, string or array they act on) from parentRef; a
    // late-bound part is built on its first run (see sc_ilbuilder.cpp).
    Variant EvaluateFrom(int from, Variant current, TscCustomVariable* parentRef, bool doSet, const Variant& value);

protected:
    Variant evaluateItems(int from, Variant current, TscCustomVariable* parentRef, bool doSet, const Variant& value);
};

// A plain variable, read and written directly.
class TscVariableDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    TscCustomVariable* Variable = nullptr;
    Variant Evaluate(bool doSet, const Variant& value) override;
};

// s[i] on a string variable: character i (1-based) as a one-character text.
class TscStringDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    TscCustomVariable* Variable = nullptr;
    TscExpression* Index = nullptr;  // the argument of the item
    Variant Evaluate(bool doSet, const Variant& value) override;
};

// a[i, j] on an array variable.
class TscArrayDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    TscCustomVariable* Variable = nullptr;
    TscDesignatorItem* IndexItem = nullptr;
    Variant Evaluate(bool doSet, const Variant& value) override;
};

// A call of a script procedure.
class TscCallDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    TscProcVariable* Proc = nullptr;
    Variant Evaluate(bool doSet, const Variant& value) override;
};

// A call of a global host function with at most four arguments, none of
// them var, no macro: what the general chain does for it, without the
// chain.
class TscHostCallDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    TscMethodHelper* Helper = nullptr;
    Variant Evaluate(bool doSet, const Variant& value) override;
    // Whether the item's call may take this form.
    static bool Fits(const TscDesignatorItem* item);
};

// A designator node that reads a plain variable without a call.
class TscVariableNode : public TscDesignatorNode {
public:
    TscVariableNode(std::unique_ptr<TscDesignator> designator, TscCustomVariable* variable);
    TscCustomVariable* Variable;
    Variant Eval() override;
};

// A designator node that calls a script procedure.
class TscCallNode : public TscDesignatorNode {
public:
    TscCallNode(std::unique_ptr<TscDesignator> designator, TscProcVariable* proc);
    // The node for the call: a form of its own for each count of up to four
    // arguments without var parameters, so that the call runs without a
    // dispatch on the count; this general one for other calls.
    static TscCallNode* Make(std::unique_ptr<TscDesignator> designator, TscProcVariable* proc);
    TscProcVariable* Proc;
    const TscDesignatorItem* Item;
    Variant Eval() override;

protected:
    template <size_t... I>
    Variant callWith(std::index_sequence<I...>);
    // The argument trees of a call of up to four arguments.
    TscExpressionNode* args_[4] = {};
};

// A designator node that calls a global host function (the designator is a
// TscHostCallDesignator).
class TscHostCallNode : public TscDesignatorNode {
public:
    using TscDesignatorNode::TscDesignatorNode;
    Variant Eval() override;
};

// An argument's value: read in place when nothing needs to run for it.
[[gnu::always_inline]] inline Variant scArgumentValue(TscExpressionNode* arg)
{
    if (const Variant* value = arg->Peek()) return *value;
    return arg->Eval();
}

// Calls a script procedure with the arguments of a designator item; var
// parameters write their values back to the item's arguments.
Variant scCallProc(TscProcVariable* proc, const TscDesignatorItem* item);

// The deepest expression tree the builder accepts (a chain of operators
// counts one level per operator).
constexpr int scMaxExpressionDepth = 4000;

// Characters of strings are bytes of their UTF-8 text. Out of range raises
// ERangeError "Range check error".
Variant scStringChar(const Variant& text, const Variant& index);
std::string scStringWithChar(const Variant& text, const Variant& index, const Variant& character);
