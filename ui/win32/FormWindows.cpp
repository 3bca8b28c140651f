// The windows of forms: their styles and frames, creation, showing, updates, modal disabling,
// and destruction deferred until no handler of the window is running.
#include "ui/WindowSlot.h"
#include "ui/win32/Impl.h"

#include <stdexcept>

namespace hivelet::ui::win32 {

Binding* FormPeer::NewBinding(Win32Backend* b, Form* f, Control* c) {
    bindings.push_back(std::make_unique<Binding>());
    Binding* binding = bindings.back().get();
    binding->backend = b;
    binding->form = f;
    binding->control = c;
    return binding;
}

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

} // namespace hivelet::ui::win32
