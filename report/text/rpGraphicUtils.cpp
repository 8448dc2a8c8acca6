#include "rpGraphicUtils.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>
#include <utility>

#include "CodePages.h"

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

char16_t asciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

bool sameIgnoringCase(std::u16string_view a, std::u16string_view lowerB)
{
    if (a.size() != lowerB.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != lowerB[i]) return false;
    return true;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool sameAttributes(const TrpHTMLTag& a, const TrpHTMLTag& b)
{
    return a.Size == b.Size && a.AddY == b.AddY && a.Style == b.Style && a.Color == b.Color;
}

// The tags that put the parser from its defaults into the state of `tag`.
std::u16string stateTags(const TrpHTMLTag& tag, const TrpHTMLTagsList& parser)
{
    std::u16string out = u"<font color=\"#";
    const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(tag.Color));
    const uint8_t bytes[3] = {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16)};  // R, G, B
    for (uint8_t b : bytes) {
        out += u"0123456789ABCDEF"[b >> 4];
        out += u"0123456789ABCDEF"[b & 15];
    }
    out += u"\">";
    static constexpr std::pair<TFontStyle, std::u16string_view> styles[] = {
        {fsBold, u"b"}, {fsItalic, u"i"}, {fsUnderline, u"u"}, {fsStrikeout, u"strike"}};
    for (const auto& [style, name] : styles) {
        const bool on = tag.Style.Contains(style), byDefault = parser.DefaultStyle().Contains(style);
        if (on == byDefault) continue;
        out += on ? u"<" : u"</";
        out += name;
        out += u'>';
    }
    if (tag.Small) out += tag.AddY ? u"<sub>" : u"<sup>";
    if (tag.DontWrap) out += u"<nowrap>";
    return out;
}

std::vector<std::u16string> splitLines(std::u16string_view text)
{
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string_view::npos) end = text.size();
        lines.emplace_back(text.substr(start, end - start));
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
        start = end + 1;
    }
    return lines;
}

// The last place in (start, end] where Unicode line breaking lets a line of
// `text` end, or end itself when there is none. No break falls inside a
// nowrap span; the line breaks of the whole text are found on first use.
size_t lastBreakOpportunity(std::optional<QTextBoundaryFinder>& breaks, const std::u16string& text,
                            const TrpHTMLTags& tags, bool allowTags, size_t start, size_t end)
{
    if (!breaks)
        breaks.emplace(QTextBoundaryFinder::Line, reinterpret_cast<const QChar*>(text.data()),
                       static_cast<qsizetype>(text.size()));
    // A leading blank alone would make a line that shows nothing.
    const size_t first = text[start] == u' ' ? start + 2 : start + 1;
    for (size_t p = end; p >= first; --p) {
        if (allowTags && tags[p - 1].DontWrap && tags[p].DontWrap) continue;
        breaks->setPosition(static_cast<qsizetype>(p));
        if (breaks->isAtBoundary()) return p;
    }
    return end;
}

}  // namespace

// ---- Tags

bool ParseTagColor(std::u16string_view value, TColor& color)
{
    // No colour name is this long; a longer value is text, not a tag.
    if (value.size() > 64) return false;
    if (value.size() >= 4 && value[0] == u'"' && value[1] == u'#' && value.back() == u'"') {
        const std::u16string_view digits = value.substr(2, value.size() - 3);
        if (digits.empty() || digits.size() > 6) return false;
        uint32_t rgb = 0;
        for (char16_t c : digits) {
            const int v = hexValue(c);
            if (v < 0) return false;
            rgb = rgb * 16 + static_cast<uint32_t>(v);
        }
        // RRGGBB to the platform's blue-green-red order.
        color = static_cast<TColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
        return true;
    }
    return IdentToColor("cl" + Utf16ToUtf8(value), color);
}

void TrpHTMLTagsList::SetDefaults(TColor color, int size, TFontStyles style)
{
    defColor_ = color_ = color;
    defSize_ = size_ = size;
    defStyle_ = style_ = style;
    addY_ = 0;
    dontWrap_ = false;
}

