// Dirty hives for the recovery tests: sample hives staged with chosen logs under chosen names,
// and the edits that damage a log the way a torn write or a hostile file would.
#pragma once

#include "RegfTestSupport.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace regf_test {

// The three dirty samples with new-format logs, and the digest of their recovered bins as
// published beside the samples.
struct NewFormatSet {
    std::string hive; // under regipy/regipy_tests/data/
    std::string log1; // file names as stored (one set is lower case)
    std::string log2;
    uint32_t entries;      // applied in all
    uint32_t lastSequence; // of the last applied entry
    uint32_t binsBefore;
    uint32_t binsAfter;
    std::string sha256; // of the recovered bins data
};
const std::vector<NewFormatSet>& NewFormatSets();

fs::path RegipyData();

// Copies `hive` into `folder` as `name` and each (source, suffix) beside it as name + suffix.
fs::path Stage(const ScratchFolder& folder, const fs::path& hive, const std::string& name,
               const std::vector<std::pair<fs::path, std::string>>& logs);
// The same with log bytes given.
fs::path StageBytes(const ScratchFolder& folder, const fs::path& hive, const std::string& name,
                    const std::vector<std::pair<std::vector<uint8_t>, std::string>>& logs);

// The HvLE entries of a new-format log, in file order, as far as they chain by their sizes.
struct EntryAt {
    size_t offset;
    uint32_t size;
    uint32_t sequence;
};
std::vector<EntryAt> LogEntries(const std::vector<uint8_t>& log);

// Recomputes an entry's Hash-1 and Hash-2 after an edit, so only the edit is wrong.
void Rehash(std::vector<uint8_t>& log, size_t entryOffset);
// Recomputes a base block (or a log's base block copy) checksum.
void FixChecksum(std::vector<uint8_t>& bytes);

uint32_t U32(const std::vector<uint8_t>& bytes, size_t offset);
void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

} // namespace regf_test
