#include "platform/regf/support/DirtyHive.h"

#include "platform/image/demo/UnflushedHive.h"
#include "platform/regf/Format.h"
#include "platform/regf/support/FileBytes.h"

#include <algorithm>
#include <vector>

namespace regf = hivelet::regf;
namespace demo = hivelet::image::demo;

namespace regf_test {

constexpr uint32_t kPagesPerEntry = 64; // 256 KiB of bins per entry

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
    std::vector<uint8_t> log1 = demo::NewFormatLogStart(primary.data(), first);
    std::vector<uint8_t> log2 = demo::NewFormatLogStart(primary.data(), first + entries / 2);
    for (uint32_t i = 0; i < entries; ++i) {
        uint32_t page = i * kPagesPerEntry;
        demo::AppendNewFormatLogEntry(i < entries / 2 ? log1 : log2, primary.data(), first + i,
                                      page, std::min(kPagesPerEntry, pages - page));
    }
    // The primary began its next write and never finished it.
    regf::StoreU32(primary.data() + 4, first);
    regf::StoreU32(primary.data() + 508, regf::BaseBlockChecksum(primary.data()));
    return WriteBytes(dirtyPath, primary) && WriteBytes(dirtyPath + ".LOG1", log1) &&
           WriteBytes(dirtyPath + ".LOG2", log2);
}

} // namespace regf_test
