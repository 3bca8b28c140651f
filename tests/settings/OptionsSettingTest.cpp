#include "settings/OptionsSetting.h"
#include "settings/ExecutableFolder.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::settings {
namespace {

using fake::FakePlatform;

const std::string Ini = "D:\\Tools\\Hivelet\\options.ini";

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.SetExecutablePath("D:\\Tools\\Hivelet\\Hivelet.exe");
        OptionsSetting() = {};
    }
    void TearDown() override { OptionsSetting() = {}; }
    FakePlatform fake;
};

TEST_F(OptionsTest, NoFileGivesTheDefaultsAndTheFirstSaveWritesThemInOrder) {
    LoadOrSaveOptions(fake, true);
    EXPECT_TRUE(OptionsSetting().RestorePoint);
    EXPECT_TRUE(OptionsSetting().IsAskBeforeDefrag);
    EXPECT_TRUE(OptionsSetting().IsShowLine);
    EXPECT_EQ(OptionsSetting().Lan, "English");

    LoadOrSaveOptions(fake, false);
    EXPECT_EQ(fake.FileText(Ini), "[Options]\r\nRestorePoint=1\r\nIsAskBeforeDefrag=1\r\n"
                                  "IsShowLine=1\r\nLan=English\r\n");
    EXPECT_EQ(fake.Flushes(), std::vector<std::string>{Ini});
}

TEST_F(OptionsTest, ReadsKeysInOrderWithTheIntegerRules) {
    fake.AddTextFile(Ini, "[Other]\r\nKeep=me\r\n[options]\r\nrestorepoint = yes\r\n"
                          "IsAskBeforeDefrag=0x0\r\nIsShowLine=0\r\nLan=German\r\n");
    LoadOrSaveOptions(fake, true);
    EXPECT_TRUE(OptionsSetting().RestorePoint); // not an integer: the default
    EXPECT_FALSE(OptionsSetting().IsAskBeforeDefrag);
    EXPECT_FALSE(OptionsSetting().IsShowLine);
    EXPECT_EQ(OptionsSetting().Lan, "German");

    std::vector<std::string> keys;
    for (const auto& call : fake.Calls()) {
        if (call.rfind("GetProfileString Options ", 0) == 0) {
            keys.push_back(call.substr(25, call.find(' ', 25) - 25));
        }
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"RestorePoint", "IsAskBeforeDefrag", "IsShowLine", "Lan"}));

    // Saving rewrites the four keys in place and leaves other sections alone.
    OptionsSetting().IsShowLine = true;
    OptionsSetting().Lan = "NoSuchLanguage";
    LoadOrSaveOptions(fake, false);
    EXPECT_EQ(fake.FileText(Ini), "[Other]\r\nKeep=me\r\n[options]\r\nrestorepoint=1\r\n"
                                  "IsAskBeforeDefrag=0\r\nIsShowLine=1\r\nLan=NoSuchLanguage\r\n");
    OptionsSetting() = {};
    LoadOrSaveOptions(fake, true);
    EXPECT_EQ(OptionsSetting().Lan, "NoSuchLanguage");
}

TEST_F(OptionsTest, IntegerRules) {
    EXPECT_EQ(ParseProfileInteger("0"), 0);
    EXPECT_EQ(ParseProfileInteger("00"), 0);
    EXPECT_EQ(ParseProfileInteger("-0"), 0);
    EXPECT_EQ(ParseProfileInteger("12"), 12);
    EXPECT_EQ(ParseProfileInteger("-3"), -3);
    EXPECT_EQ(ParseProfileInteger("0x1F"), 31);
    EXPECT_EQ(ParseProfileInteger("0XfF"), 255);
    EXPECT_EQ(ParseProfileInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseProfileInteger("-2147483648"), INT32_MIN);
    for (const char* bad : {"", "yes", "true", "0x", "0x1G", "1.0", "1 2", "+", "2147483648",
                            "0x100000000", "x1", "$1"}) {
        EXPECT_EQ(ParseProfileInteger(bad), std::nullopt) << bad;
    }
}

TEST_F(OptionsTest, EmptyLanguageValueStaysEmptyAndMissingOneIsEnglish) {
    fake.AddTextFile(Ini, "[Options]\r\nLan=\r\nIsShowLine=\r\n");
    LoadOrSaveOptions(fake, true);
    EXPECT_EQ(OptionsSetting().Lan, "");
    EXPECT_TRUE(OptionsSetting().IsShowLine);
}

TEST_F(OptionsTest, AFailedWriteThrowsWithThePathAndStopsAtThatKey) {
    OptionsSetting() = {false, true, true, "French"};
    fake.FailProfileKey("IsShowLine");
    try {
        LoadOrSaveOptions(fake, false);
        FAIL() << "no error";
    } catch (const SettingsWriteError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to D:\\Tools\\Hivelet\\options.ini");
    }
    EXPECT_EQ(fake.FileText(Ini), "[Options]\r\nRestorePoint=1\r\nIsAskBeforeDefrag=0\r\n");
    EXPECT_TRUE(fake.Flushes().empty());
    EXPECT_EQ(OptionsSetting().Lan, "French");

    FakePlatform readOnly;
    readOnly.SetExecutablePath("C:\\RO\\Hivelet.exe");
    readOnly.SetUnwritableFolder("C:\\RO\\");
    EXPECT_THROW(LoadOrSaveOptions(readOnly, false), SettingsWriteError);
    EXPECT_FALSE(readOnly.HasFile("C:\\RO\\options.ini"));
}

TEST(ExecutableFolder, EndsWithTheLastSeparatorOfEitherKind) {
    FakePlatform fake;
    fake.SetExecutablePath("C:\\Program Files\\Hivelet\\Hivelet.exe");
    EXPECT_EQ(ExecutableFolder(fake), "C:\\Program Files\\Hivelet\\");
    fake.SetExecutablePath("/opt/hivelet/bin/hivelet");
    EXPECT_EQ(ExecutableFolder(fake), "/opt/hivelet/bin/");
    EXPECT_EQ(OptionsFilePath(fake), "/opt/hivelet/bin/options.ini");
    fake.SetExecutablePath("hivelet");
    EXPECT_EQ(ExecutableFolder(fake), "");
    EXPECT_EQ(FolderSeparator("/opt/"), '/');
    EXPECT_EQ(FolderSeparator("C:\\x\\"), '\\');
}

} // namespace
} // namespace hivelet::settings
