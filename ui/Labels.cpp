#include "ui/Labels.h"

#include "ui/Application.h"

namespace hivelet::ui {

TCustomLabel::TCustomLabel(Form& owner, std::string name) : Control(owner, std::move(name)) {
    AutoSizeNow();
}

void TCustomLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    AutoSizeNow();
}

void TCustomLabel::SetAlignment(ui::Alignment a) {
    if (a == alignment_)
        return;
    alignment_ = a;
    Changed(Prop::Style);
}

void TCustomLabel::AutoSizeNow() {
    if (!autoSize_)
        return;
    Point size = App().TextExtent(Caption(), Font());
    SetBounds(Left(), Top(), size.x, size.y);
}

TsuiURLLabel::TsuiURLLabel(Form& owner, std::string name) : TCustomLabel(owner, std::move(name)) {
    ui::Font f = Font();
    f.underline = true;
    f.color = kBlue;
    SetFont(f);
    SetCursor(ui::Cursor::Hand);
}

void TsuiURLLabel::Click() {
    Control::Click();
    if (!url_.empty())
        App().OpenUrl(url_);
}

} // namespace hivelet::ui
