#pragma once
// Files embedded into the program at build time (the string table, the
// packed button strip), found by name ignoring case.

#include <string_view>

// The resource's bytes; an empty view when there is none of that name.
std::string_view FindEmbeddedResource(std::string_view name);
