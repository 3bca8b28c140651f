// The machine of a Windows installation that is not running, mounted as a folder (ROOT, its
// system drive): `--windows ROOT`. Everything a machine file would say is read from the
// installation itself: the version and Windows folder from SOFTWARE's
// Microsoft\Windows NT\CurrentVersion, the hives from the files Windows would load, in its order
// and under its names, the users from SOFTWARE's ProfileList.
#pragma once

#include "platform/image/Machine.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hivelet::image {

// The kernel device name the derived machine gives the installation's drive.
inline constexpr const char* InstallationDevice = "\\Device\\HarddiskVolume1";

struct Installation {
    std::filesystem::path root; // absolute, without a trailing separator
    Machine machine;            // changeRefusal says why no hive may change, if one may not
    std::string hibernated;     // HibernationRefusal
    std::string readOnly;       // ReadOnlyRefusal
    // One line for each profile (or profile hive) left out of the hive list, and why.
    std::vector<std::string> notes;
};

// The hibernation and read-only checks below give the machine its changeRefusal.
// Throws std::runtime_error with one line when ROOT is no folder, holds no Windows folder, no
// SOFTWARE hive, or is not a Windows installation (SOFTWARE unreadable or without a version).
Installation DeriveInstallation(const std::filesystem::path& root);

// Why nothing may be changed in the installation, or empty: its hibernation file says Windows
// is hibernated or was shut down with Fast Startup (its registry is still loaded there).
std::string HibernationRefusal(const std::filesystem::path& root);

// Why nothing can be written to the installation, or empty: ROOT is read-only (its permissions
// or its mount). Probes by creating and removing a file, so it leaves nothing behind.
std::string ReadOnlyRefusal(const std::filesystem::path& root);

// The GetVersionExA answer of an installation for a program without a compatibility manifest:
// 6.2 build 9200 for Windows 8 and later (CurrentVersion 6.2 or later, or a
// CurrentMajorVersionNumber value), the installation's own numbers before.
struct ReportedVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    std::string servicePack;
};
bool ParseReportedVersion(const std::string& currentVersion, bool hasMajorVersionNumber,
                          const std::string& buildNumber, const std::string& csdVersion,
                          ReportedVersion& version);

// ProfileImagePath as the profile service expands it for this installation: %SystemRoot% (and
// %windir%) and %SystemDrive%, ignoring case. False when it names another variable.
bool ExpandProfilePath(const std::string& text, const std::string& systemRoot,
                       std::string& expanded);

} // namespace hivelet::image
