#include "analysis/Snapshot.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace hivelet::analysis {
namespace {

using fake::FakePlatform;
using platform::RootKey;
using platform::Status;

const std::string Target = "C:\\Windows\\System32\\config\\SOFTWARE.hvt";

class SaveHiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.AddKey(RootKey::LocalMachine, "SOFTWARE");
        fake.AddKey(RootKey::LocalMachine, "SYSTEM");
        fake.AddKey(RootKey::LocalMachine, "sam");
        fake.AddKey(RootKey::Users, "S-1-5-18");
    }
    // The single key open the save made.
    fake::KeyOpenRecord OnlyOpen() {
        auto opens = fake.KeyOpens();
        EXPECT_EQ(opens.size(), 1u);
        return opens.empty() ? fake::KeyOpenRecord{} : opens[0];
    }
    FakePlatform fake;
};

TEST_F(SaveHiveTest, SoftwareUnderWow64IsOpenedForItsFullView) {
    EXPECT_TRUE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Target, true).ok());
    auto open = OnlyOpen();
    EXPECT_EQ(open.root, RootKey::LocalMachine);
    EXPECT_EQ(open.subKey, "SOFTWARE");
    EXPECT_EQ(open.access, 0x101u);
    EXPECT_TRUE(open.closed);
    ASSERT_EQ(fake.Saves().size(), 1u);
    EXPECT_EQ(fake.Saves()[0].file, Target);
    EXPECT_TRUE(fake.HasFile(Target));
}

TEST_F(SaveHiveTest, EveryOtherHiveUsesThePlainOpen) {
    EXPECT_TRUE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", "C:\\a.hvt", false).ok());
    EXPECT_TRUE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SYSTEM", "C:\\b.hvt", true).ok());
    EXPECT_TRUE(SaveHiveToFile(fake, "\\registry\\machine\\sam", "C:\\c.hvt", true).ok());
    EXPECT_TRUE(SaveHiveToFile(fake, "\\REGISTRY\\USER\\S-1-5-18", "C:\\d.hvt", true).ok());
    auto opens = fake.KeyOpens();
    ASSERT_EQ(opens.size(), 4u);
    for (const auto& open : opens) {
        EXPECT_EQ(open.access, std::nullopt) << open.subKey;
        EXPECT_TRUE(open.closed) << open.subKey;
    }
    EXPECT_EQ(opens[2].subKey, "sam"); // the case of the key path is kept
    EXPECT_EQ(opens[3].root, RootKey::Users);
    EXPECT_EQ(opens[3].subKey, "S-1-5-18");
}

TEST_F(SaveHiveTest, StaleTargetIsDeletedInEveryCase) {
    fake.AddFile(Target, 123);
    EXPECT_FALSE(SaveHiveToFile(fake, "\\REGISTRY\\A\\B", Target, false).ok());
    EXPECT_FALSE(fake.HasFile(Target));
    EXPECT_TRUE(fake.KeyOpens().empty());
    EXPECT_TRUE(fake.Saves().empty());

    fake.AddFile(Target, 123);
    fake.FailOpen(RootKey::LocalMachine, "SOFTWARE", platform::error::AccessDenied);
    EXPECT_FALSE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Target, false).ok());
    EXPECT_FALSE(fake.HasFile(Target));
    EXPECT_TRUE(fake.Saves().empty());

    // The deletion comes before the save, so a stale snapshot is replaced.
    fake.AddFile(Target, 123);
    EXPECT_TRUE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SYSTEM", Target, false).ok());
    EXPECT_EQ(fake.File(Target)->size(), 8192u);
    EXPECT_EQ(fake.OpenKeyCount(), 0);
}

TEST_F(SaveHiveTest, HeldTargetOrFailingServiceGivesFalseAndClosesTheKey) {
    fake.AddFile(Target, 123);
    fake.SetHeld(Target, true);
    EXPECT_FALSE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Target, false).ok());
    EXPECT_EQ(fake.File(Target)->size(), 123u);

    fake.ScriptSave(
        RootKey::LocalMachine, "SYSTEM",
        {Status::Fail(platform::error::PrivilegeNotHeld, "no backup right"), 0, nullptr, 0});
    const Status refused = SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SYSTEM", "C:\\s.hvt", false);
    EXPECT_EQ(refused.code, platform::error::PrivilegeNotHeld);
    EXPECT_EQ(refused.detail, "no backup right") << "the service's reason is kept";
    EXPECT_EQ(fake.OpenKeyCount(), 0);
}

