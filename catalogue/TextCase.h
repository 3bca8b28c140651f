// Case-insensitive text helpers for hive names, device paths and file paths. Hivelet's texts are
// 8-bit ANSI strings and its comparisons ignore the case of the letters A to Z only.
#pragma once

#include <algorithm>
#include <string>

namespace hivelet::catalogue {

inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string UpperCaseCopy(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), UpperAscii);
    return s;
}

inline bool SameTextNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperAscii(x) == UpperAscii(y);
           });
}

// Position of the first occurrence of `needle` in `text` at or after `from`, ignoring case;
// std::string::npos when there is none.
inline size_t FindNoCase(const std::string& text, const std::string& needle, size_t from = 0) {
    return UpperCaseCopy(text).find(UpperCaseCopy(needle), from);
}

inline bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameTextNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace hivelet::catalogue