bool TrpHTMLTagsList::tryTag(std::u16string_view tag)
{
    const bool closing = !tag.empty() && tag[0] == u'/';
    const std::u16string_view name = closing ? tag.substr(1) : tag;
    auto setStyle = [&](TFontStyle style) {
        closing ? style_.Exclude(style) : style_.Include(style);
        return true;
    };
    if (sameIgnoringCase(name, u"b")) return setStyle(fsBold);
    if (sameIgnoringCase(name, u"i")) return setStyle(fsItalic);
    if (sameIgnoringCase(name, u"u")) return setStyle(fsUnderline);
    if (sameIgnoringCase(name, u"strike")) return setStyle(fsStrikeout);
    if (sameIgnoringCase(name, u"nowrap")) {
        dontWrap_ = !closing;
        return true;
    }
    if (sameIgnoringCase(name, u"sub") || sameIgnoringCase(name, u"sup")) {
        size_ = closing ? defSize_ : static_cast<int>(Round(defSize_ / 1.5L));
        addY_ = (!closing && asciiLower(name[2]) == u'b') ? 1 : 0;
        return true;
    }
    if (closing) {
        if (!sameIgnoringCase(name, u"font")) return false;
        color_ = defColor_;
        return true;
    }
    // "font color=" then blanks, then the value.
    constexpr std::u16string_view head = u"font color";
    if (name.size() <= head.size() || !sameIgnoringCase(name.substr(0, head.size()), head) ||
        name[head.size()] != u'=')
        return false;
    std::u16string_view value = name.substr(head.size() + 1);
    while (!value.empty() && value[0] == u' ') value.remove_prefix(1);
    TColor color;
    if (!ParseTagColor(value, color)) return false;
    color_ = color;
    return true;
}

bool TrpHTMLTagsList::ExpandHTMLTags(std::u16string_view line, std::u16string& text, TrpHTMLTags& tags,
                                     size_t maxUnits)
{
    text.clear();
    tags.clear();
    const size_t prefix = std::min(line.size(), maxUnits);
    text.reserve(prefix);
    tags.reserve(prefix);
    TrpHTMLTag previous;
    previous.Size = defSize_;
    previous.Style = defStyle_;
    previous.Color = defColor_;
    int position = 1;
    auto append = [&](char16_t ch) {
        TrpHTMLTag tag = previous;
        tag.Position = position;
        if (AllowTags) {
            tag.Size = size_;
            tag.AddY = addY_;
            tag.Style = style_;
            tag.Color = color_;
            tag.Small = size_ != defSize_;
            tag.DontWrap = dontWrap_;
            tag.Default = sameAttributes(tag, previous);
        }
        text += ch;
        tags.push_back(tag);
        previous = tag;
    };
    // Most lines hold no markup: every character in the same state, the
    // first one told whether that state differs from the font's.
    if (prefix > 0 && (!AllowTags || line.substr(0, prefix).find(u'<') == std::u16string_view::npos)) {
        append(line[0]);
        text.append(line, 1, prefix - 1);
        const TrpHTMLTag first = tags[0];
        tags.resize(prefix, first);
        for (size_t i = 1; i < tags.size(); ++i) {
            tags[i].Position = static_cast<int>(i) + 1;
            tags[i].Default = true;
        }
        return prefix == line.size();
    }
    // The first '>' after the current '<', found once for every '<' before
    // it: a line of unclosed tags is read once, not once per '<'.
    size_t close = 0, i = 0;
    while (i < line.size() && text.size() < maxUnits) {
        if (AllowTags && line[i] == u'<') {
            if (close != std::u16string_view::npos && close <= i) close = line.find(u'>', i + 1);
            if (close != std::u16string_view::npos && tryTag(line.substr(i + 1, close - i - 1))) {
                position += static_cast<int>(close - i + 1);
                i = close + 1;
                continue;
            }
        }
        append(line[i]);
        ++position;
        ++i;
    }
    if (i < line.size()) return false;
    if (text.empty()) {
        position = 1;
        append(u' ');
    }
    return true;
}

// ---- Syllables of Russian words

