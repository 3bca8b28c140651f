// The window procedures: forms and our own control windows, the application window, and the
// subclass of owner-drawn buttons. No exception leaves any of them: the general error box shows it.
#include "ui/WindowSlot.h"
#include "ui/win32/Impl.h"

#include <windowsx.h>

namespace hivelet::ui::win32 {

namespace {

// Counts a call of the window procedure on a binding, so its window is not destroyed under it.
struct Active {
    Binding* b;
    explicit Active(Binding* b) : b(b) { ++b->active; }
    ~Active() { --b->active; }
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;
};

Binding* BindingOf(HWND h) {
    return reinterpret_cast<Binding*>(GetWindowLongPtrA(h, GWLP_USERDATA));
}

// The control of a live form behind a child window, or null.
Control* ControlOfChild(HWND child, Form** formOut) {
    HWND root = GetAncestor(child, GA_ROOT);
    Binding* rb = root ? BindingOf(root) : nullptr;
    if (!rb || !rb->form || rb->control)
        return nullptr;
    FormPeer* fp = PeerOf(*rb->form);
    if (!fp)
        return nullptr;
    auto it = fp->byHwnd.find(child);
    if (it == fp->byHwnd.end())
        return nullptr;
    if (formOut)
        *formOut = rb->form;
    return it->second;
}

void TrackLeave(HWND h) {
    TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, h, 0};
    TrackMouseEvent(&t);
}

void SetHover(Form& f, FormPeer& fp, Control* now) {
    if (fp.hover == now)
        return;
    for (Control* c : {fp.hover, now})
        if (c)
            if (ControlPeer* cp = PeerOf(*c)) {
                Rect r = c->Bounds();
                RECT rc{r.left, r.top, r.Right(), r.Bottom()};
                InvalidateRect(cp->container, &rc, FALSE);
            }
    fp.hover = now;
}

void PopupAt(Form& f, Control* c) {
    if (!c || !c->PopupMenu())
        return;
    Point p = f.App().CursorPos();
    c->PopupMenu()->Popup(p);
}

// Messages every window of ours handles: forms and containers alike.
bool ContainerMessage(Win32Backend& be, Binding& b, HWND h, UINT msg, WPARAM w, LPARAM l,
                      LRESULT& result) {
    Form& f = *b.form;
    FormPeer* fp = PeerOf(f);
    if (!fp)
        return false;
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        if (auto* bar = dynamic_cast<TsuiProgressBar*>(b.control))
            PaintProgress(be, f, *bar, h);
        else
            PaintContainer(be, f, b.control, h);
        result = 0;
        return true;
    case WM_COMMAND: {
        HWND child = reinterpret_cast<HWND>(l);
        int id = LOWORD(w);
        if (!child && (id == IDOK || id == IDCANCEL)) {
            // Enter and Escape, from IsDialogMessage.
            TButton* target = nullptr;
            if (id == IDOK) {
                HWND focus = GetFocus();
                auto it = fp->byHwnd.find(focus);
                if (it != fp->byHwnd.end())
                    target = dynamic_cast<TButton*>(it->second);
                if (!target)
                    target = f.DefaultButton();
            } else {
                target = f.CancelButton();
            }
            if (target)
                f.UserClick(*target);
            result = 0;
            return true;
        }
        if (HIWORD(w) == BN_CLICKED) {
            auto it = fp->byId.find(id);
            if (it != fp->byId.end()) {
                f.UserClick(*it->second);
                result = 0;
                return true;
            }
        }
        return false;
    }
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(l);
        auto it = fp->byId.find(int(d->CtlID));
        if (it == fp->byId.end())
            return false;
        ControlPeer* cp = PeerOf(*it->second);
        PaintOwnerDrawn(be, *it->second, *d, cp && cp->hover);
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(w);
        auto it = fp->byHwnd.find(reinterpret_cast<HWND>(l));
        Control* c = it != fp->byHwnd.end() ? it->second : nullptr;
        Color bg = be.BackgroundOf(f, c);
        Color fg = c && c->Font().color != kDefaultColor ? c->Font().color : theme::Text;
        SetTextColor(dc, ToColorRef(fg));
        SetBkColor(dc, ToColorRef(bg));
        result = reinterpret_cast<LRESULT>(be.Gdi().BrushFor(bg));
        return true;
    }
    case WM_SETCURSOR: {
        HWND over = reinterpret_cast<HWND>(w);
        Control* c = nullptr;
        if (over == h && LOWORD(l) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(h, &p);
            c = be.GraphicAt(f, h, p);
        } else if (over != h) {
            auto it = fp->byHwnd.find(over);
            c = it != fp->byHwnd.end() ? it->second : nullptr;
        }
        if (c && c->Cursor() == Cursor::Hand && LOWORD(l) == HTCLIENT) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
            result = TRUE;
            return true;
        }
        return false;
    }
    case WM_MOUSEMOVE: {
        POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        Control* c = be.GraphicAt(f, h, p);
        SetHover(f, *fp, c && c->IsEnabledInTree() ? c : nullptr);
        TrackLeave(h);
        return false;
    }
    case WM_MOUSELEAVE:
        if (fp->hover)
            if (ControlPeer* cp = PeerOf(*fp->hover); cp && cp->container == h)
                SetHover(f, *fp, nullptr);
        return false;
    case WM_LBUTTONDOWN: {
        POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        Control* c = be.GraphicAt(f, h, p);
        if (c && c->IsEnabledInTree()) {
            fp->pressed = c;
            SetCapture(h);
            SetHover(f, *fp, c);
            Rect r = c->Bounds();
            RECT rc{r.left, r.top, r.Right(), r.Bottom()};
            InvalidateRect(h, &rc, FALSE);
            result = 0;
            return true;
        }
        return false;
    }
    case WM_LBUTTONUP: {
        Control* pressed = fp->pressed;
        if (!pressed)
            return false;
        fp->pressed = nullptr;
        ReleaseCapture();
        POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
        Rect r = pressed->Bounds();
        RECT rc{r.left, r.top, r.Right(), r.Bottom()};
        InvalidateRect(h, &rc, FALSE);
        if (be.GraphicAt(f, h, p) == pressed)
            f.UserClick(*pressed); // may close the form: touch nothing of it after this
        result = 0;
        return true;
    }
    case WM_CONTEXTMENU: {
        HWND from = reinterpret_cast<HWND>(w);
        Control* c = nullptr;
        if (from == h) {
            POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
            ScreenToClient(h, &p);
            c = be.GraphicAt(f, h, p);
            if (!c)
                c = b.control;
        } else {
            auto it = fp->byHwnd.find(from);
            c = it != fp->byHwnd.end() ? it->second : nullptr;
        }
        if (c && c->PopupMenu()) {
            PopupAt(f, c);
            result = 0;
            return true;
        }
        return false;
    }
    case WM_NOTIFY:
        return false;
    default:
        return false;
    }
}

