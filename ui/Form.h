// A window of Hivelet: the base class of every form.
//
// Ownership: a form owns its components (std::unique_ptr, kept in creation order) and destroys
// them with itself; Make<T>() returns a plain pointer that stays valid for the form's life. Whoever
// creates a form owns it (CreateForm returns std::unique_ptr); the `owner` form given to the
// constructor is only the window owner (placement, modality), not the memory owner, and must
// outlive the form. Every form must be destroyed before its Application.
//
// Names: the property getters carry the names of their types (Font(), Color(), Cursor(),
// BorderStyle(), ModalResult() ...), so inside a form or control class those types are spelled
// with their namespace: `ui::Font bold = Font();`.
//
// Threads: every member is for the UI thread, except that a WindowRef taken with Ref() may be
// copied to a worker and used there (WindowRef.h).
#pragma once

#include "ui/Component.h"
#include "ui/Control.h"
#include "ui/Types.h"
#include "ui/WindowRef.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hivelet::ui {

class Application;
class TButton;
namespace detail {
class WindowSlot;
}

enum class BorderStyle {
    None,          // no frame and no caption (the main window draws its own)
    Dialog,        // fixed dialog frame with caption and close box
    DialogNoClose, // fixed dialog frame with caption, no close box and no system menu
};

enum class FormPosition {
    Designed,     // Left/Top as set
    ScreenCenter, // centred on the screen when first shown
    OwnerCenter,  // centred on the owner form (on the screen when there is none)
};

// What changed on a form, for the backend.
enum class FormProp { Caption, Bounds, Style, Color, Font, Focus };

using MessageHandler = std::function<void(uint64_t wParam, int64_t lParam)>;

class Form {
public:
    Form(Application& app, std::string name, Form* owner = nullptr);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Application& App() const { return app_; }
    // The window's name ("frmMain"): the language files' section name.
    const std::string& Name() const { return name_; }
    // The form's class name ("TfrmMain"); set by the form's constructor.
    const std::string& ClassName() const { return className_; }
    void SetClassName(std::string c) { className_ = std::move(c); }
    Form* Owner() const { return owner_; }

