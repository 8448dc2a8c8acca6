// Statements and their execution.

#include "sc_statements.h"
#include "sc_yield.h"

#include <cmath>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_arith.h"
#include "sc_const.h"
#include "sc_expression.h"
#include "sc_stack.h"

TscStatement::TscStatement(TscScript* prog, std::string sourcePos, std::string sourceUnit)
    : Prog(prog), SourcePos(std::move(sourcePos)), SourceUnit(std::move(sourceUnit))
{
}

void TscStatement::Execute()
{
    RunChildren();
}

// ---------------------------------------------------------------- assignments

TscAssignmentStmt::~TscAssignmentStmt() = default;

void TscAssignmentStmt::Optimize()
{
    VarTarget = nullptr;
    plainTarget_ = nullptr;
    numberTarget_ = nullptr;
    textTarget_ = nullptr;
    if (Designator && Designator->Kind == TscDesignatorKind::Variable)
        VarTarget = static_cast<TscVariableDesignator*>(Designator.get())->Variable;
    if (VarTarget && VarTarget->ItemKind == ikVariable) plainTarget_ = static_cast<TscVariable*>(VarTarget);
    root_ = Expression ? Expression->Root : nullptr;
    rootMayPeek_ = !root_ || root_->MayPeek();
    if (VarTarget && VarTarget->ItemKind == ikVariable && !VarTarget->IsReadOnly &&
        (VarTarget->Typ == fvtInt || VarTarget->Typ == fvtFloat || VarTarget->Typ == fvtVariant))
        numberTarget_ = static_cast<TscVariable*>(VarTarget);
    if (VarTarget && VarTarget->ItemKind == ikVariable && !VarTarget->IsReadOnly &&
        (VarTarget->Typ == fvtString || VarTarget->Typ == fvtVariant))
        textTarget_ = static_cast<TscVariable*>(VarTarget);
}

Variant TscAssignmentStmt::value()
{
    return Expression->Root->Eval();
}

Variant TscAssignmentStmt::target()
{
    return VarTarget ? VarTarget->GetValue() : Designator->GetValue();
}

void TscAssignmentStmt::store(const Variant& v)
{
    if (!VarTarget)
        Designator->SetValue(v);
    else if (VarTarget->ItemKind == ikVariable)
        static_cast<TscVariable*>(VarTarget)->Store(v);
    else
        VarTarget->SetValue(v);
}

inline void TscAssignmentStmt::store(Variant&& v)
{
    if (VarTarget && VarTarget->ItemKind == ikVariable)
        static_cast<TscVariable*>(VarTarget)->Store(std::move(v));
    else
        store(static_cast<const Variant&>(v));
}

[[gnu::flatten]] void TscAssignmentStmt::Execute()
{
    if (!Begin()) return;
    if (TscVariable* target = plainTarget_) {
        TscExpressionNode* root = root_;
        if (!rootMayPeek_) {
            target->Store(root->Eval());
        } else if (const Variant* direct = root->Peek()) {
            target->Store(*direct);
        } else {
            target->Store(root->Eval());
        }
        return;
    }
    TscExpressionNode* root = Expression->Root;
    if (const Variant* direct = root->Peek())
        store(*direct);
    else
        store(root->Eval());
}

template <uint8_t Op>
void TscAssignmentStmt::combineWith(const Variant& v)
{
    if constexpr (Op == opStrCat) {
        // s = s & x grows s in place too; x of any kind joins as text.
        if (TscVariable* variable = textTarget_; variable && !variable->OnGetValue &&
                                                  variable->Value.type() == varString) {
            if (v.type() == varString) variable->Value.appendString(v.rawString());
            else variable->Value.appendString(v.toString());
            return;
        }
        const Variant t = target();
        store(t.isString() ? Variant(t.toString() + v.toString()) : scAdd(t, v));
        return;
    }
    if constexpr (Op == opPlus) {
        // s := s + t grows s in place: building a text piece by piece stays linear.
        if (TscVariable* variable = textTarget_; variable && !variable->OnGetValue &&
                                                  variable->Value.type() == varString && v.type() == varString) {
            variable->Value.appendString(v.rawString());
            return;
        }
    }
    if (TscVariable* variable = numberTarget_; variable && !variable->OnGetValue) {
        Variant& slot = variable->Value;
        if constexpr (Op != opDivFloat) {
            if (slot.type() == varInteger && v.type() == varInteger && variable->Typ != fvtFloat) {
                const int32_t a = slot.rawInt();
                const int32_t b = v.rawInt();
                int32_t r;
                const bool wide = Op == opPlus    ? __builtin_add_overflow(a, b, &r)
                                  : Op == opMinus ? __builtin_sub_overflow(a, b, &r)
                                                  : __builtin_mul_overflow(a, b, &r);
                if (!wide) {
                    scStoreNumber(slot, r);
                    return;
                }
            }
        }
        if (slot.type() == varDouble && v.type() == varDouble && variable->Typ != fvtInt) {
            const double a = slot.rawDouble();
            const double b = v.rawDouble();
            const double r = Op == opPlus ? a + b : Op == opMinus ? a - b : Op == opMul ? a * b : a / b;
            if (std::isfinite(r)) {
                scStoreNumber(slot, r);
                return;
            }
        }
    }
    const Variant t = target();
    if constexpr (Op == opPlus) store(scAdd(t, v));
    if constexpr (Op == opMinus) store(scSub(t, v));
    if constexpr (Op == opMul) store(scMul(t, v));
    if constexpr (Op == opDivFloat) store(scDivFloat(t, v));
}

