// Builds system images in a temporary folder for the image tests.
#pragma once

#include "platform/regf/Regf.h"

#include <filesystem>
#include <string>

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

void RemoveTree(const fs::path& dir);
// Copies the contents of `from` into the folder `to` (created if missing).
void CopyTree(const fs::path& from, const fs::path& to);
std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const std::string& bytes); // creates the folders

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

} // namespace hivelet::image::testing
