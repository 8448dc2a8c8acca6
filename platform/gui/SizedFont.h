#pragma once
// Text metrics that do not depend on the machine: FreeType design-unit
// advances (no hinting, no kerning, no shaping) scaled to whole pixels with
// MulDiv, so a character of a font at a pixel size has one width everywhere.

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>

#include "FontResolver.h"
#include "Numbers.h"

// A resolved font at one pixel size (the em height in device pixels).
// Advances are computed once per block of 256 characters and kept for the
// life of the process; lookups after that take no lock.
class SizedFont {
public:
    // The shared instance for a font and a pixel size (negative sizes are 0).
    static const SizedFont& Get(const ResolvedFont& font, int pixelSize);

    const ResolvedFont& font() const { return font_; }
    int pixelSize() const { return pixelSize_; }
    // The primary face's cell above and below the baseline, whole pixels.
    int ascent() const { return ascent_; }
    int descent() const { return descent_; }

    struct Glyph {
        int32_t advance = 0;
        uint32_t index = 0;
        uint8_t source = 0;  // 0 primary face, 1 CJK fallback face
    };
    Glyph glyph(char32_t ch) const;
    int32_t advance(char32_t ch) const { return glyph(ch).advance; }

    // One advance per UTF-16 unit of text: a surrogate pair's advance sits on
    // its first unit and its second unit gets 0. out.size() >= text.size().
    void advances(std::u16string_view text, std::span<int32_t> out) const;
    int64_t width(std::u16string_view text) const;

    SizedFont(const SizedFont&) = delete;
    SizedFont& operator=(const SizedFont&) = delete;
    ~SizedFont();

private:
    SizedFont(const ResolvedFont& font, int pixelSize);
    struct Block;
    const Block& block(unsigned blockIndex) const;
    Glyph compute(char32_t ch) const;

    const ResolvedFont& font_;
    int pixelSize_;
    int ascent_;
    int descent_;
    mutable std::array<std::atomic<Block*>, 256> blocks_{};
};

// Pixel size of a font of `points` on a device of `pixelsPerInch`:
// Round(points x ppi / 72), at least 0.
int FontPixelSize(Extended points, int pixelsPerInch);
