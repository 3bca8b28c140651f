// The services of an image that need no hive contents: version, privileges, drives, the hivelist
// key, files, restore points, web pages and the session end.
#include "TestImage.h"

#include "platform/image/ImagePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

class ImageServices : public ::testing::Test {
protected:
    ImagePlatform& Make(const std::string& machineExtra = "", bool wow64 = false) {
        WriteStandardImage(folder_.path(), wow64, machineExtra, Hives::Placeholder);
        image_ = std::make_unique<ImagePlatform>(folder_.path());
        return *image_;
    }
    // Enables one privilege the way Hivelet does; returns AdjustTokenPrivileges' answer.
    Status Enable(const char* privilege, uint32_t access = token::AdjustAndQuery) {
        auto t = image_->OpenProcessToken(access);
        EXPECT_TRUE(t);
        auto luid = image_->LookupPrivilegeValue(privilege);
        EXPECT_TRUE(luid);
        Status s = image_->AdjustTokenPrivilege(t.get(), *luid, token::PrivilegeEnabled);
        EXPECT_TRUE(t.Close());
        return s;
    }
    TempFolder folder_;
    std::unique_ptr<ImagePlatform> image_;
};

TEST_F(ImageServices, VersionAndWow64ComeFromTheMachineFile) {
    ImagePlatform& image = Make("Build=7601\r\nServicePack=Service Pack 1\r\n", true);
    VersionInfo v = image.GetVersion();
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(v.platformId, PlatformWin32Nt);
    EXPECT_EQ(v.major, 6u);
    EXPECT_EQ(v.minor, 1u);
    EXPECT_EQ(v.build, 7601u);
    EXPECT_EQ(v.servicePack, "Service Pack 1");
    EXPECT_EQ(image.IsWow64Process(), std::optional<bool>(true));

    TempFolder other("-old");
    WriteStandardImage(other.path(), true, "", Hives::Placeholder);
    std::string text = StandardMachineText(true);
    text.replace(text.find("HasIsWow64Process=1"), 19, "HasIsWow64Process=0");
    text.replace(text.find("Platform=NT"), 11, "Platform=9x");
    WriteBytes(other.path() / "machine.ini", text);
    ImagePlatform old(other.path());
    EXPECT_EQ(old.IsWow64Process(), std::nullopt);
    EXPECT_EQ(old.GetVersion().platformId, PlatformWin32Windows);
}

TEST_F(ImageServices, PrivilegesFollowTheTokenCalls) {
    ImagePlatform& image = Make();
    EXPECT_EQ(image.LookupPrivilegeValue("sebackupprivilege")->low, ImagePlatform::BackupLuid);
    EXPECT_EQ(image.LookupPrivilegeValue("SeTcbPrivilegeX"), std::nullopt);
    // Without the privilege enabled, the restart is refused.
    EXPECT_EQ(image.ExitWindows(exitflags::Reboot | exitflags::Force, 1).code,
              error::PrivilegeNotHeld);
    // A token opened without TOKEN_ADJUST_PRIVILEGES cannot adjust; closed tokens are invalid.
    EXPECT_EQ(Enable(token::ShutdownPrivilege, token::Query).code, error::AccessDenied);
    auto t = image.OpenProcessToken(token::AllStandardRights);
    const TokenHandle closed = t.get();
    ASSERT_TRUE(t.Close());
    EXPECT_FALSE(ProcessToken(image, closed).Close());
    EXPECT_EQ(image.AdjustTokenPrivilege(closed, {ImagePlatform::ShutdownLuid, 0}, 2).code,
              error::InvalidHandle);
    EXPECT_EQ(Enable(token::ShutdownPrivilege, token::AllStandardRights).code, error::Success);
    bool ended = false;
    image.SetSessionEndHandler([&] { ended = true; });
    EXPECT_TRUE(image.ExitWindows(exitflags::Reboot | exitflags::Force, 1).ok());
    EXPECT_TRUE(ended);
    // The restart began a new session: the privilege has to be enabled again.
    EXPECT_EQ(image.ExitWindows(exitflags::Reboot, 1).code, error::PrivilegeNotHeld);
    ASSERT_EQ(image.ReadLog(BootLog).size(), 1u);
    EXPECT_EQ(image.ReadLog(BootLog)[0], "boot 1: replaced nothing");
}

TEST_F(ImageServices, AUserWithoutPrivilegesGetsNotAllAssigned) {
    ImagePlatform& image = Make("Privileges=0\r\n");
    EXPECT_EQ(Enable(token::ShutdownPrivilege).code, error::NotAllAssigned);
    EXPECT_EQ(Enable(token::BackupPrivilege).code, error::NotAllAssigned);
    EXPECT_EQ(image.ExitWindows(6, 1).code, error::PrivilegeNotHeld);
}