// Messages only the form window itself handles.
bool FormMessage(Binding& b, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
    Form& f = *b.form;
    if (f.HandlesMessage(msg) || msg == detail::kHandOverMessage) {
        f.DispatchMessage(msg, w, l);
        result = 0;
        return true;
    }
    switch (msg) {
    case WM_CLOSE:
        f.DispatchMessage(wm::Close, w, l);
        result = 0;
        return true;
    case WM_SYSCOMMAND:
        if ((w & 0xFFF0) == SC_MINIMIZE && f.App().MainForm() == &f) {
            f.DispatchMessage(msg, w, l);
            result = 0;
            return true;
        }
        return false;
    case WM_MOVE:
    case WM_SIZE:
        // Dragging moves the window behind the model's back; the model follows, so the hit test
        // and everything placed relative to the form measure from where the window really is.
        // A minimised window sits off screen with no client area: that is not a position.
        if (!IsIconic(h)) {
            RECT outer, client;
            GetWindowRect(h, &outer);
            GetClientRect(h, &client);
            f.WindowMovedTo(Point{int(outer.left), int(outer.top)});
            f.WindowResizedTo(int(client.right), int(client.bottom));
        }
        return false;
    case WM_NCHITTEST: {
        int standard = int(DefWindowProcA(h, msg, w, l));
        result = f.HitTest(Point{GET_X_LPARAM(l), GET_Y_LPARAM(l)}, standard);
        return true;
    }
    case WM_ACTIVATE:
        // Windows keeps the focus only for dialogs; a form puts it back itself.
        if (FormPeer* fp = PeerOf(f)) {
            if (LOWORD(w) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(h, focus))
                    fp->lastFocus = focus;
            } else {
                HWND target = fp->lastFocus && IsWindow(fp->lastFocus) ? fp->lastFocus : nullptr;
                if (!target)
                    if (Control* c = f.ActiveControl())
                        if (ControlPeer* cp = PeerOf(*c))
                            target = cp->hwnd;
                if (target) {
                    SetFocus(target);
                    result = 0;
                    return true;
                }
            }
        }
        return false;
    case DM_GETDEFID:
        // No default id: Enter then comes as IDOK, and the focused button or the default
        // button answers it.
        result = 0;
        return true;
    default:
        return false;
    }
}

} // namespace

