// The Win32 backend against real windows (run under Wine): what the model says must be what the
// Win32 API reads back, and the user's actions (BM_CLICK, the close box, menus, boxes) must come
// back into the model.
#include "Showcase.h"

#include "ui/win32/Win.h"
#include "ui/win32/Win32Backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace hivelet::ui {
namespace {

using test::Showcase;

HWND H(NativeWindow w) {
    return reinterpret_cast<HWND>(w);
}
HWND H(const Form& f) {
    return H(win32::WindowOf(f));
}
HWND H(const Control& c) {
    return H(win32::WindowOf(c));
}

std::string TextOf(HWND h) {
    char buf[512] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

std::string ClassOf(HWND h) {
    char buf[256] = {};
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

// A child's rectangle in its parent's client coordinates.
Rect ChildRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return Rect{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
}

LONG_PTR StyleOf(HWND h) {
    return GetWindowLongPtrA(h, GWL_STYLE);
}

std::string ItemText(HWND lv, int row, int sub) {
    char buf[256] = {};
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(lv, LVM_GETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&it));
    return buf;
}

struct Win32App {
    Application app{win32::MakeWin32Backend()};
    Win32App() { app.SetTitle("Orvane Hivelet"); }
};

// Runs `fn` from the message loop once it is idle (inside whatever modal loop runs then).
void Soon(Form& f, std::function<void()> fn) {
    auto* t = f.Make<TTimer>("soon" + std::to_string(f.ComponentCount()));
    t->SetInterval(10);
    t->OnTimer = [t, fn] {
        t->SetEnabled(false);
        fn();
    };
}

TEST(Win32Windows, TheShowcaseReadsBackAsTheModelSaysIt) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    HWND form = H(f);
    ASSERT_TRUE(IsWindow(form));
    EXPECT_EQ(TextOf(form), "Hivelet toolkit");
    EXPECT_EQ(ClassOf(form), "Hivelet Showcase Window");
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 560);
    EXPECT_EQ(client.bottom, 400);
    EXPECT_TRUE(StyleOf(form) & WS_CAPTION);
    EXPECT_TRUE(StyleOf(form) & WS_SYSMENU);
    EXPECT_EQ(GetWindow(form, GW_OWNER), H(win32::AppWindowOf(w.app)));
    // The program's icon is the application window's (taskbar); a dialog caption shows none.
    EXPECT_EQ(GetClassLongPtrA(form, GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrA(H(win32::AppWindowOf(w.app)), GCLP_HICON), 0);

    // Windowed controls are child windows where the model puts them; graphic ones are drawn by
    // their container and have no window.
    EXPECT_EQ(H(*f.title), nullptr);
    EXPECT_EQ(H(*f.analyze), nullptr);
    EXPECT_EQ(H(*f.closeImage), nullptr);
    EXPECT_EQ(H(win32::ContainerOf(*f.note)), H(*f.options));
    EXPECT_EQ(H(win32::ContainerOf(*f.title)), form);

    HWND ok = H(*f.ok);
    EXPECT_EQ(TextOf(ok), "&OK");
    EXPECT_EQ(ClassOf(ok), "Button");
    EXPECT_EQ(ChildRect(ok), (Rect{384, 360, 75, 25}));
    EXPECT_EQ(StyleOf(ok) & BS_TYPEMASK, BS_OWNERDRAW);

    HWND restore = H(*f.restore);
    EXPECT_EQ(GetParent(restore), H(*f.options));
    EXPECT_EQ(ChildRect(restore).left, 8);
    EXPECT_EQ(ChildRect(restore).top, 12);
    EXPECT_EQ(SendMessageA(restore, BM_GETCHECK, 0, 0), BST_CHECKED);

    HWND memo = H(*f.memo);
    EXPECT_EQ(TextOf(memo), "Registry Key");
    EXPECT_TRUE(StyleOf(memo) & ES_READONLY);
    EXPECT_FALSE(StyleOf(memo) & WS_BORDER);
    f.memo->SetText("line one\nline two");
    EXPECT_EQ(TextOf(memo), "line one\r\nline two");

    EXPECT_EQ(ChildRect(H(*f.progress)), (Rect{125, 290, 420, 18}));
    EXPECT_EQ(ChildRect(H(*f.line)), (Rect{125, 322, 420, 2}));
    EXPECT_EQ(ChildRect(H(*f.rule)), (Rect{11, 85, 100, 1}));

    // Moving and hiding follow the model.
    f.ok->SetLeft(300);
    EXPECT_EQ(ChildRect(ok).left, 300);
    f.cancel->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(H(*f.cancel)));
    f.cancel->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(H(*f.cancel)));
    f.Close();
}

