// The module list and the system module with its 68 functions. Every
// function is bound to its own handler; they all work on the platform
// core's formatting and conversion library.

#include "sc_sysrtti.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "CodePages.h"
#include "Exceptions.h"
#include "Numbers.h"
#include "SysUtils.h"
#include "sc_classes.h"
#include "sc_classesrtti.h"
#include "sc_const.h"
#include "sc_disp.h"
#include "sc_events.h"
#include "sc_inirtti.h"

// ---------------------------------------------------------------- module list

void TscRTTIModuleList::Add(int position, const std::string& name, TscRTTIModuleFactory factory)
{
    Remove(name);
    auto at = entries_.begin();
    while (at != entries_.end() && at->position <= position) ++at;
    entries_.insert(at, Entry{position, name, factory});
}

void TscRTTIModuleList::Remove(const std::string& name)
{
    std::erase_if(entries_, [&](const Entry& entry) { return SameText(entry.name, name); });
}

namespace {

struct ModuleListHolder {
    std::unique_ptr<TscRTTIModuleList> list;
    bool destroyed = false;
};

ModuleListHolder& moduleList()
{
    static ModuleListHolder holder;
    return holder;
}

}  // namespace

TscRTTIModuleList* scRTTIModules()
{
    ModuleListHolder& holder = moduleList();
    if (holder.destroyed) return nullptr;
    if (!holder.list) {
        holder.list = std::make_unique<TscRTTIModuleList>();
        holder.list->Add(scpSysFunctions, "TscSysFunctions", &scModuleFactory<TscSysFunctions>);
    }
    return holder.list.get();
}

void scRegisterWindowlessModules()
{
    scRegisterEventAdapters();
    scRegisterIniModule();
    scRegisterClassesModule();
}

void scDestroyRTTIModules()
{
    ModuleListHolder& holder = moduleList();
    holder.list.reset();
    holder.destroyed = true;
}

// ---------------------------------------------------------------- UI

