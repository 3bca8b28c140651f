#include "defrag/Replacement.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::defrag {
namespace {

using fake::FakePlatform;
using platform::RootKey;
using platform::Status;

const std::string Hive = "C:\\Windows\\System32\\config\\SOFTWARE";
const std::string Snapshot = Hive + ".hvt";
const std::string Backup = Hive + ".bak";

// The calls that change files or the registry, in order.
std::vector<std::string> Changes(const FakePlatform& fake) {
    std::vector<std::string> out;
    for (const auto& call : fake.Calls()) {
        if (call.rfind("DeleteFile", 0) == 0 || call.rfind("MoveFile", 0) == 0 ||
            call.rfind("ReplaceKey", 0) == 0) {
            out.push_back(call);
        }
    }
    return out;
}

// The earlier backup is the only way back to the hive before that run: it frees the name for
// the request, and is dropped only once the service has accepted.
TEST(ReplaceHive, AnOldBackupIsSetAsideForTheRequestAndKeptWhenTheServiceRefuses) {
    FakePlatform fake;
    fake.AddFile(Snapshot, 4096);
    fake.AddFile(Backup, 9999);
    EXPECT_TRUE(ReplaceHive(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    const std::string aside = Backup + ".old";
    EXPECT_EQ(Changes(fake), (std::vector<std::string>{"MoveFile " + Backup + " " + aside + " -> 1",
                                                       "ReplaceKey HKLM SOFTWARE " + Snapshot +
                                                           " " + Backup + " -> 0",
                                                       "DeleteFile " + aside + " -> 1"}));
    // The service now holds the snapshot: it can no longer be removed under its own name.
    EXPECT_FALSE(fake.DeleteFile(Snapshot));

    FakePlatform refusing;
    refusing.AddFile(Snapshot, 4096);
    refusing.AddFile(Backup, 9999);
    refusing.AddFile(aside, 5); // left by a run that ended while it was set aside
    refusing.ScriptReplace(RootKey::LocalMachine, "SOFTWARE",
                           Status::Fail(platform::error::AccessDenied));
    EXPECT_FALSE(ReplaceHive(refusing, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    ASSERT_TRUE(refusing.HasFile(Backup));
    EXPECT_EQ(*refusing.FindFileSize(Backup), 9999u);
    EXPECT_FALSE(refusing.HasFile(aside));
}

TEST(ReplaceHive, ASnapshotThatIsNoLongerASoundHiveIsNotHandedOver) {
    FakePlatform fake;
    fake.AddFile(Snapshot, 4096);
    fake.SetBadHive(Snapshot, true);
    fake.AddFile(Backup, 9999);
    EXPECT_FALSE(ReplaceHive(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    EXPECT_TRUE(Changes(fake).empty());
    EXPECT_TRUE(fake.HasFile(Backup));
}

TEST(ReplaceHive, RootAndSubKeyFollowTheKeyPathsCase) {
    FakePlatform fake;
    fake.AddFile("C:\\d.hvt", 1);
    fake.AddFile("C:\\s.hvt", 1);
    EXPECT_TRUE(ReplaceHive(fake, "\\REGISTRY\\USER\\.DEFAULT", "C:\\d.hvt", "C:\\d.bak"));
    EXPECT_TRUE(ReplaceHive(fake, "\\Registry\\Machine\\System", "C:\\s.hvt", "C:\\s.bak"));
    auto replaces = fake.Replaces();
    ASSERT_EQ(replaces.size(), 2u);
    EXPECT_EQ(replaces[0].root, RootKey::Users);
    EXPECT_EQ(replaces[0].subKey, ".DEFAULT");
    EXPECT_EQ(replaces[1].root, RootKey::LocalMachine);
    EXPECT_EQ(replaces[1].subKey, "System");
    EXPECT_TRUE(fake.Deletes().empty()); // no old backups to remove
}

TEST(ReplaceHive, MissingOrEmptySnapshotIsRefusedWithoutTouchingAnything) {
    FakePlatform fake;
    fake.AddFile(Backup, 9999);
    EXPECT_FALSE(ReplaceHive(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    fake.AddFile(Snapshot, 0);
    EXPECT_FALSE(ReplaceHive(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    fake.AddFile(Snapshot, 10);
    EXPECT_FALSE(ReplaceHive(fake, "\\REGISTRY\\MACHINE", Snapshot, Backup)); // no sub-key
    EXPECT_TRUE(Changes(fake).empty());
    EXPECT_TRUE(fake.HasFile(Backup));
}

TEST(ReplaceHive, RefusalOfTheServiceIsReturned) {
    FakePlatform fake;
    fake.AddFile(Snapshot, 10);
    fake.ScriptReplace(RootKey::LocalMachine, "SOFTWARE",
                       Status::Fail(platform::error::AccessDenied));
    EXPECT_FALSE(ReplaceHive(fake, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    // A backup that cannot be deleted is still attempted; the service then refuses the name.
    FakePlatform held;
    held.AddFile(Snapshot, 10);
    held.AddFile(Backup, 10);
    held.SetHeld(Backup, true);
    EXPECT_FALSE(ReplaceHive(held, "\\REGISTRY\\MACHINE\\SOFTWARE", Snapshot, Backup));
    EXPECT_EQ(held.Replaces().size(), 1u);
}

TEST(RestartComputer, EnablesShutdownThenRebootsWithReasonOne) {
    FakePlatform fake;
    EXPECT_TRUE(RestartComputer(fake, true).ok());
    EXPECT_TRUE(fake.PrivilegeEnabled("SeShutdownPrivilege"));
    EXPECT_EQ(fake.TokenOpens().at(0).access, 0x28u);
    ASSERT_EQ(fake.Exits().size(), 1u);
    EXPECT_EQ(fake.Exits()[0].flags, 6u);
    EXPECT_EQ(fake.Exits()[0].reason, 1u);
    auto calls = fake.Calls();
    EXPECT_EQ(calls.back(), "ExitWindows 0x6 1 -> 0"); // after the privilege

    FakePlatform gentle;
    gentle.ScriptExitWindows(Status::Fail(platform::error::PrivilegeNotHeld));
    EXPECT_FALSE(RestartComputer(gentle, false).ok());
    EXPECT_EQ(gentle.Exits().at(0).flags, 2u);
}

TEST(HasNoReduction, OnlyTheFirstMatchingRowsThirdSubItemCounts) {
    const std::vector<HiveRow> rows = {
        {"\\REGISTRY\\MACHINE\\SYSTEM", {"10 KB", "10 KB", " 0% "}},
        {"\\REGISTRY\\MACHINE\\SOFTWARE", {"10 KB", "9 KB", "1%"}},
        {"\\REGISTRY\\MACHINE\\SAM", {"10 KB", "10 KB"}},
        {"\\REGISTRY\\USER\\.DEFAULT", {"10 KB", "10 KB", "0%"}},
        {"\\REGISTRY\\USER\\.DEFAULT", {"10 KB", "9 KB", "5%"}},
        {"\\REGISTRY\\USER\\S-1-5-18", {"", "", "00%"}},
    };
    EXPECT_TRUE(HasNoReduction(rows, "\\registry\\machine\\system"));
    EXPECT_FALSE(HasNoReduction(rows, "\\REGISTRY\\MACHINE\\SOFTWARE"));
    EXPECT_FALSE(HasNoReduction(rows, "\\REGISTRY\\MACHINE\\SAM"));
    EXPECT_TRUE(HasNoReduction(rows, "\\REGISTRY\\USER\\.DEFAULT"));
    EXPECT_FALSE(HasNoReduction(rows, "\\REGISTRY\\USER\\S-1-5-18"));
    EXPECT_FALSE(HasNoReduction(rows, "\\REGISTRY\\MACHINE\\SECURITY"));
}

} // namespace
} // namespace hivelet::defrag
