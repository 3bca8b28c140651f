#include "platform/regf/Layout.h"

#include "platform/regf/Format.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace hivelet::regf {

Layout::Layout(ByteSink* sink, GapSource* gaps, uint64_t sinkOffset, uint32_t segmentTarget)
    : sink_(sink), gaps_(gaps), sinkOffset_(sinkOffset), segmentTarget_(segmentTarget) {
    reserve(64u << 10); // grows with the first segment; small hives stay small
    filed_.fill(kNoBin);
    if (gaps_ != nullptr) {
        gaps_->restart();
    }
}

void Layout::expect(uint64_t bytes) {
    constexpr uint64_t kSlack = 64u << 10; // the bins of the key that closes a segment
    reserve(static_cast<size_t>(std::min<uint64_t>(bytes, 2ull * segmentTarget_) + kSlack));
}

void Layout::reserve(size_t bytes) {
    if (bytes <= capacity_) {
        return;
    }
    size_t capacity = std::max(bytes, 2 * capacity_);
    auto grown = AllocateBulk(capacity);
    if (buffer_ != nullptr) {
        std::memcpy(grown.get(), buffer_.get(), end_ - segmentStart_); // the segment so far
    }
    buffer_ = std::move(grown);
    capacity_ = capacity;
}

uint32_t Layout::newBin(uint32_t size) {
    uint32_t offset = end_;
    reserve(static_cast<size_t>(end_ - segmentStart_) + size);
    end_ += size;
    bins_.push_back({offset, size, kBinHeaderSize, kNoBin});
    openRoom_ += size - kBinHeaderSize;
    BinHeader header{};
    std::memcpy(header.signature, "hbin", 4);
    header.offset = offset;
    header.size = size;
    std::memcpy(at(offset), &header, sizeof header);
    return static_cast<uint32_t>(bins_.size() - 1);
}

// A free cell before the next one, when the gap source asks for it (kept apart from place(),
// which every cell goes through).
void Layout::leaveGap(uint32_t bin, uint32_t size) {
    OpenBin& b = bins_[bin];
    uint32_t gap = gaps_->gapBefore(size, b.size - b.used);
    if (gap >= 8 && gap % 8 == 0 && gap <= b.size - b.used - size) {
        uint8_t* p = at(b.offset + b.used);
        std::memset(p, 0, gap);
        StoreU32(p, gap);
        b.used += gap;
        openRoom_ -= gap;
    }
}

// A cell that needs a new bin, or a gap before it: what allocate() leaves to this.
bool Layout::allocateApart(uint32_t bin, uint32_t size, uint32_t& cell) {
    if (bin == kNoBin) {
        uint64_t binSize = (uint64_t{size} + kBinHeaderSize + kBinGranularity - 1) /
                           kBinGranularity * kBinGranularity;
        if (binSize > kMaxBinsDataSize - end_) {
            failed_ = true;
            return false;
        }
        bin = newBin(static_cast<uint32_t>(binSize));
    }
    if (gaps_ != nullptr) {
        leaveGap(bin, size);
    }
    cell = place(bin, size);
    return true;
}

// The segment's bytes to the sink: the buffer, with the external ranges taken from where
// they are.
bool Layout::flush() {
    if (externals_.empty()) {
        return sink_->write(buffer_.get(), end_ - segmentStart_);
    }
    std::sort(externals_.begin(), externals_.end(),
              [](const External& a, const External& b) { return a.offset < b.offset; });
    pieces_.clear();
    uint32_t cursor = segmentStart_;
    for (const External& e : externals_) {
        if (e.offset > cursor) {
            pieces_.push_back({at(cursor), e.offset - cursor});
        }
        pieces_.push_back({e.data, e.size});
        cursor = e.offset + e.size;
    }
    if (end_ > cursor) {
        pieces_.push_back({at(cursor), end_ - cursor});
    }
    externals_.clear();
    return sink_->writePieces(pieces_.data(), pieces_.size());
}

bool Layout::closeSegment() {
    for (const OpenBin& b : bins_) {
        if (b.used < b.size) { // the tail free cell
            uint8_t* p = at(b.offset + b.used);
            std::memset(p, 0, b.size - b.used);
            StoreU32(p, b.size - b.used);
        }
    }
    if (end_ > segmentStart_ && !flush()) {
        failed_ = true;
        sinkFailed_ = true;
    }
    bins_.clear();
    filed_.fill(kNoBin);
    nonEmpty_.fill(0);
    nonEmptyWords_ = 0;
    openRoom_ = 0;
    segmentStart_ = end_;
    return !failed_;
}

bool Layout::patch(uint32_t offset, const void* bytes, size_t size) {
    if (offset >= segmentStart_) {
        std::memcpy(at(offset), bytes, size);
        return true;
    }
    if (!sink_->patch(sinkOffset_ + offset, bytes, size)) {
        failed_ = true;
        sinkFailed_ = true;
        return false;
    }
    return true;
}

bool Layout::endGroup() {
    if (failed_) {
        return false;
    }
    // Room under this is what a cell or two would take anyway.
    constexpr uint32_t kNearlyFull = 256;
    uint32_t length = end_ - segmentStart_;
    if ((length >= segmentTarget_ && openRoom_ <= kNearlyFull) || length >= 2 * segmentTarget_) {
        return closeSegment();
    }
    return true;
}

bool Layout::finish() {
    return !failed_ && closeSegment();
}

} // namespace hivelet::regf
