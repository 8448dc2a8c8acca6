#include "rpExpressions.h"

#include <algorithm>

#include "SysUtils.h"
#include "rpCustomPreviewPages.h"
#include "rpDataSets.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpVariables.h"
#include "sc_classes.h"
#include "sc_const.h"
#include "sc_interpreter.h"
#include "sc_statements.h"

namespace {

// The function's source in the language, or "" for a language without one.
std::string wrapperSource(const std::string& language, const std::string& name, const std::string& expression)
{
    if (SameText(language, "PascalScript"))
        return "function " + name + ": Variant; begin Result := " + expression + " end; begin end.";
    if (SameText(language, "C++Script")) return "Variant " + name + "() { return " + expression + "; } {}";
    if (SameText(language, "BasicScript")) return "function " + name + "\r\nreturn " + expression + "\r\nend function";
    if (SameText(language, "JScript")) return "function " + name + "() { return " + expression + "; }";
    return std::string();
}

// Sets a script's parent for a scope and puts the old one back.
class ParentScope {
public:
    ParentScope(TscScript& script, TscScript* parent) : script_(script), saved_(script.Parent) { script.Parent = parent; }
    ~ParentScope() { script_.Parent = saved_; }
    ParentScope(const ParentScope&) = delete;
    ParentScope& operator=(const ParentScope&) = delete;

private:
    TscScript& script_;
    TscScript* saved_;
};

// The main script must not record the cached function as its running
// procedure: host functions look the running one up there.
class MainProgOff {
public:
    explicit MainProgOff(TscScript* main) : main_(main), saved_(main ? main->IsMainProg : 0)
    {
        if (main_) main_->IsMainProg = 0;
    }
    ~MainProgOff()
    {
        if (main_) main_->IsMainProg = saved_;
    }
    MainProgOff(const MainProgOff&) = delete;
    MainProgOff& operator=(const MainProgOff&) = delete;

private:
    TscScript* main_;
    uint8_t saved_;
};

}  // namespace

// ---------------------------------------------------------------- TrpExpressionCache

TrpExpressionCache::TrpExpressionCache(TscScript* mainScript) : main_(mainScript), script_(std::make_unique<TscScript>())
{
    script_->ExtendedCharset = 1;
    script_->Parent = mainScript;
}

TrpExpressionCache::~TrpExpressionCache() = default;

void TrpExpressionCache::Clear()
{
    entries_.clear();
    count_ = 0;
    script_->Clear();
    script_->Parent = main_;
}

TscProcVariable* TrpExpressionCache::find(const std::string& expression, const TscScript* scope) const
{
    const auto found = entries_.find(expression);
    if (found == entries_.end()) return nullptr;
    for (const Entry& e : found->second)
        if (e.scope == scope) return e.function;
    return nullptr;
}

TscProcVariable* TrpExpressionCache::compile(const std::string& expression, TscScript* scope, std::string& errorMsg)
{
    const std::string name = "rpf" + IntToStr(count_);
    const std::string source = wrapperSource(Language, name, expression);
    std::string message;
    TscCustomVariable* item = nullptr;
    if (source.empty()) {
        message = scFormatMessage(scMessages().LanguageNotFound, Language);
    } else {
        // Only the new function: the earlier ones stay in the table, so
        // compiling stays linear in the number of expressions.
        script_->SyntaxType = Language;
        script_->Lines = {source};
        ++compiles_;
        bool ok = false;
        try {
            ok = script_->Compile();
        } catch (const std::exception& e) {
            script_->ErrorMsg = e.what();
        }
        script_->Prog()->Clear();
        script_->CodeLines.clear();
        item = script_->FindLocal(name);
        if (ok && item && item->ItemKind == ikProc) {
            auto* function = static_cast<TscProcVariable*>(item);
            entries_[expression].push_back({scope, function});
            ++count_;
            return function;
        }
        message = script_->ErrorMsg;
    }
    // A half-declared function goes, so that the number is used again.
    if (item) {
        script_->Remove(item);
        delete item;
    }
    errorMsg = GetResources().Get("clExprError") + " '" + expression + "': " + message;
    return nullptr;
}

