// The Windows profile calls (GetPrivateProfileStringA, WritePrivateProfileStringA) on files, with
// the lookup rules of Profile. Every call reads the file anew; nothing is cached, so a file
// changed by someone else is seen at the next call.
#pragma once

#include "platform/ini/Profile.h"

#include <filesystem>
#include <optional>
#include <string>

namespace hivelet::ini {

// The whole file parsed; nullopt when it does not exist, is not a regular file or cannot be read.
std::optional<Profile> ReadProfileFile(const std::filesystem::path& file);
// Replaces the file with the profile's text (see WriteFileAtomically). False when it cannot be
// written; the file is then unchanged.
bool WriteProfileFile(const Profile& profile, const std::filesystem::path& file);

// The value, cut to MaxValueChars; `defaultValue` (also cut) when the file, the section or the
// key is missing. A key present with an empty value gives the empty text.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::filesystem::path& file);
// Sets one key, creating the file and the section when missing; other sections, keys, comments
// and the order of lines stay as they were. False when the file cannot be read or written (a
// read-only file or folder, a missing folder) or the text cannot be stored as one key line.
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::filesystem::path& file);
// Removes the section (every section of that name). A missing file or section is no error and
// creates nothing. False when the file exists but cannot be rewritten.
bool EraseProfileSection(const std::string& section, const std::filesystem::path& file);

} // namespace hivelet::ini
