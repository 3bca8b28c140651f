#include "ui/headless/HeadlessBackend.h"

#include "ui/Application.h"
#include "ui/Buttons.h"
#include "ui/Menu.h"
#include "ui/Timer.h"
#include "ui/WindowSlot.h"

#include <cstdlib>
#include <stdexcept>

namespace hivelet::ui::headless {

HeadlessBackend::HeadlessBackend(Options options)
    : options_(options), start_(std::chrono::steady_clock::now()) {}

HeadlessBackend::~HeadlessBackend() = default;

std::unique_ptr<HeadlessBackend> MakeHeadlessBackend(Options options) {
    return std::make_unique<HeadlessBackend>(options);
}

uint64_t HeadlessBackend::Now() const {
    if (!options_.realTime)
        return virtualNow_;
    auto d = std::chrono::steady_clock::now() - start_;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

// --- Windows ----------------------------------------------------------------------------------

void HeadlessBackend::CreateFormWindow(Form& form) {
    Window w;
    w.id = nextWindow_;
    nextWindow_ += 4;
    w.slot = form.Slot();
    w.slot->SetNative(w.id);
    // A window made while a modal form runs is disabled like the others, unless it is that one.
    windows_[&form] = w;
}

void HeadlessBackend::DestroyFormWindow(Form& form) {
    windows_.erase(&form);
}

void HeadlessBackend::ShowFormWindow(Form& form, bool show) {
    if (auto it = windows_.find(&form); it != windows_.end())
        it->second.shown = show;
}

void HeadlessBackend::BeginModal(Form& modal) {
    for (auto& [form, w] : windows_)
        if (form != &modal)
            ++w.disabled;
}

void HeadlessBackend::EndModal(Form& modal) {
    for (auto& [form, w] : windows_)
        if (form != &modal && w.disabled > 0)
            --w.disabled;
}

FrameInsets HeadlessBackend::Frame(BorderStyle style) const {
    if (style == BorderStyle::None)
        return {};
    return FrameInsets{3, 22, 3, 3};
}

Rect HeadlessBackend::Screen() const {
    return Rect{0, 0, options_.screenWidth, options_.screenHeight};
}

bool HeadlessBackend::HasWindow(const Form& f) const {
    return windows_.count(&f) != 0;
}

bool HeadlessBackend::IsWindowShown(const Form& f) const {
    auto it = windows_.find(&f);
    return it != windows_.end() && it->second.shown;
}

bool HeadlessBackend::IsWindowEnabled(const Form& f) const {
    auto it = windows_.find(&f);
    return it != windows_.end() && it->second.disabled == 0;
}

NativeWindow HeadlessBackend::WindowOf(const Form& f) const {
    auto it = windows_.find(&f);
    return it == windows_.end() ? 0 : it->second.id;
}

// --- Messages ---------------------------------------------------------------------------------

bool HeadlessBackend::PostToSlot(detail::WindowSlot& slot, uintptr_t, uint32_t msg, uint64_t wParam,
                                 int64_t lParam) {
    // The caller holds the slot's lock (and a reference to it); the queue keeps its own, so a
    // message can never reach a later window that happens to reuse the address.
    std::shared_ptr<detail::WindowSlot> keep = slot.shared_from_this();
    {
        std::lock_guard lock(qm_);
        queue_.push_back(Queued{std::move(keep), msg, wParam, lParam});
    }
    qcv_.notify_all();
    return true;
}

size_t HeadlessBackend::PendingMessages() const {
    std::lock_guard lock(qm_);
    return queue_.size();
}

bool HeadlessBackend::DispatchOne() {
    Queued q;
    {
        std::lock_guard lock(qm_);
        if (queue_.empty())
            return false;
        q = std::move(queue_.front());
        queue_.pop_front();
    }
    // A closed window drops its messages; an open slot's form is alive (it expires the slot
    // before it goes).
    if (q.slot->Open())
        q.slot->GetForm()->DispatchMessage(q.msg, q.wParam, q.lParam);
    return true;
}

void HeadlessBackend::DrainQueue() {
    while (DispatchOne()) {
    }
}

void HeadlessBackend::ProcessMessages() {
    DrainQueue();
    if (options_.realTime) {
        uint64_t due = 0;
        while (TTimer* t = NextDue(Now(), &due)) {
            FireTimer(t, due);
            DrainQueue();
        }
    }
}

void HeadlessBackend::RunUntil(const std::function<bool()>& done) {
    struct Depth {
        int& d;
        explicit Depth(int& d, int& max) : d(d) {
            if (++d > max)
                max = d;
        }
        ~Depth() { --d; }
    } depth(depth_, maxDepth_);

    for (;;) {
        if (done())
            return;
        if (DispatchOne())
            continue;
        if (options_.realTime) {
            uint64_t due = 0;
            if (TTimer* t = NextDue(Now(), &due)) {
                FireTimer(t, due);
                continue;
            }
            std::unique_lock lock(qm_);
            if (!queue_.empty())
                continue;
            if (NextDue(UINT64_MAX, &due)) {
                auto when = start_ + std::chrono::milliseconds(due);
                qcv_.wait_until(lock, when, [this] { return !queue_.empty(); });
            } else {
                qcv_.wait(lock, [this] { return !queue_.empty(); });
            }
            continue;
        }
        if (!idle_.empty()) {
            auto action = std::move(idle_.front());
            idle_.pop_front();
            action();
            continue;
        }
        // Nothing scripted: only a worker thread can move things on now.
        std::unique_lock lock(qm_);
        if (!qcv_.wait_for(lock, std::chrono::seconds(options_.stallSeconds),
                           [this] { return !queue_.empty(); }))
            throw std::runtime_error("headless message loop is idle: nothing queued, nothing "
                                     "scripted and no post arrived");
    }
}

// --- Timers -----------------------------------------------------------------------------------

void HeadlessBackend::StartTimer(TTimer& timer) {
    timers_[&timer] = TimerState{Now() + timer.Interval(), timerOrder_++};
}

void HeadlessBackend::StopTimer(TTimer& timer) {
    timers_.erase(&timer);
}

TTimer* HeadlessBackend::NextDue(uint64_t limit, uint64_t* due) const {
    TTimer* best = nullptr;
    const TimerState* bestState = nullptr;
    for (const auto& [t, s] : timers_) {
        if (s.due > limit)
            continue;
        if (!bestState || s.due < bestState->due ||
            (s.due == bestState->due && s.order < bestState->order)) {
            best = t;
            bestState = &s;
        }
    }
    if (best)
        *due = bestState->due;
    return best;
}

void HeadlessBackend::FireTimer(TTimer* t, uint64_t due) {
    auto it = timers_.find(t);
    it->second.due = due + (t->Interval() ? t->Interval() : 1);
    it->second.order = timerOrder_++;
    t->Fire(); // may stop, restart or destroy timers
}

void HeadlessBackend::Advance(uint64_t ms) {
    if (options_.realTime)
        throw std::logic_error("Advance needs the virtual clock");
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

// --- Scripts and records ----------------------------------------------------------------------

void HeadlessBackend::AnswerMessageBox(int result) {
    boxAnswers_.push_back(result);
}

void HeadlessBackend::ChooseMenuItem(std::string itemName) {
    menuAnswers_.push_back(std::move(itemName));
}

void HeadlessBackend::WhenIdle(std::function<void()> action) {
    idle_.push_back(std::move(action));
}

int HeadlessBackend::DefaultAnswer(uint32_t flags) {
    uint32_t buttons = flags & mb::ButtonsMask;
    int first = mrOk, second = mrOk, third = mrOk;
    switch (buttons) {
    case mb::OkCancel:
        first = mrOk;
        second = mrCancel;
        break;
    case mb::YesNoCancel:
        first = mrYes;
        second = mrNo;
        third = mrCancel;
        break;
    case mb::YesNo:
        first = mrYes;
        second = mrNo;
        break;
    default:
        return mrOk;
    }
    switch (flags & mb::DefButtonMask) {
    case mb::DefButton2:
        return second;
    case mb::DefButton3:
        return buttons == mb::YesNoCancel ? third : first;
    default:
        return first;
    }
}

bool HeadlessBackend::IsAnswerOf(int result, uint32_t flags) {
    switch (flags & mb::ButtonsMask) {
    case mb::Ok:
        return result == mrOk;
    case mb::OkCancel:
        return result == mrOk || result == mrCancel;
    case mb::YesNoCancel:
        return result == mrYes || result == mrNo || result == mrCancel;
    case mb::YesNo:
        return result == mrYes || result == mrNo;
    default:
        return true;
    }
}

int HeadlessBackend::MessageBox(Form* owner, const std::string& text, const std::string& caption,
                                uint32_t flags) {
    MessageBoxRecord r{text, caption, flags, 0, owner ? owner->Name() : std::string()};
    if (!boxAnswers_.empty()) {
        r.result = boxAnswers_.front();
        boxAnswers_.pop_front();
    } else if (OnMessageBox) {
        r.result = OnMessageBox(r);
    } else {
        r.result = DefaultAnswer(flags);
    }
    if (!IsAnswerOf(r.result, flags))
        throw std::logic_error("scripted answer " + std::to_string(r.result) +
                               " is not a button of the box \"" + text + "\"");
    boxes_.push_back(r);
    return r.result;
}

TMenuItem* HeadlessBackend::TrackPopup(TPopupMenu& menu, Point screen) {
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

bool HeadlessBackend::UsableForUser(const Form& f) const {
    auto it = windows_.find(&f);
    return it != windows_.end() && it->second.shown && it->second.disabled == 0;
}

bool HeadlessBackend::Click(Control& c) {
    if (!UsableForUser(c.Owner()) || !c.IsShowing() || !c.IsEnabledInTree())
        return false;
    c.Owner().UserClick(c);
    return true;
}

bool HeadlessBackend::RightClick(Control& c) {
    if (!UsableForUser(c.Owner()) || !c.IsShowing() || !c.PopupMenu())
        return false;
    TPopupMenu* menu = c.PopupMenu();
    app_->Guard([&] { menu->Popup(cursor_); });
    return true;
}

bool HeadlessBackend::PressCloseBox(Form& f) {
    if (f.BorderStyle() != BorderStyle::Dialog || !UsableForUser(f))
        return false;
    f.DispatchMessage(wm::SysCommand, sc::Close, 0);
    return true;
}

bool HeadlessBackend::PressEnter(Form& f) {
    if (!UsableForUser(f))
        return false;
    Control* focus = f.ActiveControl();
    if (auto* b = dynamic_cast<TButton*>(focus); b && b->IsEnabledInTree())
        return Click(*b);
    if (TButton* b = f.DefaultButton())
        return Click(*b);
    return false;
}

bool HeadlessBackend::PressEscape(Form& f) {
    if (!UsableForUser(f))
        return false;
    if (TButton* b = f.CancelButton())
        return Click(*b);
    return false;
}

int HeadlessBackend::HitTest(Form& f, Point screen) {
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

NativeWindow HeadlessBackend::AddForeignWindow(std::string className) {
    NativeWindow id = nextWindow_;
    nextWindow_ += 4;
    foreign_[id] = std::move(className);
    return id;
}

static bool SameClass(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (x >= 'a' && x <= 'z')
            x = x - 'a' + 'A';
        if (y >= 'a' && y <= 'z')
            y = y - 'a' + 'A';
        if (x != y)
            return false;
    }
    return true;
}

std::optional<NativeWindow> HeadlessBackend::FindWindowByClass(const std::string& className) {
    for (const auto& [id, cls] : foreign_)
        if (SameClass(cls, className))
            return id;
    for (const auto& [form, w] : windows_)
        if (SameClass(form->WindowClassName(), className))
            return w.id;
    return std::nullopt;
}

bool HeadlessBackend::PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam,
                                   int64_t lParam) {
    if (foreign_.count(window)) {
        foreignPosts_.push_back(ForeignPost{window, msg, wParam, lParam});
        return true;
    }
    for (auto& [form, w] : windows_)
        if (w.id == window)
            return w.slot->Post(msg, wParam, lParam);
    return false;
}

// --- Text -------------------------------------------------------------------------------------

int HeadlessBackend::CharWidth(const Font& f) {
    int h = f.height < 0 ? -f.height : f.height;
    int w = (h * 6 + 5) / 11;
    if (w < 1)
        w = 1;
    return w + (f.bold ? 1 : 0);
}

Point HeadlessBackend::TextExtent(const std::string& text, const Font& font) const {
    int h = font.height < 0 ? -font.height : font.height;
    return Point{int(text.size()) * CharWidth(font), h + 2};
}

} // namespace hivelet::ui::headless
