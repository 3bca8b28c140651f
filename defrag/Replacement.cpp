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
    // The copy was checked when it was made, maybe hours ago: only one that is still a sound
    // hive is handed over.
    if (!platform.VerifyHiveFile(snapshot).ok()) {
        return false;
    }
    // The service needs the backup's name free, but an earlier run's backup is the only way
    // back to the hive before that run: it is set aside, and only dropped once the request is
    // accepted (a run that ends in between leaves it under the new name, never loses it; the
    // next run keeps only the newer of the two, as one backup is all a hive has).
    const std::string aside = backup + SetAsideSuffix;
    if (platform.FileExists(backup) && platform.FileExists(aside)) {
        platform.DeleteFile(aside);
    }
    const bool setAside = platform.FileExists(backup) && platform.MoveFile(backup, aside);
    const bool accepted = platform.ReplaceKey(split->root, split->subKey, snapshot, backup).ok();
    if (setAside) {
        if (accepted) {
            platform.DeleteFile(aside);
        } else {
            platform.MoveFile(aside, backup);
        }
    }
    return accepted;
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
