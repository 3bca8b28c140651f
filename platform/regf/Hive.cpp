#include "platform/regf/Hive.h"

#include "platform/regf/Errors.h"

#include <cstring>

namespace hivelet::regf {

uint32_t BaseBlockChecksum(const uint8_t* baseBlock) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < 0x1FC; i += 4) {
        sum ^= LoadU32(baseBlock + i);
    }
    if (sum == 0xFFFFFFFF) {
        return 0xFFFFFFFE;
    }
    if (sum == 0) {
        return 1;
    }
    return sum;
}

Status Hive::error(ErrorKind kind, uint32_t cell, const std::string& detail) const {
    return FailureAt(kind, name_, detail, static_cast<uint64_t>(cell) + kBaseBlockSize);
}

Status Hive::error(ErrorKind kind, const std::string& detail) const {
    return Failure(kind, name_, detail);
}

Status Hive::open(const uint8_t* data, uint64_t size, std::string name) {
    if (Status s = begin(data, size, std::move(name)); !s.ok()) {
        return s;
    }
    return scan(size);
}

Status Hive::begin(const uint8_t* data, uint64_t size, std::string name) {
    name_ = std::move(name);
    fileSize_ = size;
    if (Status s = checkBaseBlock(data, size); !s.ok()) {
        return s;
    }
    bins_ = data + kBaseBlockSize;
    binsSize_ = base_.binsDataSize;
    scanned_ = 0;
    allocated_.assign(binsSize_);
    binList_.clear();
    return {};
}

Status Hive::scan(uint64_t available) {
    uint64_t end = available > kBaseBlockSize ? available - kBaseBlockSize : 0;
    while (scanned_ < binsSize_ && end >= uint64_t{scanned_} + kBinHeaderSize) {
        uint32_t off = scanned_;
        BinHeader header;
        std::memcpy(&header, bins_ + off, sizeof header);
        if (std::memcmp(header.signature, "hbin", 4) != 0) {
            return error(ErrorKind::Corrupt, off, "bin header without \"hbin\" signature");
        }
        if (header.offset != off) {
            return error(ErrorKind::Corrupt, off,
                         "bin says it is at " + Hex(header.offset) + ", not " + Hex(off));
        }
        if (header.size < kBinGranularity || header.size % kBinGranularity != 0 ||
            header.size > binsSize_ - off) {
            return error(ErrorKind::Corrupt, off, "bin size " + Hex(header.size));
        }
        if (end < uint64_t{off} + header.size) {
            break; // the rest of this bin is still to come
        }
        if (Status s = scanBin(off, header.size); !s.ok()) {
            return s;
        }
        binList_.push_back({off, header.size});
        scanned_ = off + header.size;
    }
    return {};
}

Status Hive::checkBaseBlock(const uint8_t* data, uint64_t size) {
    if (size < kBaseBlockSize || std::memcmp(data, "regf", 4) != 0) {
        return error(ErrorKind::NotAHive, "no registry hive base block (\"regf\")");
    }
    std::memcpy(&base_, data, sizeof base_);
    if (base_.fileType != 0) {
        return error(ErrorKind::NotAHive, "file type " + std::to_string(base_.fileType) +
                                              " is a transaction log, not a primary hive");
    }
    if (base_.primarySequence != base_.secondarySequence) {
        return error(ErrorKind::Dirty,
                     "sequence numbers " + std::to_string(base_.primarySequence) + "/" +
                         std::to_string(base_.secondarySequence) +
                         " differ: its latest changes may be only in its transaction logs, which "
                         "are not replayed");
    }
    uint32_t checksum = BaseBlockChecksum(data);
    if (checksum != base_.checksum) {
        return FailureAt(ErrorKind::Corrupt, name_,
                         "base block checksum is " + Hex(base_.checksum) + ", computed " +
                             Hex(checksum),
                         offsetof(BaseBlock, checksum));
    }
    if (base_.majorVersion != kMajorVersion || base_.minorVersion < kMinMinorVersion ||
        base_.minorVersion > kMaxMinorVersion) {
        return error(ErrorKind::Unsupported,
                     "format version " + std::to_string(base_.majorVersion) + "." +
                         std::to_string(base_.minorVersion) + " (1.3 to 1.5 are supported)");
    }
    if (base_.fileFormat != 1) {
        return FailureAt(ErrorKind::Unsupported, name_,
                         "file format " + std::to_string(base_.fileFormat),
                         offsetof(BaseBlock, fileFormat));
    }
    uint32_t bins = base_.binsDataSize;
    if (bins == 0 || bins % kBinGranularity != 0) {
        return FailureAt(ErrorKind::Corrupt, name_, "bins data size " + Hex(bins),
                         offsetof(BaseBlock, binsDataSize));
    }
    if (bins > kMaxBinsDataSize) {
        return FailureAt(ErrorKind::TooLarge, name_, "bins data size " + Hex(bins),
                         offsetof(BaseBlock, binsDataSize));
    }
    if (size - kBaseBlockSize < bins) {
        return FailureAt(ErrorKind::Corrupt, name_,
                         "truncated: the base block announces " + std::to_string(bins) +
                             " bytes of bins, the file ends after " +
                             std::to_string(size - kBaseBlockSize),
                         size);
    }
    return {};
}

// Tiles one bin into cells and marks the allocated ones.
Status Hive::scanBin(uint32_t off, uint32_t size) {
    uint32_t end = off + size;
    uint32_t cell = off + kBinHeaderSize;
    while (cell < end) {
        if (end - cell < 8) {
            return error(ErrorKind::Corrupt, cell, "cell runs past the end of its bin");
        }
        int32_t raw = static_cast<int32_t>(LoadU32(bins_ + cell));
        bool allocated = raw < 0;
        uint32_t cellBytes = allocated ? static_cast<uint32_t>(0) - static_cast<uint32_t>(raw)
                                       : static_cast<uint32_t>(raw);
        if (cellBytes < 8 || cellBytes % 8 != 0 || cellBytes > end - cell) {
            return error(ErrorKind::Corrupt, cell,
                         "cell size " + std::to_string(raw) + " does not fit its bin");
        }
        if (allocated) {
            allocated_.set(cell);
        }
        cell += cellBytes;
    }
    return {};
}

} // namespace hivelet::regf
