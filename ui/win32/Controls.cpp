// Native windows for the windowed controls, and keeping them in step with the model.
#include "ui/win32/Impl.h"

#include <algorithm>
#include <uxtheme.h>

namespace hivelet::ui::win32 {

namespace {

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

// No LVS_EX_DOUBLEBUFFER: Wine's buffered painting leaves the strip between the header and the
// first row unpainted, a heavy black line under the captions.
DWORD ListViewExStyle(const TListView& lv) {
    DWORD ex = LVS_EX_LABELTIP;
    if (lv.RowSelect())
        ex |= LVS_EX_FULLROWSELECT;
    if (lv.GridLines())
        ex |= LVS_EX_GRIDLINES;
    return ex;
}

int ListFormat(Alignment a) {
    switch (a) {
    case Alignment::Right:
        return LVCFMT_RIGHT;
    case Alignment::Center:
        return LVCFMT_CENTER;
    default:
        return LVCFMT_LEFT;
    }
}

} // namespace

Color Win32Backend::BackgroundOf(const Form& f, const Control* c) const {
    for (; c; c = c->Parent())
        if (c->Color() != kDefaultColor)
            return c->Color();
    return f.Color() != kDefaultColor ? f.Color() : theme::Face;
}

Control* Win32Backend::GraphicAt(Form& f, HWND container, POINT p) const {
    auto comps = f.Components();
    for (auto it = comps.rbegin(); it != comps.rend(); ++it) {
        auto* c = dynamic_cast<Control*>(*it);
        if (!c || c->IsWindowed() || !c->IsShowing())
            continue;
        ControlPeer* cp = PeerOf(*c);
        if (!cp || cp->container != container)
            continue;
        Rect r = c->Bounds();
        if (p.x >= r.left && p.x < r.Right() && p.y >= r.top && p.y < r.Bottom())
            return c;
    }
    return nullptr;
}

void Win32Backend::ControlAdded(Control& c) {
    Form& f = c.Owner();
    if (!PeerOf(f))
        return;
    CreateControl(f, c);
    if (ControlPeer* cp = PeerOf(c))
        ApplyTabOrder(f, cp->container);
}

void Win32Backend::CreateControl(Form& f, Control& c) {
    if (PeerOf(c))
        return;
    FormPeer* fp = PeerOf(f);
    HWND container = fp->hwnd;
    if (Control* parent = c.Parent()) {
        CreateControl(f, *parent);
        container = PeerOf(*parent)->hwnd;
    }
    auto owned = std::make_unique<ControlPeer>();
    ControlPeer* cp = owned.get();
    cp->container = container;
    cp->id = fp->nextId++;
    fp->byId[cp->id] = &c;
    c.SetPeer(std::move(owned));
    if (c.IsWindowed()) {
        cp->hwnd = CreateChild(*fp, c, container, *cp);
        if (cp->hwnd) {
            fp->byHwnd[cp->hwnd] = &c;
            SendMessageA(cp->hwnd, WM_SETFONT, WPARAM(gdi_.FontFor(c.Font())), FALSE);
        }
    } else {
        cp->painted = c.Bounds();
        InvalidateGraphic(c, *cp);
    }
    RefreshTool(f, c);
}

HWND Win32Backend::CreateChild(FormPeer& fp, Control& c, HWND container, ControlPeer& cp) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (c.Visible())
        style |= WS_VISIBLE;
    if (!c.Enabled())
        style |= WS_DISABLED;
    DWORD ex = 0;
    const char* cls = kControlClass;
    std::string text = c.Caption();
    Binding* binding = nullptr;
    bool subclass = false;

