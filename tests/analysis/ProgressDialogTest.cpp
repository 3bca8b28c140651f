// The progress dialog and its scan worker on the scriptable platform: the layout, the run of the
// worker, the bar's estimate on the virtual clock, Stop, and abandoning by the close box while a
// save or a hand-over is in progress. Runs under ThreadSanitizer as well.
#include "ScanFixture.h"

#include "analysis/GetNewHiveProgress.h"
#include "analysis/Snapshot.h"
#include "ui/WindowMessages.h"

#include <system_error>

namespace hivelet::analysis::test {
namespace {

using ui::Rect;

class ProgressDialogTest : public ScanFixture {
protected:
    // Three hives of the usual kinds with the given live sizes.
    void AddThree(uint64_t a, uint64_t b, uint64_t c) {
        AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, a));
        AddHive(TestHive("\\REGISTRY\\MACHINE\\SOFTWARE", SoftwareFile, b));
        AddHive(TestHive("\\REGISTRY\\USER\\S-1-5-18", UserFile, c));
    }

    TfrmGetNewHiveProgess& Make(bool isWow64 = false, bool unattended = false,
                                ui::Form* owner = nullptr) {
        ScanJob job{Names(), Files(), isWow64, unattended, settings::OptionsSetting().Lan};
        dialog =
            ui::CreateForm<TfrmGetNewHiveProgess>(*app, owner, platform, workers, std::move(job));
        dialog->OnProgress = [this](const TfrmGetNewHiveProgess& d) {
            if (memoTexts.empty() || memoTexts.back() != d.Memo1->Text())
                memoTexts.push_back(d.Memo1->Text());
            if (positions.empty() || positions.back() != d.ProgressBar1->Position())
                positions.push_back(d.ProgressBar1->Position());
        };
        return *dialog;
    }

    int Bar() const { return dialog->ProgressBar1->Position(); }
    // Virtual seconds pass; the timer ticks once a second.
    void Seconds(int n) { headless->Advance(uint64_t(n) * 1000); }

    std::unique_ptr<TfrmGetNewHiveProgess> dialog;
    std::vector<std::string> memoTexts; // each text the memo showed, in order
    std::vector<int> positions;         // each position the bar took, in order
};

TEST_F(ProgressDialogTest, LayoutMatchesTheDesign) {
    ui::Form owner(*app, "frmMain");
    owner.SetBorderStyle(ui::BorderStyle::None);
    owner.SetClientSize(556, 392);
    owner.SetLeftTop(100, 50);
    TfrmGetNewHiveProgess& d = Make(false, false, &owner);

    EXPECT_EQ(d.Name(), "frmGetNewHiveProgess");
    EXPECT_EQ(d.ClassName(), "TfrmGetNewHiveProgess");
    EXPECT_EQ(d.Caption(), "Defrag Registry");
    EXPECT_EQ(d.ClientWidth(), 394);
    EXPECT_EQ(d.ClientHeight(), 181);
    EXPECT_EQ(d.BorderStyle(), ui::BorderStyle::Dialog);
    EXPECT_EQ(d.Position(), ui::FormPosition::OwnerCenter);
    EXPECT_EQ(d.Owner(), &owner);

    EXPECT_EQ(d.GroupBox1->Bounds(), (Rect{8, 8, 377, 121}));
    EXPECT_EQ(d.GroupBox1->Caption(), "");
    for (ui::Control* inside :
         std::initializer_list<ui::Control*>{d.Label1, d.ProgressBar1, d.Label2, d.Memo1})
        EXPECT_EQ(inside->Parent(), d.GroupBox1) << inside->Name();
    EXPECT_EQ(d.bStop->Parent(), nullptr);

    EXPECT_EQ(d.Label1->Left(), 16);
    EXPECT_EQ(d.Label1->Top(), 16);
    EXPECT_EQ(d.Label1->Caption(), "Analyzing registry. Please wait.");
    EXPECT_EQ(d.ProgressBar1->Bounds(), (Rect{16, 44, 345, 18}));
    EXPECT_EQ(d.ProgressBar1->Min(), 0);
    EXPECT_EQ(d.ProgressBar1->Max(), 1000);
    EXPECT_TRUE(d.ProgressBar1->ShowCaption());
    EXPECT_EQ(d.Label2->Left(), 17);
    EXPECT_EQ(d.Label2->Top(), 76);
    EXPECT_EQ(d.Label2->Caption(), "Checking: ");
    EXPECT_EQ(d.Memo1->Bounds(), (Rect{72, 77, 286, 32}));
    EXPECT_TRUE(d.Memo1->ReadOnly());
    EXPECT_FALSE(d.Memo1->Border());
    EXPECT_EQ(d.Memo1->Color(), ui::kDefaultColor) << "the dialog's own background";
    EXPECT_EQ(d.Memo1->Text(), "Registry Key");
    EXPECT_EQ(d.bStop->Bounds(), (Rect{304, 142, 80, 27}));
    EXPECT_EQ(d.bStop->Caption(), "Stop");
    EXPECT_EQ(d.Timer1->Interval(), 1000u);
    EXPECT_FALSE(d.Timer1->Enabled());

    // Centred on its owner when it appears.
    d.Show();
    const Rect o = owner.WindowRect(), w = d.WindowRect();
    EXPECT_EQ(w.left, o.left + (o.width - w.width) / 2);
    EXPECT_EQ(w.top, o.top + (o.height - w.height) / 2);
    d.Close();
    dialog.reset();
}

