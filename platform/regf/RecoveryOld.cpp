// Old-format logs (before Windows 8.1): a bitmap of dirty 512-byte pages ("DIRT") followed by
// those pages. One log is applied: LOG1 when it belongs to the primary's state, else LOG2 by the
// rule Windows 8 introduced.
#include "platform/regf/Errors.h"
#include "platform/regf/Recovery.h"

#include <algorithm>
#include <cstring>

namespace hivelet::regf {
namespace {

constexpr uint32_t kPage = 512;
constexpr uint32_t kOldLogFileType = 1;

uint64_t Timestamp(const uint8_t* base) {
    uint64_t t;
    std::memcpy(&t, base + offsetof(BaseBlock, lastWritten), 8);
    return t;
}

struct DirtyVector {
    uint32_t binsSize = 0;
    const uint8_t* bitmap = nullptr;
    uint64_t pagesStart = 0;
    bool dirty(uint32_t page) const { return (bitmap[page >> 3] >> (page & 7)) & 1u; }
};

std::string ReadDirtyVector(const LogImage& log, DirtyVector& v) {
    v.binsSize = LoadU32(log.data() + offsetof(BaseBlock, binsDataSize));
    if (v.binsSize == 0 || v.binsSize % kBinGranularity != 0 || v.binsSize > kMaxBinsDataSize) {
        return "hive bins data size " + Hex(v.binsSize) + " at " +
               Hex(offsetof(BaseBlock, binsDataSize));
    }
    const uint64_t bitmapBytes = v.binsSize / kPage / 8;
    if (log.size() < kPage + 4 + bitmapBytes || std::memcmp(log.data() + kPage, "DIRT", 4) != 0) {
        return "no dirty vector (\"DIRT\") at " + Hex(kPage);
    }
    v.bitmap = log.data() + kPage + 4;
    // The pages start at the sector after the vector, however long its bitmap.
    v.pagesStart = kPage + (4 + bitmapBytes + kPage - 1) / kPage * kPage;
    return {};
}

// A bin header the recovered bins will hold at `offset`: from the log where that page is dirty,
// else from the primary file.
struct Result {
    const PrimaryState& primary;
    const std::vector<const uint8_t*>& logPage; // per dirty page applied, its bytes in the log

