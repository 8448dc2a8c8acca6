// Reading and writing report files as the generator writes them.
#include "RandomLayoutXml.h"

#include <cctype>

namespace random_layout {

namespace {

void skipSpace(const std::string& s, size_t& i)
{
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
}

bool parse(const std::string& s, size_t& i, XmlNode& out)
{
    skipSpace(s, i);
    if (i >= s.size() || s[i] != '<') return false;
    ++i;
    const size_t nameEnd = s.find_first_of(" />", i);
    if (nameEnd == std::string::npos) return false;
    out.name = s.substr(i, nameEnd - i);
    i = nameEnd;
    while (true) {
        skipSpace(s, i);
        if (i >= s.size()) return false;
        if (s.compare(i, 2, "/>") == 0) {
            i += 2;
            return true;
        }
        if (s[i] == '>') {
            ++i;
            break;
        }
        const size_t eq = s.find('=', i);
        if (eq == std::string::npos || eq + 1 >= s.size() || s[eq + 1] != '"') return false;
        const size_t end = s.find('"', eq + 2);
        if (end == std::string::npos) return false;
        out.attrs.emplace_back(s.substr(i, eq - i), s.substr(eq + 2, end - eq - 2));
        i = end + 1;
    }
    while (true) {
        skipSpace(s, i);
        if (s.compare(i, 2, "</") == 0) {
            i = s.find('>', i);
            if (i == std::string::npos) return false;
            ++i;
            return true;
        }
        XmlNode child;
        if (!parse(s, i, child)) return false;
        out.children.push_back(std::move(child));
    }
}

void write(const XmlNode& n, std::string& out, int indent)
{
    out += std::string(static_cast<size_t>(indent), ' ') + "<" + n.name;
    for (const auto& [k, v] : n.attrs) out += " " + k + "=\"" + v + "\"";
    if (n.children.empty()) {
        out += "/>\n";
        return;
    }
    out += ">\n";
    for (const XmlNode& c : n.children) write(c, out, indent + 2);
    out += std::string(static_cast<size_t>(indent), ' ') + "</" + n.name + ">\n";
}

}  // namespace

std::string XmlNode::get(const std::string& key) const
{
    for (const auto& [k, v] : attrs)
        if (k == key) return v;
    return {};
}

bool parseReport(const std::string& xml, XmlNode& root)
{
    size_t i = xml.find("<TrpReport");
    return i != std::string::npos && parse(xml, i, root);
}

std::string toXml(const XmlNode& root)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n";
    write(root, out, 0);
    return out;
}

}  // namespace random_layout
