// A hive file's bytes, checked: the base block, then every bin tiled into cells. Afterwards any
// cell index can be tested in constant time ("is an allocated cell starting here?"), which is
// what makes every later reference check cheap.
#pragma once

#include "platform/regf/BulkMemory.h"
#include "platform/regf/Format.h"
#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

class Hive {
public:
    struct Bin {
        uint32_t offset;
        uint32_t size;
    };

    // `data` (the whole file, `size` bytes) must outlive this object. `name` labels messages.
    Status open(const uint8_t* data, uint64_t size, std::string name);

    // The same in steps, for a file read in pieces: begin() once the base block is there, then
    // scan() as more bytes arrive, so that each bin is checked while it is still in cache.
    // Opening is complete once scan() has seen all `size` bytes.
    Status begin(const uint8_t* data, uint64_t size, std::string name);
    Status scan(uint64_t available);

    const std::string& name() const { return name_; }
    const BaseBlock& base() const { return base_; }
    uint32_t minor() const { return base_.minorVersion; }
    uint32_t binsSize() const { return binsSize_; }
    const uint8_t* bins() const { return bins_; }
    uint64_t fileSize() const { return fileSize_; }
    const std::vector<Bin>& binList() const { return binList_; }

    bool isAllocated(uint32_t cell) const {
        return cell < binsSize_ && (cell & 7u) == 0 && allocated_.test(cell);
    }
    // Size of the cell (its size field included); valid for allocated cells.
    uint32_t cellSize(uint32_t cell) const {
        return static_cast<uint32_t>(-static_cast<int32_t>(LoadU32(bins_ + cell)));
    }
    const uint8_t* payload(uint32_t cell) const { return bins_ + cell + 4; }
    // A hint that the cell is read soon (the walk jumps around; this hides the wait).
    void prefetch(uint32_t cell) const {
#if defined(__GNUC__)
        if (cell < binsSize_) {
            __builtin_prefetch(bins_ + cell);
        }
#endif
    }
    uint32_t payloadSize(uint32_t cell) const {
        return cellSize(cell) - 4;
    }

    // An error at a cell, reported with its file offset.
    Status error(ErrorKind kind, uint32_t cell, const std::string& detail) const;
    Status error(ErrorKind kind, const std::string& detail) const;

private:
    Status checkBaseBlock(const uint8_t* data, uint64_t size);
    Status scanBin(uint32_t offset, uint32_t size);

    std::string name_;
    BaseBlock base_{};
    const uint8_t* bins_ = nullptr;
    uint32_t binsSize_ = 0;
    uint64_t fileSize_ = 0;
    uint32_t scanned_ = 0; // bins data checked so far
    CellBits allocated_;
    std::vector<Bin> binList_;
};

} // namespace hivelet::regf
