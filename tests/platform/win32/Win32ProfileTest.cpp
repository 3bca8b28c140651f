// Profile (INI) files through the Windows service, with the lookup rules the settings and the
// language files rely on.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

namespace hivelet::platform::win32 {
namespace {

using testing::ReadWholeFile;
using testing::ScratchFolder;
using testing::WriteWholeFile;

TEST(Win32Profile, WrittenKeysReadBackAndUnknownOnesGiveTheDefault) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "options.ini";
    EXPECT_EQ(platform.GetProfileString("Options", "Lan", "English", file), "English")
        << "missing file";
    ASSERT_TRUE(platform.WriteProfileString("Options", "RestorePoint", "1", file));
    ASSERT_TRUE(platform.WriteProfileString("Options", "Lan", "German", file));
    // Flushing answers FALSE on Windows whatever happens; only its effect counts.
    platform.FlushProfile(file);

    EXPECT_EQ(platform.GetProfileString("Options", "Lan", "English", file), "German");
    EXPECT_EQ(platform.GetProfileString("options", "LAN", "English", file), "German")
        << "sections and keys ignore case";
    EXPECT_EQ(platform.GetProfileString("Options", "IsShowLine", "dflt", file), "dflt");
    EXPECT_EQ(platform.GetProfileString("Other", "Lan", "dflt", file), "dflt");

    auto text = ReadWholeFile(file);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("[Options]"), std::string::npos);
    EXPECT_LT(text->find("RestorePoint=1"), text->find("Lan=German")) << "keys in writing order";
}

TEST(Win32Profile, ReadingFollowsTheWindowsRules) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "DLan_Test.ini";
    ASSERT_TRUE(WriteWholeFile(file, "; a comment line\r\n"
                                     "[frmMain]\r\n"
                                     "  bAnalyzeRegistry  =  &Analyze  \r\n"
                                     "quoted=\"  kept blanks  \"\r\n"
                                     "single='x'\r\n"
                                     "empty=\r\n"
                                     "garbage line\r\n"
                                     "long=" +
                                         std::string(3000, 'v') + "\r\n"));
    EXPECT_EQ(platform.GetProfileString("frmMain", "bAnalyzeRegistry", "", file), "&Analyze");
    EXPECT_EQ(platform.GetProfileString("frmMain", "quoted", "", file), "  kept blanks  ");
    EXPECT_EQ(platform.GetProfileString("frmMain", "single", "", file), "x");
    EXPECT_EQ(platform.GetProfileString("frmMain", "empty", "default", file), "")
        << "present but empty is not missing";
    EXPECT_EQ(platform.GetProfileString("frmMain", "long", "", file), std::string(2047, 'v'));
}

TEST(Win32Profile, ErasingASectionKeepsTheOthers) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string file = folder / "result.ini";
    ASSERT_TRUE(platform.WriteProfileString("Scan Result", "Current Size", "10,496 KB", file));
    ASSERT_TRUE(platform.WriteProfileString("Keep", "Key", "Value", file));
    ASSERT_TRUE(platform.EraseProfileSection("Scan Result", file));
    platform.FlushProfile(file);
    EXPECT_EQ(platform.GetProfileString("Scan Result", "Current Size", "gone", file), "gone");
    EXPECT_EQ(platform.GetProfileString("Keep", "Key", "", file), "Value");
}

TEST(Win32Profile, WritingWhereNoFileCanBeMadeFails) {
    Win32Platform platform;
    ScratchFolder folder;
    EXPECT_FALSE(platform.WriteProfileString("Options", "Lan", "English",
                                             folder / "no such folder\\options.ini"));
}

} // namespace
} // namespace hivelet::platform::win32
