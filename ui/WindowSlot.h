// The shared state behind WindowRef (toolkit and backend use, not for forms).
//
// One slot per showing of a form window. Workers hold it through WindowRef; the form holds it
// while its window is open and expires it when the window closes. The mutex guards `open_`, the
// native handle and the queue of hand-overs, so a post can never race with the window's death.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace hivelet::ui {

class Backend;
class Form;

namespace detail {

// The private message that tells a form's UI thread to run its waiting hand-overs.
inline constexpr uint32_t kHandOverMessage = 0xBF01;

struct HandOverJob {
    enum class State { Waiting, Done, Dropped };
    std::function<void()> work;
    std::mutex m;
    std::condition_variable cv;
    State state = State::Waiting;

    void Finish(State s);
    State Wait();
};

class WindowSlot : public std::enable_shared_from_this<WindowSlot> {
public:
    WindowSlot(Backend& backend, Form& form)
        : backend_(backend), form_(&form), uiThread_(std::this_thread::get_id()) {}
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;

    // Any thread.
    bool Post(uint32_t msg, uint64_t wParam, int64_t lParam);
    bool Open() const;
    // The calling thread is the UI thread the slot was made on.
    bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
    // Queues a hand-over and posts kHandOverMessage; false (job untouched) when closed.
    bool Enqueue(const std::shared_ptr<HandOverJob>& job);

    // UI thread only.
    Form* GetForm() const { return form_; }
    void Expire();
    std::deque<std::shared_ptr<HandOverJob>> TakeJobs();
    void SetNative(uintptr_t native);
    uintptr_t Native() const;

private:
    mutable std::mutex m_;
    bool open_ = true;
    Backend& backend_;
    Form* form_;
    const std::thread::id uiThread_;
    uintptr_t native_ = 0;
    std::deque<std::shared_ptr<HandOverJob>> jobs_;
};

} // namespace detail
} // namespace hivelet::ui
