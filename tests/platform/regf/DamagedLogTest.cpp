// Logs damaged the ways torn writes and hostile files damage them, each on its own: replay goes
// exactly as far as the format allows and says where and why it stopped, or the hive is refused
// with a message naming the log and the offset.
#include "LogTestSupport.h"
#include "Sha256.h"

#include "platform/image/demo/UnflushedHive.h"
#include "platform/regf/Format.h"
#include "platform/regf/Recovery.h"
#include "platform/regf/Regf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace hivelet::regf {
namespace {

using namespace regf_test;

class RegfDamagedLogs : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_SAMPLE_HIVES();
        log1_ = ReadBytes(RegipyData() / "UsrClass.dat.LOG1");
        log2_ = ReadBytes(RegipyData() / "UsrClass.dat.LOG2");
        ASSERT_EQ(LogEntries(log1_).size(), 4u);
        ASSERT_EQ(LogEntries(log2_).size(), 10u);
    }
    // UsrClass.dat (entries 287-290 in LOG1, 291-300 in LOG2) with the logs given.
    Status Recover(const std::vector<uint8_t>& log1, const std::vector<uint8_t>& log2, Recovery& r,
                   const std::string& hive = "UsrClass.dat") {
        return RecoverStaged(RegipyData() / hive, hive, {{log1, ".LOG1"}, {log2, ".LOG2"}}, r);
    }
    // Recovers a copy of `source` named `name` beside the logs given, into recovered_.
    Status RecoverStaged(const fs::path& source, const std::string& name,
                         const std::vector<std::pair<std::vector<uint8_t>, std::string>>& logs,
                         Recovery& r) {
        ScratchFolder stage;
        fs::path staged = StageBytes(stage, source, name, logs);
        Status s = RecoverHiveFile(staged.string(), folder_.file("out"), r);
        recovered_ = s.ok() ? ReadBytes(folder_.file("out")) : std::vector<uint8_t>{};
        fs::remove(folder_.file("out"));
        return s;
    }
    // Replay stopped inside LOG2 after `last`, for the reason given.
    void ExpectStoppedAfter(const Status& s, const Recovery& r, uint32_t last,
                            const std::string& why, size_t entryOffset) {
        ASSERT_TRUE(s.ok()) << s.message;
        EXPECT_TRUE(r.recovered && r.damaged);
        EXPECT_EQ(r.entries, last - 286);
        EXPECT_EQ(r.sequence, last + 1);
        ASSERT_GE(recovered_.size(), 4096u);
        EXPECT_EQ(U32(recovered_, 4), last + 1);
        EXPECT_EQ(U32(recovered_, 8), last + 1);
        std::string where = "UsrClass.dat.LOG2: entry at 0x" + Hex(entryOffset) + ": " + why;
        EXPECT_NE(r.stop.find(where), std::string::npos) << r.stop << " / " << where;
        EXPECT_NE(r.summary().find("replay stopped early: " + where), std::string::npos)
            << r.summary();
        EXPECT_NE(Sha256Hex(recovered_.data() + 4096, U32(recovered_, 40)),
                  NewFormatSets()[1].sha256);
    }
    static std::string Hex(size_t v) {
        std::string text;
        do {
            text.insert(text.begin(), "0123456789abcdef"[v & 0xF]);
            v >>= 4;
        } while (v != 0);
        return text;
    }
    ScratchFolder folder_;
    std::vector<uint8_t> log1_;
    std::vector<uint8_t> log2_;
    std::vector<uint8_t> recovered_;
};

TEST_F(RegfDamagedLogs, BadHashesStopReplayBeforeTheEntry) {
    const EntryAt third = LogEntries(log2_)[2]; // sequence 293
    {
        std::vector<uint8_t> log2 = log2_;
        log2[third.offset + third.size - 1] ^= 0x40; // a page byte: Hash-1 no longer matches
        Recovery r;
        ExpectStoppedAfter(Recover(log1_, log2, r), r, 292, "bad Hash-1", third.offset);
    }
    {
        std::vector<uint8_t> log2 = log2_;
        log2[third.offset + 8] ^= 0x01; // the flags: only Hash-2 covers them
        Recovery r;
        ExpectStoppedAfter(Recover(log1_, log2, r), r, 292, "bad Hash-2", third.offset);
    }
}

