// Timers: one SetTimer on the application window per running TTimer.
#include "ui/win32/Impl.h"

#include <stdexcept>

namespace hivelet::ui::win32 {

void Win32Backend::StartTimer(TTimer& timer) {
    UINT_PTR id = nextTimer_++;
    if (!SetTimer(appWindow_, id, timer.Interval(), nullptr))
        throw std::runtime_error("no timer left for " + timer.Name());
    timers_[id] = &timer;
    timerIds_[&timer] = id;
}

void Win32Backend::StopTimer(TTimer& timer) {
    auto it = timerIds_.find(&timer);
    if (it == timerIds_.end())
        return;
    KillTimer(appWindow_, it->second);
    timers_.erase(it->second);
    timerIds_.erase(it);
}

void Win32Backend::Fire(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it != timers_.end())
        it->second->Fire();
}

} // namespace hivelet::ui::win32
