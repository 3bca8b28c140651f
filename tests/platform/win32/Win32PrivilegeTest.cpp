// Privileges of the process token, checked against what the token itself then reports.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace hivelet::platform::win32 {
namespace {

// The attributes the process token reports for a privilege; nullopt when it does not hold it.
std::optional<DWORD> PrivilegeAttributes(Luid luid) {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) {
        return std::nullopt;
    }
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) {
        return std::nullopt;
    }
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID& held = privileges->Privileges[i].Luid;
        if (held.LowPart == luid.low && held.HighPart == luid.high) {
            return privileges->Privileges[i].Attributes;
        }
    }
    return std::nullopt;
}

TEST(Win32Privileges, NamesResolveToTheirSystemIdentifiers) {
    Win32Platform platform;
    // Fixed by Windows: SE_BACKUP_PRIVILEGE 17, SE_RESTORE_PRIVILEGE 18, SE_SHUTDOWN_PRIVILEGE 19.
    auto backup = platform.LookupPrivilegeValue(token::BackupPrivilege);
    auto restore = platform.LookupPrivilegeValue(token::RestorePrivilege);
    auto shutdown = platform.LookupPrivilegeValue(token::ShutdownPrivilege);
    ASSERT_TRUE(backup && restore && shutdown);
    EXPECT_EQ(backup->low, 17u);
    EXPECT_EQ(restore->low, 18u);
    EXPECT_EQ(shutdown->low, 19u);
    EXPECT_EQ(backup->high, 0);
    EXPECT_FALSE(platform.LookupPrivilegeValue("SeNoSuchPrivilege"));
}

TEST(Win32Privileges, EnablingChangesTheTokenOfTheWholeProcess) {
    Win32Platform platform;
    for (uint32_t access : {token::AdjustAndQuery, token::AllStandardRights}) {
        SCOPED_TRACE(access);
        auto token = platform.OpenProcessToken(access);
        ASSERT_TRUE(token);
        auto restore = platform.LookupPrivilegeValue(token::RestorePrivilege);
        ASSERT_TRUE(restore);
        ASSERT_TRUE(PrivilegeAttributes(*restore)) << "the token does not hold the privilege";

        ASSERT_TRUE(
            platform.AdjustTokenPrivilege(token.get(), *restore, token::PrivilegeEnabled).ok());
        EXPECT_TRUE(*PrivilegeAttributes(*restore) & SE_PRIVILEGE_ENABLED);
        ASSERT_TRUE(platform.AdjustTokenPrivilege(token.get(), *restore, 0).ok());
        EXPECT_FALSE(*PrivilegeAttributes(*restore) & SE_PRIVILEGE_ENABLED);
        EXPECT_TRUE(token.Close());
    }
    EXPECT_EQ(platform.OpenHandleCount(), 0u);
}

TEST(Win32Privileges, FailuresAreReportedNotHidden) {
    Win32Platform platform;
    auto token = platform.OpenProcessToken(token::AdjustAndQuery);
    ASSERT_TRUE(token);
    // A privilege the token does not hold: the call succeeds, but nothing was assigned.
    EXPECT_EQ(
        platform.AdjustTokenPrivilege(token.get(), Luid{999, 0}, token::PrivilegeEnabled).code,
        error::NotAllAssigned);

    // A token opened only for queries may not be adjusted.
    auto queryOnly = platform.OpenProcessToken(token::Query);
    ASSERT_TRUE(queryOnly);
    auto backup = platform.LookupPrivilegeValue(token::BackupPrivilege);
    ASSERT_TRUE(backup);
    EXPECT_EQ(platform.AdjustTokenPrivilege(queryOnly.get(), *backup, token::PrivilegeEnabled).code,
              error::AccessDenied);

    const TokenHandle closed = queryOnly.get();
    EXPECT_TRUE(queryOnly.Close());
    EXPECT_FALSE(ProcessToken(platform, closed).Close()) << "closed twice";
    EXPECT_EQ(platform.AdjustTokenPrivilege(closed, *backup, 0).code, error::InvalidHandle);
    EXPECT_FALSE(ProcessToken(platform, TokenHandle{424242}).Close());
    EXPECT_TRUE(token.Close());
}

} // namespace
} // namespace hivelet::platform::win32
