// A timer of the form: fires OnTimer on the UI thread every Interval milliseconds while Enabled.
// Timers run whether or not their form is shown; a timer is stopped when its form is destroyed.
#pragma once

#include "ui/Component.h"

#include <cstdint>
#include <functional>

namespace hivelet::ui {

class TTimer : public Component {
public:
    HIVELET_UI_KIND(TTimer, Component)
    TTimer(Form& owner, std::string name);
    ~TTimer() override;

    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);

    std::function<void()> OnTimer;

    // Backend use: a tick arrived (ignored unless enabled).
    void Fire();

private:
    void Restart();

    uint32_t interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;
};

} // namespace hivelet::ui
