// Message boxes, owned by the form that asks and modal to every window of ours.
#include "ui/win32/Impl.h"

#include <vector>

namespace hivelet::ui::win32 {

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

} // namespace hivelet::ui::win32