TEST_F(RegfDamagedLogs, AGapInTheSequenceStopsReplay) {
    std::vector<uint8_t> log2 = log2_;
    const EntryAt third = LogEntries(log2)[2];
    PutU32(log2, third.offset + 12, 294); // 291, 292, then 294
    Rehash(log2, third.offset);
    Recovery r;
    ExpectStoppedAfter(Recover(log1_, log2, r), r, 292, "sequence number 294, not 293",
                       third.offset);
}

TEST_F(RegfDamagedLogs, ATruncatedEntryStopsReplay) {
    std::vector<uint8_t> log2 = log2_;
    const EntryAt fourth = LogEntries(log2)[3];
    log2.resize(fourth.offset + fourth.size / 2);
    Recovery r;
    ExpectStoppedAfter(Recover(log1_, log2, r), r, 293, "truncated", fourth.offset);
}

TEST_F(RegfDamagedLogs, APageReferenceOutsideTheBinsStopsReplay) {
    std::vector<uint8_t> log2 = log2_;
    const EntryAt second = LogEntries(log2)[1];
    uint32_t bins = U32(log2, second.offset + 16);
    PutU32(log2, second.offset + 40, bins); // the first page starts where the bins end
    Rehash(log2, second.offset);
    Recovery r;
    const std::string bound = "0x" + Hex(bins);
    ExpectStoppedAfter(Recover(log1_, log2, r), r, 291,
                       "page " + bound + " (0x" + Hex(U32(log2, second.offset + 44)) +
                           " bytes) lies outside the hive bins data size " + bound,
                       second.offset);
}

TEST_F(RegfDamagedLogs, SequenceNumbersWrapAt2To32) {
    // The same logs renumbered so that 287 becomes 0xFFFFFFF8: entry 295 is then 0.
    const uint32_t shift = 0xFFFFFFF8u - 287u;
    std::vector<uint8_t> primary = ReadBytes(RegipyData() / "UsrClass.dat");
    PutU32(primary, 4, U32(primary, 4) + shift);
    PutU32(primary, 8, U32(primary, 8) + shift);
    FixChecksum(primary);
    std::vector<uint8_t> logs[] = {log1_, log2_};
    for (std::vector<uint8_t>& log : logs) {
        PutU32(log, 4, U32(log, 4) + shift);
        PutU32(log, 8, U32(log, 8) + shift);
        FixChecksum(log);
        for (const EntryAt& e : LogEntries(log)) {
            PutU32(log, e.offset + 12, e.sequence + shift);
            Rehash(log, e.offset);
        }
    }
    ScratchFolder wrapped;
    WriteBytes(wrapped.path() / "UsrClass.dat", primary);
    Recovery r;
    Status s = RecoverStaged(wrapped.path() / "UsrClass.dat", "UsrClass.dat",
                             {{logs[1], ".LOG1"}, {logs[0], ".LOG2"}}, r);
    ASSERT_TRUE(s.ok()) << s.message;
    const std::vector<uint8_t>& out = recovered_;
    EXPECT_EQ(r.entries, 14u);
    EXPECT_FALSE(r.damaged);
    EXPECT_EQ(U32(out, 4), 6u); // 300 + shift + 1, past the wrap
    EXPECT_EQ(U32(out, 8), 6u);
    EXPECT_EQ(Sha256Hex(out.data() + 4096, U32(out, 40)), NewFormatSets()[1].sha256);
    ASSERT_EQ(r.applied.size(), 2u);
    EXPECT_EQ(r.applied[0].firstSequence, 0xFFFFFFF8u); // the earlier log first, across the wrap
    EXPECT_EQ(r.applied[1].lastSequence, 5u);
}

