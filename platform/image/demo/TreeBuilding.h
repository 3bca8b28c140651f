// Small tools for building realistic registry trees in memory: a seeded random source that gives
// the same tree on every system, typed value makers, security descriptors.
#pragma once

#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hivelet::image::demo {

// splitmix64: tiny, and the same sequence everywhere (std::*_distribution is not).
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    uint32_t Below(uint32_t n); // 0 .. n-1; n > 0
    uint32_t Between(uint32_t lo, uint32_t hi) { return lo + Below(hi - lo + 1); }
    bool Percent(uint32_t p) { return Below(100) < p; }
    std::vector<uint8_t> Bytes(size_t n);
    std::string Word(size_t minLen, size_t maxLen); // letters, capitalised
    std::string Guid();                             // {XXXXXXXX-XXXX-...}
    uint64_t FileTime();                            // a time between 2019 and 2024, as a FILETIME

private:
    uint64_t state_;
};

// Registry value types (winnt.h).
namespace type {
inline constexpr uint32_t None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, DwordBigEndian = 5,
                          Link = 6, MultiSz = 7, ResourceList = 8, FullResourceDescriptor = 9,
                          ResourceRequirementsList = 10, Qword = 11;
}

std::vector<uint8_t> Utf16(std::string_view utf8, bool terminated = true);
regf::Value Sz(std::string name, std::string_view text, uint32_t type = type::Sz);
regf::Value MultiSz(std::string name, const std::vector<std::string>& items);
regf::Value Dword(std::string name, uint32_t v);
regf::Value DwordBigEndian(std::string name, uint32_t v);
regf::Value Qword(std::string name, uint64_t v);
regf::Value Raw(std::string name, uint32_t type, std::vector<uint8_t> data);

// The child of `parent` with this name, created (with `time`) when missing.
regf::Key& Child(regf::Key& parent, const std::string& name, uint64_t time);
// Follows a '\'-separated path from `root`, creating keys on the way.
regf::Key& Path(regf::Key& root, std::string_view path, uint64_t time);

// A self-relative security descriptor: owner, group and a DACL that allows each SID its mask.
struct Ace {
    std::string sid;         // "S-1-5-18"
    uint32_t mask = 0x20019; // KEY_READ
    uint8_t flags = 0x02;    // CONTAINER_INHERIT_ACE
};
std::vector<uint8_t> SecurityDescriptor(const std::string& owner, const std::string& group,
                                        const std::vector<Ace>& dacl);

struct TreeCounts {
    size_t keys = 0;
    size_t values = 0;
    size_t valueBytes = 0;
};
TreeCounts Count(const regf::Key& root);

} // namespace hivelet::image::demo
