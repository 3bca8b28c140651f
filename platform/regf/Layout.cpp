#include "platform/regf/Layout.h"

#include "platform/regf/Format.h"

#include <bit>
#include <cstring>

namespace hivelet::regf {

Layout::Layout(ByteSink* sink, GapSource* gaps, uint32_t segmentTarget)
    : sink_(sink), gaps_(gaps), segmentTarget_(segmentTarget) {
    if (sink_ != nullptr) {
        buffer_.reserve(segmentTarget_ + (1u << 20));
    }
    if (gaps_ != nullptr) {
        gaps_->restart();
    }
}

uint32_t Layout::newBin(uint32_t size) {
    uint32_t offset = end_;
    end_ += size;
    bins_.push_back({offset, size, kBinHeaderSize});
    openRoom_ += size - kBinHeaderSize;
    if (sink_ != nullptr) {
        buffer_.resize(end_ - segmentStart_);
        uint8_t* p = at(offset); // resize() zero-filled it
        BinHeader header{};
        std::memcpy(header.signature, "hbin", 4);
        header.offset = offset;
        header.size = size;
        std::memcpy(p, &header, sizeof header);
    }
    return static_cast<uint32_t>(bins_.size() - 1);
}

void Layout::file(uint32_t bin) {
    uint32_t room = bins_[bin].size - bins_[bin].used;
    if (room >= 8) {
        uint32_t bucket = room / 8;
        buckets_[bucket].push_back(bin);
        nonEmpty_[bucket / 64] |= uint64_t{1} << (bucket % 64);
    }
}

uint32_t Layout::place(uint32_t bin, uint32_t size) {
    OpenBin& b = bins_[bin];
    if (gaps_ != nullptr) {
        uint32_t gap = gaps_->gapBefore(size, b.size - b.used);
        if (gap >= 8 && gap % 8 == 0 && gap <= b.size - b.used - size) {
            if (sink_ != nullptr) {
                StoreU32(at(b.offset + b.used), gap);
            }
            b.used += gap;
            openRoom_ -= gap;
        }
    }
    uint32_t cell = b.offset + b.used;
    b.used += size;
    openRoom_ -= size;
    if (sink_ != nullptr) {
        StoreU32(at(cell), static_cast<uint32_t>(-static_cast<int32_t>(size)));
    }
    file(bin);
    return cell;
}

bool Layout::allocate(uint32_t size, uint32_t& cell) {
    if (failed_) {
        return false;
    }
    if (size <= kSmallBinCellLimit) {
        for (uint32_t word = size / 8 / 64; word < nonEmpty_.size(); ++word) {
            uint64_t bits = nonEmpty_[word];
            if (word == size / 8 / 64) {
                bits &= ~uint64_t{0} << ((size / 8) % 64);
            }
            if (bits == 0) {
                continue;
            }
            uint32_t bucket = word * 64 + static_cast<uint32_t>(std::countr_zero(bits));
            uint32_t bin = buckets_[bucket].back();
            buckets_[bucket].pop_back();
            if (buckets_[bucket].empty()) {
                nonEmpty_[word] &= ~(uint64_t{1} << (bucket % 64));
            }
            cell = place(bin, size);
            return true;
        }
    }
    uint64_t binSize =
        (uint64_t{size} + kBinHeaderSize + kBinGranularity - 1) / kBinGranularity * kBinGranularity;
    if (binSize > kMaxBinsDataSize - end_) {
        failed_ = true;
        return false;
    }
    cell = place(newBin(static_cast<uint32_t>(binSize)), size);
    return true;
}

bool Layout::closeSegment() {
    if (sink_ != nullptr) {
        for (const OpenBin& b : bins_) {
            if (b.used < b.size) {
                StoreU32(at(b.offset + b.used), b.size - b.used); // the tail free cell
            }
        }
        if (!buffer_.empty() && !sink_->write(buffer_.data(), buffer_.size())) {
            failed_ = true;
        }
        buffer_.clear();
    }
    bins_.clear();
    for (auto& bucket : buckets_) {
        bucket.clear();
    }
    nonEmpty_.fill(0);
    openRoom_ = 0;
    segmentStart_ = end_;
    return !failed_;
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
