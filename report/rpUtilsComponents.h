#pragma once
// Names of components as report files refer to them, and back.

#include <string>
#include <string_view>

class TComponent;

// A component's name as a reference from root: its name when it lies in
// root's tree or the report's own owner owns it, "Owner.Name" for a form's or data module's
// component, "Form.Frame.Name" inside a frame; empty otherwise.
std::string GetFullName(const TComponent* root, const TComponent* component);
// Resolves such a name: "Form.Name" through the global components, a plain
// name among the owner's components (then its report's owner's). A lookup
// that raises gives EClassNotFound "Missing <path>"; absent gives nullptr.
TComponent* FindComponentByPath(TComponent* owner, std::string_view path);
// The global components (forms and data modules) by name; the application
// installs the finder. nullptr when none is installed or nothing matches.
using TFindGlobalComponent = TComponent* (*)(std::string_view name);
void SetFindGlobalComponent(TFindGlobalComponent finder);
TComponent* FindGlobalComponent(std::string_view name);
