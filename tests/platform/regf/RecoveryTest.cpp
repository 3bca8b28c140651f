// Dirty sample hives recovered from their logs: the published digests of the recovered bins in
// either log order, the base block Windows writes back, the old DIRT format against what
// Windows 7 made of the same hive, a damaged primary base block, and the cases where the logs
// must not be used at all.
#include "LogTestSupport.h"
#include "Sha256.h"
#include "platform/regf/support/DirtyHive.h"

#include "platform/regf/Format.h"
#include "platform/regf/Marvin32.h"
#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace hivelet::regf {
namespace {

using namespace regf_test;

TEST(RegfMarvin32, PublishedVectors) {
    // .NET's reference vectors for seed 0x004FB61A001BDBCC, inputs of 0 to 7 bytes.
    struct Vector {
        std::vector<uint8_t> input;
        uint64_t hash;
    };
    const Vector vectors[] = {
        {{}, 0x30ED35C100CD3C7Dull},
        {{0xAF}, 0x48E73FC77D75DDC1ull},
        {{0xE7, 0x0F}, 0xB5F6E1FC485DBFF8ull},
        {{0x37, 0xF4, 0x95}, 0xF0B07C789B8CF7E8ull},
        {{0x86, 0x42, 0xDC, 0x59}, 0x7008F2E87E9CF556ull},
        {{0x15, 0x3F, 0xB7, 0x98, 0x26}, 0xE6C08C6DA2AFA997ull},
        {{0x09, 0x32, 0xE6, 0x24, 0x6C, 0x47}, 0x6F04BF1A5EA24060ull},
        {{0xAB, 0x42, 0x7E, 0xA8, 0xD1, 0x0F, 0xC7}, 0xE11847E4F0678C41ull},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(Marvin32(v.input.data(), v.input.size(), 0x004FB61A001BDBCCull), v.hash)
            << v.input.size() << " bytes";
    }
}

TEST(RegfMarvin32, FourAtOnceEqualsOneByOne) {
    std::vector<uint8_t> bytes = Pattern(5000, 3);
    // Lengths that share no common multiple of four, so each lane finishes on its own.
    const size_t lengths[][4] = {{0, 1, 2, 3}, {4096, 17, 4993, 512}, {7, 7, 7, 7}};
    for (const auto& set : lengths) {
        const uint8_t* data[4] = {bytes.data(), bytes.data() + 1, bytes.data() + 2, bytes.data()};
        uint64_t hashes[4];
        Marvin32x4(data, set, kLogEntrySeed, hashes);
        for (int lane = 0; lane < 4; ++lane) {
            EXPECT_EQ(hashes[lane], Marvin32(data[lane], set[lane], kLogEntrySeed))
                << "lane " << lane << ", " << set[lane] << " bytes";
        }
    }
}

class RegfRecovery : public SampleHiveTest {
protected:
    // Recovers `hive` into the folder and returns the recovered bytes.
    std::vector<uint8_t> Recovered(const fs::path& hive, Recovery& recovery) {
        std::string out = folder_.file("recovered-" + std::to_string(++count_));
        Status s = RecoverHiveFile(hive.string(), out, recovery);
        EXPECT_TRUE(s.ok()) << s.message;
        return ReadBytes(out);
    }
    ScratchFolder folder_;
    int count_ = 0;
};

std::string BinsDigest(const std::vector<uint8_t>& file) {
    uint32_t bins = U32(file, 40);
    if (file.size() < 4096 + uint64_t{bins}) {
        return "truncated";
    }
    return Sha256Hex(file.data() + 4096, bins);
}

TEST_F(RegfRecovery, NewFormatSetsGiveThePublishedBinsInEitherLogOrder) {
    for (const NewFormatSet& set : NewFormatSets()) {
        const fs::path hive = RegipyData() / set.hive;
        const fs::path log1 = RegipyData() / set.log1;
        const fs::path log2 = RegipyData() / set.log2;
        const std::vector<uint8_t> primary = ReadBytes(hive);
        for (bool swapped : {false, true}) {
            SCOPED_TRACE(set.hive + (swapped ? ", logs swapped" : ""));
            ScratchFolder stage;
            fs::path staged =
                Stage(stage, hive, set.hive,
                      {{swapped ? log2 : log1, ".LOG1"}, {swapped ? log1 : log2, ".LOG2"}});
            Recovery r;
            std::vector<uint8_t> out = Recovered(staged, r);
            ASSERT_GE(out.size(), 4096u);
            EXPECT_EQ(BinsDigest(out), set.sha256);
            EXPECT_TRUE(r.dirty && r.recovered && !r.damaged && !r.oldFormat);
            EXPECT_EQ(r.entries, set.entries);
            EXPECT_EQ(r.binsSizeBefore, set.binsBefore);
            EXPECT_EQ(r.binsSizeAfter, set.binsAfter);
            // What Windows writes back: both sequence numbers one past the last entry, the
            // checksum right, the bins size updated, nothing else in the base block changed.
            EXPECT_EQ(U32(out, 4), set.lastSequence + 1);
            EXPECT_EQ(U32(out, 8), set.lastSequence + 1);
            EXPECT_EQ(U32(out, 40), set.binsAfter);
            EXPECT_EQ(U32(out, 508), BaseBlockChecksum(out.data()));
            for (size_t i = 0; i < 4096; ++i) {
                bool field = (i >= 4 && i < 12) || (i >= 40 && i < 44) || (i >= 144 && i < 148) ||
                             (i >= 508 && i < 512);
                if (!field && out[i] != primary[i]) {
                    ADD_FAILURE() << "base block byte " << i << " changed";
                    break;
                }
            }
            EXPECT_EQ(out.size(), std::max<size_t>(primary.size(), 4096 + set.binsAfter));
            // The earlier log is applied first whatever its name.
            ASSERT_FALSE(r.applied.empty());
            EXPECT_EQ(fs::path(r.applied.front().path).filename(),
                      swapped ? set.hive + ".LOG2" : set.hive + ".LOG1");
            EXPECT_EQ(r.applied.back().lastSequence, set.lastSequence);
            EXPECT_NE(r.summary().find(std::to_string(set.entries) + " entries"), std::string::npos)
                << r.summary();
        }
    }
}

TEST_F(RegfRecovery, LogsAreFoundIgnoringCaseAndAStaleLogIsSkipped) {
    // The stored names are lower case: "transactions_ntuser.dat.log1" for
    // "transactions_NTUSER.DAT".
    const NewFormatSet& set = NewFormatSets()[2];
    Recovery r;
    std::vector<uint8_t> out = Recovered(RegipyData() / set.hive, r);
    EXPECT_EQ(BinsDigest(out), set.sha256);
    ASSERT_EQ(r.applied.size(), 1u);
    // Found by its stored name here; where file names ignore case, by the name asked for.
    auto lower = [](std::string text) {
        for (char& c : text) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return text;
    };
    EXPECT_EQ(lower(fs::path(r.applied[0].path).filename().string()), set.log1);
    EXPECT_EQ(r.applied[0].firstSequence, 566u);
    ASSERT_EQ(r.skipped.size(), 1u);
    EXPECT_NE(lower(r.skipped[0]).find(set.log2 + ": stale"), std::string::npos) << r.skipped[0];
}

TEST_F(RegfRecovery, CompactedCopiesHoldTheRecoveredTree) {
    for (const NewFormatSet& set : NewFormatSets()) {
        SCOPED_TRACE(set.hive);
        const fs::path hive = RegipyData() / set.hive;
        Recovery fromCompact;
        std::string copy = folder_.file(set.hive + ".compact");
        Status s = CompactHiveFile(hive.string(), copy, {}, fromCompact);
        ASSERT_TRUE(s.ok()) << s.message;
        EXPECT_EQ(fromCompact.entries, set.entries);
        EXPECT_TRUE(VerifyCompactHiveFile(copy).ok());
        Recovery r;
        std::vector<uint8_t> recovered = Recovered(hive, r);
        std::string recoveredFile = folder_.file(set.hive + ".recovered");
        WriteBytes(recoveredFile, recovered);
        std::string viaLogs;
        std::string ofRecovered;
        std::string ofCopy;
        ASSERT_TRUE(DumpHiveFile(hive.string(), viaLogs).ok());
        ASSERT_TRUE(DumpHiveFile(recoveredFile, ofRecovered).ok());
        ASSERT_TRUE(DumpHiveFile(copy, ofCopy).ok());
        EXPECT_TRUE(viaLogs == ofRecovered);
        EXPECT_TRUE(ofCopy == ofRecovered) << "the copy holds another tree";
        Status verified = VerifyHiveFile(hive.string());
        EXPECT_TRUE(verified.ok()) << verified.message;
    }
}

TEST_F(RegfRecovery, OldFormatMatchesWhatWindows7Recovered) {
    const fs::path dir = SampleFolder() / "yarp/hives_for_tests/OldDirtyHive";
    Recovery r;
    std::vector<uint8_t> out = Recovered(dir / "OldDirtyHive", r);
    std::vector<uint8_t> windows = ReadBytes(dir / "RecoveredHive_Windows7");
    ASSERT_EQ(out.size(), windows.size());
    EXPECT_TRUE(r.oldFormat && r.recovered && !r.baseBlockRebuilt && !r.damaged);
    ASSERT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.applied[0].pages, 64u);
    // Windows 7 rewrote the first bin's timestamp and one key's largest-value-name field on its
    // own; every other byte of the bins is the log's or the primary's.
    std::vector<size_t> differing;
    for (size_t i = 4096; i < out.size(); ++i) {
        if (out[i] != windows[i]) {
            differing.push_back(i);
        }
    }
    EXPECT_EQ(differing, (std::vector<size_t>{4116, 4117, 4118, 4119, 4120, 441800}));
    // Without replay the bins would differ in many more places.
    std::vector<uint8_t> primary = ReadBytes(dir / "OldDirtyHive");
    size_t primaryDiffs = 0;
    for (size_t i = 4096; i < out.size(); ++i) {
        primaryDiffs += primary[i] != windows[i];
    }
    EXPECT_GT(primaryDiffs, 100u);
    EXPECT_EQ(U32(out, 4), 5u);
    EXPECT_EQ(U32(out, 8), 5u);
    EXPECT_EQ(U32(out, 508), BaseBlockChecksum(out.data()));
}

