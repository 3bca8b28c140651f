#include "ui/WindowSlot.h"

#include "ui/Application.h"
#include "ui/Backend.h"
#include "ui/Form.h"
#include "ui/WindowRef.h"

namespace hivelet::ui {
namespace detail {

void HandOverJob::Finish(State s) {
    {
        std::lock_guard lock(m);
        state = s;
    }
    cv.notify_all();
}

HandOverJob::State HandOverJob::Wait() {
    std::unique_lock lock(m);
    cv.wait(lock, [this] { return state != State::Waiting; });
    return state;
}

bool WindowSlot::Post(uint32_t msg, uint64_t wParam, int64_t lParam) {
    std::lock_guard lock(m_);
    if (!open_)
        return false;
    return backend_.PostToSlot(*this, native_, msg, wParam, lParam);
}

bool WindowSlot::Open() const {
    std::lock_guard lock(m_);
    return open_;
}

bool WindowSlot::Enqueue(const std::shared_ptr<HandOverJob>& job) {
    std::lock_guard lock(m_);
    if (!open_)
        return false;
    jobs_.push_back(job);
    if (!backend_.PostToSlot(*this, native_, kHandOverMessage, 0, 0)) {
        jobs_.pop_back();
        return false;
    }
    return true;
}

void WindowSlot::Expire() {
    std::deque<std::shared_ptr<HandOverJob>> dropped;
    {
        std::lock_guard lock(m_);
        open_ = false;
        native_ = 0;
        dropped.swap(jobs_);
    }
    for (auto& job : dropped)
        job->Finish(HandOverJob::State::Dropped);
}

std::deque<std::shared_ptr<HandOverJob>> WindowSlot::TakeJobs() {
    std::deque<std::shared_ptr<HandOverJob>> taken;
    std::lock_guard lock(m_);
    taken.swap(jobs_);
    return taken;
}

void WindowSlot::SetNative(uintptr_t native) {
    std::lock_guard lock(m_);
    native_ = native;
}

uintptr_t WindowSlot::Native() const {
    std::lock_guard lock(m_);
    return native_;
}

} // namespace detail

bool WindowRef::Post(uint32_t msg, uint64_t wParam, int64_t lParam) const {
    return slot_ && slot_->Post(msg, wParam, lParam);
}

bool WindowRef::Alive() const {
    return slot_ && slot_->Open();
}

bool HandOver(const WindowRef& window, std::function<void()> work) {
    const auto& slot = window.Slot();
    if (!slot || !work)
        return false;
    if (slot->OnUiThread()) {
        // Waiting here would wait on ourselves: run it now instead.
        if (!slot->Open())
            return false;
        Form* form = slot->GetForm();
        form->App().Guard(work);
        return true;
    }
    auto job = std::make_shared<detail::HandOverJob>();
    job->work = std::move(work);
    if (!slot->Enqueue(job))
        return false;
    return job->Wait() == detail::HandOverJob::State::Done;
}

} // namespace hivelet::ui