Variant TrpExpressionCache::Calc(const std::string& expression, std::string& errorMsg, TscScript* scope)
{
    errorMsg.clear();
    if (!scope) scope = main_;
    ParentScope parent(*script_, scope);
    TscProcVariable* function = find(expression, scope);
    if (!function) function = compile(expression, scope, errorMsg);
    if (!function) return Variant();
    MainProgOff mainProgOff(main_);
    try {
        return function->Invoke({});
    } catch (const ErpCalcError&) {
        throw;
    } catch (const std::exception& e) {
        errorMsg = e.what();
    }
    return Variant();
}

TscScript* TrpExpressionCache::CallerScope(TscScript* scope) const
{
    for (const TscScript* s = scope; s; s = s->Parent)
        if (s == script_.get()) return script_->Parent ? script_->Parent : main_;
    return scope ? scope : main_;
}

// ---------------------------------------------------------------- TrpReport: expressions

Variant TrpReport::Calc(const std::string& expression)
{
    if (OnCalc) return OnCalc(expression);
    return calc(expression, nullptr, false);
}

Variant TrpReport::Calc(const std::string& expression, TscScript* scope)
{
    return calc(expression, scope, false);
}

Variant TrpReport::CalcFromScript(const std::string& expression)
{
    return calc(expression, nullptr, true);
}

namespace {

// ds."field": the dataset's name and the field's, or false for another
// kind of expression.
bool fieldReference(std::string_view expression, std::string_view& dataset, std::string& field)
{
    const size_t dot = expression.find(".\"");
    if (dot == std::string_view::npos || dot == 0 || expression.size() < dot + 3 || expression.back() != '"')
        return false;
    field = expression.substr(dot + 2, expression.size() - dot - 3);
    dataset = expression.substr(0, dot);
    return field.find('"') == std::string::npos;
}

}  // namespace

Variant TrpReport::calc(const std::string& expression, TscScript* scope, bool fromScript)
{
    Variant value;
    if (GetScriptValue(expression, value)) return value;
    std::string error;
    std::string_view dataset;
    std::string field;
    // A field the dataset lacks is no script text: compiled it would fail
    // as a syntax error that names neither.
    if (fieldReference(expression, dataset, field) && dataSets_->Find(dataset))
        error = GetResources().Get("clExprError") + " '" + expression + "': " + GetResources().Get("clUnknownVar") + " " +
                expression;
    else
        value = cache_->Calc(expression, error, scope ? scope : script_.get());
    if (error.empty()) return value;
    if (error == "Floating point division by zero" && engineOptions_->IgnoreDevByZero) return value;
    if (fromScript) throw ErpCalcError("Error in Calc expression: " + error);
    if (!CurObject.empty()) error = CurObject + ": " + error;
    Errors.Add(error);
    throw ErpCalcError(error);
}

