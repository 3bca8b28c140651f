// Threads of the dialogs' workers, kept by the main window.
//
// A worker owns everything it uses except the platform, and it may outlive the dialog that
// started it: a scan abandoned by the close box finishes the hive in hand on its own. The owner
// of a WorkerThreads must therefore outlive the platform's users only, not the dialogs: its
// destructor waits for every worker still running, so the platform is never used after it is
// gone. Workers end soon after they are told to stop (after the save in hand), so that wait is
// short. Threads that have ended are joined as new ones start.
//
// UI thread only.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace hivelet::platform {

class WorkerThreads {
public:
    // Starts the thread that runs a body; it throws (std::system_error) when the system refuses
    // a thread. The default makes a std::thread.
    using Launcher = std::function<std::thread(std::function<void()>)>;

    explicit WorkerThreads(Launcher launch = {});
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Runs `body` on a new thread. `body` must not let an exception escape (a thread that throws
    // ends the process). Throws when no thread can be started; `body` then never runs.
    void Start(std::function<void()> body);
    // Waits until every thread started so far has ended.
    void WaitAll();
    // Threads started and not yet ended.
    size_t Running() const;

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    void JoinEnded();

    Launcher launch_;
    std::vector<Worker> workers_;
};

} // namespace hivelet::platform
