// How a worker thread reaches a form: a copyable reference that outlives the form safely.
//
// A WindowRef stands for one showing of one form window. Once that window closes (or the form is
// destroyed) the reference is dead: Post returns false and does nothing, and HandOver returns
// false without running its closure. Both may be called from any thread, at any time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace hivelet::ui {

namespace detail {
class WindowSlot;
}

class WindowRef {
public:
    WindowRef() = default;
    explicit WindowRef(std::shared_ptr<detail::WindowSlot> slot) : slot_(std::move(slot)) {}

    // Queues a window message for the form's UI thread. False when the window is gone.
    bool Post(uint32_t msg, uint64_t wParam = 0, int64_t lParam = 0) const;
    // Still the live window of its form (a snapshot: it may die right after).
    bool Alive() const;
    explicit operator bool() const { return Alive(); }

    const std::shared_ptr<detail::WindowSlot>& Slot() const { return slot_; }

private:
    std::shared_ptr<detail::WindowSlot> slot_;
};

// Runs `work` on the UI thread, in the window's message order, and waits until it has run.
// Returns true when it ran. Returns false, without running it, when the window closes (the form
// abandons its worker) before the UI thread got to it; the waiting thread is then released at
// once. Called on the UI thread itself it runs `work` directly (if the window is alive), so it
// can never wait on itself. An exception thrown by `work` goes to the general error box; the
// call still counts as run.
bool HandOver(const WindowRef& window, std::function<void()> work);

} // namespace hivelet::ui
