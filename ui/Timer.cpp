#include "ui/Timer.h"

#include "ui/Application.h"
#include "ui/Backend.h"

namespace hivelet::ui {

TTimer::TTimer(Form& owner, std::string name) : Component(owner, std::move(name)) {
    Restart();
}

TTimer::~TTimer() {
    if (running_)
        App().GetBackend().StopTimer(*this);
}

void TTimer::SetInterval(uint32_t ms) {
    if (ms == interval_)
        return;
    interval_ = ms;
    Restart();
}

void TTimer::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    Restart();
}

void TTimer::Restart() {
    Backend& backend = App().GetBackend();
    if (running_) {
        backend.StopTimer(*this);
        running_ = false;
    }
    if (enabled_ && interval_ > 0) {
        backend.StartTimer(*this);
        running_ = true;
    }
}

void TTimer::Fire() {
    if (!enabled_ || !OnTimer)
        return;
    App().Guard([this] { OnTimer(); });
}

} // namespace hivelet::ui
