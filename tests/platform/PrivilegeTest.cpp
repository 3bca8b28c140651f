// Enabling a privilege: the token each helper asks for, that the token is always closed, and that
// the result tells what went wrong.
#include "platform/Privilege.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::platform {
namespace {

using fake::FakePlatform;

// Backup asks for a token that can adjust and query, restore for every standard right; each
// adjusts only a privilege the system knows, and closes its token whatever happens.
TEST(Privileges, EachIsEnabledThroughItsOwnTokenThatIsClosedAgain) {
    struct Case {
        Status (*enable)(Platform&);
        const char* privilege;
        uint32_t access;
    };
    for (const Case& c : {Case{EnableBackupPrivilege, "SeBackupPrivilege", 0x28u},
                          Case{EnableRestorePrivilege, "SeRestorePrivilege", 0xF00FFu}}) {
        SCOPED_TRACE(c.privilege);
        FakePlatform fake;
        EXPECT_TRUE(c.enable(fake).ok());
        EXPECT_TRUE(fake.PrivilegeEnabled(c.privilege));
        ASSERT_EQ(fake.TokenOpens().size(), 1u);
        EXPECT_EQ(fake.TokenOpens()[0].access, c.access);
        EXPECT_EQ(fake.OpenTokenCount(), 0);
        ASSERT_EQ(fake.Adjusts().size(), 1u);
        EXPECT_EQ(fake.Adjusts()[0].attributes, 2u);

        FakePlatform unknown;
        unknown.ScriptPrivilege(c.privilege, {false, Status::Ok(), true});
        EXPECT_EQ(c.enable(unknown).code, error::FileNotFound);
        EXPECT_TRUE(unknown.Adjusts().empty());
        EXPECT_EQ(unknown.OpenTokenCount(), 0);
    }

    FakePlatform noToken;
    noToken.FailOpenProcessToken(true);
    EXPECT_EQ(EnableBackupPrivilege(noToken).code, error::InvalidHandle);
    EXPECT_TRUE(noToken.Adjusts().empty());
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
