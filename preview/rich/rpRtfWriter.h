#pragma once
// Our RTF writer: one fixed dialect, ASCII only, byte for byte the same for
// the same document, so that stored reports and prepared pages stay
// stable. Non-ASCII text is written as \uN with a "?" fallback, font names
// in their charset's code page; groups the reader kept (objects, fields,
// metafile pictures) go back as they came, their font and colour numbers
// moved to this file's tables.

#include <string>

#include "rpRichFormat.h"

class QTextDocument;

struct TRtfWriteOptions {
    // The range of document positions to write; to -1 is the end.
    int from = 0;
    int to = -1;
    // Leave out pictures and objects.
    bool noObjects = false;
};

std::string WriteRtf(const QTextDocument& doc, const TRtfWriteOptions& options = {});

// The words that set a tab stop's kind and leader for the next \tx, without
// their backslashes; nullptr for a left stop and for no leader.
const char* RtfTabKindWord(rich::TRichTabKind kind);
const char* RtfTabLeaderWord(rich::TRichTabLeader leader);
