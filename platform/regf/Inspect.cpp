// The facts `hivelet-regf info` prints: the base block as stored, the logs beside the hive, what
// replaying them does, and the space the (recovered) hive uses against its compact copy.
#include "platform/regf/Compact.h"
#include "platform/regf/Errors.h"
#include "platform/regf/InputFile.h"
#include "platform/regf/LogFiles.h"
#include "platform/regf/Recovery.h"

#include <cstring>
#include <fstream>

namespace hivelet::regf {
namespace {

// Counts what it is given, keeps nothing.
class CountingSink : public ByteSink {
public:
    bool write(const uint8_t*, size_t size) override {
        bytes += size;
        return true;
    }
    bool patch(uint64_t offset, const void*, size_t size) override {
        return offset + size <= bytes;
    }
    uint64_t bytes = 0;
};

std::string DescribeLog(const LogImage& log) {
    std::string text = BaseName(log.path) + ": ";
    if (log.size() == 0) {
        return text + "empty";
    }
    if (log.size() < 512 || std::memcmp(log.data(), "regf", 4) != 0) {
        return text + "no base block copy";
    }
    uint32_t type = LoadU32(log.data() + offsetof(BaseBlock, fileType));
    text += type == 6                ? "new format"
            : type == 1 || type == 2 ? "old format"
                                     : "file type " + std::to_string(type);
    text += ", sequence number " + std::to_string(LoadU32(log.data() + 4)) + ", " +
            std::to_string(log.size()) + " bytes";
    std::string fault = LogBaseBlockFault(log, type == 2 ? 1 : type);
    return fault.empty() ? text : text + " (" + fault + ")";
}

} // namespace

Status InspectHiveFile(const std::string& path, HiveFacts& facts) {
    facts = {};
    BaseBlock base{};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return Failure(ErrorKind::Io, path, "cannot open");
        }
        in.read(reinterpret_cast<char*>(&base), sizeof base);
        if (in.gcount() != sizeof base || std::memcmp(base.signature, "regf", 4) != 0) {
            return Failure(ErrorKind::NotAHive, path, "no registry hive base block (\"regf\")");
        }
        in.seekg(0, std::ios::end);
        facts.fileSize = static_cast<uint64_t>(in.tellg());
    }
    facts.majorVersion = base.majorVersion;
    facts.minorVersion = base.minorVersion;
    facts.primarySequence = base.primarySequence;
    facts.secondarySequence = base.secondarySequence;
    facts.checksumValid =
        BaseBlockChecksum(reinterpret_cast<const uint8_t*>(&base)) == base.checksum;
    facts.lastWritten = base.lastWritten;
    facts.lastReorganized = base.lastReorganized & ~uint64_t{3};
    facts.reorganizedDefragmented = (base.lastReorganized & 1) != 0;
    facts.reorganizedAccessCleared = (base.lastReorganized & 2) != 0;
    facts.binsDataSize = base.binsDataSize;
    std::vector<LogImage> logs;
    if (Status s = ReadTransactionLogs(path, logs); !s.ok()) {
        return s;
    }
    for (const LogImage& log : logs) {
        facts.logs.push_back(DescribeLog(log));
    }

    InputFile input;
    Hive hive;
    if (Status s = OpenHiveFile(path, input, hive, facts.recovery); !s.ok()) {
        return s;
    }
    for (const Hive::Bin& bin : hive.binList()) {
        for (uint32_t cell = bin.offset + kBinHeaderSize; cell < bin.offset + bin.size;) {
            int32_t raw = static_cast<int32_t>(LoadU32(hive.bins() + cell));
            uint32_t size = raw < 0 ? 0u - static_cast<uint32_t>(raw) : static_cast<uint32_t>(raw);
            (raw < 0 ? facts.allocatedBytes : facts.freeBytes) += size;
            cell += size; // tiling was checked when the hive was opened
        }
    }
    CountingSink sink;
    if (Status s = CompactHive(hive, {}, sink); !s.ok()) {
        return s;
    }
    facts.compactSize = sink.bytes;
    return {};
}

} // namespace hivelet::regf
