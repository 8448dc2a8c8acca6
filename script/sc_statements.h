#pragma once
// Statements: a compiled script is a tree of them. Control flow (break,
// continue, exit, terminate) travels in flags of the scope, never in
// exceptions; every statement reports its position before it runs.

#include <memory>
#include <string>

#include "sc_interpreter.h"
#include "sc_stack.h"

class TscExpression;
class TscExpressionNode;
class TscDesignator;
class TscSetExpression;

// A compound statement: its children run in order.
class TscStatement : public TscItemList {
public:
    TscStatement(TscScript* prog, std::string sourcePos, std::string sourceUnit);

    TscScript* Prog;
    std::string SourcePos;
    std::string SourceUnit;

    virtual void Execute();

    TscStatement* Statement(int index) const { return static_cast<TscStatement*>(Items(index)); }

    // The children as a compound statement runs them.
    void RunChildren()
    {
        scCheckStack();
        TscScript* scope = Prog;
        const int count = Count();
        if (count == 1) {
            if (!scope->Terminated) Statement(0)->Execute();
            return;
        }
        for (int i = 0; i < count && !scope->Terminated; ++i) {
            Statement(i)->Execute();
            if (scope->BreakCalled | scope->ContinueCalled | scope->ExitCalled) break;
        }
    }

protected:
    // RunLine and the Terminated test every statement makes first; false
    // when the run is terminated.
    bool Begin()
    {
        if (Prog->RunLineHooked()) Prog->RunLine(SourceUnit, SourcePos);
        return !Prog->Terminated;
    }
    // The loop bodies' flag handling: true when the loop must stop.
    bool LoopMustStop()
    {
        if (Prog->BreakCalled || Prog->ExitCalled) return true;
        Prog->ContinueCalled = 0;
        return false;
    }
};

// Assignment, and its fast paths chosen once after building.
class TscAssignmentStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscAssignmentStmt() override;
    std::unique_ptr<TscDesignator> Designator;
    std::unique_ptr<TscExpression> Expression;
    // The target when it is a plain variable (written directly).
    TscCustomVariable* VarTarget = nullptr;
    void Execute() override;
    // Picks the fast paths; the builder calls it when both parts are set.
    void Optimize();

protected:
    Variant value();
    Variant target();
    void store(const Variant& v);
    void store(Variant&& v);
    // target := target op value; done in place on a plain variable holding
    // an Integer or a Double when the result keeps that kind.
    template <uint8_t Op>
    void combine();

private:
    template <uint8_t Op>
    void combineWith(const Variant& v);
    // VarTarget when it is a value holder (stored through Store).
    TscVariable* plainTarget_ = nullptr;
    // The expression's tree, and whether its value may be read in place.
    TscExpressionNode* root_ = nullptr;
    bool rootMayPeek_ = true;
    // VarTarget when it is a writable value holder of a number kind.
    TscVariable* numberTarget_ = nullptr;
    // VarTarget when it is a writable value holder that may hold text.
    TscVariable* textTarget_ = nullptr;
};

// target := target op value.
class TscAssignPlusStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
// BasicScript's s = s & x.
class TscAssignJoinStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignMinusStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignMulStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignDivStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};

// A call, or x++ / x-- (Modificator "+" or "-").
class TscCallStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscCallStmt() override;
    std::unique_ptr<TscDesignator> Designator;
    std::string Modificator;
    void Execute() override;
};

// Children: the then-list.
class TscIfStmt : public TscStatement {
public:
    TscIfStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit);
    ~TscIfStmt() override;
    std::unique_ptr<TscExpression> Condition;
    std::unique_ptr<TscStatement> ElseStmt;
    void Execute() override;
};

// Children: the statements of one case label set.
class TscCaseSelector : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscCaseSelector() override;
    std::unique_ptr<TscSetExpression> SetExpression;
};

// Children: the selectors.
class TscCaseStmt : public TscStatement {
public:
    TscCaseStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit);
    ~TscCaseStmt() override;
    std::unique_ptr<TscExpression> Condition;
    std::unique_ptr<TscStatement> ElseStmt;
    // A C-style switch: a break inside ends the switch, not the enclosing loop.
    uint8_t ConsumesBreak = 0;
    void Execute() override;
};

// Children: the body. Repeats until the condition is True (while it is
// True with InverseCondition).
class TscRepeatStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscRepeatStmt() override;
    std::unique_ptr<TscExpression> Condition;
    uint8_t InverseCondition = 0;
    void Execute() override;
};

class TscWhileStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscWhileStmt() override;
    std::unique_ptr<TscExpression> Condition;
    void Execute() override;
};

// Pascal for: Integer bounds computed once, the variable written directly.
class TscForStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscForStmt() override;
    std::unique_ptr<TscExpression> BeginValue;
    uint8_t Down = 0;
    std::unique_ptr<TscExpression> EndValue;
    TscCustomVariable* Variable = nullptr;
    void Execute() override;
};

// BASIC for: Variant bounds and step (1 when absent); down when step < 0.
class TscVbForStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscVbForStmt() override;
    std::unique_ptr<TscExpression> BeginValue;
    std::unique_ptr<TscExpression> EndValue;
    std::unique_ptr<TscExpression> Step;
    TscCustomVariable* Variable = nullptr;
    void Execute() override;
};

// C for: FirstStmt; while Expression: body, SecondStmt.
class TscCppForStmt : public TscStatement {
public:
    TscCppForStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit);
    ~TscCppForStmt() override;
    std::unique_ptr<TscStatement> FirstStmt;
    std::unique_ptr<TscExpression> Expression;
    std::unique_ptr<TscStatement> SecondStmt;
    void Execute() override;
};

// Children: the guarded list; ExceptStmt the except or finally list.
class TscTryStmt : public TscStatement {
public:
    TscTryStmt(TscScript* prog, std::string sourcePos, std::string sourceUnit);
    uint8_t IsExcept = 0;
    std::unique_ptr<TscStatement> ExceptStmt;
    void Execute() override;

private:
    void runFinally();
    void setExceptionVariables(const char* className, const std::string& message);
};

class TscBreakStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};
class TscContinueStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};
class TscExitStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};

// Stores the designator's value into the hidden with-variable.
class TscWithStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    ~TscWithStmt() override;
    std::unique_ptr<TscDesignator> Designator;
    TscCustomVariable* Variable = nullptr;
    void Execute() override;
};
