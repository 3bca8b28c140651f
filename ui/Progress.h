// The progress bar, memo and timer.
#pragma once

#include "ui/Control.h"

#include <cstdint>

namespace hivelet::ui {

// A progress bar over the range Min..Max. With ShowCaption on it draws its position as a whole
// percentage of the range, cut toward zero ("43%" for 437 of 0..1000).
class TsuiProgressBar : public Control {
public:
    HIVELET_UI_KIND(TsuiProgressBar, Control)
    using Control::Control;

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    // The position is kept within the range.
    int Position() const { return position_; }
    void SetPosition(int p);
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool on);

    // The percentage the bar shows: (Position - Min) * 100 / (Max - Min), cut toward zero;
    // 0 for an empty range.
    int Percent() const;
    // "43%" (the caption the bar draws when ShowCaption is on).
    std::string PercentText() const;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool showCaption_ = true;
};

// A multi-line text box. ReadOnly and borderless by default, since Hivelet uses it to show text.
class TMemo : public Control {
public:
    HIVELET_UI_KIND(TMemo, Control)
    using Control::Control;

    const std::string& Text() const { return text_; }
    void SetText(std::string t);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool Border() const { return border_; }
    void SetBorder(bool on);

private:
    std::string text_;
    bool readOnly_ = true;
    bool border_ = false;
};

} // namespace hivelet::ui
