#include "platform/image/demo/UnflushedHive.h"

#include "platform/image/demo/DemoWriting.h"
#include "platform/regf/Format.h"
#include "platform/regf/Marvin32.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace hivelet::image::demo {

namespace fs = std::filesystem;

namespace {

using regf::kBaseBlockSize;
using regf::kBinGranularity;

constexpr uint32_t kLogSector = 512;
constexpr uint32_t kNewFormatLog = 6; // the base block's file type of an HvLE log

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    if (!in.good() && !in.eof()) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return bytes;
}

uint8_t* At(std::string& bytes, size_t offset) {
    return reinterpret_cast<uint8_t*>(bytes.data()) + offset;
}

void Reseal(uint8_t* baseBlock) {
    regf::StoreU32(baseBlock + offsetof(regf::BaseBlock, checksum),
                   regf::BaseBlockChecksum(baseBlock));
}

} // namespace

std::vector<uint8_t> NewFormatLogStart(const uint8_t* primary, uint32_t sequence) {
    std::vector<uint8_t> log(primary, primary + kLogSector);
    regf::StoreU32(log.data() + offsetof(regf::BaseBlock, primarySequence), sequence);
    regf::StoreU32(log.data() + offsetof(regf::BaseBlock, secondarySequence), sequence);
    regf::StoreU32(log.data() + offsetof(regf::BaseBlock, fileType), kNewFormatLog);
    Reseal(log.data());
    return log;
}

void AppendNewFormatLogEntry(std::vector<uint8_t>& log, const uint8_t* primary, uint32_t sequence,
                             uint32_t firstPage, uint32_t pages) {
    // Entry: signature, size, flags, sequence, bins size, page count, two hashes, then one
    // (offset, size) reference per page and the pages themselves.
    const uint32_t body = 40 + 8 * pages + pages * kBinGranularity;
    const uint32_t size = (body + kLogSector - 1) / kLogSector * kLogSector;
    const size_t start = log.size();
    log.resize(start + size, 0);
    uint8_t* e = log.data() + start;
    std::memcpy(e, "HvLE", 4);
    regf::StoreU32(e + 4, size);
    regf::StoreU32(e + 12, sequence);
    regf::StoreU32(e + 16, regf::LoadU32(primary + offsetof(regf::BaseBlock, binsDataSize)));
    regf::StoreU32(e + 20, pages);
    uint8_t* data = e + 40 + 8 * pages;
    for (uint32_t i = 0; i < pages; ++i) {
        const uint32_t offset = (firstPage + i) * kBinGranularity;
        regf::StoreU32(e + 40 + 8 * i, offset);
        regf::StoreU32(e + 44 + 8 * i, kBinGranularity);
        std::memcpy(data + size_t{i} * kBinGranularity, primary + kBaseBlockSize + offset,
                    kBinGranularity);
    }
    regf::SealLogEntry(e, size);
}

void LeaveLastPagesInLog(const fs::path& hive, uint32_t pages) {
    std::string primary = Read(hive);
    if (primary.size() < kBaseBlockSize + kBinGranularity) {
        throw std::runtime_error(hive.string() + ": too small to be a hive with bins");
    }
    uint8_t* base = At(primary, 0);
    const uint32_t bins = regf::LoadU32(base + offsetof(regf::BaseBlock, binsDataSize));
    if (bins % kBinGranularity != 0 || kBaseBlockSize + uint64_t{bins} > primary.size()) {
        throw std::runtime_error(hive.string() + ": its bins do not fit the file");
    }
    const uint32_t total = bins / kBinGranularity;
    const uint32_t count = std::min(std::max(pages, 1u), total);
    const uint32_t first = total - count;
    const uint32_t sequence =
        regf::LoadU32(base + offsetof(regf::BaseBlock, secondarySequence)) + 1;
    std::vector<uint8_t> log = NewFormatLogStart(base, sequence);
    AppendNewFormatLogEntry(log, base, sequence, first, count);

    // The write-back began (the first sequence number moved on) and none of its pages landed.
    std::memset(At(primary, kBaseBlockSize + size_t{first} * kBinGranularity), 0,
                size_t{count} * kBinGranularity);
    regf::StoreU32(base + offsetof(regf::BaseBlock, primarySequence), sequence);
    Reseal(base);
    WriteDemoText(hive, primary);
    WriteDemoText(fs::path(hive.string() + ".LOG1"), std::string(log.begin(), log.end()));
    WriteDemoText(fs::path(hive.string() + ".LOG2"), "");
}

} // namespace hivelet::image::demo
