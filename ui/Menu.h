// Popup menus and their items. Both are components of the form (menu items are walked by the
// language files like any other component); the popup menu lists its items, which the form owns.
#pragma once

#include "ui/Component.h"
#include "ui/Types.h"

#include <functional>
#include <vector>

namespace hivelet::ui {

class TMenuItem : public Component {
public:
    HIVELET_UI_KIND(TMenuItem, Component)
    using Component::Component;

    // A caption of "-" makes the item a separator.
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string c) { caption_ = std::move(c); }
    bool IsSeparator() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    void SetChecked(bool on) { checked_ = on; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) { enabled_ = on; }
    bool Visible() const { return visible_; }
    void SetVisible(bool on) { visible_ = on; }

    std::function<void()> OnClick;
    void Click() {
        if (OnClick)
            OnClick();
    }

private:
    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
};

class TPopupMenu : public Component {
public:
    HIVELET_UI_KIND(TPopupMenu, Component)
    using Component::Component;

    // Appends an item (owned by the same form).
    void Add(TMenuItem* item) { items_.push_back(item); }
    const std::vector<TMenuItem*>& Items() const { return items_; }

    // Shows the menu with its top-left corner at `screen`, waits for the choice and fires the
    // chosen item's OnClick. Returns the chosen item, or null when the menu was dismissed.
    TMenuItem* Popup(Point screen);

private:
    std::vector<TMenuItem*> items_;
};

} // namespace hivelet::ui
