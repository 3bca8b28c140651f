// Things the user presses: push buttons, check boxes, flat speed buttons.
#pragma once

#include "ui/Control.h"

namespace hivelet::ui {

// Base of the windowed push buttons and check boxes.
class TButtonControl : public Control {
public:
    HIVELET_UI_KIND(TButtonControl, Control)
    using Control::Control;
    bool CanFocus() const override { return true; }
};

// A push button. A non-zero ModalResult is given to the form when the button is clicked (before
// OnClick), which closes a modal form with that result.
class TButton : public TButtonControl {
public:
    HIVELET_UI_KIND(TButton, TButtonControl)
    using TButtonControl::TButtonControl;

    ui::ModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(ui::ModalResult r) { modalResult_ = r; }
    // Enter presses the default button, Escape the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }

    void Click() override;

private:
    ui::ModalResult modalResult_ = mrNone;
    bool default_ = false;
    bool cancel_ = false;
};

// The skinned push button; behaves as TButton, drawn flat.
class TsuiButton : public TButton {
public:
    HIVELET_UI_KIND(TsuiButton, TButton)
    using TButton::TButton;
};

// The skinned check box. Checked changes by a click (then OnClick fires) or by SetChecked (which
// fires nothing). With AutoSize on (the default) it takes the width of box + gap + caption.
class TsuiCheckBox : public TButtonControl {
public:
    HIVELET_UI_KIND(TsuiCheckBox, TButtonControl)
    TsuiCheckBox(Form& owner, std::string name);

    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

    void Click() override;

    // Width of the box and the gap before the caption, in pixels.
    static constexpr int kBoxWidth = 13;
    static constexpr int kGap = 4;

protected:
    void AutoSizeNow() override;

private:
    bool checked_ = false;
    bool autoSize_ = true;
};

// A flat button drawn by its parent (a graphic control, so it takes no focus and no hit test of
// its own). ColorFocused fills it while the mouse is over it; ColorBorder is its frame.
class TFlatSpeedButton : public Control {
public:
    HIVELET_UI_KIND(TFlatSpeedButton, Control)
    using Control::Control;

    bool IsWindowed() const override { return false; }

    ui::Color ColorFocused() const { return colorFocused_; }
    void SetColorFocused(ui::Color c);
    ui::Color ColorBorder() const { return colorBorder_; }
    void SetColorBorder(ui::Color c);

private:
    ui::Color colorFocused_ = kSilver;
    ui::Color colorBorder_ = kDefaultColor;
};

} // namespace hivelet::ui