TEST_F(RegfRecovery, DamagedPrimaryBaseBlockIsRebuiltFromTheLog) {
    const fs::path yarp = SampleFolder() / "yarp/hives_for_tests";
    Recovery rebuilt;
    std::vector<uint8_t> out = Recovered(yarp / "BadBaseBlockHive/BadBaseBlockHive", rebuilt);
    EXPECT_TRUE(rebuilt.baseBlockRebuilt && rebuilt.oldFormat);
    EXPECT_NE(rebuilt.summary().find("base block rebuilt"), std::string::npos);
    ASSERT_GE(out.size(), 4096u);
    EXPECT_EQ(U32(out, 28), 0u); // file type back to "primary"
    EXPECT_EQ(U32(out, 24), 3u); // the log's minor version, not the damaged 1
    EXPECT_EQ(U32(out, 508), BaseBlockChecksum(out.data()));
    // The same hive, damaged only in its base block: the same recovery.
    Recovery plain;
    std::vector<uint8_t> reference = Recovered(yarp / "OldDirtyHive/OldDirtyHive", plain);
    EXPECT_TRUE(out == reference);
    EXPECT_TRUE(VerifyHiveFile((yarp / "BadBaseBlockHive/BadBaseBlockHive").string()).ok());
}

// With the base block damaged nothing in the primary tells the logs apart: the one written later
// holds the state the hive was being given, whichever name it has.
TEST_F(RegfRecovery, WithADamagedBaseBlockTheLaterOldFormatLogIsUsed) {
    const fs::path dir = SampleFolder() / "yarp/hives_for_tests/BadBaseBlockHive";
    const std::vector<uint8_t> log1 = ReadBytes(dir / "BadBaseBlockHive.LOG1");
    for (int step : {1, -1}) {
        SCOPED_TRACE(step);
        std::vector<uint8_t> log2 = log1;
        PutU32(log2, 12, U32(log2, 12) + step); // written a tick after LOG1, or before it
        PutU32(log2, 4, 9);
        PutU32(log2, 8, 9);
        FixChecksum(log2);
        ScratchFolder stage;
        fs::path hive = StageBytes(stage, dir / "BadBaseBlockHive", "BadBaseBlockHive",
                                   {{log1, ".LOG1"}, {log2, ".LOG2"}});
        Recovery r;
        std::vector<uint8_t> out = Recovered(hive, r);
        const bool later = step > 0;
        EXPECT_TRUE(r.baseBlockRebuilt);
        ASSERT_EQ(r.applied.size(), 1u);
        EXPECT_EQ(fs::path(r.applied[0].path).filename(),
                  later ? "BadBaseBlockHive.LOG2" : "BadBaseBlockHive.LOG1");
        ASSERT_GE(out.size(), 4096u);
        EXPECT_EQ(U32(out, 4), later ? 9u : 5u);
        EXPECT_EQ(U32(out, 12), U32(later ? log2 : log1, 12));
    }
}

