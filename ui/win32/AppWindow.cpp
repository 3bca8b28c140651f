// The invisible application window: it carries the taskbar button and the program's icon, owns
// every form window, and is what minimising and restoring the application act on.
#include "ui/win32/Impl.h"

#include <stdexcept>

namespace hivelet::ui::win32 {

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

} // namespace hivelet::ui::win32
