#include "platform/image/PathMap.h"

#include "platform/TextCase.h"
#include "platform/ini/Profile.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

namespace hivelet::image {

namespace fs = std::filesystem;
using ini::SameNoCase;

namespace {

std::string Slashes(std::string_view s, char from, char to) {
    std::string out(s);
    std::replace(out.begin(), out.end(), from, to);
    return out;
}

// Splits a path below a drive root into names, folding "." and "..", dropping trailing dots and
// blanks; false when a name holds a character Windows does not allow.
bool SplitComponents(std::string_view rest, std::vector<std::string>& parts) {
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t sep = rest.find_first_of("\\/", pos);
        std::string_view name =
            rest.substr(pos, sep == std::string_view::npos ? rest.npos : sep - pos);
        pos = sep == std::string_view::npos ? rest.size() + 1 : sep + 1;
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
            continue;
        }
        for (char c : name) {
            unsigned char u = static_cast<unsigned char>(c);
            if (u < 32 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
                return false;
            }
        }
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            name.remove_suffix(1);
        }
        if (name.empty()) {
            return false;
        }
        parts.emplace_back(name);
    }
    return true;
}

// Folders under System32 that the WOW64 file system redirector leaves alone.
bool ExemptFromRedirection(const std::vector<std::string>& parts, size_t afterSystem32) {
    if (afterSystem32 >= parts.size()) {
        return false;
    }
    const std::string& next = parts[afterSystem32];
    for (const char* name : {"catroot", "catroot2", "logfiles", "spool"}) {
        if (SameNoCase(next, name)) {
            return true;
        }
    }
    return SameNoCase(next, "drivers") && afterSystem32 + 1 < parts.size() &&
           SameNoCase(parts[afterSystem32 + 1], "etc");
}

} // namespace

std::string MatchEntry(const fs::path& folder, const std::string& name) {
    std::error_code ec;
#ifndef _WIN32
    if (fs::exists(folder / name, ec)) {
        return name;
    }
#endif
    // Otherwise (and always on a host that itself ignores case) the stored spelling.
    std::string found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string stored = it->path().filename().string();
        if (stored == name) {
            return stored;
        }
        if (SameNoCase(stored, name) && (found.empty() || stored < found)) {
            found = stored; // several spellings: the same one every time
        }
    }
    return found.empty() ? name : found;
}

PathMap::PathMap(fs::path imageRoot, const Machine& machine, fs::path executableFolder)
    : root_(std::move(imageRoot)), machine_(machine) {
    if (!executableFolder.empty()) {
        exeFolder_ = Slashes(executableFolder.string(), '\\', '/');
        if (exeFolder_.back() != '/') {
            exeFolder_ += '/';
        }
    }
    SplitComponents(std::string_view(machine.systemRoot).substr(2), systemRootParts_);
}

std::optional<ResolvedPath> PathMap::ResolveHost(std::string_view path) const {
    std::string p = Slashes(path, '\\', '/');
    bool inExeFolder = !exeFolder_.empty() && p.size() >= exeFolder_.size() &&
                       SameNoCase(std::string_view(p).substr(0, exeFolder_.size()), exeFolder_);
#ifdef _WIN32
    if (!inExeFolder) {
        return std::nullopt;
    }
#else
    if (!inExeFolder && (path.empty() || path.front() != '/')) {
        return std::nullopt;
    }
    if (inExeFolder) {
        // The program's own files (options.ini, the language files) are found as Windows finds
        // them: "Lan=german" reads DLan_German.ini.
        fs::path host = exeFolder_;
        std::string_view rest = std::string_view(p).substr(exeFolder_.size());
        while (!rest.empty()) {
            const size_t sep = rest.find('/');
            const std::string name(rest.substr(0, sep));
            rest = sep == std::string_view::npos ? std::string_view() : rest.substr(sep + 1);
            if (!name.empty()) {
                host /= MatchEntry(host, name);
            }
        }
        return ResolvedPath{host, false, 0};
    }
#endif
    return ResolvedPath{fs::path(p), false, 0};
}

