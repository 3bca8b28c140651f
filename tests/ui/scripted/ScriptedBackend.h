// The headless backend with a scripted user, for tests: a virtual clock, answers for message
// boxes and popup menus, a record of everything shown, the user's clicks and keys, and windows
// of other processes.
//
// Virtual clock: time stands still until Advance() moves it; timers fire from it, after the
// messages already queued (as WM_TIMER comes last on Windows). When a loop has nothing to do it
// runs the next action queued with WhenIdle(), else waits for a worker's post.
//
// Post is thread-safe; everything else is for the UI thread.
#pragma once

#include "ui/headless/HeadlessBackend.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hivelet::ui::test {

using headless::MessageBoxRecord;

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

struct ScriptOptions {
    // How long (real seconds) an idle loop waits for a worker's post before it gives up with an
    // exception instead of hanging a test run.
    int stallSeconds = 60;
};

class ScriptedBackend : public headless::HeadlessBackend {
public:
    explicit ScriptedBackend(ScriptOptions options = {}) : options_(options) {}

    // --- Clock --------------------------------------------------------------------------
    // Milliseconds of virtual time since the backend started.
    uint64_t Now() const override { return virtualNow_; }
    // Handles the queued messages, then moves time forward by `ms`, firing each timer as it
    // falls due (and handling the messages its handler posted before the next).
    void Advance(uint64_t ms);

    // --- Scripts ------------------------------------------------------------------------
    // The next message box answers `result` (mrOk, mrYes ...); answers are used in order. When
    // none is left, OnMessageBox answers, else the box's default button.
    void AnswerMessageBox(int result) { boxAnswers_.push_back(result); }
    // The next popup menu chooses the item named `itemName` (empty: the menu is dismissed).
    void ChooseMenuItem(std::string itemName) { menuAnswers_.push_back(std::move(itemName)); }
    // Runs `action` the next time a loop has nothing to do (in order of queuing).
    void WhenIdle(std::function<void()> action) { idle_.push_back(std::move(action)); }
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
    bool HasWindow(const Form& f) const { return StateOf(f) != nullptr; }
    bool IsWindowShown(const Form& f) const;
    bool IsWindowEnabled(const Form& f) const;
    NativeWindow WindowOf(const Form& f) const;
    bool AppMinimized() const { return IsAppMinimized(); }
    bool AppWindowVisible() const { return AppVisible(); }
    size_t PendingMessages() const { return QueuedMessages(); }
    size_t RunningTimers() const { return TimerCount(); }
    // Deepest nesting of message loops seen so far.
    int MaxLoopDepth() const { return DeepestLoop(); }

    // A window of another process (for the single-instance handshake): found by its class name;
    // posts to it are recorded.
    NativeWindow AddForeignWindow(std::string className);
    const std::vector<ForeignPost>& ForeignPosts() const { return foreignPosts_; }
    const std::vector<NativeWindow>& BroughtToFront() const { return fronted_; }

    // --- Backend ------------------------------------------------------------------------
    void ProcessMessages() override { DrainQueue(); }
    TMenuItem* TrackPopup(TPopupMenu& menu, Point screen) override;
    int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                   uint32_t flags) override;
    std::optional<NativeWindow> FindWindowByClass(const std::string& className) override;
    bool PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam, int64_t lParam) override;
    void BringToFront(NativeWindow window) override { fronted_.push_back(window); }
    Point CursorPos() const override { return cursor_; }
    void OpenUrl(const std::string& url) override { urls_.push_back(url); }

protected:
    void Idle() override;
    int Answer(const MessageBoxRecord& box) override;

private:
    bool UsableForUser(const Form& f) const;

    ScriptOptions options_;
    uint64_t virtualNow_ = 0;
    std::deque<int> boxAnswers_;
    std::deque<std::string> menuAnswers_;
    std::deque<std::function<void()>> idle_;
    std::vector<MessageBoxRecord> boxes_;
    std::vector<MenuRecord> menus_;
    std::vector<std::string> urls_;
    std::map<NativeWindow, std::string> foreign_;
    std::vector<ForeignPost> foreignPosts_;
    std::vector<NativeWindow> fronted_;
    Point cursor_{100, 100};
};

std::unique_ptr<ScriptedBackend> MakeScriptedBackend(ScriptOptions options = {});

} // namespace hivelet::ui::test
