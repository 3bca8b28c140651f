#include "platform/regf/Recovery.h"

#include "platform/regf/Errors.h"

#include <algorithm>
#include <cstring>

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
    return BaseBlockChecksum(file) != LoadU32(file + offsetof(BaseBlock, checksum)) ||
           Sequence(file, offsetof(BaseBlock, primarySequence)) !=
               Sequence(file, offsetof(BaseBlock, secondarySequence));
}

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
    uint32_t bins = report.binsSizeAfter;
    if (bins > kMaxBinsDataSize || bins % kBinGranularity != 0) {
        return FailureAt(ErrorKind::Corrupt, name, "recovered bins data size " + Hex(bins),
                         offsetof(BaseBlock, binsDataSize));
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
