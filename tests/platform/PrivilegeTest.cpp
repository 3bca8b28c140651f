// Enabling a privilege: the token each helper asks for, that the token is always closed, and that
// the result tells what went wrong.
#include "platform/Privilege.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::platform {
namespace {

using fake::FakePlatform;

TEST(BackupPrivilege, EnabledThroughATokenThatIsClosedAgain) {
    FakePlatform fake;
    EXPECT_TRUE(EnableBackupPrivilege(fake).ok());
    EXPECT_TRUE(fake.PrivilegeEnabled("SeBackupPrivilege"));
    ASSERT_EQ(fake.TokenOpens().size(), 1u);
    EXPECT_EQ(fake.TokenOpens()[0].access, 0x28u);
    EXPECT_EQ(fake.OpenTokenCount(), 0);
    ASSERT_EQ(fake.Adjusts().size(), 1u);
    EXPECT_EQ(fake.Adjusts()[0].attributes, 2u);

    FakePlatform unknown;
    unknown.ScriptPrivilege("SeBackupPrivilege", {false, Status::Ok(), true});
    EXPECT_EQ(EnableBackupPrivilege(unknown).code, error::FileNotFound);
    EXPECT_TRUE(unknown.Adjusts().empty());
    EXPECT_EQ(unknown.OpenTokenCount(), 0);

    FakePlatform noToken;
    noToken.FailOpenProcessToken(true);
    EXPECT_EQ(EnableBackupPrivilege(noToken).code, error::InvalidHandle);
    EXPECT_TRUE(noToken.Adjusts().empty());
}

TEST(Privileges, RestoreUsesEveryTokenRightAndAdjustsOnlyAKnownPrivilege) {
    FakePlatform fake;
    EXPECT_TRUE(EnableRestorePrivilege(fake).ok());
    EXPECT_TRUE(fake.PrivilegeEnabled("SeRestorePrivilege"));
    ASSERT_EQ(fake.TokenOpens().size(), 1u);
    EXPECT_EQ(fake.TokenOpens()[0].access, 0xF00FFu);
    EXPECT_EQ(fake.OpenTokenCount(), 0);

    FakePlatform unknown;
    unknown.ScriptPrivilege("SeRestorePrivilege", {false, Status::Ok(), true});
    EXPECT_EQ(EnableRestorePrivilege(unknown).code, error::FileNotFound);
    EXPECT_TRUE(unknown.Adjusts().empty());
    EXPECT_EQ(unknown.OpenTokenCount(), 0);
}

TEST(Privileges, TheAdjustmentsAnswerComesBackWithItsReason) {
    FakePlatform fake;
    fake.ScriptPrivilege("SeShutdownPrivilege",
                         {true, Status::Fail(error::NotAllAssigned, "not held"), false});
    const Status status = EnableShutdownPrivilege(fake);
    EXPECT_EQ(status.code, error::NotAllAssigned);
    EXPECT_EQ(status.detail, "not held");
    ASSERT_EQ(fake.TokenOpens().size(), 1u);
    EXPECT_EQ(fake.TokenOpens()[0].access, 0x28u);
    EXPECT_EQ(fake.OpenTokenCount(), 0);
}

} // namespace
} // namespace hivelet::platform
