#include "ui/win32/Win32Backend.h"

#include "ui/WindowSlot.h"
#include "ui/win32/Impl.h"

#include <stdexcept>

namespace hivelet::ui::win32 {

namespace {

void RegisterOnce(const char* name, WNDPROC proc, HINSTANCE inst, HBRUSH background,
                  bool withIcon = true) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(inst, name, &existing))
        return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    if (withIcon) {
        wc.hIcon = LoadIconA(inst, MAKEINTRESOURCEA(1));
        if (!wc.hIcon)
            wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    }
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc))
        throw std::runtime_error(std::string("cannot register window class ") + name);
}

} // namespace

Binding* FormPeer::NewBinding(Win32Backend* b, Form* f, Control* c) {
    bindings.push_back(std::make_unique<Binding>());
    Binding* binding = bindings.back().get();
    binding->backend = b;
    binding->form = f;
    binding->control = c;
    return binding;
}

Win32Backend::Win32Backend() : instance_(GetModuleHandleA(nullptr)) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                              ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterOnce(kAppClass, &Win32Backend::AppProc, instance_, nullptr);
    RegisterOnce(kControlClass, &Win32Backend::WindowProc, instance_, nullptr);
}

Win32Backend::~Win32Backend() {
    for (auto& [id, timer] : timers_)
        KillTimer(appWindow_, id);
    for (auto& d : doomed_)
        for (auto& b : d.bindings)
            b->active = 0;
    FlushDoomed();
    if (appWindow_) {
        SetWindowLongPtrA(appWindow_, GWLP_USERDATA, 0);
        DestroyWindow(appWindow_);
    }
}

std::unique_ptr<Backend> MakeWin32Backend() {
    return std::make_unique<Win32Backend>();
}

