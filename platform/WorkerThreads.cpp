#include "platform/WorkerThreads.h"

#include <algorithm>

namespace hivelet::platform {

WorkerThreads::WorkerThreads(Launcher launch) : launch_(std::move(launch)) {
    if (!launch_)
        launch_ = [](std::function<void()> run) { return std::thread(std::move(run)); };
}

WorkerThreads::~WorkerThreads() {
    WaitAll();
}

void WorkerThreads::Start(std::function<void()> body) {
    JoinEnded();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread thread = launch_([body = std::move(body), ended]() mutable {
        body();
        // Whatever the body owned is gone before the thread counts as ended.
        body = nullptr;
        ended->store(true);
    });
    workers_.push_back(Worker{std::move(thread), std::move(ended)});
}

void WorkerThreads::WaitAll() {
    for (Worker& w : workers_)
        if (w.thread.joinable())
            w.thread.join();
    workers_.clear();
}

size_t WorkerThreads::Running() const {
    return size_t(std::count_if(workers_.begin(), workers_.end(),
                                [](const Worker& w) { return !w.ended->load(); }));
}

void WorkerThreads::JoinEnded() {
    auto ended = std::partition(workers_.begin(), workers_.end(),
                                [](const Worker& w) { return !w.ended->load(); });
    for (auto it = ended; it != workers_.end(); ++it)
        it->thread.join();
    workers_.erase(ended, workers_.end());
}

} // namespace hivelet::platform
