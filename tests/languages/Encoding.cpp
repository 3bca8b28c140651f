#include "languages/Encoding.h"

#include <array>
#include <charconv>
#include <utility>

namespace hivelet::languages {

namespace {

struct PageEntry {
    std::string_view language;
    int codePage;
};

constexpr std::array<PageEntry, 24> kPages = {{
    {"Arabic", 1256},     {"BrazilianPortuguese", 1252},
    {"Chinese", 936},     {"Czech", 1250},
    {"Danish", 1252},     {"Dutch", 1252},
    {"English", 1252},    {"Finnish", 1252},
    {"French", 1252},     {"German", 1252},
    {"Greek", 1253},      {"Hungarian", 1250},
    {"Italian", 1252},    {"Japanese", 932},
    {"Kurdish", 1254},    {"Polish", 1250},
    {"Portuguese", 1252}, {"Russian", 1251},
    {"Serbian", 1250},    {"Slovenian", 1250},
    {"Spanish", 1252},    {"Swedish", 1252},
    {"Turkish", 1254},    {"Ukranian", 1251},
}};

// Upper-case byte, lower-case byte pairs of each single-byte page above 0x7F.
std::string_view CasePairs(int codePage) {
    switch (codePage) {
    case 1250:
        return "\x8A\x9A\x8C\x9C\x8D\x9D\x8E\x9E\x8F\x9F\xA3\xB3\xA5\xB9\xAA\xBA\xAF\xBF\xBC\xBE"
               "\xC0\xE0\xC1\xE1\xC2\xE2\xC3\xE3\xC4\xE4\xC5\xE5\xC6\xE6\xC7\xE7\xC8\xE8\xC9\xE9"
               "\xCA\xEA\xCB\xEB\xCC\xEC\xCD\xED\xCE\xEE\xCF\xEF\xD0\xF0\xD1\xF1\xD2\xF2\xD3\xF3"
               "\xD4\xF4\xD5\xF5\xD6\xF6\xD8\xF8\xD9\xF9\xDA\xFA\xDB\xFB\xDC\xFC\xDD\xFD\xDE\xFE";
    case 1251:
        return "\x80\x90\x81\x83\x8A\x9A\x8C\x9C\x8D\x9D\x8E\x9E\x8F\x9F\xA1\xA2\xA3\xBC\xA5\xB4"
               "\xA8\xB8\xAA\xBA\xAF\xBF\xB2\xB3\xBD\xBE\xC0\xE0\xC1\xE1\xC2\xE2\xC3\xE3\xC4\xE4"
               "\xC5\xE5\xC6\xE6\xC7\xE7\xC8\xE8\xC9\xE9\xCA\xEA\xCB\xEB\xCC\xEC\xCD\xED\xCE\xEE"
               "\xCF\xEF\xD0\xF0\xD1\xF1\xD2\xF2\xD3\xF3\xD4\xF4\xD5\xF5\xD6\xF6\xD7\xF7\xD8\xF8"
               "\xD9\xF9\xDA\xFA\xDB\xFB\xDC\xFC\xDD\xFD\xDE\xFE\xDF\xFF";
    case 1252:
        return "\x8A\x9A\x8C\x9C\x8E\x9E\x9F\xFF\xC0\xE0\xC1\xE1\xC2\xE2\xC3\xE3\xC4\xE4\xC5\xE5"
               "\xC6\xE6\xC7\xE7\xC8\xE8\xC9\xE9\xCA\xEA\xCB\xEB\xCC\xEC\xCD\xED\xCE\xEE\xCF\xEF"
               "\xD0\xF0\xD1\xF1\xD2\xF2\xD3\xF3\xD4\xF4\xD5\xF5\xD6\xF6\xD8\xF8\xD9\xF9\xDA\xFA"
               "\xDB\xFB\xDC\xFC\xDD\xFD\xDE\xFE";
    case 1253:
        // Final sigma folds with sigma: both are the same key.
        return "\xA2\xDC\xB8\xDD\xB9\xDE\xBA\xDF\xBC\xFC\xBE\xFD\xBF\xFE\xC1\xE1\xC2\xE2\xC3\xE3"
               "\xC4\xE4\xC5\xE5\xC6\xE6\xC7\xE7\xC8\xE8\xC9\xE9\xCA\xEA\xCB\xEB\xCC\xEC\xCD\xED"
               "\xCE\xEE\xCF\xEF\xD0\xF0\xD1\xF1\xD3\xF3\xD4\xF4\xD5\xF5\xD6\xF6\xD7\xF7\xD8\xF8"
               "\xD9\xF9\xDA\xFA\xDB\xFB\xF2\xF3";
    case 1254:
        return "\x8A\x9A\x8C\x9C\x9F\xFF\xC0\xE0\xC1\xE1\xC2\xE2\xC3\xE3\xC4\xE4\xC5\xE5\xC6\xE6"
               "\xC7\xE7\xC8\xE8\xC9\xE9\xCA\xEA\xCB\xEB\xCC\xEC\xCD\xED\xCE\xEE\xCF\xEF\xD0\xF0"
               "\xD1\xF1\xD2\xF2\xD3\xF3\xD4\xF4\xD5\xF5\xD6\xF6\xD8\xF8\xD9\xF9\xDA\xFA\xDB\xFB"
               "\xDC\xFC\xDE\xFE";
    case 1256:
        return "\x8C\x9C";
    default:
        return {};
    }
}

bool InRange(unsigned char c, unsigned lo, unsigned hi) {
    return c >= lo && c <= hi;
}

bool IsLeadByte(unsigned char c, int codePage) {
    if (codePage == 932)
        return InRange(c, 0x81, 0x9F) || InRange(c, 0xE0, 0xFC);
    if (codePage == 936)
        return InRange(c, 0x81, 0xFE);
    return false;
}

bool IsTrailByte(unsigned char c, int codePage) {
    if (codePage == 932)
        return InRange(c, 0x40, 0x7E) || InRange(c, 0x80, 0xFC);
    if (codePage == 936)
        return InRange(c, 0x40, 0xFE) && c != 0x7F;
    return false;
}

// Single bytes above 0x7F that stand alone: half-width katakana in Shift JIS, the euro sign in GBK.
bool IsSingleHighByte(unsigned char c, int codePage) {
    if (codePage == 932)
        return InRange(c, 0xA1, 0xDF);
    if (codePage == 936)
        return c == 0x80;
    return true;
}

} // namespace

std::optional<int> ExpectedCodePage(std::string_view language) {
    for (const auto& entry : kPages) {
        if (entry.language == language)
            return entry.codePage;
    }
    return std::nullopt;
}

bool IsDoubleByte(int codePage) {
    return codePage == 932 || codePage == 936;
}

std::optional<int> DeclaredCodePage(std::string_view line) {
    constexpr std::string_view prefix = "; Code page: ";
    if (line.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    line.remove_prefix(prefix.size());
    int number = 0;
    auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), number);
    if (error != std::errc() || end == line.data())
        return std::nullopt;
    // Only the end of the line or a blank before the page's description may follow the number.
    if (end != line.data() + line.size() && *end != ' ')
        return std::nullopt;
    return number;
}

