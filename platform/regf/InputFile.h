// A hive file's bytes, read once: mapped where the system offers it, read into memory otherwise.
#pragma once

#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Opens `path`, making at most `limit` bytes from its start available.
    Status open(const std::string& path, uint64_t limit);
    const uint8_t* data() const { return data_; }
    uint64_t size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
    std::vector<uint8_t> bytes_; // when read rather than mapped
    void* mapping_ = nullptr;
    uint64_t mappedSize_ = 0;
};

} // namespace hivelet::regf
