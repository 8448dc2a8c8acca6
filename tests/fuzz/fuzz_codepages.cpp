// Code page conversions. The input is taken as UTF-8, as GBK bytes, as the
// bytes of several code pages and (pairwise) as UTF-16. Valid UTF-8 goes
// to UTF-16 and back unchanged, and text that GBK can hold goes to GBK and
// back unchanged; decoding never fails, whatever the bytes.
#include <cstdint>
#include <string>

#include "CodePages.h"
#include "Exceptions.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536) return 0;
    const std::string_view bytes = fuzz_support::bytes(data, size);

    const std::u16string wide = Utf8ToUtf16(bytes);
    if (IsValidUtf8(bytes)) {
        FUZZ_CHECK(Utf16ToUtf8(wide) == bytes, "UTF-8 through UTF-16 changed");
        try {
            const std::string gbk = Utf8ToGbkStrict(bytes);
            FUZZ_CHECK(GbkToUtf8(gbk) == bytes, "UTF-8 through GBK changed");
        } catch (const EConvertError&) {
            // A character GBK cannot hold: refused, not dropped.
        }
    }
    // Every code point the decoder walks over is one UTF-8 can write again.
    std::string rebuilt;
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        if (Utf8Decode(bytes, i, cp)) Utf8Append(rebuilt, cp);
    }
    FUZZ_CHECK(IsValidUtf8(rebuilt), "decoded code points wrote invalid UTF-8");

    const std::string fromGbk = GbkToUtf8(bytes);
    FUZZ_CHECK(IsValidUtf8(fromGbk), "GBK decoding wrote invalid UTF-8");
    for (int codePage : {CP_GBK, CP_UTF8, CP_SYMBOL, 1252, 950, 437}) {
        try {
            const std::u16string text = MultiByteToWide(codePage, bytes);
            bool lossy = false;
            const std::string back = WideToMultiByte(codePage, text, &lossy);
            if (codePage == CP_SYMBOL) FUZZ_CHECK(back == bytes, "symbol bytes changed");
            WideToMultiByteStrict(codePage, text);
        } catch (const EConvertError&) {
            // A character the code page cannot hold, strictly.
        }
    }
    // The bytes as UTF-16 code units, lone surrogates included.
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i + 1 < size; i += 2) units[i / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    const std::string utf8 = Utf16ToUtf8(units);
    FUZZ_CHECK(IsValidUtf8(utf8), "UTF-16 wrote invalid UTF-8");
    return 0;
}
