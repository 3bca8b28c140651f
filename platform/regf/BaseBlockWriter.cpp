#include "platform/regf/BaseBlockWriter.h"

#include "platform/RandomBytes.h"
#include "platform/regf/Format.h"

#include <chrono>
#include <cstring>

namespace hivelet::regf {

namespace {

void RandomGuid(uint8_t* guid) {
    platform::FillRandom(guid, 16);
    guid[7] = static_cast<uint8_t>((guid[7] & 0x0F) | 0x40); // version 4
    guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);
}

} // namespace

uint64_t FileTimeNow() {
    using namespace std::chrono;
    // 100 ns ticks from 1601-01-01 to 1970-01-01.
    constexpr uint64_t kUnixEpoch = 116444736000000000ull;
    auto since = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return kUnixEpoch + static_cast<uint64_t>(since / 100);
}

void BuildBaseBlock(const NewBaseBlock& block, uint8_t* out) {
    BaseBlock b{};
    std::memcpy(b.signature, "regf", 4);
    b.primarySequence = 1;
    b.secondarySequence = 1;
    b.lastWritten = block.lastWritten;
    b.majorVersion = kMajorVersion;
    b.minorVersion = block.minorVersion;
    b.fileType = 0;
    b.fileFormat = 1;
    b.rootCell = block.rootCell;
    b.binsDataSize = block.binsDataSize;
    b.clusteringFactor = 1;
    if (block.withGuids) {
        RandomGuid(b.rmId);
        std::memcpy(b.logId, b.rmId, 16);
        std::memcpy(b.tmId, b.rmId, 16);
        uint32_t first = LoadU32(b.tmId) + 1;
        StoreU32(b.tmId, first);
        std::memcpy(b.guidSignature, "rmtm", 4);
    }
    std::memcpy(out, &b, sizeof b);
    StoreU32(out + offsetof(BaseBlock, checksum), BaseBlockChecksum(out));
}

} // namespace hivelet::regf
