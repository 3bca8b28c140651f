// "Defrag Registry" and "Options" on the main window, over a scriptable platform: the question,
// the settings save, the restore point, the replacements, the notice and the restart, in order,
// and where each way of saying no stops the flow.
#include "defrag/SystemPiont.h"
#include "settings/AskDelete.h"
#include "settings/Options.h"
#include "shell/MainWindowFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace hivelet::shell::test {
namespace {

using platform::RestorePointOutcome;

const std::string RestartNotice = "You must restart your computer for the changes to take effect. "
                                  "Click the OK button to restart your computer now.";

// The main window with a stand-in analysis: snapshots beside every hive and the Reduction cells
// as scripted, then the compaction enabled (unless the analysis is scripted to fail).
class AnalysedMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    std::function<void(AnalysedMain&)> analysis;
    void bAnalyzeRegistryClick() override {
        if (analysis)
            analysis(*this);
    }
};

class DefragFlowTest : public MainWindowTest {
protected:
    // Reductions for SYSTEM, SOFTWARE and the user hive, in list order.
    std::vector<std::string> reductions{"15%", "0%", "1%"};
    bool analysisSucceeds = true;

    AnalysedMain& Open(std::vector<std::string> arguments = {}) {
        AnalysedMain& f = Create<AnalysedMain>(std::move(arguments));
        f.analysis = [this](AnalysedMain& m) {
            for (size_t i = 0; i < m.HiveFiles.size(); ++i) {
                platform.AddFile(m.HiveFiles[i] + ".hvt", 65536);
                m.lvMain->SetSubItem(i, 2, reductions[i]);
            }
            if (analysisSucceeds)
                m.bDefragRegistry->SetEnabled(true);
        };
        return f;
    }
    // Shows the window and analyses, as the user would by the button.
    AnalysedMain& Analysed() {
        AnalysedMain& f = Open();
        ShowOnly();
        EXPECT_TRUE(headless->Click(*f.bAnalyzeRegistry));
        return f;
    }
    void Defrag() { EXPECT_TRUE(headless->Click(*form->bDefragRegistry)); }

    // The file name of a call's first argument ("DeleteFile C:\...\SOFTWARE.bak -> 1":
    // SOFTWARE.bak).
    static std::string FirstFileName(const std::string& call) {
        const size_t start = call.find(' ') + 1;
        const std::string path = call.substr(start, call.find(' ', start) - start);
        return path.substr(path.rfind('\\') + 1);
    }

    // What the flow did to the system, in order: the settings written, the restore point, the
    // restore privilege, backups set aside or deleted, replacements and the restart.
    std::vector<std::string> Effects() const {
        std::vector<std::string> out;
        for (const std::string& call : platform.Calls()) {
            auto starts = [&](const char* p) { return call.rfind(p, 0) == 0; };
            if (starts("WriteProfileString Options IsAskBeforeDefrag"))
                out.push_back("save");
            else if (starts("SetRestorePoint"))
                out.push_back("restore point");
            else if (starts("AdjustTokenPrivilege SeRestorePrivilege"))
                out.push_back("restore privilege");
            else if (starts("DeleteFile") && call.find(".bak") != std::string::npos)
                out.push_back("delete " + FirstFileName(call));
            else if (starts("MoveFile") && call.find(".bak ") != std::string::npos)
                out.push_back("set aside " + FirstFileName(call));
            else if (starts("ReplaceKey"))
                out.push_back(call.substr(0, call.find(' ', call.find(' ', 11) + 1)));
            else if (starts("ExitWindows"))
                out.push_back(call);
        }
        return out;
    }

    // Answers the dialog of class D that is up next with `act`.
    template <class D> void WhenAsked(std::function<void(D&)> act) {
        headless->WhenIdle([this, act] {
            auto* dialog = dynamic_cast<D*>(app->ActiveForm());
            ASSERT_NE(dialog, nullptr) << "the expected dialog is not up";
            act(*dialog);
        });
    }
    void AnswerAsk(bool yes) {
        WhenAsked<settings::TfrmAskDelete>(
            [this, yes](auto& ask) { headless->Click(yes ? *ask.bOK : *ask.bCancel); });
    }
};

const std::vector<std::string> ScheduledTwoOfThree{"restore privilege", "ReplaceKey HKLM SYSTEM",
                                                   "ReplaceKey HKU S-1-5-18",
                                                   "ExitWindows 0x6 1 -> 0"};

