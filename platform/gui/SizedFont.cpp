#include "SizedFont.h"

#include <map>
#include <memory>
#include <mutex>

#include "CodePages.h"
#include "Numbers.h"

struct SizedFont::Block {
    std::array<Glyph, 256> glyphs;
};

SizedFont::SizedFont(const ResolvedFont& font, int pixelSize)
    : font_(font),
      pixelSize_(pixelSize),
      ascent_(MulDiv(font.primary().face->winAscent(), pixelSize, font.primary().face->unitsPerEm())),
      descent_(MulDiv(font.primary().face->winDescent(), pixelSize, font.primary().face->unitsPerEm()))
{
}

SizedFont::~SizedFont()
{
    for (auto& b : blocks_) delete b.load();
}

const SizedFont& SizedFont::Get(const ResolvedFont& font, int pixelSize)
{
    static std::map<std::pair<const ResolvedFont*, int>, std::unique_ptr<SizedFont>> cache;
    static std::mutex cacheMutex;
    if (pixelSize < 0) pixelSize = 0;
    std::lock_guard lock(cacheMutex);
    auto& slot = cache[{&font, pixelSize}];
    if (!slot) slot.reset(new SizedFont(font, pixelSize));
    return *slot;
}

SizedFont::Glyph SizedFont::compute(char32_t ch) const
{
    const GlyphSource source = font_.lookup(ch);
    const FontChoice& choice = font_.choice(source.source);
    const int design = choice.face->designAdvance(source.index);
    int32_t advance = MulDiv(design, pixelSize_, choice.face->unitsPerEm());
    if (choice.syntheticBold && design > 0) advance += 1;
    return {advance, source.index, source.source};
}

const SizedFont::Block& SizedFont::block(unsigned blockIndex) const
{
    std::atomic<Block*>& slot = blocks_[blockIndex];
    if (Block* ready = slot.load(std::memory_order_acquire)) return *ready;
    auto fresh = std::make_unique<Block>();
    const char32_t first = static_cast<char32_t>(blockIndex) << 8;
    for (unsigned i = 0; i < 256; ++i) fresh->glyphs[i] = compute(first + i);
    Block* expected = nullptr;
    if (slot.compare_exchange_strong(expected, fresh.get(), std::memory_order_acq_rel)) return *fresh.release();
    return *expected;  // another thread filled it first
}

SizedFont::Glyph SizedFont::glyph(char32_t ch) const
{
    if (ch < 0x10000) return block(ch >> 8).glyphs[ch & 0xFF];
    return compute(ch);
}

void SizedFont::advances(std::u16string_view text, std::span<int32_t> out) const
{
    for (size_t i = 0, units = 1; i < text.size(); i += units) {
        const char16_t u = text[i];
        if (u < 0xD800 || u >= 0xE000) {
            out[i] = block(u >> 8).glyphs[u & 0xFF].advance;
            units = 1;
        } else {
            out[i] = glyph(CodePointAt(text, i, &units)).advance;
            if (units == 2) out[i + 1] = 0;
        }
    }
}

int64_t SizedFont::width(std::u16string_view text) const
{
    int64_t total = 0;
    for (size_t i = 0, units = 1; i < text.size(); i += units) {
        const char16_t u = text[i];
        if (u < 0xD800 || u >= 0xE000) {
            total += block(u >> 8).glyphs[u & 0xFF].advance;
            units = 1;
        } else {
            total += glyph(CodePointAt(text, i, &units)).advance;
        }
    }
    return total;
}

int FontPixelSize(Extended points, int pixelsPerInch)
{
    const Extended size = points * pixelsPerInch / 72;
    if (!(size < INT32_MAX)) return size > 0 ? INT32_MAX : 0;
    return size < 0 ? 0 : static_cast<int>(Round(size));
}