TEST_F(ProgressDialogTest, WorkerSavesEveryHiveInOrderAndFinishesBeforeClosingTheDialog) {
    AddThree(262144, 262144, 262144);
    TfrmGetNewHiveProgess& d = Make();
    std::vector<int> indexesAtReports;
    d.OnMessage(ui::WM_HIVESAVED, [&](uint64_t w, int64_t l) {
        d.WMHiveSaved(w, l);
        indexesAtReports.push_back(d.CurrentIndex);
    });
    EXPECT_EQ(d.ShowModal(), ui::mrCancel);
    workers.WaitAll();

    EXPECT_EQ(SavedFiles(), (std::vector<std::string>{std::string(SystemFile) + ".hvt",
                                                      std::string(SoftwareFile) + ".hvt",
                                                      std::string(UserFile) + ".hvt"}));
    EXPECT_TRUE(platform.PrivilegeEnabled("SeBackupPrivilege"));
    EXPECT_EQ(memoTexts,
              (std::vector<std::string>{hives[0].name, hives[1].name, hives[2].name, "Finish"}));
    EXPECT_TRUE(d.ScanComplete());
    EXPECT_EQ(indexesAtReports, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(d.TotalSize, 3u * 262144u);
    EXPECT_EQ(Bar(), 1000);
    EXPECT_FALSE(d.Timer1->Enabled()) << "closing stops the timer";
    EXPECT_FALSE(headless->HasWindow(d));
    EXPECT_EQ(platform.OpenKeyCount(), 0);
    EXPECT_EQ(workers.Running(), 0u);
}

TEST_F(ProgressDialogTest, OneWorkerPerShowingAndANewOneForTheNextShowing) {
    AddThree(1000, 1000, 1000);
    TfrmGetNewHiveProgess& d = Make();
    // A second activation in the same showing starts nothing more.
    Step([&] { d.FormActivate(); });
    d.ShowModal();
    workers.WaitAll();
    EXPECT_EQ(platform.Saves().size(), 3u);

    // Showing again resets the estimate and scans again, stale snapshots deleted first.
    d.ShowModal();
    workers.WaitAll();
    EXPECT_EQ(platform.Saves().size(), 6u);
    EXPECT_TRUE(d.ScanComplete());
    for (const fake::SaveRecord& save : platform.Saves())
        EXPECT_TRUE(save.result.ok()) << save.file;
}

TEST_F(ProgressDialogTest, FirstSaveSpeedSetsTheCreepStep) {
    // S0 = 2,000,000 bytes in 4,000 ms of T = 100,000,000: raw 5, step 15; under WOW64 4.
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 40'000'000, 2'000'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 60'000'000, 30'000'000));
    FirstSaveTakes(4000);
    for (bool wow64 : {false, true}) {
        TfrmGetNewHiveProgess& d = Make(wow64);
        d.ShowModal();
        workers.WaitAll();
        EXPECT_EQ(d.CreepStep, wow64 ? 4 : 15) << (wow64 ? "WOW64" : "native");
    }
}