bool StartsWithUtf8Bom(std::string_view bytes) {
    return bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

size_t CharLength(std::string_view text, size_t pos, int codePage) {
    auto c = static_cast<unsigned char>(text[pos]);
    if (IsLeadByte(c, codePage) && pos + 1 < text.size() &&
        IsTrailByte(static_cast<unsigned char>(text[pos + 1]), codePage))
        return 2;
    return 1;
}

std::optional<size_t> FirstMalformedByte(std::string_view text, int codePage) {
    if (!IsDoubleByte(codePage))
        return std::nullopt;
    size_t pos = 0;
    while (pos < text.size()) {
        auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80 || IsSingleHighByte(c, codePage)) {
            ++pos;
            continue;
        }
        if (!IsLeadByte(c, codePage) || CharLength(text, pos, codePage) != 2)
            return pos;
        pos += 2;
    }
    return std::nullopt;
}

bool LooksLikeUtf8(std::string_view text, size_t minSequences) {
    size_t sequences = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) {
            ++pos;
            continue;
        }
        size_t length = 0;
        unsigned char secondLo = 0x80, secondHi = 0xBF; // excludes overlong forms and surrogates
        if (InRange(c, 0xC2, 0xDF)) {
            length = 2;
        } else if (InRange(c, 0xE0, 0xEF)) {
            length = 3;
            if (c == 0xE0)
                secondLo = 0xA0;
            if (c == 0xED)
                secondHi = 0x9F;
        } else if (InRange(c, 0xF0, 0xF4)) {
            length = 4;
            if (c == 0xF0)
                secondLo = 0x90;
            if (c == 0xF4)
                secondHi = 0x8F;
        } else {
            return false;
        }
        if (pos + length > text.size())
            return false;
        if (!InRange(static_cast<unsigned char>(text[pos + 1]), secondLo, secondHi))
            return false;
        for (size_t k = 2; k < length; ++k) {
            if (!InRange(static_cast<unsigned char>(text[pos + k]), 0x80, 0xBF))
                return false;
        }
        ++sequences;
        pos += length;
    }
    return sequences > 0 && sequences >= minSequences;
}

std::string FoldCase(std::string_view character, int codePage) {
    std::string folded(character);
    if (folded.size() != 1)
        return folded;
    auto c = static_cast<unsigned char>(folded[0]);
    if (c >= 'A' && c <= 'Z') {
        folded[0] = static_cast<char>(c - 'A' + 'a');
        return folded;
    }
    std::string_view pairs = CasePairs(codePage);
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) {
        if (pairs[i] == folded[0]) {
            folded[0] = pairs[i + 1];
            break;
        }
    }
    return folded;
}

bool IsAcceleratorCandidate(std::string_view character, int codePage) {
    if (character.empty())
        return false;
    auto c = static_cast<unsigned char>(character[0]);
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (IsDoubleByte(codePage) || codePage == 1256)
        return true;
    std::string_view pairs = CasePairs(codePage);
    return pairs.find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace hivelet::languages
