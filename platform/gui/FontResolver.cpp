#include "FontResolver.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <QDebug>
#include <QString>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "Exceptions.h"

namespace {

// FreeType faces are not thread-safe: every use of one holds this lock.
std::recursive_mutex& fontLock()
{
    static std::recursive_mutex lock;
    return lock;
}

FT_Library freeTypeLibrary()
{
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) throw Exception("FreeType cannot be initialised");
        return lib;
    }();
    return library;
}

// The substitution table: the fonts the reports name, and the pinned files
// of the Debian packages fonts-liberation2, fonts-arphic-uming and
// fonts-wqy-zenhei that stand in for them.
constexpr const char* kLiberationDir = "/usr/share/fonts/truetype/liberation2/";
constexpr const char* kUmingFile = "/usr/share/fonts/truetype/arphic/uming.ttc";
constexpr const char* kZenHeiFile = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

struct PinnedFamily {
    std::vector<const char*> names;
    // Regular, bold, italic, bold italic; a family with one file is
    // emboldened and slanted by us.
    std::vector<std::string> files;
    int faceIndex;
};

const std::vector<PinnedFamily>& pinnedFamilies()
{
    static const std::vector<PinnedFamily> table = [] {
        auto liberation = [](const char* stem) {
            const std::string base = std::string(kLiberationDir) + stem;
            return std::vector<std::string>{base + "-Regular.ttf", base + "-Bold.ttf", base + "-Italic.ttf",
                                            base + "-BoldItalic.ttf"};
        };
        return std::vector<PinnedFamily>{
            // Tahoma: the font of dialog pages and of the old program's windows.
            {{"Arial", "Liberation Sans", "Tahoma"}, liberation("LiberationSans"), 0},
            {{"Times New Roman", "Liberation Serif"}, liberation("LiberationSerif"), 0},
            {{"Courier New", "Liberation Mono"}, liberation("LiberationMono"), 0},
            // Song faces: half-width Latin, full-width ideographs.
            {{"\xE5\xAE\x8B\xE4\xBD\x93", "SimSun", "NSimSun", "\xE6\x96\xB0\xE5\xAE\x8B\xE4\xBD\x93",
              "AR PL UMing CN"},
             {kUmingFile},
             0},
            // Hei faces: the monospaced Zen Hei face has the same model.
            {{"\xE9\xBB\x91\xE4\xBD\x93", "SimHei", "WenQuanYi Zen Hei Mono"}, {kZenHeiFile}, 1},
        };
    }();
    return table;
}

QString foldName(std::string_view name)
{
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).trimmed().toCaseFolded();
}

const PinnedFamily* findPinned(std::string_view name)
{
    const QString key = foldName(name);
    for (const PinnedFamily& family : pinnedFamilies())
        for (const char* n : family.names)
            if (foldName(n) == key) return &family;
    return nullptr;
}

// A face styled as asked: what it lacks of bold or italic, or what the
// font configuration says to add, we add ourselves. A matched pattern holds
// the weight and slant that were asked for, not the face's: its own are
// read from the face.
FontChoice styledChoice(const FontFace* face, bool bold, bool italic, std::pair<bool, bool> configured = {})
{
    if (!face) return {};
    constexpr int kSemiBold = 600;
    return {face, bold && (configured.first || face->weight() < kSemiBold), italic && (configured.second || !face->italic())};
}

// Whether a matched pattern asks for emboldening and for a slanting matrix.
std::pair<bool, bool> fontconfigStyling(FcPattern* match)
{
    FcBool embolden = FcFalse;
    FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
    FcMatrix* matrix = nullptr;
    const bool slanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix &&
                         (matrix->xy != 0 || matrix->yx != 0);
    return {embolden == FcTrue, slanted};
}

FontChoice choiceFromPinned(const PinnedFamily& family, bool bold, bool italic)
{
    if (family.files.size() == 4) {
        const size_t slot = (bold ? 1 : 0) + (italic ? 2 : 0);
        if (const FontFace* face = FontFace::Open(family.files[slot], family.faceIndex))
            return styledChoice(face, bold, italic);
        // A missing style file: the regular face, styled by us.
        return styledChoice(FontFace::Open(family.files[0], family.faceIndex), bold, italic);
    }
    return styledChoice(FontFace::Open(family.files[0], family.faceIndex), bold, italic);
}

