// The message loop: posts to form windows, nested loops, keyboard navigation of dialogs.
#include "ui/win32/Impl.h"

namespace hivelet::ui::win32 {

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

} // namespace hivelet::ui::win32
