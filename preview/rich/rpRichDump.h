#pragma once
// A structural dump of a rich document: one line per paragraph with its
// attributes (defaults left out), then its runs with their character
// attributes, pictures and kept groups. Two documents that dump alike
// hold the same content; the golden files of the RTF tests are dumps.

#include <string>

class QTextDocument;

std::string DumpRichDocument(const QTextDocument& doc);