// A name outside the table: ask fontconfig, as a Chinese desktop would.
FontChoice choiceFromFontconfig(std::string_view name, bool bold, bool italic)
{
    static std::once_flag initOnce;
    std::call_once(initOnce, [] { FcInit(); });

    FcPattern* pattern = FcPatternCreate();
    const std::string family(name);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);

    FontChoice choice;
    if (match) {
        FcChar8* file = nullptr;
        int index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
            choice = styledChoice(FontFace::Open(reinterpret_cast<const char*>(file), index), bold, italic,
                                  fontconfigStyling(match));
        FcPatternDestroy(match);
    }
    return choice;
}

FontChoice cjkFallback(bool bold, bool italic)
{
    if (const FontFace* face = FontFace::Open(kUmingFile, 0)) return styledChoice(face, bold, italic);
    return styledChoice(FontFace::Open(kZenHeiFile, 1), bold, italic);
}

}  // namespace

// ---- FontFace

const FontFace* FontFace::Open(const std::string& fileName, int faceIndex)
{
    static std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> faces;
    std::lock_guard lock(fontLock());
    const auto key = std::make_pair(fileName, faceIndex);
    if (auto it = faces.find(key); it != faces.end()) return it->second.get();

    std::unique_ptr<FontFace> result;
    FT_Face face = nullptr;
    if (FT_New_Face(freeTypeLibrary(), fileName.c_str(), faceIndex, &face) == 0) {
        if (FT_IS_SFNT(face) && FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
            result.reset(new FontFace);
            result->face_ = face;
            result->fileName_ = fileName;
            result->faceIndex_ = faceIndex;
            result->familyName_ = face->family_name ? face->family_name : "";
            result->styleName_ = face->style_name ? face->style_name : "";
            if (const char* ps = FT_Get_Postscript_Name(face)) result->postscriptName_ = ps;
            auto clamp16 = [](FT_Pos v) { return static_cast<int16_t>(std::clamp<FT_Pos>(v, -32768, 32767)); };
            result->bbox_ = {clamp16(face->bbox.xMin), clamp16(face->bbox.yMin), clamp16(face->bbox.xMax),
                             clamp16(face->bbox.yMax)};
            result->unitsPerEm_ = face->units_per_EM;
            result->winAscent_ = face->ascender;
            result->winDescent_ = -face->descender;
            result->underlinePosition_ = face->underline_position;
            result->underlineThickness_ = face->underline_thickness;
            result->strikeoutPosition_ = face->units_per_EM / 4;
            result->strikeoutSize_ = face->underline_thickness;
            result->weight_ = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
            result->italic_ = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
            if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
                if (os2->usWeightClass >= 1 && os2->usWeightClass <= 1000) result->weight_ = os2->usWeightClass;
                if (os2->usWinAscent + os2->usWinDescent > 0) {
                    result->winAscent_ = os2->usWinAscent;
                    result->winDescent_ = os2->usWinDescent;
                }
                if (os2->yStrikeoutSize > 0) {
                    result->strikeoutPosition_ = os2->yStrikeoutPosition;
                    result->strikeoutSize_ = os2->yStrikeoutSize;
                }
            }
            if (result->underlineThickness_ <= 0) result->underlineThickness_ = face->units_per_EM / 20;
            if (result->strikeoutSize_ <= 0) result->strikeoutSize_ = result->underlineThickness_;
        } else {
            FT_Done_Face(face);
        }
    }
    // A failed open is remembered too, so a missing file is tried once.
    return (faces[key] = std::move(result)).get();
}

FontFace::~FontFace()
{
    if (face_) FT_Done_Face(face_);
}

uint32_t FontFace::glyphIndex(char32_t ch) const
{
    constexpr uint32_t kUnread = UINT32_MAX;
    std::lock_guard lock(fontLock());
    if (ch > 0x10FFFF) return FT_Get_Char_Index(face_, ch);
    const size_t block = ch >> 8;
    if (indexBlocks_.size() <= block) indexBlocks_.resize(block + 1);
    std::unique_ptr<uint32_t[]>& indexes = indexBlocks_[block];
    if (!indexes) {
        indexes = std::make_unique<uint32_t[]>(256);
        std::fill_n(indexes.get(), 256, kUnread);
    }
    uint32_t& index = indexes[ch & 0xFF];
    if (index == kUnread) index = FT_Get_Char_Index(face_, ch);
    return index;
}

