// New-format logs (Windows 8.1 and later): HvLE entries, each protected by two Marvin32 hashes
// and numbered; entries are applied in sequence across both logs.
#include "platform/regf/Errors.h"
#include "platform/regf/Marvin32.h"
#include "platform/regf/Recovery.h"

#include <algorithm>
#include <cstring>

namespace hivelet::regf {
namespace {

constexpr uint32_t kLogSector = 512;
constexpr uint32_t kEntryHeaderSize = 40;

struct EntryView {
    uint64_t offset; // in the log
    uint32_t size;
    uint32_t flags;
    uint32_t sequence;
    uint32_t binsSize;
    uint32_t pageCount;
};

struct LogEntries {
    const LogImage* log = nullptr;
    std::vector<EntryView> entries;
    std::string end;
    bool damaged = false;
};

// Sequence numbers wrap at 2^32: a comes before b when the distance from b back to a is shorter.
bool Before(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) < 0;
}

std::string At(const LogImage& log, uint64_t offset) {
    return BaseName(log.path) + ": entry at " + Hex(offset);
}

// The consecutive entries from the start of the log, up to the first that is missing, damaged or
// out of sequence. The headers are walked first; the Hash-1 of the entries found is then checked
// four at a time, and the first bad one ends the list where a one-by-one reading would have.
LogEntries ReadEntries(const LogImage& log) {
    LogEntries out;
    out.log = &log;
    const uint8_t* data = log.data();
    const uint64_t size = log.size();
    uint64_t offset = kLogSector;
    // Set when the header walk stopped at an entry whose Hash-1 still comes first.
    bool stopAfterHash1 = false;
    auto stop = [&](const std::string& why, bool damaged) {
        out.end = At(log, offset) + ": " + why;
        out.damaged = damaged;
    };
    while (true) {
        if (offset >= size) {
            out.end = BaseName(log.path) + ": end of the log at " + Hex(size);
            break;
        }
        if (size - offset < 4 || std::memcmp(data + offset, "HvLE", 4) != 0) {
            stop("no further entry", false);
            break;
        }
        if (size - offset < kEntryHeaderSize) {
            stop("truncated: the log ends inside its header", true);
            break;
        }
        const uint8_t* e = data + offset;
        EntryView entry{offset,          LoadU32(e + 4),  LoadU32(e + 8),
                        LoadU32(e + 12), LoadU32(e + 16), LoadU32(e + 20)};
        if (entry.size < kEntryHeaderSize || entry.size % kLogSector != 0) {
            stop("entry size " + Hex(entry.size), true);
            break;
        }
        if (entry.size > size - offset) {
            stop("truncated: its size is " + Hex(entry.size) + ", the log ends after " +
                     Hex(size - offset),
                 true);
            break;
        }
        uint64_t hash2 = 0;
        std::memcpy(&hash2, e + 32, 8);
        if (Marvin32(e, 32, kLogEntrySeed) != hash2) {
            stop("bad Hash-2", true);
            break;
        }
        // From here on an entry with a bad Hash-1 reports that first.
        out.entries.push_back(entry);
        stopAfterHash1 = true;
        if (out.entries.size() > 1) {
            uint32_t expected = out.entries[out.entries.size() - 2].sequence + 1;
            if (entry.sequence != expected) {
                bool older = Before(entry.sequence, expected);
                stop("sequence number " + std::to_string(entry.sequence) +
                         (older ? " is an older entry" : ", not " + std::to_string(expected)),
                     !older);
                break;
            }
        }
        if (entry.binsSize == 0 || entry.binsSize % kBinGranularity != 0 ||
            entry.binsSize > kMaxBinsDataSize) {
            stop("hive bins data size " + Hex(entry.binsSize), true);
            break;
        }
        const uint64_t refsEnd = kEntryHeaderSize + uint64_t{entry.pageCount} * 8;
        if (refsEnd > entry.size) {
            stop(std::to_string(entry.pageCount) + " page references do not fit", true);
            break;
        }
        uint64_t pageData = refsEnd;
        bool pagesFit = true;
        for (uint32_t i = 0; i < entry.pageCount && pagesFit; ++i) {
            uint32_t pageOffset = LoadU32(e + kEntryHeaderSize + 8 * i);
            uint32_t pageSize = LoadU32(e + kEntryHeaderSize + 8 * i + 4);
            if (uint64_t{pageOffset} + pageSize > entry.binsSize) {
                stop("page " + Hex(pageOffset) + " (" + Hex(pageSize) +
                         " bytes) lies outside the hive bins data size " + Hex(entry.binsSize),
                     true);
                pagesFit = false;
            } else if ((pageData += pageSize) > entry.size) {
                stop("page " + Hex(pageOffset) + " runs past the end of the entry", true);
                pagesFit = false;
            }
        }
        if (!pagesFit) {
            break;
        }
        stopAfterHash1 = false;
        offset += entry.size;
    }
    // Hash-1 over everything after each header, four entries side by side.
    const size_t count = out.entries.size();
    for (size_t first = 0; first < count; first += 4) {
        const uint8_t* bodies[4];
        size_t lengths[4];
        uint64_t hashes[4];
        for (size_t k = 0; k < 4; ++k) {
            const EntryView& entry = out.entries[std::min(first + k, count - 1)];
            bodies[k] = data + entry.offset + kEntryHeaderSize;
            lengths[k] = entry.size - kEntryHeaderSize;
        }
        Marvin32x4(bodies, lengths, kLogEntrySeed, hashes);
        for (size_t k = 0; k < 4 && first + k < count; ++k) {
            const EntryView& entry = out.entries[first + k];
            uint64_t stored;
            std::memcpy(&stored, data + entry.offset + 24, 8);
            if (hashes[k] != stored) {
                out.end = At(log, entry.offset) + ": bad Hash-1";
                out.damaged = true;
                out.entries.resize(first + k);
                return out;
            }
        }
    }
    if (stopAfterHash1) {
        out.entries.pop_back(); // sound, but where the walk had to stop
    }
    return out;
}

void AddWrites(const LogImage& log, const EntryView& entry, RecoveryPlan& plan) {
    const uint8_t* e = log.data() + entry.offset;
    const uint8_t* page = e + kEntryHeaderSize + uint64_t{entry.pageCount} * 8;
    for (uint32_t i = 0; i < entry.pageCount; ++i) {
        uint32_t pageOffset = LoadU32(e + kEntryHeaderSize + 8 * i);
        uint32_t pageSize = LoadU32(e + kEntryHeaderSize + 8 * i + 4);
        plan.writes.push_back({pageOffset, page, pageSize});
        page += pageSize;
    }
}

} // namespace

