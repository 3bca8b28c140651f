// Flushes a file to disk on a thread of its own while the file is still being written, so that
// the flush that ends the write finds only the tail left to do. A system cache that takes
// written bytes at once (a virtual disk, a drive with a write cache) may leave nearly all of the
// work to the flush; started early, that work overlaps the writing of the rest.
//
// The file must stay open until finish() has returned (or the FlushBehind is gone). request()
// and finish() belong to the thread that writes the file.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace hivelet::regf {

class FlushBehind {
public:
    // Flushes the file; returns 0 or the system's error number, and never throws.
    using Sync = std::function<int()>;

    explicit FlushBehind(Sync sync) : sync_(std::move(sync)) {}
    FlushBehind(const FlushBehind&) = delete;
    FlushBehind& operator=(const FlushBehind&) = delete;
    ~FlushBehind() { finish(); }

    // Asks for a flush of what has been written so far, without waiting for it. A request made
    // while a flush runs is served by one more flush after it. Where no thread can be started
    // the request is dropped, and so are the later ones: the final flush still does the work.
    void request();
    // Waits for a flush under way and drops one not yet begun. Returns the error number of the
    // first flush that failed, or 0. A failed flush must fail the write, even when a later one
    // succeeds: the system may report a lost write only once.
    int finish();

private:
    void run();

    Sync sync_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool pending_ = false;
    bool stopping_ = false;
    int error_ = 0;
    bool noThread_ = false; // owner's thread only
    std::thread thread_;
};

} // namespace hivelet::regf
