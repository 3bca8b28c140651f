// The restore-point dialog and its worker: the report, the question after a failure, the bar on
// the virtual clock, and a dialog closed while its worker still runs.
#include "defrag/SystemPiont.h"

#include "i18n/ApplyLanguage.h"
#include "settings/DialogHarness.h"
#include "ui/WindowMessages.h"

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace hivelet::defrag {
namespace {

using fake::Gate;
using hivelet::test::DialogHarness;
using platform::RestorePointOutcome;

// Threads of the workers, joined before the platform they use goes.
class TestThreads {
public:
    ~TestThreads() { JoinAll(); }
    void Start(std::function<void()> body) { threads_.emplace_back(std::move(body)); }
    void JoinAll() {
        for (auto& t : threads_)
            if (t.joinable())
                t.join();
    }
    size_t Started() const { return threads_.size(); }
    WorkerStarter Starter() {
        return [this](std::function<void()> body) { Start(std::move(body)); };
    }

private:
    std::vector<std::thread> threads_;
};

// A platform whose restore-point library call throws.
class ThrowingPlatform : public fake::FakePlatform {
public:
    RestorePointOutcome SetRestorePoint(const std::string&, uint32_t, uint32_t) override {
        throw std::runtime_error("SRSetRestorePointA crashed");
    }
};

TEST(CreateSystemPointThread, PostsExactlyOneReportWhateverTheLibraryDoes) {
    struct Case {
        const char* what;
        std::optional<RestorePointOutcome> outcome; // nullopt: the call throws
        int64_t lParam;
    };
    const Case cases[] = {
        {"created", RestorePointOutcome::Created, RestorePointCreated},
        {"refused", RestorePointOutcome::Failed, RestorePointFailed},
        {"no library", RestorePointOutcome::LibraryMissing, RestorePointFailed},
        {"no entry point", RestorePointOutcome::EntryMissing, RestorePointFailed},
        {"throws", std::nullopt, RestorePointFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogHarness d;
        ThrowingPlatform throwing;
        platform::Platform& platform =
            c.outcome ? static_cast<platform::Platform&>(d.platform) : throwing;
        if (c.outcome)
            d.platform.ScriptRestorePoint(*c.outcome);
        ui::test::EventForm target(d.h.app, "frmTarget");
        std::vector<std::pair<uint64_t, int64_t>> reports;
        target.OnMessage(ui::WM_RESTOREPOINTDONE,
                         [&](uint64_t w, int64_t l) { reports.emplace_back(w, l); });

        auto worker = std::make_unique<TCreateSystemPointThread>(platform);
        worker->Window = target.Ref();
        TestThreads threads;
        TCreateSystemPointThread::Start(std::move(worker), threads.Starter());
        threads.JoinAll();
        d.h.app.ProcessMessages();
        EXPECT_EQ(reports, (std::vector<std::pair<uint64_t, int64_t>>{{0, c.lParam}}));
    }
}

TEST(CreateSystemPointThread, AsksForTheApplicationInstallPointMadeByHivelet) {
    DialogHarness d;
    TCreateSystemPointThread worker(d.platform);
    worker.Execute(); // no window: the report goes nowhere, and nothing breaks
    const auto requests = d.platform.RestorePoints();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].description, "Made by Orvane Hivelet");
    EXPECT_EQ(requests[0].eventType, 100u);      // BEGIN_SYSTEM_CHANGE
    EXPECT_EQ(requests[0].restorePointType, 0u); // APPLICATION_INSTALL
}

class SystemPointTest : public ::testing::Test {
protected:
    std::unique_ptr<TfrmSystemPoint> Make(WorkerStarter starter = nullptr) {
        if (!starter)
            starter = threads.Starter();
        return ui::CreateForm<TfrmSystemPoint>(d.h.app, nullptr, d.platform, options,
                                               std::move(starter));
    }
    const std::vector<ui::test::MessageBoxRecord>& Boxes() const {
        return d.h.headless->MessageBoxes();
    }

    DialogHarness d;
    settings::TOptionsSetting options{true, true, true, "English"};
    TestThreads threads; // after the platform: joined first
};

TEST_F(SystemPointTest, ACreatedPointClosesTheDialogWithOkAndNoMessage) {
    auto dlg = Make();
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_TRUE(dlg->Finished());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(threads.Started(), 1u);
    EXPECT_EQ(d.platform.RestorePoints().size(), 1u);
}

TEST_F(SystemPointTest, AFailureAsksWhetherToGoOnAndOnlyYesGoesOn) {
    d.platform.ScriptRestorePoint(RestorePointOutcome::Failed);
    struct Case {
        std::optional<int> answer; // nullopt: Enter, the box's default button
        ui::ModalResult result;
    };
    for (const Case& c : {Case{ui::mrYes, ui::mrOk}, Case{ui::mrNo, ui::mrCancel},
                          Case{std::nullopt, ui::mrCancel}}) {
        if (c.answer)
            d.h.headless->AnswerMessageBox(*c.answer);
        auto dlg = Make();
        EXPECT_EQ(dlg->ShowModal(), c.result);
        EXPECT_TRUE(dlg->Finished());
    }
    ASSERT_EQ(Boxes().size(), 3u);
    for (const auto& box : Boxes()) {
        EXPECT_EQ(box.text, "Restore Point creation Failed! Please check whether you close the "
                            "system restore. Contiue to defrag?");
        EXPECT_EQ(box.caption, "Orvane Hivelet");
        EXPECT_EQ(box.flags, 0x144u); // Yes/No, information icon, No the default
    }
    EXPECT_EQ(Boxes()[2].result, ui::mrNo);
}

TEST_F(SystemPointTest, WithoutTheLibraryTheQuestionComesAtOnce) {
    for (RestorePointOutcome outcome :
         {RestorePointOutcome::LibraryMissing, RestorePointOutcome::EntryMissing}) {
        d.platform.ScriptRestorePoint(outcome);
        auto dlg = Make();
        int positionAtQuestion = -1;
        d.h.headless->OnMessageBox = [&](const ui::test::MessageBoxRecord&) {
            positionAtQuestion = dlg->ProgressBar1->Position();
            return ui::mrYes;
        };
        EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
        EXPECT_EQ(positionAtQuestion, 0) << "asked before the first tick";
    }
}

TEST_F(SystemPointTest, TheBarFollowsTheClockAndRestsAtTheTopUntilTheReport) {
    auto gate = std::make_shared<Gate>();
    d.platform.ScriptRestorePoint(RestorePointOutcome::Created, gate);
    auto dlg = Make();
    std::vector<int> positions;
    d.WhenShown([&] {
        gate->WaitArrived();
        for (int tick = 0; tick < 60; ++tick) {
            d.h.headless->Advance(1000);
            positions.push_back(dlg->ProgressBar1->Position());
        }
        EXPECT_FALSE(dlg->Finished());
        gate->Release();
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_TRUE(Boxes().empty());

    std::vector<int> expected{10, 20, 30, 40, 45, 50, 55, 58, 61};
    for (int p = 63; p <= 81; p += 2)
        expected.push_back(p);
    for (int p = 82; p <= 100; ++p)
        expected.push_back(p);
    ASSERT_EQ(expected.size(), 38u);
    expected.resize(60, 100);
    EXPECT_EQ(positions, expected);
    EXPECT_FALSE(dlg->ProgressBar1->ShowCaption());
}

TEST_F(SystemPointTest, ClosingBeforeTheReportCancelsAndAbandonsTheWorker) {
    for (bool destroyed : {false, true}) {
        SCOPED_TRACE(destroyed ? "dialog destroyed before the report" : "dialog closed");
        auto gate = std::make_shared<Gate>();
        d.platform.ScriptRestorePoint(RestorePointOutcome::Failed, gate);
        auto dlg = Make();
        d.WhenShown([&] {
            gate->WaitArrived();
            EXPECT_FALSE(d.h.headless->PressCloseBox(*dlg)) << "the frame has no close box";
            d.h.headless->Advance(5000);
            dlg->Close(); // Alt+F4, or the system closing the window
        });
        EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
        EXPECT_FALSE(dlg->Finished());
        if (destroyed)
            dlg.reset();
        // The worker's failure report now goes to a window that is gone.
        gate->Release();
        threads.JoinAll();
        d.h.app.ProcessMessages();
        if (!destroyed) {
            EXPECT_EQ(dlg->ModalResult(), ui::mrCancel);
            EXPECT_FALSE(dlg->Finished());
        }
    }
    EXPECT_TRUE(Boxes().empty()) << "a failure reported after the close asks nothing";
    EXPECT_EQ(d.h.headless->PendingMessages(), 0u);
}

TEST_F(SystemPointTest, AWorkerThatCannotStartCountsAsAFailedCreation) {
    auto dlg = Make([](std::function<void()>) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    d.h.headless->AnswerMessageBox(ui::mrNo);
    EXPECT_EQ(dlg->ShowModal(), ui::mrCancel);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_TRUE(d.platform.RestorePoints().empty());
}

TEST_F(SystemPointTest, TheWorkerStartsBeforeTheDialogIsTranslated) {
    options.Lan = "German";
    d.AddLanguage("German", "[frmSystemPoint]\r\nfrmSystemPoint=Systempunkt\r\n"
                            "Label2=Bitte warten...\r\n");
    size_t callsAtStart = 0;
    auto dlg = Make([&](std::function<void()> body) {
        callsAtStart = d.platform.Calls().size();
        threads.Start(std::move(body));
    });
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_EQ(dlg->Caption(), "Systempunkt");
    EXPECT_EQ(dlg->Label2->Caption(), "Bitte warten...");
    const auto calls = d.platform.Calls();
    for (size_t i = 0; i < callsAtStart; ++i)
        EXPECT_EQ(calls[i].find("frmSystemPoint"), std::string::npos) << calls[i];
    EXPECT_GT(calls.size(), callsAtStart);
}

TEST_F(SystemPointTest, DesignedWindowAndTheEnglishLanguageFileAgree) {
    ui::test::EventForm owner(d.h.app, "frmMain");
    owner.SetBorderStyle(ui::BorderStyle::None);
    owner.SetClientSize(556, 392);
    owner.SetLeftTop(100, 50);
    auto dlg =
        ui::CreateForm<TfrmSystemPoint>(d.h.app, &owner, d.platform, options, threads.Starter());
    EXPECT_EQ(dlg->ShowModal(), ui::mrOk);
    EXPECT_EQ(dlg->BorderStyle(), ui::BorderStyle::DialogNoClose);
    EXPECT_EQ(dlg->ClientWidth(), 353);
    EXPECT_EQ(dlg->ClientHeight(), 180);
    const ui::Rect outer = dlg->WindowRect();
    EXPECT_NEAR(outer.left + outer.width / 2, 100 + 556 / 2, 1);
    EXPECT_NEAR(outer.top + outer.height / 2, 50 + 392 / 2, 1);
    EXPECT_EQ(dlg->ProgressBar1->BoundsInForm(), (ui::Rect{20, 132, 311, 18}));
    EXPECT_TRUE(dlg->lScanTask->Font().bold);

    std::vector<std::pair<std::string, std::string>> designed{{dlg->Name(), dlg->Caption()}};
    for (ui::Component* c : dlg->Components())
        if (auto* control = c->As<ui::Control>(); control && !c->IsKindOf<ui::TsuiProgressBar>())
            designed.emplace_back(control->Name(), control->Caption());
    EXPECT_EQ(hivelet::test::EnglishSection("frmSystemPoint"), designed);
}

} // namespace
} // namespace hivelet::defrag