TEST_F(ImageServices, DriveStringsHonourTheBufferSize) {
    ImagePlatform& image = Make();
    std::string buffer = "untouched";
    const std::string all = std::string("C:\\\0D:\\\0E:\\\0F:\\\0", 16);
    EXPECT_EQ(image.GetLogicalDriveStrings(104, buffer), 16u);
    EXPECT_EQ(buffer, all);
    EXPECT_EQ(image.GetLogicalDriveStrings(17, buffer), 16u);
    buffer = "untouched";
    EXPECT_EQ(image.GetLogicalDriveStrings(16, buffer), 17u); // no room for the final NUL
    EXPECT_EQ(buffer, "");
    EXPECT_EQ(image.GetDriveType("C:\\"), drive::Fixed);
    EXPECT_EQ(image.GetDriveType("e:\\"), drive::Removable);
    EXPECT_EQ(image.GetDriveType("F:\\"), drive::CdRom);
    EXPECT_EQ(image.GetDriveType("D:"), drive::Fixed);
    EXPECT_EQ(image.GetDriveType("Q:\\"), drive::NoRootDir);
    EXPECT_EQ(image.GetDriveType("C:\\Windows"), drive::NoRootDir);
}

TEST_F(ImageServices, DosDeviceNamesNeedRoomForTwoTerminators) {
    ImagePlatform& image = Make();
    const std::string device = "\\Device\\HarddiskVolume12";
    std::string target = "untouched";
    EXPECT_FALSE(image.QueryDosDevice("D:", static_cast<uint32_t>(device.size() + 1), target));
    EXPECT_EQ(target, "untouched");
    EXPECT_TRUE(image.QueryDosDevice("d:", static_cast<uint32_t>(device.size() + 2), target));
    EXPECT_EQ(target, device);
    EXPECT_FALSE(image.QueryDosDevice("D:\\", 1000, target)); // a root is not a device name
    EXPECT_FALSE(image.QueryDosDevice("F:", 1000, target));   // a drive without a device
    EXPECT_FALSE(image.QueryDosDevice("G:", 1000, target));
    EXPECT_FALSE(image.QueryDosDevice("", 1000, target));
}

TEST_F(ImageServices, HivelistKeyListsEveryValueInOrderWithItsType) {
    ImagePlatform& image = Make();
    RegistryKey key;
    ASSERT_TRUE(image
                    .OpenKeyEx(RootKey::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Control\\hivelist", reg::KeyRead, key)
                    .ok());
    std::vector<std::string> names;
    ASSERT_TRUE(image.EnumValueNames(key.get(), names).ok());
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[0], "\\REGISTRY\\MACHINE\\HARDWARE");
    EXPECT_EQ(names[5], "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes");
    RegistryValue v;
    ASSERT_TRUE(image.QueryValue(key.get(), "\\registry\\machine\\sam", v).ok());
    EXPECT_EQ(v.type, reg::ExpandSz);
    EXPECT_EQ(v.data,
              std::string("\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SAM") + '\0');
    ASSERT_TRUE(image.QueryValue(key.get(), names[0], v).ok());
    EXPECT_EQ(v.type, reg::Sz);
    EXPECT_EQ(v.data, std::string(1, '\0'));
    EXPECT_EQ(image.QueryValue(key.get(), "\\REGISTRY\\MACHINE\\NOPE", v).code,
              error::FileNotFound);
    const KeyHandle closed = key.get();
    ASSERT_TRUE(key.Close().ok());
    EXPECT_EQ(image.EnumValueNames(closed, names).code, error::InvalidHandle);
    EXPECT_EQ(RegistryKey(image, closed).Close().code, error::InvalidHandle);
}

TEST_F(ImageServices, HiveRootsOpenByRootAndSubKey) {
    ImagePlatform& image = Make();
    RegistryKey key;
    EXPECT_TRUE(image.OpenKey(RootKey::LocalMachine, "system", key).ok());
    EXPECT_TRUE(key);
    EXPECT_TRUE(image.OpenKey(RootKey::LocalMachine, "HARDWARE", key).ok());
    EXPECT_TRUE(image.OpenKey(RootKey::Users, "S-1-5-21-1-2-3-1001_CLASSES", key).ok());
    EXPECT_EQ(image.OpenKey(RootKey::Users, "SYSTEM", key).code, error::FileNotFound);
    EXPECT_FALSE(key);
    EXPECT_EQ(image.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft", key).code,
              error::FileNotFound);
    EXPECT_EQ(image.OpenKeyEx(RootKey::LocalMachine, "SOFTWARE", 0x301, key).code,
              error::InvalidParameter);
}

