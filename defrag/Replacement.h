// Scheduling the replacement of live hives by their snapshots, and the restart that puts them in
// service. Everything here is best effort: results are returned for tests and callers that care,
// and nothing is reported to the user.
#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace hivelet::defrag {

inline constexpr const char* BackupSuffix = ".bak";
// Added to an earlier backup's name while a new replacement is requested.
inline constexpr const char* SetAsideSuffix = ".old";
inline constexpr uint32_t RestartReason = 1;

// Enables the shutdown privilege (platform/Privilege.h), then asks Windows to reboot (EWX_REBOOT,
// plus EWX_FORCE when `force` is set: running programs are not asked) with reason code 1.
platform::Status RestartComputer(platform::Platform& platform, bool force);

// Schedules the hive loaded at `keyPath` (a HiveNames entry) to be loaded from `snapshot` at the
// next start, its present file going to `backup`. Refuses (false, nothing touched) a snapshot
// that is missing, empty or no longer a sound hive, and a key path that names no registry root.
// An old backup is set aside while the request is made (the service needs the name free): it is
// deleted when the service accepts, and put back when it refuses. True when the service
// accepted the request.
bool ReplaceHive(platform::Platform& platform, const std::string& keyPath,
                 const std::string& snapshot, const std::string& backup);

// One row of the hive list view: caption (the hive's key path) and sub-items (Current Size, New
// Size, Reduction).
struct HiveRow {
    std::string caption;
    std::vector<std::string> subItems;
};

// True when the first row whose caption equals `keyPath` (ignoring case) has a third sub-item that
// reads exactly "0%" once surrounding blanks are removed; false when no row matches or the
// matching row has fewer than three sub-items.
bool HasNoReduction(const std::vector<HiveRow>& rows, const std::string& keyPath);

} // namespace hivelet::defrag