bool TrpReport::GetScriptValue(const std::string& expression, Variant& value)
{
    value = Variant();

    // A pure field reference: ds."field", the dataset listed, the field there.
    std::string_view dataset;
    std::string field;
    if (fieldReference(expression, dataset, field)) {
        TrpDataSetItem* item = dataSets_->Find(dataset);
        TrpDataSet* ds = item ? item->DataSet() : nullptr;
        if (ds && ds->HasField(field)) {
            value = ds->GetValue(field);
            if (value.isNull() && engineOptions_->ConvertNulls) {
                switch (ds->GetFieldType(field)) {
                case fftNumeric: value = Variant(0); break;
                case fftString: value = Variant(""); break;
                case fftBoolean: value = Variant(false); break;
                }
            }
            return true;
        }
    }

    for (size_t i = 0; i < SystemVariables.size(); ++i) {
        if (SystemVariables[i] == expression) {
            value = systemValue(i);
            return true;
        }
    }

    if (OnGetValue) {
        OnGetValue(expression, value);
        if (!value.isEmpty()) return true;
    }
    if (OnNewGetValue) {
        OnNewGetValue(this, expression, value);
        if (!value.isEmpty()) return true;
    }

    if (const int i = variables_->IndexOf(expression); i >= 0) {
        const Variant& v = variables_->Items(i)->Value;
        if (!v.isString()) {
            value = v;
            return true;
        }
        const std::string text = v.toString();
        if (text.find_first_of("\r\n") != std::string::npos) {
            value = v;
            return true;
        }
        const std::string& name = variables_->Items(i)->Name;
        auto inProgress = [&](const std::string& n) { return AnsiSameText(n, name); };
        if (std::any_of(variablesInProgress_.begin(), variablesInProgress_.end(), inProgress)) {
            std::string error = name + ": circular variable reference";
            if (!CurObject.empty()) error = CurObject + ": " + error;
            Errors.Add(error);
            throw ErpCalcError(error);
        }
        variablesInProgress_.push_back(name);
        struct Pop {
            std::vector<std::string>& list;
            ~Pop() { list.pop_back(); }
        } pop{variablesInProgress_};
        value = Calc(text);
        return true;
    }

    TrpVariables& globals = GlobalVariables();
    if (const int i = globals.IndexOf(expression); i >= 0) {
        value = globals.Items(i)->Value;
        return true;
    }

    TscCustomVariable* item = script_->Find(expression);
    if (item && item->ItemKind != ikProc && item->ItemKind != ikMethod) {
        value = item->GetValue();
        return true;
    }
    return false;
}

Variant TrpReport::systemValue(size_t index) const
{
    const TrpPageNumbering* pages = PageNumbering;
    switch (index) {
    case 0: return Variant::FromDate(engine_->StartDate);
    case 1: return Variant::FromDate(engine_->StartTime);
    case 2: return Variant(pages ? pages->LogicalPageNo() : 0);
    case 3: return Variant(pages ? pages->CurPage() + 1 : 0);
    case 4: return Variant(pages ? pages->LogicalTotalPages() : 0);
    case 5: return Variant(engine_->TotalPages);
    case 6: return Variant(engine_->CurLine);
    case 7: return Variant(engine_->CurLineThrough);
    case 8: return GlobalVariables().Get("CopyName0");
    default: return Variant();
    }
}

// ---------------------------------------------------------------- TrpReport: the script

void TrpReport::SetScriptSelf(TrpComponent* object)
{
    scriptSelf_ = object;
    if (selfVariable_) selfVariable_->SetValue(ObjectToVariant(object));
}

void TrpReport::SetScriptValue(const Variant& value)
{
    scriptValue_ = value;
    if (valueVariable_) valueVariable_->SetValue(value);
}

bool TrpReport::PrepareScript()
{
    cache_->Clear();
    cache_->Language = ScriptLanguage;
    TscScript& s = *script_;
    selfVariable_ = valueVariable_ = nullptr;
    s.ClearItems(this);
    s.AddedBy = this;
    struct Unstamp {
        TscScript& script;
        ~Unstamp() { script.AddedBy = nullptr; }
    } unstamp{s};
    s.IsMainProg = 1;

    const std::vector<TrpComponent*> objects = GetAllObjects();
    for (TrpComponent* o : objects) {
        o->SetIsDesigning(false);
        if (!o->Name().empty()) s.AddObject(o->Name(), o);
    }
    s.AddObject("Report", this);
    s.AddObject("Engine", engine_.get());
    s.AddObject("Outline", previewPages_->Outline());
    s.AddVariable("Value", "Variant", Variant::Null());
    s.AddVariable("Self", "TrpView", ObjectToVariant(nullptr));
    AddReportScriptFunctions(*this, s);
    auto variable = [&](const char* name) {
        TscCustomVariable* item = s.Find(name);
        return item && item->ItemKind == ikVariable ? static_cast<TscVariable*>(item) : nullptr;
    };
    valueVariable_ = variable("Value");
    selfVariable_ = variable("Self");

    s.Lines.clear();
    for (int i = 0; i < scriptText_->Count(); ++i) s.Lines.push_back(scriptText_->Strings(i));
    s.SyntaxType = ScriptLanguage;
    bool ok = false;
    try {
        ok = s.Compile();
    } catch (const std::exception& e) {
        s.ErrorMsg = e.what();
    }
    if (!ok) Errors.Add(Format(GetResources().Get("clScrError"), {Variant(s.ErrorPos), Variant(s.ErrorMsg)}));
    return ok;
}

