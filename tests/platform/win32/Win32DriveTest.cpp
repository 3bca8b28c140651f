// Drive strings, drive types and device names, including a drive letter the test maps itself.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace hivelet::platform::win32 {
namespace {

// The drive roots ("C:\\") in the order the service lists them.
std::vector<std::string> SplitDriveStrings(const std::string& buffer) {
    std::vector<std::string> roots;
    for (size_t start = 0; start < buffer.size();) {
        size_t end = buffer.find('\0', start);
        if (end == std::string::npos) {
            end = buffer.size();
        }
        if (end > start) {
            roots.push_back(buffer.substr(start, end - start));
        }
        start = end + 1;
    }
    return roots;
}

// A letter with no drive behind it; '\0' when every letter is taken.
char FreeDriveLetter() {
    DWORD used = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter) {
        if (!(used & (1u << (letter - 'A')))) {
            return letter;
        }
    }
    return '\0';
}

// Maps a drive letter straight to a kernel device name for the scope of a test.
class MappedDrive {
public:
    MappedDrive(char letter, std::string target)
        : device_{letter, ':', '\0'}, target_(std::move(target)) {
        mapped_ = DefineDosDeviceA(DDD_RAW_TARGET_PATH, device_, target_.c_str());
    }
    ~MappedDrive() {
        if (mapped_) {
            DefineDosDeviceA(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION |
                                 DDD_EXACT_MATCH_ON_REMOVE,
                             device_, target_.c_str());
        }
    }
    bool mapped() const { return mapped_; }
    std::string device() const { return device_; }

private:
    char device_[3];
    std::string target_;
    bool mapped_ = false;
};

TEST(Win32Drives, DriveStringsFitTheBufferOrReportTheSizeNeeded) {
    Win32Platform platform;
    std::string buffer;
    uint32_t length = platform.GetLogicalDriveStrings(104, buffer);
    ASSERT_GT(length, 0u);
    ASSERT_LE(length, 104u);
    EXPECT_EQ(length % 4, 0u) << "each entry is a letter, a colon, a backslash and a terminator";
    EXPECT_EQ(buffer.size(), length);
    std::vector<std::string> roots = SplitDriveStrings(buffer);
    EXPECT_EQ(roots.size(), length / 4);
    EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
    for (const std::string& root : roots) {
        EXPECT_EQ(root.size(), 3u);
        EXPECT_TRUE(root[0] >= 'A' && root[0] <= 'Z') << root;
        EXPECT_EQ(root.substr(1), ":\\");
    }

    // Too small: the service says how much it needs and the caller gets nothing.
    std::string small = "stale";
    uint32_t needed = platform.GetLogicalDriveStrings(length / 2, small);
    EXPECT_GT(needed, length / 2);
    EXPECT_TRUE(small.empty());
}

TEST(Win32Drives, TypesOfTheSystemDriveAndOfAnUnusedLetter) {
    Win32Platform platform;
    EXPECT_EQ(platform.GetDriveType("C:\\"), drive::Fixed);
    char letter = FreeDriveLetter();
    ASSERT_NE(letter, '\0');
    EXPECT_EQ(platform.GetDriveType(std::string(1, letter) + ":\\"), drive::NoRootDir);
}

TEST(Win32Drives, DeviceNameOfAMappedLetterIsItsTarget) {
    Win32Platform platform;
    char letter = FreeDriveLetter();
    ASSERT_NE(letter, '\0');
    MappedDrive drive(letter, "\\Device\\HarddiskVolume12");
    ASSERT_TRUE(drive.mapped());

    std::string target = "stale";
    ASSERT_TRUE(platform.QueryDosDevice(drive.device(), 127, target));
    EXPECT_EQ(target, "\\Device\\HarddiskVolume12");
    ASSERT_TRUE(platform.QueryDosDevice(drive.device(), 1000, target));
    EXPECT_EQ(target, "\\Device\\HarddiskVolume12");

    // A buffer too small for the name is a failure, not a cut name.
    EXPECT_FALSE(platform.QueryDosDevice(drive.device(), 8, target));
    EXPECT_TRUE(target.empty());
}

TEST(Win32Drives, FixedDrivesHaveKernelDeviceNamesAndUnusedLettersNone) {
    Win32Platform platform;
    std::string target;
    ASSERT_TRUE(platform.QueryDosDevice("C:", 127, target));
    EXPECT_EQ(target.rfind("\\Device\\", 0), 0u) << target;
    EXPECT_EQ(target.find('\0'), std::string::npos);

    char letter = FreeDriveLetter();
    ASSERT_NE(letter, '\0');
    target = "stale";
    EXPECT_FALSE(platform.QueryDosDevice(std::string(1, letter) + ":", 1000, target));
    EXPECT_TRUE(target.empty());
}

} // namespace
} // namespace hivelet::platform::win32