TEST_F(ImageServices, LiveHivesAreLockedButMeasurable) {
    ImagePlatform& image = Make();
    const std::string system = "C:\\Windows\\System32\\config\\SYSTEM";
    EXPECT_TRUE(image.FileExists(system));
    EXPECT_FALSE(image.OpenExclusive(system));
    EXPECT_FALSE(image.DeleteFile(system));
    // Its logs are held with it, whatever letter case they were written in.
    const fs::path config = folder_.path() / "C/Windows/System32/config";
    WriteBytes(config / "SYSTEM.LOG1", "log");
    WriteBytes(config / "SYSTEM.log2", "log");
    EXPECT_FALSE(image.DeleteFile(system + ".LOG1"));
    EXPECT_FALSE(image.DeleteFile(system + ".LOG2"));
    EXPECT_FALSE(image.OpenExclusive(system + ".log2"));
    EXPECT_TRUE(fs::exists(config / "SYSTEM.log2"));
    WriteBytes(config / "system.LOG", "log"); // the hive's name in another case too
    EXPECT_FALSE(image.DeleteFile(system + ".LOG"));
    EXPECT_TRUE(fs::exists(config / "system.LOG"));
    EXPECT_EQ(image.FindFileSize(system),
              std::optional<uint64_t>(std::string("hive SYSTEM").size()));
    // An ordinary file beside them is neither.
    WriteBytes(folder_.path() / "C/Windows/System32/config/SYSTEM.hvt", "snapshot");
    EXPECT_TRUE(image.OpenExclusive(system + ".hvt"));
    EXPECT_TRUE(image.DeleteFile(system + ".HVT"));
    EXPECT_FALSE(fs::exists(folder_.path() / "C/Windows/System32/config/SYSTEM.hvt"));
    EXPECT_FALSE(image.DeleteFile(system + ".hvt"));
}

TEST_F(ImageServices, FilesFollowWindowsRules) {
    ImagePlatform& image = Make();
    fs::path ro = folder_.path() / "D/readonly.txt";
    WriteBytes(ro, "x");
    fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(image.OpenExclusive("D:\\readonly.txt"));
    EXPECT_FALSE(image.DeleteFile("D:\\readonly.txt"));
    EXPECT_TRUE(fs::exists(ro));
    EXPECT_FALSE(image.OpenExclusive("D:\\missing.txt"));
    EXPECT_FALSE(image.DeleteFile("C:\\Windows"));
    EXPECT_EQ(image.FindFileSize("C:\\Windows"), std::optional<uint64_t>(0));
    EXPECT_EQ(image.FindFileSize("C:\\"), std::nullopt);
    EXPECT_EQ(image.FindFileSize("D:\\missing.txt"), std::nullopt);
    // Sizes beyond 32 bits (a sparse file takes no room).
    fs::path big = folder_.path() / "D/big.bin";
    WriteBytes(big, "");
    fs::resize_file(big, 5000000000ull);
    EXPECT_EQ(image.FindFileSize("d:\\BIG.bin"), std::optional<uint64_t>(5000000000ull));
}

TEST_F(ImageServices, RestorePointsFollowTheMachineFile) {
    ImagePlatform& works = Make();
    std::string longText(80, 'x');
    longText.replace(0, 22, "Made by Orvane Hivelet");
    EXPECT_EQ(
        works.SetRestorePoint(longText, restore::BeginSystemChange, restore::ApplicationInstall),
        RestorePointOutcome::Created);
    auto log = works.ReadLog(RestorePointLog);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "event 100, type 0: " + longText.substr(0, 63));

    for (auto [setting, outcome] : {std::pair{"0", RestorePointOutcome::Failed},
                                    std::pair{"absent", RestorePointOutcome::LibraryMissing}}) {
        TempFolder other(std::string("-") + setting);
        WriteStandardImage(other.path(), false, std::string("SystemRestore=") + setting + "\r\n",
                           Hives::Placeholder);
        ImagePlatform image(other.path());
        EXPECT_EQ(image.SetRestorePoint("Made by Orvane Hivelet", 100, 0), outcome);
        EXPECT_TRUE(image.ReadLog(RestorePointLog).empty());
    }
}

TEST_F(ImageServices, WebPagesAreLoggedInTheImage) {
    ImagePlatform& image = Make();
    EXPECT_TRUE(image.OpenWebPage("https://example.org/help", 0, platform::show::Show));
    EXPECT_TRUE(
        image.OpenWebPage("https://example.org/evil\nboot 9: replaced", 0, platform::show::Show));
    EXPECT_FALSE(image.OpenWebPage("", 0, platform::show::Show));
    auto log = image.ReadLog(WebPageLog);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "https://example.org/help");
    EXPECT_EQ(log[1], "https://example.org/evil\\x0aboot 9: replaced"); // one line per page
    // The log persists in the image.
    ImagePlatform again(folder_.path());
    EXPECT_EQ(again.ReadLog(WebPageLog).size(), 2u);
}

TEST_F(ImageServices, ClockAndRegionalSettings) {
    ImagePlatform& image = Make();
    std::string text = image.LocalDateTimeText();
    ASSERT_EQ(text.size(), 19u) << text;
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[10], ' ');
    EXPECT_EQ(text[13], ':');
    EXPECT_EQ(image.DecimalSeparator(), ".");
    int64_t a = image.MonotonicMilliseconds();
    EXPECT_GE(image.MonotonicMilliseconds(), a);
    EXPECT_FALSE(image.ExecutablePath().empty());
}

} // namespace
} // namespace hivelet::image
