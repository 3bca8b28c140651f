// Profile (INI) text handling of the fake, with the lookup rules of the Windows profile service:
// sections and keys match ignoring case, blanks around keys and values are dropped, a value in a
// matching pair of quotes loses them, other lines are ignored, the first match wins.
#pragma once

#include <optional>
#include <string>

namespace hivelet::fake {

inline constexpr size_t ProfileValueChars = 2047; // 2048-character buffer with its terminator

// The value of `key` in `section`, uncut; nullopt when the section or key is missing.
std::optional<std::string> ProfileLookup(const std::string& text, const std::string& section,
                                         const std::string& key);
// `text` with key=value set in section (section and key created at the end when missing).
std::string ProfileWrite(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value);
// `text` without the section (its header and every line up to the next section).
std::string ProfileEraseSection(const std::string& text, const std::string& section);

} // namespace hivelet::fake
