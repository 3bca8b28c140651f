// SHA-256, to compare recovered bins with the digests published beside the samples.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace regf_test {

// Lower-case hex digest of `size` bytes.
std::string Sha256Hex(const uint8_t* data, size_t size);

} // namespace regf_test
