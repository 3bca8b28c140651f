// What a hive tree source hands to its consumers (the compact writer, the dump, the verifier):
// one key at a time in depth-first order, with its values; data and names stay where the source
// keeps them.
#pragma once

#include "platform/regf/Names.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace hivelet::regf {

struct DataChunk {
    const uint8_t* data;
    uint32_t size;
};

struct KeyRecord {
    NameRef name;
    const uint8_t* classData = nullptr;
    uint16_t classLength = 0;
    uint16_t flags = 0;
    uint64_t lastWritten = 0;
    uint32_t extraFlags = 0; // bits 16-31 of the nk maximum-name-length word
    uint32_t security = 0;   // the source's id of the key's security descriptor
    uint32_t subkeyCount = 0;
};

struct ValueRecord {
    NameRef name;
    uint32_t type = 0;
    uint32_t length = 0;
    // The data: chunks [firstChunk, firstChunk + chunkCount) of the list the source passes.
    uint32_t firstChunk = 0;
    uint32_t chunkCount = 0;
};

// Data spread over several chunks (big data); CopyValueData's general case.
void CopyChunkedValueData(const std::vector<DataChunk>& chunks, const ValueRecord& value,
                          uint32_t from, uint32_t size, uint8_t* out);

// Copies `size` bytes starting at byte `from` of a value's data. Most values are one chunk.
inline void CopyValueData(const std::vector<DataChunk>& chunks, const ValueRecord& value,
                          uint32_t from, uint32_t size, uint8_t* out) {
    if (value.chunkCount == 1 && from < chunks[value.firstChunk].size) {
        const DataChunk& chunk = chunks[value.firstChunk];
        uint32_t take = chunk.size - from < size ? chunk.size - from : size;
        std::memcpy(out, chunk.data + from, take);
        return;
    }
    CopyChunkedValueData(chunks, value, from, size, out);
}

} // namespace hivelet::regf