template <uint8_t Op>
void TscAssignmentStmt::combine()
{
    if (const Variant* direct = Expression->Root->Peek()) {
        combineWith<Op>(*direct);
        return;
    }
    const Variant v = value();
    combineWith<Op>(v);
}

void TscAssignPlusStmt::Execute()
{
    if (Begin()) combine<opPlus>();
}

void TscAssignJoinStmt::Execute()
{
    if (Begin()) combine<opStrCat>();
}

void TscAssignMinusStmt::Execute()
{
    if (Begin()) combine<opMinus>();
}

void TscAssignMulStmt::Execute()
{
    if (Begin()) combine<opMul>();
}

void TscAssignDivStmt::Execute()
{
    if (Begin()) combine<opDivFloat>();
}

// ---------------------------------------------------------------- calls

TscCallStmt::~TscCallStmt() = default;

void TscCallStmt::Execute()
{
    if (!Begin()) return;
    if (Modificator.empty()) {
        Designator->GetValue();
    } else if (Modificator == "+") {
        Designator->SetValue(scAdd(Designator->GetValue(), Variant(1)));
    } else {
        Designator->SetValue(scSub(Designator->GetValue(), Variant(1)));
    }
}

// ---------------------------------------------------------------- if and case

TscIfStmt::TscIfStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit)
    : TscStatement(prog, sourcePos, sourceUnit), ElseStmt(std::make_unique<TscStatement>(prog, sourcePos, sourceUnit))
{
}

TscIfStmt::~TscIfStmt() = default;

void TscIfStmt::Execute()
{
    if (!Begin()) return;
    TscStatement* branch = Condition->Root->EvalBool() ? this : ElseStmt.get();
    branch->RunChildren();
}

TscCaseSelector::~TscCaseSelector() = default;

TscCaseStmt::TscCaseStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit)
    : TscStatement(prog, sourcePos, sourceUnit),
      ElseStmt(std::make_unique<TscStatement>(prog, sourcePos, sourceUnit))
{
}

TscCaseStmt::~TscCaseStmt() = default;

void TscCaseStmt::Execute()
{
    if (!Begin()) return;
    const Variant selector = Condition->Root->Eval();
    TscStatement* chosen = ElseStmt.get();
    for (int i = 0; i < Count(); ++i) {
        auto* selectorStmt = static_cast<TscCaseSelector*>(Statement(i));
        if (selectorStmt->SetExpression->Check(selector)) {
            chosen = selectorStmt;
            break;
        }
    }
    chosen->Execute();
    if (ConsumesBreak) Prog->BreakCalled = 0;
}

// ---------------------------------------------------------------- loops

TscRepeatStmt::~TscRepeatStmt() = default;

void TscRepeatStmt::Execute()
{
    if (!Begin()) return;
    for (;;) {
        Prog->YieldPoint();
        RunChildren();
        if (LoopMustStop()) break;
        const bool condition = Condition->Root->EvalBool();
        if (InverseCondition ? !condition : condition) break;
    }
    Prog->BreakCalled = 0;
}

TscWhileStmt::~TscWhileStmt() = default;

void TscWhileStmt::Execute()
{
    if (!Begin()) return;
    while (Condition->Root->EvalBool()) {
        Prog->YieldPoint();
        RunChildren();
        if (LoopMustStop()) break;
    }
    Prog->BreakCalled = 0;
}

TscForStmt::~TscForStmt() = default;

