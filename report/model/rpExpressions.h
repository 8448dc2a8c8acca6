#pragma once
// Expressions that the report's look-ups cannot answer become one-line
// functions in the report's script language ("rpf" and a number), each
// compiled once per preparation into a script of its own whose parent is
// the scope the expression was asked in, then called.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Variant.h"

class TscScript;
class TscProcVariable;

class TrpExpressionCache {
public:
    explicit TrpExpressionCache(TscScript* mainScript);
    ~TrpExpressionCache();
    TrpExpressionCache(const TrpExpressionCache&) = delete;
    TrpExpressionCache& operator=(const TrpExpressionCache&) = delete;

    // The language the functions are written in.
    std::string Language = "PascalScript";

    // Compiles the text for that scope on first use, then calls it. On a
    // compile or run-time error errorMsg says why and the value is empty;
    // an ErpCalcError (an inner Calc's, already listed) passes through.
    Variant Calc(const std::string& expression, std::string& errorMsg, TscScript* scope);
    void Clear();

    // Functions compiled and kept, and compiles tried since creation.
    int Count() const noexcept { return count_; }
    int Compiles() const noexcept { return compiles_; }
    TscScript* Script() const noexcept { return script_.get(); }
    // Where a macro called from scope evaluates its arguments: inside a
    // cached function, the scope that function was compiled for.
    TscScript* CallerScope(TscScript* scope) const;

private:
    struct Entry {
        const TscScript* scope;
        TscProcVariable* function;
    };
    TscProcVariable* find(const std::string& expression, const TscScript* scope) const;
    TscProcVariable* compile(const std::string& expression, TscScript* scope, std::string& errorMsg);

    TscScript* main_;
    std::unique_ptr<TscScript> script_;
    // Keyed by the text, then the scope: one text under two procedures
    // binds each one's own names.
    std::unordered_map<std::string, std::vector<Entry>> entries_;
    int count_ = 0;
    int compiles_ = 0;
};

// The report's script functions: Get, Set, IIF, SUM, AVG, MIN, MAX and
// COUNT, added to its script by PrepareScript.
class TrpReport;
void AddReportScriptFunctions(TrpReport& report, TscScript& script);
