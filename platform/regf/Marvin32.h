// Marvin32, the keyed hash the new-format transaction logs use to protect their entries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hivelet::regf {

// The seed of the registry's log entries (bytes 82 EF 4D 88 7A 4E 55 C5 read as one 64-bit
// little-endian-in-words value: low word 0x7A4E55C5, high word 0x82EF4D88).
inline constexpr uint64_t kLogEntrySeed = 0x82EF4D887A4E55C5ull;

uint64_t Marvin32(const uint8_t* data, size_t size, uint64_t seed);

// Four hashes at once: each is a chain of dependent steps, so running four side by side lets the
// processor overlap them (recovery hashes every byte of the logs).
void Marvin32x4(const uint8_t* const data[4], const size_t size[4], uint64_t seed,
                uint64_t hash[4]);

// Seals a new-format log entry of `size` bytes (at least its 40-byte header) as a log writer
// does: Hash-1 over everything after the header, then Hash-2 over the header's first 32 bytes.
void SealLogEntry(uint8_t* entry, uint32_t size);

} // namespace hivelet::regf
