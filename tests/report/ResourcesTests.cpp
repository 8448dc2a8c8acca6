#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CodePages.h"
#include "rpEmbedded.h"
#include "rpGZip.h"
#include "rpImageList.h"
#include "rpRes.h"

namespace {

std::vector<std::pair<std::string, std::string>> goldenTable()
{
    std::ifstream in(std::string(REPORT_TEST_DATA) + "/strings_zh_cn.tsv", std::ios::binary);
    std::vector<std::pair<std::string, std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        rows.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return rows;
}

class StringTable : public ::testing::Test {
protected:
    void SetUp() override { LoadReportStringTable(); }
};

}  // namespace

TEST_F(StringTable, EveryKeyGivesItsText)
{
    const auto rows = goldenTable();
    ASSERT_EQ(rows.size(), 178u);
    for (const auto& [key, text] : rows) {
        const std::string expected = text[0] == '!' ? text.substr(1) : text;
        EXPECT_EQ(GetResources().Get(key), expected) << key;
    }
}

TEST_F(StringTable, LookupRules)
{
    TrpResources& r = GetResources();
    const std::pair<const char*, const char*> texts[] = {
        {"mbError", "错误"},         {"CLPAGEOF", "页 %d / %d"},     {"211", "顺序"},   {"no such key", "no such key"},
        {"!bang", "bang"},          {"clDSNotExist", "数据库 \"%s\" 不存在"}, {"202", "页 "}, {"SIdUndeclared", "标识符未宣告: "},
        {"510", "打印机文件 (*.prn)|*.prn"}, {"clClose", "关闭(&X)"}};
    for (const auto& [key, text] : texts) EXPECT_EQ(r.Get(key), text) << key;
    EXPECT_EQ(GetResString(207), "其它");
    EXPECT_EQ(GetResString(5000), "5000");
    EXPECT_EQ(r.GetW("mbError"), u"错误");
    EXPECT_EQ(r.CodePage(), 936);
}

TEST(Resources, SameKeyTwiceKeepsOneEntryWithTheLastTextAndABadCodePageRaises)
{
    TrpResources r;
    r.AddXML("<?xml version=\"1.0\"?><Resources CodePage=\"936\"><StrRes Name=\"k\" Text=\"one\"/>"
             "<StrRes Name=\"K\" Text=\"two\"/><Other Name=\"x\" Text=\"y\"/></Resources>");
    EXPECT_EQ(r.Count(), 1);
    EXPECT_EQ(r.Get("k"), "two");
    EXPECT_EQ(r.Get("x"), "x");
    EXPECT_THROW(r.AddXML("<?xml version=\"1.0\"?><Resources CodePage=\"x\"/>"), EConvertError);
}

TEST(Resources, OtherRootAddsNothingButRefreshesScriptMessages)
{
    std::map<std::string, std::string> seen;
    SetScriptMessageSink([&](const std::string& k, const std::string& t) { seen[k] = t; });
    TrpResources r;
    r.AddXML("<?xml version=\"1.0\"?><Strings><StrRes Name=\"k\" Text=\"v\"/></Strings>");
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(seen.size(), 17u);

    LoadReportStringTable();
    GetResources().AddXML("<?xml version=\"1.0\"?><none/>");
    EXPECT_EQ(seen["SIdUndeclared"], "标识符未宣告: ");
    EXPECT_EQ(seen["SForError"], "for..loop变量必须是数值变量");
    SetScriptMessageSink(nullptr);
}

TEST(Resources, HelpTargets)
{
    TrpResources r;
    const std::string target = r.HelpTarget("TRPMEMOEDITORFORM");
    EXPECT_TRUE(target.ends_with("/RPUser.chm::/Text_object.htm")) << target;
    EXPECT_TRUE(r.HelpTarget("TSomethingElse").ends_with("/RPUser.chm"));
}

TEST(Resources, LanguagesAreTheRplFilesCapitalised)
{
    const std::string dir = ::testing::TempDir() + "rpl_scan/";
    std::filesystem::create_directories(dir);
    for (const char* f : {"CHINESE.RPL", "english.rpl", "notes.txt"}) std::ofstream(dir + f) << "x";
    TrpResources r;
    r.ScanLanguages(dir);
    EXPECT_EQ(r.Languages(), (std::vector<std::string>{"Chinese", "English"}));
    std::filesystem::remove_all(dir);
}

// ---- packed button strip

