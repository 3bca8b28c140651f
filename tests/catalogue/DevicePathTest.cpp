#include "catalogue/DevicePath.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace hivelet::catalogue {
namespace {

using fake::FakePlatform;
namespace drive = platform::drive;

const std::string SystemHive = "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SYSTEM";

class DevicePath : public ::testing::Test {
protected:
    bool Called(const std::string& line) const {
        auto calls = fake.Calls();
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }
    FakePlatform fake;
};

TEST_F(DevicePath, VolumeOfAFixedDriveGivesItsLetterAndTheRestInItsCase) {
    fake.AddDrive('A', drive::Removable, "\\Device\\Floppy0");
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume2");
    fake.AddFile("C:\\Windows\\System32\\config\\SYSTEM", 1);
    EXPECT_EQ(FixedDriveFromDevicePath(fake, SystemHive), "C:\\Windows\\System32\\config\\SYSTEM");
    EXPECT_EQ(HiveFileFromDevicePath(fake, SystemHive, false),
              "C:\\Windows\\System32\\config\\SYSTEM");
    EXPECT_EQ(DosPathFromDevicePath(fake, SystemHive), "c:\\Windows\\System32\\config\\SYSTEM");
    // The buffer sizes the drive services are given.
    EXPECT_TRUE(Called("GetLogicalDriveStrings 104"));
    EXPECT_TRUE(Called("QueryDosDevice C: 127"));
    EXPECT_TRUE(Called("QueryDosDevice a: 1000"));
    // The removable drive's device is never asked for on the fixed-drive search.
    EXPECT_FALSE(Called("QueryDosDevice A: 127"));
}

TEST_F(DevicePath, MissingLeadingBackslashIsFoundByTheExactMatch) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume2");
    fake.AddFile("C:\\Windows\\System32\\config\\SYSTEM", 1);
    const std::string path = SystemHive.substr(1);
    EXPECT_EQ(FixedDriveFromDevicePath(fake, path), "");
    EXPECT_EQ(HiveFileFromDevicePath(fake, path, false), "c:\\Windows\\System32\\config\\SYSTEM");
}

TEST_F(DevicePath, PrefixCollisionFallsBackToTheExactVolume) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume1");
    fake.AddDrive('D', drive::Fixed, "\\Device\\HarddiskVolume12");
    fake.AddFile("D:\\Windows\\System32\\config\\SOFTWARE", 1);
    const std::string path = "\\Device\\HarddiskVolume12\\Windows\\System32\\config\\SOFTWARE";
    EXPECT_EQ(FixedDriveFromDevicePath(fake, path), "C:2\\Windows\\System32\\config\\SOFTWARE");
    EXPECT_EQ(HiveFileFromDevicePath(fake, path, false), "d:\\Windows\\System32\\config\\SOFTWARE");
}

TEST_F(DevicePath, RemovableDriveOnlyByExactMatchAndNoLetterGivesNothing) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume1");
    fake.AddDrive('E', drive::Removable, "\\Device\\HarddiskVolume5");
    fake.AddFile("E:\\Users\\u\\NTUSER.DAT", 1);
    fake.AddFile("C:\\Users\\u\\NTUSER.DAT", 1);
    const std::string onE = "\\Device\\HarddiskVolume5\\Users\\u\\NTUSER.DAT";
    EXPECT_EQ(FixedDriveFromDevicePath(fake, onE), "");
    EXPECT_EQ(HiveFileFromDevicePath(fake, onE, false), "e:\\Users\\u\\NTUSER.DAT");
    EXPECT_EQ(
        HiveFileFromDevicePath(fake, "\\Device\\HarddiskVolume9\\Users\\u\\NTUSER.DAT", false), "");
    EXPECT_EQ(HiveFileFromDevicePath(fake, "\\Device\\Mup\\server\\share\\hive", false), "");
}

TEST_F(DevicePath, TranslatedPathMustExist) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume2");
    EXPECT_EQ(HiveFileFromDevicePath(fake, SystemHive, false), "");
}

