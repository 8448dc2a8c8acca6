// The case mapping and the case-blind search over every code point of the
// Basic Multilingual Plane and over malformed UTF-8, against digests of
// the results the code point by code point mapping gave before ASCII text
// took its own path. A digest covers 4096 code points or one family of
// malformed sequences, so a failure names the block it lies in.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Md5.h"
#include "SysUtils.h"

namespace {

// UTF-8 of a code point, surrogates written like any other three-byte
// character (which makes them malformed).
std::string encode(char32_t cp)
{
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

// Results joined with their lengths in front, so that no two lists of
// results join to the same bytes.
class Digest {
public:
    void add(const std::string& result)
    {
        bytes_ += std::to_string(result.size());
        bytes_ += ':';
        bytes_ += result;
    }
    void add(bool result) { bytes_ += result ? '1' : '0'; }
    std::string hex() const { return MD5HexBytes(bytes_); }

private:
    std::string bytes_;
};

using Mapping = std::function<std::string(std::string_view)>;

// The digest of each block of 4096 code points under a mapping.
std::vector<std::string> bmpBlocks(const std::function<void(Digest&, const std::string&)>& each)
{
    std::vector<std::string> blocks;
    for (char32_t block = 0; block < 0x10000; block += 0x1000) {
        Digest digest;
        for (char32_t cp = block; cp < block + 0x1000; ++cp) each(digest, encode(cp));
        blocks.push_back(digest.hex());
    }
    return blocks;
}

void expectBlocks(const std::vector<std::string>& actual, const std::vector<std::string>& expected,
                  const char* what)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << what << ": code points from U+" << std::hex << i * 0x1000;
}

// Malformed and truncated sequences, by family.
std::vector<std::string> strayBytes()
{
    std::vector<std::string> inputs;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const std::string c(1, static_cast<char>(b));
        for (const std::string& s : {c, "a" + c, c + "a", "a" + c + "z", c + c, "\xC3" + c + "\xA9"})
            inputs.push_back(s);
    }
    return inputs;
}

std::vector<std::string> twoBytes()
{
    std::vector<std::string> inputs;
    for (int lead = 0x80; lead <= 0xFF; ++lead)
        for (int next = 0; next <= 0xFF; ++next) inputs.push_back({static_cast<char>(lead), static_cast<char>(next)});
    return inputs;
}

std::vector<std::string> threeBytes()
{
    std::vector<std::string> inputs;
    for (int lead = 0xE0; lead <= 0xEF; ++lead)
        for (int second = 0x80; second <= 0xBF; ++second) {
            const std::string head{static_cast<char>(lead), static_cast<char>(second)};
            inputs.push_back(head);  // cut short at the end of the text
            for (int third : {0x00, 0x41, 0x61, 0x7F, 0x80, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF})
                inputs.push_back(head + static_cast<char>(third));
        }
    return inputs;
}

std::vector<std::string> fourBytes()
{
    std::vector<std::string> inputs;
    for (int lead = 0xF0; lead <= 0xFF; ++lead)
        for (int second = 0x80; second <= 0xBF; ++second)
            for (int third : {0x80, 0xBF, 0x41}) {
                const std::string head{static_cast<char>(lead), static_cast<char>(second), static_cast<char>(third)};
                inputs.push_back(head);
                for (int fourth : {0x80, 0xBF, 0x61, 0xC0}) inputs.push_back(head + static_cast<char>(fourth));
            }
    // Overlong forms of ASCII letters and of the surrogates' neighbours.
    for (const char* s : {"\xC1\x81", "\xC1\xA1", "\xE0\x81\x81", "\xF0\x80\x81\xA1", "\xED\x9F\xBF", "\xEE\x80\x80"})
        inputs.push_back(s);
    return inputs;
}

std::string digestOf(const std::vector<std::string>& inputs, const Mapping& map)
{
    Digest digest;
    for (const std::string& s : inputs) digest.add(map(s));
    return digest.hex();
}

const Mapping kUpper = [](std::string_view s) { return AnsiUpperCase(s); };
const Mapping kLower = [](std::string_view s) { return AnsiLowerCase(s); };