    // The window class the backend registers for this form (what FindWindowByClass finds).
    // Defaults to "Hivelet." + ClassName(); takes effect when the window is next created.
    std::string WindowClassName() const;
    void SetWindowClassName(std::string c) { windowClass_ = std::move(c); }

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string c);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetClientSize(int width, int height);
    ui::BorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(ui::BorderStyle s);
    FormPosition Position() const { return position_; }
    void SetPosition(FormPosition p) { position_ = p; }
    // Outer window position on the screen (placed by Position when first shown).
    int Left() const { return left_; }
    int Top() const { return top_; }
    void SetLeftTop(int left, int top);
    // The window's outer rectangle on the screen and the screen position of its client area.
    Rect WindowRect() const;
    Point ClientOrigin() const;

    // Font given to every control made after it is set, and used for text widths of the form.
    const ui::Font& Font() const { return font_; }
    void SetFont(const ui::Font& f) { font_ = f; }
    ui::Color Color() const { return color_; }
    void SetColor(ui::Color c);

    // --- Components -------------------------------------------------------------------------
    // Creates a component of kind T owned by this form, appended to the creation order. Controls
    // take the form's font and, when given, `parent` (a group box or panel) as their container.
    template <class T> T* Make(std::string name, Control* parent = nullptr) {
        auto c = std::make_unique<T>(*this, std::move(name));
        T* raw = c.get();
        Adopt(std::move(c), parent);
        return raw;
    }
    size_t ComponentCount() const { return components_.size(); }
    // Components in creation order.
    std::vector<Component*> Components() const;
    // The first component with this name (case-sensitive), or null.
    Component* FindComponent(std::string_view name) const;

    // --- Events (UI thread) -----------------------------------------------------------------
    // After construction, through CreateForm (not called by the constructor).
    virtual void FormCreate() {}
    // Each time the form is shown, before it appears.
    virtual void FormShow() {}
    // Once per showing, after the window has appeared.
    virtual void FormActivate() {}
    // Whenever the window closes (by Close, a posted close, the close box, or a modal result).
    virtual void FormClose() {}

    // Handler of a numbered window message (posted to the form or sent by the system). One
    // handler per number; a later call replaces it, an empty one removes it.
    void OnMessage(uint32_t msg, MessageHandler handler);
    bool HandlesMessage(uint32_t msg) const { return handlers_.count(msg) != 0; }
    // Hook for the window's hit test: given the screen point and the standard answer (ht::...),
    // returns the answer to use. Unset: the standard answer stands.
    std::function<int(Point screen, int standard)> OnNcHitTest;

    // --- Showing ----------------------------------------------------------------------------
    // Shows the form modelessly: FormShow, the window appears, FormActivate.
    void Show();
    // Hides the window (the form stays open; posted messages still arrive).
    void Hide();
    // The form's own visible flag.
    bool Visible() const { return visible_; }
    // Hides the native window only (and keeps Visible): for unattended runs.
    void HideWindow();

    // Shows the form modally: every other form is disabled, a nested message loop runs until the
    // modal result is set (by a handler, a button with a ModalResult, Close or the close box), the
    // form closes (FormClose) and the result is returned.
    ui::ModalResult ShowModal();
    bool IsModal() const { return modal_; }
    ui::ModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(ui::ModalResult r) { modalResult_ = r; }

    // Closes the window: on a modal form it sets the result to Cancel and lets the modal loop
    // close it; otherwise FormClose runs, the window goes, and closing the application's main
    // form ends the application's loop. Closing a form first closes every modal form it owns
    // (each with Cancel), so their workers are abandoned before its own FormClose runs. From
    // here on posts to the closed window do nothing.
    void Close();

    // --- Messages and threads ---------------------------------------------------------------
    // The reference workers use to post to this window and hand work over (creates the window if
    // it does not exist yet). Changes with each showing after a close.
    WindowRef Ref();
    // Posts a message to this form's window (UI thread; workers use Ref().Post).
    bool Post(uint32_t msg, uint64_t wParam = 0, int64_t lParam = 0);

    // The control that has the keyboard focus (the first focusable control in tab order when
    // shown), or null.
    Control* ActiveControl() const { return activeControl_; }
    void SetActiveControl(Control* c);
    // The button that Enter (Default) or Escape (Cancel) presses, if any.
    TButton* DefaultButton() const;
    TButton* CancelButton() const;

    // --- Backend use ------------------------------------------------------------------------
    // Runs the message: the handler table, then the toolkit's own (close, the hand-overs, the
    // main form's minimise). Returns false when nobody handled it.
    bool DispatchMessage(uint32_t msg, uint64_t wParam, int64_t lParam);
    // The hit test through OnNcHitTest.
    int HitTest(Point screen, int standard);
    // The native window was moved or resized by someone other than the model (the user dragging
    // it, the system): the model takes the window's real outer position and client size, so
    // Left/Top and WindowRect keep describing the window. Nothing is sent back to the backend.
    void WindowMovedTo(Point outerTopLeft);
    void WindowResizedTo(int clientWidth, int clientHeight);
    // Creates the native window if it does not exist.
    void HandleNeeded();
    bool HandleAllocated() const { return slot_ != nullptr; }
    // The native window (0 while there is none): to name this form to the system or to another
    // process, for example as the owner window of a page the shell opens.
    NativeWindow NativeHandle() const;
    const std::shared_ptr<detail::WindowSlot>& Slot() const { return slot_; }
    Peer* GetPeer() const { return peer_.get(); }
    void SetPeer(std::unique_ptr<Peer> p) { peer_ = std::move(p); }
    // A control of this form changed.
    void ControlChanged(Control& c, Prop what);
    // The user clicked a control (a guarded dispatch of Click, honouring Enabled and Visible).
    void UserClick(Control& c);

private:
    friend class Application;
    void Adopt(std::unique_ptr<Component> c, Control* parent);
    void FormChanged(FormProp what);
    void PlaceWindow();
    void CloseWindow();
    void RunHandOvers();
    Control* FirstInTabOrder(const Control* parent) const;

    Application& app_;
    std::string name_;
    std::string className_ = "TForm";
    std::string windowClass_;
    Form* owner_;
    std::string caption_;
    int clientWidth_ = 320;
    int clientHeight_ = 240;
    ui::BorderStyle borderStyle_ = ui::BorderStyle::Dialog;
    FormPosition position_ = FormPosition::ScreenCenter;
    int left_ = 0;
    int top_ = 0;
    bool placed_ = false;
    ui::Font font_;
    ui::Color color_ = kDefaultColor;
    bool visible_ = false;
    bool modal_ = false;
    bool closing_ = false;
    ui::ModalResult modalResult_ = mrNone;
    Control* activeControl_ = nullptr;
    std::vector<std::unique_ptr<Component>> components_;
    std::map<uint32_t, MessageHandler> handlers_;
    std::shared_ptr<detail::WindowSlot> slot_;
    std::unique_ptr<Peer> peer_;
};

// Makes a form of class F and runs its FormCreate: `auto dlg = CreateForm<TfrmOptions>(app, ...)`.
// Like every event, an exception escaping FormCreate goes to the general error box, and the form
// is returned as far as FormCreate got.
template <class F, class... Args> std::unique_ptr<F> CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    F* raw = form.get();
    form->App().Guard([raw] { raw->FormCreate(); });
    return form;
}

} // namespace hivelet::ui
