// A read-only walk of every key and value (names and data) with libhivex, the baseline a
// compaction is compared with.
#pragma once

#include <cstdint>
#include <string>

struct HivexWalkResult {
    bool ok = false;
    uint64_t keys = 0;
    uint64_t values = 0;
    uint64_t dataBytes = 0;
};

bool HivexAvailable();
HivexWalkResult HivexWalk(const std::string& path);
