// Drawing: containers with their graphic controls, owner-drawn buttons, the progress bar.
#include "ui/win32/Impl.h"

namespace hivelet::ui::win32 {

namespace {

void Fill(HDC dc, const RECT& r, Color c, GdiCache& gdi) {
    FillRect(dc, &r, gdi.BrushFor(c));
}

void Frame(HDC dc, const RECT& r, Color c, GdiCache& gdi) {
    FrameRect(dc, &r, gdi.BrushFor(c));
}

void Line(HDC dc, int x0, int y0, int x1, int y1, Color c, GdiCache& gdi) {
    RECT r{x0, y0, x1 > x0 ? x1 : x0 + 1, y1 > y0 ? y1 : y0 + 1};
    Fill(dc, r, c, gdi);
}

void DrawBitmap(HDC dc, const Bitmap& b, const RECT& dest, bool stretch) {
    if (b.Empty())
        return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = b.width;
    bi.bmiHeader.biHeight = -b.height; // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    int w = stretch ? int(dest.right - dest.left) : b.width;
    int h = stretch ? int(dest.bottom - dest.top) : b.height;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dest.left, dest.top, w, h, 0, 0, b.width, b.height, b.pixels.data(), &bi,
                  DIB_RGB_COLORS, SRCCOPY);
}

Color TextColorOf(const Control& c) {
    if (!c.IsEnabledInTree())
        return theme::GrayText;
    return c.Font().color != kDefaultColor ? c.Font().color : theme::Text;
}

void DrawCaption(HDC dc, GdiCache& gdi, const Control& c, RECT r, UINT format) {
    HGDIOBJ old = SelectObject(dc, gdi.FontFor(c.Font()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(TextColorOf(c)));
    DrawTextA(dc, c.Caption().c_str(), int(c.Caption().size()), &r, format);
    SelectObject(dc, old);
}

void DrawGraphic(Win32Backend& be, Form& f, HDC dc, Control& c, FormPeer& fp, Color bg) {
    GdiCache& gdi = be.Gdi();
    Rect b = c.Bounds();
    RECT r{b.left, b.top, b.Right(), b.Bottom()};
    bool hover = fp.hover == &c;
    bool pressed = fp.pressed == &c && hover;
    if (auto* ib = dynamic_cast<TImageButton*>(&c)) {
        const Bitmap* pic = &ib->Picture();
        if (pressed && !ib->Pressed().Empty())
            pic = &ib->Pressed();
        else if (hover && !ib->Hover().Empty())
            pic = &ib->Hover();
        DrawBitmap(dc, *pic, r, ib->Stretch());
    } else if (auto* img = dynamic_cast<TImage*>(&c)) {
        DrawBitmap(dc, img->Picture(), r, img->Stretch());
    } else if (auto* flat = dynamic_cast<TFlatSpeedButton*>(&c)) {
        Color border = flat->ColorBorder() != kDefaultColor ? flat->ColorBorder() : bg;
        Color face = c.Color() != kDefaultColor ? c.Color() : bg;
        if (hover && c.IsEnabledInTree())
            face = flat->ColorFocused();
        if (pressed)
            face = theme::ButtonPressed;
        Fill(dc, r, face, gdi);
        Frame(dc, r, hover ? theme::BorderDark : border, gdi);
        RECT text = r;
        if (pressed)
            OffsetRect(&text, 1, 1);
        DrawCaption(dc, gdi, c, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    } else if (auto* label = dynamic_cast<TCustomLabel*>(&c)) {
        // Labels draw without a background, over whatever is beneath them.
        UINT format = DT_TOP | DT_SINGLELINE;
        if (!label->AutoSize())
            format = DT_TOP | DT_WORDBREAK;
        switch (label->Alignment()) {
        case Alignment::Right:
            format |= DT_RIGHT;
            break;
        case Alignment::Center:
            format |= DT_CENTER;
            break;
        default:
            format |= DT_LEFT;
        }
        DrawCaption(dc, gdi, c, r, format | DT_NOCLIP);
    }
    (void)f;
}

} // namespace

void PaintContainer(Win32Backend& be, Form& f, Control* container, HWND h) {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(h, &ps);
    RECT client;
    GetClientRect(h, &client);
    GdiCache& gdi = be.Gdi();
    FormPeer* fp = PeerOf(f);
    {
        BufferedPaint buffer(target, client.right, client.bottom);
        HDC dc = buffer.dc();
        Color bg = be.BackgroundOf(f, container);
        Fill(dc, client, bg, gdi);
        if (auto* group = dynamic_cast<TCustomGroupBox*>(container)) {
            // A thin frame; the title, if any, sits in a gap of its top edge.
            RECT frame = client;
            int top = 0;
            if (!group->Caption().empty()) {
                Point ext = be.TextExtent(group->Caption(), group->Font());
                top = ext.y / 2;
                frame.top = top;
            }
            Frame(dc, frame, theme::Border, gdi);
            if (!group->Caption().empty()) {
                Point ext = be.TextExtent(group->Caption(), group->Font());
                RECT gap{8, 0, 8 + ext.x + 6, ext.y};
                Fill(dc, gap, bg, gdi);
                RECT text{11, 0, 11 + ext.x + 2, ext.y};
                DrawCaption(dc, gdi, *group, text, DT_LEFT | DT_TOP | DT_SINGLELINE);
            }
        } else if (auto* panel = dynamic_cast<TPanel*>(container)) {
            Color tl = theme::BorderDark, br = theme::Light;
            if (panel->BevelOuter() == Bevel::Raised)
                std::swap(tl, br);
            if (panel->BevelOuter() != Bevel::None) {
                Line(dc, 0, 0, client.right, 0, tl, gdi);
                Line(dc, 0, 0, 0, client.bottom, tl, gdi);
                Line(dc, 0, client.bottom - 1, client.right, client.bottom - 1, br, gdi);
                Line(dc, client.right - 1, 0, client.right - 1, client.bottom, br, gdi);
            }
            if (!panel->Caption().empty())
                DrawCaption(dc, gdi, *panel, client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else if (auto* sep = dynamic_cast<TSeparator*>(container)) {
            Fill(dc, client, sep->Color() != kDefaultColor ? sep->Color() : theme::Border, gdi);
        }
        if (fp) {
            for (Component* comp : f.Components()) {
                auto* c = dynamic_cast<Control*>(comp);
                if (!c || c->IsWindowed() || !c->IsShowing())
                    continue;
                ControlPeer* cp = PeerOf(*c);
                if (!cp || cp->container != h)
                    continue;
                DrawGraphic(be, f, dc, *c, *fp, bg);
            }
        }
    }
    EndPaint(h, &ps);
}

void PaintOwnerDrawn(Win32Backend& be, Control& c, const DRAWITEMSTRUCT& d, bool hover) {
    GdiCache& gdi = be.Gdi();
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    bool pressed = (d.itemState & ODS_SELECTED) != 0;
    bool focus = (d.itemState & ODS_FOCUS) != 0;
    Color bg = be.BackgroundOf(c.Owner(), c.Parent());
    if (auto* ib = dynamic_cast<TsuiImageButton*>(&c)) {
        Fill(dc, r, bg, gdi);
        const Bitmap* pic = &ib->Normal();
        if (pressed && !ib->Pressed().Empty())
            pic = &ib->Pressed();
        else if (hover && !ib->Hover().Empty())
            pic = &ib->Hover();
        DrawBitmap(dc, *pic, r, true);
        return;
    }
    Color face = c.Color() != kDefaultColor ? c.Color() : theme::ButtonFace;
    if (hover && c.IsEnabledInTree())
        face = 0xF0F3F8;
    if (pressed)
        face = theme::ButtonPressed;
    Fill(dc, r, face, gdi);
    auto* button = dynamic_cast<TButton*>(&c);
    bool strong = focus || (button && button->Default());
    Frame(dc, r, strong ? theme::Focus : theme::Border, gdi);
    if (focus) {
        RECT inner = r;
        InflateRect(&inner, -1, -1);
        Frame(dc, inner, 0xC9D8EC, gdi);
    }
    RECT text = r;
    if (pressed)
        OffsetRect(&text, 1, 1);
    DrawCaption(dc, gdi, c, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintProgress(Win32Backend& be, Form& f, TsuiProgressBar& bar, HWND h) {
    PAINTSTRUCT ps;
    HDC target = BeginPaint(h, &ps);
    RECT client;
    GetClientRect(h, &client);
    GdiCache& gdi = be.Gdi();
    {
        BufferedPaint buffer(target, client.right, client.bottom);
        HDC dc = buffer.dc();
        Fill(dc, client, theme::BarTrack, gdi);
        Frame(dc, client, theme::Border, gdi);
        RECT inner = client;
        InflateRect(&inner, -2, -2);
        long long range = (long long)bar.Max() - bar.Min();
        int span = int(inner.right - inner.left);
        int filled = range > 0 ? int(((long long)bar.Position() - bar.Min()) * span / range) : 0;
        RECT done = inner;
        done.right = inner.left + filled;
        if (filled > 0)
            Fill(dc, done, theme::Bar, gdi);
        if (bar.ShowCaption()) {
            // Dark text over the track, white text over the filled part.
            std::string text = bar.PercentText();
            HGDIOBJ old = SelectObject(dc, gdi.FontFor(bar.Font()));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, ToColorRef(theme::Text));
            RECT all = client;
            DrawTextA(dc, text.c_str(), int(text.size()), &all,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            if (filled > 0) {
                HRGN clip = CreateRectRgnIndirect(&done);
                SelectClipRgn(dc, clip);
                SetTextColor(dc, ToColorRef(theme::Light));
                DrawTextA(dc, text.c_str(), int(text.size()), &all,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                SelectClipRgn(dc, nullptr);
                DeleteObject(clip);
            }
            SelectObject(dc, old);
        }
    }
    EndPaint(h, &ps);
    (void)f;
}

void PaintListHeader(GdiCache& gdi, HWND header, HDC dc) {
    RECT client;
    GetClientRect(header, &client);
    Fill(dc, client, theme::HeaderFace, gdi);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(header, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(theme::Text));
    int count = int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r;
        if (!SendMessageA(header, HDM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r)))
            continue;
        char text[256] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                     : (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                  : DT_LEFT;
        RECT t{r.left + kHeaderTextMargin, r.top, r.right - kHeaderTextMargin, r.bottom - 1};
        DrawTextA(dc, text, -1, &t,
                  align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        Line(dc, r.right - 1, r.top + 3, r.right - 1, r.bottom - 4, theme::HeaderRule, gdi);
    }
    // One quiet rule under the captions; the list's own grid and border do the rest.
    Line(dc, client.left, client.bottom - 1, client.right, client.bottom - 1, theme::HeaderRule,
         gdi);
    SelectObject(dc, oldFont);
}

} // namespace hivelet::ui::win32
