#include "analysis/Snapshot.h"

#include "catalogue/HiveKeyPath.h"
#include "platform/TextCase.h"

namespace hivelet::analysis {
namespace {

constexpr uint32_t FullViewAccess = platform::reg::KeyQueryValue | platform::reg::KeyWow64_64Key;

// Opens the hive's root key the way the save needs it (see SaveHiveToFile).
platform::Status OpenHiveKey(platform::Platform& platform, const std::string& keyPath, bool isWow64,
                             platform::RegistryKey& key) {
    auto split = catalogue::SplitHiveKeyPath(keyPath);
    if (!split) {
        return platform::Status::Fail(platform::error::FileNotFound,
                                      keyPath + ": names no registry root");
    }
    const bool fullView = split->root == platform::RootKey::LocalMachine && isWow64 &&
                          platform::FindNoCase(keyPath, "SOFTWARE") != std::string::npos;
    if (fullView) {
        return platform.OpenKeyEx(split->root, split->subKey, FullViewAccess, key);
    }
    return platform.OpenKey(split->root, split->subKey, key);
}

} // namespace

platform::Status SaveHiveToFile(platform::Platform& platform, const std::string& keyPath,
                                const std::string& targetFile, bool isWow64) {
    platform::RegistryKey key;
    const platform::Status opened = OpenHiveKey(platform, keyPath, isWow64, key);
    if (platform.FileExists(targetFile)) {
        platform.DeleteFile(targetFile);
    }
    if (!opened.ok()) {
        return opened;
    }
    // A save that broke off part-way can leave a truncated hive that looks like a fine saving;
    // Windows would boot from it if it were put in place. Whatever the save left is used only
    // when the save succeeded and the file is a sound hive; anything else is removed, so it
    // counts as a failed save: no reduction, never scheduled.
    platform::Status saved = platform.SaveKey(key.get(), targetFile);
    if (saved.ok()) {
        saved = platform.VerifyHiveFile(targetFile);
    }
    if (!saved.ok() && platform.FileExists(targetFile)) {
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
