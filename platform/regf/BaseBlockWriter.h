// The base block of a freshly written hive, as RegSaveKey writes it: sequence numbers 1/1, the
// time of the save, new resource-manager GUIDs, fresh checksum.
#pragma once

#include <cstdint>

namespace hivelet::regf {

struct NewBaseBlock {
    uint32_t minorVersion = 5;
    uint32_t binsDataSize = 0;
    uint32_t rootCell = 0x20;
    uint64_t lastWritten = 0; // FILETIME
    bool withGuids = true;    // RmId/LogId/TmId and "rmtm"
};

void BuildBaseBlock(const NewBaseBlock& block, uint8_t* out /* 4096 bytes */);

// The current time as a FILETIME.
uint64_t FileTimeNow();

} // namespace hivelet::regf
