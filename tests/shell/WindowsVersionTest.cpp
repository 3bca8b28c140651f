#include "shell/WindowsVersion.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::shell {
namespace {

using fake::FakePlatform;
constexpr uint32_t Nt = platform::PlatformWin32Nt;
constexpr uint32_t Win9x = platform::PlatformWin32Windows;

struct Row {
    uint32_t platformId;
    uint32_t major;
    uint32_t minor;
    int code;
};

TEST(WindowsVersionCode, EveryRowOfTheTable) {
    const Row rows[] = {
        {Win9x, 4, 0, 1},  {Win9x, 4, 10, 3}, {Win9x, 4, 90, 8}, {Win9x, 4, 1, 0}, {Win9x, 5, 0, 0},
        {Win9x, 3, 10, 0}, {0, 4, 0, 1},      {Nt, 3, 51, 5},    {Nt, 3, 10, 5},   {Nt, 4, 0, 6},
        {Nt, 5, 0, 7},     {Nt, 5, 3, 7},     {Nt, 5, 1, 9},     {Nt, 5, 2, 10},   {Nt, 6, 0, 11},
        {Nt, 6, 2, 11},    {Nt, 6, 3, 11},    {Nt, 6, 1, 12},    {Nt, 10, 0, 0},   {Nt, 2, 0, 0},
        {Nt, 7, 1, 0},     {3, 6, 1, 0},      {Nt, 4, 90, 6},    {Nt, 4, 10, 6},
    };
    for (const auto& row : rows) {
        FakePlatform fake;
        fake.SetVersion(row.platformId, row.major, row.minor);
        EXPECT_EQ(GetWindowsVersionCode(fake), row.code)
            << "platform " << row.platformId << " " << row.major << "." << row.minor;
    }
}

TEST(WindowsVersionCode, FailedQueryIsUnknown) {
    FakePlatform fake;
    platform::VersionInfo failed;
    failed.platformId = Nt;
    failed.major = 5;
    failed.minor = 1;
    failed.ok = false;
    fake.SetVersion(failed);
    EXPECT_EQ(GetWindowsVersionCode(fake), 0);
}

TEST(WindowsVersionCode, AcceptedCodesAndRestorePointCodes) {
    for (int code = -1; code <= 13; ++code) {
        bool supported = code == 5 || code == 6 || code == 7 || (code >= 9 && code <= 12);
        EXPECT_EQ(IsSupportedWindowsVersion(code), supported) << code;
        EXPECT_EQ(OffersRestorePoint(code), code >= 9 && code <= 12) << code;
    }
}

} // namespace
} // namespace hivelet::shell
