#pragma once
// The script engine's fixed message texts. They are defaults: the report
// library replaces every one of them by its own resource text at start-up,
// so code must read them through scMessages() each time, never cache them.

#include <new>
#include <stdexcept>
#include <string>

#include "Exceptions.h"

struct TscMessages {
    std::string LanguageNotFound = "Language '%s' not found";
    std::string InvalidLanguage = "Invalid language definition";
    std::string IdentRedeclared = "Identifier redeclared: ";
    std::string UnknownType = "Unknown type: ";
    std::string IncompatibleTypes = "Incompatible types";
    std::string UndeclaredIdent = "Undeclared identifier: ";
    std::string ClassRequired = "Class type required";
    std::string IndexRequired = "Index required";
    std::string StringHasNoMembers = "Strings doesn't have properties or methods";
    std::string NoDefaultProperty = "Class %s does not have a default property";
    std::string ArrayRequired = "Array type required";
    std::string VariableRequired = "Variable required";
    std::string NotEnoughParams = "Not enough actual parameters";
    std::string TooManyParams = "Too many actual parameters";
    std::string LeftSideCannotBeAssigned = "Left side cannot be assigned to";
    std::string ForLoopVariable = "For loop variable must be numeric variable";
    std::string EventHandlerProcedure = "Event handler must be a procedure";
    // Ours: bounds that keep hostile input from exhausting the stack.
    std::string NestingTooDeep = "Program nested too deeply";
    // A grammar whose start rule failed without naming an error.
    std::string SyntaxError = "Syntax error";
    // Run-time texts of ours.
    std::string StackOverflow = "Stack overflow";
    std::string OutOfMemory = "Out of memory";
    std::string InvalidObjectReference = "Invalid object reference";
    std::string RangeCheck = "Range check error";
};

// Run-time errors of the engine, with the class names scripts see.
DORVAK_DECLARE_EXCEPTION(EStackOverflow, Exception)
DORVAK_DECLARE_EXCEPTION(EOutOfMemory, Exception)
DORVAK_DECLARE_EXCEPTION(EOleSysError, EOleError)
DORVAK_DECLARE_EXCEPTION(EOleException, EOleSysError)

// The process-wide message table.
TscMessages& scMessages();

// Whether a C++ exception is memory running out (an allocation failed or
// asked for more than can exist): scripts see it as EOutOfMemory.
bool scIsOutOfMemory(const std::exception& e) noexcept;
[[noreturn]] void scRaiseOutOfMemory();

// Runs f; memory running out inside leaves it as EOutOfMemory.
template <class F>
decltype(auto) scGuardMemory(F&& f)
{
    try {
        return f();
    } catch (const std::bad_alloc&) {
        scRaiseOutOfMemory();
    } catch (const std::length_error&) {
        scRaiseOutOfMemory();
    }
}

// The message with its one "%s" replaced by arg (used for the two texts that
// carry a placeholder; a replaced text without "%s" is returned unchanged).
std::string scFormatMessage(const std::string& text, const std::string& arg);
