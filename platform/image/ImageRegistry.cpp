// The registry of a system image: the hivelist key, hive root keys, saving and replacing hives.
#include "platform/image/ImagePlatform.h"

#include "platform/RandomBytes.h"
#include "platform/image/HiveLogs.h"
#include "platform/ini/AtomicWrite.h"
#include "platform/ini/Profile.h"
#include "platform/regf/Regf.h"

#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;
using namespace hivelet::platform;
using ini::SameNoCase;

namespace {

constexpr const char* HivelistKey = "SYSTEM\\CurrentControlSet\\Control\\hivelist";
constexpr const char* Wow64Subtree = "Wow6432Node";
constexpr uint32_t NotSameDevice = 17; // ERROR_NOT_SAME_DEVICE

Status FromRegf(const regf::Status& s) {
    switch (s.kind) {
    case regf::ErrorKind::None:
        return Status::Ok();
    case regf::ErrorKind::NotAHive:
    case regf::ErrorKind::Unsupported:
        return Status::Fail(error::BadDb, s.message);
    case regf::ErrorKind::Dirty:
    case regf::ErrorKind::Corrupt:
    case regf::ErrorKind::TooLarge:
        return Status::Fail(error::RegistryCorrupt, s.message);
    case regf::ErrorKind::NotFound:
        return Status::Fail(error::FileNotFound, s.message);
    case regf::ErrorKind::Io:
        break;
    }
    return Status::Fail(error::RegistryIoFailed, s.message);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// A folder only this process's user can enter, beside the target, for writing a snapshot that
// no one else may read at any moment.
std::optional<fs::path> PrivateFolderIn(const fs::path& parent) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        fs::path dir = parent / (".hivelet-save-" + std::to_string(platform::RandomWord()));
        std::error_code ec;
        if (fs::create_directory(dir, ec)) {
            fs::permissions(dir, fs::perms::owner_all, ec);
            return dir;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<size_t> ImagePlatform::FindHive(RootKey root, const std::string& subKey) const {
    const std::string_view prefix =
        root == RootKey::LocalMachine ? "REGISTRY\\MACHINE\\" : "REGISTRY\\USER\\";
    for (size_t i = 0; i < machine_.hivelist.size(); ++i) {
        std::string_view name = machine_.hivelist[i].name;
        if (!name.empty() && name.front() == '\\') {
            name.remove_prefix(1);
        }
        if (name.size() > prefix.size() && SameNoCase(name.substr(0, prefix.size()), prefix) &&
            SameNoCase(name.substr(prefix.size()), subKey)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<ResolvedPath> ImagePlatform::HiveFile(size_t hive, const std::string& suffix) const {
    const RegistryValue& v = machine_.hivelist[hive].value;
    if (v.type != reg::Sz && v.type != reg::ExpandSz) {
        return std::nullopt;
    }
    std::string device = v.data.substr(0, v.data.find('\0'));
    if (device.empty()) {
        return std::nullopt;
    }
    return paths_.ResolveDevicePath(device + suffix);
}

bool ImagePlatform::IsHeldOrLocked(const ResolvedPath& p) const {
    if (!p.inImage) {
        return false;
    }
    for (const Replacement& r : state_.pending()) {
        if (SameHostPath(p.host, root_ / fs::path(r.fresh))) {
            return true;
        }
    }
    if (machine_.offline) {
        return false; // nothing runs there to keep the hives open
    }
    for (size_t i = 0; i < machine_.hivelist.size(); ++i) {
        std::optional<ResolvedPath> live = HiveFile(i);
        if (!live) {
            continue;
        }
        if (SameHostPath(p.host, live->host)) {
            return true;
        }
        if (IsLogOf(p.host, live->host)) {
            return true;
        }
    }
    return false;
}

Status ImagePlatform::Open(RootKey root, const std::string& subKey, uint32_t access,
                           KeyHandle& key) {
    key = {};
    if ((access & reg::KeyWow64_64Key) && (access & reg::KeyWow64_32Key)) {
        return Status::Fail(error::InvalidParameter, "both registry views asked for");
    }
    OpenKeyRecord rec;
    if (root == RootKey::LocalMachine && SameNoCase(subKey, HivelistKey)) {
        rec.kind = KeyKind::Hivelist;
    } else {
        std::optional<size_t> hive = FindHive(root, subKey);
        if (!hive) {
            return Status::Fail(error::FileNotFound,
                                "only the hivelist key and hive root keys exist in a system image");
        }
        rec.hive = *hive;
        // A 32-bit process on 64-bit Windows sees HKLM\SOFTWARE through its Wow6432Node.
        if (machine_.wow64 && root == RootKey::LocalMachine && SameNoCase(subKey, "SOFTWARE") &&
            !(access & reg::KeyWow64_64Key)) {
            rec.subtree = Wow64Subtree;
        }
    }
    std::lock_guard lock(mutex_);
    key.value = nextHandle_++;
    keys_[key.value] = rec;
    return Status::Ok();
}

Status ImagePlatform::OpenKeyHandle(RootKey root, const std::string& subKey, KeyHandle& key) {
    return Open(root, subKey, 0, key);
}

Status ImagePlatform::OpenKeyExHandle(RootKey root, const std::string& subKey, uint32_t access,
                                      KeyHandle& key) {
    return Open(root, subKey, access, key);
}

Status ImagePlatform::EnumValueNames(KeyHandle key, std::vector<std::string>& names) {
    names.clear();
    std::lock_guard lock(mutex_);
    auto it = keys_.find(key.value);
    if (it == keys_.end()) {
        return Status::Fail(error::InvalidHandle);
    }
    if (it->second.kind != KeyKind::Hivelist) {
        return Status::Fail(error::InvalidParameter,
                            "a system image lists values of the hivelist key only");
    }
    for (const HivelistValue& v : machine_.hivelist) {
        names.push_back(v.name);
    }
    return Status::Ok();
}

Status ImagePlatform::QueryValue(KeyHandle key, const std::string& name, RegistryValue& value) {
    value = {};
    std::lock_guard lock(mutex_);
    auto it = keys_.find(key.value);
    if (it == keys_.end()) {
        return Status::Fail(error::InvalidHandle);
    }
    if (it->second.kind == KeyKind::Hivelist) {
        for (const HivelistValue& v : machine_.hivelist) {
            if (SameNoCase(v.name, name)) {
                value = v.value;
                return Status::Ok();
            }
        }
    }
    return Status::Fail(error::FileNotFound);
}

Status ImagePlatform::CloseKeyHandle(KeyHandle key) {
    std::lock_guard lock(mutex_);
    return keys_.erase(key.value) == 1 ? Status::Ok() : Status::Fail(error::InvalidHandle);
}

Status ImagePlatform::SaveKey(KeyHandle key, const std::string& file) {
    regf::Recovery recovery;
    std::string hiveName;
    Status result = SaveCompacted(key, file, recovery, hiveName);
    if (!hiveName.empty()) {
        std::lock_guard lock(mutex_);
        saveNotes_[UpperCaseCopy(hiveName)] =
            result.ok() ? recovery.summary() : "skipped: " + result.detail;
    }
    return result;
}

Status ImagePlatform::SaveCompacted(KeyHandle key, const std::string& file,
                                    regf::Recovery& recovery, std::string& noteFor) {
    OpenKeyRecord rec;
    {
        std::lock_guard lock(mutex_);
        auto it = keys_.find(key.value);
        if (it == keys_.end()) {
            return Status::Fail(error::InvalidHandle);
        }
        rec = it->second;
        if (!PrivilegeEnabled(BackupLuid)) {
            return Status::Fail(error::PrivilegeNotHeld, "SeBackupPrivilege is not enabled");
        }
    }
    if (rec.kind == KeyKind::Hivelist) {
        return Status::Fail(error::AccessDenied, "the hivelist key is volatile: nothing to save");
    }
    const std::string& hiveName = machine_.hivelist[rec.hive].name;
    noteFor = hiveName;
    std::optional<ResolvedPath> source = HiveFile(rec.hive);
    if (!source) {
        return Status::Fail(error::FileNotFound, hiveName + ": the hive has no file in the image");
    }
    std::optional<ResolvedPath> target = paths_.Resolve(file);
    if (!target) {
        return Status::Fail(error::PathNotFound, file + ": not a path of this image");
    }
    if (Exists(target->host)) {
        return Status::Fail(error::AlreadyExists, file + ": the file exists");
    }
    const fs::path parent = target->host.parent_path();
    std::error_code ec;
    if (!fs::is_directory(parent, ec)) {
        return Status::Fail(error::PathNotFound, file + ": the folder does not exist");
    }
#ifndef _WIN32
    if (ini::IsReadOnly(parent)) {
        return Status::Fail(error::AccessDenied, file + ": the folder is read-only");
    }
#endif
    if (!fs::is_regular_file(source->host, ec)) {
        return Status::Fail(error::RegistryIoFailed, hiveName + ": the hive file " +
                                                         paths_.ImageRelative(source->host) +
                                                         " is missing");
    }
    std::optional<fs::path> scratch = PrivateFolderIn(parent);
    if (!scratch) {
        return Status::Fail(error::AccessDenied, file + ": cannot write in its folder");
    }
    const fs::path written = *scratch / target->host.filename();
    // A dirty hive is saved as Windows would have it in memory: recovered from its logs.
    Status result = FromRegf(regf::CompactHiveFile(source->host.string(), written.string(),
                                                   regf::CompactOptions{rec.subtree}, recovery));
    if (result.ok()) {
        // Hives hold password hashes: the snapshot is for its owner only.
        fs::permissions(written, fs::perms::owner_read | fs::perms::owner_write, ec);
        // A link, unlike a rename, refuses to replace a file that appeared meanwhile.
        fs::create_hard_link(written, target->host, ec);
        if (ec && !Exists(target->host)) {
            fs::rename(written, target->host, ec);
        }
        if (ec) {
            result = Exists(target->host)
                         ? Status::Fail(error::AlreadyExists, file + ": the file exists")
                         : Status::Fail(error::WriteFault, file + ": " + ec.message());
        }
    }
    fs::remove_all(*scratch, ec);
    return result;
}

std::string ImagePlatform::SaveNote(const std::string& hiveName) const {
    std::lock_guard lock(mutex_);
    auto it = saveNotes_.find(UpperCaseCopy(hiveName));
    return it == saveNotes_.end() ? std::string() : it->second;
}

Status ImagePlatform::ReplaceKey(RootKey root, const std::string& subKey,
                                 const std::string& newFile, const std::string& oldFile) {
    std::optional<size_t> hive = FindHive(root, subKey);
    if (!hive) {
        return Status::Fail(error::FileNotFound, subKey + ": no such hive");
    }
    {
        std::lock_guard lock(mutex_);
        if (!PrivilegeEnabled(RestoreLuid)) {
            return Status::Fail(error::PrivilegeNotHeld, "SeRestorePrivilege is not enabled");
        }
    }
    if (!machine_.changeRefusal.empty()) {
        return Status::Fail(error::AccessDenied, machine_.changeRefusal);
    }
    const std::string& hiveName = machine_.hivelist[*hive].name;
    std::optional<ResolvedPath> live = HiveFile(*hive);
    if (!live || !Exists(live->host)) {
        return Status::Fail(error::AccessDenied, hiveName + ": the hive has no file to replace");
    }
    std::optional<ResolvedPath> fresh = paths_.Resolve(newFile);
    std::optional<ResolvedPath> backup = paths_.Resolve(oldFile);
    if (!fresh || !fresh->inImage || !backup || !backup->inImage) {
        return Status::Fail(error::PathNotFound, "the new and old files must lie in the image");
    }
    std::error_code ec;
    if (!fs::is_regular_file(fresh->host, ec)) {
        return Status::Fail(error::FileNotFound, newFile + ": no such file");
    }
    if (!fs::is_directory(backup->host.parent_path(), ec)) {
        return Status::Fail(error::PathNotFound, oldFile + ": the folder does not exist");
    }
    if (SameHostPath(fresh->host, live->host) || SameHostPath(backup->host, live->host) ||
        SameHostPath(fresh->host, backup->host)) {
        return Status::Fail(error::InvalidParameter, "the hive, new and old files must differ");
    }
    if (fresh->drive != live->drive || backup->drive != live->drive) {
        return Status::Fail(NotSameDevice, "the new and old files must be on the hive's drive");
    }
    if (Exists(backup->host)) {
        return Status::Fail(error::AlreadyExists, oldFile + ": the file exists");
    }
    if (regf::Status v = regf::VerifyHiveFile(fresh->host.string()); !v.ok()) {
        return Status::Fail(error::BadDb, v.message);
    }
    std::lock_guard lock(mutex_);
    for (const Replacement& r : state_.pending()) {
        if (r.hive == hiveName) {
            return Status::Fail(error::AccessDenied,
                                hiveName + ": a replacement is already pending");
        }
    }
    if (IsHeldOrLocked(*fresh)) {
        return Status::Fail(error::SharingViolation, newFile + ": in use");
    }
    std::vector<Replacement> pending = state_.pending();
    Replacement scheduled;
    scheduled.hive = hiveName;
    scheduled.live = paths_.ImageRelative(live->host);
    scheduled.fresh = paths_.ImageRelative(fresh->host);
    scheduled.backup = paths_.ImageRelative(backup->host);
    pending.push_back(std::move(scheduled));
    if (!state_.Save(std::move(pending), state_.boots())) {
        return Status::Fail(error::WriteFault, "cannot record the replacement in the image");
    }
    return Status::Ok();
}

} // namespace hivelet::image
