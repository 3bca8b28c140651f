#include "platform/regf/FlushBehind.h"

namespace hivelet::regf {

void FlushBehind::request() {
    if (noThread_) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        pending_ = true;
    }
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (...) { // refused by the system, or no memory for its state: not asked again
            noThread_ = true;
            std::lock_guard lock(mutex_);
            pending_ = false;
            return;
        }
    }
    wake_.notify_one();
}

int FlushBehind::finish() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_ = false;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    return error_;
}

void FlushBehind::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (stopping_) {
            return;
        }
        pending_ = false;
        lock.unlock();
        int error = sync_();
        lock.lock();
        if (error_ == 0) {
            error_ = error;
        }
    }
}

} // namespace hivelet::regf
