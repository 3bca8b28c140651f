#include "ui/Buttons.h"

#include "ui/Application.h"
#include "ui/Form.h"

namespace hivelet::ui {

void TButton::SetDefault(bool on) {
    if (on == default_)
        return;
    default_ = on;
    Changed(Prop::Style);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        Owner().SetModalResult(modalResult_);
    Control::Click();
}

TsuiCheckBox::TsuiCheckBox(Form& owner, std::string name) : TButtonControl(owner, std::move(name)) {
    AutoSizeNow();
}

void TsuiCheckBox::SetChecked(bool on) {
    if (on == checked_)
        return;
    checked_ = on;
    Changed(Prop::Checked);
}

void TsuiCheckBox::SetAutoSize(bool on) {
    autoSize_ = on;
    AutoSizeNow();
}

void TsuiCheckBox::Click() {
    checked_ = !checked_;
    Changed(Prop::Checked);
    Control::Click();
}

void TsuiCheckBox::AutoSizeNow() {
    if (!autoSize_)
        return;
    Point size = App().TextExtent(Caption(), Font());
    int height = Height() > 0 ? Height() : (size.y > 17 ? size.y : 17);
    SetBounds(Left(), Top(), kBoxWidth + kGap + size.x + 2, height);
}

void TFlatSpeedButton::SetColorFocused(ui::Color c) {
    if (c == colorFocused_)
        return;
    colorFocused_ = c;
    Changed(Prop::Colors);
}

void TFlatSpeedButton::SetColorBorder(ui::Color c) {
    if (c == colorBorder_)
        return;
    colorBorder_ = c;
    Changed(Prop::Colors);
}

} // namespace hivelet::ui
