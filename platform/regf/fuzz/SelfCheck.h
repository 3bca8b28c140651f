// The round trip every accepted input must survive: read, verify, dump, compact in memory, then
// the copy must pass the compact verification and dump exactly like the input. The fuzzer and
// the corpus replay test drive it with arbitrary bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hivelet::regf {

enum class SelfCheckResult {
    Refused,   // the input is not a readable hive (a normal outcome)
    RoundTrip, // the input was compacted and the copy checked out
    Violation, // a copy failed its checks: a bug
};

SelfCheckResult SelfCheckHiveBytes(const uint8_t* data, size_t size, std::string& detail);

// The fuzzer's entry: the same round trip on a copy whose base-block checksum is repaired first
// (random mutations would almost never keep it right, hiding everything behind it).
SelfCheckResult SelfCheckFuzzInput(const uint8_t* data, size_t size, std::string& detail);

} // namespace hivelet::regf
