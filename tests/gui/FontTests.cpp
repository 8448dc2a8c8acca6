#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>

#include <map>

#include "CodePages.h"
#include "FontResolver.h"
#include "SizedFont.h"

namespace {

std::string sha256(const std::string& fileName)
{
    static std::map<std::string, std::string> known;  // the CJK files are large
    if (auto it = known.find(fileName); it != known.end()) return it->second;
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly)) return "missing: " + fileName;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return known[fileName] = hash.result().toHex().toStdString();
}

const SizedFont& at(std::string_view name, int px, bool bold = false, bool italic = false)
{
    return SizedFont::Get(ResolveFont(name, bold, italic), px);
}

const std::string kSong = "\xE5\xAE\x8B\xE4\xBD\x93";  // 宋体
const std::string kHei = "\xE9\xBB\x91\xE4\xBD\x93";   // 黑体

// A changed font file changes page breaks: these pins notice it.
TEST(FontResolution, NamesLandOnThePinnedFiles)
{
    struct Pin {
        std::string name;
        bool bold, italic;
        std::string family;
        std::string sha;
    };
    const Pin pins[] = {
        {"Arial", false, false, "Liberation Sans", "8d91388f1d3604b3b8ae0e3ee2d140e50cd6122f9214514f4aca772540a4076d"},
        {"Arial", true, false, "Liberation Sans", "ba0e0dc3f7aca5b0afbc31e800531ee43be3aa79ae35b2ef1f6470a9547765c4"},
        {"Arial", false, true, "Liberation Sans", "01f559e5c501d3d5777647c6a92b3ff37a4523bcf4f3b6e97ae052af567618b1"},
        {"Tahoma", false, false, "Liberation Sans", "8d91388f1d3604b3b8ae0e3ee2d140e50cd6122f9214514f4aca772540a4076d"},
        {"Times New Roman", false, false, "Liberation Serif",
         "29d12439831b7f59194efec85872f24f54eff05738933f9a860220d2abff88ba"},
        {"Courier New", false, false, "Liberation Mono", "6b3809450cf6253b36d157198dc15004a5fbade9abad5543c377feb7bb29139c"},
        {kSong, false, false, "AR PL UMing CN", "fe952e55617275142d9cefd4d79eade4df446517b0478b2567d9bc7df49f70e2"},
        {"SimSun", true, false, "AR PL UMing CN", "fe952e55617275142d9cefd4d79eade4df446517b0478b2567d9bc7df49f70e2"},
        {"NSimSun", false, false, "AR PL UMing CN", "fe952e55617275142d9cefd4d79eade4df446517b0478b2567d9bc7df49f70e2"},
        {kHei, false, false, "WenQuanYi Zen Hei Mono", "79c18ebe7b811951e8311bad7103ebeae8c337ed9988ea69e8a78a66cfe029b9"},
        {"SimHei", false, false, "WenQuanYi Zen Hei Mono", "79c18ebe7b811951e8311bad7103ebeae8c337ed9988ea69e8a78a66cfe029b9"},
    };
    for (const Pin& pin : pins) {
        SCOPED_TRACE(pin.name);
        const ResolvedFont& font = ResolveFont(pin.name, pin.bold, pin.italic);
        EXPECT_EQ(font.primary().face->familyName(), pin.family);
        EXPECT_EQ(sha256(font.primary().face->fileName()), pin.sha);
        EXPECT_EQ(font.primary().face->fileName(), PinnedFontFile(pin.name, pin.bold, pin.italic));
    }
    EXPECT_EQ(ResolveFont("Arial", false, false).fallback().face->familyName(), "AR PL UMing CN");
}

TEST(FontResolution, NamesIgnoreCaseAndBlanksAndEmptyIsArial)
{
    EXPECT_EQ(&ResolveFont("  aRiAl ", false, false).primary(), &ResolveFont("  aRiAl ", false, false).primary());
    EXPECT_EQ(ResolveFont("  aRiAl ", false, false).primary().face, ResolveFont("Arial", false, false).primary().face);
    EXPECT_EQ(ResolveFont("", false, false).primary().face, ResolveFont("Arial", false, false).primary().face);
}

