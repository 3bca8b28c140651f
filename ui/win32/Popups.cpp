// Popup menus: built from a TPopupMenu for one TrackPopupMenu and thrown away after it.
#include "ui/win32/Impl.h"

namespace hivelet::ui::win32 {

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

} // namespace hivelet::ui::win32
