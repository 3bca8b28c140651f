// The backend with no screen: the same forms run against a message queue and a clock.
//
// Virtual clock (the default, for tests): time stands still until Advance() moves it; timers fire
// from it, after the messages already queued (as WM_TIMER comes last on Windows). When a loop has
// nothing to do it runs the next action queued with WhenIdle(), else waits for a worker's post.
// Real-time clock (the unattended Linux runs): the clock follows the steady clock and an idle
// loop sleeps until the next post or timer.
//
// Message boxes and popup menus answer from scripts (or a callback) and every one is recorded.
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
#include <vector>

namespace hivelet::ui::headless {

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
    int result = 0;
    std::string owner; // name of the owning form, empty for none
};

struct MenuItemRecord {
    std::string name;
    std::string caption;
    bool checked = false;
    bool enabled = true;
};

struct MenuRecord {
    std::string menu;
    Point at;
    std::vector<MenuItemRecord> items;
    std::string chosen; // item name, empty when dismissed
};

struct ForeignPost {
    NativeWindow window = 0;
    uint32_t msg = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
};

struct Options {
    bool realTime = false;
    // Screen size for centring.
    int screenWidth = 1024;
    int screenHeight = 768;
    // In virtual time, how long (real seconds) an idle loop waits for a worker's post before it
    // gives up with an exception instead of hanging a test run.
    int stallSeconds = 60;
};

class HeadlessBackend : public Backend {
public:
    explicit HeadlessBackend(Options options = {});
    ~HeadlessBackend() override;

    // --- Clock --------------------------------------------------------------------------
    // Milliseconds since the backend started.
    uint64_t Now() const;
    // Virtual clock: handles the queued messages, then moves time forward by `ms`, firing each
    // timer as it falls due (and handling the messages its handler posted before the next).
    void Advance(uint64_t ms);

    // --- Scripts ------------------------------------------------------------------------
    // The next message box answers `result` (mrOk, mrYes ...); answers are used in order.
    void AnswerMessageBox(int result);
    // Answers a box when no scripted answer is left (unset: the box's default button).
    std::function<int(const MessageBoxRecord&)> OnMessageBox;
    // The next popup menu chooses the item named `itemName` (empty: the menu is dismissed).
    void ChooseMenuItem(std::string itemName);
    // Runs `action` the next time a loop has nothing to do (in order of queuing).
    void WhenIdle(std::function<void()> action);
    size_t IdleActionsLeft() const { return idle_.size(); }

    // --- Records ------------------------------------------------------------------------
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    const std::vector<MenuRecord>& Menus() const { return menus_; }
    const std::vector<std::string>& OpenedUrls() const { return urls_; }

    // --- The user -----------------------------------------------------------------------
    // Clicks a control as the user would: only when its form's window is shown and enabled
    // (not behind a modal form) and the control is showing and enabled. True when it clicked.
    bool Click(Control& c);
    // Right-click: pops the control's popup menu at the cursor. True when a menu opened.
    bool RightClick(Control& c);
    // The close box of a form's frame (a WM_CLOSE, which a handler of the form may take over).
    // False when the frame has none or the form is not shown.
    bool PressCloseBox(Form& f);
    // Enter presses the focused button, else the default button; Escape the cancel button.
    bool PressEnter(Form& f);
    bool PressEscape(Form& f);
    // The window's hit test at a screen point, as the system would ask it: nothing when the
    // point lies on a windowed child control (that control answers), else client or nowhere,
    // then the form's hook.
    int HitTest(Form& f, Point screen);
    void SetCursorPos(Point p) { cursor_ = p; }

    // --- State --------------------------------------------------------------------------
    // The native window exists / is shown / is enabled (a modal form disables the others).
    bool HasWindow(const Form& f) const;
    bool IsWindowShown(const Form& f) const;
    bool IsWindowEnabled(const Form& f) const;
    NativeWindow WindowOf(const Form& f) const;
    bool AppMinimized() const { return appMinimized_; }
    bool AppWindowVisible() const { return appVisible_; }
    const std::string& AppTitle() const { return appTitle_; }
    size_t PendingMessages() const;
    size_t RunningTimers() const { return timers_.size(); }
    // Deepest nesting of message loops seen so far.
    int MaxLoopDepth() const { return maxDepth_; }

    // A window of another process (for the single-instance handshake): found by its class name;
    // posts to it are recorded.
    NativeWindow AddForeignWindow(std::string className);
    const std::vector<ForeignPost>& ForeignPosts() const { return foreignPosts_; }
    const std::vector<NativeWindow>& BroughtToFront() const { return fronted_; }

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
    TMenuItem* TrackPopup(TPopupMenu& menu, Point screen) override;
    int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                   uint32_t flags) override;
    void SetAppTitle(const std::string& title) override { appTitle_ = title; }
    void MinimizeApp() override { appMinimized_ = true; }
    void RestoreApp() override { appMinimized_ = false; }
    bool IsAppMinimized() const override { return appMinimized_; }
    void ShowAppWindow(bool show) override { appVisible_ = show; }
    std::optional<NativeWindow> FindWindowByClass(const std::string& className) override;
    bool PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam, int64_t lParam) override;
    void BringToFront(NativeWindow window) override { fronted_.push_back(window); }
    Point CursorPos() const override { return cursor_; }
    Point TextExtent(const std::string& text, const Font& font) const override;
    void OpenUrl(const std::string& url) override { urls_.push_back(url); }

private:
    struct Queued {
        std::shared_ptr<detail::WindowSlot> slot;
        uint32_t msg;
        uint64_t wParam;
        int64_t lParam;
    };
    struct Window {
        NativeWindow id = 0;
        std::shared_ptr<detail::WindowSlot> slot;
        bool shown = false;
        int disabled = 0; // modal forms above it
    };
    struct TimerState {
        uint64_t due = 0;
        uint64_t order = 0;
    };

    bool DispatchOne();
    void DrainQueue();
    // The timer due soonest at or before `limit`, or null.
    TTimer* NextDue(uint64_t limit, uint64_t* due) const;
    void FireTimer(TTimer* t, uint64_t due);
    bool UsableForUser(const Form& f) const;
    static int DefaultAnswer(uint32_t flags);
    static bool IsAnswerOf(int result, uint32_t flags);

    Options options_;
    Application* app_ = nullptr;
    std::chrono::steady_clock::time_point start_;
    uint64_t virtualNow_ = 0;

    mutable std::mutex qm_;
    std::condition_variable qcv_;
    std::deque<Queued> queue_;

    std::map<const Form*, Window> windows_;
    std::map<NativeWindow, std::string> foreign_;
    NativeWindow nextWindow_ = 0x10010;
    std::map<TTimer*, TimerState> timers_;
    uint64_t timerOrder_ = 0;

    std::deque<int> boxAnswers_;
    std::deque<std::string> menuAnswers_;
    std::deque<std::function<void()>> idle_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<MenuRecord> menus_;
    std::vector<std::string> urls_;
    std::vector<ForeignPost> foreignPosts_;
    std::vector<NativeWindow> fronted_;
    Point cursor_{100, 100};
    bool appMinimized_ = false;
    bool appVisible_ = true;
    std::string appTitle_;
    int depth_ = 0;
    int maxDepth_ = 0;
};

std::unique_ptr<HeadlessBackend> MakeHeadlessBackend(Options options = {});

} // namespace hivelet::ui::headless
