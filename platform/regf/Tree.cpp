#include "platform/regf/Tree.h"

#include <cstring>

namespace hivelet::regf {

void CopyChunkedValueData(const std::vector<DataChunk>& chunks, const ValueRecord& value,
                          uint32_t from, uint32_t size, uint8_t* out) {
    uint32_t chunk = value.firstChunk;
    uint32_t end = value.firstChunk + value.chunkCount;
    while (chunk < end && from >= chunks[chunk].size) {
        from -= chunks[chunk].size;
        ++chunk;
    }
    while (size > 0 && chunk < end) {
        uint32_t take = chunks[chunk].size - from;
        if (take > size) {
            take = size;
        }
        std::memcpy(out, chunks[chunk].data + from, take);
        out += take;
        size -= take;
        from = 0;
        ++chunk;
    }
}

} // namespace hivelet::regf
