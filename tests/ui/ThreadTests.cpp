// Workers talking to forms: posts from other threads, the hand-over and its release when the
// form goes first. Runs under ThreadSanitizer as well.
#include "TestForm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace hivelet::ui {
namespace {

using test::EventForm;
using test::HeadlessApp;

constexpr uint32_t kHiveSaved = 0x6603;

// Spins (without a clock) until `pred` holds; the other thread is bound to make it true.
template <class P> void SpinUntil(P pred) {
    while (!pred())
        std::this_thread::yield();
}

TEST(Threads, PostsFromManyWorkersAllArriveInEachWorkersOrder) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    constexpr int kWorkers = 4, kEach = 500;
    std::vector<int64_t> last(kWorkers, -1);
    int received = 0;
    bool ordered = true;
    f.OnMessage(kHiveSaved, [&](uint64_t worker, int64_t n) {
        ordered = ordered && n == last[worker] + 1;
        last[worker] = n;
        if (++received == kWorkers * kEach)
            f.SetModalResult(mrOk);
    });
    std::vector<std::thread> workers;
    f.onActivate = [&] {
        WindowRef ref = f.Ref();
        for (int w = 0; w < kWorkers; ++w)
            workers.emplace_back([ref, w] {
                for (int i = 0; i < kEach; ++i)
                    ref.Post(kHiveSaved, uint64_t(w), i);
            });
    };
    EXPECT_EQ(f.ShowModal(), mrOk);
    for (auto& t : workers)
        t.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(received, kWorkers * kEach);
}

// The scan dialog's pattern: the worker hands each text over to the memo, then its last act is
// a posted close; the text must be in place when the showing ends.
TEST(Threads, HandOverRunsOnTheUiThreadBeforeTheCloseThatFollowsIt) {
    HeadlessApp h;
    for (int round = 0; round < 50; ++round) {
        EventForm f(h.app, "frmGetNewHiveProgess");
        auto* memo = f.Make<TMemo>("Memo1");
        memo->SetText("Registry Key");
        std::thread::id ranOn;
        std::vector<bool> results;
        std::thread worker;
        f.onActivate = [&] {
            WindowRef ref = f.Ref();
            worker = std::thread([ref, memo, &ranOn, &results] {
                for (const char* key :
                     {"\\REGISTRY\\MACHINE\\SYSTEM", "\\REGISTRY\\MACHINE\\SAM"}) {
                    results.push_back(HandOver(ref, [memo, key] { memo->SetText(key); }));
                    ref.Post(kHiveSaved);
                }
                results.push_back(HandOver(ref, [memo, &ranOn] {
                    memo->SetText("Finish");
                    ranOn = std::this_thread::get_id();
                }));
                ref.Post(wm::Close);
            });
        };
        EXPECT_EQ(f.ShowModal(), mrCancel);
        worker.join();
        EXPECT_EQ(memo->Text(), "Finish");
        EXPECT_EQ(ranOn, std::this_thread::get_id());
        EXPECT_EQ(results, (std::vector<bool>{true, true, true}));
    }
}

