#include "defrag/Replacement.h"

#include "analysis/Snapshot.h"
#include "catalogue/HiveKeyPath.h"
#include "platform/Privilege.h"
#include "platform/TextCase.h"

namespace hivelet::defrag {
namespace {

// Drops leading and trailing blanks and control characters.
std::string Trimmed(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') {
        ++b;
    }
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') {
        --e;
    }
    return s.substr(b, e - b);
}

} // namespace

platform::Status RestartComputer(platform::Platform& platform, bool force) {
    // Without the privilege the restart itself fails, and its reason is the one reported.
    platform::EnableShutdownPrivilege(platform);
    uint32_t flags = platform::exitflags::Reboot;
    if (force) {
        flags |= platform::exitflags::Force;
    }
    return platform.ExitWindows(flags, RestartReason);
}

bool ReplaceHive(platform::Platform& platform, const std::string& keyPath,
                 const std::string& snapshot, const std::string& backup) {
    if (analysis::GetFileSize64(platform, snapshot) == 0) {
        return false;
    }
    auto split = catalogue::SplitHiveKeyPath(keyPath);
    if (!split) {
        return false;
    }
    if (platform.FileExists(backup)) {
        platform.DeleteFile(backup);
    }
    return platform.ReplaceKey(split->root, split->subKey, snapshot, backup).ok();
}

bool HasNoReduction(const std::vector<HiveRow>& rows, const std::string& keyPath) {
    for (const auto& row : rows) {
        if (platform::SameNoCase(row.caption, keyPath)) {
            return row.subItems.size() > 2 && Trimmed(row.subItems[2]) == "0%";
        }
    }
    return false;
}

} // namespace hivelet::defrag