void TscForStmt::Execute()
{
    if (!Begin()) return;
    const int64_t first = BeginValue->Root->Eval().toInt();
    const int64_t last = EndValue->Root->Eval().toInt();
    Variant& slot = Variable->Value;
    const int64_t step = Down ? -1 : 1;
    // A body of one statement runs without the compound loop around it.
    TscStatement* single = Count() == 1 ? Statement(0) : nullptr;
    for (int64_t i = first; Down ? i >= last : i <= last; i += step) {
        scStoreNumber(slot, static_cast<int32_t>(i));
        Prog->YieldPoint();
        if (single) {
            if (Prog->Terminated) break;
            single->Execute();
        } else {
            RunChildren();
        }
        if (LoopMustStop()) break;
    }
    Prog->BreakCalled = 0;
}

TscVbForStmt::~TscVbForStmt() = default;

void TscVbForStmt::Execute()
{
    if (!Begin()) return;
    Variant counter = BeginValue->Root->Eval();
    const Variant last = EndValue->Root->Eval();
    const Variant step = Step ? Step->Root->Eval() : Variant(1);
    const bool down = VarCompare(step, Variant(0)) < 0;
    while (down ? VarCompare(counter, last) >= 0 : VarCompare(counter, last) <= 0) {
        Variable->SetValue(counter);
        Prog->YieldPoint();
        RunChildren();
        if (LoopMustStop()) break;
        counter = scAdd(counter, step);
    }
    Prog->BreakCalled = 0;
}

TscCppForStmt::TscCppForStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit)
    : TscStatement(prog, sourcePos, sourceUnit),
      FirstStmt(std::make_unique<TscStatement>(prog, sourcePos, sourceUnit)),
      SecondStmt(std::make_unique<TscStatement>(prog, sourcePos, sourceUnit))
{
}

TscCppForStmt::~TscCppForStmt() = default;

void TscCppForStmt::Execute()
{
    if (!Begin()) return;
    FirstStmt->Execute();
    // The usual step is one statement (i++): run it without the list around it.
    TscStatement* step = SecondStmt->Count() == 1 ? SecondStmt->Statement(0) : SecondStmt.get();
    while (!Prog->Terminated && (!Expression || Expression->Root->EvalBool())) {
        Prog->YieldPoint();
        RunChildren();
        if (LoopMustStop()) break;
        step->Execute();
    }
    Prog->BreakCalled = 0;
}

// ---------------------------------------------------------------- try

TscTryStmt::TscTryStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit)
    : TscStatement(prog, sourcePos, sourceUnit),
      ExceptStmt(std::make_unique<TscStatement>(prog, sourcePos, sourceUnit))
{
}

void TscTryStmt::setExceptionVariables(const char* className, const std::string& message)
{
    const std::pair<const char*, Variant> values[] = {{"ExceptionClassName", Variant(className)},
                                                      {"ExceptionMessage", Variant(message)}};
    for (const auto& [name, value] : values) {
        if (TscCustomVariable* item = Prog->Find(name))
            item->SetValue(value);
        else
            Prog->AddVariable(name, "Variant", value);
    }
}

void TscTryStmt::runFinally()
{
    // The finally part runs whole even after exit, break or continue; what
    // it sets itself stays set.
    const uint8_t exitCalled = Prog->ExitCalled;
    const uint8_t breakCalled = Prog->BreakCalled;
    const uint8_t continueCalled = Prog->ContinueCalled;
    Prog->ExitCalled = Prog->BreakCalled = Prog->ContinueCalled = 0;
    ExceptStmt->Execute();
    Prog->ExitCalled |= exitCalled;
    Prog->BreakCalled |= breakCalled;
    Prog->ContinueCalled |= continueCalled;
}

void TscTryStmt::Execute()
{
    if (!Begin()) return;
    if (IsExcept) {
        try {
            RunChildren();
        } catch (const Exception& e) {
            setExceptionVariables(e.className(), e.message());
            ExceptStmt->Execute();
        } catch (const std::exception& e) {
            // What the failed allocation would have taken is free again.
            if (scIsOutOfMemory(e))
                setExceptionVariables("EOutOfMemory", scMessages().OutOfMemory);
            else
                setExceptionVariables("Exception", e.what());
            ExceptStmt->Execute();
        }
        return;
    }
    try {
        RunChildren();
    } catch (...) {
        runFinally();
        throw;
    }
    runFinally();
}

// ---------------------------------------------------------------- flags and with

void TscBreakStmt::Execute()
{
    Prog->BreakCalled = 1;
}

void TscContinueStmt::Execute()
{
    Prog->ContinueCalled = 1;
}

void TscExitStmt::Execute()
{
    if (!Begin()) return;
    Prog->ExitCalled = 1;
}

TscWithStmt::~TscWithStmt() = default;

void TscWithStmt::Execute()
{
    if (!Begin()) return;
    Variable->SetValue(Designator->GetValue());
}