// transactions_NTUSER.DAT has one usable log (its LOG2 is stale): damage to that one leaves none.
class RegfDamagedOnlyLog : public RegfDamagedLogs {
protected:
    Status RecoverTransactions(const std::vector<uint8_t>& log1, Recovery& r) {
        const NewFormatSet& set = NewFormatSets()[2];
        return Recover(log1, ReadBytes(RegipyData() / set.log2), r, set.hive);
    }
    void ExpectRefused(const Status& s, const Recovery& r, const std::string& why) {
        EXPECT_EQ(s.kind, ErrorKind::Dirty);
        EXPECT_NE(s.message.find("transactions_NTUSER.DAT: dirty: its newest changes are in "
                                 "transaction logs that are missing or unusable"),
                  std::string::npos)
            << s.message;
        EXPECT_NE(s.message.find(why), std::string::npos) << s.message;
        EXPECT_NE(s.message.find("transactions_NTUSER.DAT.LOG2: stale"), std::string::npos)
            << s.message;
        EXPECT_FALSE(r.recovered);
        EXPECT_TRUE(recovered_.empty());
    }
};

TEST_F(RegfDamagedOnlyLog, AWrongFirstSequenceNumberLeavesNoUsableLog) {
    std::vector<uint8_t> log1 = ReadBytes(RegipyData() / NewFormatSets()[2].log1);
    const EntryAt first = LogEntries(log1)[0];
    PutU32(log1, first.offset + 12, 567);
    Rehash(log1, first.offset);
    Recovery r;
    ExpectRefused(RecoverTransactions(log1, r), r,
                  "transactions_NTUSER.DAT.LOG1: entry at 0x200: sequence number 567, not the "
                  "log's own 566");
}

TEST_F(RegfDamagedOnlyLog, AWrongFileTypeLeavesNoUsableLog) {
    std::vector<uint8_t> log1 = ReadBytes(RegipyData() / NewFormatSets()[2].log1);
    PutU32(log1, 28, 0);
    FixChecksum(log1);
    Recovery r;
    ExpectRefused(RecoverTransactions(log1, r), r,
                  "transactions_NTUSER.DAT.LOG1: file type 0 at 0x1c");
}

TEST_F(RegfDamagedLogs, BothLogsBadIsARefusalThatNamesBoth) {
    std::vector<uint8_t> log1 = log1_;
    std::vector<uint8_t> log2 = log2_;
    log1[100] ^= 1; // the base block copies' checksums no longer match
    log2[0] = 'x';  // and this one is no base block at all
    Recovery r;
    Status s = Recover(log1, log2, r);
    EXPECT_EQ(s.kind, ErrorKind::Dirty);
    EXPECT_NE(s.message.find("sequence numbers 256/255 differ at 0x4"), std::string::npos)
        << s.message;
    EXPECT_NE(s.message.find("UsrClass.dat.LOG1: base block copy checksum is wrong at 0x1fc"),
              std::string::npos)
        << s.message;
    EXPECT_NE(s.message.find("UsrClass.dat.LOG2: no base block copy (\"regf\") at 0x0"),
              std::string::npos)
        << s.message;
    EXPECT_EQ(s.message.find('\n'), std::string::npos);
    EXPECT_FALSE(r.recovered);
}

TEST_F(RegfDamagedLogs, AnOldFormatLogOfAnotherStateIsNotApplied) {
    const fs::path dir = SampleFolder() / "yarp/hives_for_tests/OldDirtyHive";
    std::vector<uint8_t> log = ReadBytes(dir / "OldDirtyHive.LOG1");
    PutU32(log, 12, U32(log, 12) + 1); // last written one tick later than the primary's
    FixChecksum(log);
    ScratchFolder stage;
    fs::path hive = StageBytes(stage, dir / "OldDirtyHive", "OldDirtyHive", {{log, ".LOG1"}});
    Recovery r;
    Status s = RecoverHiveFile(hive.string(), folder_.file("out"), r);
    EXPECT_EQ(s.kind, ErrorKind::Dirty);
    EXPECT_NE(s.message.find("OldDirtyHive.LOG1: its base block copy was written at"),
              std::string::npos)
        << s.message;
    EXPECT_NE(s.message.find("(at 0xc): it records another state of the hive"), std::string::npos)
        << s.message;
    EXPECT_FALSE(fs::exists(folder_.file("out")));
}