std::vector<int> RussianSyllableBreaks(std::u16string_view word)
{
    // Letter classes: vowels, consonants (signs and Й among them), signs, Й.
    static constexpr std::u16string_view vowels = u"АЕЁИОУЫЭЮЯ";
    static constexpr std::u16string_view consonants = u"БВГДЖЗЙКЛМНПРСТФХЦЧШЩЬЪ";
    static constexpr std::u16string_view signs = u"ЬЪ";
    static constexpr char16_t shortI = u'Й';
    enum Kind { Vowel, Consonant, Other };

    std::vector<int> breaks;
    const int n = static_cast<int>(word.size());
    if (n <= 3) return breaks;
    std::vector<Kind> kind(word.size());
    std::u16string upper(word);
    for (int i = 0; i < n; ++i) {
        char16_t& c = upper[i];
        if (c >= u'а' && c <= u'я') c = char16_t(c - 0x20);
        if (c == u'ё') c = u'Ё';
        kind[i] = vowels.find(c) != std::u16string_view::npos       ? Vowel
                  : consonants.find(c) != std::u16string_view::npos ? Consonant
                                                                    : Other;
        if (kind[i] == Other) return breaks;  // not a Cyrillic word
    }
    // Vowels before each place, so that a long word is read once.
    std::vector<int> vowelsBefore(word.size() + 1, 0);
    for (int i = 0; i < n; ++i) vowelsBefore[i + 1] = vowelsBefore[i] + (kind[i] == Vowel ? 1 : 0);
    auto hasVowel = [&](int from, int to) { return vowelsBefore[to] > vowelsBefore[from]; };
    // Each part keeps two letters and a vowel; no line starts with a sign or
    // Й; splits fall after a vowel before consonant plus vowel (мо-ло-ко),
    // between two vowels (ау-ул), or between consonants (кар-та, край-ний).
    for (int p = 2; p <= n - 2; ++p) {
        const char16_t next = upper[p];
        if (signs.find(next) != std::u16string_view::npos || next == shortI) continue;
        if (!hasVowel(0, p) || !hasVowel(p, n)) continue;
        const Kind before = kind[p - 1], after = kind[p];
        const bool ok = (before == Vowel && after == Consonant && p + 1 < n && kind[p + 1] == Vowel) ||
                        (before == Vowel && after == Vowel) || (before == Consonant && after == Consonant);
        if (ok) breaks.push_back(p);
    }
    return breaks;
}

// ---- TrpDrawText: set-up

TrpDrawText::TrpDrawText() = default;

void TrpDrawText::SetFont(const TFont& font)
{
    if (font.Name() != fontName_ || font.Size() != fontSize_) {
        fontName_ = font.Name();
        fontSize_ = font.Size();
        pixelSize_ = FontPixelSize(fontSize_, PrinterPPI);
        std::fill(std::begin(resolved_), std::end(resolved_), nullptr);
        std::fill(std::begin(sized_), std::end(sized_), nullptr);
    }
    fontStyle_ = font.Style();
    fontColor_ = font.Color();
}

void TrpDrawText::SetOptions(bool wordWrap, bool allowTags, bool rtlReading, bool wordBreak, bool clipped,
                             bool wysiwyg, int rotation)
{
    wordWrap_ = wordWrap;
    tags_.AllowTags = allowTags;
    rtlReading_ = rtlReading;
    wordBreak_ = wordBreak;
    clipped_ = clipped;
    wysiwyg_ = wysiwyg;
    rotation_ = ((rotation % 360) + 360) % 360;  // -90 turns like 270
}

void TrpDrawText::SetDimensions(const TRect& bounds, const TRect& clipRect, Extended scaleX, Extended scaleY)
{
    bounds_ = bounds;
    clipRect_ = clipRect;
    scaleX_ = scaleX > 0 ? scaleX : 1;
    scaleY_ = scaleY > 0 ? scaleY : 1;
    wrapBoxWidth_ = wrapBoxHeight_ = -1;
}

void TrpDrawText::SetWrapBox(Extended width, Extended height)
{
    wrapBoxWidth_ = width;
    wrapBoxHeight_ = height;
}

void TrpDrawText::SetGaps(Extended paragraphGap, Extended charSpacing, Extended lineSpacing)
{
    // Far beyond any page, and small enough that every measure stays a
    // finite whole number of pixels (NaN counts as no gap).
    auto bounded = [](Extended gap) { return std::isnan(gap) ? 0 : std::clamp(gap, -kMaxGap, kMaxGap); };
    paragraphGap_ = bounded(paragraphGap);
    charSpacing_ = bounded(charSpacing);
    lineSpacing_ = bounded(lineSpacing);
}

const SizedFont& TrpDrawText::sized(TFontStyles style, int pixelSize) const
{
    const int slot = (style.Contains(fsBold) ? 1 : 0) | (style.Contains(fsItalic) ? 2 : 0);
    if (!resolved_[slot]) resolved_[slot] = &ResolveFont(fontName_, slot & 1, slot & 2);
    return SizedFont::Get(*resolved_[slot], pixelSize);
}

const SizedFont& TrpDrawText::sized(TFontStyles style) const
{
    const int slot = (style.Contains(fsBold) ? 1 : 0) | (style.Contains(fsItalic) ? 2 : 0);
    if (!sized_[slot]) sized_[slot] = &sized(style, pixelSize_);
    return *sized_[slot];
}

