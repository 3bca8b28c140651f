// Large working arrays (bitmaps over a hive, the writer's segment buffer) in as few pages as the
// system allows: on Linux 2 MiB-aligned and marked for transparent huge pages, which spares
// thousands of page faults per large hive; a plain allocation elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace hivelet::regf {

struct BulkFree {
    void operator()(void* p) const;
};

// Uninitialised storage for `bytes` bytes.
std::unique_ptr<uint8_t[], BulkFree> AllocateBulk(size_t bytes);

// A zero-filled array of 64-bit words.
class BulkWords {
public:
    void assign(size_t words);
    uint64_t& operator[](size_t i) { return data_[i]; }
    uint64_t operator[](size_t i) const { return data_[i]; }
    size_t size() const { return words_; }
    const uint64_t* data() const { return data_; }

private:
    std::unique_ptr<uint8_t[], BulkFree> storage_;
    uint64_t* data_ = nullptr;
    size_t words_ = 0;
};

} // namespace hivelet::regf
