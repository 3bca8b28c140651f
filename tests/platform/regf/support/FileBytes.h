// Whole files as bytes, for the hive-file tests and the benchmark that build hives and logs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace regf_test {

// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::filesystem::path& file);
// Replaces the file with `bytes`; false when it cannot be written.
bool WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);

} // namespace regf_test
