// Writes a demo Windows installation as it lies on its system drive when Windows is not running:
// a Windows folder tree with the demo's generated hives, service profiles and users' profiles,
// a SOFTWARE hive whose ProfileList names them, and the user's NTUSER.DAT left dirty with its
// newest pages in its transaction log; for `hivelet --windows FOLDER`.
#pragma once

#include "platform/image/demo/DemoImage.h"
#include "platform/regf/Regf.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hivelet::image::demo {

// What SOFTWARE's Microsoft\Windows NT\CurrentVersion says about the installation.
struct InstallationVersion {
    std::string currentVersion = "6.3";
    std::optional<uint32_t> majorVersionNumber = 10; // Windows 10 and later have one
    std::string buildNumber = "19045";
    std::string csdVersion; // a service pack, before Windows 8
    std::string systemRoot = "C:\\Windows";
};

// One entry of ProfileList: the SID and its ProfileImagePath (REG_EXPAND_SZ, unexpanded).
struct ProfileEntry {
    std::string sid;
    std::string imagePath;
};

// Adds the CurrentVersion values and a ProfileList with these entries (in Windows' order
// whatever the order given) to a SOFTWARE tree.
void AddInstallationKeys(regf::Key& software, const InstallationVersion& version,
                         const std::vector<ProfileEntry>& profiles);

// Writes the installation into `folder` (which must not exist, be empty, or hold an earlier
// demo installation, which is replaced). Throws std::runtime_error on any failure.
std::vector<DemoHiveReport> WriteDemoInstallation(const std::filesystem::path& folder,
                                                  uint64_t seed = 1);

} // namespace hivelet::image::demo