TEST_F(DevicePath, DiskAndPartitionFormIsSplitAfterThePartition) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\Harddisk0\\Partition1");
    fake.AddFile("C:\\WINNT\\system32\\config\\SAM", 1);
    const std::string path = "\\Device\\Harddisk0\\Partition1\\WINNT\\system32\\config\\SAM";
    EXPECT_EQ(DosPathFromDevicePath(fake, path), "c:\\WINNT\\system32\\config\\SAM");
    EXPECT_EQ(HiveFileFromDevicePath(fake, path, false), "C:\\WINNT\\system32\\config\\SAM");
    // Without its leading backslash too.
    EXPECT_EQ(DosPathFromDevicePath(fake, path.substr(1)), "c:\\WINNT\\system32\\config\\SAM");
}

TEST_F(DevicePath, VolumeWithoutARestAndUnsplitPaths) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume2");
    fake.AddDrive('R', drive::RamDisk, "\\Device\\Ramdisk");
    EXPECT_EQ(DosPathFromDevicePath(fake, "\\Device\\HarddiskVolume2"), "c:");
    // A path that is not on a hard disk is compared whole.
    EXPECT_EQ(DosPathFromDevicePath(fake, "\\Device\\Ramdisk"), "r:");
    EXPECT_EQ(DosPathFromDevicePath(fake, "\\Device\\Ramdisk\\hive"), "");
}

TEST_F(DevicePath, FixedDriveSearchSkipsDrivesWhoseDeviceCannotBeQueried) {
    fake.AddDrive('C', drive::Fixed, "");
    fake.AddDrive('D', drive::Fixed, "\\Device\\HarddiskVolume2");
    EXPECT_EQ(FixedDriveFromDevicePath(fake, SystemHive), "D:\\Windows\\System32\\config\\SYSTEM");
}

TEST_F(DevicePath, TwentySixDrivesOverflowTheListAndTheExactMatchStillFinds) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        fake.AddDrive(letter, drive::Fixed,
                      "\\Device\\HarddiskVolume" + std::to_string(100 + letter));
    }
    const std::string device = "\\Device\\HarddiskVolume" + std::to_string(100 + 'Q');
    fake.AddFile("Q:\\hive", 1);
    EXPECT_EQ(FixedDriveFromDevicePath(fake, device + "\\hive"), "");
    EXPECT_EQ(HiveFileFromDevicePath(fake, device + "\\hive", false), "q:\\hive");
}

TEST_F(DevicePath, Wow64RewritesSystem32OnlyWhenTheSysnativeFileExists) {
    fake.AddDrive('C', drive::Fixed, "\\Device\\HarddiskVolume2");
    fake.AddFile("C:\\Windows\\System32\\config\\SYSTEM", 1);
    fake.AddFile("C:\\Windows\\sysnative\\config\\SYSTEM", 1);
    fake.AddFile("C:\\Users\\u\\NTUSER.DAT", 1);
    fake.AddFile("C:\\Windows\\System32\\config\\SAM", 1);

    EXPECT_EQ(HiveFileFromDevicePath(fake, SystemHive, true),
              "C:\\Windows\\sysnative\\config\\SYSTEM");
    EXPECT_EQ(HiveFileFromDevicePath(fake, SystemHive, false),
              "C:\\Windows\\System32\\config\\SYSTEM");
    EXPECT_EQ(HiveFileFromDevicePath(fake, "\\Device\\HarddiskVolume2\\Users\\u\\NTUSER.DAT", true),
              "C:\\Users\\u\\NTUSER.DAT");
    // No sysnative file behind it: the system32 path stays.
    EXPECT_EQ(HiveFileFromDevicePath(
                  fake, "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SAM", true),
              "C:\\Windows\\System32\\config\\SAM");
    // Only the first occurrence is replaced and the rest keeps its case.
    fake.AddFile("X:\\sysnative\\SYSTEM32\\Hive", 1);
    EXPECT_EQ(ToSysnativePath(fake, "X:\\SYSTEM32\\SYSTEM32\\Hive"),
              "X:\\sysnative\\SYSTEM32\\Hive");
    EXPECT_EQ(ToSysnativePath(fake, "X:\\Users\\Hive"), "X:\\Users\\Hive");
}

TEST_F(DevicePath, DetectWow64FollowsIsWow64Process) {
    fake.SetIsWow64Process(std::nullopt);
    EXPECT_FALSE(DetectWow64(fake));
    fake.SetIsWow64Process(false);
    EXPECT_FALSE(DetectWow64(fake));
    fake.SetIsWow64Process(true);
    EXPECT_TRUE(DetectWow64(fake));
}

} // namespace
} // namespace hivelet::catalogue
