#include "platform/regf/fuzz/SelfCheck.h"

#include "platform/regf/Compact.h"
#include "platform/regf/Dump.h"
#include "platform/regf/Format.h"
#include "platform/regf/Verify.h"

#include <vector>

namespace hivelet::regf {

SelfCheckResult SelfCheckHiveBytes(const uint8_t* data, size_t size, std::string& detail) {
    Hive hive;
    if (!hive.open(data, size, "input").ok()) {
        return SelfCheckResult::Refused;
    }
    (void)VerifyHive(hive, false);
    std::string before;
    Status dumped = DumpHive(hive, before);
    MemorySink copy;
    Status compacted = CompactHive(hive, {}, copy);
    if (!compacted.ok()) {
        return SelfCheckResult::Refused;
    }
    if (!dumped.ok()) {
        detail = "compacted a hive that does not dump: " + dumped.message;
        return SelfCheckResult::Violation;
    }
    Hive output;
    if (Status s = output.open(copy.bytes.data(), copy.bytes.size(), "copy"); !s.ok()) {
        detail = s.message;
        return SelfCheckResult::Violation;
    }
    if (Status s = VerifyHive(output, true); !s.ok()) {
        detail = s.message;
        return SelfCheckResult::Violation;
    }
    std::string after;
    if (Status s = DumpHive(output, after); !s.ok()) {
        detail = s.message;
        return SelfCheckResult::Violation;
    }
    if (before != after) {
        detail = "the copy holds a different tree";
        return SelfCheckResult::Violation;
    }
    return SelfCheckResult::RoundTrip;
}

SelfCheckResult SelfCheckFuzzInput(const uint8_t* data, size_t size, std::string& detail) {
    std::vector<uint8_t> bytes(data, data + size);
    if (bytes.size() >= kBaseBlockSize) {
        StoreU32(bytes.data() + offsetof(BaseBlock, checksum), BaseBlockChecksum(bytes.data()));
    }
    return SelfCheckHiveBytes(bytes.data(), bytes.size(), detail);
}

} // namespace hivelet::regf
