#include "analysis/Snapshot.h"

#include "analysis/Privilege.h"
#include "catalogue/HiveKeyPath.h"
#include "platform/TextCase.h"

namespace hivelet::analysis {
namespace {

constexpr uint32_t FullViewAccess = platform::reg::KeyQueryValue | platform::reg::KeyWow64_64Key;

// Closes an open key when it goes out of scope, also when the save throws.
class KeyOwner {
public:
    explicit KeyOwner(platform::Platform& platform) : platform_(platform) {}
    ~KeyOwner() {
        if (key) {
            platform_.CloseKey(key);
        }
    }
    KeyOwner(const KeyOwner&) = delete;
    KeyOwner& operator=(const KeyOwner&) = delete;
    platform::KeyHandle key;

private:
    platform::Platform& platform_;
};

} // namespace

void EnableBackupPrivilege(platform::Platform& platform) {
    EnableTokenPrivilege(platform, platform::token::AdjustAndQuery,
                         platform::token::BackupPrivilege);
}

bool SaveHiveToFile(platform::Platform& platform, const std::string& keyPath,
                    const std::string& targetFile, bool isWow64) {
    KeyOwner owner(platform);
    if (auto split = catalogue::SplitHiveKeyPath(keyPath)) {
        platform::Status opened;
        const bool fullView = split->root == platform::RootKey::LocalMachine && isWow64 &&
                              platform::FindNoCase(keyPath, "SOFTWARE") != std::string::npos;
        if (fullView) {
            opened = platform.OpenKeyEx(split->root, split->subKey, FullViewAccess, owner.key);
        } else {
            opened = platform.OpenKey(split->root, split->subKey, owner.key);
        }
        if (!opened.ok()) {
            owner.key = {};
        }
    }
    if (platform.FileExists(targetFile)) {
        platform.DeleteFile(targetFile);
    }
    if (!owner.key) {
        return false;
    }
    // A save that broke off part-way can leave a truncated hive that looks like a fine saving;
    // Windows would boot from it if it were put in place. Whatever the save left is used only
    // when the save succeeded and the file is a sound hive; anything else is removed, so it
    // counts as a failed save: no reduction, never scheduled.
    const bool saved =
        platform.SaveKey(owner.key, targetFile).ok() && platform.VerifyHiveFile(targetFile).ok();
    if (!saved && platform.FileExists(targetFile)) {
        platform.DeleteFile(targetFile);
    }
    return saved;
}

bool IsFileLocked(platform::Platform& platform, const std::string& path) {
    if (!platform.FileExists(path)) {
        return false;
    }
    return !platform.OpenExclusive(path);
}

uint64_t GetFileSize64(platform::Platform& platform, const std::string& path) {
    if (!platform.FileExists(path)) {
        return 0;
    }
    return platform.FindFileSize(path).value_or(0);
}

std::string FormatSizeKB(uint64_t bytes) {
    const uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    const std::string digits = std::to_string(kb);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text + " KB";
}

} // namespace hivelet::analysis
