#include "platform/regf/support/DirtyHive.h"

#include "platform/regf/Format.h"
#include "platform/regf/Marvin32.h"
#include "platform/regf/support/FileBytes.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace regf = hivelet::regf;

namespace regf_test {
namespace {

constexpr uint32_t kPagesPerEntry = 64; // 256 KiB of bins per entry

std::vector<uint8_t> LogStart(const std::vector<uint8_t>& primary, uint32_t sequence) {
    std::vector<uint8_t> log(primary.begin(), primary.begin() + 512);
    regf::StoreU32(log.data() + 4, sequence);
    regf::StoreU32(log.data() + 8, sequence);
    regf::StoreU32(log.data() + 28, 6);
    regf::StoreU32(log.data() + 508, regf::BaseBlockChecksum(log.data()));
    return log;
}

void AppendEntry(std::vector<uint8_t>& log, const std::vector<uint8_t>& primary, uint32_t sequence,
                 uint32_t firstPage, uint32_t pages) {
    const uint32_t bins = regf::LoadU32(primary.data() + 40);
    const size_t start = log.size();
    uint32_t body = 40 + 8 * pages + pages * regf::kBinGranularity;
    uint32_t size = (body + 511) / 512 * 512;
    log.resize(start + size, 0);
    uint8_t* e = log.data() + start;
    std::memcpy(e, "HvLE", 4);
    regf::StoreU32(e + 4, size);
    regf::StoreU32(e + 12, sequence);
    regf::StoreU32(e + 16, bins);
    regf::StoreU32(e + 20, pages);
    uint8_t* data = e + 40 + 8 * pages;
    for (uint32_t i = 0; i < pages; ++i) {
        uint32_t offset = (firstPage + i) * regf::kBinGranularity;
        regf::StoreU32(e + 40 + 8 * i, offset);
        regf::StoreU32(e + 44 + 8 * i, regf::kBinGranularity);
        std::memcpy(data + uint64_t{i} * regf::kBinGranularity,
                    primary.data() + regf::kBaseBlockSize + offset, regf::kBinGranularity);
    }
    uint64_t hash1 = regf::Marvin32(e + 40, size - 40, regf::kLogEntrySeed);
    std::memcpy(e + 24, &hash1, 8);
    uint64_t hash2 = regf::Marvin32(e, 32, regf::kLogEntrySeed);
    std::memcpy(e + 32, &hash2, 8);
}

} // namespace

bool WriteDirtyHiveWithLogs(const std::string& cleanPath, const std::string& dirtyPath) {
    std::vector<uint8_t> primary = ReadBytes(cleanPath);
    if (primary.size() < regf::kBaseBlockSize) {
        return false;
    }
    const uint32_t secondary = regf::LoadU32(primary.data() + 8);
    const uint32_t bins = regf::LoadU32(primary.data() + 40);
    const uint32_t pages = bins / regf::kBinGranularity;
    const uint32_t entries = (pages + kPagesPerEntry - 1) / kPagesPerEntry;
    const uint32_t first = secondary + 1;
    std::vector<uint8_t> log1 = LogStart(primary, first);
    std::vector<uint8_t> log2 = LogStart(primary, first + entries / 2);
    for (uint32_t i = 0; i < entries; ++i) {
        uint32_t page = i * kPagesPerEntry;
        AppendEntry(i < entries / 2 ? log1 : log2, primary, first + i, page,
                    std::min(kPagesPerEntry, pages - page));
    }
    // The primary began its next write and never finished it.
    regf::StoreU32(primary.data() + 4, first);
    regf::StoreU32(primary.data() + 508, regf::BaseBlockChecksum(primary.data()));
    return WriteBytes(dirtyPath, primary) && WriteBytes(dirtyPath + ".LOG1", log1) &&
           WriteBytes(dirtyPath + ".LOG2", log2);
}

} // namespace regf_test