// Only a save that succeeded and wrote a sound hive leaves a snapshot: a save that broke off
// part-way, or a file the verifier rejects, is removed and counts as a failed save.
TEST_F(SaveHiveTest, OnlyASucceededSaveOfASoundHiveLeavesASnapshot) {
    fake::SaveScript brokenOff;
    brokenOff.result = Status::Fail(platform::error::DiskFull);
    brokenOff.sizeLeftOnFailure = 4096;
    fake.ScriptSave(RootKey::LocalMachine, "SYSTEM", brokenOff);
    EXPECT_FALSE(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SYSTEM", "C:\\s.hvt", false).ok());
    EXPECT_FALSE(fake.HasFile("C:\\s.hvt"));

    fake::SaveScript badHive;
    badHive.fileSize = 4096;
    badHive.writesBadHive = true;
    fake.ScriptSave(RootKey::LocalMachine, "SOFTWARE", badHive);
    EXPECT_EQ(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Target, false).code,
              platform::error::BadDb);
    EXPECT_FALSE(fake.HasFile(Target));

    fake.ClearCalls();
    EXPECT_TRUE(SaveHiveToFile(fake, "\\REGISTRY\\USER\\S-1-5-18", "C:\\u.hvt", false).ok());
    EXPECT_TRUE(fake.HasFile("C:\\u.hvt"));
    const std::vector<std::string> calls = fake.Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "VerifyHiveFile C:\\u.hvt -> 0"), calls.end())
        << "the written snapshot is checked";
    EXPECT_EQ(fake.OpenKeyCount(), 0);
}

TEST_F(SaveHiveTest, KeyIsClosedWhenTheSaveThrows) {
    fake.OnSaveKey([](const std::string&) { throw std::runtime_error("device gone"); });
    EXPECT_THROW(SaveHiveToFile(fake, "\\REGISTRY\\MACHINE\\SYSTEM", "C:\\s.hvt", false),
                 std::runtime_error);
    ASSERT_EQ(fake.KeyOpens().size(), 1u);
    EXPECT_TRUE(fake.KeyOpens()[0].closed);
}

TEST(FileProbes, SizesAreSixtyFourBitAndLocksNeedAnExistingFile) {
    FakePlatform fake;
    fake.AddFile("C:\\big", 5000000000ull);
    fake.AddFile("C:\\held", 10);
    fake.SetHeld("C:\\held", true);
    fake.AddFile("C:\\ro", 10);
    fake.SetReadOnly("C:\\ro", true);
    fake.AddFile("C:\\free", 0);

    EXPECT_EQ(GetFileSize64(fake, "C:\\big"), 5000000000ull);
    EXPECT_EQ(GetFileSize64(fake, "C:\\held"), 10u); // measured without opening it
    EXPECT_EQ(GetFileSize64(fake, "C:\\missing"), 0u);
    EXPECT_TRUE(IsFileLocked(fake, "C:\\held"));
    EXPECT_TRUE(IsFileLocked(fake, "C:\\ro"));
    EXPECT_FALSE(IsFileLocked(fake, "C:\\free"));
    EXPECT_FALSE(IsFileLocked(fake, "C:\\missing"));
}

TEST(FormatSizeKB, RoundsUpAndGroupsWithCommas) {
    EXPECT_EQ(FormatSizeKB(0), "0 KB");
    EXPECT_EQ(FormatSizeKB(1), "1 KB");
    EXPECT_EQ(FormatSizeKB(1024), "1 KB");
    EXPECT_EQ(FormatSizeKB(1025), "2 KB");
    EXPECT_EQ(FormatSizeKB(999 * 1024), "999 KB");
    EXPECT_EQ(FormatSizeKB(1000 * 1024), "1,000 KB");
    EXPECT_EQ(FormatSizeKB(1262343168), "1,232,757 KB");
    EXPECT_EQ(FormatSizeKB(999999ull * 1024), "999,999 KB");
    EXPECT_EQ(FormatSizeKB(1000000ull * 1024), "1,000,000 KB");
    // Past 2 TB the count no longer fits 32 bits and must not wrap.
    EXPECT_EQ(FormatSizeKB(3ull << 40), "3,221,225,472 KB");
    EXPECT_EQ(FormatSizeKB(UINT64_MAX), "18,014,398,509,481,984 KB");
}

} // namespace
} // namespace hivelet::analysis