std::optional<ResolvedPath> PathMap::Resolve(std::string_view path) const {
    if (auto host = ResolveHost(path)) {
        return host;
    }
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) {
        return std::nullopt;
    }
    char letter = platform::UpperAscii(path[0]);
    return ResolveImage(letter, path.substr(2));
}

std::optional<ResolvedPath> PathMap::ResolveImage(char letter, std::string_view rest) const {
    auto drive = std::find_if(machine_.drives.begin(), machine_.drives.end(),
                              [&](const Drive& d) { return d.letter == letter; });
    if (drive == machine_.drives.end() || drive->folder.empty()) {
        return std::nullopt;
    }
    std::vector<std::string> parts;
    if (!SplitComponents(rest, parts)) {
        return std::nullopt;
    }
    const size_t n = systemRootParts_.size();
    bool underWindows =
        machine_.wow64 && letter == platform::UpperAscii(machine_.systemRoot[0]) &&
        parts.size() > n &&
        std::equal(systemRootParts_.begin(), systemRootParts_.end(), parts.begin(),
                   [](const std::string& a, const std::string& b) { return SameNoCase(a, b); });
    if (underWindows) {
        if (SameNoCase(parts[n], "System32") && !ExemptFromRedirection(parts, n + 1)) {
            parts[n] = "SysWOW64";
        } else if (SameNoCase(parts[n], "sysnative")) {
            parts[n] = "System32";
        }
    }
    fs::path host = DriveFolder(*drive);
    for (const std::string& name : parts) {
        host /= MatchEntry(host, name);
    }
    return ResolvedPath{host, true, letter};
}

std::optional<ResolvedPath> PathMap::ResolveProfile(std::string_view file) const {
    if (!file.empty() && file.find_first_of("\\/:") == std::string_view::npos) {
        return Resolve(machine_.systemRoot + "\\" + std::string(file));
    }
#ifdef _WIN32
    // A profile file named by a full path (a /Scan result) belongs to the computer Hivelet runs
    // on, not to the Windows it analyses: a drive-letter or UNC path is a host file.
    bool driveLetter = file.size() >= 3 && std::isalpha(static_cast<unsigned char>(file[0])) &&
                       file[1] == ':' && (file[2] == '\\' || file[2] == '/');
    bool unc = file.size() >= 2 && (file[0] == '\\' || file[0] == '/') &&
               (file[1] == '\\' || file[1] == '/');
    if (driveLetter || unc) {
        return ResolvedPath{fs::path(std::string(file)), false, 0};
    }
#endif
    return Resolve(file);
}

std::optional<ResolvedPath> PathMap::ResolveDevicePath(std::string_view devicePath) const {
    for (const Drive& d : machine_.drives) {
        if (d.device.empty() || devicePath.size() <= d.device.size() ||
            !SameNoCase(devicePath.substr(0, d.device.size()), d.device) ||
            devicePath[d.device.size()] != '\\') {
            continue;
        }
        // The kernel's path is the real one: no WOW64 redirection applies to it.
        std::vector<std::string> parts;
        if (d.folder.empty() || !SplitComponents(devicePath.substr(d.device.size()), parts)) {
            return std::nullopt;
        }
        fs::path host = DriveFolder(d);
        for (const std::string& name : parts) {
            host /= MatchEntry(host, name);
        }
        return ResolvedPath{host, true, d.letter};
    }
    return std::nullopt;
}

fs::path PathMap::DriveFolder(const Drive& drive) const {
    return drive.folder == "." ? root_ : root_ / drive.folder;
}

std::string PathMap::ImageRelative(const fs::path& host) const {
    return host.lexically_relative(root_).generic_string();
}

bool SameHostPath(const fs::path& a, const fs::path& b) {
#ifdef _WIN32
    return SameNoCase(a.lexically_normal().string(), b.lexically_normal().string());
#else
    return a.lexically_normal() == b.lexically_normal();
#endif
}

} // namespace hivelet::image