TEST_F(DefragFlowTest, ConfirmedRunMakesARestorePointSchedulesTheHivesWithASavingAndRestarts) {
    AnalysedMain& f = Analysed();
    AnswerAsk(true);
    size_t replacesAtNotice = 0, exitsAtNotice = 1;
    headless->OnMessageBox = [&](const ui::test::MessageBoxRecord&) {
        replacesAtNotice = platform.Replaces().size();
        exitsAtNotice = platform.Exits().size();
        return ui::mrOk;
    };
    Defrag();

    std::vector<std::string> expected{"save", "restore point"};
    expected.insert(expected.end(), ScheduledTwoOfThree.begin(), ScheduledTwoOfThree.end());
    EXPECT_EQ(Effects(), expected);
    const auto replaces = platform.Replaces();
    ASSERT_EQ(replaces.size(), 2u);
    EXPECT_EQ(replaces[0].newFile, std::string(SystemFile) + ".hvt");
    EXPECT_EQ(replaces[0].oldFile, std::string(SystemFile) + ".bak");
    EXPECT_EQ(replaces[1].root, platform::RootKey::Users);

    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    const auto& notice = headless->MessageBoxes()[0];
    EXPECT_EQ(notice.text, RestartNotice);
    EXPECT_EQ(notice.caption, "Orvane Hivelet");
    EXPECT_EQ(notice.flags, ui::mb::Ok);
    EXPECT_EQ(replacesAtNotice, 2u);
    EXPECT_EQ(exitsAtNotice, 0u) << "the notice comes before the restart";

    // The forced restart ends the program without a close: the "0%" snapshot, which Windows was
    // not given, goes before the restart is asked for; the scheduled ones stay.
    const std::string softwareSnapshot = std::string(SoftwareFile) + ".hvt";
    const auto& calls = platform.Calls();
    const auto removed = std::find_if(calls.begin(), calls.end(), [&](const std::string& c) {
        return c.rfind("DeleteFile " + softwareSnapshot, 0) == 0;
    });
    const auto restart = std::find_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.rfind("ExitWindows", 0) == 0;
    });
    EXPECT_TRUE(removed < restart) << "removed before the restart";
    EXPECT_FALSE(platform.HasFile(softwareSnapshot));
    f.Close();
    EXPECT_TRUE(platform.HasFile(std::string(SystemFile) + ".hvt"));
    EXPECT_TRUE(platform.HasFile(std::string(UserFile) + ".hvt"));
}

TEST_F(DefragFlowTest, NoOrTheCloseBoxStopsTheFlowAfterTheSettingsAreSaved) {
    AnalysedMain& f = Analysed();
    // "Don't ask me next time", then No: nothing happens but the save.
    WhenAsked<settings::TfrmAskDelete>([this](auto& ask) {
        headless->Click(*ask.cbAsk);
        headless->Click(*ask.bCancel);
    });
    Defrag();
    EXPECT_EQ(Effects(), std::vector<std::string>{"save"});
    EXPECT_EQ(platform.GetProfileString("Options", "IsAskBeforeDefrag", "", OptionsFile), "0");
    EXPECT_FALSE(settings::OptionsSetting().IsAskBeforeDefrag);

    // The close box: the same, with the setting as it was.
    settings::OptionsSetting().IsAskBeforeDefrag = true;
    platform.ClearCalls();
    WhenAsked<settings::TfrmAskDelete>([this](auto& ask) { headless->PressCloseBox(ask); });
    Defrag();
    EXPECT_EQ(Effects(), std::vector<std::string>{"save"});
    EXPECT_EQ(platform.GetProfileString("Options", "IsAskBeforeDefrag", "", OptionsFile), "1");
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
}

TEST_F(DefragFlowTest, AfterDontAskMeNextTimeTheNextRunAsksNothing) {
    Analysed();
    WhenAsked<settings::TfrmAskDelete>([this](auto& ask) {
        headless->Click(*ask.cbAsk);
        headless->Click(*ask.bOK);
    });
    Defrag();
    platform.ClearCalls();
    Defrag(); // a dialog now would find no script and fail the test
    const auto effects = Effects();
    EXPECT_EQ(effects.front(), "restore point");
    EXPECT_EQ(effects.back(), "ExitWindows 0x6 1 -> 0");
    EXPECT_EQ(headless->IdleActionsLeft(), 0u);
}

