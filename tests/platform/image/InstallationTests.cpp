// The machine derived from a Windows installation that is not running: its hive list in
// Windows' order and names, its version as GetVersionExA reports it, its profiles, and one clear
// line for a folder that is no installation.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"
#include "platform/image/Installation.h"
#include "platform/image/demo/DemoInstallation.h"

#include <gtest/gtest.h>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

std::string DataText(const RegistryValue& v) {
    return v.data.substr(0, v.data.find('\0'));
}

bool HasNote(const Installation& in, const std::string& sid, const std::string& why) {
    for (const std::string& n : in.notes) {
        if (n.find(sid) != std::string::npos && n.find(why) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The one line DeriveInstallation fails with, or "" when it does not fail.
std::string FailureLine(const fs::path& root) {
    try {
        DeriveInstallation(root);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST(Installation, HivesComeInWindowsOrderUnderWindowsNamesWithTheirDevicePaths) {
    TempFolder folder;
    WriteTestInstallation(folder.path());
    const Installation in = DeriveInstallation(folder.path());
    const Machine& m = in.machine;
    ASSERT_EQ(m.hivelist.size(), std::size(InstallationHives));
    for (size_t i = 0; i < m.hivelist.size(); ++i) {
        SCOPED_TRACE(InstallationHives[i].name);
        EXPECT_EQ(m.hivelist[i].name, InstallationHives[i].name);
        EXPECT_EQ(m.hivelist[i].value.type, reg::Sz);
        EXPECT_EQ(DataText(m.hivelist[i].value), InstallationHives[i].device);
    }
    EXPECT_TRUE(m.offline);
    EXPECT_EQ(m.systemRoot, "C:\\Windows"); // SystemRoot's spelling of the folder found
    EXPECT_TRUE(m.wow64);                   // SysWOW64: 64-bit Windows, 32-bit Hivelet
    EXPECT_EQ(m.systemRestore, RestoreSupport::Absent);
    ASSERT_EQ(m.drives.size(), 1u);
    EXPECT_EQ(m.drives[0].letter, 'C');
    EXPECT_TRUE(in.hibernated.empty());
    EXPECT_TRUE(in.readOnly.empty());

    // Through the platform, every listed hive file is found at its place on the drive (by a
    // 32-bit program on 64-bit Windows, through sysnative).
    ImagePlatform platform(in);
    for (const auto& h : InstallationHives) {
        const std::string windowsPath = InstallationWindowsPath(h.device);
        EXPECT_TRUE(platform.FileExists(windowsPath)) << windowsPath;
    }
    EXPECT_EQ(platform.SetRestorePoint("x", restore::BeginSystemChange, 0),
              RestorePointOutcome::LibraryMissing);
}

TEST(Installation, ProfilesLeftOutAreNamedWithTheirReason) {
    TempFolder folder;
    WriteTestInstallation(folder.path());
    const Installation in = DeriveInstallation(folder.path());
    EXPECT_TRUE(HasNote(in, "S-1-5-18 left out", ".DEFAULT"));
    EXPECT_TRUE(HasNote(in, "S-1-5-21-7-8-9-1002 left out", "C:\\Users\\bob is missing"));
    EXPECT_TRUE(HasNote(in, "S-1-5-21-7-8-9-1003 left out", "on drive D:"));
    EXPECT_TRUE(HasNote(in, "S-1-5-21-7-8-9-1004 left out", "no NTUSER.DAT"));
    EXPECT_TRUE(HasNote(in, "S-1-5-20", "UsrClass.dat is missing"));
    EXPECT_EQ(in.notes.size(), 5u);
    for (const std::string& n : in.notes) {
        EXPECT_EQ(n.find('\n'), std::string::npos) << n;
    }
}

TEST(Installation, TheVersionIsWhatGetVersionExAReportsWithoutAManifest) {
    struct Case {
        const char* current;
        bool majorNumber;
        const char* build;
        const char* csd;
        uint32_t major, minor, reportedBuild;
        const char* servicePack;
    };
    const Case cases[] = {
        {"6.3", true, "19045", "", 6, 2, 9200, ""}, // Windows 10 and 11
        {"6.3", false, "9600", "", 6, 2, 9200, ""}, // Windows 8.1
        {"6.2", false, "9200", "", 6, 2, 9200, ""}, // Windows 8
        {"6.1", false, "7601", "Service Pack 1", 6, 1, 7601, "Service Pack 1"},
        {"6.0", false, "6002", "Service Pack 2", 6, 0, 6002, "Service Pack 2"},
        {"5.1", false, "2600", "Service Pack 3", 5, 1, 2600, "Service Pack 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " " + c.build);
        ReportedVersion v;
        ASSERT_TRUE(ParseReportedVersion(c.current, c.majorNumber, c.build, c.csd, v));
        EXPECT_EQ(v.major, c.major);
        EXPECT_EQ(v.minor, c.minor);
        EXPECT_EQ(v.build, c.reportedBuild);
        EXPECT_EQ(v.servicePack, c.servicePack);
    }
    ReportedVersion v;
    EXPECT_FALSE(ParseReportedVersion("", false, "7601", "", v));
    EXPECT_FALSE(ParseReportedVersion("six", false, "7601", "", v));
    EXPECT_TRUE(ParseReportedVersion("", true, "22631", "", v)); // the DWORD is enough
    EXPECT_EQ(v.minor, 2u);

    // Read from an installation's SOFTWARE, through to the platform's answer.
    TempFolder folder;
    WriteTestInstallation(folder.path(), {"6.1", false, "7601", "Service Pack 1"});
    ImagePlatform platform(DeriveInstallation(folder.path()));
    VersionInfo seen = platform.GetVersion();
    EXPECT_EQ(seen.platformId, PlatformWin32Nt);
    EXPECT_EQ(seen.major, 6u);
    EXPECT_EQ(seen.minor, 1u);
    EXPECT_EQ(seen.build, 7601u);
    EXPECT_EQ(seen.servicePack, "Service Pack 1");
}

TEST(Installation, ProfilePathsExpandAsTheProfileServiceExpandsThem) {
    std::string out;
    EXPECT_TRUE(ExpandProfilePath("%systemroot%\\ServiceProfiles\\x", "C:\\WINDOWS", out));
    EXPECT_EQ(out, "C:\\WINDOWS\\ServiceProfiles\\x");
    EXPECT_TRUE(ExpandProfilePath("%SYSTEMDRIVE%\\Users\\ann", "E:\\Windows", out));
    EXPECT_EQ(out, "E:\\Users\\ann");
    EXPECT_TRUE(ExpandProfilePath("%windir%\\a%", "C:\\Windows", out));
    EXPECT_EQ(out, "C:\\Windows\\a%");
    EXPECT_TRUE(ExpandProfilePath("C:\\Users\\plain", "C:\\Windows", out));
    EXPECT_EQ(out, "C:\\Users\\plain");
    EXPECT_FALSE(ExpandProfilePath("%USERPROFILE%\\x", "C:\\Windows", out));
}

TEST(Installation, AnOlderWindowsKeepsItsClassesUnderLocalSettings) {
    TempFolder folder;
    WriteTestInstallation(folder.path(), {"5.1", false, "2600", "Service Pack 3"});
    WriteSmallHive(folder.path() / "users/Ann/Local Settings/Application Data/Microsoft/Windows/"
                                   "UsrClass.dat",
                   "xp-classes");
    const Installation in = DeriveInstallation(folder.path());
    bool found = false;
    for (const HivelistValue& h : in.machine.hivelist) {
        if (h.name == "\\REGISTRY\\USER\\S-1-5-21-7-8-9-1001_Classes") {
            found = true;
            EXPECT_EQ(DataText(h.value), "\\Device\\HarddiskVolume1\\Users\\ann\\Local "
                                         "Settings\\Application Data\\Microsoft\\Windows\\"
                                         "UsrClass.dat");
        }
    }
    EXPECT_TRUE(found);
}

TEST(Installation, WhatIsNoInstallationIsOneClearLine) {
    TempFolder folder;
    const fs::path root = folder.path();
    auto expectLine = [&](const std::string& what, const std::string& part) {
        SCOPED_TRACE(what);
        std::string line = FailureLine(root);
        EXPECT_NE(line.find(part), std::string::npos) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    };
    fs::path missing = root / "missing";
    std::string line = FailureLine(missing);
    EXPECT_NE(line.find("no such folder"), std::string::npos) << line;

    expectLine("empty folder", "no Windows folder");
    fs::create_directories(root / "windows");
    expectLine("no config folder", "not a Windows installation");
    fs::create_directories(root / "windows/System32/config");
    expectLine("no SOFTWARE", "SOFTWARE");
    WriteBytes(root / "windows/System32/config/SOFTWARE", std::string(8192, 'x'));
    expectLine("SOFTWARE not a hive", "not a Windows installation");
    WriteSmallHive(root / "windows/System32/config/SOFTWARE", "no-version");
    expectLine("SOFTWARE without a version", "Microsoft\\Windows NT\\CurrentVersion");
}

TEST(Installation, ADirtySoftwareHiveIsNamedNotMisread) {
    TempFolder folder;
    WriteTestInstallation(folder.path());
    const fs::path software = folder.path() / "WINDOWS/system32/CONFIG/software";
    std::string bytes = ReadBytes(software);
    MakeDirty(bytes);
    WriteBytes(software, bytes);
    std::string line = FailureLine(folder.path());
    EXPECT_NE(line.find("SOFTWARE"), std::string::npos) << line;
    EXPECT_NE(line.find("dirty"), std::string::npos) << line;
}

TEST(Installation, HibernationAndReadOnlyAreFound) {
    TempFolder folder;
    const fs::path root = folder.path();
    WriteTestInstallation(root);
    EXPECT_TRUE(HibernationRefusal(root).empty());
    for (const char* head : {"wake", "RSTR", ""}) {
        WriteBytes(root / "hiberfil.sys", std::string(head) + std::string(60, '\0'));
        EXPECT_TRUE(HibernationRefusal(root).empty()) << head;
    }
    for (const char* head : {"hibr", "HIBR", "HiBr"}) {
        WriteBytes(root / "hiberfil.sys", std::string(head) + std::string(60, '\0'));
        std::string why = HibernationRefusal(root);
        EXPECT_NE(why.find("Fast Startup"), std::string::npos) << head;
        EXPECT_NE(why.find("shut it down fully"), std::string::npos) << head;
    }
    fs::rename(root / "hiberfil.sys", root / "HIBERFIL.SYS");
    EXPECT_FALSE(HibernationRefusal(root).empty()); // the name matches ignoring case
    EXPECT_FALSE(DeriveInstallation(root).machine.changeRefusal.empty());

#ifdef _WIN32
    GTEST_SKIP() << "a folder's write bits do not make it read-only for Windows";
#endif
    TempFolder other("-ro");
    WriteTestInstallation(other.path());
    EXPECT_TRUE(ReadOnlyRefusal(other.path()).empty());
    fs::permissions(other.path(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const Installation ro = DeriveInstallation(other.path());
    EXPECT_NE(ro.readOnly.find("read-only"), std::string::npos);
    EXPECT_EQ(ro.machine.changeRefusal, ro.readOnly);
    fs::permissions(other.path(), fs::perms::owner_write, fs::perm_options::add);
    // The probe left nothing behind.
    for (const auto& e : fs::directory_iterator(other.path())) {
        EXPECT_EQ(e.path().filename().string().find(".hivelet"), std::string::npos);
    }
}

} // namespace
} // namespace hivelet::image