TEST_F(RegfRecovery, ACleanHiveIsReadAsItIsWhateverItsLogsHold) {
    ScratchFolder stage;
    std::string hive = stage.file("clean");
    ASSERT_TRUE(WriteHiveFile(RichTree(20), hive).ok());
    std::string before;
    ASSERT_TRUE(DumpHiveFile(hive, before).ok());
    WriteBytes(stage.path() / "clean.LOG1", ReadBytes(RegipyData() / "SYSTEM_B.LOG1"));
    WriteBytes(stage.path() / "clean.LOG2", ReadBytes(RegipyData() / "SYSTEM_B.LOG2"));
    Recovery r;
    std::vector<uint8_t> out = Recovered(hive, r);
    EXPECT_FALSE(r.dirty || r.recovered);
    EXPECT_TRUE(r.summary().empty());
    EXPECT_TRUE(out == ReadBytes(hive));
    std::string after;
    ASSERT_TRUE(DumpHiveFile(hive, after).ok());
    EXPECT_TRUE(before == after);
}

// The benchmark's dirty hives: every page in entries split over both logs, the primary one write
// behind. Replay must give back the clean hive's bins, entry for entry.
TEST(RegfRecoveryOfWholeLogs, EveryPageInTheLogsGivesBackTheCleanBins) {
    ScratchFolder stage;
    std::string clean = stage.file("clean");
    WriteOptions churned;
    churned.freeFraction = 0.3;
    ASSERT_TRUE(WriteHiveFile(RichTree(6000), clean, churned).ok());
    std::string dirty = stage.file("dirty");
    ASSERT_TRUE(WriteDirtyHiveWithLogs(clean, dirty));
    const std::vector<uint8_t> before = ReadBytes(clean);
    const uint32_t pages = U32(before, 40) / 4096;
    ASSERT_GT(pages, 128u) << "the tree should need more than two entries";

    Recovery r;
    std::string out = stage.file("recovered");
    Status s = RecoverHiveFile(dirty, out, r);
    ASSERT_TRUE(s.ok()) << s.message;
    EXPECT_TRUE(r.dirty && r.recovered && !r.damaged);
    EXPECT_EQ(r.entries, (pages + 63) / 64);
    ASSERT_EQ(r.applied.size(), 2u);
    EXPECT_EQ(BinsDigest(ReadBytes(out)), BinsDigest(before));
}

