#include "platform/regf/Recovery.h"

#include "platform/regf/Errors.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace hivelet::regf {
namespace {

constexpr uint32_t kNewLogFileType = 6;
constexpr uint32_t kOldLogFileType = 1;

uint32_t Sequence(const uint8_t* base, size_t field) {
    return LoadU32(base + field);
}

} // namespace

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool NeedsRecovery(const uint8_t* file, uint64_t size) {
    if (size < kBaseBlockSize || std::memcmp(file, "regf", 4) != 0) {
        return false;
    }
    if (BaseBlockChecksum(file) != LoadU32(file + offsetof(BaseBlock, checksum))) {
        return true;
    }
    // A sound base block of another file type (a log given as the hive) is no dirty hive.
    return LoadU32(file + offsetof(BaseBlock, fileType)) == 0 &&
           Sequence(file, offsetof(BaseBlock, primarySequence)) !=
               Sequence(file, offsetof(BaseBlock, secondarySequence));
}

namespace {

// When the logs grow the hive, they must write every byte of the grown part, and the bins must
// still tile it: every bin header from the start to the new end comes from the primary or from a
// log page. Checked before the grown file is allocated, so a log cannot make recovery reserve
// memory for bins it never wrote (one page holding a bin header of nearly 2 GiB would).
std::string GrowthFault(const uint8_t* primary, uint64_t size, const RecoveryPlan& plan,
                        uint32_t binsBefore, uint32_t bins) {
    std::vector<std::pair<uint32_t, uint32_t>> grown; // the writes' spans past the old end
    for (const RecoveryPlan::Write& w : plan.writes) {
        uint64_t end = std::min<uint64_t>(uint64_t{w.binsOffset} + w.size, bins);
        if (end > binsBefore) {
            grown.push_back({std::max(w.binsOffset, binsBefore), static_cast<uint32_t>(end)});
        }
    }
    std::sort(grown.begin(), grown.end());
    uint32_t covered = binsBefore;
    for (const auto& [from, to] : grown) {
        if (from > covered) {
            break;
        }
        covered = std::max(covered, to);
    }
    if (covered < bins) {
        return "the logs grow the bins to " + Hex(bins) + " bytes, but write nothing at " +
               Hex(kBaseBlockSize + uint64_t{covered});
    }
    // The newest bytes written at each 4 KiB boundary, where bin headers lie.
    std::map<uint32_t, const uint8_t*> written;
    for (const RecoveryPlan::Write& w : plan.writes) {
        uint32_t first = (w.binsOffset + kBinGranularity - 1) / kBinGranularity * kBinGranularity;
        for (uint64_t at = first; at + kBinHeaderSize <= uint64_t{w.binsOffset} + w.size;
             at += kBinGranularity) {
            written[static_cast<uint32_t>(at)] = w.data + (at - w.binsOffset);
        }
    }
    for (uint32_t offset = 0; offset < bins;) {
        BinHeader h{};
        auto found = written.find(offset);
        if (found != written.end()) {
            std::memcpy(&h, found->second, sizeof h);
        } else if (offset < binsBefore && kBaseBlockSize + uint64_t{offset} + sizeof h <= size) {
            std::memcpy(&h, primary + kBaseBlockSize + offset, sizeof h);
        }
        if (std::memcmp(h.signature, "hbin", 4) != 0 || h.offset != offset ||
            h.size < kBinGranularity || h.size % kBinGranularity != 0 || h.size > bins - offset) {
            return "the logs grow the bins to " + Hex(bins) + " bytes, but no sound bin lies at " +
                   Hex(kBaseBlockSize + uint64_t{offset});
        }
        offset += h.size;
    }
    return {};
}

} // namespace

