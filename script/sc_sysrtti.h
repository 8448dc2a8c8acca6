#pragma once
// Registration modules and the system module. Everything a script sees
// besides its own declarations is registered by modules: one instance of
// every module in the process-wide list is made per script (AddRTTI), in
// the list's order, and lives as long as the script.

#include <memory>
#include <string>
#include <vector>

#include "sc_interpreter.h"

class TscRTTIModule {
public:
    explicit TscRTTIModule(TscScript* script) : Script(script) {}
    TscRTTIModule(const TscRTTIModule&) = delete;
    TscRTTIModule& operator=(const TscRTTIModule&) = delete;
    virtual ~TscRTTIModule() = default;
    TscScript* Script;
};

using TscRTTIModuleFactory = std::unique_ptr<TscRTTIModule> (*)(TscScript* script);

template <class M>
std::unique_ptr<TscRTTIModule> scModuleFactory(TscScript* script)
{
    return std::make_unique<M>(script);
}

// The fixed places of the program's modules in the list.
enum TscModulePosition {
    scpSysFunctions = 1,
    scpIniFiles = 2,
    scpClasses = 3,
    scpDialogs = 4,
    scpGraphics = 5,
    scpForms = 6,
    scpReport = 7,
    scpRichText = 8,
};

class TscRTTIModuleList {
public:
    struct Entry {
        int position;
        std::string name;
        TscRTTIModuleFactory factory;
    };
    // Adds a module at its place (after others of the same place); a module
    // of the same name is replaced.
    void Add(int position, const std::string& name, TscRTTIModuleFactory factory);
    void Remove(const std::string& name);
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// The modules that need no window system, after the system module: the
// event adapters, ini files (2) and classes (3). The window, dialog and
// graphics modules come from script/gui (registerScriptModules), which
// registers these first.
void scRegisterWindowlessModules();

// The process-wide list, made on first use with TscSysFunctions first;
// nullptr once scDestroyRTTIModules has run. Written only at start-up and
// shut-down.
TscRTTIModuleList* scRTTIModules();
void scDestroyRTTIModules();

// Modal interaction of scripts (ShowMessage). The application installs a
// Qt implementation; tools and tests install their own.
class TscScriptUi {
public:
    virtual ~TscScriptUi() = default;
    virtual void ShowMessage(const std::string& text) = 0;
};
// nullptr restores the default, which writes the message as a line to
// standard error.
void scSetScriptUi(TscScriptUi* ui);
TscScriptUi& scScriptUi();

// The system module: base types, True/False/nil/Null, the exception
// variables, the 68 system functions and the var* constants.
class TscSysFunctions : public TscRTTIModule {
public:
    explicit TscSysFunctions(TscScript* script);
    const std::string CatConv = "ctConv";
    const std::string CatDate = "ctDate";
    const std::string CatFormat = "ctFormat";
    const std::string CatMath = "ctMath";
    const std::string CatOther = "ctOther";
    const std::string CatString = "ctString";

private:
    void addConversions();
    void addFormatting();
    void addDates();
    void addStrings();
    void addMathematics();
    void addOthers();
};