// Opening a hive checks only what reading needs; a recovered hive the verifier rejects (here a
// security descriptor whose reference count is one too many) is refused, not written.
TEST(RegfRecoveryOfWholeLogs, ARecoveredHiveTheVerifierRejectsIsNotWritten) {
    ScratchFolder stage;
    std::string clean = stage.file("clean");
    ASSERT_TRUE(WriteHiveFile(RichTree(5), clean).ok());
    std::vector<uint8_t> bytes = ReadBytes(clean);
    const size_t root = 4096 + U32(bytes, offsetof(BaseBlock, rootCell)) + 4;
    const size_t sk = 4096 + U32(bytes, root + offsetof(KeyNodeRecord, security)) + 4;
    ASSERT_EQ(std::memcmp(bytes.data() + sk, "sk", 2), 0);
    const size_t count = sk + offsetof(SecurityRecord, referenceCount);
    PutU32(bytes, count, U32(bytes, count) + 1);
    WriteBytes(clean, bytes);
    std::string dirty = stage.file("dirty");
    ASSERT_TRUE(WriteDirtyHiveWithLogs(clean, dirty));

    Recovery r;
    std::string out = stage.file("recovered");
    Status s = RecoverHiveFile(dirty, out, r);
    EXPECT_EQ(s.kind, ErrorKind::Corrupt);
    EXPECT_NE(s.message.find("security reference count"), std::string::npos) << s.message;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(RegfRecovery, DirtyWithoutLogsIsRefusedAndNothingIsWritten) {
    for (const char* name : {"SYSTEM_2", "NTUSER_BAGMRU.DAT", "SECURITY"}) {
        SCOPED_TRACE(name);
        const fs::path hive = RegipyData() / name;
        Recovery r;
        std::string out = folder_.file(std::string(name) + ".out");
        Status s = RecoverHiveFile(hive.string(), out, r);
        EXPECT_EQ(s.kind, ErrorKind::Dirty);
        EXPECT_NE(s.message.find(hive.string() + ": dirty: its newest changes are in transaction "
                                                 "logs that are missing or unusable"),
                  std::string::npos)
            << s.message;
        EXPECT_NE(s.message.find("at 0x4"), std::string::npos) << s.message;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_TRUE(r.dirty && !r.recovered);
    }
}

TEST_F(RegfRecovery, TheHiveAndItsLogsAreOnlyRead) {
    const NewFormatSet& set = NewFormatSets()[1];
    ScratchFolder stage;
    fs::path hive = Stage(stage, RegipyData() / set.hive, set.hive,
                          {{RegipyData() / set.log1, ".LOG1"}, {RegipyData() / set.log2, ".LOG2"}});
    const std::vector<std::string> files = FolderEntries(stage.path());
    std::vector<std::vector<uint8_t>> before;
    for (const std::string& f : files) {
        before.push_back(ReadBytes(stage.path() / f));
    }
    std::string text;
    ASSERT_TRUE(DumpHiveFile(hive.string(), text).ok());
    ASSERT_TRUE(VerifyHiveFile(hive.string()).ok());
    ASSERT_TRUE(CompactHiveFile(hive.string(), folder_.file("copy")).ok());
    EXPECT_EQ(FolderEntries(stage.path()), files);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(ReadBytes(stage.path() / files[i]) == before[i]) << files[i];
    }
}

} // namespace
} // namespace hivelet::regf
