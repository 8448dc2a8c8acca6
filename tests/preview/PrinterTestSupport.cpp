#include "PrinterTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "Numbers.h"
#include "SysUtils.h"

namespace {

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string quoted(const std::string& s) { return "'" + s + "'"; }

}  // namespace

std::string CommandOutput(const std::string& command) { return run(command); }

ScriptedUi::ScriptedUi(int errorBoxes) : previous_(gui::setUi(&ui_))
{
    ui_.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
    for (int i = 0; i < errorBoxes; ++i) ui_.expectMessage(gui::MsgResult::Ok, {}, QStringLiteral("错误"));
}

ScriptedUi::~ScriptedUi()
{
    gui::setUi(previous_);
    EXPECT_EQ(ui_.pending(), 0) << "expected boxes were not shown";
}

std::vector<std::string> ScriptedUi::messages() const
{
    std::vector<std::string> result;
    for (const QString& m : ui_.messages()) result.push_back(m.toStdString());
    return result;
}

std::vector<std::string> PdfPageSizes(const std::string& file)
{
    std::vector<std::string> sizes;
    std::istringstream lines(run("pdfinfo -f 1 -l 9999 " + quoted(file) + " 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Page", 0) != 0) continue;
        const std::size_t at = line.find("size:");
        if (at == std::string::npos) continue;
        std::size_t start = at + 5;
        while (start < line.size() && line[start] == ' ') ++start;
        sizes.push_back(line.substr(start));
    }
    return sizes;
}

std::vector<std::string> PdfPageSizesMm(const std::string& file)
{
    std::vector<std::string> result;
    for (const std::string& s : PdfPageSizes(file)) {
        const double w = std::strtod(s.c_str(), nullptr);
        const double h = std::strtod(s.c_str() + s.find('x') + 1, nullptr);
        result.push_back(IntToStr(Round(w * 25.4L / 72)) + "x" + IntToStr(Round(h * 25.4L / 72)));
    }
    return result;
}

int PdfPageCount(const std::string& file)
{
    std::istringstream lines(run("pdfinfo " + quoted(file) + " 2>/dev/null"));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Pages:", 0) == 0) return std::atoi(line.c_str() + 6);
    return -1;
}

std::string PdfText(const std::string& file, int page)
{
    std::string range = page > 0 ? " -f " + IntToStr(page) + " -l " + IntToStr(page) : std::string();
    return run("pdftotext -layout" + range + " " + quoted(file) + " - 2>/dev/null");
}

std::string PdfWordBox(const std::string& file, const std::string& word)
{
    std::istringstream lines(run("pdftotext -bbox " + quoted(file) + " - 2>/dev/null"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t end = line.rfind("</word>");
        if (end == std::string::npos) continue;
        const std::size_t start = line.rfind('>', end);
        if (start == std::string::npos || line.substr(start + 1, end - start - 1) != word) continue;
        const std::size_t at = line.find("xMin=\"");
        if (at == std::string::npos) continue;
        return line.substr(at + 6);
    }
    return {};
}