    if (auto* lv = dynamic_cast<TListView*>(&c)) {
        cls = WC_LISTVIEWA;
        style |= WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
        if (!lv->ReadOnly())
            style |= LVS_EDITLABELS;
        text.clear();
    } else if (auto* memo = dynamic_cast<TMemo*>(&c)) {
        cls = "EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL;
        if (memo->ReadOnly())
            style |= ES_READONLY;
        if (memo->Border())
            style |= WS_BORDER;
        text = WithCrLf(memo->Text());
    } else if (dynamic_cast<TsuiCheckBox*>(&c)) {
        cls = "BUTTON";
        style |= BS_CHECKBOX | WS_TABSTOP;
    } else if (dynamic_cast<TButton*>(&c) || dynamic_cast<TsuiImageButton*>(&c)) {
        cls = "BUTTON";
        style |= BS_OWNERDRAW | WS_TABSTOP;
        subclass = true;
    } else {
        // Our own class: group boxes, panels, progress bars, separators.
        binding = fp.NewBinding(this, &c.Owner(), &c);
        if (c.IsContainer()) {
            style |= WS_CLIPCHILDREN;
            ex |= WS_EX_CONTROLPARENT;
        }
    }
    Rect r = c.Bounds();
    HWND h =
        CreateWindowExA(ex, cls, text.c_str(), style, r.left, r.top, r.width, r.height, container,
                        reinterpret_cast<HMENU>(intptr_t(cp.id)), instance_, binding);
    if (!h)
        return nullptr;
    cp.binding = binding;
    if (auto* lv = dynamic_cast<TListView*>(&c)) {
        SetWindowTheme(h, L"Explorer", nullptr);
        SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, ~0u, ListViewExStyle(*lv));
        // The header is drawn by us, the same on every system: flat, without the pressed look.
        HWND header = reinterpret_cast<HWND>(SendMessageA(h, LVM_GETHEADER, 0, 0));
        if (header) {
            SetWindowLongPtrA(header, GWL_STYLE, GetWindowLongPtrA(header, GWL_STYLE) | HDS_FLAT);
            SetWindowSubclass(header, HeaderSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
        }
        FillListColumns(h, *lv);
        FillListItems(h, *lv, TListView::npos);
    } else if (auto* box = dynamic_cast<TsuiCheckBox*>(&c)) {
        SendMessageA(h, BM_SETCHECK, box->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    if (subclass)
        SetWindowSubclass(h, ButtonSubclass, 1, 0);
    return h;
}

void Win32Backend::FillListColumns(HWND lv, const TListView& c) {
    while (SendMessageA(lv, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (size_t i = 0; i < c.ColumnCount(); ++i) {
        const ListColumn& col = c.Column(i);
        LVCOLUMNA lc{};
        lc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        lc.fmt = ListFormat(col.alignment);
        lc.cx = col.width;
        lc.pszText = const_cast<char*>(col.caption.c_str());
        lc.iSubItem = int(i);
        SendMessageA(lv, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&lc));
    }
}

void Win32Backend::FillListItems(HWND lv, const TListView& c, size_t row) {
    auto setRow = [&](size_t i, bool insert) {
        const ListItem& item = c.Item(i);
        LVITEMA it{};
        it.mask = LVIF_TEXT;
        it.iItem = int(i);
        it.pszText = const_cast<char*>(item.caption.c_str());
        if (insert)
            SendMessageA(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it));
        else
            SendMessageA(lv, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&it));
        size_t columns = c.ColumnCount() > 0 ? c.ColumnCount() - 1 : 0;
        for (size_t s = 0; s < columns; ++s) {
            LVITEMA sub{};
            sub.iSubItem = int(s + 1);
            static char empty[] = "";
            sub.pszText =
                s < item.subItems.size() ? const_cast<char*>(item.subItems[s].c_str()) : empty;
            SendMessageA(lv, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&sub));
        }
    };
    size_t have = size_t(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0));
    if (row != TListView::npos && row < c.ItemCount() && row <= have) {
        setRow(row, row == have);
        return;
    }
    SendMessageA(lv, WM_SETREDRAW, FALSE, 0);
    SendMessageA(lv, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < c.ItemCount(); ++i)
        setRow(i, true);
    SendMessageA(lv, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(lv, nullptr, TRUE);
}

void Win32Backend::InvalidateGraphic(Control& c, ControlPeer& cp) {
    RECT old{cp.painted.left, cp.painted.top, cp.painted.Right(), cp.painted.Bottom()};
    InvalidateRect(cp.container, &old, FALSE);
    Rect now = c.Bounds();
    RECT r{now.left, now.top, now.Right(), now.Bottom()};
    InvalidateRect(cp.container, &r, FALSE);
    cp.painted = now;
}