    BinHeader header(uint32_t offset) const {
        BinHeader h{};
        uint32_t page = offset / kPage;
        if (page < logPage.size() && logPage[page] != nullptr) {
            std::memcpy(&h, logPage[page] + offset % kPage, sizeof h);
        } else if (kBaseBlockSize + uint64_t{offset} + sizeof h <= primary.size) {
            std::memcpy(&h, primary.file + kBaseBlockSize + offset, sizeof h);
        }
        return h;
    }
};

} // namespace

Status PlanOldFormat(const PrimaryState& primary, const std::vector<const LogImage*>& logs,
                     RecoveryPlan& plan, Recovery& report) {
    report.oldFormat = true;
    const LogImage* log1 = nullptr;
    const LogImage* log2 = nullptr;
    for (const LogImage* log : logs) {
        if (log->suffix == ".LOG2") {
            log2 = log;
        } else if (log1 == nullptr || log->suffix == ".LOG1") {
            log1 = log; // .LOG stands in for .LOG1 in the single-log scheme
        }
    }
    DirtyVector v1;
    DirtyVector v2;
    std::string fault1 = log1 ? LogBaseBlockFault(*log1, kOldLogFileType) : "missing";
    std::string fault2 = log2 ? LogBaseBlockFault(*log2, kOldLogFileType) : "missing";
    if (fault1.empty()) {
        fault1 = ReadDirtyVector(*log1, v1);
    }
    if (fault2.empty()) {
        fault2 = ReadDirtyVector(*log2, v2);
    }
    const uint64_t hiveTime = Timestamp(primary.file);
    const bool valid1 = fault1.empty();
    // With a damaged base block the primary's own time cannot be trusted, so there is nothing to
    // match: the log's valid copy stands for the base block, and the dirty bins are checked.
    const bool applicable1 = valid1 && (primary.rebuilt || Timestamp(log1->data()) == hiveTime);
    if (valid1 && !applicable1) {
        fault1 = "its base block copy was written at " + Hex(Timestamp(log1->data())) +
                 ", the hive at " + Hex(hiveTime) + " (at " +
                 Hex(offsetof(BaseBlock, lastWritten)) + "): it records another state of the hive";
    }
    const LogImage* chosen = nullptr;
    const DirtyVector* vector = nullptr;
    if (applicable1) {
        chosen = log1;
        vector = &v1;
    } else if (fault2.empty() && (!valid1 || Timestamp(log2->data()) > Timestamp(log1->data()))) {
        // Windows 8's rule: LOG2 holds a cumulative log when writing LOG1 failed; it counts
        // when LOG1 is unusable or records an older state than it.
        chosen = log2;
        vector = &v2;
    }
    if (log1 != nullptr && chosen != log1) {
        report.skipped.push_back(BaseName(log1->path) + ": " + fault1);
    }
    if (log2 != nullptr && chosen != log2) {
        report.skipped.push_back(
            BaseName(log2->path) + ": " +
            (fault2.empty() ? "records no later state than " + BaseName(log1 ? log1->path : "LOG1")
                            : fault2));
    }
    if (chosen == nullptr) {
        return Failure(ErrorKind::Dirty, primary.name, "no usable log");
    }
    uint8_t* base = plan.baseBlock.data();
    if (primary.rebuilt) {
        std::memcpy(base, chosen->data(), kPage);
        StoreU32(base + offsetof(BaseBlock, fileType), 0);
    }
    const uint32_t binsBefore = LoadU32(base + offsetof(BaseBlock, binsDataSize));
    const uint32_t bins = std::max(binsBefore, vector->binsSize);
    report.binsSizeBefore = binsBefore;

    // Dirty pages in bitmap order, packed one after another in the log.
    const uint32_t pageCount = vector->binsSize / kPage;
    std::vector<const uint8_t*> logPage(pageCount, nullptr);
    uint64_t next = vector->pagesStart;
    uint32_t applied = 0;
    uint32_t wanted = 0;
    for (uint32_t page = 0; page < pageCount; ++page) {
        if (!vector->dirty(page)) {
            continue;
        }
        ++wanted;
        if (next + kPage > chosen->size()) {
            continue;
        }
        logPage[page] = chosen->data() + next;
        next += kPage;
        ++applied;
    }
    if (applied < wanted) {
        report.stop = BaseName(chosen->path) + ": the log ends at " + Hex(chosen->size()) +
                      " after " + std::to_string(applied) + " of " + std::to_string(wanted) +
                      " dirty pages";
        report.damaged = true;
    }

    // Every bin that dirty data touches must be a sound bin where the hive has one; replay stops
    // before the first that is not.
    Result result{primary, logPage};
    uint32_t validEnd = bins;
    for (uint32_t offset = 0; offset < bins;) {
        BinHeader h = result.header(offset);
        bool sound = std::memcmp(h.signature, "hbin", 4) == 0 && h.offset == offset &&
                     h.size >= kBinGranularity && h.size % kBinGranularity == 0 &&
                     h.size <= bins - offset;
        if (!sound) {
            validEnd = offset;
            bool dirty = std::any_of(logPage.begin() + std::min<size_t>(offset / kPage, pageCount),
                                     logPage.end(), [](const uint8_t* p) { return p != nullptr; });
            if (dirty) {
                report.stop = BaseName(chosen->path) + ": the dirty bin at " +
                              Hex(kBaseBlockSize + uint64_t{offset}) +
                              " is not a sound bin; the pages from there on are left out";
                report.damaged = true;
            }
            break;
        }
        offset += h.size;
    }
    applied = 0;
    for (uint32_t page = 0; page < pageCount && page < validEnd / kPage;) {
        if (logPage[page] == nullptr) {
            ++page;
            continue;
        }
        uint32_t run = page;
        while (run < pageCount && run < validEnd / kPage && logPage[run] != nullptr &&
               logPage[run] == logPage[page] + uint64_t{run - page} * kPage) {
            ++run;
        }
        plan.writes.push_back({page * kPage, logPage[page], (run - page) * kPage});
        applied += run - page;
        page = run;
    }
    if (report.stop.empty()) {
        report.stop = BaseName(chosen->path) + ": all " + std::to_string(applied) +
                      " dirty pages applied, up to " + Hex(next);
    }
    // The log's copy holds the sequence number the interrupted write was giving the hive.
    const uint32_t sequence = LoadU32(chosen->data() + offsetof(BaseBlock, primarySequence));
    StoreU32(base + offsetof(BaseBlock, primarySequence), sequence);
    StoreU32(base + offsetof(BaseBlock, secondarySequence), sequence);
    StoreU32(base + offsetof(BaseBlock, binsDataSize), bins);
    report.sequence = sequence;
    report.binsSizeAfter = bins;
    report.applied.push_back({chosen->path, 0, sequence, sequence, applied, report.stop});
    return {};
}

} // namespace hivelet::regf
