// The compaction's three dialogs as real windows (Wine in CI): frames, client sizes, where the
// windowed controls sit, their texts as Windows reads them back, and where the keyboard focus is.
#include "defrag/SystemPiont.h"
#include "platform/fake/FakePlatform.h"
#include "settings/AskDelete.h"
#include "settings/Options.h"

#include "ui/win32/Win.h"
#include "ui/win32/Win32Backend.h"

#include <gtest/gtest.h>

#include <string>

namespace hivelet::defrag {
namespace {

HWND H(ui::NativeWindow w) {
    return reinterpret_cast<HWND>(w);
}

ui::Rect ChildRect(const ui::Control& c) {
    HWND h = H(ui::win32::WindowOf(c));
    EXPECT_TRUE(IsWindow(h)) << c.Name() << " has no window";
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return ui::Rect{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
}

std::string Text(const ui::Control& c) {
    char text[256] = {};
    GetWindowTextA(H(ui::win32::WindowOf(c)), text, sizeof text);
    return text;
}

struct Frame {
    int clientWidth = 0, clientHeight = 0;
    bool caption = false, closeBox = false, sizable = false;
    std::string title;
};

Frame FrameOf(const ui::Form& f) {
    HWND h = H(ui::win32::WindowOf(f));
    EXPECT_TRUE(IsWindow(h));
    Frame out;
    RECT client{};
    GetClientRect(h, &client);
    out.clientWidth = client.right;
    out.clientHeight = client.bottom;
    const LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE);
    out.caption = (style & WS_CAPTION) == WS_CAPTION;
    out.closeBox = (style & WS_SYSMENU) != 0;
    out.sizable = (style & WS_THICKFRAME) != 0;
    char title[128] = {};
    GetWindowTextA(h, title, sizeof title);
    out.title = title;
    return out;
}

class DialogsWin32Test : public ::testing::Test {
protected:
    // Lets the window system deliver what the showing queued (activation, focus, painting).
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            app.ProcessMessages();
            Sleep(10);
        }
    }

    fake::FakePlatform platform;
    settings::TOptionsSetting options{true, true, true, "English"};
    ui::Application app{ui::win32::MakeWin32Backend()};
};

TEST_F(DialogsWin32Test, OptionsWindowAndItsControlsAsLaidOut) {
    auto dlg = ui::CreateForm<settings::TfrmOptions>(app, nullptr, platform, options);
    dlg->Show();
    Settle();
    const Frame f = FrameOf(*dlg);
    EXPECT_EQ(f.title, "Options");
    EXPECT_EQ(f.clientWidth, 474);
    EXPECT_EQ(f.clientHeight, 178);
    EXPECT_TRUE(f.caption && f.closeBox);
    EXPECT_FALSE(f.sizable);

    // The boxes size themselves to their captions: only their corners are fixed.
    const ui::Rect restore = ChildRect(*dlg->cbCreateRestore);
    EXPECT_EQ(restore.left, 16);
    EXPECT_EQ(restore.top, 16);
    EXPECT_EQ(ChildRect(*dlg->cbAskBeforeDefrag).top, 48);
    EXPECT_EQ(ChildRect(*dlg->cbShowLines).top, 81);
    EXPECT_EQ(GetParent(H(ui::win32::WindowOf(*dlg->cbShowLines))),
              H(ui::win32::WindowOf(*dlg->GroupBox2)));
    EXPECT_EQ(ChildRect(*dlg->GroupBox2), (ui::Rect{8, 8, 457, 119}));
    EXPECT_EQ(ChildRect(*dlg->bOK), (ui::Rect{284, 140, 80, 27}));
    EXPECT_EQ(ChildRect(*dlg->bCancel), (ui::Rect{385, 140, 80, 27}));

    EXPECT_EQ(Text(*dlg->cbCreateRestore),
              "Create a system restore point before defragment (XP, Vista, 7, 8, 10, 11)");
    EXPECT_LE(restore.left + restore.width, 457 - 8) << "the rewritten caption fits the group";
    for (auto* box : {dlg->cbCreateRestore, dlg->cbAskBeforeDefrag, dlg->cbShowLines})
        EXPECT_EQ(SendMessageA(H(ui::win32::WindowOf(*box)), BM_GETCHECK, 0, 0), BST_CHECKED)
            << box->Name();
    dlg->Close();
}

TEST_F(DialogsWin32Test, ConfirmationWindowOpensWithNoFocused) {
    auto dlg = ui::CreateForm<settings::TfrmAskDelete>(app, nullptr, platform, options);
    dlg->Show();
    Settle();
    const Frame f = FrameOf(*dlg);
    EXPECT_EQ(f.title, "Defrag Now");
    EXPECT_EQ(f.clientWidth, 316);
    EXPECT_EQ(f.clientHeight, 193);
    EXPECT_TRUE(f.caption && f.closeBox);
    EXPECT_FALSE(f.sizable);

    EXPECT_EQ(ChildRect(*dlg->GroupBox1), (ui::Rect{8, 8, 298, 100}));
    EXPECT_EQ(ChildRect(*dlg->bOK), (ui::Rect{53, 57, 80, 24}));
    EXPECT_EQ(ChildRect(*dlg->bCancel), (ui::Rect{165, 57, 80, 24}));
    EXPECT_EQ(ChildRect(*dlg->cbAsk), (ui::Rect{8, 166, 128, 19}));
    EXPECT_EQ(Text(*dlg->bOK), "&Yes");
    EXPECT_EQ(Text(*dlg->bCancel), "&No");
    EXPECT_EQ(SendMessageA(H(ui::win32::WindowOf(*dlg->cbAsk)), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), H(ui::win32::WindowOf(*dlg->bCancel))) << "Enter must answer No";
    dlg->Close();
}

TEST_F(DialogsWin32Test, RestorePointWindowHasNoCaptionButtons) {
    // The worker is never started: the dialog waits, as while System Restore works.
    auto dlg = ui::CreateForm<TfrmSystemPoint>(app, nullptr, platform, options,
                                               [](std::function<void()>) {});
    dlg->Show();
    Settle();
    const Frame f = FrameOf(*dlg);
    EXPECT_EQ(f.title, "Create System Point");
    EXPECT_EQ(f.clientWidth, 353);
    EXPECT_EQ(f.clientHeight, 180);
    EXPECT_TRUE(f.caption);
    EXPECT_FALSE(f.closeBox) << "no close box, no system menu";
    EXPECT_FALSE(f.sizable);
    EXPECT_EQ(ChildRect(*dlg->suiGroupBox1), (ui::Rect{8, 8, 336, 160}));
    EXPECT_EQ(ChildRect(*dlg->ProgressBar1), (ui::Rect{12, 124, 311, 18}));
    dlg->Close();
    EXPECT_FALSE(dlg->Finished());
}

} // namespace
} // namespace hivelet::defrag