void Win32Backend::RefreshTool(Form& f, Control& c) {
    FormPeer* fp = PeerOf(f);
    ControlPeer* cp = PeerOf(c);
    if (!fp || !cp || !fp->tooltip)
        return;
    TTTOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = cp->container;
    if (cp->hwnd) {
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.uId = reinterpret_cast<UINT_PTR>(cp->hwnd);
    } else {
        ti.uFlags = TTF_SUBCLASS;
        ti.uId = UINT_PTR(cp->id);
    }
    if (cp->hasTool) {
        SendMessageA(fp->tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        cp->hasTool = false;
    }
    // Hints show only where the control turns them on.
    if (!c.ShowHint() || c.Hint().empty() || !c.IsShowing())
        return;
    Rect r = c.Bounds();
    ti.rect = RECT{r.left, r.top, r.Right(), r.Bottom()};
    ti.lpszText = const_cast<char*>(c.Hint().c_str());
    cp->hasTool = SendMessageA(fp->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

void Win32Backend::ApplyTabOrder(Form& f, HWND container) {
    // Tab order is the z-order of sibling windows: lay them out by TabOrder, creation order
    // breaking ties (and placing controls without one last).
    std::vector<Control*> siblings;
    for (Component* comp : f.Components())
        if (auto* c = dynamic_cast<Control*>(comp))
            if (ControlPeer* cp = PeerOf(*c); cp && cp->hwnd && cp->container == container)
                siblings.push_back(c);
    std::stable_sort(siblings.begin(), siblings.end(), [](Control* a, Control* b) {
        return unsigned(a->TabOrder()) < unsigned(b->TabOrder());
    });
    HWND after = HWND_TOP;
    for (Control* c : siblings) {
        HWND h = PeerOf(*c)->hwnd;
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
        if (c->IsContainer())
            ApplyTabOrder(f, h);
    }
}

void Win32Backend::UpdateControl(Control& c, Prop what) {
    ControlPeer* cp = PeerOf(c);
    Form& f = c.Owner();
    if (!cp)
        return;
    HWND h = cp->hwnd;
    if (!h) {
        // Graphic controls: their container redraws them.
        InvalidateGraphic(c, *cp);
        if (what == Prop::Bounds || what == Prop::Hint || what == Prop::Visible)
            RefreshTool(f, c);
        return;
    }
    switch (what) {
    case Prop::Bounds: {
        HWND container = c.Parent() ? PeerOf(*c.Parent())->hwnd : PeerOf(f)->hwnd;
        if (container != cp->container) {
            SetParent(h, container);
            cp->container = container;
        }
        Rect r = c.Bounds();
        SetWindowPos(h, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
        RefreshTool(f, c);
        break;
    }
    case Prop::Caption:
        SetWindowTextA(h, c.Caption().c_str());
        InvalidateRect(h, nullptr, TRUE);
        break;
    case Prop::Hint:
        RefreshTool(f, c);
        break;
    case Prop::Visible:
        ShowWindow(h, c.Visible() ? SW_SHOWNA : SW_HIDE);
        RefreshTool(f, c);
        break;
    case Prop::Enabled:
        EnableWindow(h, c.Enabled());
        break;
    case Prop::Font:
        SendMessageA(h, WM_SETFONT, WPARAM(gdi_.FontFor(c.Font())), TRUE);
        break;
    case Prop::TabOrder:
        ApplyTabOrder(f, cp->container);
        break;
    case Prop::Checked:
        if (auto* box = dynamic_cast<TsuiCheckBox*>(&c))
            SendMessageA(h, BM_SETCHECK, box->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case Prop::Text:
        if (auto* memo = dynamic_cast<TMemo*>(&c))
            SetWindowTextA(h, WithCrLf(memo->Text()).c_str());
        break;
    case Prop::Columns:
        if (auto* lv = dynamic_cast<TListView*>(&c)) {
            FillListColumns(h, *lv);
            FillListItems(h, *lv, TListView::npos);
        }
        break;
    case Prop::Items:
        if (auto* lv = dynamic_cast<TListView*>(&c))
            FillListItems(h, *lv, lv->LastChangedRow());
        break;
    case Prop::GridLines:
    case Prop::Style:
        if (auto* lv = dynamic_cast<TListView*>(&c)) {
            SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, ~0u, ListViewExStyle(*lv));
            LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
            style = lv->ReadOnly() ? (style & ~LONG_PTR(LVS_EDITLABELS)) : (style | LVS_EDITLABELS);
            SetWindowLongPtrA(h, GWL_STYLE, style);
        } else if (auto* memo = dynamic_cast<TMemo*>(&c)) {
            LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
            style = memo->Border() ? (style | WS_BORDER) : (style & ~LONG_PTR(WS_BORDER));
            SetWindowLongPtrA(h, GWL_STYLE, style);
            SetWindowPos(h, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        }
        InvalidateRect(h, nullptr, TRUE);
        break;
    case Prop::Cursor:
        break; // asked for at WM_SETCURSOR
    default:
        InvalidateRect(h, nullptr, TRUE);
        break;
    }
}

} // namespace hivelet::ui::win32
