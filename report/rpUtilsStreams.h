#pragma once
// Stream checksums and hex, temporary files and the program's own path.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "Streams.h"

// CRC-32 (ISO 3309) of the whole stream; the position is kept.
uint32_t StreamCRC32(TStream& stream);
// The whole stream from position 0 as upper-case hex.
std::string StreamToHex(TStream& stream);
// Decodes floor(len/2) bytes into the stream from position 0 and gives the
// stream exactly that size. A character that is no hex digit raises
// EConvertError.
void HexToStream(std::string_view hex, TStream& stream);

// Creates an empty file named rpXXXXXX in the folder (the system temporary
// folder when empty) and returns its name; the caller deletes it.
std::string GetTempFileNameIn(const std::string& folder);
// A new temporary file in the folder (the system temporary folder when it
// is empty or missing), open for reading and writing and already unlinked:
// it goes when the stream is freed, also after a failure or a crash.
std::unique_ptr<TStream> OpenUnlinkedTempFile(const std::string& folder);
std::string GetModuleFileNameStr();
// The program's folder with a trailing "/".
std::string GetAppPath();