void Win32Backend::Attach(Application& app) {
    app_ = &app;
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    appWindow_ = CreateWindowExA(
        0, kAppClass, "", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
        cx / 2, cy / 2, 0, 0, nullptr, nullptr, instance_, nullptr);
    if (!appWindow_)
        throw std::runtime_error("cannot create the application window");
    SetWindowLongPtrA(appWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ShowWindow(appWindow_, SW_SHOWNOACTIVATE);
}

// --- Windows of forms ---------------------------------------------------------------------

static void StyleFor(BorderStyle s, DWORD& style, DWORD& ex) {
    style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    ex = WS_EX_CONTROLPARENT;
    switch (s) {
    case BorderStyle::None:
        break;
    case BorderStyle::Dialog:
        style |= WS_CAPTION | WS_SYSMENU;
        ex |= WS_EX_DLGMODALFRAME;
        break;
    case BorderStyle::DialogNoClose:
        style |= WS_CAPTION;
        ex |= WS_EX_DLGMODALFRAME;
        break;
    }
}

FrameInsets Win32Backend::Frame(BorderStyle s) const {
    DWORD style, ex;
    StyleFor(s, style, ex);
    RECT r{0, 0, 100, 100};
    AdjustWindowRectEx(&r, style, FALSE, ex);
    return FrameInsets{-r.left, -r.top, r.right - 100, r.bottom - 100};
}

Rect Win32Backend::Screen() const {
    return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Forms' classes carry no icon: the application window, which owns them all, holds the program's
// icon for the taskbar and task switcher, and a dialog frame shows none in its caption.
std::string Win32Backend::RegisterFormClass(const std::string& name) {
    RegisterOnce(name.c_str(), &Win32Backend::WindowProc, instance_, nullptr, false);
    return name;
}

void Win32Backend::CreateFormWindow(Form& f) {
    auto owned = std::make_unique<FormPeer>();
    FormPeer* fp = owned.get();
    Binding* binding = fp->NewBinding(this, &f, nullptr);
    DWORD style, ex;
    StyleFor(f.BorderStyle(), style, ex);
    Rect r = f.WindowRect();
    HWND owner = appWindow_;
    if (f.Owner())
        if (FormPeer* op = PeerOf(*f.Owner()))
            owner = op->hwnd;
    std::string cls = RegisterFormClass(f.WindowClassName());
    HWND h = CreateWindowExA(ex, cls.c_str(), f.Caption().c_str(), style, r.left, r.top, r.width,
                             r.height, owner, nullptr, instance_, binding);
    if (!h)
        throw std::runtime_error("cannot create the window of " + f.Name());
    fp->hwnd = h;
    forms_[h] = &f;
    f.Slot()->SetNative(reinterpret_cast<uintptr_t>(h));
    fp->tooltip = CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, h, nullptr, instance_, nullptr);
    if (fp->tooltip)
        SendMessageA(fp->tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
    f.SetPeer(std::move(owned));
    for (Component* comp : f.Components())
        if (auto* c = dynamic_cast<Control*>(comp))
            CreateControl(f, *c);
    ApplyTabOrder(f, h);
}

void Win32Backend::DestroyFormWindow(Form& f) {
    FormPeer* fp = PeerOf(f);
    if (!fp)
        return;
    for (auto& b : fp->bindings) {
        b->form = nullptr;
        b->control = nullptr;
    }
    ShowWindow(fp->hwnd, SW_HIDE);
    forms_.erase(fp->hwnd);
    doomed_.push_back(Doomed{fp->hwnd, std::move(fp->bindings)});
    for (Component* comp : f.Components())
        if (auto* c = dynamic_cast<Control*>(comp))
            c->SetPeer(nullptr);
    f.SetPeer(nullptr);
    FlushDoomed(); // at once unless a handler of the window is still running
}

void Win32Backend::FlushDoomed() {
    for (size_t i = 0; i < doomed_.size();) {
        bool busy = false;
        for (auto& b : doomed_[i].bindings)
            busy = busy || b->active > 0;
        if (busy) {
            ++i;
            continue;
        }
        Doomed d = std::move(doomed_[i]);
        doomed_.erase(doomed_.begin() + long(i));
        DestroyWindow(d.hwnd); // the bindings stay alive until the window is gone
    }
}

void Win32Backend::ShowFormWindow(Form& f, bool show) {
    FormPeer* fp = PeerOf(f);
    if (!fp)
        return;
    if (!show) {
        ShowWindow(fp->hwnd, SW_HIDE);
        return;
    }
    ShowWindow(fp->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(fp->hwnd);
    UpdateWindow(fp->hwnd);
}

void Win32Backend::UpdateForm(Form& f, FormProp what) {
    FormPeer* fp = PeerOf(f);
    if (!fp)
        return;
    switch (what) {
    case FormProp::Caption:
        SetWindowTextA(fp->hwnd, f.Caption().c_str());
        break;
    case FormProp::Bounds: {
        Rect r = f.WindowRect();
        SetWindowPos(fp->hwnd, nullptr, r.left, r.top, r.width, r.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case FormProp::Style: {
        DWORD style, ex;
        StyleFor(f.BorderStyle(), style, ex);
        DWORD keep = DWORD(GetWindowLongPtrA(fp->hwnd, GWL_STYLE)) & (WS_VISIBLE | WS_DISABLED);
        SetWindowLongPtrA(fp->hwnd, GWL_STYLE, LONG_PTR(style | keep));
        SetWindowLongPtrA(fp->hwnd, GWL_EXSTYLE, LONG_PTR(ex));
        Rect r = f.WindowRect();
        SetWindowPos(fp->hwnd, nullptr, r.left, r.top, r.width, r.height,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        break;
    }
    case FormProp::Color:
    case FormProp::Font:
        InvalidateRect(fp->hwnd, nullptr, TRUE);
        break;
    case FormProp::Focus:
        if (Control* c = f.ActiveControl())
            if (ControlPeer* cp = PeerOf(*c); cp && cp->hwnd && f.Visible())
                SetFocus(cp->hwnd);
        break;
    }
}

void Win32Backend::BeginModal(Form& modal) {
    std::vector<HWND> disabled;
    auto disable = [&](HWND h) {
        if (IsWindowEnabled(h)) {
            EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    };
    for (auto& [h, form] : forms_)
        if (form != &modal)
            disable(h);
    disable(appWindow_);
    modalFrames_.push_back(std::move(disabled));
}

void Win32Backend::EndModal(Form&) {
    if (modalFrames_.empty())
        return;
    for (HWND h : modalFrames_.back())
        if (IsWindow(h))
            EnableWindow(h, TRUE);
    modalFrames_.pop_back();
}

// --- Messages -----------------------------------------------------------------------------

bool Win32Backend::PostToSlot(detail::WindowSlot&, uintptr_t native, uint32_t msg, uint64_t wParam,
                              int64_t lParam) {
    if (!native)
        return false;
    return PostMessageA(reinterpret_cast<HWND>(native), msg, WPARAM(wParam), LPARAM(lParam)) != 0;
}

static bool PreTranslate(MSG& m, const std::unordered_map<HWND, Form*>& forms) {
    if (m.message < WM_KEYFIRST || m.message > WM_KEYLAST)
        return false;
    HWND root = GetAncestor(m.hwnd, GA_ROOT);
    if (!root || !forms.count(root))
        return false;
    return IsDialogMessageA(root, &m) != 0;
}

void Win32Backend::RunUntil(const std::function<bool()>& done) {
    for (;;) {
        FlushDoomed();
        if (done())
            return;
        MSG m;
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (done())
                return;
            WaitMessage();
            continue;
        }
        if (m.message == WM_QUIT) {
            app_->Terminate();
            return;
        }
        if (!PreTranslate(m, forms_)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

void Win32Backend::ProcessMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            app_->Terminate();
            break;
        }
        if (!PreTranslate(m, forms_)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    FlushDoomed();
}

// --- Timers -------------------------------------------------------------------------------

void Win32Backend::StartTimer(TTimer& timer) {
    UINT_PTR id = nextTimer_++;
    if (!SetTimer(appWindow_, id, timer.Interval(), nullptr))
        throw std::runtime_error("no timer left for " + timer.Name());
    timers_[id] = &timer;
    timerIds_[&timer] = id;
}

void Win32Backend::StopTimer(TTimer& timer) {
    auto it = timerIds_.find(&timer);
    if (it == timerIds_.end())
        return;
    KillTimer(appWindow_, it->second);
    timers_.erase(it->second);
    timerIds_.erase(it);
}

void Win32Backend::Fire(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it != timers_.end())
        it->second->Fire();
}

// --- Menus and boxes ----------------------------------------------------------------------

TMenuItem* Win32Backend::TrackPopup(TPopupMenu& menu, Point screen) {
    HMENU h = CreatePopupMenu();
    if (!h)
        return nullptr;
    const auto& items = menu.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        const TMenuItem* item = items[i];
        if (!item->Visible())
            continue;
        if (item->IsSeparator()) {
            AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item->Checked() ? MF_CHECKED : MF_UNCHECKED) |
                     (item->Enabled() ? MF_ENABLED : MF_GRAYED);
        AppendMenuA(h, flags, UINT_PTR(i + 1), item->Caption().c_str());
    }
    HWND owner = appWindow_;
    if (FormPeer* fp = PeerOf(menu.Owner()))
        owner = fp->hwnd;
    // The owner must be in the foreground, or the menu does not go away when the user clicks
    // elsewhere; the posted null message lets the menu's own loop end cleanly.
    SetForegroundWindow(owner);
    UINT cmd = UINT(TrackPopupMenu(
        h, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x,
        screen.y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(h);
    if (cmd == 0 || cmd > items.size())
        return nullptr;
    return items[cmd - 1];
}

int Win32Backend::MessageBox(Form* owner, const std::string& text, const std::string& caption,
                             uint32_t flags) {
    HWND h = appWindow_;
    if (owner)
        if (FormPeer* fp = PeerOf(*owner); fp && IsWindowVisible(fp->hwnd))
            h = fp->hwnd;
    // Like a modal form, the box disables every other window of ours while it is up.
    std::vector<HWND> disabled;
    for (auto& [w, form] : forms_)
        if (w != h && IsWindowEnabled(w)) {
            EnableWindow(w, FALSE);
            disabled.push_back(w);
        }
    int answer = MessageBoxA(h, text.c_str(), caption.c_str(), flags);
    for (HWND w : disabled)
        if (IsWindow(w))
            EnableWindow(w, TRUE);
    return answer;
}

// --- Application window -------------------------------------------------------------------

void Win32Backend::SetAppTitle(const std::string& title) {
    if (appWindow_)
        SetWindowTextA(appWindow_, title.c_str());
}

void Win32Backend::MinimizeApp() {
    ShowWindow(appWindow_, SW_MINIMIZE);
}

void Win32Backend::RestoreApp() {
    ShowWindow(appWindow_, SW_RESTORE);
    if (Form* main = app_->MainForm())
        if (FormPeer* fp = PeerOf(*main); fp && IsWindowVisible(fp->hwnd))
            SetForegroundWindow(fp->hwnd);
}

bool Win32Backend::IsAppMinimized() const {
    return IsIconic(appWindow_) != 0;
}

void Win32Backend::ShowAppWindow(bool show) {
    ShowWindow(appWindow_, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

// --- Other windows and odds and ends ------------------------------------------------------

std::optional<NativeWindow> Win32Backend::FindWindowByClass(const std::string& className) {
    HWND h = FindWindowA(className.c_str(), nullptr);
    if (!h)
        return std::nullopt;
    return reinterpret_cast<NativeWindow>(h);
}

bool Win32Backend::PostToNative(NativeWindow window, uint32_t msg, uint64_t wParam,
                                int64_t lParam) {
    return PostMessageA(reinterpret_cast<HWND>(window), msg, WPARAM(wParam), LPARAM(lParam)) != 0;
}

void Win32Backend::BringToFront(NativeWindow window) {
    SetForegroundWindow(reinterpret_cast<HWND>(window));
}

Point Win32Backend::CursorPos() const {
    POINT p{};
    GetCursorPos(&p);
    return Point{int(p.x), int(p.y)};
}

Point Win32Backend::TextExtent(const std::string& text, const Font& font) const {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, gdi_.FontFor(font));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return Point{int(size.cx), int(tm.tmHeight)};
}

void Win32Backend::OpenUrl(const std::string& url) {
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
}

// --- Accessors for tests ------------------------------------------------------------------

NativeWindow WindowOf(const Form& form) {
    FormPeer* fp = PeerOf(form);
    return fp ? reinterpret_cast<NativeWindow>(fp->hwnd) : 0;
}

NativeWindow WindowOf(const Control& control) {
    ControlPeer* cp = PeerOf(control);
    return cp ? reinterpret_cast<NativeWindow>(cp->hwnd) : 0;
}

NativeWindow ContainerOf(const Control& control) {
    ControlPeer* cp = PeerOf(control);
    return cp ? reinterpret_cast<NativeWindow>(cp->container) : 0;
}

NativeWindow TooltipOf(const Form& form) {
    FormPeer* fp = PeerOf(form);
    return fp ? reinterpret_cast<NativeWindow>(fp->tooltip) : 0;
}

NativeWindow AppWindowOf(const Application& app) {
    auto* b = dynamic_cast<Win32Backend*>(&app.GetBackend());
    return b ? reinterpret_cast<NativeWindow>(b->AppWindow()) : 0;
}

} // namespace hivelet::ui::win32
