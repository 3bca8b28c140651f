#include "platform/regf/fuzz/RecoverySelfCheck.h"

#include "platform/regf/Marvin32.h"
#include "platform/regf/Recovery.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace hivelet::regf {
namespace {

// Recovered hives beyond this are not followed into the round trip: the format allows 2 GiB,
// but a fuzzer cannot afford to fill that on every input that claims it.
constexpr uint64_t kFuzzFileSizeCap = uint64_t{64} << 20;

void RepairLog(std::vector<uint8_t>& log, uint8_t repairs) {
    if (log.size() < 512) {
        return;
    }
    if ((repairs & 2) != 0) {
        StoreU32(log.data() + offsetof(BaseBlock, checksum), BaseBlockChecksum(log.data()));
    }
    if ((repairs & 1) == 0) {
        return;
    }
    for (size_t offset = 512; log.size() - offset >= 40;) {
        uint8_t* e = log.data() + offset;
        uint32_t entrySize = LoadU32(e + 4);
        if (std::memcmp(e, "HvLE", 4) != 0 || entrySize < 40 || entrySize > log.size() - offset) {
            break;
        }
        SealLogEntry(e, entrySize);
        offset += entrySize; // an entry of a size the reader refuses ends the chain there
        if (entrySize % 512 != 0) {
            break;
        }
    }
}

SelfCheckResult Violation(std::string& detail, std::string what) {
    detail = std::move(what);
    return SelfCheckResult::Violation;
}

} // namespace

std::string RecoveryFuzzInput(const std::string& hive, const std::string& log1,
                              const std::string& log2, uint8_t repairs) {
    std::string out(1, static_cast<char>(repairs));
    for (uint32_t length :
         {static_cast<uint32_t>(log1.size()), static_cast<uint32_t>(log2.size())}) {
        out.append(reinterpret_cast<const char*>(&length), 4);
    }
    return out + log1 + log2 + hive;
}

SelfCheckResult SelfCheckRecoveryInput(const uint8_t* data, size_t size, std::string& detail) {
    if (size < 9) {
        return SelfCheckResult::Refused;
    }
    const uint8_t repairs = data[0];
    size_t rest = size - 9;
    size_t length1 = std::min<size_t>(LoadU32(data + 1), rest);
    size_t length2 = std::min<size_t>(LoadU32(data + 5), rest - length1);
    const uint8_t* p = data + 9;
    std::vector<LogImage> logs(2);
    std::vector<uint8_t> bytes1(p, p + length1);
    std::vector<uint8_t> bytes2(p + length1, p + length1 + length2);
    std::vector<uint8_t> file(p + length1 + length2, data + size);
    RepairLog(bytes1, repairs);
    RepairLog(bytes2, repairs);
    logs[0] = {"LOG1", ".LOG1", bytes1.data(), bytes1.size(), {}};
    logs[1] = {"LOG2", ".LOG2", bytes2.data(), bytes2.size(), {}};
    if ((repairs & 4) != 0 && file.size() >= kBaseBlockSize) {
        StoreU32(file.data() + offsetof(BaseBlock, checksum), BaseBlockChecksum(file.data()));
    }
    if (!NeedsRecovery(file.data(), file.size())) {
        return SelfCheckResult::Refused; // clean hives are the hive fuzzer's
    }
    RecoveryPlan plan;
    Recovery report;
    Status planned = PlanRecovery(file.data(), file.size(), "hive", logs, plan, report);
    if (!planned.ok()) {
        if (planned.message.empty() || planned.message.find('\n') != std::string::npos) {
            return Violation(detail, "refusal without a one-line reason");
        }
        if (report.recovered) {
            return Violation(detail, "refused but reported as recovered");
        }
        return SelfCheckResult::Refused;
    }
    if (!report.recovered || plan.fileSize < kBaseBlockSize + uint64_t{report.binsSizeAfter} ||
        report.binsSizeAfter > kMaxBinsDataSize) {
        return Violation(detail,
                         "recovery planned a file its bins do not fit: " + report.summary());
    }
    if (plan.fileSize > kFuzzFileSizeCap) {
        return SelfCheckResult::Refused;
    }
    const uint64_t primarySize = file.size();
    file.resize(plan.fileSize);
    ApplyRecovery(plan, file.data(), primarySize);
    const BaseBlock* base = reinterpret_cast<const BaseBlock*>(file.data());
    if (base->primarySequence != base->secondarySequence ||
        base->primarySequence != report.sequence || base->fileType != 0 ||
        base->binsDataSize != report.binsSizeAfter ||
        BaseBlockChecksum(file.data()) != base->checksum ||
        NeedsRecovery(file.data(), file.size())) {
        return Violation(detail, "the recovered base block is not what Windows writes back");
    }
    if (!report.oldFormat && (report.entries == 0 || report.applied.empty() ||
                              report.applied.back().lastSequence + 1 != report.sequence)) {
        return Violation(detail, "recovered without an entry: " + report.summary());
    }
    if (report.summary().empty() || report.summary().find('\n') != std::string::npos) {
        return Violation(detail, "no one-line summary of the recovery");
    }
    return SelfCheckHiveBytes(file.data(), file.size(), detail);
}

} // namespace hivelet::regf
