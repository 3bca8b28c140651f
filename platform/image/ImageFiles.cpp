// Files and profile files of a system image, through its path mapping.
#include "platform/image/ImagePlatform.h"

#include "platform/ini/AtomicWrite.h"
#include "platform/ini/ProfileFile.h"
#include "platform/regf/Regf.h"

#include <fstream>
#include <system_error>

namespace hivelet::image {

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

} // namespace

bool ImagePlatform::FileExists(const std::string& path) {
    std::optional<ResolvedPath> p = paths_.Resolve(path);
    return p && IsFile(p->host);
}

bool ImagePlatform::DeleteFile(const std::string& path) {
    std::optional<ResolvedPath> p = paths_.Resolve(path);
    if (!p || !IsFile(p->host) || ini::IsReadOnly(p->host)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    if (IsHeldOrLocked(*p)) {
        return false;
    }
    std::error_code ec;
    return fs::remove(p->host, ec) && !ec;
}

bool ImagePlatform::MoveFile(const std::string& from, const std::string& to) {
    std::optional<ResolvedPath> source = paths_.Resolve(from);
    std::optional<ResolvedPath> target = paths_.Resolve(to);
    if (!source || !target || !IsFile(source->host) || ini::IsReadOnly(source->host) ||
        source->drive != target->drive) {
        return false;
    }
    std::lock_guard lock(mutex_);
    std::error_code ec;
    if (IsHeldOrLocked(*source) || IsHeldOrLocked(*target) ||
        fs::exists(fs::symlink_status(target->host, ec))) {
        return false;
    }
    fs::rename(source->host, target->host, ec);
    return !ec;
}

bool ImagePlatform::OpenExclusive(const std::string& path) {
    std::optional<ResolvedPath> p = paths_.Resolve(path);
    if (!p || !IsFile(p->host) || ini::IsReadOnly(p->host)) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (IsHeldOrLocked(*p)) {
            return false;
        }
    }
    std::fstream f(p->host, std::ios::in | std::ios::out | std::ios::binary);
    return f.is_open();
}

platform::Status ImagePlatform::VerifyHiveFile(const std::string& path) {
    std::optional<ResolvedPath> p = paths_.Resolve(path);
    if (!p || !IsFile(p->host)) {
        return platform::Status::Fail(platform::error::FileNotFound, path + ": no such file");
    }
    const regf::Status verified = regf::VerifyHiveFile(p->host.string());
    if (!verified.ok()) {
        return platform::Status::Fail(platform::error::BadDb, verified.message);
    }
    return platform::Status::Ok();
}

std::optional<uint64_t> ImagePlatform::FindFileSize(const std::string& path) {
    std::optional<ResolvedPath> p = paths_.Resolve(path);
    if (!p) {
        return std::nullopt;
    }
    if (p->inImage) {
        // FindFirstFile finds no entry for a drive's root.
        for (const Drive& d : machine_.drives) {
            if (d.letter == p->drive &&
                p->host.lexically_normal() == paths_.DriveFolder(d).lexically_normal()) {
                return std::nullopt;
            }
        }
    }
    std::error_code ec;
    fs::file_status st = fs::status(p->host, ec);
    if (ec || !fs::exists(st)) {
        return std::nullopt;
    }
    if (fs::is_directory(st)) {
        return 0; // a folder's directory entry has no size
    }
    uint64_t size = fs::file_size(p->host, ec);
    return ec ? std::nullopt : std::optional<uint64_t>(size);
}

std::string ImagePlatform::GetProfileString(const std::string& section, const std::string& key,
                                            const std::string& defaultValue,
                                            const std::string& file) {
    std::optional<ResolvedPath> p = paths_.ResolveProfile(file);
    if (!p) {
        return defaultValue.substr(0, ini::MaxValueChars);
    }
    return ini::GetProfileString(section, key, defaultValue, p->host);
}

bool ImagePlatform::WriteProfileString(const std::string& section, const std::string& key,
                                       const std::string& value, const std::string& file) {
    std::optional<ResolvedPath> p = paths_.ResolveProfile(file);
    if (!p) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (IsHeldOrLocked(*p)) {
            return false;
        }
    }
    return ini::WriteProfileString(section, key, value, p->host);
}

bool ImagePlatform::EraseProfileSection(const std::string& section, const std::string& file) {
    std::optional<ResolvedPath> p = paths_.ResolveProfile(file);
    if (!p) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (IsHeldOrLocked(*p)) {
            return false;
        }
    }
    return ini::EraseProfileSection(section, p->host);
}

bool ImagePlatform::FlushProfile(const std::string& /*file*/) {
    return true; // every write already reached the file
}

} // namespace hivelet::image