TEST(CaseMapTable, EveryCodePointOfTheBasicPlane)
{
    expectBlocks(bmpBlocks([](Digest& d, const std::string& s) { d.add(AnsiUpperCase(s)); }),
                 {"44909848D8EA07811595F613BE905AB8", "7B5DAD3C21EC510A9924B9DB732ADD02",
                  "2BC4139876ECE82F6FBF46387E83372D", "A1413CDE8482026C4095D6DED66B6A92",
                  "FA7FBE810C28F3D3E1C541BB681BF234", "6E82B50FDE37C6BCD7E8EDD8FADB2BA7",
                  "570352AFD3744950CCDB855500662F24", "0A23280E1029D845FD036728EA031B10",
                  "04CFA2E65B52FB7FC56D8523BC9BA106", "5159B44D3AA1C2C31F1124FBDA34C370",
                  "44CD3CCF66E868875CD2BC0E7FAAAA7F", "6F1905689961B0EE036023850ED5204C",
                  "FD59161654FCFE85E4DC53564BD49949", "28310185C13F9B940A998D3298690BFA",
                  "5A60692EFC49006EC5147F5B2CAB744B", "335BFB04648F35E684A6A81FCC5E60FA"}, "upper");
    expectBlocks(bmpBlocks([](Digest& d, const std::string& s) { d.add(AnsiLowerCase(s)); }),
                 {"5D53274F42B8F3B94B60A96BB86E9975", "576A34619A9C6C93E7048F1ABBB486A9",
                  "B301F390F9845E9D63373D8481B3EC46", "A1413CDE8482026C4095D6DED66B6A92",
                  "FA7FBE810C28F3D3E1C541BB681BF234", "6E82B50FDE37C6BCD7E8EDD8FADB2BA7",
                  "570352AFD3744950CCDB855500662F24", "0A23280E1029D845FD036728EA031B10",
                  "04CFA2E65B52FB7FC56D8523BC9BA106", "5159B44D3AA1C2C31F1124FBDA34C370",
                  "06FBA8A463F31DAB2A2BCEC7B8950888", "6F1905689961B0EE036023850ED5204C",
                  "FD59161654FCFE85E4DC53564BD49949", "28310185C13F9B940A998D3298690BFA",
                  "5A60692EFC49006EC5147F5B2CAB744B", "6A52289561B18340D4F2AF3413AA25FC"}, "lower");
}

TEST(CaseMapTable, CaseBlindComparisonAndReplacement)
{
    // Each character against its own capital and small forms, alone and
    // between ASCII letters, and replaced wherever it stands in a text.
    expectBlocks(bmpBlocks([](Digest& d, const std::string& s) {
                     d.add(AnsiSameText(s, AnsiUpperCase(s)));
                     d.add(AnsiSameText("a" + s + "B", "A" + AnsiLowerCase(s) + "b"));
                     d.add(AnsiSameText(s, "x"));
                 }),
                 {"25C3176168C47560F420D0F690D25522", "EE638B42FD31070845480D60B1DC3385",
                  "ACE2360A79058A88C8B317EF73E4BDAE", "D1A4441DEAA5D4583B5A02AF3E1863DB",
                  "D1A4441DEAA5D4583B5A02AF3E1863DB", "D1A4441DEAA5D4583B5A02AF3E1863DB",
                  "D1A4441DEAA5D4583B5A02AF3E1863DB", "D1A4441DEAA5D4583B5A02AF3E1863DB",
                  "D1A4441DEAA5D4583B5A02AF3E1863DB", "D1A4441DEAA5D4583B5A02AF3E1863DB",
                  "D1A4441DEAA5D4583B5A02AF3E1863DB", "D1A4441DEAA5D4583B5A02AF3E1863DB",
                  "D1A4441DEAA5D4583B5A02AF3E1863DB", "D1A4441DEAA5D4583B5A02AF3E1863DB",
                  "D1A4441DEAA5D4583B5A02AF3E1863DB", "D1A4441DEAA5D4583B5A02AF3E1863DB"}, "AnsiSameText");
    expectBlocks(bmpBlocks([](Digest& d, const std::string& s) {
                     const unsigned flags = rfReplaceAll | rfIgnoreCase;
                     d.add(StringReplace("x" + s + "Y" + AnsiUpperCase(s) + s, AnsiLowerCase(s), "#", flags));
                     d.add(StringReplace("aB" + s + "ab", "Ab" + AnsiUpperCase(s), "#", flags));
                     d.add(StringReplace(s + s, "q", "#", flags));
                 }),
                 {"0D5615561866F3F769A19EB5936E5A31", "050C0D1917A505EC82E6C473E57BCA0C",
                  "E2F5676D98622F078CC1FC72ECA3832F", "A0AADFAF45F33F889FC79450667DF8D3",
                  "7D7CE0794F1AC62201C223B987AB4EB8", "285DA8D03A8004A1E5C9C2C668F9BF1D",
                  "BF557CBD9B352FAC753F30E3359F3A09", "71E65CCEE46A04A9D507E60934D35BA9",
                  "580190B2BAAB471B6D30E96C33896D14", "0091E6CAA6F52406783DFEDECB388F30",
                  "3960CBB61613AE9F1CB3B62C22CC582F", "EA3BF91AFEDE2568C94FB065312DB255",
                  "E658C5162B1CBDAFFA9C6ADA6CD16D60", "B9EE9AE0A91830DDE8192DD22AB5EE34",
                  "3CC4BE9358A7C25D852EEDFBD944AC63", "61815B7F4A8177B10EDB1D3A87EE1022"}, "StringReplace");
}

