// What a backend does for the component model. Forms never see this interface; the application
// holds the one backend chosen at startup (MakeBackend.h, headless/, win32/).
//
// Every method is called on the UI thread except PostToSlot, which any thread may call (with the
// slot's lock held, so the slot cannot die during the call).
#pragma once

#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/Types.h"

#include <functional>
#include <optional>
#include <string>

namespace hivelet::ui {

class Application;
class TTimer;
class TPopupMenu;
class TMenuItem;
namespace detail {
class WindowSlot;
}

struct FrameInsets {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // The application this backend serves (set once by Application's constructor).
    virtual void Attach(Application& app) = 0;

    // --- Form windows -----------------------------------------------------------------------
    // Create the native window of the form and of all its controls (the form's slot exists).
    virtual void CreateFormWindow(Form& form) = 0;
    // Destroy it (the slot has expired). Must be safe inside a handler of that very window.
    virtual void DestroyFormWindow(Form& form) = 0;
    virtual void ShowFormWindow(Form& form, bool show) = 0;
    virtual void UpdateForm(Form& form, FormProp what) = 0;
    virtual void UpdateControl(Control& control, Prop what) = 0;
    // A control was added to a form whose window exists.
    virtual void ControlAdded(Control& control) = 0;
    // Enable or disable every form window except `modal` (modal showing).
    virtual void BeginModal(Form& modal) = 0;
    virtual void EndModal(Form& modal) = 0;
    // The frame around the client area for a border style.
    virtual FrameInsets Frame(BorderStyle style) const = 0;
    virtual Rect Screen() const = 0;

    // --- Messages ---------------------------------------------------------------------------
    // Any thread, slot locked: queue `msg` for the slot's window (`native` is its handle as
    // set by SetNative). False when it cannot.
    virtual bool PostToSlot(detail::WindowSlot& slot, uintptr_t native, uint32_t msg,
                            uint64_t wParam, int64_t lParam) = 0;
    // Handle messages until done() (checked before each wait). Nested calls make nested loops.
    virtual void RunUntil(const std::function<bool()>& done) = 0;
    virtual void ProcessMessages() = 0;

    // --- Timers -----------------------------------------------------------------------------
    virtual void StartTimer(TTimer& timer) = 0;
    virtual void StopTimer(TTimer& timer) = 0;

    // --- Menus and boxes --------------------------------------------------------------------
    // Shows the menu and returns the chosen item (null when dismissed); fires nothing.
    virtual TMenuItem* TrackPopup(TPopupMenu& menu, Point screen) = 0;
    virtual int MessageBox(Form* owner, const std::string& text, const std::string& caption,
                           uint32_t flags) = 0;

    // --- Application window -----------------------------------------------------------------
    virtual void SetAppTitle(const std::string& title) = 0;
    virtual void MinimizeApp() = 0;
    virtual void RestoreApp() = 0;
    virtual bool IsAppMinimized() const = 0;
    virtual void ShowAppWindow(bool show) = 0;

    // --- Other windows and odds and ends ----------------------------------------------------
    virtual std::optional<NativeWindow> FindWindowByClass(const std::string& className) = 0;
    virtual bool PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam,
                              int64_t lParam) = 0;
    virtual void BringToFront(NativeWindow window) = 0;
    virtual Point CursorPos() const = 0;
    virtual Point TextExtent(const std::string& text, const Font& font) const = 0;
    virtual void OpenUrl(const std::string& url) = 0;
};

} // namespace hivelet::ui
