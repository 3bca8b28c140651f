// The unattended sequences (/Scan and /Silent) around the analysis and the compaction, the result
// file, and waking up a running window.
#include "MainWindowFixture.h"

namespace hivelet::shell::test {
namespace {

constexpr const char* ResultFile = "D:\\Reports\\scan.ini";

class UnattendedTest : public MainWindowTest {
protected:
    // A window for an unattended run whose reports (what it would have shown in boxes) are kept.
    template <class F = TfrmMain> F& CreateReporting(std::vector<std::string> arguments) {
        F& f = Create<F>(std::move(arguments));
        f.OnUnattendedMessage = [this](const std::string& line) { reported.push_back(line); };
        return f;
    }
    std::vector<std::string> reported;

    std::string Result(const char* key) {
        return platform.GetProfileString("Scan Result", key, "<missing>", ResultFile);
    }
    // Profile writes to the result file, in order ("key=value").
    std::vector<std::string> ResultWrites() {
        const std::string prefix = "WriteProfileString Scan Result ";
        const std::string suffix = std::string(" ") + ResultFile;
        std::vector<std::string> out;
        for (const std::string& call : platform.Calls())
            if (call.rfind(prefix, 0) == 0 && call.find(suffix) != std::string::npos)
                out.push_back(call.substr(prefix.size(), call.find(suffix) - prefix.size()));
        return out;
    }
};

TEST_F(UnattendedTest, ScanHidesTheWindowsRunsTheAnalysisWritesTheTotalsAndCloses) {
    platform.SetLocalDateTimeText("10/02/2026 14:03:59");
    ScriptedMain& f = Create<ScriptedMain>({"/Scan", ResultFile});
    bool hiddenDuringAnalysis = false, flagStillShown = false, appWindowHidden = false;
    f.duringAnalysis = [&] {
        hiddenDuringAnalysis = !headless->IsWindowShown(f);
        flagStillShown = f.Visible();
        appWindowHidden = !headless->AppWindowVisible();
        // Whatever an earlier run left is gone before the analysis runs.
        EXPECT_EQ(Result("Current Size"), "<missing>");
    };
    platform.AddTextFile(ResultFile, "[Scan Result]\r\nCurrent Size=1 KB\r\nOld=x\r\n"
                                     "[Mine]\r\nKeep=1\r\n");
    RunMainWindow();

    EXPECT_EQ(f.events, (std::vector<std::string>{"analysis"}));
    EXPECT_TRUE(hiddenDuringAnalysis);
    EXPECT_TRUE(flagStillShown) << "hidden below the toolkit, the visible flag stays set";
    EXPECT_TRUE(appWindowHidden);
    EXPECT_EQ(ResultWrites(),
              (std::vector<std::string>{"Current Size=1,232,757 KB", "New Size=1,047,843 KB",
                                        "Size Reduction=184,914 KB", "Compact Percent=15.0%",
                                        "Time=10/02/2026 14:03:59"}));
    EXPECT_EQ(Result("Old"), "<missing>");
    EXPECT_EQ(platform.GetProfileString("Mine", "Keep", "", ResultFile), "1");
    EXPECT_FALSE(headless->HasWindow(f)) << "the sequence closes the window";
    EXPECT_TRUE(app->Terminated());
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_EQ(f.ExitCode(), 0);
}

TEST_F(UnattendedTest, ScanAfterAFailedAnalysisWritesEmptyTotalsAndAFreshTime) {
    ScriptedMain& f = Create<ScriptedMain>({"/scan", ResultFile});
    f.succeeds = false;
    platform.AddTextFile(ResultFile, "[Scan Result]\r\nCurrent Size=1 KB\r\nTime=yesterday\r\n");
    RunMainWindow();
    EXPECT_EQ(Result("Current Size"), "");
    EXPECT_EQ(Result("New Size"), "");
    EXPECT_EQ(Result("Size Reduction"), "");
    EXPECT_EQ(Result("Compact Percent"), "");
    EXPECT_EQ(Result("Time"), platform.LocalDateTimeText());
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_EQ(f.ExitCode(), 1);
}

TEST_F(UnattendedTest, ScanWithoutAFileAnalysesAndWritesNothing) {
    ScriptedMain& f = Create<ScriptedMain>({"/Scan"});
    RunMainWindow();
    EXPECT_EQ(f.events, (std::vector<std::string>{"analysis"}));
    for (const std::string& call : platform.Calls()) {
        EXPECT_EQ(call.find("Scan Result"), std::string::npos) << call;
    }
    EXPECT_FALSE(headless->HasWindow(f));
}

TEST_F(UnattendedTest, AFailingResultWriteIsReportedWithoutABoxAndEndsTheRun) {
    platform.FailProfileKey("Compact Percent");
    ScriptedMain& f = CreateReporting<ScriptedMain>({"/Scan", ResultFile});
    RunMainWindow();

    EXPECT_TRUE(headless->MessageBoxes().empty()) << "nobody is there to answer a box";
    EXPECT_EQ(reported,
              (std::vector<std::string>{std::string("Orvane Hivelet: Unable to write to ") +
                                        ResultFile + "."}));
    EXPECT_EQ(f.ExitCode(), 1);
    // The keys before the failing one stay written; nothing after it is.
    EXPECT_EQ(ResultWrites().size(), 4u);
    EXPECT_EQ(Result("Size Reduction"), "184,914 KB");
    EXPECT_EQ(Result("Time"), "<missing>");
    // The hidden window closes instead of keeping the process alive.
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_TRUE(app->Terminated());
}

TEST_F(UnattendedTest, AResultFileThatCannotBeErasedStopsBeforeTheAnalysis) {
    platform.SetUnwritableFolder("D:\\Reports\\");
    ScriptedMain& f = CreateReporting<ScriptedMain>({"/Scan", ResultFile});
    RunMainWindow();
    EXPECT_TRUE(f.events.empty());
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_EQ(reported,
              (std::vector<std::string>{std::string("Orvane Hivelet: Unable to write to ") +
                                        ResultFile + "."}));
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_EQ(f.ExitCode(), 1);
}

TEST_F(UnattendedTest, SilentCompactsOnlyAfterASuccessfulAnalysisAndItsExitCodeSaysHowItWent) {
    struct Case {
        const char* name;
        bool analysisSucceeds, compactionSucceeds;
        std::vector<std::string> events;
        int exitCode;
    };
    const Case cases[] = {
        {"both succeed", true, true, {"analysis", "defrag"}, 0},
        {"the analysis fails", false, true, {"analysis"}, 1},
        {"the compaction fails", true, false, {"analysis", "defrag"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset();
        ScriptedMain& f = Create<ScriptedMain>({"/Silent"});
        f.succeeds = c.analysisSucceeds;
        f.compacts = c.compactionSucceeds;
        RunMainWindow();
        EXPECT_EQ(f.events, c.events);
        EXPECT_FALSE(headless->HasWindow(f));
        EXPECT_EQ(f.ExitCode(), c.exitCode);
    }
}

// The real analysis of an unattended run meets an error (here the SOFTWARE snapshot is far too
// small): its message is reported instead of waiting in a box, and the run ends as it would after
// the box was answered, with empty totals in the result file and exit code 1.
TEST_F(UnattendedTest, AnAnalysisErrorOfAnUnattendedRunIsReportedAndTheRunEnds) {
    TfrmMain& f = CreateReporting({"/Scan", ResultFile});
    RunMainWindow();
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_EQ(reported,
              (std::vector<std::string>{"Orvane Hivelet: Failed to analyze the registry!"}));
    EXPECT_EQ(platform.Events(),
              (std::vector<std::string>{"Orvane Hivelet: Failed to analyze the registry!"}))
        << "the Application event log has it under the program's name";
    EXPECT_EQ(Result("Current Size"), "");
    EXPECT_EQ(Result("Time"), platform.LocalDateTimeText());
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_EQ(f.ExitCode(), 1);

    // The same analysis run by a person shows its box, as it always has.
    form.reset();
    reported.clear();
    TfrmMain& g = Create();
    headless->WhenIdle([&] {
        g.bAnalyzeRegistryClick();
        g.Close();
    });
    app->Run(g);
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text, "Failed to analyze the registry!");
    EXPECT_EQ(platform.Events().size(), 1u) << "only the unattended run reported";
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(g.ExitCode(), 0);
}

// An unsupported system refuses the switches; a run that nobody watches then says why and ends
// instead of waiting with a window nobody sees.
TEST_F(UnattendedTest, AnUnsupportedSystemEndsAnUnattendedRunWithItsMessage) {
    platform.SetVersion(platform::PlatformWin32Nt, 10, 0);
    ScriptedMain& f = CreateReporting<ScriptedMain>({"/Silent"});
    app->Run(f);
    EXPECT_TRUE(f.events.empty()) << "the switch is ignored";
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_EQ(reported,
              (std::vector<std::string>{
                  "Orvane Hivelet: The software does not support the current Windows system!"}));
    EXPECT_FALSE(f.Unattended);
    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_EQ(f.ExitCode(), 1);
}

TEST_F(UnattendedTest, ClosingAfterTheSequenceRemovesTheLeftoverSnapshotsAndSavesTheSettings) {
    ScriptedMain& f = Create<ScriptedMain>({"/Silent"});
    const std::string snapshot = std::string(UserFile) + ".hvt";
    f.duringAnalysis = [&] { platform.AddFile(snapshot, 4096); };
    RunMainWindow();
    EXPECT_FALSE(platform.HasFile(snapshot));
    EXPECT_TRUE(platform.HasFile(OptionsFile));
}

// A program run from a read-only share: the scan is complete, only the close cannot save.
TEST_F(UnattendedTest, SettingsThatCannotBeSavedAtTheCloseAreReportedButFailNoFinishedRun) {
    platform.SetUnwritableFolder("C:\\Program Files\\Hivelet\\");
    ScriptedMain& f = CreateReporting<ScriptedMain>({"/Scan", ResultFile});
    RunMainWindow();
    EXPECT_EQ(Result("Compact Percent"), "15.0%");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("options.ini"), std::string::npos) << reported[0];
    EXPECT_EQ(f.ExitCode(), 0);
}

TEST_F(UnattendedTest, AWindowHiddenByASequenceStaysHiddenWhenASecondInstanceKnocks) {
    ScriptedMain& f = Create<ScriptedMain>({"/Scan"});
    bool shownAfterKnock = true;
    f.duringAnalysis = [&] {
        // The analysis runs a modal loop in which other messages arrive.
        ASSERT_TRUE(WakeRunningInstance(app->GetBackend()));
        app->ProcessMessages();
        shownAfterKnock = headless->IsWindowShown(f);
    };
    RunMainWindow();
    EXPECT_FALSE(shownAfterKnock);
}

TEST_F(UnattendedTest, ASecondInstanceRestoresAMinimisedWindowAndBringsItForward) {
    TfrmMain& f = Create();
    ui::NativeWindow window = 0;
    headless->WhenIdle([&] {
        window = headless->WindowOf(f);
        app->Minimize();
        // What the second process does: find the window by its class and knock.
        ASSERT_TRUE(WakeRunningInstance(app->GetBackend()));
    });
    headless->WhenIdle([&] {
        EXPECT_FALSE(headless->AppMinimized());
        EXPECT_TRUE(headless->IsWindowShown(f));
        f.Close();
    });
    app->Run(f);
    const auto& fronted = headless->BroughtToFront();
    // Once by the knocking side, once by the woken window itself.
    EXPECT_EQ(std::count(fronted.begin(), fronted.end(), window), 2);
}

} // namespace
} // namespace hivelet::shell::test