Status PlanRecovery(const uint8_t* primary, uint64_t size, const std::string& name,
                    const std::vector<LogImage>& logs, RecoveryPlan& plan, Recovery& report) {
    report = {};
    report.dirty = true;
    plan = {};
    std::memcpy(plan.baseBlock.data(), primary, kBaseBlockSize);
    const bool rebuilt =
        BaseBlockChecksum(primary) != LoadU32(primary + offsetof(BaseBlock, checksum));
    const std::string why =
        rebuilt
            ? "base block checksum is wrong at " + Hex(offsetof(BaseBlock, checksum))
            : "sequence numbers " +
                  std::to_string(Sequence(primary, offsetof(BaseBlock, primarySequence))) + "/" +
                  std::to_string(Sequence(primary, offsetof(BaseBlock, secondarySequence))) +
                  " differ at " + Hex(offsetof(BaseBlock, primarySequence));

    std::vector<const LogImage*> newFormat;
    std::vector<const LogImage*> oldFormat;
    for (const LogImage& log : logs) {
        std::string asNew = LogBaseBlockFault(log, kNewLogFileType);
        if (asNew.empty()) {
            newFormat.push_back(&log);
        } else if (LogBaseBlockFault(log, kOldLogFileType).empty()) {
            oldFormat.push_back(&log);
        } else {
            report.skipped.push_back(BaseName(log.path) + ": " + asNew);
        }
    }
    PrimaryState state{primary, size, name, rebuilt};
    Status planned;
    if (!newFormat.empty()) {
        planned = PlanNewFormat(state, newFormat, plan, report);
        for (const LogImage* log : oldFormat) {
            report.skipped.push_back(BaseName(log->path) + ": an old-format log beside new ones");
        }
    } else if (!oldFormat.empty()) {
        planned = PlanOldFormat(state, oldFormat, plan, report);
    } else {
        planned = Failure(ErrorKind::Dirty, name, "no log");
    }
    if (!planned.ok()) {
        std::string detail = why;
        if (logs.empty()) {
            detail += "; no .LOG, .LOG1 or .LOG2 beside it";
        }
        for (const std::string& skipped : report.skipped) {
            detail += "; " + skipped;
        }
        if (rebuilt && Sequence(primary, offsetof(BaseBlock, primarySequence)) ==
                           Sequence(primary, offsetof(BaseBlock, secondarySequence))) {
            // Nothing says the hive was being written: a damaged file, not an unfinished one.
            return Failure(ErrorKind::Corrupt, name,
                           "no transaction log holds a usable copy of its damaged base block (" +
                               detail + ")");
        }
        return Failure(ErrorKind::Dirty, name,
                       "its newest changes are in transaction logs that are missing or unusable (" +
                           detail + ")");
    }
    const uint32_t before = report.binsSizeBefore;
    const uint32_t bins = report.binsSizeAfter;
    if (before == 0 || before > kMaxBinsDataSize || before % kBinGranularity != 0 ||
        bins > kMaxBinsDataSize || bins % kBinGranularity != 0) {
        return FailureAt(ErrorKind::Corrupt, name,
                         "bins data size " + Hex(before) + " (" + Hex(bins) + " after replay)",
                         offsetof(BaseBlock, binsDataSize));
    }
    if (size - kBaseBlockSize < before) {
        return FailureAt(ErrorKind::Corrupt, name,
                         "truncated: the base block announces " + std::to_string(before) +
                             " bytes of bins, the file ends after " +
                             std::to_string(size - kBaseBlockSize),
                         size);
    }
    if (bins > before) {
        if (std::string fault = GrowthFault(primary, size, plan, before, bins); !fault.empty()) {
            return Failure(ErrorKind::Corrupt, name, fault);
        }
    }
    report.recovered = true;
    report.baseBlockRebuilt = rebuilt;
    uint8_t* base = plan.baseBlock.data();
    StoreU32(base + offsetof(BaseBlock, checksum), BaseBlockChecksum(base));
    plan.fileSize = std::max<uint64_t>(size, uint64_t{kBaseBlockSize} + bins);
    return {};
}

void ApplyRecovery(const RecoveryPlan& plan, uint8_t* file, uint64_t primarySize) {
    if (plan.fileSize > primarySize) {
        std::memset(file + primarySize, 0, plan.fileSize - primarySize);
    }
    std::memcpy(file, plan.baseBlock.data(), kBaseBlockSize);
    for (const RecoveryPlan::Write& w : plan.writes) {
        std::memcpy(file + kBaseBlockSize + w.binsOffset, w.data, w.size);
    }
}

std::string Recovery::summary() const {
    if (!recovered) {
        return {};
    }
    std::string text = "recovered from its transaction logs: ";
    if (oldFormat) {
        text += std::to_string(applied.empty() ? 0 : applied[0].pages) + " dirty pages from " +
                (applied.empty() ? std::string() : BaseName(applied[0].path));
    } else {
        text += std::to_string(entries) + (entries == 1 ? " entry (" : " entries (");
        for (size_t i = 0; i < applied.size(); ++i) {
            text += (i ? ", " : "") + BaseName(applied[i].path) + " " +
                    std::to_string(applied[i].firstSequence) + "-" +
                    std::to_string(applied[i].lastSequence);
        }
        text += ")";
    }
    if (baseBlockRebuilt) {
        text += ", base block rebuilt from the log";
    }
    if (damaged) {
        text += "; replay stopped early: " + stop;
    }
    return text;
}

} // namespace hivelet::regf
