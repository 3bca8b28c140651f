// The backend with no screen: the same forms run against a message queue and the steady clock.
// The native Linux program runs /Scan and /Silent on it.
//
// Timers fire from the clock, after the messages already queued (as WM_TIMER comes last on
// Windows); a loop with nothing to do sleeps until the next post or timer. A message box is
// answered by OnMessageBox (the program prints it) or else by its default button; a popup menu
// is dismissed; nothing is drawn. Tests script a user on top of it (tests/ui/scripted/).
//
// Post is thread-safe; everything else is for the UI thread.
#pragma once

#include "ui/Backend.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace hivelet::ui::headless {

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
    int result = 0;
    std::string owner; // name of the owning form, empty for none
};

class HeadlessBackend : public Backend {
public:
    HeadlessBackend();
    ~HeadlessBackend() override;

    // Answers a box (unset: the box's default button).
    std::function<int(const MessageBoxRecord&)> OnMessageBox;

    // Milliseconds since the backend started.
    virtual uint64_t Now() const;

    // Character width in pixels of the deterministic font metric: |height| * 6 / 11 rounded,
    // one more when bold.
    static int CharWidth(const Font& f);

    // --- Backend ------------------------------------------------------------------------
    void Attach(Application& app) override { app_ = &app; }
    void CreateFormWindow(Form& form) override;
    void DestroyFormWindow(Form& form) override;
    void ShowFormWindow(Form& form, bool show) override;
    void UpdateForm(Form&, FormProp) override {}
    void UpdateControl(Control&, Prop) override {}
    void ControlAdded(Control&) override {}
    void BeginModal(Form& modal) override;
    void EndModal(Form& modal) override;
    FrameInsets Frame(BorderStyle style) const override;
    Rect Screen() const override;
    bool PostToSlot(detail::WindowSlot& slot, uintptr_t native, uint32_t msg, uint64_t wParam,
                    int64_t lParam) override;
    void RunUntil(const std::function<bool()>& done) override;
    void ProcessMessages() override;
    void StartTimer(TTimer& timer) override;
    void StopTimer(TTimer& timer) override;
    TMenuItem* TrackPopup(TPopupMenu& menu, Point screen) override { return nullptr; }
    int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                   uint32_t flags) override;
    void SetAppTitle(const std::string&) override {} // no taskbar to show it on
    void MinimizeApp() override { appMinimized_ = true; }
    void RestoreApp() override { appMinimized_ = false; }
    bool IsAppMinimized() const override { return appMinimized_; }
    void ShowAppWindow(bool show) override { appVisible_ = show; }
    std::optional<NativeWindow> FindWindowByClass(const std::string& className) override;
    bool PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam, int64_t lParam) override;
    void BringToFront(NativeWindow) override {}
    Point CursorPos() const override { return Point{}; }
    Point TextExtent(const std::string& text, const Font& font) const override;
    void OpenUrl(const std::string&) override {}

protected:
    struct WindowState {
        NativeWindow id = 0;
        std::shared_ptr<detail::WindowSlot> slot;
        bool shown = false;
        int disabled = 0; // modal forms above it
    };

    // A loop found nothing queued: fire the timer that is due, else sleep until the next post or
    // timer.
    virtual void Idle();
    // The answer of a box before it is checked against the box's buttons.
    virtual int Answer(const MessageBoxRecord& box);

    Application& App() const { return *app_; }
    // The form's window, or null when it has none.
    const WindowState* StateOf(const Form& f) const;
    // A number for a window that is not a form's (the next form window gets another one).
    NativeWindow NewWindowNumber();
    bool DispatchOne();
    void DrainQueue();
    size_t QueuedMessages() const;
    // Waits up to `limit` for a post; false when none came.
    bool WaitForPost(std::chrono::milliseconds limit);
    // The timer due soonest at or before `limit`, or null.
    TTimer* NextDue(uint64_t limit, uint64_t* due) const;
    void FireTimer(TTimer* t, uint64_t due);
    size_t TimerCount() const { return timers_.size(); }
    int DeepestLoop() const { return maxDepth_; }
    bool AppVisible() const { return appVisible_; }
    static int DefaultAnswer(uint32_t flags);

private:
    struct Queued {
        std::shared_ptr<detail::WindowSlot> slot;
        uint32_t msg;
        uint64_t wParam;
        int64_t lParam;
    };
    struct TimerState {
        uint64_t due = 0;
        uint64_t order = 0;
    };

    static bool IsAnswerOf(int result, uint32_t flags);

    Application* app_ = nullptr;
    std::chrono::steady_clock::time_point start_;

    mutable std::mutex qm_;
    std::condition_variable qcv_;
    std::deque<Queued> queue_;

    std::map<const Form*, WindowState> windows_;
    NativeWindow nextWindow_ = 0x10010;
    std::map<TTimer*, TimerState> timers_;
    uint64_t timerOrder_ = 0;

    bool appMinimized_ = false;
    bool appVisible_ = true;
    int depth_ = 0;
    int maxDepth_ = 0;
};

} // namespace hivelet::ui::headless