LRESULT CALLBACK Win32Backend::WindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(l);
        SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    Binding* b = BindingOf(h);
    if (msg == WM_NCDESTROY)
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    if (!b || !b->form)
        return DefWindowProcA(h, msg, w, l);
    Active active(b);
    try {
        LRESULT result = 0;
        if (!b->control && FormMessage(*b, h, msg, w, l, result))
            return result;
        if (b->form && ContainerMessage(*b->backend, *b, h, msg, w, l, result))
            return result;
    } catch (const std::exception& e) {
        b->backend->App().ShowException(e.what());
        return 0;
    } catch (...) {
        b->backend->App().ShowException("Unknown error");
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

LRESULT CALLBACK Win32Backend::AppProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    auto* be = reinterpret_cast<Win32Backend*>(GetWindowLongPtrA(h, GWLP_USERDATA));
    if (!be)
        return DefWindowProcA(h, msg, w, l);
    try {
        switch (msg) {
        case WM_TIMER:
            be->Fire(UINT_PTR(w));
            return 0;
        case WM_CLOSE:
            // Closing the taskbar button closes the main form.
            if (Form* main = be->App().MainForm())
                main->Close();
            return 0;
        default:
            break;
        }
    } catch (const std::exception& e) {
        be->App().ShowException(e.what());
        return 0;
    } catch (...) {
        be->App().ShowException("Unknown error");
        return 0;
    }
    return DefWindowProcA(h, msg, w, l);
}

LRESULT CALLBACK ButtonSubclass(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(h, ButtonSubclass, id);
        return DefSubclassProc(h, msg, w, l);
    }
    if (msg == WM_MOUSEMOVE || msg == WM_MOUSELEAVE) {
        if (Control* c = ControlOfChild(h, nullptr))
            if (ControlPeer* cp = PeerOf(*c)) {
                bool hover = msg == WM_MOUSEMOVE;
                if (hover != cp->hover) {
                    cp->hover = hover;
                    InvalidateRect(h, nullptr, FALSE);
                }
                if (hover)
                    TrackLeave(h);
            }
    }
    return DefSubclassProc(h, msg, w, l);
}

LRESULT CALLBACK HeaderSubclass(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data) {
    auto* be = reinterpret_cast<Win32Backend*>(data);
    switch (msg) {
    case WM_NCDESTROY:
        RemoveWindowSubclass(h, HeaderSubclass, id);
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT client;
        GetClientRect(h, &client);
        {
            BufferedPaint buffer(dc, int(client.right), int(client.bottom));
            PaintListHeader(be->Gdi(), h, buffer.dc());
        }
        EndPaint(h, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintListHeader(be->Gdi(), h, reinterpret_cast<HDC>(w));
        return 0;
    default:
        break;
    }
    return DefSubclassProc(h, msg, w, l);
}

} // namespace hivelet::ui::win32
