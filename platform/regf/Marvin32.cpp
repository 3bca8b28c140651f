#include "platform/regf/Marvin32.h"

#include "platform/regf/Format.h"

#include <bit>

namespace hivelet::regf {
namespace {

inline void Mix(uint32_t& lo, uint32_t& hi) {
    hi ^= lo;
    lo = std::rotl(lo, 20);
    lo += hi;
    hi = std::rotl(hi, 9);
    hi ^= lo;
    lo = std::rotl(lo, 27);
    lo += hi;
    hi = std::rotl(hi, 19);
}

} // namespace

uint64_t Marvin32(const uint8_t* data, size_t size, uint64_t seed) {
    uint32_t lo = static_cast<uint32_t>(seed);
    uint32_t hi = static_cast<uint32_t>(seed >> 32);
    size_t i = 0;
    for (; size - i >= 4; i += 4) {
        lo += LoadU32(data + i);
        Mix(lo, hi);
    }
    // The tail, padded with a single 0x80 byte.
    uint32_t last = 0x80;
    for (size_t k = size - i; k > 0; --k) {
        last = (last << 8) | data[i + k - 1];
    }
    lo += last;
    Mix(lo, hi);
    Mix(lo, hi);
    return (uint64_t{hi} << 32) | lo;
}

} // namespace hivelet::regf