FontFace::GlyphBox FontFace::glyphBox(uint32_t glyph) const
{
    std::lock_guard lock(fontLock());
    if (glyph >= static_cast<uint32_t>(face_->num_glyphs)) return {};
    if (boxes_.empty()) {
        boxes_.resize(static_cast<size_t>(face_->num_glyphs));
        boxRead_.resize(static_cast<size_t>(face_->num_glyphs));
    }
    if (!boxRead_[glyph]) {
        GlyphBox& box = boxes_[glyph];
        // Unreadable: as large as anything can be.
        box = {INT16_MIN, INT16_MIN, INT16_MAX, INT16_MAX};
        if (FT_Load_Glyph(face_, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) == 0) {
            const FT_Glyph_Metrics& m = face_->glyph->metrics;
            auto clamp16 = [](FT_Pos v) { return static_cast<int16_t>(std::clamp<FT_Pos>(v, -32768, 32767)); };
            box = {clamp16(m.horiBearingX), clamp16(m.horiBearingY - m.height), clamp16(m.horiBearingX + m.width),
                   clamp16(m.horiBearingY)};
        }
        boxRead_[glyph] = true;
    }
    return boxes_[glyph];
}

int FontFace::designAdvance(uint32_t glyph) const
{
    std::lock_guard lock(fontLock());
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face_, glyph, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
    return static_cast<int>(advance);
}

std::string FontFace::table(uint32_t tag) const
{
    std::lock_guard lock(fontLock());
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &length) != 0 || length == 0) return {};
    std::string bytes(length, '\0');
    if (FT_Load_Sfnt_Table(face_, tag, 0, reinterpret_cast<FT_Byte*>(bytes.data()), &length) != 0) return {};
    return bytes;
}

// ---- ResolvedFont

GlyphSource ResolvedFont::lookup(char32_t ch) const
{
    if (ch < 0x20) ch = 0x20;
    const uint32_t glyph = primary_.face->glyphIndex(ch);
    if (glyph == 0 && fallback_.face) {
        if (const uint32_t other = fallback_.face->glyphIndex(ch)) return {other, 1};
    }
    return {glyph, 0};
}

const ResolvedFont& ResolveFont(std::string_view name, bool bold, bool italic)
{
    static std::unordered_map<std::string, std::unique_ptr<ResolvedFont>> cache;
    static std::mutex cacheMutex;

    const QString folded = foldName(name);
    const std::string key = folded.toStdString() + char('0' + (bold ? 1 : 0) + (italic ? 2 : 0));
    std::lock_guard lock(cacheMutex);
    if (auto it = cache.find(key); it != cache.end()) return *it->second;

    auto font = std::make_unique<ResolvedFont>();
    font->name_ = std::string(name);
    font->bold_ = bold;
    font->italic_ = italic;
    const PinnedFamily* pinned = findPinned(folded.isEmpty() ? std::string_view("Arial") : name);
    if (pinned) font->primary_ = choiceFromPinned(*pinned, bold, italic);
    if (!font->primary_.face) {
        font->primary_ = choiceFromFontconfig(name, bold, italic);
        static std::set<std::string> logged;  // once per name, whatever the style
        if (font->primary_.face && logged.insert(folded.toStdString()).second)
            qInfo().noquote() << "Font" << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
                              << "is not in the substitution table; using"
                              << QString::fromStdString(font->primary_.face->fileName());
    }
    if (!font->primary_.face) font->primary_ = choiceFromPinned(pinnedFamilies().front(), bold, italic);
    if (!font->primary_.face) throw Exception("No font file found for \"" + std::string(name) + "\"");

    const FontChoice cjk = cjkFallback(bold, italic);
    if (cjk.face != font->primary_.face) font->fallback_ = cjk;
    return *(cache[key] = std::move(font));
}

std::string PinnedFontFile(std::string_view name, bool bold, bool italic)
{
    const PinnedFamily* pinned = findPinned(name);
    if (!pinned) return {};
    return pinned->files.size() == 4 ? pinned->files[(bold ? 1 : 0) + (italic ? 2 : 0)] : pinned->files[0];
}
