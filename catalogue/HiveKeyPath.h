// The registry root and sub-key under which a hive of the hive list is loaded, derived from its
// kernel key path. Saving a hive and scheduling its replacement both address it this way.
#pragma once

#include "platform/Platform.h"

#include <optional>
#include <string>

namespace hivelet::catalogue {

struct HiveKeyPath {
    platform::RootKey root = platform::RootKey::LocalMachine;
    std::string subKey; // in the case in which the key path gives it
};

// Searches the key path, ignoring case, for "REGISTRY\MACHINE\" (root HKEY_LOCAL_MACHINE) and only
// when that is absent for "REGISTRY\USER\" (root HKEY_USERS); the sub-key is everything after the
// first occurrence. The text may stand anywhere, so a leading backslash is simply passed over.
// nullopt when neither occurs.
std::optional<HiveKeyPath> SplitHiveKeyPath(const std::string& keyPath);

} // namespace hivelet::catalogue
