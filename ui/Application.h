// The application object: title, message loop, message boxes, the general error box, the
// application window (which carries the taskbar button) and the window system's odds and ends.
//
// The backend is chosen once, at startup, and handed in here; forms reach it only through this
// object and never know which one runs them.
#pragma once

#include "ui/Types.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hivelet::ui {

class Backend;
class Form;

class Application {
public:
    explicit Application(std::unique_ptr<Backend> backend);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The product title: caption of the general error box and of the application window.
    const std::string& Title() const { return title_; }
    void SetTitle(std::string t);

    // --- The message loop -------------------------------------------------------------------
    // Shows `mainForm` and runs the loop until it is closed or Terminate is called.
    void Run(Form& mainForm);
    Form* MainForm() const { return mainForm_; }
    // Handles every message waiting now, then returns.
    void ProcessMessages();
    // Ends Run's loop (and any modal loop, with Cancel).
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Runs a nested loop until `done` returns true (or the application is terminated).
    void RunUntil(const std::function<bool()>& done);

    // --- Boxes ------------------------------------------------------------------------------
    // A message box owned by the active form; returns the button pressed (mrOk, mrYes ...).
    int MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
    // The general error box: error icon, the title as caption, the text with a full stop added
    // when its last character's code is above that of ".".
    void ShowException(const std::string& text);
    static std::string ErrorBoxText(std::string text);
    // While set, no box is shown: MessageBox and ShowException hand each box to `answer`, and
    // what it returns stands for the button pressed. For runs that nobody watches, where a box
    // would wait for ever. Unset (empty) to show boxes again.
    void AnswerBoxesWith(std::function<int(const MessageBoxRequest&)> answer) {
        boxAnswer_ = std::move(answer);
    }
    // Runs `fn`; an exception that escapes it goes to the general error box and the caller goes
    // on. Every event the toolkit fires runs through this.
    void Guard(const std::function<void()>& fn);

    // --- The application window -------------------------------------------------------------
    void Minimize();
    void Restore();
    bool IsMinimized() const;
    // Hides the application window and with it the taskbar button.
    void HideAppWindow();
    void ShowAppWindow();

    // --- Other windows (single instance) ----------------------------------------------------
    std::optional<NativeWindow> FindWindowByClass(const std::string& className);
    bool PostTo(NativeWindow window, uint32_t msg, uint64_t wParam = 0, int64_t lParam = 0);
    void BringToFront(NativeWindow window);

    // --- Odds and ends ----------------------------------------------------------------------
    Point CursorPos() const;
    int TextWidth(const std::string& text, const Font& font) const;
    Point TextExtent(const std::string& text, const Font& font) const;
    // Opens a web address. The app may supply the opener (for example its platform's shell);
    // unset, the backend's own is used.
    void OpenUrl(const std::string& url);
    void SetUrlOpener(std::function<void(const std::string&)> opener) {
        urlOpener_ = std::move(opener);
    }
    // The form that is active (the innermost modal form, else the main form), or null.
    Form* ActiveForm() const;

    Backend& GetBackend() const { return *backend_; }

private:
    friend class Form;
    void PushModal(Form& f);
    void PopModal(Form& f);
    // Closes every modal form owned by `owner` or by a form it owns (with Cancel unless a
    // result is set), innermost first: their owner is closing under them.
    void CloseModalFormsOwnedBy(const Form& owner);

    std::unique_ptr<Backend> backend_;
    std::string title_ = "Hivelet";
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    std::vector<Form*> modalStack_;
    std::function<void(const std::string&)> urlOpener_;
    std::function<int(const MessageBoxRequest&)> boxAnswer_;
};

} // namespace hivelet::ui
