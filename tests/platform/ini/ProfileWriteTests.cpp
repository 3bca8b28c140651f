// Writing profile files: what stays, where new lines go, and failures that must not lose data.
#include "IniTestSupport.h"

#include "platform/ini/AtomicWrite.h"
#include "platform/ini/ProfileFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

namespace hivelet::ini {
namespace {

namespace fs = std::filesystem;

using ini_test::RemoveTree;

class ProfileWrite : public ini_test::ProfileFolderTest {
protected:
    // Only the named files are in the folder: no temporary file was left behind.
    void ExpectOnlyFiles(std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(dir_)) {
            found.push_back(e.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(found, names);
    }
};

TEST_F(ProfileWrite, FirstWritesCreateTheFileWithWindowsLineEndings) {
    fs::path f = dir_ / "options.ini";
    ASSERT_TRUE(WriteProfileString("Options", "RestorePoint", "1", f));
    ASSERT_TRUE(WriteProfileString("Options", "IsAskBeforeDefrag", "1", f));
    ASSERT_TRUE(WriteProfileString("Options", "IsShowLine", "1", f));
    ASSERT_TRUE(WriteProfileString("Options", "Lan", "English", f));
    const std::string options =
        "[Options]\r\nRestorePoint=1\r\nIsAskBeforeDefrag=1\r\nIsShowLine=1\r\nLan=English\r\n";
    EXPECT_EQ(Read(f), options);
    ASSERT_TRUE(WriteProfileString("Scan Result", "Current Size", "1,024 KB", f));
    EXPECT_EQ(Read(f), options + "\r\n[Scan Result]\r\nCurrent Size=1,024 KB\r\n");
    ExpectOnlyFiles({"options.ini"});
}

TEST_F(ProfileWrite, UpdatesInPlaceAndKeepsEverythingElse) {
    const std::string before = "; settings of the program\r\n"
                               "[Options]\r\n"
                               "  restorepoint = 1   ; old comment is part of the value\r\n"
                               "IsShowLine=1\r\n"
                               "junk line\r\n"
                               "\r\n"
                               "[Other]\r\n"
                               "RestorePoint=keep me\r\n";
    fs::path f = Put("options.ini", before);
    ASSERT_TRUE(WriteProfileString("OPTIONS", "RestorePoint", "0", f));
    const std::string options = "; settings of the program\r\n"
                                "[Options]\r\n"
                                "restorepoint=0\r\n"
                                "IsShowLine=1\r\n"
                                "junk line\r\n";
    const std::string other = "\r\n"
                              "[Other]\r\n"
                              "RestorePoint=keep me\r\n";
    EXPECT_EQ(Read(f), options + other);
    // A new key goes after the last non-blank line of its own section, not at the file's end.
    ASSERT_TRUE(WriteProfileString("Options", "Lan", "German", f));
    EXPECT_EQ(Read(f), options + "Lan=German\r\n" + other);
    EXPECT_EQ(GetProfileString("Other", "RestorePoint", "", f), "keep me");
}

TEST_F(ProfileWrite, KeepsLfEndingsAndRepairsAMissingFinalLineBreak) {
    fs::path f = Put("lf.ini", "[A]\nx=1\n[B]\ny=2");
    ASSERT_TRUE(WriteProfileString("B", "z", "3", f));
    ASSERT_TRUE(WriteProfileString("A", "w", "0", f));
    ASSERT_TRUE(WriteProfileString("C", "k", "v", f));
    EXPECT_EQ(Read(f), "[A]\nx=1\nw=0\n[B]\ny=2\nz=3\n\n[C]\nk=v\n");
}

TEST_F(ProfileWrite, RefusesTextThatWouldNotReadBackAsOneKey) {
    const std::string before = "[S]\r\nk=1\r\n";
    fs::path f = Put("s.ini", before);
    EXPECT_FALSE(WriteProfileString("S", "k", "1\r\n[Injected]\r\nx=y", f));
    EXPECT_FALSE(WriteProfileString("S", "a=b", "1", f));
    EXPECT_FALSE(WriteProfileString("S", "  ", "1", f));
    EXPECT_FALSE(WriteProfileString("S]x", "k", "1", f));
    EXPECT_FALSE(WriteProfileString(" S", "k", "1", f));
    EXPECT_FALSE(WriteProfileString("S", "[k", "1", f));  // would read as a section line
    EXPECT_FALSE(WriteProfileString("S", "; k", "1", f)); // would read as a comment
    EXPECT_EQ(Read(f), before);
}

TEST_F(ProfileWrite, ErasesEverySectionOfTheNameAndNothingElse) {
    fs::path f = Put("e.ini", "[Keep]\r\na=1\r\n[Gone]\r\nb=2\r\n; its comment\r\n"
                              "[keep2]\r\nc=3\r\n[GONE]\r\nd=4\r\n");
    ASSERT_TRUE(EraseProfileSection("gone", f));
    EXPECT_EQ(Read(f), "[Keep]\r\na=1\r\n[keep2]\r\nc=3\r\n");
    ASSERT_TRUE(EraseProfileSection("NotThere", f));
    EXPECT_EQ(Read(f), "[Keep]\r\na=1\r\n[keep2]\r\nc=3\r\n");
    ASSERT_TRUE(EraseProfileSection("Any", dir_ / "missing.ini"));
    EXPECT_FALSE(fs::exists(dir_ / "missing.ini"));
}

TEST_F(ProfileWrite, FailuresReportFalseAndLeaveTheFileWhole) {
    const std::string before = "[Options]\r\nLan=English\r\n";
    fs::path ro = Put("readonly.ini", before);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WriteProfileString("Options", "Lan", "German", ro));
    EXPECT_FALSE(EraseProfileSection("Options", ro));
    EXPECT_EQ(Read(ro), before);

