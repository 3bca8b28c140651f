// "Analyze Registry" on the main window, with the real progress dialog and worker over the
// scriptable platform: the lock check, the completion test, the SOFTWARE check, the cells, the
// totals, the compact percent and the advice.
#include "shell/MainWindowFixture.h"

#include "analysis/Snapshot.h"
#include "ui/WindowSlot.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace hivelet::analysis::test {
namespace {

constexpr const char* SystemHive = "\\REGISTRY\\MACHINE\\SYSTEM";
constexpr const char* SoftwareHive = "\\REGISTRY\\MACHINE\\SOFTWARE";
constexpr const char* SamHive = "\\REGISTRY\\MACHINE\\SAM";
constexpr const char* LockedText = "Can not analyze the registry now! Please try again later.";
constexpr const char* NoSuccessText = "Failed to analyze the registry!";

std::string Advice(const std::string& percent) {
    return "The fragment rate of your registry is only " + percent +
           ". We suggest that your registry does not need to be compacted at this time. If you "
           "select to compact the registry now, the same fragment rate may appear again.";
}

std::string Snap(const char* file) {
    return std::string(file) + ".hvt";
}

using Cells = std::vector<std::string>;

class AnalysisRunTest : public shell::test::MainWindowFixture {
protected:
    // SYSTEM, SAM and SOFTWARE on the shown main window; SAM's save stops at `samGate` (after
    // 4 KiB) when there is one.
    shell::TfrmMain& ShowThreeHives(std::shared_ptr<fake::Gate> samGate = nullptr) {
        AddMachineHive(TestHive(SystemHive, SystemFile, 1'000'000, 500'000));
        TestHive sam(SamHive, SamFile, 262'144, 131'072);
        if (samGate)
            sam.HeldAt(samGate, 4096);
        AddMachineHive(sam);
        AddMachineHive(TestHive(SoftwareHive, SoftwareFile, 4'000'000, 3'000'000));
        return Show();
    }
};

TEST_F(AnalysisRunTest, FillsTheCellsAndTotalsAndDeletesAnEmptySnapshot) {
    // SYSTEM's save waits until the dialog has been looked at: unheld, a slow UI thread could
    // find the analysis over before its loop was ever idle.
    auto gate = std::make_shared<fake::Gate>();
    AddMachineHive(TestHive(SystemHive, SystemFile, 10'485'760, 8'388'608).HeldAt(gate));
    AddMachineHive(TestHive(SamHive, SamFile, 262'144, 0)); // the save leaves an empty file
    shell::TfrmMain& f = Show();
    bool mainDisabled = false;
    ui::Form* dialogOwner = nullptr;
    AtGate(gate, [&] {
        mainDisabled = !headless->IsWindowEnabled(f);
        dialogOwner = Dialog() ? Dialog()->Owner() : nullptr;
        gate->Release();
    });
    f.bAnalyzeRegistryClick();

    EXPECT_TRUE(mainDisabled) << "the dialog is modal";
    EXPECT_EQ(dialogOwner, &f);
    EXPECT_EQ(Row(0), (Cells{"10,240 KB", "8,192 KB", "20%"}));
    EXPECT_EQ(Row(1), (Cells{"256 KB", "256 KB", "0%"}));
    EXPECT_EQ(Totals(), (Cells{"10,496 KB", "8,448 KB", "2,048 KB", "19.5%"}));
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
    EXPECT_TRUE(BoxTexts().empty()) << "19.5% needs no advice";
    EXPECT_FALSE(platform.HasFile(Snap(SamFile)));
    EXPECT_TRUE(platform.HasFile(Snap(SystemFile)));
    EXPECT_EQ(Dialog(), nullptr) << "the dialog is gone";
    EXPECT_TRUE(headless->IsWindowEnabled(f));
}

TEST_F(AnalysisRunTest, AMissingSnapshotCountsAsUnchangedAndTheUsersSeparatorIsUsed) {
    AddMachineHive(TestHive(SystemHive, SystemFile, 10'485'760, 8'388'608));
    AddMachineHive(
        TestHive(SamHive, SamFile, 262'144, 8192).Fails()); // the save fails: no file at all
    platform.SetDecimalSeparator(",");
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(Row(1), (Cells{"256 KB", "256 KB", "0%"}));
    EXPECT_EQ(Totals(), (Cells{"10,496 KB", "8,448 KB", "2,048 KB", "19,5%"}));
    EXPECT_FALSE(platform.HasFile(Snap(SamFile)));
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
}

// A snapshot is used only when its save succeeded and it is a sound hive. A truncated one would
// look like a fine saving and be put in place; instead it counts as a failed save.
TEST_F(AnalysisRunTest, ASnapshotThatFailsItsCheckOrABrokenOffSaveShowsNoReduction) {
    AddMachineHive(TestHive(SystemHive, SystemFile, 1'048'576, 524'288).WritesBadHive());
    AddMachineHive(TestHive(SamHive, SamFile, 262'144).BreaksOff(65'536));
    AddMachineHive(TestHive(SoftwareHive, SoftwareFile, 4'194'304, 2'097'152));
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();

    EXPECT_EQ(Row(0), (Cells{"1,024 KB", "1,024 KB", "0%"}));
    EXPECT_EQ(Row(1), (Cells{"256 KB", "256 KB", "0%"}));
    EXPECT_EQ(Row(2), (Cells{"4,096 KB", "2,048 KB", "50%"}));
    EXPECT_EQ(Totals(), (Cells{"5,376 KB", "3,328 KB", "2,048 KB", "38.1%"}));
    EXPECT_FALSE(platform.HasFile(Snap(SystemFile)));
    EXPECT_FALSE(platform.HasFile(Snap(SamFile)));
    EXPECT_TRUE(f.HasNoReduction(SystemHive)) << "never scheduled";
    EXPECT_TRUE(f.HasNoReduction(SamHive));
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
    EXPECT_TRUE(BoxTexts().empty());
}

// The SOFTWARE check does not change: a rejected SOFTWARE snapshot is gone, which is below a
// quarter of its hive.
TEST_F(AnalysisRunTest, ARejectedSoftwareSnapshotFailsTheAnalysis) {
    AddMachineHive(TestHive(SystemHive, SystemFile, 1'048'576, 524'288));
    AddMachineHive(TestHive(SoftwareHive, SoftwareFile, 4'194'304, 4'000'000).WritesBadHive());
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{NoSuccessText}));
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(f.lCurrentRegistrySize->Caption(), "");
    EXPECT_FALSE(platform.HasFile(Snap(SoftwareFile)));
}

TEST_F(AnalysisRunTest, BelowThreePercentAdvisesAgainstCompactingUnlessUnattended) {
    // P = 2.96, shown rounded as 3.0%, and still below 3.0.
    AddMachineHive(TestHive(SystemHive, SystemFile, 100'000'000, 97'040'000));
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(f.lCompactPercent->Caption(), "3.0%");
    ASSERT_EQ(BoxTexts(), (Cells{Advice("3.0%")}));
    EXPECT_EQ(headless->MessageBoxes()[0].caption, "Orvane Hivelet");
    EXPECT_EQ(headless->MessageBoxes()[0].flags, ui::mb::Ok);
    EXPECT_TRUE(f.bDefragRegistry->Enabled()) << "advice only; the compaction stays possible";

    f.Unattended = true;
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(BoxTexts().size(), 1u) << "no advice in an unattended run";
    EXPECT_EQ(f.lCompactPercent->Caption(), "3.0%");
}

TEST_F(AnalysisRunTest, SnapshotsLargerInTotalShowNoReduction) {
    AddMachineHive(TestHive(SystemHive, SystemFile, 100'000, 120'000));
    AddMachineHive(TestHive(SamHive, SamFile, 100'000, 90'000));
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(Row(0), (Cells{"98 KB", "118 KB", "0%"}));
    EXPECT_EQ(Row(1), (Cells{"98 KB", "88 KB", "10%"}));
    EXPECT_EQ(Totals(), (Cells{"196 KB", "206 KB", "0 KB", "0%"}));
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
}

TEST_F(AnalysisRunTest, EqualTotalsShowZeroPointZeroAndAdvise) {
    AddMachineHive(TestHive(SystemHive, SystemFile, 100'000, 100'000));
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(Totals(), (Cells{"98 KB", "98 KB", "0 KB", "0.0%"}));
    EXPECT_EQ(BoxTexts(), (Cells{Advice("0.0%")}));
}

TEST_F(AnalysisRunTest, NothingMeasurableReadsZeroPointZeroWithoutFailing) {
    // Empty hive files whose saves fail: both totals are 0.
    AddMachineHive(TestHive(SystemHive, SystemFile, 0, 8192).Fails());
    AddMachineHive(TestHive(SamHive, SamFile, 0, 8192).Fails());
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(Row(0), (Cells{"0 KB", "0 KB", "0%"}));
    EXPECT_EQ(Row(1), (Cells{"0 KB", "0 KB", "0%"}));
    EXPECT_EQ(Totals(), (Cells{"0 KB", "0 KB", "0 KB", "0.0%"}));
    EXPECT_EQ(BoxTexts(), (Cells{Advice("0.0%")}));
    // Complete and sound, but every row reads 0%: the compaction would replace nothing.
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
}

TEST_F(AnalysisRunTest, ASoftwareSnapshotBelowAQuarterOfItsHiveFailsTheAnalysis) {
    AddMachineHive(TestHive(SystemHive, SystemFile, 1'000'000, 500'000));
    AddMachineHive(TestHive(SoftwareHive, SoftwareFile, 40'000'000, 10'000'000));
    shell::TfrmMain& f = Show();
    f.bAnalyzeRegistryClick();
    EXPECT_TRUE(BoxTexts().empty()) << "exactly a quarter passes";
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
    const Cells totals = Totals(), row = Row(1);
    EXPECT_EQ(row, (Cells{"39,063 KB", "9,766 KB", "75%"}));

    fake::SaveScript smaller;
    smaller.fileSize = 9'999'999;
    platform.ScriptSave(platform::RootKey::LocalMachine, "SOFTWARE", smaller);
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(BoxTexts(), (Cells{NoSuccessText}));
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(Totals(), totals) << "the earlier results stay";
    EXPECT_EQ(Row(1), row);
    EXPECT_EQ(platform.File(Snap(SoftwareFile))->size(), 9'999'999u) << "the snapshots stay";
    EXPECT_TRUE(platform.HasFile(Snap(SystemFile)));
}

TEST_F(AnalysisRunTest, TheSoftwareCheckFindsTheHiveInAnyLetterCaseAndSpeaksTheUsersLanguage) {
    const std::string lower = "C:\\Windows\\System32\\config\\software";
    AddMachineHive(TestHive(SoftwareHive, lower, 40'000'000, 9'999'999));
    platform.AddTextFile("C:\\Program Files\\Hivelet\\Languages\\DLan_Testish.ini",
                         "[ResourceString]\r\nRES_Analyze_NoSuccess=Analyse fehlgeschlagen!\r\n");
    shell::TfrmMain& f = Show();
    settings::OptionsSetting().Lan = "Testish";
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(BoxTexts(), (Cells{"Analyse fehlgeschlagen!"}));
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(f.lCurrentRegistrySize->Caption(), "");
}

TEST_F(AnalysisRunTest, AHeldSnapshotStopsTheRunBeforeAnythingChanges) {
    shell::TfrmMain& f = ShowThreeHives();
    f.bAnalyzeRegistryClick();
    ASSERT_TRUE(f.bDefragRegistry->Enabled());
    const Cells totals = Totals(), row = Row(1);
    const size_t saves = platform.Saves().size();

    // Handed to a pending replacement, the SAM snapshot can no longer be opened exclusively.
    platform.SetHeld(Snap(SamFile), true);
    platform.ClearCalls();
    f.bAnalyzeRegistryClick();
    EXPECT_EQ(BoxTexts(), (Cells{LockedText}));
    EXPECT_EQ(headless->MessageBoxes()[0].caption, "Orvane Hivelet");
    EXPECT_EQ(platform.Saves().size(), saves) << "no dialog, no save";
    EXPECT_TRUE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(Totals(), totals);
    EXPECT_EQ(Row(1), row);
    // The check stops at the first locked snapshot.
    int exclusiveOpens = 0;
    for (const std::string& call : platform.Calls())
        exclusiveOpens += call.rfind("OpenExclusive", 0) == 0;
    EXPECT_EQ(exclusiveOpens, 2);
}

TEST_F(AnalysisRunTest, AnEmptyHiveListDoesNothing) {
    shell::TfrmMain& f = Show();
    ASSERT_TRUE(f.HiveNames.empty());
    platform.ClearCalls();
    f.bAnalyzeRegistryClick();
    EXPECT_TRUE(platform.Calls().empty());
    EXPECT_TRUE(headless->MessageBoxes().empty());
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
}

TEST_F(AnalysisRunTest, StopDuringAMiddleHiveDisablesDefragAndKeepsTheEarlierResults) {
    shell::TfrmMain& f = ShowThreeHives();
    f.bAnalyzeRegistryClick();
    ASSERT_TRUE(f.bDefragRegistry->Enabled());
    const Cells totals = Totals(), row = Row(0);

    auto gate = std::make_shared<fake::Gate>();
    fake::SaveScript held;
    held.fileSize = 100'000;
    held.gate = gate;
    platform.ScriptSave(platform::RootKey::LocalMachine, "SAM", held);
    AtGate(gate, [&] {
        ASSERT_NE(Dialog(), nullptr);
        ASSERT_TRUE(headless->Click(*Dialog()->bStop));
        gate->Release();
    });
    f.bAnalyzeRegistryClick();
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(Totals(), totals);
    EXPECT_EQ(Row(0), row);
}

TEST_F(AnalysisRunTest, AbandoningTheDialogCountsAsIncompleteAndClosingWaitsForTheWorker) {
    auto gate = std::make_shared<fake::Gate>();
    shell::TfrmMain& f = ShowThreeHives(gate);
    AtGate(gate, [&] { ASSERT_TRUE(headless->PressCloseBox(*Dialog())); });
    f.bAnalyzeRegistryClick();
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(f.lCurrentRegistrySize->Caption(), "");
    EXPECT_EQ(f.Workers.Running(), 1u) << "the worker is still in the save";

    // Closing the window while the abandoned worker saves: the close waits for it before it
    // removes the snapshots, so the one in hand does not stay behind. Without the wait the
    // close would be over long before the save is let go.
    std::atomic<bool> closing{false};
    std::thread releaser([&] {
        while (!closing)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate->Release();
    });
    closing = true;
    f.Close();
    releaser.join();
    EXPECT_EQ(f.Workers.Running(), 0u);
    form.reset();
    EXPECT_FALSE(platform.HasFile(Snap(SamFile))) << "the snapshot in hand was removed after it";
    EXPECT_FALSE(platform.HasFile(Snap(SoftwareFile))) << "and nothing after it was started";
}

// The main window is closed while the dialog is up (the taskbar, a taskkill, a hidden window of
// an unattended run). Its close waits for the worker, so it must first stop the scan and release
// the worker's hand-over to the dialog; the snapshots are then cleaned as every close does.
TEST_F(AnalysisRunTest, ClosingTheMainWindowDuringTheScanStopsItBeforeItWaits) {
    auto gate = std::make_shared<fake::Gate>();
    shell::TfrmMain& f = ShowThreeHives(gate);

    std::atomic<bool> closed{false};
    std::atomic<bool> rescued{false};
    std::shared_ptr<ui::detail::WindowSlot> dialogWindow;
    std::thread helper;
    AtGate(gate, [&] {
        dialogWindow = Dialog()->Slot();
        // Lets the save go once the close waits, so the worker goes on to its next hand-over.
        // Should the close never come back, the dialog's window is ended from here so that the
        // test fails instead of hanging.
        helper = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            gate->Release();
            for (int i = 0; i < 1000 && !closed; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!closed) {
                rescued = true;
                dialogWindow->Expire();
            }
        });
        ASSERT_TRUE(f.Post(ui::wm::Close)); // as the system closes the window
    });
    f.bAnalyzeRegistryClick();
    closed = true;
    helper.join();
    EXPECT_FALSE(rescued) << "the close waited on the scan until the test ended the dialog";

    EXPECT_FALSE(headless->HasWindow(f));
    EXPECT_EQ(f.Workers.Running(), 0u);
    EXPECT_FALSE(f.bDefragRegistry->Enabled());
    EXPECT_EQ(f.lCurrentRegistrySize->Caption(), "") << "nothing of the run counts";
    EXPECT_TRUE(BoxTexts().empty());
    form.reset();
    for (const char* file : {SystemFile, SamFile, SoftwareFile})
        EXPECT_FALSE(platform.HasFile(Snap(file))) << file;
    EXPECT_EQ(platform.Saves().size(), 2u) << "the scan stopped after the hive in hand";
}

} // namespace
} // namespace hivelet::analysis::test
