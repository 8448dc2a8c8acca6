#pragma once
// The two symbol fonts RTF writers pick bullets from, Symbol and
// Wingdings: their bytes (or the private-use characters U+F020-U+F0FF
// that stand for them) as the Unicode characters they show, and back.

#include <QString>

#include <optional>
#include <utility>

namespace rich {

enum class TSymbolFont { None, Symbol, Wingdings };

// The symbol font a face name is, by name (case is ignored).
TSymbolFont SymbolFontOf(const QString& face);
// What a byte (0x20-0xFF) of the font shows; 0 where we know of nothing.
char32_t SymbolFontChar(TSymbolFont font, unsigned byte);
// The font and byte that show a character, Symbol first; nothing when
// neither does.
std::optional<std::pair<TSymbolFont, unsigned>> SymbolFontByte(char32_t c);
QString SymbolFontFace(TSymbolFont font);

}  // namespace rich