TEST(FontResolution, UnknownNamesGoThroughFontconfigAndKeepTheCjkFallback)
{
    const ResolvedFont& font = ResolveFont("No Such Font Family 42", false, false);
    ASSERT_NE(font.primary().face, nullptr);
    EXPECT_FALSE(font.primary().face->fileName().empty());
    // Whatever fontconfig picked, ideographs measure as the em.
    EXPECT_EQ(SizedFont::Get(font, 83).advance(U'\u4E2D'), 83);
}

TEST(FontResolution, OnlyNamesOutsideTheTableAreNoted)
{
    // Dialog pages name Tahoma: the pinned sans face, without a notice; a
    // name fontconfig has to find is noted once.
    static QStringList notes;
    notes.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        notes << m;
    });
    const FontFace* tahoma = ResolveFont("tahoma ", true, false).primary().face;
    ResolveFont("No Such Font Family 43", false, false);
    ResolveFont("No Such Font Family 43", true, true);
    qInstallMessageHandler(previous);
    EXPECT_EQ(tahoma, ResolveFont("Arial", true, false).primary().face);
    ASSERT_EQ(notes.size(), 1) << notes.join(u'\n').toStdString();
    EXPECT_TRUE(notes[0].contains(QStringLiteral("No Such Font Family 43"))) << notes[0].toStdString();
}

TEST(FontResolution, SongAndHeiHaveNoBoldFileSoTheyAreEmboldened)
{
    EXPECT_TRUE(ResolveFont(kSong, true, false).primary().syntheticBold);
    EXPECT_TRUE(ResolveFont(kHei, true, true).primary().syntheticItalic);
    EXPECT_FALSE(ResolveFont("Arial", true, false).primary().syntheticBold);
    EXPECT_TRUE(ResolveFont("Arial", true, false).fallback().syntheticBold);
}

TEST(FontResolution, FontsOutsideTheTableGetTheStyleAskedFor)
{
    // Fontconfig answers a bold or italic request it cannot meet with the
    // regular face and a note to embolden or slant it: that face is then
    // styled by us. A face with the style of its own is left as it is.
    for (const char* name : {"Verdana", "Calibri", "Cambria", "Tahoma Bold", "DejaVu Sans", "DejaVu Serif",
                             "DejaVu Sans Mono", "No Such Font Family 44"}) {
        for (const bool bold : {false, true}) {
            for (const bool italic : {false, true}) {
                SCOPED_TRACE(std::string(name) + (bold ? " bold" : "") + (italic ? " italic" : ""));
                const FontChoice& choice = ResolveFont(name, bold, italic).primary();
                ASSERT_NE(choice.face, nullptr);
                EXPECT_EQ(choice.face->weight() >= 600 || choice.syntheticBold, bold) << choice.face->fileName();
                EXPECT_EQ(choice.face->italic() || choice.syntheticItalic, italic) << choice.face->fileName();
                EXPECT_FALSE(choice.syntheticBold && choice.face->weight() >= 600);
                EXPECT_FALSE(choice.syntheticItalic && choice.face->italic());
            }
        }
    }
    // A family with files of its own styles gets them.
    const FontChoice& dejaVu = ResolveFont("DejaVu Sans", true, true).primary();
    if (dejaVu.face->familyName() == "DejaVu Sans") {
        EXPECT_FALSE(dejaVu.syntheticBold);
        EXPECT_FALSE(dejaVu.syntheticItalic);
    }
    EXPECT_EQ(ResolveFont("Arial", true, true).primary().face->weight(), 700);
    EXPECT_TRUE(ResolveFont("Arial", true, true).primary().face->italic());
}

TEST(FontMetrics, GoldenAdvancesAt83PixelsAndNoneAtZero)
{
    // 10 pt at 600 dpi.
    EXPECT_EQ(FontPixelSize(10, 600), 83);
    EXPECT_EQ(FontPixelSize(-3, 600), 0);
    EXPECT_EQ(at("Arial", 0).width(u"abc"), 0);
    EXPECT_EQ(at("Arial", -5).pixelSize(), 0);
    EXPECT_EQ(at("Arial", 83).advance(U'a'), 46);  // 1139 units: 46.16
    EXPECT_EQ(at("Arial", 83).advance(U'W'), 78);
    EXPECT_EQ(at("Arial", 83).advance(U' '), 23);
    EXPECT_EQ(at("Times New Roman", 83).advance(U'a'), 37);
    EXPECT_EQ(at("Courier New", 83).advance(U'a'), 50);
    // Half-width Latin in the Song and Hei faces: 41.5 rounds half up.
    EXPECT_EQ(at(kSong, 83).advance(U'a'), 42);
    EXPECT_EQ(at(kHei, 83).advance(U'a'), 42);
    EXPECT_EQ(at(kSong, 75).advance(U'a'), 38);  // 37.5
    // Control characters take the blank's width.
    EXPECT_EQ(at("Arial", 83).advance(U'\t'), 23);
    EXPECT_EQ(at(kHei, 83).advance(U'\t'), 42);
}