TEST(Win32Windows, ListViewIsAReadOnlyReportWithColumnsAndRows) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    HWND lv = H(*f.list);
    EXPECT_EQ(StyleOf(lv) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_FALSE(StyleOf(lv) & LVS_EDITLABELS);
    DWORD ex = DWORD(SendMessageA(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
    f.list->SetGridLines(false);
    ex = DWORD(SendMessageA(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_FALSE(ex & LVS_EX_GRIDLINES);

    HWND header = reinterpret_cast<HWND>(SendMessageA(lv, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 4);
    int widths[] = {205, 72, 70, 65};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SendMessageA(lv, LVM_GETCOLUMNWIDTH, i, 0), widths[i]) << i;
    LVCOLUMNA col{};
    col.mask = LVCF_FMT;
    SendMessageA(lv, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col));
    EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);

    EXPECT_EQ(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(ItemText(lv, 1, 0), "\\REGISTRY\\MACHINE\\SOFTWARE");
    EXPECT_EQ(ItemText(lv, 1, 3), "25%");
    EXPECT_EQ(ItemText(lv, 2, 1), "");
    // Filling a cell later (as the analysis does) and adding a row reach the window.
    f.list->SetSubItem(2, 1, "1,024 KB"); // sub-item 1 is the third column
    f.list->AddItem("\\REGISTRY\\USER\\S-1-5-18");
    EXPECT_EQ(ItemText(lv, 2, 2), "1,024 KB");
    EXPECT_EQ(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(ItemText(lv, 3, 0), "\\REGISTRY\\USER\\S-1-5-18");
    f.list->SetColumnCaption(0, "Hive");
    char buf[64] = {};
    col.mask = LVCF_TEXT;
    col.pszText = buf;
    col.cchTextMax = sizeof buf;
    SendMessageA(lv, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col));
    EXPECT_STREQ(buf, "Hive");
    EXPECT_EQ(ItemText(lv, 3, 0), "\\REGISTRY\\USER\\S-1-5-18");
    f.Close();
}

// A 32-bit top-down picture to draw into and read back.
struct Canvas {
    int width, height;
    HDC dc = CreateCompatibleDC(nullptr);
    uint32_t* bits = nullptr;
    HBITMAP bitmap;
    HGDIOBJ old;
    Canvas(int w, int h) : width(w), height(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bitmap =
            CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all{0, 0, w, h};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Dark enough to be ink or a heavy line.
    bool Dark(int x, int y) const {
        uint32_t p = bits[size_t(y) * size_t(width) + size_t(x)];
        return ((p >> 16) & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80 && (p & 0xFF) < 0x80;
    }
    // The dark pixels inside [left, right) as rows of '#' and '.', cropped to their bounding box.
    std::vector<std::string> Ink(int left, int right) const {
        int x0 = right, x1 = left - 1, y0 = height, y1 = -1;
        for (int y = 0; y < height; ++y)
            for (int x = left; x < right; ++x)
                if (Dark(x, y)) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
        std::vector<std::string> rows;
        for (int y = y0; y <= y1; ++y) {
            std::string row;
            for (int x = x0; x <= x1; ++x)
                row += Dark(x, y) ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }
};

TEST(Win32Windows, TheListHeaderShowsWholeCaptionsOverAQuietRule) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    HWND lv = H(*f.list);
    HWND header = reinterpret_cast<HWND>(SendMessageA(lv, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    RECT hr;
    GetClientRect(header, &hr);
    ASSERT_GT(hr.bottom, 10);
    Canvas drawn(int(hr.right), int(hr.bottom));
    SendMessageA(header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(drawn.dc), PRF_CLIENT);

    // No heavy line under the captions, in the header or where the list meets it: nothing dark
    // runs further than a letter does. (The list as it is on the screen, header included.)
    RedrawWindow(lv, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT lr;
    GetClientRect(lv, &lr);
    Canvas shown(int(lr.right), int(lr.bottom));
    HDC lvDc = GetDC(lv);
    BitBlt(shown.dc, 0, 0, shown.width, shown.height, lvDc, 0, 0, SRCCOPY);
    ReleaseDC(lv, lvDc);
    for (const Canvas* c : {&drawn, &shown})
        for (int y = 0; y < c->height; ++y) {
            int run = 0, longest = 0;
            for (int x = 0; x < c->width; ++x) {
                run = c->Dark(x, y) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
            EXPECT_LT(longest, 20) << (c == &drawn ? "header" : "list") << " row " << y;
        }

    // Each caption is drawn whole in its column, in the list's font: the same ink as the
    // caption drawn alone (an ellipsis or another font would differ).
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(lv, WM_GETFONT, 0, 0));
    const char* captions[] = {"Hive Name", "Current Size", "New Size", "Reduction"};
    for (int i = 0; i < 4; ++i) {
        RECT item;
        ASSERT_TRUE(
            SendMessageA(header, HDM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&item)));
        Canvas alone(200, drawn.height);
        HGDIOBJ oldFont = SelectObject(alone.dc, font);
        SetBkMode(alone.dc, TRANSPARENT);
        RECT r{10, 0, 190, drawn.height};
        DrawTextA(alone.dc, captions[i], -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SelectObject(alone.dc, oldFont);
        std::vector<std::string> expected = alone.Ink(0, 200);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(drawn.Ink(int(item.left), int(item.right)), expected) << captions[i];
    }
    f.Close();
}

TEST(Win32Windows, TooltipsExistOnlyWhereShowHintIsOn) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    HWND tip = H(win32::TooltipOf(f));
    ASSERT_TRUE(tip);
    // minimise, close image, analyse, defrag and the restore box show hints; the grid-lines box
    // has a hint but ShowHint off.
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 5);
    bool restoreHasTool = false, gridHasTool = false;
    for (int i = 0; i < 5; ++i) {
        char text[256] = {};
        TTTOOLINFOA ti{};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.lpszText = text;
        ASSERT_TRUE(SendMessageA(tip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&ti)));
        restoreHasTool = restoreHasTool || ti.uId == reinterpret_cast<UINT_PTR>(H(*f.restore));
        gridHasTool = gridHasTool || ti.uId == reinterpret_cast<UINT_PTR>(H(*f.gridLines));
    }
    EXPECT_TRUE(restoreHasTool);
    EXPECT_FALSE(gridHasTool);
    f.gridLines->SetShowHint(true);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 6);
    f.restore->SetShowHint(false);
    f.analyze->SetShowHint(false);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 4);
    f.Close();
}

TEST(Win32Windows, ClicksComeBackIntoTheModel) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    int okClicks = 0, boxClicks = 0;
    f.ok->SetModalResult(mrNone);
    f.ok->OnClick = [&] { ++okClicks; };
    f.gridLines->OnClick = [&] { ++boxClicks; };
    SendMessageA(H(*f.ok), BM_CLICK, 0, 0);
    EXPECT_EQ(okClicks, 1);
    SendMessageA(H(*f.gridLines), BM_CLICK, 0, 0);
    EXPECT_EQ(boxClicks, 1);
    EXPECT_FALSE(f.gridLines->Checked());
    EXPECT_EQ(SendMessageA(H(*f.gridLines), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    f.gridLines->SetChecked(true);
    EXPECT_EQ(SendMessageA(H(*f.gridLines), BM_GETCHECK, 0, 0), BST_CHECKED);
    f.ok->SetEnabled(false);
    SendMessageA(H(*f.ok), BM_CLICK, 0, 0);
    EXPECT_EQ(okClicks, 1);
    // A graphic control is clicked through its container's mouse messages.
    HWND form = H(f);
    SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 100));
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(20, 100));
    EXPECT_EQ(f.clicks, 1);
    // ... but not when disabled.
    SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 130));
    SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(20, 130));
    EXPECT_EQ(f.clicks, 1);
    f.Close();
}

