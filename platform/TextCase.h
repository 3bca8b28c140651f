// Case-insensitive comparison and search of Hivelet's texts: hive names, device and file paths,
// profile-file sections and keys, language names, window class names. The texts are 8-bit ANSI
// strings and every comparison ignores the case of the letters A to Z only, so the result never
// depends on the locale.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace hivelet::platform {

inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string UpperCaseCopy(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), UpperAscii);
    return s;
}

inline bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

// Position of the first occurrence of `needle` in `text` at or after `from`, ignoring case;
// std::string::npos when there is none.
inline size_t FindNoCase(const std::string& text, const std::string& needle, size_t from = 0) {
    return UpperCaseCopy(text).find(UpperCaseCopy(needle), from);
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace hivelet::platform
