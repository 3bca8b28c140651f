#include "ui/Control.h"

#include "ui/Form.h"

#include <stdexcept>

namespace hivelet::ui {

Control::Control(Form& owner, std::string name)
    : Component(owner, std::move(name)), font_(owner.Font()) {}

Control::~Control() = default;

void Control::Changed(Prop what) {
    Owner().ControlChanged(*this, what);
}

void Control::SetLeft(int v) {
    SetBounds(v, bounds_.top, bounds_.width, bounds_.height);
}
void Control::SetTop(int v) {
    SetBounds(bounds_.left, v, bounds_.width, bounds_.height);
}
void Control::SetWidth(int v) {
    SetBounds(bounds_.left, bounds_.top, v, bounds_.height);
}
void Control::SetHeight(int v) {
    SetBounds(bounds_.left, bounds_.top, bounds_.width, v);
}

void Control::SetBounds(int left, int top, int width, int height) {
    Rect r{left, top, width < 0 ? 0 : width, height < 0 ? 0 : height};
    if (r == bounds_)
        return;
    bounds_ = r;
    Changed(Prop::Bounds);
}

Rect Control::BoundsInForm() const {
    Rect r = bounds_;
    for (const Control* p = parent_; p; p = p->parent_) {
        r.left += p->bounds_.left;
        r.top += p->bounds_.top;
    }
    return r;
}

void Control::SetCaption(std::string text) {
    if (text == caption_)
        return;
    caption_ = std::move(text);
    Changed(Prop::Caption);
    AutoSizeNow();
}

void Control::SetHint(std::string text) {
    if (text == hint_)
        return;
    hint_ = std::move(text);
    Changed(Prop::Hint);
}

void Control::SetShowHint(bool on) {
    if (on == showHint_)
        return;
    showHint_ = on;
    Changed(Prop::Hint);
}

void Control::SetVisible(bool on) {
    if (on == visible_)
        return;
    visible_ = on;
    Changed(Prop::Visible);
}

bool Control::IsShowing() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->visible_)
            return false;
    return true;
}

void Control::SetEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    Changed(Prop::Enabled);
}

bool Control::IsEnabledInTree() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->enabled_)
            return false;
    return true;
}

void Control::SetFont(const ui::Font& font) {
    if (font == font_)
        return;
    font_ = font;
    Changed(Prop::Font);
    AutoSizeNow();
}

void Control::SetCursor(ui::Cursor c) {
    if (c == cursor_)
        return;
    cursor_ = c;
    Changed(Prop::Cursor);
}

void Control::SetTabOrder(int order) {
    if (order == tabOrder_)
        return;
    tabOrder_ = order;
    Changed(Prop::TabOrder);
}

void Control::SetColor(ui::Color c) {
    if (c == color_)
        return;
    color_ = c;
    Changed(Prop::Colors);
}

void Control::SetParent(Control* parent) {
    if (parent == parent_)
        return;
    for (const Control* p = parent; p; p = p->parent_)
        if (p == this)
            throw std::logic_error("a control cannot contain itself: " + Name());
    if (parent && !parent->IsContainer())
        throw std::logic_error(Name() + ": parent " + parent->Name() + " holds no controls");
    if (parent && &parent->Owner() != &Owner())
        throw std::logic_error(Name() + ": parent belongs to another form");
    parent_ = parent;
    Changed(Prop::Bounds);
}

void Control::Click() {
    if (OnClick)
        OnClick();
}

} // namespace hivelet::ui
