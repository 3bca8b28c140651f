// Old-format logs (before Windows 8.1): a bitmap of dirty 512-byte pages ("DIRT") followed by
// those pages. One log is applied, whole: LOG1 when it belongs to the primary's state, else LOG2
// by the rule Windows 8 introduced; with a damaged base block the later of the two.
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

// The writes that lay `log`'s dirty pages over the primary, or why the log cannot be used. The
// dirty pages of an old-format log are one flush: a log that lacks some of them, or whose dirty
// bins are not sound, holds a state the hive was never in, so it is used whole or not at all.
std::string PlanPages(const PrimaryState& primary, const LogImage& log, const DirtyVector& vector,
                      uint32_t bins, std::vector<RecoveryPlan::Write>& writes, uint32_t& pages) {
    // Dirty pages in bitmap order, packed one after another in the log.
    const uint32_t pageCount = vector.binsSize / kPage;
    std::vector<const uint8_t*> logPage(pageCount, nullptr);
    uint64_t next = vector.pagesStart;
    uint32_t wanted = 0;
    uint32_t held = 0;
    for (uint32_t page = 0; page < pageCount; ++page) {
        if (!vector.dirty(page)) {
            continue;
        }
        ++wanted;
        if (next + kPage <= log.size()) {
            logPage[page] = log.data() + next;
            next += kPage;
            ++held;
        }
    }
    if (held < wanted) {
        return "the log ends at " + Hex(log.size()) + " after " + std::to_string(held) + " of " +
               std::to_string(wanted) + " dirty pages";
    }

    // Every bin that dirty data touches must be a sound bin.
    Result result{primary, logPage};
    for (uint32_t offset = 0; offset < bins;) {
        BinHeader h = result.header(offset);
        bool sound = std::memcmp(h.signature, "hbin", 4) == 0 && h.offset == offset &&
                     h.size >= kBinGranularity && h.size % kBinGranularity == 0 &&
                     h.size <= bins - offset;
        if (!sound) {
            bool dirty = std::any_of(logPage.begin() + std::min<size_t>(offset / kPage, pageCount),
                                     logPage.end(), [](const uint8_t* p) { return p != nullptr; });
            if (dirty) {
                return "the dirty bin at " + Hex(kBaseBlockSize + uint64_t{offset}) +
                       " is not a sound bin";
            }
            break; // no dirty page lies past it
        }
        offset += h.size;
    }
    writes.clear();
    for (uint32_t page = 0; page < pageCount;) {
        if (logPage[page] == nullptr) {
            ++page;
            continue;
        }
        uint32_t run = page;
        while (run < pageCount && logPage[run] != nullptr &&
               logPage[run] == logPage[page] + uint64_t{run - page} * kPage) {
            ++run;
        }
        writes.push_back({page * kPage, logPage[page], (run - page) * kPage});
        page = run;
    }
    pages = held;
    return {};
}

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
    const bool valid2 = fault2.empty();
    // With a damaged base block the primary's own time cannot be trusted, so there is nothing to
    // match: the log's valid copy stands for the base block, and the dirty bins are checked.
    const bool applicable1 = valid1 && (primary.rebuilt || Timestamp(log1->data()) == hiveTime);
    if (valid1 && !applicable1) {
        fault1 = "its base block copy was written at " + Hex(Timestamp(log1->data())) +
                 ", the hive at " + Hex(hiveTime) + " (at " +
                 Hex(offsetof(BaseBlock, lastWritten)) + "): it records another state of the hive";
    }
    // Windows 8's rule: LOG2 holds a cumulative log when writing the primary failed; it counts
    // when LOG1 is unusable or records an older state than it.
    const bool later2 = valid2 && (!valid1 || Timestamp(log2->data()) > Timestamp(log1->data()));
    if (valid2 && !later2) {
        fault2 = "records no later state than " + BaseName(log1->path);
    }
    struct Candidate {
        const LogImage* log;
        const DirtyVector* vector;
        std::string* fault;
    };
    std::vector<Candidate> candidates;
    if (applicable1) {
        candidates.push_back({log1, &v1, &fault1});
    }
    if (later2) {
        // A damaged base block was being written by the latest flush, whose log is then complete:
        // the later of the two.
        candidates.insert(primary.rebuilt ? candidates.begin() : candidates.end(),
                          {log2, &v2, &fault2});
    }
    const Candidate* chosen = nullptr;
    uint8_t* base = plan.baseBlock.data();
    uint32_t bins = 0;
    uint32_t pages = 0;
    for (const Candidate& c : candidates) {
        if (primary.rebuilt) {
            std::memcpy(base, c.log->data(), kPage);
            StoreU32(base + offsetof(BaseBlock, fileType), 0);
        }
        report.binsSizeBefore = LoadU32(base + offsetof(BaseBlock, binsDataSize));
        bins = std::max(report.binsSizeBefore, c.vector->binsSize);
        *c.fault = PlanPages(primary, *c.log, *c.vector, bins, plan.writes, pages);
        if (c.fault->empty()) {
            chosen = &c;
            break;
        }
    }
    for (const LogImage* log : {log1, log2}) {
        if (log != nullptr && (chosen == nullptr || chosen->log != log)) {
            // A sound log left unused records an earlier state, or the chosen LOG1 the hive's own.
            std::string fault = log == log1 ? fault1 : fault2;
            if (fault.empty()) {
                fault = log == log1 ? "records an earlier state than " + BaseName(log2->path)
                                    : BaseName(log1->path) + " records the hive's own state";
            }
            report.skipped.push_back(BaseName(log->path) + ": " + fault);
        }
    }
    if (chosen == nullptr) {
        report.binsSizeBefore = 0;
        return Failure(ErrorKind::Dirty, primary.name, "no usable log");
    }
    const LogImage& log = *chosen->log;
    report.stop = BaseName(log.path) + ": all " + std::to_string(pages) +
                  " dirty pages applied, up to " +
                  Hex(chosen->vector->pagesStart + uint64_t{pages} * kPage);
    // The log's copy holds the sequence number the interrupted write was giving the hive.
    const uint32_t sequence = LoadU32(log.data() + offsetof(BaseBlock, primarySequence));
    StoreU32(base + offsetof(BaseBlock, primarySequence), sequence);
    StoreU32(base + offsetof(BaseBlock, secondarySequence), sequence);
    StoreU32(base + offsetof(BaseBlock, binsDataSize), bins);
    report.sequence = sequence;
    report.binsSizeAfter = bins;
    report.applied.push_back({log.path, 0, sequence, sequence, pages, report.stop});
    return {};
}

} // namespace hivelet::regf
