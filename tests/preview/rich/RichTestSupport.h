#pragma once
// Helpers of the rich-text tests: the corpus, reading and dumping, and the
// mutation step the fuzz test and rtf_fuzz share.

#include <QTextDocument>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rpRichFormat.h"

class TRecordingCanvas;
class TReCustomRichEdit;
struct TFormatRange;
struct TRichTarget;

namespace richtest {

std::string CorpusPath(const std::string& name);
std::string ReadFile(const std::string& path);
// The corpus files (names without folder), sorted.
std::vector<std::string> CorpusFiles();

// A document read from RTF (empty when the data is not RTF).
std::unique_ptr<QTextDocument> Read(const std::string& rtf);
std::string Dump(const std::string& rtf);

// A random change to an RTF text: flipped bytes, stray braces and
// backslashes, cut or doubled pieces, hostile control words.
std::string Mutate(const std::string& input, uint32_t& seed);
// Reads the data, writes it, reads and writes that again; the second
// writing must equal the first. Returns a description of what failed, or
// nothing.
std::string CheckStable(const std::string& data);

// Format range from `from` into a rectangle at the origin (twips); out
// gets the range as laid out. Returns the first character not laid out.
int Format(TReCustomRichEdit& e, int from, int width, int height, TFormatRange* out = nullptr,
           const TRichTarget* target = nullptr);

// The attributes of every character but paragraph marks.
std::vector<rich::TRichChar> Attributes(const QTextDocument& doc);
// The x where each drawn line starts, top to bottom.
std::vector<int> LineStarts(const TRecordingCanvas& canvas);

}  // namespace richtest