Status PlanNewFormat(const PrimaryState& primary, const std::vector<const LogImage*>& logs,
                     RecoveryPlan& plan, Recovery& report) {
    std::vector<LogEntries> usable;
    for (const LogImage* log : logs) {
        LogEntries read = ReadEntries(*log);
        uint32_t own = LoadU32(log->data() + offsetof(BaseBlock, primarySequence));
        if (read.entries.empty()) {
            report.skipped.push_back(read.end);
        } else if (read.entries.front().sequence != own) {
            report.skipped.push_back(At(*log, kLogSector) + ": sequence number " +
                                     std::to_string(read.entries.front().sequence) +
                                     ", not the log's own " + std::to_string(own));
        } else {
            usable.push_back(std::move(read));
        }
    }
    auto first = [](const LogEntries& l) { return l.entries.front().sequence; };
    auto last = [](const LogEntries& l) { return l.entries.back().sequence; };

    uint8_t* base = plan.baseBlock.data();
    if (primary.rebuilt && !usable.empty()) {
        // Only the log with the latest entries can stand for the damaged base block.
        auto latest = std::max_element(
            usable.begin(), usable.end(),
            [&](const LogEntries& a, const LogEntries& b) { return Before(last(a), last(b)); });
        std::rotate(usable.begin(), latest, latest + 1);
        for (size_t i = 1; i < usable.size(); ++i) {
            report.skipped.push_back(BaseName(usable[i].log->path) +
                                     ": not used: with a damaged base block only the log with the "
                                     "latest entries counts");
        }
        usable.resize(1);
        std::memcpy(base, usable[0].log->data(), kLogSector);
        StoreU32(base + offsetof(BaseBlock, fileType), 0);
    }
    const uint32_t secondary = LoadU32(base + offsetof(BaseBlock, secondarySequence));
    std::erase_if(usable, [&](const LogEntries& l) {
        if (!Before(first(l), secondary)) {
            return false;
        }
        report.skipped.push_back(BaseName(l.log->path) + ": stale: its entries " +
                                 std::to_string(first(l)) + "-" + std::to_string(last(l)) +
                                 " are older than the hive's sequence number " +
                                 std::to_string(secondary));
        return true;
    });
    if (usable.empty()) {
        return Failure(ErrorKind::Dirty, primary.name, "no usable log entries");
    }
    std::sort(usable.begin(), usable.end(),
              [&](const LogEntries& a, const LogEntries& b) { return Before(first(a), first(b)); });

    uint32_t bins = LoadU32(base + offsetof(BaseBlock, binsDataSize));
    report.binsSizeBefore = bins;
    uint32_t sequence = 0;
    uint32_t flags = LoadU32(base + offsetof(BaseBlock, flags));
    const LogEntries* ended = nullptr;
    for (const LogEntries& log : usable) {
        if (ended != nullptr && first(log) != sequence + 1) {
            report.stop = BaseName(log.log->path) + ": begins at sequence number " +
                          std::to_string(first(log)) + ", not " + std::to_string(sequence + 1) +
                          ", at " + Hex(kLogSector);
            report.damaged = true;
            break;
        }
        for (const EntryView& entry : log.entries) {
            AddWrites(*log.log, entry, plan);
            bins = std::max(bins, entry.binsSize);
            flags = (flags & ~1u) | (entry.flags & 1u);
        }
        report.applied.push_back({log.log->path, static_cast<uint32_t>(log.entries.size()),
                                  first(log), last(log), 0, log.end});
        report.entries += static_cast<uint32_t>(log.entries.size());
        sequence = last(log);
        report.stop = log.end;
        report.damaged = log.damaged;
        ended = &log;
    }
    // What Windows writes back after the replay: both numbers one past the last entry.
    StoreU32(base + offsetof(BaseBlock, primarySequence), sequence + 1);
    StoreU32(base + offsetof(BaseBlock, secondarySequence), sequence + 1);
    StoreU32(base + offsetof(BaseBlock, flags), flags);
    StoreU32(base + offsetof(BaseBlock, binsDataSize), bins);
    report.sequence = sequence + 1;
    report.binsSizeAfter = bins;
    return {};
}

std::string LogBaseBlockFault(const LogImage& log, uint32_t fileType) {
    const uint8_t* b = log.data();
    if (log.size() == 0) {
        return "empty";
    }
    if (log.size() < kLogSector || std::memcmp(b, "regf", 4) != 0) {
        return "no base block copy (\"regf\") at 0x0";
    }
    if (BaseBlockChecksum(b) != LoadU32(b + offsetof(BaseBlock, checksum))) {
        return "base block copy checksum is wrong at " + Hex(offsetof(BaseBlock, checksum));
    }
    uint32_t primary = LoadU32(b + offsetof(BaseBlock, primarySequence));
    uint32_t secondary = LoadU32(b + offsetof(BaseBlock, secondarySequence));
    if (primary != secondary) {
        return "base block copy sequence numbers " + std::to_string(primary) + "/" +
               std::to_string(secondary) + " differ at 0x4";
    }
    uint32_t type = LoadU32(b + offsetof(BaseBlock, fileType));
    if (type != fileType && !(fileType == 1 && type == 2)) {
        return "file type " + std::to_string(type) + " at " + Hex(offsetof(BaseBlock, fileType));
    }
    return {};
}

} // namespace hivelet::regf