namespace {

class StandardErrorUi final : public TscScriptUi {
public:
    void ShowMessage(const std::string& text) override
    {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
};

TscScriptUi*& installedUi()
{
    static TscScriptUi* ui = nullptr;
    return ui;
}

}  // namespace

void scSetScriptUi(TscScriptUi* ui)
{
    installedUi() = ui;
}

TscScriptUi& scScriptUi()
{
    static StandardErrorUi fallback;
    TscScriptUi* ui = installedUi();
    return ui ? *ui : fallback;
}

// ---------------------------------------------------------------- helpers

namespace {

// The handler of one function: f reads its arguments from the caller.
template <class F>
TscMethodCallbackEx handler(F f)
{
    return [f](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) -> Variant {
        return f(*caller);
    };
}

std::string text(const TscMethodHelper& c, int i)
{
    const Variant& v = c.GetParam(i);
    return v.type() == varString ? v.rawString() : v.toString();
}

// An argument as text, read in place when it is a string already.
class TextArg {
public:
    TextArg(const TscMethodHelper& c, int i)
    {
        const Variant& v = c.GetParam(i);
        if (v.type() == varString) {
            view_ = v.rawString();
        } else {
            converted_ = v.toString();
            view_ = converted_;
        }
    }
    TextArg(const TextArg&) = delete;
    TextArg& operator=(const TextArg&) = delete;
    operator std::string_view() const { return view_; }

private:
    std::string converted_;
    std::string_view view_;
};

int32_t integer(const TscMethodHelper& c, int i)
{
    const Variant& v = c.GetParam(i);
    return v.type() == varInteger ? v.rawInt() : v.toInt();
}

double number(const TscMethodHelper& c, int i)
{
    return c.GetParam(i).toDouble();
}

// The Valid* tests: true when the argument converts; an argument without
// a text (Null) is not valid either.
template <class F>
TscMethodCallbackEx validity(F converts)
{
    return handler([converts](TscMethodHelper& c) {
        try {
            return Variant(converts(c));
        } catch (const EVariantError&) {
            return Variant(false);
        } catch (const EConvertError&) {
            return Variant(false);
        }
    });
}

// A 32-bit result of Round or Trunc; a value that does not fit is an error,
// not a wrapped number.
Variant int32Result(int64_t value)
{
    if (value < INT32_MIN || value > INT32_MAX) throw ERangeError(scMessages().RangeCheck);
    return Variant(static_cast<int32_t>(value));
}

// The platform traps what IEEE arithmetic quietly turns into inf or NaN.
Variant checkedMath(double x, double r)
{
    if (std::isnan(r) && !std::isnan(x)) throw EInvalidOp("Invalid floating point operation");
    if (std::isinf(r) && std::isfinite(x)) {
        if (x == 0) throw EZeroDivide("Floating point division by zero");
        throw EOverflow("Floating point overflow");
    }
    return Variant(r);
}

template <class F>
TscMethodCallbackEx math(F f)
{
    return handler([f](TscMethodHelper& c) {
        const double x = number(c, 0);
        return checkedMath(x, f(x));
    });
}

// Copy and Delete clip their range the platform's way: a start before 1
// counts from 1, a count past the end stops there.
void clipRange(int64_t length, int64_t& from, int64_t& count)
{
    if (from < 1) {
        count += from - 1;
        from = 1;
    }
    if (count < 0 || from > length) {
        count = 0;
        return;
    }
    if (from + count - 1 > length) count = length - from + 1;
}

std::mt19937_64& generator()
{
    static std::mt19937_64 engine(5489u);
    return engine;
}

Variant dateResult(TDateTime value)
{
    return Variant::FromDate(value);
}

}  // namespace

// ---------------------------------------------------------------- the module

TscSysFunctions::TscSysFunctions(TscScript* script) : TscRTTIModule(script)
{
    TscScript& s = *Script;
    for (const char* name : {"Byte", "Word", "Integer", "Longint", "Cardinal", "TColor"}) s.AddType(name, fvtInt);
    s.AddType("Boolean", fvtBool);
    for (const char* name : {"Real", "Single", "Double", "Extended", "Currency", "TDate", "TTime", "TDateTime"})
        s.AddType(name, fvtFloat);
    s.AddType("Char", fvtChar);
    s.AddType("String", fvtString);
    s.AddType("Variant", fvtVariant);
    s.AddType("Pointer", fvtVariant);
    s.AddType("Array", fvtArray);
    s.AddType("Constructor", fvtConstructor);

    s.AddConst("True", "Boolean", Variant(true));
    s.AddConst("False", "Boolean", Variant(false));
    s.AddConst("nil", "Variant", Variant(0));
    s.AddConst("Null", "Variant", Variant::Null());

    s.Add("__StringHelper", new TscStringHelper("__StringHelper"));
    s.Add("__ArrayHelper", new TscArrayHelper("__ArrayHelper", -1, fvtVariant, std::string()));

    s.AddVariable("ExceptionClassName", "String", Variant(std::string()));
    s.AddVariable("ExceptionMessage", "String", Variant(std::string()));

    addConversions();
    addFormatting();
    addDates();
    addStrings();
    addMathematics();
    addOthers();

    static const std::pair<const char*, int> varTypes[] = {
        {"varEmpty", 0},       {"varNull", 1},      {"varSmallint", 2}, {"varInteger", 3},   {"varSingle", 4},
        {"varDouble", 5},      {"varCurrency", 6},  {"varDate", 7},     {"varOleStr", 8},    {"varDispatch", 9},
        {"varError", 10},      {"varBoolean", 11},  {"varVariant", 12}, {"varUnknown", 13},  {"varShortInt", 16},
        {"varByte", 17},       {"varWord", 18},     {"varLongWord", 19}, {"varInt64", 20},   {"varStrArg", 72},
        {"varString", 256},    {"varAny", 257},     {"varTypeMask", 4095}, {"varArray", 8192}, {"varByRef", 16384},
    };
    for (const auto& [name, value] : varTypes) s.AddConst(name, "Integer", Variant(value));
}

void TscSysFunctions::addConversions()
{
    TscScript& s = *Script;
    const std::string& cat = CatConv;
    s.AddMethodEx("function IntToStr(i: Integer): String",
                  handler([](TscMethodHelper& c) { return Variant(IntToStr(c.GetParam(0).toInt64())); }), cat);
    s.AddMethodEx("function FloatToStr(e: Extended): String",
                  handler([](TscMethodHelper& c) { return Variant(FloatToStr(number(c, 0))); }), cat);
    s.AddMethodEx("function DateToStr(e: Extended): String",
                  handler([](TscMethodHelper& c) { return Variant(DateToStr(c.GetParam(0).toDate())); }), cat);
    s.AddMethodEx("function TimeToStr(e: Extended): String",
                  handler([](TscMethodHelper& c) { return Variant(TimeToStr(c.GetParam(0).toDate())); }), cat);
    s.AddMethodEx("function DateTimeToStr(e: Extended): String",
                  handler([](TscMethodHelper& c) { return Variant(DateTimeToStr(c.GetParam(0).toDate())); }), cat);
    s.AddMethodEx("function BoolToStr(B: Boolean): string;",
                  handler([](TscMethodHelper& c) { return Variant(BoolToStr(c.GetParam(0).toBool())); }), cat);
    s.AddMethodEx("function VarToStr(v: Variant): String",
                  handler([](TscMethodHelper& c) { return Variant(VarToStr(c.GetParam(0))); }), cat);
    s.AddMethodEx("function StrToInt(s: String): Integer",
                  handler([](TscMethodHelper& c) { return Variant(StrToInt(text(c, 0))); }), cat);
    s.AddMethodEx("function StrToInt64(s: String): Integer",
                  handler([](TscMethodHelper& c) { return Variant(StrToInt64(text(c, 0))); }), cat);
    s.AddMethodEx("function StrToFloat(s: String): Extended",
                  handler([](TscMethodHelper& c) { return Variant(static_cast<double>(StrToFloat(text(c, 0)))); }),
                  cat);
    s.AddMethodEx("function StrToDate(s: String): Extended",
                  handler([](TscMethodHelper& c) { return dateResult(StrToDate(text(c, 0))); }), cat);
    s.AddMethodEx("function StrToTime(s: String): Extended",
                  handler([](TscMethodHelper& c) { return dateResult(StrToTime(text(c, 0))); }), cat);
    s.AddMethodEx("function StrToDateTime(s: String): Extended",
                  handler([](TscMethodHelper& c) { return dateResult(StrToDateTime(text(c, 0))); }), cat);
    s.AddMethodEx("function StrToBool(const S: string): Boolean;",
                  handler([](TscMethodHelper& c) { return Variant(c.GetParam(0).toBool()); }), cat);
}

void TscSysFunctions::addFormatting()
{
    TscScript& s = *Script;
    const std::string& cat = CatFormat;
    s.AddMethodEx("function Format(Fmt: String; Args: array): String", handler([](TscMethodHelper& c) {
                      const Variant& args = c.GetParam(1);
                      std::vector<Variant> values;
                      if (args.isArray() && args.arrayDimCount() == 1) {
                          for (int i = args.arrayLowBound(1); i <= args.arrayHighBound(1); ++i)
                              values.push_back(args.arrayGet(i));
                      } else if (!args.isEmptyOrNull()) {
                          values.push_back(args);
                      }
                      return Variant(Format(text(c, 0), std::span<const Variant>(values)));
                  }),
                  cat);
    s.AddMethodEx("function FormatFloat(Fmt: String; Value: Extended): String",
                  handler([](TscMethodHelper& c) { return Variant(FormatFloat(text(c, 0), number(c, 1))); }), cat);
    s.AddMethodEx(
        "function FormatDateTime(Fmt: String; DateTime: TDateTime): String",
        handler([](TscMethodHelper& c) { return Variant(FormatDateTime(text(c, 0), c.GetParam(1).toDate())); }), cat);
    s.AddMethodEx("function FormatMaskText(EditMask: string; Value: string): string",
                  handler([](TscMethodHelper& c) { return Variant(FormatMaskText(text(c, 0), text(c, 1))); }), cat);
}

void TscSysFunctions::addDates()
{
    TscScript& s = *Script;
    const std::string& cat = CatDate;
    s.AddMethodEx("function EncodeDate(Year, Month, Day: Word): TDateTime", handler([](TscMethodHelper& c) {
                      return dateResult(EncodeDate(integer(c, 0), integer(c, 1), integer(c, 2)));
                  }),
                  cat);
    s.AddMethodEx("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)",
                  handler([](TscMethodHelper& c) {
                      int year = 0, month = 0, day = 0;
                      DecodeDate(c.GetParam(0).toDate(), year, month, day);
                      c.SetParam(1, Variant(year));
                      c.SetParam(2, Variant(month));
                      c.SetParam(3, Variant(day));
                      return Variant();
                  }),
                  cat);
    s.AddMethodEx("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", handler([](TscMethodHelper& c) {
                      return dateResult(EncodeTime(integer(c, 0), integer(c, 1), integer(c, 2), integer(c, 3)));
                  }),
                  cat);
    s.AddMethodEx("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)",
                  handler([](TscMethodHelper& c) {
                      int hour = 0, min = 0, sec = 0, msec = 0;
                      DecodeTime(c.GetParam(0).toDate(), hour, min, sec, msec);
                      c.SetParam(1, Variant(hour));
                      c.SetParam(2, Variant(min));
                      c.SetParam(3, Variant(sec));
                      c.SetParam(4, Variant(msec));
                      return Variant();
                  }),
                  cat);
    s.AddMethodEx("function Date: TDateTime", handler([](TscMethodHelper&) { return dateResult(Date()); }), cat);
    s.AddMethodEx("function Time: TDateTime", handler([](TscMethodHelper&) { return dateResult(Time()); }), cat);
    s.AddMethodEx("function Now: TDateTime", handler([](TscMethodHelper&) { return dateResult(Now()); }), cat);
    s.AddMethodEx("function DayOfWeek(aDate: TDateTime): Integer",
                  handler([](TscMethodHelper& c) { return Variant(DayOfWeek(c.GetParam(0).toDate())); }), cat);
    s.AddMethodEx("function IsLeapYear(Year: Word): Boolean",
                  handler([](TscMethodHelper& c) { return Variant(IsLeapYear(integer(c, 0))); }), cat);
    s.AddMethodEx("function DaysInMonth(nYear, nMonth: Integer): Integer", handler([](TscMethodHelper& c) {
                      const int month = integer(c, 1);
                      // No such month: the date encoder's error, not a made-up length.
                      if (month < 1 || month > 12) throw EConvertError("Invalid argument to date encode");
                      return Variant(DaysInMonth(integer(c, 0), month));
                  }),
                  cat);
}

void TscSysFunctions::addStrings()
{
    TscScript& s = *Script;
    const std::string& cat = CatString;
    s.AddMethodEx("function Length(s: Variant): Integer", handler([](TscMethodHelper& c) {
                      const Variant& v = c.GetParam(0);
                      if (v.type() == varString) return Variant(static_cast<int32_t>(v.rawString().size()));
                      if (v.isArray()) {
                          if (v.arrayDimCount() < 1) return Variant(0);
                          return Variant(v.arrayHighBound(1) - v.arrayLowBound(1) + 1);
                      }
                      if (v.isEmptyOrNull()) return Variant(0);
                      return Variant(static_cast<int32_t>(v.toString().size()));
                  }),
                  cat);
    s.AddMethodEx("function Copy(s: String; from, count: Integer): String", handler([](TscMethodHelper& c) {
                      const Variant& v = c.GetParam(0);
                      std::string buffer;
                      const std::string& str = v.type() == varString ? v.rawString() : (buffer = v.toString());
                      int64_t from = integer(c, 1);
                      int64_t count = integer(c, 2);
                      clipRange(static_cast<int64_t>(str.size()), from, count);
                      if (count == 0) return Variant(std::string());
                      return Variant(std::string_view(str).substr(static_cast<size_t>(from - 1),
                                                                   static_cast<size_t>(count)));
                  }),
                  cat);
    s.AddMethodEx("function Pos(substr, s: String): Integer", handler([](TscMethodHelper& c) {
                      const TextArg sub(c, 0);
                      if (std::string_view(sub).empty()) return Variant(0);
                      const size_t at = std::string_view(TextArg(c, 1)).find(sub);
                      return Variant(at == std::string::npos ? 0 : static_cast<int32_t>(at + 1));
                  }),
                  cat);
    const auto remove = handler([](TscMethodHelper& c) {
        std::string str = text(c, 0);
        int64_t from = integer(c, 1);
        int64_t count = integer(c, 2);
        if (from < 1 || from > static_cast<int64_t>(str.size())) return Variant();
        clipRange(static_cast<int64_t>(str.size()), from, count);
        str.erase(static_cast<size_t>(from - 1), static_cast<size_t>(count));
        c.SetParam(0, Variant(std::move(str)));
        return Variant();
    });
    s.AddMethodEx("procedure Delete(var s: String; from, count: Integer)", remove, cat);
    s.AddMethodEx("procedure DeleteStr(var s: String; from, count: Integer)", remove, cat);
    s.AddMethodEx("procedure Insert(s: String; var s2: String; pos: Integer)", handler([](TscMethodHelper& c) {
                      int64_t at = integer(c, 2);
                      // At the end: an append, in place when the text is the
                      // parameter's alone.
                      if (c.ParamCount() > 1 && c.GetParam(1).type() == varString &&
                          at > static_cast<int64_t>(c.GetParam(1).rawString().size())) {
                          c.ParamValue(1).appendString(TextArg(c, 0));
                          return Variant();
                      }
                      std::string target = text(c, 1);
                      at = std::clamp<int64_t>(at, 1, static_cast<int64_t>(target.size()) + 1);
                      target.insert(static_cast<size_t>(at - 1), text(c, 0));
                      c.SetParam(1, Variant(std::move(target)));
                      return Variant();
                  }),
                  cat)
        ->VarTextInPlace = 1;
    s.AddMethodEx("function Uppercase(s: String): String",
                  handler([](TscMethodHelper& c) { return Variant(AnsiUpperCase(TextArg(c, 0))); }), cat);
    s.AddMethodEx("function Lowercase(s: String): String",
                  handler([](TscMethodHelper& c) { return Variant(AnsiLowerCase(TextArg(c, 0))); }), cat);
    s.AddMethodEx("function Trim(s: String): String",
                  handler([](TscMethodHelper& c) { return Variant(Trim(TextArg(c, 0))); }), cat);
    s.AddMethodEx("function NameCase(s: String): String", handler([](TscMethodHelper& c) {
                      const std::string lower = AnsiLowerCase(text(c, 0));
                      std::string result;
                      result.reserve(lower.size());
                      bool upper = true;
                      for (size_t i = 0; i < lower.size();) {
                          const size_t start = i;
                          char32_t cp = 0;
                          Utf8Decode(lower, i, cp);
                          const std::string_view piece(lower.data() + start, i - start);
                          result += upper ? AnsiUpperCase(piece) : std::string(piece);
                          upper = piece == " ";
                      }
                      return Variant(std::move(result));
                  }),
                  cat);
    s.AddMethodEx("function CompareText(s, s1: String): Integer", handler([](TscMethodHelper& c) {
                      const int r = CompareStr(AnsiUpperCase(TextArg(c, 0)), AnsiUpperCase(TextArg(c, 1)));
                      return Variant(r < 0 ? -1 : r > 0 ? 1 : 0);
                  }),
                  cat);
    s.AddMethodEx("function Chr(i: Integer): Char", handler([](TscMethodHelper& c) {
                      return Variant(std::string(1, static_cast<char>(integer(c, 0) & 0xFF)));
                  }),
                  cat);
    s.AddMethodEx("function Ord(ch: Char): Integer", handler([](TscMethodHelper& c) {
                      const std::string str = text(c, 0);
                      return Variant(str.empty() ? 0 : static_cast<int32_t>(static_cast<unsigned char>(str[0])));
                  }),
                  cat);
    s.AddMethodEx("procedure SetLength(var S: Variant; L: Integer)", handler([](TscMethodHelper& c) {
                      const Variant& v = c.GetParam(0);
                      const int32_t length = integer(c, 1);
                      if (v.isArray()) {
                          Variant array = v;
                          array.arrayRedim(length - 1);
                          c.SetParam(0, array);
                      } else {
                          std::string str = v.isEmptyOrNull() ? std::string() : v.toString();
                          // New characters are zeros, never leftovers.
                          str.resize(static_cast<size_t>(std::max(length, 0)), '\0');
                          c.SetParam(0, Variant(std::move(str)));
                      }
                      return Variant();
                  }),
                  cat);
}

void TscSysFunctions::addMathematics()
{
    TscScript& s = *Script;
    const std::string& cat = CatMath;
    s.AddMethodEx("function Round(e: Extended): Integer", handler([](TscMethodHelper& c) {
                      const Variant& v = c.GetParam(0);
                      if (v.type() == varInteger) return v;
                      const Extended x = v.toDouble();
                      if (!(std::fabs(x) < 4e18L)) throw ERangeError(scMessages().RangeCheck);
                      return int32Result(Round(x));
                  }),
                  cat);
    s.AddMethodEx("function Trunc(e: Extended): Integer", handler([](TscMethodHelper& c) {
                      const Variant& v = c.GetParam(0);
                      if (v.type() == varInteger) return v;
                      const Extended x = v.toDouble();
                      if (!(std::fabs(x) < 4e18L)) throw ERangeError(scMessages().RangeCheck);
                      return int32Result(Trunc(x));
                  }),
                  cat);
    s.AddMethodEx("function Int(e: Extended): Integer",
                  handler([](TscMethodHelper& c) { return Variant(static_cast<double>(Int(number(c, 0)))); }), cat);
    s.AddMethodEx("function Frac(X: Extended): Extended",
                  handler([](TscMethodHelper& c) { return Variant(static_cast<double>(Frac(number(c, 0)))); }), cat);
    s.AddMethodEx("function Sqrt(e: Extended): Extended", math([](double x) { return std::sqrt(x); }), cat);
    s.AddMethodEx("function Abs(e: Extended): Extended", math([](double x) { return std::fabs(x); }), cat);
    s.AddMethodEx("function Sin(e: Extended): Extended", math([](double x) { return std::sin(x); }), cat);
    s.AddMethodEx("function Cos(e: Extended): Extended", math([](double x) { return std::cos(x); }), cat);
    s.AddMethodEx("function ArcTan(X: Extended): Extended", math([](double x) { return std::atan(x); }), cat);
    s.AddMethodEx("function Tan(X: Extended): Extended",
                  math([](double x) { return std::sin(x) / std::cos(x); }), cat);
    s.AddMethodEx("function Exp(X: Extended): Extended", math([](double x) { return std::exp(x); }), cat);
    s.AddMethodEx("function Ln(X: Extended): Extended", math([](double x) { return std::log(x); }), cat);
    s.AddMethodEx("function Pi: Extended",
                  handler([](TscMethodHelper&) { return Variant(3.141592653589793238462643383279502884L); }), cat);
}

void TscSysFunctions::addOthers()
{
    TscScript& s = *Script;
    const std::string& cat = CatOther;
    s.AddMethodEx("procedure Inc(var i: Integer; incr: Integer = 1)", handler([](TscMethodHelper& c) {
                      c.SetParam(0, c.GetParam(0) + c.GetParam(1));
                      return Variant();
                  }),
                  cat);
    s.AddMethodEx("procedure Dec(var i: Integer; decr: Integer = 1)", handler([](TscMethodHelper& c) {
                      c.SetParam(0, c.GetParam(0) - c.GetParam(1));
                      return Variant();
                  }),
                  cat);
    s.AddMethodEx("procedure RaiseException(Param: String)",
                  handler([](TscMethodHelper& c) -> Variant { throw Exception(text(c, 0)); }), cat);
    s.AddMethodEx("procedure ShowMessage(Msg: Variant)", handler([](TscMethodHelper& c) {
                      scScriptUi().ShowMessage(VarToStr(c.GetParam(0)));
                      return Variant();
                  }),
                  cat);
    s.AddMethodEx("procedure Randomize", handler([](TscMethodHelper&) {
                      generator().seed(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
                      return Variant();
                  }),
                  cat);
    s.AddMethodEx("function Random: Extended", handler([](TscMethodHelper&) {
                      return Variant(std::uniform_real_distribution<double>(0.0, 1.0)(generator()));
                  }),
                  cat);
    s.AddMethodEx("function ValidInt(cInt: String): Boolean", validity([](TscMethodHelper& c) {
                      int32_t value = 0;
                      return TryStrToInt(text(c, 0), value);
                  }),
                  cat);
    s.AddMethodEx("function ValidFloat(cFlt: String): Boolean", validity([](TscMethodHelper& c) {
                      Extended value = 0;
                      return TryStrToFloat(text(c, 0), value);
                  }),
                  cat);
    s.AddMethodEx("function ValidDate(cDate: String): Boolean", validity([](TscMethodHelper& c) {
                      const Variant& v = c.GetParam(0);
                      TDateTime value = 0;
                      return TryStrToDate(v.type() == varDate ? DateToStr(v.toDate()) : text(c, 0), value);
                  }),
                  cat);
    s.AddMethodEx("function ExtractFilePath(const FileName: string): string;", handler([](TscMethodHelper& c) {
                      const std::string name = text(c, 0);
                      const size_t at = name.find_last_of("\\:/");
                      return Variant(at == std::string::npos ? std::string() : name.substr(0, at + 1));
                  }),
                  cat);
    s.AddMethodEx("function CreateOleObject(ClassName: String): Variant",
                  handler([](TscMethodHelper& c) { return scCreateOleObject(text(c, 0)); }), cat);
    s.AddMethodEx("function VarArrayCreate(Bounds: Array; Typ: Integer): Variant", handler([](TscMethodHelper& c) {
                      const Variant& bounds = c.GetParam(0);
                      std::vector<VarArrayBound> dims;
                      if (bounds.isArray() && bounds.arrayDimCount() == 1) {
                          const int low = bounds.arrayLowBound(1);
                          const int high = bounds.arrayHighBound(1);
                          for (int i = low; i + 1 <= high; i += 2)
                              dims.push_back({bounds.arrayGet(i).toInt(), bounds.arrayGet(i + 1).toInt()});
                      }
                      if (dims.empty()) throw EVariantError("Invalid variant operation");
                      return VarArrayCreate(std::span<const VarArrayBound>(dims),
                                            static_cast<uint16_t>(integer(c, 1)));
                  }),
                  cat);
    s.AddMethodEx("function VarType(V: Variant): Integer",
                  handler([](TscMethodHelper& c) { return Variant(static_cast<int32_t>(VarType(c.GetParam(0)))); }),
                  cat);
}