// ---- Layout

void TrpDrawText::SetText(std::u16string_view text, size_t maxLines)
{
    SetText(splitLines(text), maxLines);
}

void TrpDrawText::SetText(std::vector<std::u16string> lines, size_t maxLines)
{
    source_ = std::move(lines);
    lines_.clear();
    layoutSteps_ = 0;
    truncated_ = false;
    tags_.SetDefaults(fontColor_, fontSize_, fontStyle_);
    const bool sideways = (rotation_ >= 90 && rotation_ < 180) || rotation_ >= 270;
    Extended w = sideways ? (bounds_.Bottom - bounds_.Top) / scaleY_ : (bounds_.Right - bounds_.Left) / scaleX_;
    if (wrapBoxWidth_ >= 0) w = sideways ? wrapBoxHeight_ : wrapBoxWidth_;
    wrapWidth_ = ClampCoordinate(Round(w * r));
    firstLineWidth_ = ClampCoordinate(Round((w - paragraphGap_) * r));
    charSpacingPx_ = ClampCoordinate(Round(charSpacing_ * r));
    for (size_t k = 0; k < source_.size() && !truncated_; ++k) {
        if (lines_.size() >= maxLines) {
            truncated_ = true;
            break;
        }
        // With a limit, a long source line is taken a piece at a time, each
        // piece twice the last, until its lines are found: what follows them
        // is never read.
        const TrpHTMLTagsList state = tags_;
        const size_t wanted = maxLines - lines_.size();
        size_t units = wanted > std::numeric_limits<size_t>::max() / 512 ? std::numeric_limits<size_t>::max() : wanted * 256 + 4096;
        for (;;) {
            const bool whole = tags_.ExpandHTMLTags(source_[k], expanded_, expandedTags_, units);
            const size_t before = lines_.size();
            if (wrapLine(static_cast<int>(k), expanded_, expandedTags_, whole, maxLines)) break;
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(before), lines_.end());
            tags_ = state;
            units = units > std::numeric_limits<size_t>::max() / 2 ? std::numeric_limits<size_t>::max() : units * 2;
        }
    }
    releaseLongBuffers();
}

void TrpDrawText::releaseLongBuffers()
{
    // A long text's buffers are not held on to by the shared drawer.
    constexpr size_t kKept = 4096;
    auto release = [](auto& buffer) {
        if (buffer.capacity() > kKept) std::remove_reference_t<decltype(buffer)>().swap(buffer);
    };
    release(expanded_);
    release(expandedTags_);
    release(widths_);
    release(linePos_);
    release(runDx_);
}

int32_t TrpDrawText::charWidth(char32_t ch, const TrpHTMLTag& tag) const
{
    const int32_t w = sized(tag.Style).advance(ch) + charSpacingPx_;
    return tag.Small ? static_cast<int32_t>(Round(w / 1.5L)) : w;
}

void TrpDrawText::measure(const std::u16string& text, const TrpHTMLTags& tags, std::vector<int32_t>& widths) const
{
    widths.assign(text.size(), 0);
    for (size_t i = 0, units = 1; i < text.size(); i += units) widths[i] = charWidth(CodePointAt(text, i, &units), tags[i]);
}

void TrpDrawText::appendLine(int sourceLine, const std::u16string& text, const TrpHTMLTags& tags,
                             const std::vector<int32_t>& widths, size_t from, size_t to, LineEnd end)
{
    const bool hyphen = end == LineEnd::Hyphen;
    TrpTextLine line;
    line.Text = text.substr(from, to - from);
    line.Tags.assign(tags.begin() + from, tags.begin() + to);
    line.Widths.assign(widths.begin() + from, widths.begin() + to);
    line.SourceLine = sourceLine;
    line.Hyphenated = hyphen;
    // Markup before a break goes with the line before it; a blank that
    // breaks belongs to neither line.
    const int sourceSize = static_cast<int>(source_[sourceLine].size());
    line.SourceStart = from == 0 ? 0 : tags[from - 1].Position;
    if (to == text.size())
        line.SourceEnd = sourceSize;
    else if (end == LineEnd::Blank)
        line.SourceEnd = tags[to].Position - 1;
    else
        line.SourceEnd = tags[to - 1].Position;
    if (line.SourceEnd < line.SourceStart || source_[sourceLine].empty()) line.SourceEnd = line.SourceStart;
    if (hyphen) {
        TrpHTMLTag tag = line.Tags.back();
        tag.Default = true;
        line.Text += u'-';
        line.Tags.push_back(tag);
        line.Widths.push_back(charWidth(u'-', tag));
    }
    lines_.push_back(std::move(line));
}

