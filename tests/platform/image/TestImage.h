// Builds system images in a temporary folder for the image tests.
#pragma once

#include "platform/Platform.h"
#include "platform/image/Restart.h"
#include "platform/ini/IniTestSupport.h"
#include "platform/regf/Regf.h"
#include "platform/regf/support/Shell.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace hivelet::image::testing {

namespace fs = std::filesystem;

// A fresh, empty folder named after the running test (and unique to this process); removed
// (write bits restored first) when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string& suffix = "");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The root and sub-key Hivelet derives from a hivelist name (\REGISTRY\MACHINE\SAM is
// HKLM "SAM", \REGISTRY\USER\<SID> is HKU "<SID>").
std::pair<platform::RootKey, std::string> RootOf(const std::string& hive);

// Removes a folder with everything in it, read-only files included.
using ini_test::RemoveTree;

// Copies the contents of `from` into the folder `to` (created if missing).
void CopyTree(const fs::path& from, const fs::path& to);
std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const std::string& bytes); // creates the folders

// `text` quoted for the shell.
using regf_test::ShellQuote;

// The Windows path of a file below the image's drive C ("Users/ann/NTUSER.DAT" is
// C:\Users\ann\NTUSER.DAT).
std::string DriveCPath(const std::string& belowC);

// The tree a hive file holds, as text; a hive that cannot be read fails the test.
std::string DumpHive(const fs::path& hive);

// hivexregedit's export of a whole hive; an export that fails fails the test. nullopt when hivex
// is not installed.
std::optional<std::string> HivexExport(const fs::path& hive);

// Enables the backup, restore and shutdown privileges, as Hivelet does before it compacts.
void EnableHivePrivileges(platform::Platform& platform);

// Leaves a hive file's bytes as a system that stopped while writing it does: the primary
// sequence number one ahead of the secondary, the base block's checksum still right.
void MakeDirty(std::string& hive);

// A fault hook that answers the step numbered `index` (counting from 0) with `what` and lets
// every other step proceed.
inline FaultHook AtStep(size_t index, std::function<FaultAction()> what) {
    auto count = std::make_shared<size_t>(0);
    return [=](const std::string&) { return (*count)++ == index ? what() : FaultAction::Proceed; };
}

// The machine file of the standard test image: drives C (fixed, HarddiskVolume2, folder C),
// D (fixed, HarddiskVolume12, folder D), E (removable, HarddiskVolume5, folder E), F (cdrom,
// no device, no folder); hives SYSTEM, SOFTWARE, HARDWARE (no file), SAM, ann's NTUSER.DAT and
// UsrClass.dat. `machineExtra` goes into [Machine].
std::string StandardMachineText(bool wow64, const std::string& machineExtra = "");

// The hive files of the standard image, below the image root.
inline const char* const StandardHives[][2] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "C/Windows/System32/config/SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SOFTWARE", "C/Windows/System32/config/SOFTWARE"},
    {"\\REGISTRY\\MACHINE\\SAM", "C/Windows/System32/config/SAM"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "C/Users/ann/NTUSER.DAT"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes",
     "C/Users/ann/AppData/Local/Microsoft/Windows/UsrClass.dat"},
};

// A small hive whose tree names `marker` (a key "Marker-<marker>" with a value), plus a
// Wow6432Node subtree holding a key "Only32-<marker>".
regf::Key SmallTree(const std::string& marker);
void WriteSmallHive(const fs::path& file, const std::string& marker);

// Writes the standard image: folders, machine.ini, hives (real small hives marked with their
// file name, or placeholder bytes "hive <name>" for tests that never read them) and, for
// SYSTEM, transaction logs SYSTEM.LOG1 and SYSTEM.LOG2.
enum class Hives { Real, Placeholder };
void WriteStandardImage(const fs::path& root, bool wow64 = false,
                        const std::string& machineExtra = "", Hives hives = Hives::Real);

