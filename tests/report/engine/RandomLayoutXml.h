#pragma once
// A report file as the generator writes it, read back into its elements
// (attributes kept as written, no text), for the shrinker and for telling
// what a failing report is made of.
#include <string>
#include <utility>
#include <vector>

namespace random_layout {

struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attrs;
    std::vector<XmlNode> children;

    // The attribute's value, or empty.
    std::string get(const std::string& key) const;
};

// The report element of a file; false when it cannot be read.
bool parseReport(const std::string& xml, XmlNode& root);
std::string toXml(const XmlNode& root);

}  // namespace random_layout
