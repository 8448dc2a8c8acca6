// TEMPORARY: stands in for the core's MD5 and GBK conversion until they land.
#include <iconv.h>

#include <QCryptographicHash>

#include "CodePages.h"
#include "Exceptions.h"
#include "Md5.h"

std::string Utf8ToGbkStrict(std::string_view utf8)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string in(utf8), out(in.size() * 2 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) throw EConvertError("Character cannot be represented in code page 936");
    out.resize(out.size() - ol);
    return out;
}
std::string MD5HexBytes(std::string_view bytes)
{
    return QCryptographicHash::hash(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Md5).toHex().toUpper().toStdString();
}
std::string MD5Hex(std::string_view utf8Text) { return MD5HexBytes(Utf8ToGbkStrict(utf8Text)); }
