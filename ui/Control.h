// A component with a place on a form: bounds, caption, hint, visibility, font, focus order.
//
// Every setter tells the form's backend what changed, so the screen follows the model; the model
// is the one source of truth (a backend that re-creates its windows rebuilds them from it).
#pragma once

#include "ui/Component.h"
#include "ui/Types.h"

#include <functional>
#include <memory>
#include <string>

namespace hivelet::ui {

class TPopupMenu;

// What changed on a control, for the backend.
enum class Prop {
    Bounds,
    Caption,
    Hint,
    Visible,
    Enabled,
    Font,
    Cursor,
    TabOrder,
    Colors,
    Picture,
    Checked,
    Progress,
    Text,
    Columns,
    Items,
    GridLines,
    Style,
};

// Backend state attached to a control or form (the native window, brushes ...).
struct Peer {
    virtual ~Peer() = default;
};

class Control : public Component {
public:
    HIVELET_UI_KIND(TControl, Component)

    Control(Form& owner, std::string name);
    ~Control() override;

    // Position and size in pixels, relative to the parent's client area (the form's when the
    // control has no parent).
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }
    Rect Bounds() const { return bounds_; }
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);
    void SetBounds(int left, int top, int width, int height);
    // Bounds in the form's client coordinates (parents' offsets added).
    Rect BoundsInForm() const;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string text);

    const std::string& Hint() const { return hint_; }
    void SetHint(std::string text);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on);

    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    // Visible and every parent visible.
    bool IsShowing() const;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    // Enabled and every parent enabled.
    bool IsEnabledInTree() const;

    const ui::Font& Font() const { return font_; }
    void SetFont(const ui::Font& font);
    ui::Cursor Cursor() const { return cursor_; }
    void SetCursor(ui::Cursor c);
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order);
    // Background colour; kDefaultColor = the parent's.
    ui::Color Color() const { return color_; }
    void SetColor(ui::Color c);

    // The group box or panel that contains this control; null = the form itself.
    Control* Parent() const { return parent_; }
    void SetParent(Control* parent);

    // The context menu a right-click on the control pops up at the cursor.
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    // A windowed control gets its own native window (and its own hit tests); a graphic control is
    // drawn by its parent (labels, images, flat speed buttons).
    virtual bool IsWindowed() const { return true; }
    // Group boxes and panels hold other controls.
    virtual bool IsContainer() const { return false; }
    // Takes the keyboard focus (buttons, check boxes, list views).
    virtual bool CanFocus() const { return false; }

    // Fired on the UI thread when the user clicks the control.
    std::function<void()> OnClick;
    // What a click does: the event, and whatever the kind adds (a button's modal result, a check
    // box's toggle). Called by the backends for a user's click; code may call it as a click.
    virtual void Click();

    // Backend use only.
    Peer* GetPeer() const { return peer_.get(); }
    void SetPeer(std::unique_ptr<Peer> p) { peer_ = std::move(p); }

protected:
    // Tells the backend (if the form has a window) that `what` changed.
    void Changed(Prop what);
    // Kinds that size themselves to their caption override this (labels, check boxes).
    virtual void AutoSizeNow() {}

private:
    Rect bounds_;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    ui::Font font_;
    ui::Cursor cursor_ = ui::Cursor::Default;
    int tabOrder_ = -1;
    ui::Color color_ = kDefaultColor;
    Control* parent_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    std::unique_ptr<Peer> peer_;
};

} // namespace hivelet::ui