TEST(CaseMapTable, TextsMapCharacterByCharacter)
{
    // The whole plane as one text, and every character between ASCII
    // letters, map to the characters' own results joined.
    std::string all, allUpper, allLower, mixed, mixedUpper, mixedLower;
    for (char32_t cp = 0; cp < 0x10000; ++cp) {
        const std::string s = encode(cp);
        all += s;
        allUpper += AnsiUpperCase(s);
        allLower += AnsiLowerCase(s);
        mixed += "q" + s + "Z";
        mixedUpper += "Q" + AnsiUpperCase(s) + "Z";
        mixedLower += "q" + AnsiLowerCase(s) + "z";
    }
    EXPECT_EQ(AnsiUpperCase(all), allUpper);
    EXPECT_EQ(AnsiLowerCase(all), allLower);
    EXPECT_EQ(AnsiUpperCase(mixed), mixedUpper);
    EXPECT_EQ(AnsiLowerCase(mixed), mixedLower);
}

TEST(CaseMapTable, MalformedUtf8)
{
    const std::pair<const char*, std::vector<std::string>> families[] = {
        {"stray bytes", strayBytes()},
        {"two bytes", twoBytes()},
        {"three bytes", threeBytes()},
        {"four bytes", fourBytes()}};
    const std::pair<const char*, const char*> expected[] = {
        {"041E62EDE4CD52E36CE388496EA69B32", "E4054106DFB14F0FEB3A8A7C077D2C27"},
        {"EBB4BAD5523EBA4B9D3EA6D311B86493", "FD279E9537111D905243C54991E000E7"},
        {"28FEB2DE770B86B317D66FEBBCD69461", "A16BCDBDEAFD8BB495B9E59C5B4D61AA"},
        {"85F4FBE8290A184EF0DFA5BCAE508BF8", "8133FB8C788E801CB5F575C1725191D4"}};
    for (size_t i = 0; i < std::size(families); ++i) {
        EXPECT_EQ(digestOf(families[i].second, kUpper), expected[i].first) << "upper, " << families[i].first;
        EXPECT_EQ(digestOf(families[i].second, kLower), expected[i].second) << "lower, " << families[i].first;
    }
    const Mapping sameText = [](std::string_view s) {
        return std::string(AnsiSameText(s, AnsiUpperCase(s)) ? "1" : "0") + (AnsiSameText(s, "a") ? "1" : "0");
    };
    const Mapping replace = [](std::string_view s) {
        return StringReplace("A" + std::string(s) + "b" + std::string(s), "a" + std::string(s), "#",
                             rfReplaceAll | rfIgnoreCase);
    };
    const char* const expectedSame[] = {
        "98BA97BFC2F1E3090ED5FA290E3B10B9", "04235069F369BC64654B3E43C1D52AD7",
        "B36BC8CBE0358B8948C279228CB022C7", "552AF8CB893B3F45EDAE33A1AAB091EF"};
    const char* const expectedReplace[] = {
        "ADDEFD72018DC89CF86DC0BE120BCF0E", "60BC8B3813AE9B1A8D929AA07946218B",
        "CF1BACDD4FD647C62A89B09246654531", "E5A88650D4DA005EDBEF81D124BE221E"};
    for (size_t i = 0; i < std::size(families); ++i) {
        EXPECT_EQ(digestOf(families[i].second, sameText), expectedSame[i]) << "AnsiSameText, " << families[i].first;
        EXPECT_EQ(digestOf(families[i].second, replace), expectedReplace[i]) << "StringReplace, " << families[i].first;
    }
}

}  // namespace
