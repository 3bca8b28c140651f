// A hive file's bytes, read once into memory (huge pages where the system has them: the reader
// and writer go over these bytes several times, and the walk jumps around in them).
#pragma once

#include "platform/regf/BulkMemory.h"
#include "platform/regf/Hive.h"
#include "platform/regf/Regf.h"

#include <cstdint>
#include <functional>
#include <string>

namespace hivelet::regf {

class InputFile {
public:
    // Reads `path`, at most `limit` bytes from its start, in pieces; after each one
    // `arrived(bytes so far)` may look at data() and stop the reading by failing.
    Status read(const std::string& path, uint64_t limit,
                const std::function<Status(uint64_t)>& arrived);
    const uint8_t* data() const { return bytes_.get(); }
    uint8_t* mutableData() { return bytes_.get(); }
    // Makes the bytes `size` long, keeping those there are (a recovered hive may grow).
    void resize(uint64_t size);
    uint64_t size() const { return size_; } // the whole length, known once read() has begun

private:
    std::unique_ptr<uint8_t[], BulkFree> bytes_;
    uint64_t size_ = 0;
};

// Reads a hive file and opens it, checking each bin as it arrives. A dirty hive is first
// recovered in memory from the transaction logs beside it (see Recovery in Regf.h); every reader
// of hive files goes through here, so each sees the hive as Windows would load it.
Status OpenHiveFile(const std::string& path, InputFile& input, Hive& hive, Recovery& recovery);
Status OpenHiveFile(const std::string& path, InputFile& input, Hive& hive);

} // namespace hivelet::regf
