// Creating, showing and closing the main window: the hive rows, the version check and what it
// stops, grid lines and language check marks from the settings, the switches, and the cleanup of
// snapshots and the settings file at the close.
#include "MainWindowFixture.h"

namespace hivelet::shell::test {
namespace {

TEST_F(MainWindowTest, CreationLoadsTheSettingsAndShowingListsOneRowPerHiveInRegistryOrder) {
    WriteOptionsFile("Lan=German\r\n");
    TfrmMain& f = Create();
    EXPECT_EQ(settings::OptionsSetting().Lan, "German");
    EXPECT_TRUE(f.HiveNames.empty());
    EXPECT_EQ(f.lvMain->ItemCount(), 0u);

    ShowOnly();
    EXPECT_EQ(f.HiveNames, (std::vector<std::string>{SystemHive, SoftwareHive, UserHive}));
    EXPECT_EQ(f.HiveFiles, (std::vector<std::string>{SystemFile, SoftwareFile, UserFile}));
    ASSERT_EQ(f.lvMain->ItemCount(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(f.lvMain->Item(i).caption, f.HiveNames[i]);
        EXPECT_EQ(f.lvMain->Item(i).subItems, (std::vector<std::string>{"", "", ""}));
    }
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_FALSE(f.Unattended);
}

TEST_F(MainWindowTest, WowIsDetectedBeforeTheHiveListIsBuilt) {
    // Under WOW64 the hive files are reached through "sysnative"; the list can only say so when
    // the flag is known by the time it is built.
    platform.SetIsWow64Process(true);
    platform.AddFile("C:\\Windows\\sysnative\\config\\SYSTEM", 262144);
    TfrmMain& f = Show();
    EXPECT_TRUE(f.IsWow64);
    ASSERT_FALSE(f.HiveFiles.empty());
    EXPECT_EQ(f.HiveFiles[0], "C:\\Windows\\sysnative\\config\\SYSTEM");
}

TEST_F(MainWindowTest, AnEmptyHiveListGivesAnEmptyViewWithoutAMessage) {
    platform.FailOpen(platform::RootKey::LocalMachine, catalogue::HiveListKey,
                      platform::error::AccessDenied);
    TfrmMain& f = Show();
    EXPECT_EQ(f.lvMain->ItemCount(), 0u);
    EXPECT_TRUE(headless->MessageBoxes().empty());
}

struct UnsupportedSystem {
    const char* name;
    uint32_t platformId, major, minor;
};

class UnsupportedSystemTest : public MainWindowTest,
                              public ::testing::WithParamInterface<UnsupportedSystem> {};

TEST_P(UnsupportedSystemTest, SaysSoListsTheHivesAndStopsThere) {
    const UnsupportedSystem s = GetParam();
    platform.SetVersion(s.platformId, s.major, s.minor);
    WriteOptionsFile("IsShowLine=0\r\nLan=German\r\n");
    // Started by a person (with a switch nobody may be there: see the unattended suite).
    ScriptedMain& f = Create<ScriptedMain>();
    RunMainWindow();

    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    const auto& box = headless->MessageBoxes()[0];
    EXPECT_EQ(box.text, "The software does not support the current Windows system!");
    EXPECT_EQ(box.caption, "Orvane Hivelet");
    EXPECT_EQ(box.flags, ui::mb::Ok);
    // The rows are there, but nothing after the check happened.
    EXPECT_EQ(f.lvMain->ItemCount(), 3u);
    EXPECT_TRUE(f.lvMain->GridLines()) << "grid lines stay as designed";
    EXPECT_TRUE(CheckedLanguages(f).empty());
    EXPECT_FALSE(f.Unattended);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UnsupportedSystemTest,
    ::testing::Values(UnsupportedSystem{"Windows98", platform::PlatformWin32Windows, 4, 10},
                      UnsupportedSystem{"WindowsMe", platform::PlatformWin32Windows, 4, 90},
                      UnsupportedSystem{"Nt10", platform::PlatformWin32Nt, 10, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, SupportedSystemsPassTheCheck) {
    for (auto [major, minor] : {std::pair{5u, 1u}, {6u, 1u}, {6u, 2u}, {4u, 0u}}) {
        platform.SetVersion(platform::PlatformWin32Nt, major, minor);
        form.reset();
        Show();
        EXPECT_TRUE(headless->MessageBoxes().empty()) << major << "." << minor;
    }
}

TEST_F(MainWindowTest, GridLinesFollowTheSetting) {
    WriteOptionsFile("IsShowLine=0\r\n");
    TfrmMain& off = Show();
    EXPECT_FALSE(off.lvMain->GridLines());

    form.reset();
    platform.AddTextFile(OptionsFile, "");
    TfrmMain& on = Create();
    on.lvMain->SetGridLines(false);
    ShowOnly();
    EXPECT_TRUE(on.lvMain->GridLines());
}

TEST_F(MainWindowTest, TheConfiguredLanguageCarriesTheOnlyCheckMark) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"English", {"miEnglish"}},
        {"brazilianportuguese", {"miBrazilianPortuguese"}},
        {"UKRANIAN", {"miUkranian"}},
        {"Brazilian Portuguese", {}}, // the blank makes it a name no item has
        {"Klingon", {}},
    };
    for (const auto& [lan, expected] : cases) {
        WriteOptionsFile(std::string("Lan=") + lan + "\r\n");
        form.reset();
        TfrmMain& f = Create();
        // Marks left from before are cleared as well.
        f.miGerman->SetChecked(true);
        ShowOnly();
        EXPECT_EQ(CheckedLanguages(f), expected) << lan;
    }
}

TEST_F(MainWindowTest, TheConfiguredLanguageIsAppliedAfterTheCheckMarks) {
    platform.AddTextFile("C:\\Program Files\\Hivelet\\DLan_German.ini",
                         "[frmMain]\r\nbExit=Beenden\r\n[Menu_frmMain]\r\nmiGerman=&Deutsch\r\n");
    WriteOptionsFile("Lan=german\r\n");
    TfrmMain& f = Show();
    EXPECT_EQ(f.bExit->Caption(), "Beenden");
    EXPECT_EQ(f.miGerman->Caption(), "&Deutsch");
    EXPECT_TRUE(f.miGerman->Checked());
    // What the file does not name keeps the text set before, the version in the title included.
    EXPECT_EQ(f.lTitle->Caption(), "Orvane Hivelet 3.0");
    EXPECT_EQ(f.bOptions->Caption(), "Options");
}

TEST_F(MainWindowTest, EnglishOpensNoLanguageFileAndAnUnsupportedSystemNone) {
    platform.AddTextFile("C:\\Program Files\\Hivelet\\DLan_English.ini",
                         "[frmMain]\r\nbExit=Quit\r\n");
    platform.AddTextFile("C:\\Program Files\\Hivelet\\DLan_German.ini",
                         "[frmMain]\r\nbExit=Beenden\r\n");
    WriteOptionsFile("Lan=ENGLISH\r\n");
    TfrmMain& english = Show();
    EXPECT_EQ(english.bExit->Caption(), "Exit");

    form.reset();
    platform.SetVersion(platform::PlatformWin32Nt, 10, 0);
    WriteOptionsFile("Lan=German\r\n");
    TfrmMain& unsupported = Show();
    EXPECT_EQ(unsupported.bExit->Caption(), "Exit");
}

struct SwitchCase {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> events; // of the stand-in analysis and compaction
    bool unattended;
};

class SwitchTest : public MainWindowTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchTest, OnlyTheWholeFirstArgumentCounts) {
    const SwitchCase& c = GetParam();
    ScriptedMain& f = Create<ScriptedMain>(c.arguments);
    RunMainWindow();
    EXPECT_EQ(f.Unattended, c.unattended);
    EXPECT_EQ(f.events, c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SwitchTest,
    ::testing::Values(SwitchCase{"None", {}, {}, false},
                      SwitchCase{"Silent", {"/Silent"}, {"analysis", "defrag"}, true},
                      SwitchCase{"SilentLowerCase", {"/silent"}, {"analysis", "defrag"}, true},
                      SwitchCase{"ScanUpperCase", {"/SCAN"}, {"analysis"}, true},
                      SwitchCase{"SilentAsSecondArgument", {"C:\\r.ini", "/Silent"}, {}, false},
                      SwitchCase{"SilentWithSuffix", {"/Silent:now"}, {}, false},
                      SwitchCase{"DashInsteadOfSlash", {"-Silent"}, {}, false},
                      SwitchCase{"ScanWithFile", {"/Scan", "C:\\r.ini"}, {"analysis"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, ClosingRemovesTheSnapshotsThatAreNotHeldAndSavesTheSettings) {
    TfrmMain& f = Show();
    const std::string system = std::string(SystemFile) + ".hvt";
    const std::string software = std::string(SoftwareFile) + ".hvt";
    const std::string user = std::string(UserFile) + ".hvt";
    platform.AddFile(system, 4096);
    platform.AddFile(software, 4096);
    platform.SetHeld(software, true); // handed to a scheduled replacement
    // No snapshot for the user hive: nothing to delete there.
    settings::OptionsSetting().Lan = "French";
    platform.ClearCalls();

    f.bExit->Click();

    EXPECT_FALSE(platform.HasFile(system));
    EXPECT_TRUE(platform.HasFile(software));
    EXPECT_EQ(platform.Deletes(), (std::vector<std::string>{system, software}));
    EXPECT_TRUE(f.HiveNames.empty());
    EXPECT_TRUE(f.HiveFiles.empty());
    EXPECT_EQ(platform.GetProfileString("Options", "Lan", "", OptionsFile), "French");
    EXPECT_EQ(platform.GetProfileString("Options", "RestorePoint", "", OptionsFile), "1");
    EXPECT_FALSE(headless->HasWindow(f));
}

TEST_F(MainWindowTest, TheCloseImageClosesTheWindowToo) {
    TfrmMain& f = Show();
    ASSERT_TRUE(headless->Click(*f.bClose));
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_TRUE(platform.HasFile(OptionsFile));
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowStillCloses) {
    TfrmMain& f = Show();
    platform.SetUnwritableFolder("C:\\Program Files\\Hivelet\\");
    f.bExit->Click();
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text,
              std::string("Unable to write to ") + OptionsFile + ".");
    EXPECT_EQ(headless->MessageBoxes()[0].flags & ui::mb::IconMask, ui::mb::IconError);
    EXPECT_FALSE(headless->HasWindow(f));
}

// The snapshots go first: a settings file that then cannot be written leaves none behind.
TEST_F(MainWindowTest, TheSnapshotsAreRemovedEvenWhenSavingTheSettingsThenFails) {
    TfrmMain& f = Show();
    const std::string system = std::string(SystemFile) + ".hvt";
    const std::string user = std::string(UserFile) + ".hvt";
    platform.AddFile(system, 4096);
    platform.AddFile(user, 4096);
    platform.SetUnwritableFolder("C:\\Program Files\\Hivelet\\");
    platform.ClearCalls();

    f.bExit->Click();

    EXPECT_FALSE(platform.HasFile(system));
    EXPECT_FALSE(platform.HasFile(user));
    EXPECT_TRUE(f.HiveNames.empty());
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text,
              std::string("Unable to write to ") + OptionsFile + ".");
    // In that order: the deletions, then the failing write.
    size_t lastDelete = 0, firstWrite = 0;
    const auto calls = platform.Calls();
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("DeleteFile", 0) == 0)
            lastDelete = i;
        if (!firstWrite && calls[i].rfind("WriteProfileString", 0) == 0)
            firstWrite = i;
    }
    EXPECT_GT(firstWrite, lastDelete);
    EXPECT_FALSE(headless->HasWindow(f));
}

TEST_F(MainWindowTest, MinimiseGoesThroughTheSystemCommand) {
    TfrmMain& f = Create();
    app->SetTitle("Orvane Hivelet");
    headless->WhenIdle([&] {
        ASSERT_TRUE(headless->Click(*f.bMinimize));
        EXPECT_FALSE(headless->AppMinimized()) << "posted, not done at once";
    });
    headless->WhenIdle([&] {
        EXPECT_TRUE(headless->AppMinimized());
        f.Close();
    });
    app->Run(f);
    EXPECT_TRUE(headless->AppMinimized());
}

} // namespace
} // namespace hivelet::shell::test
