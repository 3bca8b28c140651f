#include "LogTestSupport.h"

#include "platform/regf/Format.h"
#include "platform/regf/Marvin32.h"

#include <cstring>

namespace regf_test {

const std::vector<NewFormatSet>& NewFormatSets() {
    static const std::vector<NewFormatSet> sets = {
        {"SYSTEM_B", "SYSTEM_B.LOG1", "SYSTEM_B.LOG2", 24, 2130, 12398592, 12591104,
         "b6e091176b3d00b7b97efdeaeef519b1adfbaa5f6d8118d5c44fa2dcfeb5029a"},
        {"UsrClass.dat", "UsrClass.dat.LOG1", "UsrClass.dat.LOG2", 14, 300, 2830336, 2830336,
         "ecc04a58aa3d2467871e80e393eb8469a5fdd425f37fc88f55308efc2f384930"},
        {"transactions_NTUSER.DAT", "transactions_ntuser.dat.log1", "transactions_ntuser.dat.log2",
         23, 588, 778240, 925696,
         "9c5e83727e19ff8f7fd95b73ba006dbc20dffbeead9ace35a88753f3fc7e4299"},
    };
    return sets;
}

fs::path RegipyData() {
    return SampleFolder() / "regipy/regipy_tests/data";
}

fs::path Stage(const ScratchFolder& folder, const fs::path& hive, const std::string& name,
               const std::vector<std::pair<fs::path, std::string>>& logs) {
    std::vector<std::pair<std::vector<uint8_t>, std::string>> bytes;
    for (const auto& [source, suffix] : logs) {
        bytes.push_back({ReadBytes(source), suffix});
    }
    return StageBytes(folder, hive, name, bytes);
}

fs::path StageBytes(const ScratchFolder& folder, const fs::path& hive, const std::string& name,
                    const std::vector<std::pair<std::vector<uint8_t>, std::string>>& logs) {
    fs::path target = folder.path() / name;
    WriteBytes(target, ReadBytes(hive));
    for (const auto& [bytes, suffix] : logs) {
        WriteBytes(folder.path() / (name + suffix), bytes);
    }
    return target;
}

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

std::vector<EntryAt> LogEntries(const std::vector<uint8_t>& log) {
    std::vector<EntryAt> entries;
    size_t offset = 512;
    while (offset + 40 <= log.size() && std::memcmp(log.data() + offset, "HvLE", 4) == 0) {
        uint32_t size = U32(log, offset + 4);
        if (size < 512 || size > log.size() - offset) {
            break;
        }
        entries.push_back({offset, size, U32(log, offset + 12)});
        offset += size;
    }
    return entries;
}

void Rehash(std::vector<uint8_t>& log, size_t entryOffset) {
    hivelet::regf::SealLogEntry(log.data() + entryOffset, U32(log, entryOffset + 4));
}

void FixChecksum(std::vector<uint8_t>& bytes) {
    PutU32(bytes, 508, hivelet::regf::BaseBlockChecksum(bytes.data()));
}

} // namespace regf_test