TEST_F(DefragFlowTest, ASettingsFileThatCannotBeWrittenEndsTheFlowInTheErrorBox) {
    Analysed();
    platform.FailProfileKey("IsAskBeforeDefrag");
    AnswerAsk(true);
    Defrag();
    EXPECT_TRUE(platform.Replaces().empty());
    EXPECT_TRUE(platform.Exits().empty());
    EXPECT_TRUE(platform.RestorePoints().empty());
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    const auto& box = headless->MessageBoxes()[0];
    EXPECT_EQ(box.text, std::string("Unable to write to ") + OptionsFile + ".");
    EXPECT_EQ(box.flags, ui::mb::Ok | ui::mb::IconError);
}

TEST_F(DefragFlowTest, AFailedRestorePointStopsOnNoOrEnterBeforeAnyHiveIsTouched) {
    platform.ScriptRestorePoint(RestorePointOutcome::Failed);
    Analysed();
    for (std::optional<int> answer : {std::optional<int>(ui::mrNo), std::optional<int>()}) {
        platform.ClearCalls();
        AnswerAsk(true);
        if (answer)
            headless->AnswerMessageBox(*answer); // else Enter: the default button, No
        Defrag();
        EXPECT_EQ(Effects(), (std::vector<std::string>{"save", "restore point"}));
        for (const std::string& call : platform.Calls())
            EXPECT_EQ(call.find(".bak"), std::string::npos) << call;
    }
    EXPECT_TRUE(platform.Exits().empty());

    platform.ClearCalls();
    AnswerAsk(true);
    headless->AnswerMessageBox(ui::mrYes);
    Defrag();
    std::vector<std::string> expected{"save", "restore point"};
    expected.insert(expected.end(), ScheduledTwoOfThree.begin(), ScheduledTwoOfThree.end());
    EXPECT_EQ(Effects(), expected);
    EXPECT_EQ(BoxTexts().back(), RestartNotice);
}

TEST_F(DefragFlowTest, ARestorePointDialogClosedBeforeItsReportStopsTheFlow) {
    auto gate = std::make_shared<fake::Gate>();
    platform.ScriptRestorePoint(RestorePointOutcome::Created, gate);
    Analysed();
    AnswerAsk(true);
    WhenAsked<defrag::TfrmSystemPoint>([gate](auto& point) {
        gate->WaitArrived();
        point.Close();
    });
    Defrag();
    EXPECT_EQ(Effects(), (std::vector<std::string>{"save", "restore point"}));
    // The worker, still held, belongs to the window's threads; its late report goes nowhere.
    gate->Release();
    form.reset();
    EXPECT_TRUE(platform.Exits().empty());
    EXPECT_TRUE(headless->MessageBoxes().empty());
}

TEST_F(DefragFlowTest, TheRestorePointIsOfferedOnVersionCodes9To12Only) {
    WriteOptionsFile("IsAskBeforeDefrag=0\r\n");
    const std::tuple<uint32_t, uint32_t, bool> versions[] = {
        {4, 0, false}, {5, 0, false}, {5, 1, true}, {5, 2, true},
        {6, 0, true},  {6, 1, true},  {6, 2, true}};
    for (const auto& [major, minor, offered] : versions) {
        platform.SetVersion(platform::PlatformWin32Nt, major, minor);
        form.reset();
        Analysed();
        const size_t before = platform.RestorePoints().size();
        Defrag();
        EXPECT_EQ(platform.RestorePoints().size() - before, offered ? 1u : 0u)
            << "NT " << major << "." << minor;
        EXPECT_EQ(BoxTexts().back(), RestartNotice);
    }
    EXPECT_EQ(platform.Exits().size(), 7u);
}

TEST_F(DefragFlowTest, SnapshotsGoneOrWithoutSavingAreSkippedAndOldBackupsGoOnceAccepted) {
    WriteOptionsFile("IsAskBeforeDefrag=0\r\nRestorePoint=0\r\n");
    reductions = {"15%", "  1%  ", " 0% "};
    Analysed();
    platform.RemoveFile(std::string(SystemFile) + ".hvt"); // deleted after the analysis
    platform.AddFile(std::string(SoftwareFile) + ".bak", 123);
    Defrag();
    EXPECT_EQ(Effects(),
              (std::vector<std::string>{"restore privilege", "set aside SOFTWARE.bak",
                                        "ReplaceKey HKLM SOFTWARE", "delete SOFTWARE.bak.old",
                                        "ExitWindows 0x6 1 -> 0"}));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{RestartNotice});
}

