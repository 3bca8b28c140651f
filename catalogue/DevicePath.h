// Translation of the kernel device paths the registry reports for hive files (for example
// \Device\HarddiskVolume2\Windows\System32\config\SYSTEM) into drive-letter paths, and the WOW64
// handling: a 32-bit process on 64-bit Windows reaches the real system folder only through the
// "sysnative" alias. Every failure gives an empty string (or the path unchanged); nothing is
// reported.
#pragma once

#include "platform/Platform.h"

#include <string>

namespace hivelet::catalogue {

// Buffer sizes handed to the drive services.
inline constexpr uint32_t DriveStringsChars = 104; // 26 entries of "X:\" and a terminator
inline constexpr uint32_t FixedDeviceNameChars = 127;
inline constexpr uint32_t DosDeviceNameChars = 1000;

// The drive-letter path of an existing hive file, or empty: the fixed-drive search first (when the
// path names a hard disk volume), then the exact match over every letter; each candidate passes
// through ToSysnativePath under WOW64 and must exist.
std::string HiveFileFromDevicePath(platform::Platform& platform, const std::string& devicePath,
                                   bool isWow64);

// The fast path: the first fixed drive whose device name occurs anywhere in the path gives its
// letter and colon followed by the rest of the path after that occurrence. A device name that is a
// prefix of another's can produce a path that does not exist; the caller checks.
std::string FixedDriveFromDevicePath(platform::Platform& platform, const std::string& devicePath);

// The exact match: splits the path into its volume (\Device\HarddiskVolumeN, or
// \Device\HarddiskN\PartitionM) and the rest, and looks for the letter a..z whose device name is
// that volume. The result carries the letter in lower case.
std::string DosPathFromDevicePath(platform::Platform& platform, const std::string& devicePath);

// The path with its first "system32" (any case) replaced by "sysnative" when that file exists;
// otherwise the path unchanged.
std::string ToSysnativePath(platform::Platform& platform, const std::string& path);

// True when the process runs under WOW64; false where kernel32 lacks IsWow64Process.
bool DetectWow64(platform::Platform& platform);

} // namespace hivelet::catalogue
