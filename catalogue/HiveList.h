// The hive list: every hive Windows has loaded from a file, as the name under which the kernel
// has it loaded and the drive-letter path of its file. Index i means the same hive in both lists
// and everywhere else (list view rows, snapshots, totals, replacement).
#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

namespace hivelet::catalogue {

inline constexpr const char* HiveListKey = "SYSTEM\\CurrentControlSet\\Control\\hivelist";

struct HiveList {
    std::vector<std::string> HiveNames; // value names of the hivelist key, exactly as enumerated
    std::vector<std::string> HiveFiles; // existing drive-letter paths (sysnative form under WOW64)

    size_t size() const { return HiveNames.size(); }
    bool empty() const { return HiveNames.empty(); }
    void clear() {
        HiveNames.clear();
        HiveFiles.clear();
    }
};

// Empties the list and fills it from the hivelist key, in the registry's enumeration order. A
// value is skipped when its name is not a compactable hive, its type is not REG_SZ or
// REG_EXPAND_SZ, its data is empty (a memory-only hive), or its device path does not lead to an
// existing file. An unreadable key leaves the list empty.
void LoadHiveList(platform::Platform& platform, bool isWow64, HiveList& list);

// Decides from the value name alone (ignoring case): every name beginning with "\REGISTRY\MACHINE",
// and names "\REGISTRY\USER\" followed by ".DEFAULT" or by an S- identifier (including the
// per-user _Classes hives).
bool IsCompactableHive(const std::string& valueName);

} // namespace hivelet::catalogue