    EXPECT_FALSE(WriteProfileString("S", "k", "v", dir_ / "no-such-folder" / "x.ini"));
    fs::create_directory(dir_ / "folder.ini");
    EXPECT_FALSE(WriteProfileString("S", "k", "v", dir_ / "folder.ini"));

#ifndef _WIN32 // Windows lets anyone write into a folder marked read-only
    fs::path sub = dir_ / "locked";
    fs::create_directory(sub);
    fs::path inside = sub / "options.ini";
    std::ofstream(inside, std::ios::binary) << before;
    fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteProfileString("Options", "Lan", "German", inside));
    EXPECT_FALSE(WriteProfileString("New", "k", "v", sub / "new.ini"));
    fs::permissions(sub, fs::perms::owner_all);
    EXPECT_EQ(Read(inside), before);
    EXPECT_FALSE(fs::exists(sub / "new.ini"));
    EXPECT_EQ(std::distance(fs::directory_iterator(sub), fs::directory_iterator()), 1);
#endif
}

TEST_F(ProfileWrite, RewriteKeepsThePermissionsOfTheFile) {
    fs::path f = Put("p.ini", "[S]\nk=1\n");
    fs::permissions(f, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::perms mode = fs::status(f).permissions() & fs::perms::all;
    ASSERT_TRUE(WriteProfileString("S", "k", "2", f));
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, mode);
    EXPECT_EQ(GetProfileString("S", "k", "", f), "2");
    ExpectOnlyFiles({"p.ini"});
}

TEST(AtomicWrite, ReadOnlyMeansNoWriteBitAtAll) {
    fs::path dir = fs::path(::testing::TempDir()) /
                   ("ini-readonly-probe-" + std::to_string(std::random_device()()));
    RemoveTree(dir);
    fs::create_directories(dir);
    fs::path f = dir / "f";
    std::ofstream(f) << "x";
    EXPECT_FALSE(IsReadOnly(f));
    fs::permissions(f, fs::perms::owner_read | fs::perms::others_read);
    EXPECT_TRUE(IsReadOnly(f));
    EXPECT_FALSE(IsReadOnly(dir / "missing"));
    EXPECT_FALSE(WriteFileAtomically(f, "y"));
    RemoveTree(dir);
}

} // namespace
} // namespace hivelet::ini
