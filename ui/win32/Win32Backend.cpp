// The backend object: window classes, construction and teardown, the odds and ends (cursor,
// text extent, web pages), and the accessors the Win32 tests read real windows through.
#include "ui/win32/Win32Backend.h"

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

// Forms' classes carry no icon: the application window, which owns them all, holds the program's
// icon for the taskbar and task switcher, and a dialog frame shows none in its caption.
std::string Win32Backend::RegisterFormClass(const std::string& name) {
    RegisterOnce(name.c_str(), &Win32Backend::WindowProc, instance_, nullptr, false);
    return name;
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