// ---------------------------------------------------------------- script functions

namespace {

const char* const kAggregates[] = {"SUM", "MIN", "MAX", "AVG", "COUNT"};

// A macro argument's text as a value: empty is 0, an integer is itself.
Variant argumentValue(TrpReport& report, const Variant& source, TscScript* scope)
{
    const std::string text = Trim(VarToStr(source));
    if (text.empty()) return Variant(0);
    int32_t n = 0;
    if (TryStrToInt(text, n)) return Variant(n);
    return report.Calc(text, scope);
}

// An aggregate's band argument: a name of a report object is that object,
// also where a function has the name too (a band called Ord).
Variant bandArgument(TrpReport& report, const Variant& source, TscScript* scope)
{
    const std::string text = Trim(VarToStr(source));
    if (IsValidIdent(text))
        if (TrpComponent* object = report.FindObject(text)) return ObjectToVariant(object);
    return argumentValue(report, source, scope);
}

}  // namespace

void AddReportScriptFunctions(TrpReport& report, TscScript& script)
{
    TrpReport* r = &report;
    script.AddMethodEx("function Get(Name: String): Variant",
                       [r](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                           const std::string name = VarToStr(caller->GetParam(0));
                           Variant value;
                           if (r->GetScriptValue(name, value)) return value;
                           const size_t paren = name.find('(');
                           if (paren != std::string::npos) {
                               const std::string word = UpperCase(Trim(std::string_view(name).substr(0, paren)));
                               for (const char* a : kAggregates)
                                   if (word == a) return r->Calc(name);
                           }
                           throw Exception(GetResources().Get("clUnknownVar") + " " + name);
                       });
    script.AddMethodEx("procedure Set(Name: String; Value: Variant)",
                       [r](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                           r->Variables()->Set(VarToStr(caller->GetParam(0)), caller->GetParam(1));
                           return Variant();
                       });
    script.AddMethodEx("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant",
                       [r](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                           TscScript* scope = r->ExpressionCache()->CallerScope(caller->Prog);
                           const Variant condition = r->Calc(VarToStr(caller->GetParam(0)), scope);
                           const bool which = VarEquals(condition, Variant(true));
                           return r->Calc(VarToStr(caller->GetParam(which ? 1 : 2)), scope);
                       });
    auto aggregate = [r](TObject*, const TClass*, const std::string& name, TscMethodHelper* caller) {
        TscScript* scope = r->ExpressionCache()->CallerScope(caller->Prog);
        const bool count = name == "COUNT";
        const int first = count ? 0 : 1;
        const Variant band = bandArgument(*r, caller->GetParam(first), scope);
        const int32_t flags = argumentValue(*r, caller->GetParam(first + 1), scope).toInt();
        const std::string expression = count ? std::string() : VarToStr(caller->GetParam(0));
        return r->Engine()->GetAggregateValue(name, expression, band, flags);
    };
    for (const char* name : {"SUM", "AVG", "MIN", "MAX"})
        script.AddMethodEx(std::string("macrofunction ") + name +
                               "(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant",
                           aggregate);
    script.AddMethodEx("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant", aggregate);
}
