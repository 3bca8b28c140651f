// The keeper of the dialogs' worker threads: it waits for what still runs when it goes.
#include "platform/WorkerThreads.h"

#include "platform/fake/FakePlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace hivelet::platform {
namespace {

TEST(WorkerThreads, DestroyingWaitsForAWorkerStillRunning) {
    fake::Gate gate;
    std::atomic<bool> ended{false};
    std::atomic<bool> destroying{false};
    auto threads = std::make_unique<WorkerThreads>();
    threads->Start([&] {
        gate.Pass();
        ended = true;
    });
    gate.WaitArrived();
    EXPECT_EQ(threads->Running(), 1u);
    std::thread releaser([&] {
        while (!destroying)
            std::this_thread::yield();
        gate.Release();
    });
    destroying = true;
    threads.reset();
    EXPECT_TRUE(ended) << "the keeper went before its worker ended";
    releaser.join();
}

TEST(WorkerThreads, EndedWorkersAreJoinedAndWhatTheyOwnIsFreedWithThem) {
    WorkerThreads threads;
    auto owned = std::make_shared<int>(7);
    std::weak_ptr<int> watch = owned;
    fake::Gate gate;
    threads.Start([owned = std::move(owned), &gate] { gate.Pass(); });
    gate.WaitArrived();
    EXPECT_FALSE(watch.expired()) << "held while it runs";
    gate.Release();
    threads.WaitAll();
    EXPECT_TRUE(watch.expired()) << "the body's captures are released when it ends";
    EXPECT_EQ(threads.Running(), 0u);

    for (int i = 0; i < 20; ++i)
        threads.Start([] {});
    threads.WaitAll();
    EXPECT_EQ(threads.Running(), 0u);
}

} // namespace
} // namespace hivelet::platform
