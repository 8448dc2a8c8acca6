#pragma once
// Helpers shared by the front-end tests: the intermediate program in one
// line, and a compile that reports it or the error.

#include <string>

#include "sc_ilparser.h"
#include "sc_interpreter.h"

namespace sctest {

// One element per word: name(attributes){children}, positions dropped.
inline std::string compact(const TscXMLItem* item)
{
    std::string out = item->Name;
    std::string attrs;
    for (const char* name : {"text", "unit"}) {
        const std::string value = item->Prop(name);
        if (!value.empty() || item->Text.find(std::string(name) + "=") != std::string::npos) attrs += value;
    }
    if (!attrs.empty()) out += "(" + attrs + ")";
    if (item->Count() > 0) {
        out += "{";
        for (int i = 0; i < item->Count(); ++i) out += (i ? " " : "") + compact(item->Items(i));
        out += "}";
    }
    return out;
}

struct Compiled {
    bool ok;
    std::string il;  // compact, without the types element
    std::string error;  // "line:col: message"
};

inline Compiled compile(TscScript& script, const std::string& language, const std::string& text)
{
    TscILParser parser(&script);
    parser.SelectLanguage(language);
    Compiled c{parser.MakeILScript(text), "", script.ErrorPos + ": " + script.ErrorMsg};
    if (c.ok) {
        const TscXMLItem* root = parser.ILScript.Root();
        for (int i = 0; i < root->Count(); ++i)
            if (root->Items(i)->Name != "types") c.il.append(c.il.empty() ? "" : " ").append(compact(root->Items(i)));
    }
    return c;
}

}  // namespace sctest
