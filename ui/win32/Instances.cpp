// Windows of other processes: the single-instance lookup by class name and the wake-up post.
#include "ui/win32/Impl.h"

namespace hivelet::ui::win32 {

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

} // namespace hivelet::ui::win32