TEST(Win32Windows, ModalShowingDisablesTheOwnerAndReturnsTheResult) {
    Win32App w;
    Showcase main(w.app);
    main.SetBorderStyle(BorderStyle::None);
    main.Show();
    Showcase dlg(w.app, &main);
    dlg.SetPosition(FormPosition::OwnerCenter);
    dlg.SetClientSize(300, 200);
    bool ownerEnabled = true;
    HWND owner = nullptr, focus = nullptr, firstInTabOrder = nullptr;
    RECT dlgRect{}, mainRect{};
    Soon(dlg, [&] {
        ownerEnabled = IsWindowEnabled(H(main));
        owner = GetWindow(H(dlg), GW_OWNER);
        focus = GetFocus();
        firstInTabOrder = H(*dlg.gridLines);
        GetWindowRect(H(dlg), &dlgRect);
        GetWindowRect(H(main), &mainRect);
        SendMessageA(H(*dlg.cancel), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_EQ(owner, H(main));
    EXPECT_TRUE(IsWindowEnabled(H(main)));
    // Centred on the owner, focus on the first control in tab order (a box in the first group).
    EXPECT_NEAR((dlgRect.left + dlgRect.right) / 2, (mainRect.left + mainRect.right) / 2, 1);
    EXPECT_NEAR((dlgRect.top + dlgRect.bottom) / 2, (mainRect.top + mainRect.bottom) / 2, 1);
    EXPECT_EQ(focus, firstInTabOrder);

    // The close box gives Cancel; OK gives OK.
    Soon(dlg, [&] { PostMessageA(H(dlg), WM_SYSCOMMAND, SC_CLOSE, 0); });
    dlg.ok->SetModalResult(mrYes);
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    Soon(dlg, [&] { SendMessageA(H(*dlg.ok), BM_CLICK, 0, 0); });
    EXPECT_EQ(dlg.ShowModal(), mrYes);
    // Escape presses the cancel button through the dialog keys.
    Soon(dlg, [&] {
        HWND cancel = H(*dlg.cancel);
        PostMessageA(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    main.Close();
}

TEST(Win32Windows, TimersAndPostsFromAWorkerReachTheForm) {
    Win32App w;
    Showcase f(w.app);
    int ticks = 0;
    f.timer->SetInterval(5);
    f.timer->OnTimer = [&] { ++ticks; };
    f.timer->SetEnabled(true);
    int reports = 0;
    std::string memoAtClose;
    f.OnMessage(0x6603, [&](uint64_t, int64_t lParam) { reports = int(lParam); });
    std::thread worker;
    Soon(f, [&] {
        WindowRef ref = f.Ref();
        worker = std::thread([ref, memo = f.memo] {
            for (int i = 1; i <= 100; ++i)
                ref.Post(0x6603, 0, i);
            HandOver(ref, [memo] { memo->SetText("Finish"); });
            ref.Post(wm::Close);
        });
    });
    f.onClose = [&] { memoAtClose = TextOf(H(*f.memo)); };
    EXPECT_EQ(f.ShowModal(), mrCancel);
    worker.join();
    EXPECT_EQ(reports, 100);
    EXPECT_EQ(memoAtClose, "Finish");
    EXPECT_GT(ticks, 0);
}

TEST(Win32Windows, PopupMenusCarryTheCheckMarks) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    std::vector<std::string> seen;
    Soon(f, [&] {
        HWND menuWindow = FindWindowA("#32768", nullptr);
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        int n = GetMenuItemCount(menu);
        for (int i = 0; i < n; ++i) {
            char text[64] = {};
            GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
            UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
            seen.push_back(std::string(text) + ((state & MF_CHECKED) ? " checked" : "") +
                           ((state & MF_SEPARATOR) ? "separator" : ""));
        }
        EndMenu();
    });
    EXPECT_EQ(f.menu->Popup(Point{200, 200}), nullptr);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"&English", "&German checked", "separator", "Other"}));

    // Choosing with the keyboard fires the item's OnClick once the menu has closed.
    std::string clicked;
    f.german->OnClick = [&] { clicked = f.german->Name(); };
    Soon(f, [&] {
        HWND menuWindow = FindWindowA("#32768", nullptr);
        for (WPARAM key : {WPARAM(VK_DOWN), WPARAM(VK_DOWN), WPARAM(VK_RETURN)})
            PostMessageA(menuWindow, WM_KEYDOWN, key, 0);
    });
    EXPECT_EQ(f.menu->Popup(Point{200, 200}), f.german);
    EXPECT_EQ(clicked, "miGerman");
    f.Close();
}

TEST(Win32Windows, MessageBoxesAndTheGeneralErrorBox) {
    Win32App w;
    Showcase f(w.app);
    f.Show();
    std::string text, caption;
    auto answer = [&](int button) {
        Soon(f, [&, button] {
            HWND box = GetForegroundWindow();
            if (ClassOf(box) != "#32770")
                box = FindWindowA("#32770", nullptr);
            caption = TextOf(box);
            char buf[256] = {};
            GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
            text = buf;
            PostMessageA(box, WM_COMMAND, button, 0);
        });
    };
    answer(IDNO);
    EXPECT_EQ(w.app.MessageBox("Contiue to defrag?", "Orvane Hivelet", 0x144), IDNO);
    EXPECT_EQ(text, "Contiue to defrag?");
    EXPECT_EQ(caption, "Orvane Hivelet");

    // An exception escaping a click handler: the error box, then the loop goes on.
    f.ok->SetModalResult(mrNone);
    f.ok->OnClick = [] { throw std::runtime_error("Unable to write to C:\\x\\options.ini"); };
    answer(IDOK);
    SendMessageA(H(*f.ok), BM_CLICK, 0, 0);
    EXPECT_EQ(text, "Unable to write to C:\\x\\options.ini.");
    EXPECT_EQ(caption, "Orvane Hivelet");
    f.Close();
}

TEST(Win32Windows, HitTestHookSeesTheStandardAnswer) {
    Win32App w;
    Showcase f(w.app);
    f.SetBorderStyle(BorderStyle::None);
    std::vector<int> standards;
    f.OnNcHitTest = [&](Point p, int standard) {
        standards.push_back(standard);
        return standard == ht::Client && p.x - f.Left() < 100 ? ht::Caption : standard;
    };
    f.Show();
    HWND h = H(f);
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_FALSE(StyleOf(h) & WS_CAPTION);
    EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 50, r.top + 95)), HTCAPTION);
    EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 300, r.top + 60)), HTCLIENT);
    EXPECT_EQ(standards, (std::vector<int>{HTCLIENT, HTCLIENT}));
    f.Close();
}

