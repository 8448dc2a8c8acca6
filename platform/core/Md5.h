#pragma once
// MD5 (RFC 1321) as 32 upper-case hexadecimal digits.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

std::array<uint8_t, 16> MD5Digest(std::string_view bytes);
std::string MD5HexBytes(std::string_view bytes);
// The application's form: the digest of the GBK bytes of a UTF-8 text.
// A character GBK cannot hold raises EConvertError, never dropped.
std::string MD5Hex(std::string_view utf8Text);
