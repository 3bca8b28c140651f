#include "ui/Progress.h"

#include <algorithm>

namespace hivelet::ui {

void TsuiProgressBar::SetRange(int min, int max) {
    if (max < min)
        max = min;
    min_ = min;
    max_ = max;
    position_ = std::clamp(position_, min_, max_);
    Changed(Prop::Progress);
}

void TsuiProgressBar::SetPosition(int p) {
    p = std::clamp(p, min_, max_);
    if (p == position_)
        return;
    position_ = p;
    Changed(Prop::Progress);
}

void TsuiProgressBar::SetShowCaption(bool on) {
    if (on == showCaption_)
        return;
    showCaption_ = on;
    Changed(Prop::Progress);
}

int TsuiProgressBar::Percent() const {
    long long range = (long long)max_ - min_;
    if (range <= 0)
        return 0;
    // Integer division truncates toward zero, as the caption should.
    return int(((long long)position_ - min_) * 100 / range);
}

std::string TsuiProgressBar::PercentText() const {
    return std::to_string(Percent()) + "%";
}

void TMemo::SetText(std::string t) {
    if (t == text_)
        return;
    text_ = std::move(t);
    Changed(Prop::Text);
}

void TMemo::SetBorder(bool on) {
    if (on == border_)
        return;
    border_ = on;
    Changed(Prop::Style);
}

} // namespace hivelet::ui
