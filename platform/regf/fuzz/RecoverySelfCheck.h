// The recovery fuzzer's entry: one input holds a hive and two logs; recovery must either refuse
// with a one-line reason or give a hive whose base block is what Windows writes back and which
// survives the reader's own round trip (SelfCheckHiveBytes).
#pragma once

#include "platform/regf/fuzz/SelfCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace hivelet::regf {

// Input layout: one byte of repair flags (bit 0: recompute every HvLE entry's two hashes, bit 1:
// the logs' base block checksums, bit 2: the hive's base block checksum; random mutations would
// almost never keep them right), two 32-bit lengths (LOG1, LOG2), the two logs, the hive.
SelfCheckResult SelfCheckRecoveryInput(const uint8_t* data, size_t size, std::string& detail);

// The layout above, for writing seeds.
std::string RecoveryFuzzInput(const std::string& hive, const std::string& log1,
                              const std::string& log2, uint8_t repairs);

} // namespace hivelet::regf
