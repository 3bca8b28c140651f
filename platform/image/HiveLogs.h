// Which files are a hive's transaction logs. Windows' file systems match ".LOG1" and ".log1"
// alike, so a log in either letter case belongs to its hive: it must move with the hive and is
// held by a running machine just as the hive is.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hivelet::image {

// The transaction-log suffixes of a hive file, in the order they are moved.
inline const char* const HiveLogSuffixes[] = {".LOG", ".LOG1", ".LOG2"};

// The suffix, as `name` spells it, when `name` is the hive file name `hive` followed by a log
// suffix, both in any letter case; nullopt otherwise.
std::optional<std::string> LogSuffixOf(const std::string& name, const std::string& hive);

// Whether `file` is a transaction log of the hive file `hive` (the same folder, compared as the
// host's file system compares it).
bool IsLogOf(const std::filesystem::path& file, const std::filesystem::path& hive);

// The file names of the transaction logs beside `hive`, spelled as on disk (the hive name part
// may differ from `hive`'s in letter case), in the order of HiveLogSuffixes.
std::vector<std::string> LogsBeside(const std::filesystem::path& hive);

// The suffix of the log file `logName` of the hive file `hive`, as `logName` spells it; empty
// when `logName` is not one of `hive`'s log names.
std::string LogSuffixIn(const std::string& logName, const std::filesystem::path& hive);

} // namespace hivelet::image
