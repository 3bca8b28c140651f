// Key and value names as stored in a hive: one byte per character ("compressed", Latin-1) or
// UTF-16LE. Comparison, hashing and hints follow the rules Windows uses for subkey lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

// Windows' per-code-unit uppercase (simple one-to-one mapping; surrogates unchanged).
uint16_t Upcase(uint16_t unit);

// A name as stored: `bytes` bytes at `data`, compressed or UTF-16LE.
struct NameRef {
    const uint8_t* data = nullptr;
    uint32_t bytes = 0;
    bool compressed = false;

    uint32_t units() const { return compressed ? bytes : bytes / 2; }
    uint16_t unit(uint32_t i) const {
        return compressed ? data[i] : static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    // Length in bytes as UTF-16 (the unit of the nk maximum-length fields).
    uint32_t utf16Bytes() const { return units() * 2; }
};

// Windows' subkey order: code units upper-cased and compared by value, a proper prefix first.
int CompareNames(const NameRef& a, const NameRef& b);

// The lh leaf hash: h = h * 37 + upcase(unit), over the UTF-16 code units.
uint32_t NameHash(const NameRef& name);

// The lf leaf hint: the first four characters as bytes (zero-padded), or 0 when one of them is
// above U+00FF.
uint32_t NameHint(const NameRef& name);

// UTF-16 code units of a stored name.
std::u16string NameUnits(const NameRef& name);

// UTF-8 (unpaired surrogates accepted in their 3-byte form) to UTF-16 code units. False if the
// text is not valid.
bool Utf8ToUtf16(const std::string& text, std::u16string& units);

// A stored form for `units`: compressed when every unit is <= 0xFF, UTF-16LE otherwise.
void EncodeName(const std::u16string& units, std::vector<uint8_t>& bytes, bool& compressed);

// Readable one-line text for UTF-16 code units: printable characters as UTF-8; backslash,
// quote, control characters and unpaired surrogates escaped (\\, \", \uXXXX).
void AppendEscaped(std::string& out, const std::u16string& units);

} // namespace hivelet::regf
