// Where a Windows path of the image lives on the host, with Windows' rules: drive letters and
// every path component match ignoring case, '\' (or '/') separates components, "." and ".."
// are folded, trailing dots and blanks of a name are dropped. For a 32-bit process on 64-bit
// Windows (Wow64=1), System32 under the Windows folder is redirected to SysWOW64 (except the
// folders Windows exempts) and "sysnative" reaches the real System32.
//
// Paths in the folder of the running executable (options.ini, language files) and, off
// Windows, absolute host paths are not part of the image: they resolve to themselves, except
// that names below the executable's folder match ignoring case, as they would on Windows.
#pragma once

#include "platform/image/Machine.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hivelet::image {

struct ResolvedPath {
    std::filesystem::path host;
    bool inImage = false; // false: a host path beside the executable or an absolute host path
    char drive = 0;       // the image drive letter (upper case) when inImage
};

class PathMap {
public:
    PathMap(std::filesystem::path imageRoot, const Machine& machine,
            std::filesystem::path executableFolder);

    // nullopt when the path names no place: a relative path, a drive the machine lacks or that
    // has no folder, a name with characters Windows forbids.
    std::optional<ResolvedPath> Resolve(std::string_view path) const;
    // For profile files: a name without any folder is looked for in the Windows folder. A full
    // path is a file of the running computer (off Windows an absolute host path, on Windows a
    // drive-letter or UNC path), never one of the image.
    std::optional<ResolvedPath> ResolveProfile(std::string_view file) const;
    // The host path of a kernel device path (\Device\HarddiskVolume2\Windows\...), through the
    // drive whose device name is the path's volume; nullopt when no drive has that device.
    std::optional<ResolvedPath> ResolveDevicePath(std::string_view devicePath) const;

    const std::filesystem::path& imageRoot() const { return root_; }
    // The host folder of a drive with files ("." is the image root itself).
    std::filesystem::path DriveFolder(const Drive& drive) const;
    // `host` relative to the image root with '/' separators (for the image's own records).
    std::string ImageRelative(const std::filesystem::path& host) const;

private:
    std::optional<ResolvedPath> ResolveImage(char letter, std::string_view rest) const;
    std::optional<ResolvedPath> ResolveHost(std::string_view path) const;

    std::filesystem::path root_;
    const Machine& machine_;
    std::string exeFolder_; // with '/' separators and a trailing '/'; empty when unknown
    std::vector<std::string> systemRootParts_; // components of the Windows folder below its drive
};

// Whether two host paths name one place as the host compares names: ignoring case on Windows,
// exactly elsewhere (after folding "." and "..").
bool SameHostPath(const std::filesystem::path& a, const std::filesystem::path& b);

// The on-disk name in `folder` that equals `name` ignoring the case of A-Z (an exact match
// first); `name` itself when there is none.
std::string MatchEntry(const std::filesystem::path& folder, const std::string& name);

} // namespace hivelet::image