TEST_F(ProgressDialogTest, AFirstSaveOfNoMeasurableTimeGivesFortyOrSeventeenUnderWow64) {
    AddThree(5'000'000, 20'000'000, 100'000);
    for (bool wow64 : {false, true}) {
        TfrmGetNewHiveProgess& d = Make(wow64);
        d.ShowModal();
        workers.WaitAll();
        EXPECT_EQ(d.CreepStep, wow64 ? 17 : 40) << (wow64 ? "WOW64" : "native");
    }
}

TEST_F(ProgressDialogTest, BeforeTheFirstReportTheBarCreepsFourASecondUpToTheEnd) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(
        TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 10'000'000, 8'000'000).HeldAt(gate));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 262'144));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        EXPECT_TRUE(d.Timer1->Enabled());
        EXPECT_EQ(d.TotalSize, 10'262'144u);
        Seconds(3);
        EXPECT_EQ(Bar(), 12);
        EXPECT_EQ(d.ProgressBar1->PercentText(), "1%");
        // A slow first save: the creep has no mark to stop at and runs to the end.
        Seconds(247);
        EXPECT_EQ(Bar(), 1000);
        EXPECT_FALSE(d.Timer1->Enabled()) << "the timer stops at the end of the bar";
        gate->Release();
    });
    d.ShowModal();
    EXPECT_TRUE(d.ScanComplete());
    EXPECT_EQ(Bar(), 1000);
}

TEST_F(ProgressDialogTest, ASnapshotShowingASizeMovesTheBarByThatSize) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 40'000'000, 2'000'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 60'000'000, 30'000'000)
                .HeldAt(gate, 12'000'000));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        EXPECT_EQ(Bar(), 400) << "the report of the first hive";
        Seconds(1);
        // (DoneSize 40,000,000 + 12,000,000 written so far) * 1000 div 100,000,000.
        EXPECT_EQ(Bar(), 520);
        gate->Release();
    });
    d.ShowModal();
    EXPECT_EQ(Bar(), 1000);
}

TEST_F(ProgressDialogTest, AfterAReportTheBarCreepsTowardsTheNextMarkButStopsBelowIt) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 40'000'000, 2'000'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 30'000'000, 20'000'000).HeldAt(gate));
    AddHive(TestHive("\\REGISTRY\\USER\\S-1-5-18", UserFile, 30'000'000, 25'000'000));
    FirstSaveTakes(4000);
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        EXPECT_EQ(d.CurrentIndex, 1);
        EXPECT_EQ(d.CreepStep, 15);
        EXPECT_EQ(d.DoneSize, 40'000'000u);
        EXPECT_EQ(Bar(), 400);
        EXPECT_EQ(d.NextMark, 700);
        Seconds(1);
        EXPECT_EQ(Bar(), 415);
        // Steps of 15 while below 700 - 15: 670 after 18 seconds, then 685 and no further.
        Seconds(17);
        EXPECT_EQ(Bar(), 670);
        Seconds(1);
        EXPECT_EQ(Bar(), 685);
        Seconds(10);
        EXPECT_EQ(Bar(), 685) << "never onto the mark by creeping";
        EXPECT_TRUE(d.Timer1->Enabled());
        gate->Release();
    });
    d.ShowModal();
    EXPECT_TRUE(d.ScanComplete());
}

TEST_F(ProgressDialogTest, TheLastReportPutsTheBarAtExactlyTheEnd) {
    // Sizes that do not divide the total evenly: 333, 666, then 1000.
    AddThree(333'333, 333'333, 333'333);
    TfrmGetNewHiveProgess& d = Make();
    d.ShowModal();
    EXPECT_EQ(positions, (std::vector<int>{0, 333, 666, 1000}));
    EXPECT_EQ(d.ProgressBar1->PercentText(), "100%");
}

TEST_F(ProgressDialogTest, WithoutAMeasurableTotalTheBarCountsHives) {
    // No live file can be measured: every hive weighs the same, and nothing divides by zero.
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, std::nullopt));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, std::nullopt, 8192).HeldAt(gate, 4096));
    AddHive(TestHive("\\REGISTRY\\USER\\S-1-5-18", UserFile, std::nullopt));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        EXPECT_EQ(d.TotalSize, 0u);
        EXPECT_EQ(Bar(), 333);
        EXPECT_EQ(d.NextMark, 666);
        EXPECT_EQ(d.CreepStep, 40) << "one hive in no measurable time";
        Seconds(1);
        EXPECT_EQ(Bar(), 373) << "a snapshot's size says nothing without a total";
        Seconds(30);
        EXPECT_EQ(Bar(), 653);
        gate->Release();
    });
    d.ShowModal();
    EXPECT_EQ(Bar(), 1000);
    EXPECT_TRUE(d.ScanComplete());
}