bool TrpDrawText::wrapLine(int sourceLine, const std::u16string& text, const TrpHTMLTags& tags, bool whole,
                           size_t maxLines)
{
    std::vector<int32_t>& widths = widths_;
    measure(text, tags, widths);
    layoutSteps_ += text.size();
    const size_t n = text.size();
    // Of a piece of the line, a break is decided only where what follows it
    // is known well enough to say where the line may break.
    constexpr size_t kLookahead = 64;
    const size_t known = whole ? n : n > kLookahead ? n - kLookahead : 0;
    const size_t first = lines_.size();
    size_t units = 1;
    CodePointAt(text, 0, &units);
    if (!wordWrap_ || units >= n) {
        if (!whole) return false;
        appendLine(sourceLine, text, tags, widths, 0, n, LineEnd::Cut);
    } else {
        std::optional<QTextBoundaryFinder> breaks;  // found when first needed
        size_t start = 0;
        for (bool firstLine = true; start < n; firstLine = false) {
            if (lines_.size() >= maxLines) {
                truncated_ = true;
                break;
            }
            const int64_t limit = firstLine ? firstLineWidth_ : wrapWidth_;
            int64_t width = 0;
            size_t i = start, lastBlank = std::u16string::npos;
            for (; i < n; i += units, ++layoutSteps_) {
                if (i >= known) return false;
                CodePointAt(text, i, &units);
                const bool blank = text[i] == u' ' && !(tags_.AllowTags && tags[i].DontWrap);
                // The first character of a line is always taken, however
                // narrow the box: no empty lines, no endless loop.
                if (blank && i > start) lastBlank = i;
                if (width + widths[i] > limit && i > start) break;
                width += widths[i];
            }
            if (i >= n) {
                appendLine(sourceLine, text, tags, widths, start, n, LineEnd::Cut);
                break;
            }
            if (lastBlank == std::u16string::npos) {
                // No blank: cut where Unicode line breaking allows, so that a
                // number or a Latin word stays whole and closing punctuation
                // stays with what it closes.
                const size_t cut = lastBreakOpportunity(breaks, text, tags, tags_.AllowTags, start, i);
                layoutSteps_ += i - cut + 1;
                appendLine(sourceLine, text, tags, widths, start, cut, LineEnd::Cut);
                start = cut;
                continue;
            }
            if (wordBreak_) {
                // The word after the last blank, split by syllables where the
                // first part and a hyphen still fit.
                const size_t wordStart = lastBlank + 1;
                size_t wordEnd = text.find_first_of(u" .,-;", wordStart);
                if (wordEnd == std::u16string::npos) {
                    if (!whole) return false;
                    wordEnd = n;
                }
                const std::vector<int> breaks =
                    RussianSyllableBreaks(std::u16string_view(text).substr(wordStart, wordEnd - wordStart));
                layoutSteps_ += wordEnd - wordStart;
                // The last break whose part still fits: the widths summed
                // once, from the breaks in order.
                size_t partEnd = std::u16string::npos, summed = start;
                int64_t partWidth = 0;
                for (const int at : breaks) {
                    const size_t end = wordStart + static_cast<size_t>(at);
                    for (; summed < end; ++summed) partWidth += widths[summed];
                    if (partWidth + charWidth(u'-', tags[end - 1]) <= limit) partEnd = end;
                }
                layoutSteps_ += summed - start;
                const bool split = partEnd != std::u16string::npos;
                if (split) {
                    appendLine(sourceLine, text, tags, widths, start, partEnd, LineEnd::Hyphen);
                    start = partEnd;
                }
                if (split) continue;
            }
            appendLine(sourceLine, text, tags, widths, start, lastBlank, LineEnd::Blank);
            start = lastBlank + 1;
        }
    }
    if (lines_.size() > first) lines_[first].Flags |= 1;
    if (!truncated_) lines_.back().Flags |= 2;
    return true;
}

void TrpDrawText::SetParaBreaks(bool firstParaBreak, bool lastParaBreak)
{
    if (lines_.empty()) return;
    if (firstParaBreak) lines_.front().Flags &= ~1;
    if (lastParaBreak) lines_.back().Flags &= ~2;
}

