// The Win32 backend's classes, shared by its source files.
//
// Windows and objects: every form window, and every control window of our own classes, carries
// a Binding in GWLP_USERDATA (set at WM_NCCREATE, cleared at WM_NCDESTROY). When a form's window
// closes, its bindings are cut loose from the form and the window is only hidden; it is
// destroyed from the message loop once no handler of it is running, never from inside one.
#pragma once

#include "ui/Backend.h"
#include "ui/Ui.h"
#include "ui/win32/Gdi.h"
#include "ui/win32/Win.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace hivelet::ui::win32 {

class Win32Backend;

struct Binding {
    Win32Backend* backend = nullptr;
    Form* form = nullptr;       // null once the window is cut loose
    Control* control = nullptr; // null for the form window itself
    int active = 0;             // window procedure calls in progress
};

struct ControlPeer : Peer {
    HWND hwnd = nullptr;      // windowed controls
    HWND container = nullptr; // the window the control sits in or is drawn in
    Binding* binding = nullptr;
    int id = 0;
    bool hasTool = false;
    bool hover = false;
    Rect painted; // where a graphic control was last drawn
};

struct FormPeer : Peer {
    HWND hwnd = nullptr;
    HWND tooltip = nullptr;
    std::vector<std::unique_ptr<Binding>> bindings; // the form's and its controls' windows
    std::map<int, Control*> byId;
    std::unordered_map<HWND, Control*> byHwnd;
    Control* hover = nullptr;   // graphic control under the mouse
    Control* pressed = nullptr; // graphic control the left button went down on
    HWND lastFocus = nullptr;   // focus when the window was last deactivated
    int nextId = 1000;          // ids below stay free for IDOK and IDCANCEL

    Binding* NewBinding(Win32Backend* b, Form* f, Control* c);
};

inline ControlPeer* PeerOf(const Control& c) {
    return dynamic_cast<ControlPeer*>(c.GetPeer());
}
inline FormPeer* PeerOf(const Form& f) {
    return dynamic_cast<FormPeer*>(f.GetPeer());
}

// The flat, quiet theme.
namespace theme {
inline constexpr Color Face = 0xF4F4F2;
inline constexpr Color Text = 0x1E1E1E;
inline constexpr Color GrayText = 0x9A9A96;
inline constexpr Color Border = 0xB4B4AE;
inline constexpr Color BorderDark = 0x8C8C86;
inline constexpr Color Light = 0xFFFFFF;
inline constexpr Color ButtonFace = 0xFBFBFA;
inline constexpr Color ButtonPressed = 0xE2E2DE;
inline constexpr Color Focus = 0x4A7FC1;
inline constexpr Color Bar = 0x6F9BD1;
inline constexpr Color BarTrack = 0xFFFFFF;
inline constexpr Color HeaderFace = 0xFBFBFA;
inline constexpr Color HeaderRule = 0xD6D6D2;
} // namespace theme

// Space between a list column's edges and its caption. The system's header keeps 6 pixels on
// each side, which leaves a 72-pixel "Current Size" column too little room in fonts a little
// wider than MS Sans Serif.
inline constexpr int kHeaderTextMargin = 5;

class Win32Backend : public Backend {
public:
    Win32Backend();
    ~Win32Backend() override;

    // Backend.
    void Attach(Application& app) override;
    void CreateFormWindow(Form& form) override;
    void DestroyFormWindow(Form& form) override;
    void ShowFormWindow(Form& form, bool show) override;
    void UpdateForm(Form& form, FormProp what) override;
    void UpdateControl(Control& control, Prop what) override;
    void ControlAdded(Control& control) override;
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
    void SetAppTitle(const std::string& title) override;
    void MinimizeApp() override;
    void RestoreApp() override;
    bool IsAppMinimized() const override;
    void ShowAppWindow(bool show) override;
    std::optional<NativeWindow> FindWindowByClass(const std::string& className) override;
    bool PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam, int64_t lParam) override;
    void BringToFront(NativeWindow window) override;
    Point CursorPos() const override;
    Point TextExtent(const std::string& text, const Font& font) const override;
    void OpenUrl(const std::string& url) override;

    // Shared with the window procedures and painting.
    Application& App() const { return *app_; }
    HWND AppWindow() const { return appWindow_; }
    GdiCache& Gdi() const { return gdi_; }
    HINSTANCE Instance() const { return instance_; }
    Color BackgroundOf(const Form& f, const Control* c) const;
    // The graphic control of `container` under a point of its client area, or null.
    Control* GraphicAt(Form& f, HWND container, POINT p) const;
    void Fire(UINT_PTR timerId);
    void FlushDoomed();

    static LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK AppProc(HWND h, UINT msg, WPARAM w, LPARAM l);

private:
    struct Doomed {
        HWND hwnd;
        std::vector<std::unique_ptr<Binding>> bindings;
    };

    void CreateControl(Form& f, Control& c);
    HWND CreateChild(FormPeer& fp, Control& c, HWND container, ControlPeer& cp);
    void RefreshTool(Form& f, Control& c);
    void ApplyTabOrder(Form& f, HWND container);
    void FillListColumns(HWND lv, const TListView& c);
    void FillListItems(HWND lv, const TListView& c, size_t row);
    void InvalidateGraphic(Control& c, ControlPeer& cp);
    std::string RegisterFormClass(const std::string& name);

    Application* app_ = nullptr;
    HINSTANCE instance_ = nullptr;
    HWND appWindow_ = nullptr;
    mutable GdiCache gdi_;
    std::unordered_map<HWND, Form*> forms_;
    std::vector<std::vector<HWND>> modalFrames_;
    std::map<UINT_PTR, TTimer*> timers_;
    std::map<TTimer*, UINT_PTR> timerIds_;
    UINT_PTR nextTimer_ = 1;
    std::vector<Doomed> doomed_;
};

// Painting, in Paint.cpp.
void PaintContainer(Win32Backend& b, Form& f, Control* container, HWND hwnd);
void PaintOwnerDrawn(Win32Backend& b, Control& c, const DRAWITEMSTRUCT& d, bool hover);
void PaintProgress(Win32Backend& b, Form& f, TsuiProgressBar& bar, HWND hwnd);
// A list view's column header, drawn flat: the captions, thin dividers and one light rule below
// (the themed header of some systems puts a heavy dark line there).
void PaintListHeader(GdiCache& gdi, HWND header, HDC dc);

// Window procedure pieces, in WindowProc.cpp.
LRESULT CALLBACK ButtonSubclass(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data);
// Paints a list view's header with PaintListHeader; data is the backend.
LRESULT CALLBACK HeaderSubclass(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data);

inline const char* kControlClass = "Hivelet.Control";
inline const char* kAppClass = "Hivelet.Application";

} // namespace hivelet::ui::win32