TEST_F(ProgressDialogTest, StopDuringAMiddleHiveFinishesThatHiveAndEndsIncomplete) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 100'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 100'000, 8192).HeldAt(gate));
    AddHive(TestHive("\\REGISTRY\\USER\\S-1-5-18", UserFile, 100'000));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        ASSERT_TRUE(headless->Click(*d.bStop));
        EXPECT_TRUE(d.StopRequested);
        EXPECT_EQ(d.Label1->Caption(), "Stop Process...");
        EXPECT_FALSE(d.bStop->Enabled());
        EXPECT_FALSE(d.Timer1->Enabled());
        Seconds(5);
        EXPECT_EQ(Bar(), 333) << "no creeping after Stop";
        EXPECT_TRUE(headless->IsWindowShown(d)) << "open until the worker closes it";
        gate->Release();
    });
    d.ShowModal();
    workers.WaitAll();

    // The hive in hand was saved whole and reported; the next was never started.
    EXPECT_EQ(platform.Saves().size(), 2u);
    EXPECT_EQ(platform.File(std::string(SamFile) + ".hvt")->size(), 8192u);
    EXPECT_EQ(d.CurrentIndex, 2);
    EXPECT_EQ(Bar(), 666) << "reports still move the bar";
    EXPECT_EQ(d.Memo1->Text(), hives[1].name);
    EXPECT_FALSE(d.ScanComplete());
}

TEST_F(ProgressDialogTest, StopDuringTheLastHiveStillEndsComplete) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 100'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 100'000, 8192).HeldAt(gate));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        ASSERT_TRUE(headless->Click(*d.bStop));
        gate->Release();
    });
    d.ShowModal();
    EXPECT_EQ(platform.Saves().size(), 2u);
    EXPECT_TRUE(d.ScanComplete());
    EXPECT_EQ(Bar(), 1000);
}