// A Windows installation as it lies on its drive when Windows is not running (for --windows):
// the Windows folder spelled WINDOWS on disk (SystemRoot says C:\Windows) with system32\CONFIG,
// SysWOW64, small hives and a SOFTWARE that holds the version and this ProfileList:
//   S-1-5-18            %systemroot%\system32\config\systemprofile (LocalSystem: left out)
//   S-1-5-19            %systemroot%\ServiceProfiles\LocalService   (NTUSER.DAT and UsrClass.dat)
//   S-1-5-20            %SystemRoot%\ServiceProfiles\NetworkService (NTUSER.DAT only)
//   S-1-5-21-7-8-9-1001 C:\Users\ann, stored as users/Ann           (both hives, NTUSER.DAT.LOG1)
//   S-1-5-21-7-8-9-1002 %SystemDrive%\Users\bob                      (no folder: left out)
//   S-1-5-21-7-8-9-1003 D:\Users\carl                                (another drive: left out)
//   S-1-5-21-7-8-9-1004 C:\Users\dave                                (no NTUSER.DAT: left out)
// SYSTEM has .LOG1 and .LOG2 beside it. `version` gives CurrentVersion's values.
struct InstallationHive {
    const char* name;   // hivelist name
    const char* device; // hivelist data
    const char* file;   // below the installation's root, as spelled on disk
};
inline const InstallationHive InstallationHives[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SYSTEM",
     "WINDOWS/system32/CONFIG/SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SOFTWARE",
     "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SOFTWARE",
     "WINDOWS/system32/CONFIG/software"},
    {"\\REGISTRY\\MACHINE\\SAM", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SAM",
     "WINDOWS/system32/CONFIG/SAM"},
    {"\\REGISTRY\\MACHINE\\SECURITY",
     "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SECURITY",
     "WINDOWS/system32/CONFIG/SECURITY"},
    {"\\REGISTRY\\MACHINE\\COMPONENTS",
     "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\COMPONENTS",
     "WINDOWS/system32/CONFIG/COMPONENTS"},
    {"\\REGISTRY\\USER\\.DEFAULT", "\\Device\\HarddiskVolume1\\Windows\\System32\\config\\DEFAULT",
     "WINDOWS/system32/CONFIG/default"},
    {"\\REGISTRY\\USER\\S-1-5-19",
     "\\Device\\HarddiskVolume1\\Windows\\ServiceProfiles\\LocalService\\NTUSER.DAT",
     "WINDOWS/ServiceProfiles/LocalService/NTUSER.DAT"},
    {"\\REGISTRY\\USER\\S-1-5-19_Classes",
     "\\Device\\HarddiskVolume1\\Windows\\ServiceProfiles\\LocalService\\AppData\\Local\\Microsoft"
     "\\"
     "Windows\\UsrClass.dat",
     "WINDOWS/ServiceProfiles/LocalService/AppData/Local/Microsoft/Windows/UsrClass.dat"},
    {"\\REGISTRY\\USER\\S-1-5-20",
     "\\Device\\HarddiskVolume1\\Windows\\ServiceProfiles\\NetworkService\\NTUSER.DAT",
     "WINDOWS/ServiceProfiles/NetworkService/NTUSER.DAT"},
    {"\\REGISTRY\\USER\\S-1-5-21-7-8-9-1001", "\\Device\\HarddiskVolume1\\Users\\ann\\NTUSER.DAT",
     "users/Ann/ntuser.dat"},
    {"\\REGISTRY\\USER\\S-1-5-21-7-8-9-1001_Classes",
     "\\Device\\HarddiskVolume1\\Users\\ann\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat",
     "users/Ann/AppData/Local/Microsoft/Windows/UsrClass.dat"},
};
struct InstallationVersionValues {
    std::string currentVersion = "6.3";
    bool majorVersionNumber = true; // Windows 10 (CurrentMajorVersionNumber = 10)
    std::string buildNumber = "19045";
    std::string csdVersion;
};
void WriteTestInstallation(const fs::path& root, const InstallationVersionValues& version = {});

// The path a 32-bit Hivelet on 64-bit Windows gives the file of an installation's hive list
// entry `device` (System32 is seen through sysnative).
std::string InstallationWindowsPath(const std::string& device);

} // namespace hivelet::image::testing