TEST(GZip, PreviewStripUnpacksToTheBitmap)
{
    const std::string_view packed = FindEmbeddedResource("PreviewButtons");
    ASSERT_FALSE(packed.empty());
    std::string name;
    const std::string bmp = GZipUnpack(packed, &name);
    EXPECT_EQ(bmp.size(), 19254u);
    EXPECT_EQ(name, "1");
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    QImage img;
    ASSERT_TRUE(img.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), static_cast<int>(bmp.size()), "BMP"));
    EXPECT_EQ(img.width(), 400);
    EXPECT_EQ(img.height(), 16);
}

TEST(GZip, DamagedOrForeignInputIsRefused)
{
    std::string flipped(FindEmbeddedResource("PreviewButtons"));
    flipped[flipped.size() / 2] ^= 0x01;
    EXPECT_THROW(GZipUnpack(flipped), EZDecompressionError);
    std::string badAdler(FindEmbeddedResource("PreviewButtons"));
    badAdler[5] ^= 0x40;  // MTIME holds the Adler-32
    EXPECT_THROW(GZipUnpack(badAdler), EZDecompressionError);
    EXPECT_THROW(GZipUnpack(std::string_view("BM this is a bitmap, not packed")), EZDecompressionError);
    EXPECT_THROW(GZipUnpack(std::string_view("")), EZDecompressionError);
    const std::string cut = GZipPack("hello", "1").substr(0, 12);
    EXPECT_THROW(GZipUnpack(std::string_view(cut)), EZDecompressionError);
}

TEST(GZip, OptionalHeaderFieldsAreSkipped)
{
    std::string packed = GZipPack("some data to pack", "name");
    // Add FEXTRA and FCOMMENT after the fixed header.
    const size_t nameEnd = packed.find('\0', 10) + 1;
    std::string withFields = packed.substr(0, 10) + std::string("\x03\x00xyz", 5) + packed.substr(10, nameEnd - 10) +
                             std::string("comment\0", 8) + packed.substr(nameEnd);
    withFields[3] = static_cast<char>(0x08 | 0x04 | 0x10);
    std::string name;
    EXPECT_EQ(GZipUnpack(withFields, &name), "some data to pack");
    EXPECT_EQ(name, "name");
}

TEST(GZip, StreamForm)
{
    TStringStream src(GZipPack("abc", "1"));
    TMemoryStream dst;
    std::string name;
    GZipUnpack(src, dst, name);
    EXPECT_EQ(dst.Size(), 3);
}

TEST(PreviewImages, TwentyFiveMaskedCells)
{
    TrpImageList& list = GetResources().GetPreviewButtonImages();
    ASSERT_EQ(list.Count(), 25);
    EXPECT_EQ(&list, &GetResources().GetPreviewButtonImages());
    for (int i = 0; i < 25; ++i) {
        const QImage img = list.Image(i);
        EXPECT_EQ(img.size(), QSize(16, 16));
        EXPECT_EQ(qAlpha(img.pixel(0, 15)), 0) << i;  // the key colour is transparent
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) opaque += qAlpha(img.pixel(x, y)) != 0;
        EXPECT_GT(opaque, 10) << "cell " << i << " is empty";
    }
    EXPECT_FALSE(list.Icon(2).isNull());
}

TEST(PreviewImages, MissingStripsGiveEmptyLists)
{
    EXPECT_EQ(GetResources().GetObjectImages().Count(), 0);
    EXPECT_EQ(GetResources().GetWizardImages().Width(), 32);
}

TEST(PreviewImages, DesignerStripCutIntoTwoLists)
{
    // Each image beside its greyed form: the bold button (20) in colour and in grey.
    const TrpImageList& images = GetResources().GetDesignerImages();
    const TrpImageList& disabled = GetResources().GetDesignerDisabledImages();
    ASSERT_EQ(images.Count(), 72);
    ASSERT_EQ(disabled.Count(), 72);
    const QImage bold = images.Image(20), grey = disabled.Image(20);
    int ink = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            if (qAlpha(bold.pixel(x, y)) == 0) continue;
            ++ink;
            EXPECT_EQ(bold.pixel(x, y), qRgb(0, 0, 0));
            EXPECT_EQ(grey.pixel(x, y), qRgb(128, 128, 128));
        }
    EXPECT_GT(ink, 20);
    // Images the program does not draw are empty cells.
    EXPECT_EQ(qAlpha(images.Image(0).pixel(8, 8)), 0);
}
