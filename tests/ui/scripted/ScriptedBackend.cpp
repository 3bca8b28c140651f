#include "ui/scripted/ScriptedBackend.h"

#include "platform/TextCase.h"
#include "ui/Application.h"
#include "ui/Buttons.h"
#include "ui/Menu.h"
#include "ui/Timer.h"

#include <stdexcept>

namespace hivelet::ui::test {

std::unique_ptr<ScriptedBackend> MakeScriptedBackend(ScriptOptions options) {
    return std::make_unique<ScriptedBackend>(options);
}

// --- Clock ------------------------------------------------------------------------------------

void ScriptedBackend::Advance(uint64_t ms) {
    uint64_t target = virtualNow_ + ms;
    DrainQueue();
    uint64_t due = 0;
    while (TTimer* t = NextDue(target, &due)) {
        virtualNow_ = due > virtualNow_ ? due : virtualNow_;
        FireTimer(t, due);
        DrainQueue();
    }
    virtualNow_ = target;
    DrainQueue();
}

void ScriptedBackend::Idle() {
    // Time stands still, so no timer falls due here.
    if (!idle_.empty()) {
        auto action = std::move(idle_.front());
        idle_.pop_front();
        action();
        return;
    }
    // Nothing scripted: only a worker thread can move things on now.
    if (!WaitForPost(std::chrono::seconds(options_.stallSeconds)))
        throw std::runtime_error("headless message loop is idle: nothing queued, nothing "
                                 "scripted and no post arrived");
}

// --- Boxes and menus --------------------------------------------------------------------------

int ScriptedBackend::Answer(const MessageBoxRecord& box) {
    if (boxAnswers_.empty())
        return HeadlessBackend::Answer(box);
    const int result = boxAnswers_.front();
    boxAnswers_.pop_front();
    return result;
}

int ScriptedBackend::MessageBox(Form* owner, const std::string& text, const std::string& caption,
                                uint32_t flags) {
    const int result = HeadlessBackend::MessageBox(owner, text, caption, flags);
    boxes_.push_back(
        MessageBoxRecord{text, caption, flags, result, owner ? owner->Name() : std::string()});
    return result;
}

TMenuItem* ScriptedBackend::TrackPopup(TPopupMenu& menu, Point screen) {
    MenuRecord r;
    r.menu = menu.Name();
    r.at = screen;
    for (TMenuItem* item : menu.Items())
        if (item->Visible())
            r.items.push_back({item->Name(), item->Caption(), item->Checked(), item->Enabled()});
    TMenuItem* chosen = nullptr;
    if (!menuAnswers_.empty()) {
        std::string name = std::move(menuAnswers_.front());
        menuAnswers_.pop_front();
        if (!name.empty()) {
            for (TMenuItem* item : menu.Items())
                if (item->Name() == name && item->Visible() && item->Enabled() &&
                    !item->IsSeparator())
                    chosen = item;
            if (!chosen)
                throw std::logic_error("menu " + menu.Name() + " has no item " + name +
                                       " to choose");
        }
    }
    r.chosen = chosen ? chosen->Name() : std::string();
    menus_.push_back(std::move(r));
    return chosen;
}

// --- The user ---------------------------------------------------------------------------------

bool ScriptedBackend::IsWindowShown(const Form& f) const {
    const WindowState* w = StateOf(f);
    return w && w->shown;
}

bool ScriptedBackend::IsWindowEnabled(const Form& f) const {
    const WindowState* w = StateOf(f);
    return w && w->disabled == 0;
}

NativeWindow ScriptedBackend::WindowOf(const Form& f) const {
    const WindowState* w = StateOf(f);
    return w ? w->id : 0;
}

bool ScriptedBackend::UsableForUser(const Form& f) const {
    return IsWindowShown(f) && IsWindowEnabled(f);
}

bool ScriptedBackend::Click(Control& c) {
    if (!UsableForUser(c.Owner()) || !c.IsShowing() || !c.IsEnabledInTree())
        return false;
    c.Owner().UserClick(c);
    return true;
}

bool ScriptedBackend::RightClick(Control& c) {
    if (!UsableForUser(c.Owner()) || !c.IsShowing() || !c.PopupMenu())
        return false;
    TPopupMenu* menu = c.PopupMenu();
    App().Guard([&] { menu->Popup(cursor_); });
    return true;
}

bool ScriptedBackend::PressCloseBox(Form& f) {
    if (f.BorderStyle() != BorderStyle::Dialog || !UsableForUser(f))
        return false;
    f.DispatchMessage(wm::SysCommand, sc::Close, 0);
    return true;
}

bool ScriptedBackend::PressEnter(Form& f) {
    if (!UsableForUser(f))
        return false;
    Control* focus = f.ActiveControl();
    if (auto* b = dynamic_cast<TButton*>(focus); b && b->IsEnabledInTree())
        return Click(*b);
    if (TButton* b = f.DefaultButton())
        return Click(*b);
    return false;
}

bool ScriptedBackend::PressEscape(Form& f) {
    if (!UsableForUser(f))
        return false;
    if (TButton* b = f.CancelButton())
        return Click(*b);
    return false;
}

int ScriptedBackend::HitTest(Form& f, Point screen) {
    Rect outer = f.WindowRect();
    if (!Rect{outer.left, outer.top, outer.width - 1, outer.height - 1}.ContainsInclusive(screen))
        return ht::Nowhere;
    Point origin = f.ClientOrigin();
    Point client{screen.x - origin.x, screen.y - origin.y};
    if (client.x < 0 || client.y < 0 || client.x >= f.ClientWidth() || client.y >= f.ClientHeight())
        return f.HitTest(screen, ht::Caption);
    for (Component* comp : f.Components()) {
        auto* c = dynamic_cast<Control*>(comp);
        if (!c || !c->IsWindowed() || !c->IsShowing())
            continue;
        Rect r = c->BoundsInForm();
        if (client.x >= r.left && client.x < r.Right() && client.y >= r.top &&
            client.y < r.Bottom())
            return ht::Nowhere; // that control's own window answers, not the form
    }
    return f.HitTest(screen, ht::Client);
}

// --- Other windows ----------------------------------------------------------------------------

NativeWindow ScriptedBackend::AddForeignWindow(std::string className) {
    NativeWindow id = NewWindowNumber();
    foreign_[id] = std::move(className);
    return id;
}

std::optional<NativeWindow> ScriptedBackend::FindWindowByClass(const std::string& className) {
    for (const auto& [id, cls] : foreign_)
        if (platform::SameNoCase(cls, className))
            return id;
    return HeadlessBackend::FindWindowByClass(className);
}

bool ScriptedBackend::PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam,
                                   int64_t lParam) {
    if (foreign_.count(window)) {
        foreignPosts_.push_back(ForeignPost{window, msg, wParam, lParam});
        return true;
    }
    return HeadlessBackend::PostToNative(window, msg, wParam, lParam);
}

} // namespace hivelet::ui::test
