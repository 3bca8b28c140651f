#include "ui/headless/HeadlessBackend.h"

#include "platform/TextCase.h"
#include "ui/Application.h"
#include "ui/Timer.h"
#include "ui/WindowSlot.h"

#include <stdexcept>

namespace hivelet::ui::headless {

namespace {
// The screen the forms are centred on.
constexpr int ScreenWidth = 1024;
constexpr int ScreenHeight = 768;
} // namespace

HeadlessBackend::HeadlessBackend() : start_(std::chrono::steady_clock::now()) {}

HeadlessBackend::~HeadlessBackend() = default;

uint64_t HeadlessBackend::Now() const {
    auto d = std::chrono::steady_clock::now() - start_;
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

// --- Windows ----------------------------------------------------------------------------------

NativeWindow HeadlessBackend::NewWindowNumber() {
    NativeWindow id = nextWindow_;
    nextWindow_ += 4;
    return id;
}

void HeadlessBackend::CreateFormWindow(Form& form) {
    WindowState w;
    w.id = NewWindowNumber();
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
    return Rect{0, 0, ScreenWidth, ScreenHeight};
}

const HeadlessBackend::WindowState* HeadlessBackend::StateOf(const Form& f) const {
    auto it = windows_.find(&f);
    return it == windows_.end() ? nullptr : &it->second;
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

size_t HeadlessBackend::QueuedMessages() const {
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

bool HeadlessBackend::WaitForPost(std::chrono::milliseconds limit) {
    std::unique_lock lock(qm_);
    return qcv_.wait_for(lock, limit, [this] { return !queue_.empty(); });
}

void HeadlessBackend::ProcessMessages() {
    DrainQueue();
    uint64_t due = 0;
    while (TTimer* t = NextDue(Now(), &due)) {
        FireTimer(t, due);
        DrainQueue();
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
        if (!DispatchOne())
            Idle();
    }
}

void HeadlessBackend::Idle() {
    uint64_t due = 0;
    if (TTimer* t = NextDue(Now(), &due)) {
        FireTimer(t, due);
        return;
    }
    std::unique_lock lock(qm_);
    if (!queue_.empty())
        return;
    if (NextDue(UINT64_MAX, &due)) {
        auto when = start_ + std::chrono::milliseconds(due);
        qcv_.wait_until(lock, when, [this] { return !queue_.empty(); });
    } else {
        qcv_.wait(lock, [this] { return !queue_.empty(); });
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

// --- Boxes ------------------------------------------------------------------------------------

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
    const MessageBoxRecord box{text, caption, flags, 0, owner ? owner->Name() : std::string()};
    const int result = Answer(box);
    if (!IsAnswerOf(result, flags))
        throw std::logic_error("scripted answer " + std::to_string(result) +
                               " is not a button of the box \"" + text + "\"");
    return result;
}

int HeadlessBackend::Answer(const MessageBoxRecord& box) {
    return OnMessageBox ? OnMessageBox(box) : DefaultAnswer(box.flags);
}

// --- Other windows ----------------------------------------------------------------------------

std::optional<NativeWindow> HeadlessBackend::FindWindowByClass(const std::string& className) {
    for (const auto& [form, w] : windows_)
        if (platform::SameNoCase(form->WindowClassName(), className))
            return w.id;
    return std::nullopt;
}

bool HeadlessBackend::PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam,
                                   int64_t lParam) {
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
