// Snapshots: the compacted copy of a hive that the registry's save service writes beside the hive
// file (the HiveFiles entry with ".hvt" appended), and the routines that measure files and write
// sizes. No state is kept between calls.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <string>

namespace hivelet::analysis {

inline constexpr const char* SnapshotSuffix = ".hvt";

// Saves the hive loaded at `keyPath` (a HiveNames entry) into `targetFile`. The key path is split
// into root and sub-key (the sub-key keeps its case); under WOW64 the machine SOFTWARE hive is
// opened with KEY_QUERY_VALUE | KEY_WOW64_64KEY so that its whole 64-bit view is saved, every
// other hive with the plain open. An existing target is deleted first in every case, because the
// save service will not write over a file; the key is closed in every case. After the save the
// file is checked with the platform's hive verifier (structure, checksums, the whole tree). Ok
// when the save service reported success and the file passed the check; otherwise whatever the
// save left is deleted. The result is the first failure with its reason (the open, the save
// service, or the verifier's BadDb); FileNotFound for a key path that names no registry root.
platform::Status SaveHiveToFile(platform::Platform& platform, const std::string& keyPath,
                                const std::string& targetFile, bool isWow64);

// True when the file exists and cannot be opened exclusively for reading and writing (held open
// elsewhere, read-only, or no rights).
bool IsFileLocked(platform::Platform& platform, const std::string& path);

// The file's size from its directory entry (the file is never opened, so live hives can be
// measured); 0 when it does not exist.
uint64_t GetFileSize64(platform::Platform& platform, const std::string& path);

// The size rounded up to whole KB of 1024 bytes, grouped by "," whatever the locale, with " KB":
// 1,262,343,168 bytes give "1,232,757 KB".
std::string FormatSizeKB(uint64_t bytes);

} // namespace hivelet::analysis