// The user drags the borderless main window by its background, which moves the window without
// the model's help; the model must follow, or the drag test measures from where the window was.
TEST(Win32Windows, TheModelFollowsTheWindowWhenItIsMovedFromOutside) {
    Win32App w;
    Showcase f(w.app);
    f.SetBorderStyle(BorderStyle::None);
    f.SetPosition(FormPosition::Designed);
    f.SetLeftTop(40, 30);
    // Drag area: the band 100 pixels wide at the window's left edge, measured from Left().
    f.OnNcHitTest = [&](Point p, int standard) {
        return standard == ht::Client && p.x - f.Left() < 100 ? ht::Caption : standard;
    };
    f.Show();
    HWND h = H(f);
    auto hit = [h](int x, int y) { return SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    auto outer = [h] {
        RECT r;
        GetWindowRect(h, &r);
        return Rect{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
    };
    ASSERT_EQ(outer(), f.WindowRect());

    SetWindowPos(h, nullptr, 177, 89, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(f.Left(), 177);
    EXPECT_EQ(f.Top(), 89);
    EXPECT_EQ(f.WindowRect(), outer());
    EXPECT_EQ(f.ClientOrigin(), (Point{177, 89}));
    // 50 pixels into the moved window is the drag band, 150 is not; from the stale position
    // (137 pixels further left) both would have been outside it.
    EXPECT_EQ(hit(177 + 50, 89 + 200), HTCAPTION);
    EXPECT_EQ(hit(177 + 150, 89 + 200), HTCLIENT);

    // A move with a resize: the client size follows as well.
    MoveWindow(h, 20, 15, 600, 420, TRUE);
    EXPECT_EQ(f.WindowRect(), (Rect{20, 15, 600, 420}));
    EXPECT_EQ(f.ClientWidth(), 600);
    EXPECT_EQ(f.ClientHeight(), 420);
    EXPECT_EQ(hit(20 + 99, 15 + 10), HTCAPTION);
    EXPECT_EQ(hit(20 + 101, 15 + 10), HTCLIENT);

    // Minimising parks the window off screen; that is not where the form is.
    ShowWindow(h, SW_MINIMIZE);
    EXPECT_EQ(f.Left(), 20);
    EXPECT_EQ(f.Top(), 15);
    EXPECT_EQ(f.ClientWidth(), 600);
    ShowWindow(h, SW_RESTORE);
    EXPECT_EQ(f.WindowRect(), outer());
    EXPECT_EQ(f.Left(), 20);

    // The model still moves the window, and a dialog centred on the form centres on its real
    // place.
    f.SetLeftTop(60, 50);
    EXPECT_EQ(outer(), (Rect{60, 50, 600, 420}));
    Showcase dialog(w.app, &f);
    dialog.SetPosition(FormPosition::OwnerCenter);
    dialog.HandleNeeded();
    Rect d = dialog.WindowRect();
    EXPECT_EQ(d.left + d.width / 2, 60 + 600 / 2);
    EXPECT_EQ(d.top + d.height / 2, 50 + 420 / 2);
    f.Close();
}

TEST(Win32Windows, ApplicationWindowSingleInstanceAndTextWidth) {
    Win32App w;
    Showcase f(w.app);
    int restored = 0;
    f.OnMessage(0x6604, [&](uint64_t, int64_t) { ++restored; });
    f.Show();
    auto found = w.app.FindWindowByClass("Hivelet Showcase Window");
    ASSERT_TRUE(found);
    EXPECT_EQ(H(*found), H(f));
    EXPECT_TRUE(w.app.PostTo(*found, 0x6604));
    w.app.ProcessMessages();
    EXPECT_EQ(restored, 1);
    w.app.BringToFront(*found);

    HWND appWindow = H(win32::AppWindowOf(w.app));
    EXPECT_EQ(TextOf(appWindow), "Orvane Hivelet");
    w.app.Minimize();
    EXPECT_TRUE(w.app.IsMinimized());
    w.app.Restore();
    EXPECT_FALSE(w.app.IsMinimized());
    w.app.HideAppWindow();
    EXPECT_FALSE(IsWindowVisible(appWindow));
    w.app.ShowAppWindow();
    EXPECT_TRUE(IsWindowVisible(appWindow));

    Font font;
    int exit = w.app.TextWidth("Exit", font);
    EXPECT_GT(exit, 0);
    EXPECT_NEAR(w.app.TextWidth("ExitExit", font), 2 * exit, 1);
    font.bold = true;
    EXPECT_GE(w.app.TextWidth("Exit", font), exit);
    f.Close();
    EXPECT_FALSE(w.app.FindWindowByClass("Hivelet Showcase Window"));
}

TEST(Win32Windows, AFormClosedFromItsOwnHandlerIsDestroyedLater) {
    Win32App w;
    Showcase f(w.app);
    f.ok->SetModalResult(mrNone);
    f.ok->OnClick = [&] { f.Close(); };
    f.Show();
    HWND h = H(f);
    SendMessageA(H(*f.ok), BM_CLICK, 0, 0);
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(IsWindowVisible(h));
    w.app.ProcessMessages();
    EXPECT_FALSE(IsWindow(h));
    // The form shows again with a new window.
    f.Show();
    EXPECT_TRUE(IsWindowVisible(H(f)));
    f.Close();
}

} // namespace
} // namespace hivelet::ui
