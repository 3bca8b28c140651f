// The description of one Windows machine that a system image stands for: `machine.ini` at the
// image root. See README.md, "System images", for the format.
#pragma once

#include "platform/Platform.h"

#include <filesystem>
#include <string>
#include <vector>

namespace hivelet::image {

enum class RestoreSupport {
    Works,   // SystemRestore=1: restore points are created
    Refuses, // SystemRestore=0: the library is there but refuses every request
    Absent,  // SystemRestore=absent: there is no SrClient.dll
};

struct Drive {
    char letter = 'C'; // upper case
    uint32_t type = platform::drive::Fixed;
    std::string device;           // kernel device name, e.g. \Device\HarddiskVolume2; may be empty
    std::filesystem::path folder; // inside the image; empty for a drive without files
    int line = 0;
};

struct HivelistValue {
    std::string name; // kernel key path as listed, case kept
    platform::RegistryValue value;
    int line = 0;
};

struct Machine {
    uint32_t platformId = platform::PlatformWin32Nt;
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    std::string servicePack;
    bool wow64 = false;
    bool hasIsWow64Process = true;
    bool privileges = true;
    RestoreSupport systemRestore = RestoreSupport::Works;
    std::string systemRoot = "C:\\Windows"; // the Windows folder, a drive-letter path
    std::vector<Drive> drives;              // in drive-letter order
    std::vector<HivelistValue> hivelist;    // in enumeration order, duplicates kept
    // A Windows installation that is not running (--windows): nothing is loaded, so a restart
    // replaces the hives at once and nothing holds their files.
    bool offline = false;
    // Not empty: no hive of the machine may be changed, for this reason (a hibernated
    // installation, a read-only one).
    std::string changeRefusal;
};

inline constexpr const char* MachineFileName = "machine.ini";

// Reads `imageRoot`/machine.ini. Throws std::runtime_error with a one-line message naming the
// file and, where one applies, the line, when the folder or the file is missing or a line is
// malformed.
Machine LoadMachine(const std::filesystem::path& imageRoot);

// Data bytes of a hivelist value written in the machine file: plain text is REG_SZ; "sz:",
// "expand:", "multi:" (strings separated by '|') and "binary:" (hex bytes, optionally separated
// by commas or blanks) choose the type. String data carry their terminating NUL, as the
// registry stores them. Throws std::invalid_argument with the reason when malformed.
platform::RegistryValue ParseHivelistData(const std::string& text);

} // namespace hivelet::image
