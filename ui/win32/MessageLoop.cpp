// The message loop: posts to form windows, nested loops, keyboard navigation of dialogs.
#include "ui/win32/Impl.h"

namespace hivelet::ui::win32 {

bool Win32Backend::PostToSlot(detail::WindowSlot&, uintptr_t native, uint32_t msg, uint64_t wParam,
                              int64_t lParam) {
    if (!native)
        return false;
    return PostMessageA(reinterpret_cast<HWND>(native), msg, WPARAM(wParam), LPARAM(lParam)) != 0;
}

namespace {

bool PreTranslate(MSG& m, const std::unordered_map<HWND, Form*>& forms) {
    if (m.message < WM_KEYFIRST || m.message > WM_KEYLAST)
        return false;
    HWND root = GetAncestor(m.hwnd, GA_ROOT);
    if (!root || !forms.count(root))
        return false;
    return IsDialogMessageA(root, &m) != 0;
}

// Hands a message from the queue to its window (dialog keys first); false, after ending the
// application, for WM_QUIT.
bool Deliver(MSG& m, Application& app, const std::unordered_map<HWND, Form*>& forms) {
    if (m.message == WM_QUIT) {
        app.Terminate();
        return false;
    }
    if (!PreTranslate(m, forms)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return true;
}

} // namespace

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
        if (!Deliver(m, *app_, forms_))
            return;
    }
}

void Win32Backend::ProcessMessages() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE))
        if (!Deliver(m, *app_, forms_))
            break;
    FlushDoomed();
}

} // namespace hivelet::ui::win32
