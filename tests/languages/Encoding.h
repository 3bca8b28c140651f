// Byte-level facts about language files: which ANSI code page each language is written in, how
// its characters are delimited, how letters fold for accelerator matching, and the signs that a
// file is really UTF-8 although it claims a Windows code page.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace hivelet::languages {

// The Windows ANSI code page that the language's file is written in; nullopt for a name that has
// no fixed page ("Other") or is unknown.
std::optional<int> ExpectedCodePage(std::string_view language);

// Shift JIS (932) and GBK (936) use lead and trail bytes; the other pages one byte per character.
bool IsDoubleByte(int codePage);

// The number in a comment line of the form "; Code page: 1252 (Western European)".
std::optional<int> DeclaredCodePage(std::string_view line);

bool StartsWithUtf8Bom(std::string_view bytes);

// Length in bytes of the character that starts at `pos` (1, or 2 for a lead byte of a double-byte
// page followed by a trail byte).
size_t CharLength(std::string_view text, size_t pos, int codePage);

// Offset of the first byte that cannot start or finish a character of the double-byte page, or
// nullopt when the text is well formed. Always nullopt for single-byte pages.
std::optional<size_t> FirstMalformedByte(std::string_view text, int codePage);

// True when every byte above 0x7F belongs to a well-formed multi-byte UTF-8 sequence and there are
// at least `minSequences` of them. Words in a single-byte Windows page practically never form such
// sequences; a short one can by chance (Ukrainian "Ні" in 1251 is one valid pair), so a single line
// is judged with a higher minimum than a whole file.
bool LooksLikeUtf8(std::string_view text, size_t minSequences = 1);

// The character folded to lower case within its code page (A-Z and the page's own letter pairs).
std::string FoldCase(std::string_view character, int codePage);

// A character that can sensibly serve as an accelerator: an ASCII letter or digit, a letter of the
// page with a case pair, or any non-ASCII character of a page without case (Arabic, CJK).
bool IsAcceleratorCandidate(std::string_view character, int codePage);

} // namespace hivelet::languages
