// A hive file's bytes, read once into memory (huge pages where the system has them: the reader
// and writer go over these bytes several times, and the walk jumps around in them).
#pragma once

#include "platform/regf/BulkMemory.h"
#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>

namespace hivelet::regf {

class InputFile {
public:
    // Reads `path`, at most `limit` bytes from its start.
    Status open(const std::string& path, uint64_t limit);
    const uint8_t* data() const { return bytes_.get(); }
    uint64_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[], BulkFree> bytes_;
    uint64_t size_ = 0;
};

} // namespace hivelet::regf
