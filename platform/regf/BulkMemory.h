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
    uint64_t* data() { return data_; }
    const uint64_t* data() const { return data_; }

private:
    std::unique_ptr<uint8_t[], BulkFree> storage_;
    uint64_t* data_ = nullptr;
    size_t words_ = 0;
};

// A cell's bit in a bitmap over a hive's bins: one bit per 8 bytes, so a cell (whose offset is a
// multiple of 8) finds its bit from its offset alone.
inline bool CellBit(const uint64_t* words, uint32_t cell) {
    return ((words[cell >> 9] >> ((cell >> 3) & 63)) & 1u) != 0;
}
inline void SetCellBit(uint64_t* words, uint32_t cell) {
    words[cell >> 9] |= uint64_t{1} << ((cell >> 3) & 63);
}

// A zero-filled bitmap of that kind over `binsSize` bytes of bins.
class CellBits {
public:
    void assign(uint32_t binsSize) { words_.assign((binsSize / 8 + 63) / 64); }
    bool test(uint32_t cell) const { return CellBit(words_.data(), cell); }
    // Sets the cell's bit; false if it was set already.
    bool set(uint32_t cell) {
        bool was = test(cell);
        SetCellBit(words_.data(), cell);
        return !was;
    }
    const BulkWords& words() const { return words_; }

private:
    BulkWords words_;
};

} // namespace hivelet::regf