TEST_F(DefragFlowTest, EveryHiveSkippedStillGivesTheNoticeAndTheRestart) {
    WriteOptionsFile("IsAskBeforeDefrag=0\r\nRestorePoint=0\r\n");
    reductions = {"0%", "0%", "0%"};
    Analysed();
    Defrag();
    EXPECT_EQ(Effects(), (std::vector<std::string>{"restore privilege", "ExitWindows 0x6 1 -> 0"}));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{RestartNotice});
}

TEST_F(DefragFlowTest, ARefusedRestartIsToldAfterTheNoticeAndTheReplacementsStayScheduled) {
    WriteOptionsFile("IsAskBeforeDefrag=0\r\nRestorePoint=0\r\n");
    platform.ScriptExitWindows(platform::Status::Fail(platform::error::PrivilegeNotHeld));
    Analysed();
    Defrag();
    EXPECT_EQ(platform.Replaces().size(), 2u);
    ASSERT_EQ(BoxTexts(), (std::vector<std::string>{
                              RestartNotice, "Windows could not be restarted. The registry will "
                                             "be defragmented the next time you restart your "
                                             "computer."}));
    EXPECT_EQ(headless->MessageBoxes()[1].caption, "Orvane Hivelet");
    EXPECT_EQ(headless->MessageBoxes()[1].flags, ui::mb::Ok | ui::mb::IconWarning);

    // Unattended, the refusal is not told: no one is there to answer a box.
    form.reset();
    Open({"/Silent"});
    RunMainWindow();
    EXPECT_EQ(platform.Exits().size(), 2u);
    EXPECT_EQ(headless->MessageBoxes().size(), 2u);
}

// An installation that is not running: no restore point, the safety net said in its place; the
// restart replaces the hives at once and the notice after it says so.
TEST_F(DefragFlowTest, AtOnceTheBackupsStandInForTheRestorePointAndTheNoticeComesAfter) {
    platform.SetReplacesHivesAtOnce(true);
    WriteOptionsFile("IsAskBeforeDefrag=0\r\nRestorePoint=1\r\n");
    size_t exitsAtFirstBox = 1, boxes = 0;
    headless->OnMessageBox = [&](const ui::test::MessageBoxRecord&) {
        if (boxes++ == 0)
            exitsAtFirstBox = platform.Exits().size();
        return ui::mrOk;
    };
    Analysed();
    Defrag();
    EXPECT_EQ(Effects(), ScheduledTwoOfThree); // no restore point
    ASSERT_EQ(headless->MessageBoxes().size(), 2u);
    const auto& safetyNet = headless->MessageBoxes()[0];
    EXPECT_NE(safetyNet.text.find("System Restore cannot make a restore point"), std::string::npos);
    EXPECT_NE(safetyNet.text.find(".bak"), std::string::npos);
    EXPECT_NE(safetyNet.text.find("--undo"), std::string::npos);
    EXPECT_EQ(safetyNet.flags, ui::mb::OkCancel | ui::mb::IconInformation);
    EXPECT_EQ(exitsAtFirstBox, 0u);
    EXPECT_EQ(headless->MessageBoxes()[1].text,
              "The registry hives of the Windows installation were replaced; nothing was "
              "restarted. Each old hive is kept beside it as its .bak file.");
}

TEST_F(DefragFlowTest, AtOnceCancelReplacesNothingAndAFailureIsToldWithItsReason) {
    platform.SetReplacesHivesAtOnce(true);
    WriteOptionsFile("IsAskBeforeDefrag=0\r\nRestorePoint=0\r\n");
    headless->OnMessageBox = [](const ui::test::MessageBoxRecord&) { return ui::mrCancel; };
    Analysed();
    Defrag();
    EXPECT_TRUE(platform.Replaces().empty());
    EXPECT_TRUE(platform.Exits().empty());

    headless->OnMessageBox = [](const ui::test::MessageBoxRecord&) { return ui::mrOk; };
    platform.ScriptExitWindows(
        platform::Status::Fail(platform::error::RegistryIoFailed, "SAM: cannot rename"));
    Defrag();
    EXPECT_EQ(platform.Replaces().size(), 2u);
    ASSERT_EQ(headless->MessageBoxes().size(), 3u);
    EXPECT_EQ(headless->MessageBoxes()[2].text,
              "The registry hives of the Windows installation were not all replaced; nothing "
              "was restarted. SAM: cannot rename");
    EXPECT_EQ(headless->MessageBoxes()[2].flags, ui::mb::Ok | ui::mb::IconWarning);
}

