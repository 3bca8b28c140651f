// The version Windows reports, for each version Wine can be told to be, and WOW64 detection.
//
// Wine takes the version per program from HKCU\Software\Wine\AppDefaults\<file name>\Version,
// so each case runs a copy of the probe program under a name of its own.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"
#include "platform/win32/Wow64.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace hivelet::platform::win32 {
namespace {

using testing::BuiltFile;
using testing::ScratchFolder;

struct WineVersion {
    const char* name; // the value Wine understands
    uint32_t platformId;
    uint32_t major;
    uint32_t minor;
    const char* servicePack; // nullptr: not checked
};

// Windows 8.1 and 10 report 6.2 to a program whose manifest declares no supported systems,
// which is what Hivelet's manifest relies on.
const WineVersion kVersions[] = {
    {"win10", PlatformWin32Nt, 6, 2, ""},
    {"win81", PlatformWin32Nt, 6, 2, ""},
    {"win8", PlatformWin32Nt, 6, 2, ""},
    {"win7", PlatformWin32Nt, 6, 1, "Service Pack 1"},
    {"vista", PlatformWin32Nt, 6, 0, "Service Pack 2"},
    {"win2003", PlatformWin32Nt, 5, 2, "Service Pack 2"},
    {"winxp64", PlatformWin32Nt, 5, 2, "Service Pack 2"},
    {"winxp", PlatformWin32Nt, 5, 1, "Service Pack 3"},
    {"win2k", PlatformWin32Nt, 5, 0, "Service Pack 4"},
    {"nt40", PlatformWin32Nt, 4, 0, "Service Pack 6a"},
    {"winme", PlatformWin32Windows, 4, 90, nullptr},
    {"win98", PlatformWin32Windows, 4, 10, nullptr},
    {"win95", PlatformWin32Windows, 4, 0, nullptr},
};

// Points Wine's version setting for one program file name at `version` for the scope.
class WineVersionFor {
public:
    WineVersionFor(const std::string& fileName, const std::string& version)
        : subKey_("Software\\Wine\\AppDefaults\\" + fileName) {
        UniqueKey key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, key.receive(), nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key.get(), "Version", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(version.c_str()),
                           static_cast<DWORD>(version.size() + 1));
        }
    }
    ~WineVersionFor() { RegDeleteTreeA(HKEY_CURRENT_USER, subKey_.c_str()); }

private:
    std::string subKey_;
};

struct ProbeVersion {
    int ok = 0;
    unsigned platformId = 0, major = 0, minor = 0, build = 0;
    std::string servicePack;
};

std::optional<ProbeVersion> ParseProbe(const std::string& output) {
    ProbeVersion v;
    int consumed = 0;
    if (std::sscanf(output.c_str(), "%d %u %u %u %u|%n", &v.ok, &v.platformId, &v.major, &v.minor,
                    &v.build, &consumed) != 5) {
        return std::nullopt;
    }
    std::string rest = output.substr(consumed);
    v.servicePack = rest.substr(0, rest.find_first_of("\r\n"));
    return v;
}

TEST(Win32Version, ReportsTheVersionWineWasToldToBe) {
    if (!testing::RunningUnderWine()) {
        GTEST_SKIP() << "the version can only be steered under Wine";
    }
    ScratchFolder folder;
    const std::string probe = BuiltFile("platform_win32_probe.exe");
    for (const WineVersion& expected : kVersions) {
        SCOPED_TRACE(expected.name);
        const std::string fileName = std::string("hivelet-probe-") + expected.name + ".exe";
        const std::string copy = folder / fileName;
        ASSERT_TRUE(CopyFileA(probe.c_str(), copy.c_str(), FALSE)) << probe;
        WineVersionFor setting(fileName, expected.name);

        auto run = testing::RunChild(copy, "version");
        ASSERT_TRUE(run);
        auto got = ParseProbe(run->output);
        ASSERT_TRUE(got) << run->output;
        EXPECT_EQ(got->ok, 1);
        EXPECT_EQ(got->platformId, expected.platformId);
        EXPECT_EQ(got->major, expected.major);
        EXPECT_EQ(got->minor, expected.minor);
        if (expected.servicePack) {
            EXPECT_EQ(got->servicePack, expected.servicePack);
        }
    }
}

TEST(Win32Version, AgreesWithTheExtendedQueryInThisProcess) {
    Win32Platform platform;
    VersionInfo version = platform.GetVersion();
    OSVERSIONINFOEXA extended{};
    extended.dwOSVersionInfoSize = sizeof(extended);
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended)));
    ASSERT_TRUE(version.ok);
    EXPECT_EQ(version.platformId, extended.dwPlatformId);
    EXPECT_EQ(version.major, extended.dwMajorVersion);
    EXPECT_EQ(version.minor, extended.dwMinorVersion);
    EXPECT_EQ(version.build, extended.dwBuildNumber);
    EXPECT_EQ(version.servicePack, extended.szCSDVersion);
}

TEST(Win32Wow64, LooksTheEntryPointUpAtRunTime) {
    Win32Platform platform;
    auto wow64 = platform.IsWow64Process();
    ASSERT_TRUE(wow64) << "kernel32 has IsWow64Process on every supported release";
#ifdef _WIN64
    EXPECT_FALSE(*wow64) << "a 64-bit process never runs under WOW64";
#endif
    // A module without the entry point stands for the kernel32 of older releases.
    EXPECT_FALSE(IsWow64ProcessIn(GetModuleHandleA(nullptr)));
    EXPECT_FALSE(IsWow64ProcessIn(nullptr));
    EXPECT_EQ(IsWow64ProcessIn(GetModuleHandleA("kernel32")), wow64);
}

} // namespace
} // namespace hivelet::platform::win32