// An old-format log's dirty pages are one flush: a part of them is a state the hive never was in.
TEST_F(RegfDamagedLogs, AnOldFormatLogIsAppliedWholeOrNotAtAll) {
    const fs::path dir = SampleFolder() / "yarp/hives_for_tests/OldDirtyHive";
    const std::vector<uint8_t> whole = ReadBytes(dir / "OldDirtyHive.LOG1");
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + 21504); // 40 of its 64 dirty pages
    std::vector<uint8_t> badBin = whole;
    badBin[17408] = 'x'; // the "hbin" of the dirty bin at 0x6b000
    auto recover = [&](const std::vector<std::pair<std::vector<uint8_t>, std::string>>& logs,
                       Recovery& r) {
        return RecoverStaged(dir / "OldDirtyHive", "OldDirtyHive", logs, r);
    };
    const std::pair<std::vector<uint8_t>, std::string> damaged[] = {
        {cut, "OldDirtyHive.LOG1: the log ends at 0x5400 after 40 of 64 dirty pages"},
        {badBin, "OldDirtyHive.LOG1: the dirty bin at 0x6b000 is not a sound bin"},
    };
    Recovery intact;
    ASSERT_TRUE(recover({{whole, ".LOG1"}}, intact).ok());
    const std::vector<uint8_t> reference = recovered_;
    for (const auto& [log1, why] : damaged) {
        SCOPED_TRACE(why);
        Recovery r;
        Status s = recover({{log1, ".LOG1"}}, r);
        EXPECT_EQ(s.kind, ErrorKind::Dirty);
        EXPECT_NE(s.message.find(why), std::string::npos) << s.message;
        EXPECT_FALSE(r.recovered);
        // A whole LOG2 of a later state stands in for it.
        std::vector<uint8_t> log2 = whole;
        PutU32(log2, 12, U32(log2, 12) + 1);
        FixChecksum(log2);
        Recovery fallback;
        s = recover({{log1, ".LOG1"}, {log2, ".LOG2"}}, fallback);
        ASSERT_TRUE(s.ok()) << s.message;
        ASSERT_EQ(fallback.applied.size(), 1u);
        EXPECT_EQ(BaseName(fallback.applied[0].path), "OldDirtyHive.LOG2");
        EXPECT_EQ(fallback.applied[0].pages, 64u);
        EXPECT_FALSE(fallback.damaged);
        EXPECT_TRUE(recovered_ == reference);
    }
}

// One logged page holding a bin header that runs to nearly 2 GiB must not make recovery reserve
// the 2 GiB: the logs must write all of the bins they grow.
TEST(RegfRecoveryGrowth, TheLogsMustWriteEveryPageOfTheBinsTheyGrow) {
    ScratchFolder stage;
    const std::string clean = stage.file("clean");
    ASSERT_TRUE(WriteHiveFile(RichTree(5), clean).ok());
    std::vector<uint8_t> primary = ReadBytes(clean);
    const uint32_t bins = U32(primary, 40);
    const uint32_t sequence = U32(primary, 8) + 1;
    std::vector<uint8_t> claimed = primary;
    claimed.resize(kBaseBlockSize + bins + kBinGranularity, 0);
    uint8_t* bin = claimed.data() + kBaseBlockSize + bins;
    std::memcpy(bin, "hbin", 4);
    StoreU32(bin + 4, bins);
    StoreU32(bin + 8, 0x7FFFF000 - bins);
    PutU32(claimed, 40, 0x7FFFF000);
    std::vector<LogImage> logs(1);
    std::vector<uint8_t> log = image::demo::NewFormatLogStart(primary.data(), sequence);
    image::demo::AppendNewFormatLogEntry(log, claimed.data(), sequence, bins / kBinGranularity, 1);
    logs[0].path = "clean.LOG1";
    logs[0].suffix = ".LOG1";
    logs[0].bytes = log.data();
    logs[0].length = log.size();
    PutU32(primary, 4, sequence);
    FixChecksum(primary);
    RecoveryPlan plan;
    Recovery r;
    Status s = PlanRecovery(primary.data(), primary.size(), "clean", logs, plan, r);
    EXPECT_EQ(s.kind, ErrorKind::Corrupt);
    char past[16];
    std::snprintf(past, sizeof past, "0x%x", kBaseBlockSize + bins + kBinGranularity);
    EXPECT_NE(s.message.find("the logs grow the bins to 0x7ffff000 bytes, but write nothing at " +
                             std::string(past)),
              std::string::npos)
        << s.message;
    EXPECT_FALSE(r.recovered);
}

} // namespace
} // namespace hivelet::regf