TEST_F(ProgressDialogTest, TheCloseBoxAbandonsTheWorkerWhileASaveIsInProgress) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 100'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 100'000, 8192).HeldAt(gate, 1000));
    AddHive(TestHive("\\REGISTRY\\USER\\S-1-5-18", UserFile, 100'000));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] { ASSERT_TRUE(headless->PressCloseBox(d)); });
    d.ShowModal();

    // The dialog closed at once, with the save still held in the middle.
    EXPECT_EQ(workers.Running(), 1u);
    EXPECT_FALSE(headless->HasWindow(d));
    EXPECT_FALSE(d.Timer1->Enabled());
    EXPECT_FALSE(d.ScanComplete());
    const std::vector<std::string> shown = memoTexts;

    // The dialog goes before the worker finishes; nothing the worker does may reach it now.
    dialog.reset();
    gate->Release();
    workers.WaitAll();
    EXPECT_EQ(platform.Saves().size(), 2u) << "it ends after the hive in hand";
    EXPECT_EQ(memoTexts, shown);
    EXPECT_EQ(platform.OpenKeyCount(), 0);
    app->ProcessMessages(); // its posts to the closed window are dropped
}

TEST_F(ProgressDialogTest, TheCloseBoxReleasesAWorkerWaitingOnAHandOver) {
    auto gate = std::make_shared<fake::Gate>();
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SYSTEM", SystemFile, 100'000));
    AddHive(TestHive("\\REGISTRY\\MACHINE\\SAM", SamFile, 100'000, 8192).HeldAt(gate));
    AddHive(TestHive("\\REGISTRY\\USER\\S-1-5-18", UserFile, 100'000));
    TfrmGetNewHiveProgess& d = Make();
    AtGate(gate, [&] {
        gate->Release();
        // The worker reports the second hive and hands the third hive's name over; it waits for
        // the UI thread, which closes the dialog instead of handling either.
        while (headless->PendingMessages() < 2)
            std::this_thread::yield();
        ASSERT_TRUE(headless->PressCloseBox(d));
    });
    d.ShowModal();
    workers.WaitAll(); // would hang if the hand-over were left waiting

    EXPECT_EQ(platform.Saves().size(), 2u) << "the third hive is not started after abandoning";
    EXPECT_EQ(memoTexts, (std::vector<std::string>{hives[0].name, hives[1].name}));
    EXPECT_FALSE(d.ScanComplete());
}

TEST_F(ProgressDialogTest, UnattendedTheDialogHidesButScansTheSame) {
    AddThree(100'000, 200'000, 300'000);
    TfrmGetNewHiveProgess& d = Make(false, true);
    bool shownDuringScan = true;
    d.OnProgress = [&](const TfrmGetNewHiveProgess&) {
        shownDuringScan = shownDuringScan && headless->IsWindowShown(d);
    };
    d.ShowModal();
    EXPECT_FALSE(shownDuringScan);
    EXPECT_FALSE(d.Visible());
    EXPECT_EQ(platform.Saves().size(), 3u);
    EXPECT_TRUE(d.ScanComplete());
}

TEST_F(ProgressDialogTest, AnErrorInTheWorkerEndsTheScanIncompleteAndIsShown) {
    AddThree(100'000, 200'000, 300'000);
    platform.OnSaveKey([](const std::string& file) {
        if (file.find("SOFTWARE") != std::string::npos)
            throw std::runtime_error("The disk went away");
    });
    TfrmGetNewHiveProgess& d = Make();
    d.ShowModal();
    workers.WaitAll();
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(headless->MessageBoxes()[0].text, "The disk went away.");
    EXPECT_EQ(headless->MessageBoxes()[0].caption, "Orvane Hivelet");
    EXPECT_FALSE(d.ScanComplete());
    EXPECT_EQ(platform.Saves().size(), 1u) << "the failing save never reached the service";
    EXPECT_EQ(platform.OpenKeyCount(), 0) << "the key of the failing save is closed";
}

// The system refuses the worker's thread: nothing would ever report or close, so the dialog
// says so once and ends; the analysis counts as incomplete.
TEST_F(ProgressDialogTest, AWorkerThatCannotStartIsReportedOnceAndEndsTheShowing) {
    AddThree(100'000, 200'000, 300'000);
    platform::WorkerThreads refusing([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "no thread");
    });
    ScanJob job{Names(), Files(), false, true, "English"};
    auto d = ui::CreateForm<TfrmGetNewHiveProgess>(*app, nullptr, platform, refusing, job);
    EXPECT_EQ(d->ShowModal(), ui::mrCancel);
    ASSERT_EQ(headless->MessageBoxes().size(), 1u);
    const ui::test::MessageBoxRecord& box = headless->MessageBoxes()[0];
    EXPECT_EQ(box.text.rfind(ScanNotStartedText, 0), 0u) << box.text;
    EXPECT_NE(box.text.find("no thread"), std::string::npos) << box.text;
    EXPECT_EQ(box.flags & ui::mb::IconMask, ui::mb::IconError);
    EXPECT_FALSE(d->ScanComplete());
    EXPECT_FALSE(d->Timer1->Enabled());
    EXPECT_TRUE(platform.Saves().empty());
    EXPECT_EQ(refusing.Running(), 0u);
}

TEST_F(ProgressDialogTest, ShownInTheUsersLanguageExceptEnglish) {
    AddThree(100'000, 200'000, 300'000);
    const std::string file = "C:\\Program Files\\Hivelet\\Languages\\DLan_Testish.ini";
    platform.AddTextFile(file, "[frmGetNewHiveProgess]\r\nfrmGetNewHiveProgess=Hive-Defrag\r\n"
                               "Label1=Bitte warten.\r\nbStop=Halt\r\n");
    settings::OptionsSetting().Lan = "Testish";
    TfrmGetNewHiveProgess& d = Make();
    d.ShowModal();
    EXPECT_EQ(d.Caption(), "Hive-Defrag");
    EXPECT_EQ(d.Label1->Caption(), "Bitte warten.");
    EXPECT_EQ(d.bStop->Caption(), "Halt");
    EXPECT_EQ(d.Label2->Caption(), "Checking: ") << "a missing key keeps its text";
    dialog.reset();

    settings::OptionsSetting().Lan = "english";
    platform.ClearCalls();
    TfrmGetNewHiveProgess& e = Make();
    e.ShowModal();
    EXPECT_EQ(e.Label1->Caption(), "Analyzing registry. Please wait.");
    for (const std::string& call : platform.Calls())
        EXPECT_EQ(call.find("DLan_"), std::string::npos) << call;
}

} // namespace
} // namespace hivelet::analysis::test
