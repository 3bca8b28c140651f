// Places cells into bins the way a compact hive wants them: 4 KiB bins, a bigger bin only for a
// cell that needs one, each new cell in the open bin whose free room fits it most tightly, free
// space only at bin tails.
//
// Bins stay open for best fit until the current stretch of output (a "segment") has grown past a
// target size and its bins are nearly full (or it has grown to twice the target); then the whole
// segment is closed and written to the sink. Closing only when little room is left keeps the
// free space at segment ends small; the segment is all the output held in memory.
#pragma once

#include "platform/regf/BulkMemory.h"
#include "platform/regf/ByteSink.h"
#include "platform/regf/Format.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace hivelet::regf {

// Optional free space placed before live cells (hives that look churned, for tests and
// benchmarks). Must answer the same for the same sequence of calls.
class GapSource {
public:
    virtual ~GapSource() = default;
    // Size of a free cell to put before a cell of `cellSize` bytes when `room` bytes are free
    // in its bin: 0, or a multiple of 8 no larger than room - cellSize.
    virtual uint32_t gapBefore(uint32_t cellSize, uint32_t room) = 0;
    // Back to the first answer: every pass over the same cells starts here.
    virtual void restart() = 0;
};

class Layout {
public:
    // The bins go to `sink` after `sinkOffset` bytes already written (the base block).
    // `segmentTarget`: bytes of bins after which a segment may close.
    Layout(ByteSink* sink, GapSource* gaps, uint64_t sinkOffset, uint32_t segmentTarget = 4u << 20);

    // The output is expected to be about `bytes` of bins: the segment buffer takes the room its
    // first segment will need at once instead of growing (and copying) on the way.
    void expect(uint64_t bytes);
    // Offset (from the start of the bins data) of a new allocated cell of `size` bytes (a
    // multiple of 8, the size field included), whose size field is written. Returns false when
    // the hive would outgrow its limit or the sink failed.
    bool allocate(uint32_t size, uint32_t& cell) {
        if (failed_) {
            return false;
        }
        uint32_t bin = size <= kSmallBinCellLimit ? takeBestFit(size) : kNoBin;
        if (bin == kNoBin || gaps_ != nullptr) {
            return allocateApart(bin, size, cell);
        }
        cell = place(bin, size);
        return true;
    }
    // Where the bytes of a cell allocated since the last endGroup() go. Valid until the next
    // allocate().
    uint8_t* at(uint32_t cell) { return buffer_.get() + (cell - segmentStart_); }
    // Writes `size` bytes at bins offset `offset`, in the open segment or through the sink.
    bool patch(uint32_t offset, const void* bytes, size_t size);
    bool sinkFailed() const { return sinkFailed_; }
    // Output bytes [offset, offset + size) of the open segment are `data` (which must stay valid
    // until finish()): they are passed to the sink from there instead of being copied.
    void external(uint32_t offset, const uint8_t* data, uint32_t size) {
        externals_.push_back({offset, size, data});
    }
    // Called between groups of cells written together; may close the segment.
    bool endGroup();
    bool finish();
    uint32_t size() const { return end_; }

private:
    struct OpenBin {
        uint32_t offset;
        uint32_t size;
        uint32_t used;
        uint32_t nextFiled; // the bin filed before it under the same room, or kNoBin
    };
    struct External {
        uint32_t offset;
        uint32_t size;
        const uint8_t* data;
    };
    static constexpr uint32_t kBuckets = 512; // free room / 8 of a bin is always below 4096 / 8
    static constexpr uint32_t kNoBin = UINT32_MAX;

    void reserve(size_t bytes);
    uint32_t newBin(uint32_t size);
    bool allocateApart(uint32_t bin, uint32_t size, uint32_t& cell);
    void leaveGap(uint32_t bin, uint32_t size);
    // Placing a cell is on the path of every record written: these stay inline.
    uint32_t place(uint32_t bin, uint32_t size);
    void file(uint32_t bin);
    uint32_t takeBestFit(uint32_t size);
    bool closeSegment();
    bool flush();

    ByteSink* sink_;
    GapSource* gaps_;
    uint64_t sinkOffset_;
    bool sinkFailed_ = false;
    uint32_t segmentTarget_;
    uint32_t segmentStart_ = 0;
    uint32_t end_ = 0;
    uint32_t openRoom_ = 0; // free bytes in the segment's bins
    bool failed_ = false;
    std::vector<OpenBin> bins_;
    // Open bins by free room / 8, each bucket a stack (the bin filed last is taken first) linked
    // through OpenBin::nextFiled; a bit per non-empty bucket, and a bit per non-zero word of
    // those, so that the tightest fit is found with two bit scans.
    std::array<uint32_t, kBuckets> filed_;
    std::array<uint64_t, kBuckets / 64> nonEmpty_{};
    uint32_t nonEmptyWords_ = 0;
    // The open segment's bytes. Only what the writers leave unwritten gets zeroed (cell padding,
    // free cells, bin headers): clearing whole bins first would cost another pass over the data.
    std::unique_ptr<uint8_t[], BulkFree> buffer_;
    size_t capacity_ = 0;
    std::vector<External> externals_;
    std::vector<ByteSink::Piece> pieces_;
};

inline void Layout::file(uint32_t bin) {
    uint32_t room = bins_[bin].size - bins_[bin].used;
    if (room >= 8) {
        uint32_t bucket = room / 8;
        bins_[bin].nextFiled = filed_[bucket];
        filed_[bucket] = bin;
        nonEmpty_[bucket / 64] |= uint64_t{1} << (bucket % 64);
        nonEmptyWords_ |= 1u << (bucket / 64);
    }
}

// The open bin with the least room that still holds `size` bytes, taken off its bucket; kNoBin
// when none has room.
inline uint32_t Layout::takeBestFit(uint32_t size) {
    uint32_t first = size / 8;
    uint32_t word = first / 64;
    uint64_t bits = nonEmpty_[word] & (~uint64_t{0} << (first % 64));
    if (bits == 0) {
        uint32_t above = nonEmptyWords_ & (~1u << word);
        if (above == 0) {
            return kNoBin;
        }
        word = static_cast<uint32_t>(std::countr_zero(above));
        bits = nonEmpty_[word];
    }
    uint32_t bucket = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
    uint32_t bin = filed_[bucket];
    filed_[bucket] = bins_[bin].nextFiled;
    if (filed_[bucket] == kNoBin) {
        nonEmpty_[word] &= ~(uint64_t{1} << (bucket % 64));
        if (nonEmpty_[word] == 0) {
            nonEmptyWords_ &= ~(1u << word);
        }
    }
    return bin;
}

inline uint32_t Layout::place(uint32_t bin, uint32_t size) {
    OpenBin& b = bins_[bin];
    uint32_t cell = b.offset + b.used;
    b.used += size;
    openRoom_ -= size;
    file(bin); // before the stores into the segment, which would make it load the bins again
    uint8_t* p = at(cell);
    std::memset(p + size - 8, 0, 8); // the record's alignment padding
    StoreU32(p, static_cast<uint32_t>(-static_cast<int32_t>(size)));
    return cell;
}

} // namespace hivelet::regf
