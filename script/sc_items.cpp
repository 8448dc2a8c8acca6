// Items, the type vocabulary and the parsing of registration syntax lines.

#include <algorithm>
#include <charconv>
#include <cmath>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_arith.h"
#include "sc_classes.h"
#include "sc_const.h"
#include "sc_expression.h"
#include "sc_interpreter.h"
#include "sc_parser.h"
#include "sc_stack.h"
#include "sc_statements.h"
#include "sc_yield.h"

// ---------------------------------------------------------------- item list

TscItemList::~TscItemList()
{
    TscItemList::Clear();
}

void TscItemList::Clear()
{
    std::vector<TscItemList*> items;
    items.swap(items_);
    for (auto* item : items) delete item;
}

void TscItemList::Add(TscItemList* item)
{
    items_.push_back(item);
}

void TscItemList::Remove(TscItemList* item)
{
    const auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) items_.erase(it);
}

// ---------------------------------------------------------------- items

namespace {
const char moduleOwnerTag = 0;
}
const void* const scModuleOwner = &moduleOwnerTag;

std::string scUpperName(std::string_view name)
{
    std::string upper(name);
    for (auto& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

TscCustomVariable::TscCustomVariable(std::string name, TscVarType typ, std::string typeName)
    : Name(std::move(name)), Typ(typ), TypeName(std::move(typeName)), UpperName(scUpperName(Name))
{
}

void TscCustomVariable::SetName(std::string name)
{
    Name = std::move(name);
    UpperName = scUpperName(Name);
}

void TscCustomVariable::SetValue(const Variant& value)
{
    if (!IsReadOnly) Value = value;
}

Variant TscCustomVariable::GetValue()
{
    return Value;
}

int TscCustomVariable::GetNumberOfRequiredParams() const
{
    int required = 0;
    for (int i = 0; i < Count(); ++i)
        if (GetParam(i)->IsOptional == 0) ++required;
    return required;
}

bool TscCustomVariable::HasVarParams() const
{
    for (int i = 0; i < Count(); ++i)
        if (GetParam(i)->IsVarParam) return true;
    return false;
}

TscVariable::TscVariable(std::string name, TscVarType typ, std::string typeName)
    : TscCustomVariable(std::move(name), typ, std::move(typeName))
{
    ItemKind = ikVariable;
    switch (typ) {
    case fvtInt: NativeType = varInteger; break;
    case fvtBool: NativeType = varBoolean; break;
    case fvtFloat: NativeType = varDouble; break;
    case fvtChar:
    case fvtString: NativeType = varString; break;
    default: NativeType = varAny;
    }
}

void TscVariable::SetValue(const Variant& value)
{
    if (IsReadOnly) return;
    // The common cases store without a conversion call.
    if (value.isEmpty()) {
        switch (Typ) {
        case fvtInt: Value = Variant(0); return;
        case fvtBool: Value = Variant(false); return;
        case fvtFloat: Value = Variant(0.0); return;
        case fvtString: Value = Variant(std::string()); return;
        default: break;
        }
    }
    switch (Typ) {
    case fvtInt: Value = value.type() == varInteger ? value : value.cast(varInteger); break;
    case fvtBool: Value = value.type() == varBoolean ? value : value.cast(varBoolean); break;
    case fvtFloat: Value = value.type() == varDouble ? value : value.cast(varDouble); break;
    case fvtString: Value = value.type() == varString ? value : value.cast(varString); break;
    default: Value = value;
    }
}

Variant TscVariable::GetValue()
{
    if (!OnGetValue) return Value;
    Variant result = OnGetValue(Name, Typ, Value);
    return result.isNull() ? Value : result;
}

TscStringVariable::TscStringVariable(std::string name, TscVarType typ, std::string typeName)
    : TscVariable(std::move(name), typ, std::move(typeName))
{
    Value = Variant(std::string());
}

void TscStringVariable::SetValue(const Variant& value)
{
    if (IsReadOnly) return;
    Value = value.type() == varString ? value : Variant(value.toString());
}

// ---------------------------------------------------------------- procedures

namespace {

// Script procedure calls under way on this thread.
thread_local int callDepth = 0;

}  // namespace

TscProcVariable::TscProcVariable(std::string name, TscVarType typ, std::string typeName, TscScript* parent,
                                 bool isFunc)
    : TscCustomVariable(std::move(name), typ, std::move(typeName)),
      IsFunc(isFunc ? 1 : 0),
      Prog(std::make_unique<TscScript>())
{
    ItemKind = ikProc;
    IsReadOnly = 1;
    Prog->Parent = parent;
    if (parent) Prog->ExtendedCharset = parent->ExtendedCharset;
}

TscProcVariable::~TscProcVariable()
{
    for (TscCustomEvent* adapter : Adapters) {
        adapter->Detach();
        adapter->Handler = nullptr;
    }
}

void TscProcVariable::buildFrame()
{
    // Items may join the scope at run time (late-bound names, exception
    // variables), so the list follows the table's size.
    frame_.clear();
    for (int i = 0; i < Prog->Count(); ++i)
        if (Prog->Items(i)->ItemKind == ikVariable) frame_.push_back(&Prog->Items(i)->Value);
    frameItemCount_ = Prog->Count();
    const size_t params = static_cast<size_t>(Count());
    framedParams_ = frame_.size() >= params;
    for (size_t i = 0; framedParams_ && i < params; ++i) {
        const TscParamItem* param = GetParam(static_cast<int>(i));
        framedParams_ = frame_[i] == &param->Value && !param->IsReadOnly;
    }
    framedResult_ = framedParams_ && Result && !Result->IsReadOnly && frame_.size() > params &&
                    frame_[params] == &Result->Value;
}

Variant TscProcVariable::GetValue()
{
    return Invoke(std::span<const Variant>(), std::span<Variant>());
}

namespace {

// The values of a procedure's frame, kept aside while the procedure runs
// again and put back when that run ends, whichever way it ends (nothing is
// kept for a procedure that is not running). The run starts with the
// caller's values, except in the leading slots it sets itself (the
// parameters it is given, then Result), which start empty: those values
// are only moved aside. The frame may grow meanwhile (names bound at run time): the saved
// part keeps its places, as new items come last.
class SavedFrame {
public:
    SavedFrame() = default;
    // Keeps the frame's values aside; the run sets the first setTo itself.
    void keep(const std::vector<Variant*>& values, size_t setTo)
    {
        // Each value keeps its place beside it: putting back reads no
        // frame, and locals spare reading members again after each store.
        const size_t count = values.size();
        Slot* const slots = count > kInline ? static_cast<Slot*>(::operator new(count * sizeof(Slot))) : inlineSlots();
        Variant* const* from = values.data();
        for (size_t i = 0; i < count; ++i) {
            slots[i].place = from[i];
            new (&slots[i].value) Variant(std::move(*from[i]));
        }
        for (size_t i = setTo; i < count; ++i) new (from[i]) Variant(slots[i].value);
        slots_ = slots;
        count_ = count;
    }
    ~SavedFrame()
    {
        const size_t count = count_;
        if (!count) return;
        // Each value is moved out (left empty, nothing to destroy).
        Slot* const slots = slots_;
        for (size_t i = 0; i < count; ++i) scReplace(*slots[i].place, std::move(slots[i].value));
        if (count > kInline) ::operator delete(slots);
    }
    SavedFrame(const SavedFrame&) = delete;
    SavedFrame& operator=(const SavedFrame&) = delete;

private:
    struct Slot {
        Variant* place;
        Variant value;
    };
    static constexpr size_t kInline = 8;
    Slot* inlineSlots() { return reinterpret_cast<Slot*>(storage_); }
    size_t count_ = 0;
    Slot* slots_ = nullptr;
    alignas(Slot) unsigned char storage_[kInline * sizeof(Slot)];
};

struct CallDepth {
    CallDepth() { ++callDepth; }
    ~CallDepth() { --callDepth; }
    CallDepth(const CallDepth&) = delete;
    CallDepth& operator=(const CallDepth&) = delete;
};

}  // namespace

[[gnu::always_inline]] inline Variant TscProcVariable::run()
{
    TscScript* local = Prog.get();
    // What the run changes, given back at its end whichever way it ends. A
    // run entered again while one runs finds Executing and IsRunning set
    // already, and leaves them so.
    struct RunState {
        TscProcVariable* proc;
        TscScript* local;
        TscScript* main;
        bool again;
        uint8_t running;
        TscScript* progRunning;
        ~RunState()
        {
            local->ExitCalled = local->BreakCalled = local->ContinueCalled = 0;
            if (main) main->ProgRunning = progRunning;
            if (!again) {
                local->Terminated = 0;
                local->IsRunning = running;
                proc->Executing = 0;
            }
        }
    };
    TscScript* main = local->PrepareRun();
    const bool again = Executing;
    RunState state{this, local, main, again, local->IsRunning, main ? main->ProgRunning : nullptr};
    Executing = 1;
    // A typed result starts at its kind's empty value.
    if (Result) {
        if (!resultStartKnown_) {
            Result->SetValue(Variant());
            resultStart_ = Result->Value;
            resultStartKnown_ = true;
        } else {
            Result->Value = resultStart_;
        }
    }
    if (main) main->ProgRunning = local;
    local->ExitCalled = local->BreakCalled = local->ContinueCalled = 0;
    // Terminated holds for every call of a procedure already running (the
    // frames of a recursion share its flags): a terminated recursion ends
    // instead of starting afresh at each call.
    if (!again) local->Terminated = 0;
    local->IsRunning = 1;
    // The body as a compound statement runs it (the stack was checked on entry).
    const TscStatement* body = local->Prog();
    const int statements = body->Count();
    try {
        if (statements == 1) {
            if (!local->Terminated) body->Statement(0)->Execute();
        } else {
            for (int i = 0; i < statements && !local->Terminated; ++i) {
                body->Statement(i)->Execute();
                if (local->BreakCalled | local->ContinueCalled | local->ExitCalled) break;
            }
        }
    } catch (EStackOverflow& e) {
        scNameStackOverflow(e, Name);
        throw;
    }
    return IsFunc && Result ? Result->Read() : Variant::Null();
}

// One function from the checks to the result: a call is the interpreter's
// most frequent path, and each layer of calls costs as much as the work.
template <class Args, bool Outs>
[[gnu::always_inline]] inline Variant TscProcVariable::enter(Args args, std::span<Variant> outs)
{
    if (callDepth >= scMaxCallDepth) scRaiseStackOverflow(Name);
    scCheckStack();
    Prog->YieldPoint();
    const CallDepth depth;
    // Entered again while running: the caller's locals come back afterwards.
    // Arguments a host hands in may lie anywhere, even in this frame: the
    // frame is then copied whole before they are read.
    constexpr bool hostArgs = std::is_const_v<typename Args::element_type>;
    const int count = Count();
    const size_t given = std::min(args.size(), static_cast<size_t>(count));
    SavedFrame saved;
    // The parameters given were moved aside, and are writable: each is empty.
    bool emptied = false;
    if (Executing) {
        const std::vector<Variant*>& values = frame();
        emptied = !hostArgs && framedParams_;
        saved.keep(values, emptied ? given + (framedResult_ && given == static_cast<size_t>(count)) : 0);
    }

    const auto store = [&](size_t i) {
        TscParamItem* param = GetParam(static_cast<int>(i));
        if constexpr (hostArgs)
            param->Store(args[i]);
        else if (emptied && param->TakesAsIs(args[i]))
            new (&param->Value) Variant(std::move(args[i]));
        else
            param->Store(std::move(args[i]));
    };
    if constexpr (Args::extent != std::dynamic_extent) {
        // The interpreter's own calls know their argument count: no loop.
        [&]<size_t... I>(std::index_sequence<I...>) {
            ((I < given ? store(I) : void()), ...);
        }(std::make_index_sequence<Args::extent>());
    } else {
        for (size_t i = 0; i < given; ++i) store(i);
    }

    Variant result = scGuardMemory([this] { return run(); });

    if constexpr (Outs) {
        const size_t wanted = std::min(outs.size(), static_cast<size_t>(count));
        for (size_t i = 0; i < wanted; ++i) outs[i] = GetParam(static_cast<int>(i))->GetValue();
    }
    return result;
}

Variant TscProcVariable::Invoke(std::span<const Variant> args, std::span<Variant> outs)
{
    return enter<std::span<const Variant>, true>(args, outs);
}

[[gnu::flatten]] Variant TscProcVariable::InvokeMoving(std::span<Variant> args)
{
    return enter<std::span<Variant>, false>(args, {});
}

Variant TscProcVariable::InvokeMoving(std::span<Variant> args, std::span<Variant> outs)
{
    return enter<std::span<Variant>, true>(args, outs);
}

// The call nodes live beside the call path, so that a call of up to four
// arguments runs it inline. The arguments are all evaluated, in order,
// before the first one is stored: an argument may read the parameter a
// recursive call sets.
template <size_t... I>
[[gnu::always_inline]] inline Variant TscCallNode::callWith(std::index_sequence<I...>)
{
    if constexpr (sizeof...(I) == 0) {
        return Proc->enter<std::span<Variant, 0>, false>({}, {});
    } else {
        Variant args[] = {scArgumentValue(args_[I])...};
        return Proc->enter<std::span<Variant, sizeof...(I)>, false>(std::span<Variant, sizeof...(I)>(args), {});
    }
}

namespace {

template <size_t N>
class TscCallNodeOf final : public TscCallNode {
public:
    using TscCallNode::TscCallNode;
    [[gnu::flatten]] Variant Eval() override
    {
        scCheckStack();
        return callWith(std::make_index_sequence<N>());
    }
};

}  // namespace

TscCallNode* TscCallNode::Make(std::unique_ptr<TscDesignator> designator, TscProcVariable* proc)
{
    const TscDesignatorItem* item = designator->Item(0);
    if (item->HasVarArgs) return new TscCallNode(std::move(designator), proc);
    switch (item->Count()) {
    case 0: return new TscCallNodeOf<0>(std::move(designator), proc);
    case 1: return new TscCallNodeOf<1>(std::move(designator), proc);
    case 2: return new TscCallNodeOf<2>(std::move(designator), proc);
    case 3: return new TscCallNodeOf<3>(std::move(designator), proc);
    case 4: return new TscCallNodeOf<4>(std::move(designator), proc);
    default: return new TscCallNode(std::move(designator), proc);
    }
}

Variant TscCallNode::Eval()
{
    scCheckStack();
    return scCallProc(Proc, Item);
}

// ---------------------------------------------------------------- types

TscVarType StrToVarType(std::string_view typeName, const TscScript* script)
{
    const TscCustomVariable* item = script ? script->Find(typeName) : nullptr;
    return item ? item->Typ : fvtClass;
}

std::string GetFullTypeName(TscVarType typ, const std::string& typeName)
{
    switch (typ) {
    case fvtInt: return "Integer";
    case fvtBool: return "Boolean";
    case fvtFloat: return "Extended";
    case fvtChar: return "Char";
    case fvtString: return "String";
    case fvtArray: return "Array";
    case fvtClass:
    case fvtEnum: return typeName;
    default: return "Variant";
    }
}

std::string GetFullTypeName(const TscCustomVariable* item)
{
    return GetFullTypeName(item->Typ, item->TypeName);
}

bool TypesCompatible(TscVarType targetTyp, const std::string& targetTypeName, TscVarType sourceTyp,
                     const std::string& sourceTypeName, const TscScript* script)
{
    if (sourceTyp == fvtVariant && targetTyp != fvtConstructor) return true;
    switch (targetTyp) {
    case fvtInt: return sourceTyp == fvtInt || sourceTyp == fvtFloat || sourceTyp == fvtEnum;
    case fvtBool: return sourceTyp == fvtBool;
    case fvtFloat: return sourceTyp == fvtInt || sourceTyp == fvtFloat;
    case fvtChar:
    case fvtString: return sourceTyp == fvtChar || sourceTyp == fvtString;
    case fvtClass: {
        if (sourceTyp != fvtClass || !script) return false;
        const TscClassVariable* target = script->FindClass(targetTypeName);
        const TscClassVariable* source = script->FindClass(sourceTypeName);
        return target && source && source->InheritsFrom(target);
    }
    case fvtArray: return sourceTyp == fvtArray;
    case fvtVariant: return true;
    case fvtEnum: return sourceTyp == fvtInt || (sourceTyp == fvtEnum && SameText(targetTypeName, sourceTypeName));
    case fvtConstructor: return false;
    }
    return false;
}

bool TypesCompatible(const TscCustomVariable* target, const TscCustomVariable* source, const TscScript* script)
{
    return TypesCompatible(target->Typ, target->TypeName, source->Typ, source->TypeName, script);
}

bool AssignCompatible(TscVarType targetTyp, const std::string& targetTypeName, TscVarType sourceTyp,
                      const std::string& sourceTypeName, const TscScript* script)
{
    if (targetTyp == fvtInt && sourceTyp == fvtFloat) return false;
    return TypesCompatible(targetTyp, targetTypeName, sourceTyp, sourceTypeName, script);
}

bool AssignCompatible(const TscCustomVariable* target, const TscCustomVariable* source, const TscScript* script)
{
    return AssignCompatible(target->Typ, target->TypeName, source->Typ, source->TypeName, script);
}

std::string IncompatibleTypesMessage(const std::string& targetTypeName, const std::string& sourceTypeName)
{
    return scMessages().IncompatibleTypes + ": '" + targetTypeName + "', '" + sourceTypeName + "'";
}

Variant ParserStringToVariant(std::string_view s)
{
    if (s.empty()) return Variant::Null();
    if (s[0] == '\'') return Variant(s.size() >= 2 ? s.substr(1, s.size() - 2) : std::string_view());
    int64_t integer = 0;
    if (TryStrToInt64(s, integer)) {
        if (integer >= INT32_MIN && integer <= INT32_MAX) return Variant(static_cast<int32_t>(integer));
        return Variant(integer);
    }
    std::string text(s);
    std::replace(text.begin(), text.end(), '.', FormatSettings().DecimalSeparator);
    const Extended value = StrToFloat(text);
    if (!std::isfinite(value) || std::fabs(value) > static_cast<Extended>(1.7976931348623157e308))
        throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return Variant(static_cast<double>(value));
}

void StrToPoint(std::string_view pos, int& line, int& col)
{
    line = col = 0;
    const auto colon = pos.find(':');
    const std::string_view y = pos.substr(0, colon);
    std::from_chars(y.data(), y.data() + y.size(), line);
    if (colon == std::string_view::npos) return;
    const std::string_view x = pos.substr(colon + 1);
    std::from_chars(x.data(), x.data() + x.size(), col);
}

// ---------------------------------------------------------------- syntax lines

namespace {

// A default value: number, string, "-" number, or a registered constant.
Variant readDefault(TscParser& parser, const TscScript* script)
{
    const int start = parser.Position();
    std::string token = parser.GetNumber();
    if (!token.empty()) return ParserStringToVariant(token);
    token = parser.GetString();
    if (!token.empty()) return ParserStringToVariant(token);
    if (parser.GetChar() == "-") {
        token = parser.GetNumber();
        if (!token.empty()) return -ParserStringToVariant(token);
    }
    parser.SetPosition(start);
    token = parser.GetIdent();
    if (!token.empty() && script) {
        if (TscCustomVariable* item = script->Find(token)) return item->Value;
    }
    return Variant::Null();
}

void readParameterGroups(TscParser& parser, const TscScript* script, TscCustomVariable& item)
{
    for (;;) {
        const int groupStart = parser.Position();
        bool isVar = false;
        std::string word = parser.GetWord();
        if (SameText(word, "var")) {
            isVar = true;
        } else if (!SameText(word, "const")) {
            parser.SetPosition(groupStart);
        }
        std::vector<std::string> names;
        for (;;) {
            std::string name = parser.GetWord();
            if (name.empty()) break;
            names.push_back(std::move(name));
            const int p = parser.Position();
            if (parser.GetChar() != ",") {
                parser.SetPosition(p);
                break;
            }
        }
        std::string typeName;
        int p = parser.Position();
        if (parser.GetChar() == ":") {
            typeName = parser.GetWord();
            // Skip what a richer type spelling adds ("array of const").
            for (int guard = 0; guard < 16; ++guard) {
                const int q = parser.Position();
                if (parser.GetWord().empty()) {
                    parser.SetPosition(q);
                    break;
                }
            }
        } else {
            parser.SetPosition(p);
        }
        Variant def = Variant::Null();
        p = parser.Position();
        if (parser.GetChar() == "=") {
            def = readDefault(parser, script);
        } else {
            parser.SetPosition(p);
        }
        const TscVarType typ = StrToVarType(typeName, script);
        for (size_t i = 0; i < names.size(); ++i) {
            auto* param = new TscParamItem(names[i], typ, typeName);
            param->IsVarParam = isVar ? 1 : 0;
            // Only the last name of a group takes the default.
            if (i + 1 == names.size() && !def.isNull()) {
                param->DefValue = def;
                param->IsOptional = 1;
            }
            item.Add(param);
        }
        p = parser.Position();
        const std::string separator = parser.GetChar();
        if (separator == ";" && parser.Position() > groupStart) continue;
        if (separator != ")") parser.SetPosition(p);
        break;
    }
}

}  // namespace

void ParseMethodSyntaxInto(std::string_view syntax, const TscScript* script, TscCustomVariable& item)
{
    TscParser parser;
    if (script && script->ExtendedCharset) parser.AddExtendedCharset();
    parser.SetText(syntax);

    std::string kind = parser.GetWord();
    if (kind.size() >= 5 && SameText(std::string_view(kind).substr(0, 5), "macro")) {
        item.IsMacro = 1;
        kind.erase(0, 5);
    }
    const bool isFunction = SameText(kind, "function");
    item.SetName(parser.GetWord());

    std::string resultType;
    if (isFunction) {
        const auto colon = syntax.rfind(':');
        if (colon != std::string_view::npos) {
            TscParser tail;
            if (script && script->ExtendedCharset) tail.AddExtendedCharset();
            tail.SetText(syntax.substr(colon + 1));
            resultType = tail.GetIdent();
        }
    }
    item.TypeName = resultType;
    item.Typ = StrToVarType(resultType, script);

    const int p = parser.Position();
    if (parser.GetChar() == "(")
        readParameterGroups(parser, script, item);
    else
        parser.SetPosition(p);
}

std::unique_ptr<TscCustomVariable> ParseMethodSyntax(std::string_view syntax, const TscScript* script)
{
    auto item = std::make_unique<TscCustomVariable>(std::string(), fvtClass, std::string());
    ParseMethodSyntaxInto(syntax, script, *item);
    return item;
}
