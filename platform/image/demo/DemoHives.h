// The hives of the demo image, generated from a seed: the same trees on every run and system.
#pragma once

#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::image::demo {

struct DemoHive {
    std::string name; // hivelist name, e.g. \REGISTRY\MACHINE\SYSTEM
    std::string file; // path inside the image, '/'-separated, e.g. C/Windows/System32/config/SYSTEM
    regf::Key tree;
    regf::WriteOptions options; // format version and the free space churn leaves behind
    bool withLogs = false;      // leave .LOG1/.LOG2 files beside it, as a live system does
    bool unflushed = false;     // with logs: its last writes only in .LOG1 (a dirty hive)
};

inline constexpr const char* DemoUserSid = "S-1-5-21-3623811015-3361044348-30300820-1001";

// SYSTEM, SOFTWARE (with Wow6432Node), SAM, SECURITY, DEFAULT, and the user's NTUSER.DAT and
// UsrClass.dat, in the order Windows lists them.
std::vector<DemoHive> MakeDemoHives(uint64_t seed);

} // namespace hivelet::image::demo
