#include "platform/regf/Marvin32.h"

#include "platform/regf/Format.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace hivelet::regf {
namespace {

struct State {
    uint32_t lo;
    uint32_t hi;
};

inline void Mix(State& s) {
    s.hi ^= s.lo;
    s.lo = std::rotl(s.lo, 20);
    s.lo += s.hi;
    s.hi = std::rotl(s.hi, 9);
    s.hi ^= s.lo;
    s.lo = std::rotl(s.lo, 27);
    s.lo += s.hi;
    s.hi = std::rotl(s.hi, 19);
}

State Start(uint64_t seed) {
    return {static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32)};
}

// The 4-byte blocks from `from`, then the tail padded with a single 0x80 byte.
uint64_t Finish(State s, const uint8_t* data, size_t size, size_t from) {
    size_t i = from;
    for (; size - i >= 4; i += 4) {
        s.lo += LoadU32(data + i);
        Mix(s);
    }
    uint32_t last = 0x80;
    for (size_t k = size - i; k > 0; --k) {
        last = (last << 8) | data[i + k - 1];
    }
    s.lo += last;
    Mix(s);
    Mix(s);
    return (uint64_t{s.hi} << 32) | s.lo;
}

} // namespace

uint64_t Marvin32(const uint8_t* data, size_t size, uint64_t seed) {
    return Finish(Start(seed), data, size, 0);
}

void Marvin32x4(const uint8_t* const data[4], const size_t size[4], uint64_t seed,
                uint64_t hash[4]) {
    State s[4] = {Start(seed), Start(seed), Start(seed), Start(seed)};
    const size_t common = std::min({size[0], size[1], size[2], size[3]}) / 4 * 4;
    for (size_t i = 0; i < common; i += 4) {
        for (int lane = 0; lane < 4; ++lane) {
            s[lane].lo += LoadU32(data[lane] + i);
            Mix(s[lane]);
        }
    }
    for (int lane = 0; lane < 4; ++lane) {
        hash[lane] = Finish(s[lane], data[lane], size[lane], common);
    }
}

void SealLogEntry(uint8_t* entry, uint32_t size) {
    const uint64_t hash1 = Marvin32(entry + 40, size - 40, kLogEntrySeed);
    std::memcpy(entry + 24, &hash1, 8);
    const uint64_t hash2 = Marvin32(entry, 32, kLogEntrySeed);
    std::memcpy(entry + 32, &hash2, 8);
}

} // namespace hivelet::regf
