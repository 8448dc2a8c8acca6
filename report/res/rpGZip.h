#pragma once
// Unpacking of the library's gzip-packed bitmap resources. The gzip header
// carries the Adler-32 of the unpacked data in MTIME (most significant byte
// first), so the member is rebuilt as a zlib stream and inflated with the
// Adler-32 check of zlib.

#include <string>
#include <string_view>

#include "Exceptions.h"
#include "Streams.h"

DORVAK_DECLARE_EXCEPTION(EZDecompressionError, Exception)

// Reads a gzip member from the source's position, writes the unpacked bytes
// to the destination and returns the FNAME field in fileName. Input that is
// not such a member, or whose check fails, raises EZDecompressionError.
void GZipUnpack(TStream& source, TStream& dest, std::string& fileName);

// The same on a byte buffer.
std::string GZipUnpack(std::string_view packed, std::string* fileName = nullptr);

// Packs bytes the way GZipUnpack reads them (FNAME given, MTIME = Adler-32).
std::string GZipPack(std::string_view data, std::string_view fileName);
