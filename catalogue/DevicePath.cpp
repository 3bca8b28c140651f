#include "catalogue/DevicePath.h"

#include "platform/TextCase.h"

#include <algorithm>

namespace hivelet::catalogue {
namespace {

constexpr size_t DriveEntryChars = 4; // letter, colon, backslash, terminator
const std::string System32 = "system32";
const std::string Sysnative = "sysnative";

// Position of the n-th backslash (n >= 1) found after `from`, or npos.
size_t NthBackslashAfter(const std::string& s, size_t from, int n) {
    size_t pos = from;
    for (int i = 0; i < n; ++i) {
        pos = s.find('\\', pos + 1);
        if (pos == std::string::npos) {
            return pos;
        }
    }
    return pos;
}

std::string ExistingCandidate(platform::Platform& platform, std::string candidate, bool isWow64) {
    if (candidate.empty()) {
        return {};
    }
    if (isWow64) {
        candidate = ToSysnativePath(platform, candidate);
    }
    return platform.FileExists(candidate) ? candidate : std::string();
}

} // namespace

std::string HiveFileFromDevicePath(platform::Platform& platform, const std::string& devicePath,
                                   bool isWow64) {
    std::string result;
    if (platform::FindNoCase(devicePath, "Device\\Harddisk") != std::string::npos) {
        result =
            ExistingCandidate(platform, FixedDriveFromDevicePath(platform, devicePath), isWow64);
    }
    if (result.empty()) {
        result = ExistingCandidate(platform, DosPathFromDevicePath(platform, devicePath), isWow64);
    }
    return result;
}

std::string FixedDriveFromDevicePath(platform::Platform& platform, const std::string& devicePath) {
    std::string buffer;
    uint32_t length = platform.GetLogicalDriveStrings(DriveStringsChars, buffer);
    // A list longer than the buffer comes back as the size it needs with nothing copied: walk only
    // the entries that are really there (the exact match still finds the drive).
    size_t entries = std::min<size_t>(length, buffer.size()) / DriveEntryChars;
    for (size_t i = 0; i < entries; ++i) {
        const std::string root = buffer.substr(i * DriveEntryChars, 3);
        if (platform.GetDriveType(root) != platform::drive::Fixed) {
            continue;
        }
        const std::string drive = root.substr(0, 2);
        std::string device;
        if (!platform.QueryDosDevice(drive, FixedDeviceNameChars, device) || device.empty()) {
            continue;
        }
        size_t pos = platform::FindNoCase(devicePath, device);
        if (pos != std::string::npos) {
            return drive + devicePath.substr(pos + device.size());
        }
    }
    return {};
}

std::string DosPathFromDevicePath(platform::Platform& platform, const std::string& devicePath) {
    std::string s = devicePath;
    if (!s.empty() && s[0] != '\\' && platform::StartsWithNoCase(s, "Device")) {
        s.insert(s.begin(), '\\');
    }

    // The volume part ends at the backslash after the volume name, or after the partition name in
    // the disk-and-partition form; the first backslash looked for is the one before "Device\..."'s
    // second component, searched from the second character on.
    int backslashes = 0;
    if (platform::FindNoCase(s, "Device\\HarddiskVolume") != std::string::npos) {
        backslashes = 2;
    } else if (platform::FindNoCase(s, "Device\\Harddisk") != std::string::npos) {
        backslashes = 3;
    }
    std::string remainder;
    if (backslashes != 0) {
        size_t cut = NthBackslashAfter(s, 0, backslashes);
        if (cut != std::string::npos) {
            remainder = s.substr(cut);
            s.resize(cut);
        }
    }

    for (char letter = 'a'; letter <= 'z'; ++letter) {
        std::string target;
        if (!platform.QueryDosDevice(std::string(1, letter) + ":", DosDeviceNameChars, target)) {
            continue;
        }
        if (platform::SameNoCase(s, target) || platform::SameNoCase(s, "\\" + target)) {
            return std::string(1, letter) + ":" + remainder;
        }
    }
    return {};
}

std::string ToSysnativePath(platform::Platform& platform, const std::string& path) {
    size_t pos = platform::FindNoCase(path, System32);
    if (pos == std::string::npos) {
        return path;
    }
    std::string candidate = path.substr(0, pos) + Sysnative + path.substr(pos + System32.size());
    return platform.FileExists(candidate) ? candidate : path;
}

bool DetectWow64(platform::Platform& platform) {
    return platform.IsWow64Process().value_or(false);
}

} // namespace hivelet::catalogue