// ---- Measures

Extended TrpDrawText::LineHeight() const
{
    // A negative line spacing as large as the font leaves no height at all;
    // a small one keeps the measures finite.
    const Extended h = pixelSize_ / r + lineSpacing_;
    return h > 0 ? h : 0.01L;
}

Extended TrpDrawText::CalcHeight() const
{
    if (lines_.empty()) return 0;
    Extended height = LineHeight() * static_cast<Extended>(lines_.size());
    if (lineSpacing_ < 0) height -= lineSpacing_;
    return height;
}

Extended TrpDrawText::CalcWidth() const
{
    int64_t widest = 0;
    for (const TrpTextLine& line : lines_) {
        int64_t width = 0, characters = 0;
        for (size_t i = 0, units = 1; i < line.Text.size(); i += units) {
            width += sized(line.Tags[i].Style).advance(CodePointAt(line.Text, i, &units));
            ++characters;
        }
        width += Round(characters * charSpacing_ * r);
        if (line.Flags & 1) width += Round(paragraphGap_ * r);
        widest = std::max(widest, width);
    }
    return widest / r;
}

Extended TrpDrawText::UnusedSpace() const
{
    const Extended height = (bounds_.Bottom - bounds_.Top + 1) / scaleY_;
    const Extended h = LineHeight();
    const int64_t n = Trunc(height / h);
    if (n <= 0) return 0;
    const Extended unused = height - n * h;
    return unused == 0 ? 0.0001L : unused;
}

size_t TrpDrawText::LinesInBounds() const
{
    const Extended height = (bounds_.Bottom - bounds_.Top + 1) / scaleY_;
    const Extended n = height / LineHeight();
    return n >= 1 ? static_cast<size_t>(std::min<Extended>(n, Extended(std::numeric_limits<int>::max()))) : 0;
}

int TrpDrawText::fittingLines() const
{
    return static_cast<int>(std::min(LinesInBounds(), lines_.size()));
}

std::u16string TrpDrawText::GetInBoundsText(std::u16string& rest, bool* paragraphContinues) const
{
    auto join = [this](size_t from, size_t to, std::u16string& out) {
        for (size_t k = from; k < to; ++k) {
            if (!out.empty() || k > from) out += kLineBreak;
            out += source_[k];
        }
    };
    rest.clear();
    if (paragraphContinues) *paragraphContinues = false;
    const size_t n = static_cast<size_t>(fittingLines());
    std::u16string fits;
    if (n == 0) {
        join(0, source_.size(), rest);
        return fits;
    }
    if (n >= lines_.size()) {
        join(0, source_.size(), fits);
        return fits;
    }
    const TrpTextLine& last = lines_[n - 1];
    const TrpTextLine& next = lines_[n];
    join(0, static_cast<size_t>(last.SourceLine), fits);
    if (last.SourceLine > 0) fits += kLineBreak;
    fits += std::u16string_view(source_[last.SourceLine]).substr(0, static_cast<size_t>(last.SourceEnd));
    if (last.Hyphenated) fits += u'-';

    if (tags_.AllowTags) rest = stateTags(next.Tags.front(), tags_);
    const bool continues = next.SourceLine == last.SourceLine;
    if (paragraphContinues) *paragraphContinues = continues;
    rest += std::u16string_view(source_[next.SourceLine]).substr(continues ? static_cast<size_t>(next.SourceStart) : 0);
    for (size_t k = static_cast<size_t>(next.SourceLine) + 1; k < source_.size(); ++k) {
        rest += kLineBreak;
        rest += source_[k];
    }
    return fits;
}

std::u16string TrpDrawText::GetWrappedText() const
{
    std::u16string out;
    for (size_t k = 0; k < lines_.size(); ++k) {
        if (k) out += kLineBreak;
        const TrpTextLine& line = lines_[k];
        out += std::u16string_view(source_[line.SourceLine])
                   .substr(static_cast<size_t>(line.SourceStart), static_cast<size_t>(line.SourceEnd - line.SourceStart));
        if (line.Hyphenated) out += u'-';
    }
    return out;
}

// ---- The shared instance

namespace {
std::recursive_mutex& drawTextMutex()
{
    static std::recursive_mutex m;
    return m;
}
}  // namespace

TrpDrawText& DrawTextObject()
{
    static TrpDrawText shared;
    return shared;
}

void LockDrawText()
{
    drawTextMutex().lock();
}

void UnlockDrawText()
{
    drawTextMutex().unlock();
}