TEST(Threads, AWaitingHandOverIsReleasedAndDroppedWhenTheFormCloses) {
    HeadlessApp h;
    EventForm f(h.app, "frmGetNewHiveProgess");
    f.Show();
    WindowRef ref = f.Ref();
    std::atomic<int> result{-1};
    std::atomic<bool> ran{false};
    std::thread worker([&] { result = HandOver(ref, [&] { ran = true; }) ? 1 : 0; });
    // The hand-over is queued and its worker waits; the user closes the dialog first.
    SpinUntil([&] { return h.headless->PendingMessages() == 1; });
    f.Close();
    worker.join(); // would hang if the worker were not released
    EXPECT_EQ(result, 0);
    h.app.ProcessMessages(); // the queued hand-over message finds a dead window
    EXPECT_FALSE(ran);
    // From now on hand-overs fail at once.
    std::thread late([&] { result = HandOver(ref, [&] { ran = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran);
}

TEST(Threads, DestroyingTheFormReleasesItsWaitingWorker) {
    HeadlessApp h;
    auto f = std::make_unique<EventForm>(h.app, "frmSystemPoint");
    WindowRef ref = f->Ref();
    std::atomic<int> result{-1};
    std::thread worker([&] { result = HandOver(ref, [] {}) ? 1 : 0; });
    SpinUntil([&] { return h.headless->PendingMessages() == 1; });
    f.reset();
    worker.join();
    EXPECT_EQ(result, 0);
    h.app.ProcessMessages();
}

TEST(Threads, HandOverOnTheUiThreadRunsAtOnceAndErrorsGoToTheBox) {
    HeadlessApp h;
    EventForm f(h.app, "frmTest");
    int runs = 0;
    EXPECT_TRUE(HandOver(f.Ref(), [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(HandOver(WindowRef(), [&] { ++runs; }));

    // A worker's closure that throws: the box shows it, the worker is still released.
    f.Show();
    WindowRef ref = f.Ref();
    std::atomic<int> result{-1};
    std::thread worker(
        [&] { result = HandOver(ref, [] { throw std::runtime_error("memo is gone"); }) ? 1 : 0; });
    SpinUntil([&] { return h.headless->PendingMessages() == 1; });
    h.app.ProcessMessages();
    worker.join();
    EXPECT_EQ(result, 1);
    ASSERT_EQ(h.headless->MessageBoxes().size(), 1u);
    EXPECT_EQ(h.headless->MessageBoxes()[0].text, "memo is gone.");
}

// An abandoned worker keeps posting and handing over while the dialog closes and is destroyed.
TEST(Threads, AbandonedWorkerNeverTouchesTheClosedDialog) {
    HeadlessApp h;
    for (int round = 0; round < 20; ++round) {
        auto f = std::make_unique<EventForm>(h.app, "frmGetNewHiveProgess");
        auto* memo = f->Make<TMemo>("Memo1");
        std::atomic<bool> stop{false};
        std::atomic<int> handed{0};
        int reports = 0;
        f->OnMessage(kHiveSaved, [&](uint64_t, int64_t) {
            if (++reports == 3)
                f->Close(); // the user closes the dialog mid-scan
        });
        std::thread worker;
        f->onActivate = [&] {
            WindowRef ref = f->Ref();
            worker = std::thread([ref, memo, &stop, &handed] {
                while (!stop) {
                    if (HandOver(ref, [memo] { memo->SetText("key"); }))
                        ++handed;
                    if (!ref.Post(kHiveSaved))
                        break;
                }
            });
        };
        EXPECT_EQ(f->ShowModal(), mrCancel);
        f.reset(); // destroyed while the worker may still be running
        stop = true;
        worker.join();
        EXPECT_GE(handed.load(), 2);
        h.app.ProcessMessages();
    }
}

// The main form closes (the taskbar, a taskkill) while a dialog's worker waits on a hand-over to
// that dialog, and the main form's close waits for the worker, as the main window's does: the
// dialog must be closed first, or the two would wait on each other for ever.
TEST(Threads, ClosingTheMainFormClosesItsModalDialogFirstAndReleasesItsWorker) {
    HeadlessApp h;
    EventForm main(h.app, "frmMain");
    EventForm dialog(h.app, "frmGetNewHiveProgess", &main);
    std::vector<std::string> order;
    std::atomic<int> result{-1};
    dialog.onClose = [&] { order.push_back("dialog"); };
    main.onClose = [&] {
        order.push_back("main");
        // Bounded, so that the fault fails the test instead of hanging it.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (result < 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_EQ(result, 0) << "the worker still waits on the open dialog";
        dialog.SetModalResult(mrCancel); // lets the test end should it have failed
    };
    main.Show();
    std::thread worker;
    h.headless->WhenIdle([&] {
        WindowRef ref = dialog.Ref();
        worker = std::thread([&, ref] { result = HandOver(ref, [] {}) ? 1 : 0; });
        SpinUntil([&] { return h.headless->PendingMessages() == 1; });
        main.Close(); // as the main window's WM_CLOSE does
    });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    worker.join();
    EXPECT_EQ(order, (std::vector<std::string>{"dialog", "main"}));
    EXPECT_FALSE(h.headless->HasWindow(dialog));
    EXPECT_FALSE(h.headless->HasWindow(main));
}

} // namespace
} // namespace hivelet::ui