TEST_F(DefragFlowTest, WithoutASuccessfulAnalysisNothingHappens) {
    analysisSucceeds = false;
    AnalysedMain& f = Analysed();
    f.bDefragRegistryClick(); // as the unattended run would call it
    EXPECT_TRUE(Effects().empty());
    EXPECT_TRUE(headless->MessageBoxes().empty());
}

TEST_F(DefragFlowTest, SilentAsksNothingMakesNoRestorePointAndRestartsAtOnce) {
    Open({"/Silent"});
    RunMainWindow();
    std::vector<std::string> expected = ScheduledTwoOfThree;
    expected.push_back("save"); // closing the window saves the settings
    EXPECT_EQ(Effects(), expected);
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_TRUE(platform.RestorePoints().empty());
    EXPECT_FALSE(headless->HasWindow(*form)) << "the sequence closes the window";
}

TEST_F(DefragFlowTest, SilentAfterAFailedAnalysisReplacesNothingAndDoesNotRestart) {
    analysisSucceeds = false;
    Open({"/SILENT"});
    RunMainWindow();
    EXPECT_EQ(Effects(), std::vector<std::string>{"save"}) << "only the close's save";
    EXPECT_TRUE(platform.Exits().empty());
    // Closing removed every snapshot: none was handed over.
    EXPECT_FALSE(platform.HasFile(std::string(SystemFile) + ".hvt"));
    EXPECT_FALSE(platform.HasFile(std::string(UserFile) + ".hvt"));
}

// --- Options ---------------------------------------------------------------------------------

class OptionsFlowTest : public DefragFlowTest {
protected:
    void ChangeEverythingThen(bool ok) {
        WhenAsked<settings::TfrmOptions>([this, ok](auto& dlg) {
            for (auto* box : {dlg.cbAskBeforeDefrag, dlg.cbShowLines, dlg.cbCreateRestore})
                headless->Click(*box);
            headless->Click(ok ? *dlg.bOK : *dlg.bCancel);
        });
        EXPECT_TRUE(headless->Click(*form->bOptions));
    }
};

TEST_F(OptionsFlowTest, CancelLeavesTheRecordTheFileAndTheGridLines) {
    WriteOptionsFile("IsShowLine=1\r\n");
    AnalysedMain& f = Open();
    ShowOnly();
    const std::string file = platform.FileText(OptionsFile);
    ChangeEverythingThen(false);
    EXPECT_TRUE(settings::OptionsSetting().IsShowLine);
    EXPECT_TRUE(settings::OptionsSetting().IsAskBeforeDefrag);
    EXPECT_TRUE(settings::OptionsSetting().RestorePoint);
    EXPECT_TRUE(f.lvMain->GridLines());
    EXPECT_EQ(platform.FileText(OptionsFile), file);
}

TEST_F(OptionsFlowTest, OkTakesTheGridLinesAwayAndWritesTheFileAtOnce) {
    AnalysedMain& f = Open();
    ShowOnly();
    ChangeEverythingThen(true);
    EXPECT_FALSE(f.lvMain->GridLines());
    for (const char* key : {"IsShowLine", "IsAskBeforeDefrag", "RestorePoint"})
        EXPECT_EQ(platform.GetProfileString("Options", key, "", OptionsFile), "0") << key;
    EXPECT_EQ(platform.GetProfileString("Options", "Lan", "", OptionsFile), "English");
}

TEST_F(OptionsFlowTest, AFileThatCannotBeWrittenIsReportedAfterTheChangesTookEffect) {
    AnalysedMain& f = Open();
    ShowOnly();
    platform.FailProfileKey("IsShowLine");
    ChangeEverythingThen(true);
    EXPECT_FALSE(f.lvMain->GridLines());
    EXPECT_FALSE(settings::OptionsSetting().IsShowLine);
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text,
              std::string("Unable to write to ") + OptionsFile + ".");
    EXPECT_EQ(headless->MessageBoxes()[0].flags, ui::mb::Ok | ui::mb::IconError);
}

} // namespace
} // namespace hivelet::shell::test