TEST(FontMetrics, EveryIdeographIsExactlyThePixelSize)
{
    const char32_t samples[] = {U'\u4E2D', U'\u6587', U'\u53D1', U'\u8D27', U'\uFF0C', U'\u3002', U'\u3000'};
    for (int px : {13, 75, 83, 100}) {
        for (char32_t ch : samples) {
            EXPECT_EQ(at(kSong, px).advance(ch), px);
            EXPECT_EQ(at(kHei, px).advance(ch), px);
            EXPECT_EQ(at("Arial", px).advance(ch), px);  // through the fallback
        }
    }
}

TEST(FontMetrics, ChineseInAnArialTextComesFromTheFallbackFace)
{
    const SizedFont& arial = at("Arial", 83);
    EXPECT_EQ(arial.glyph(U'a').source, 0);
    EXPECT_EQ(arial.glyph(U'\u4E2D').source, 1);
    EXPECT_NE(arial.glyph(U'\u4E2D').index, 0u);
    EXPECT_EQ(arial.width(u"a\u4E2Da"), 46 + 83 + 46);
}

TEST(FontMetrics, SyntheticBoldAddsOnePixelPerCharacter)
{
    EXPECT_EQ(at(kSong, 83, true).advance(U'\u4E2D'), 84);
    EXPECT_EQ(at(kSong, 83, true).advance(U'a'), 43);
    EXPECT_EQ(at(kSong, 13, true).advance(U'\u4E2D'), 14);
    // Arial has a real bold face; its Chinese comes from the emboldened fallback.
    EXPECT_EQ(at("Arial", 83, true).advance(U'a'), 46);
    EXPECT_EQ(at("Arial", 83, true).advance(U'\u4E2D'), 84);
    // Slanting changes no advance.
    EXPECT_EQ(at(kSong, 83, false, true).advance(U'\u4E2D'), 83);
}

TEST(FontMetrics, PerUnitAdvancesKeepSurrogatePairsTogether)
{
    const std::u16string text = u"a\U00020000b";  // an ideograph outside the BMP
    std::vector<int32_t> adv(text.size());
    at(kSong, 83).advances(text, adv);
    ASSERT_EQ(adv.size(), 4u);
    EXPECT_EQ(adv[0], 42);
    EXPECT_GT(adv[1], 0);
    EXPECT_EQ(adv[2], 0);
    EXPECT_EQ(adv[3], 42);
    EXPECT_EQ(at(kSong, 83).width(text), 84 + adv[1]);
}

TEST(FontMetrics, VerticalMetricsComeFromTheWindowsAscentAndDescent)
{
    EXPECT_EQ(at("Arial", 83).ascent(), 75);   // 1854 / 2048 em
    EXPECT_EQ(at("Arial", 83).descent(), 18);  // 434 / 2048 em
    EXPECT_EQ(at(kSong, 83).ascent(), 74);     // 917 / 1024 em
}

}  // namespace

TEST(FontMetrics, GlyphBoxesHoldTheOutlinesAndBlanksHaveNone)
{
    const FontFace& face = *ResolveFont("Arial", false, false).primary().face;
    const FontFace::GlyphBox h = face.glyphBox(face.glyphIndex(U'H'));
    EXPECT_GT(h.xMin, 0);
    EXPECT_EQ(h.yMin, 0);  // on the baseline
    EXPECT_GT(h.yMax, face.unitsPerEm() / 2);
    EXPECT_LT(h.yMax, face.winAscent());
    EXPECT_LT(face.glyphBox(face.glyphIndex(U'g')).yMin, 0);  // below it
    const FontFace::GlyphBox blank = face.glyphBox(face.glyphIndex(U' '));
    EXPECT_EQ(blank.xMax - blank.xMin, 0);
    const FontFace::GlyphBox beyond = face.glyphBox(1u << 30);
    EXPECT_EQ(beyond.xMax - beyond.xMin, 0);
}
