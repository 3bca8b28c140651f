// Profile (INI) text handling of the fake: the same lookup and edit rules as the profile files of
// the real platform (platform/ini), applied to text held in memory.
#pragma once

#include <optional>
#include <string>

namespace hivelet::fake {

// The value of `key` in `section`, uncut; nullopt when the section or key is missing.
std::optional<std::string> ProfileLookup(const std::string& text, const std::string& section,
                                         const std::string& key);
// `text` with key=value set in section (section and key created at the end when missing);
// nullopt when the key line could not be stored as written.
std::optional<std::string> ProfileWrite(const std::string& text, const std::string& section,
                                        const std::string& key, const std::string& value);
// `text` without the section (its header and every line up to the next section).
std::string ProfileEraseSection(const std::string& text, const std::string& section);

} // namespace hivelet::fake
