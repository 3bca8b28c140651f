#include "i18n/LanguageFile.h"

#include "settings/OptionsSetting.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

namespace hivelet::i18n {
namespace {

using fake::FakePlatform;

const std::string Folder = "C:\\Program Files\\Hivelet\\";
const std::string Beside = Folder + "DLan_German.ini";
const std::string InLanguages = Folder + "Languages\\DLan_German.ini";

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.SetExecutablePath(Folder + "Hivelet.exe");
        settings::OptionsSetting() = {};
        settings::OptionsSetting().Lan = "German";
    }
    void TearDown() override { settings::OptionsSetting() = {}; }
    std::string NotFound() { return GetLanguageString(fake, RES_Not_Found, RES_Not_Found_Default); }
    FakePlatform fake;
};

TEST_F(LanguageTest, FileBesideTheExecutableOverridesTheLanguagesFolder) {
    EXPECT_EQ(LanguageFileName(fake, "German"), InLanguages); // not checked to exist
    fake.AddTextFile(InLanguages, "[ResourceString]\r\nRES_Not_Found=aus Languages\r\n");
    EXPECT_EQ(NotFound(), "aus Languages");
    fake.AddTextFile(Beside, "[ResourceString]\r\nRES_Not_Found=daneben\r\n");
    EXPECT_EQ(LanguageFileName(fake, "German"), Beside);
    EXPECT_EQ(NotFound(), "daneben");
    // The name is used as stored, and a POSIX executable path keeps its own separator.
    fake.SetExecutablePath("/opt/hivelet/hivelet");
    EXPECT_EQ(LanguageFileName(fake, "german"), "/opt/hivelet/Languages/DLan_german.ini");
}

TEST_F(LanguageTest, EnglishInAnyCaseOpensNoFile) {
    fake.AddTextFile(Folder + "DLan_English.ini", "[ResourceString]\r\nRES_Not_Found=x\r\n");
    for (const char* english : {"English", "english", "ENGLISH", "eNGLISH"}) {
        settings::OptionsSetting().Lan = english;
        fake.ClearCalls();
        EXPECT_EQ(NotFound(), "can not be found.");
        EXPECT_TRUE(fake.Calls().empty()) << english;
    }
    EXPECT_FALSE(IsBuiltInLanguage("Englisch"));
}

TEST_F(LanguageTest, MissingFileSectionOrKeyGivesTheDefaultAndEmptyValueIsKept) {
    EXPECT_EQ(NotFound(), "can not be found.");
    fake.AddTextFile(InLanguages, "[frmMain]\r\nRES_Not_Found=wrong section\r\n");
    EXPECT_EQ(NotFound(), "can not be found.");
    fake.AddTextFile(InLanguages, "[resourcestring]\r\nres_analyze_nosuccess = 'Fehler!'\r\n");
    EXPECT_EQ(NotFound(), "can not be found.");
    EXPECT_EQ(GetLanguageString(fake, RES_Analyze_NoSuccess, RES_Analyze_NoSuccess_Default),
              "Fehler!");
    fake.AddTextFile(InLanguages, "[ResourceString]\r\nRES_Not_Found=\r\n");
    EXPECT_EQ(NotFound(), "");
}

TEST_F(LanguageTest, EveryLookupReadsTheCurrentLanguageAndFileAnew) {
    fake.AddTextFile(InLanguages, "[ResourceString]\r\nRES_Not_Found=\"eins\"\r\n");
    EXPECT_EQ(NotFound(), "eins");
    fake.AddTextFile(InLanguages, "[ResourceString]\r\nRES_Not_Found=zwei\r\n");
    EXPECT_EQ(NotFound(), "zwei");
    fake.AddTextFile(Folder + "Languages\\DLan_French.ini",
                     "[ResourceString]\r\nRES_Not_Found=" + std::string(3000, 'f') + "\r\n");
    settings::OptionsSetting().Lan = "French";
    EXPECT_EQ(NotFound(), std::string(2047, 'f'));
}

} // namespace
} // namespace hivelet::i18n
