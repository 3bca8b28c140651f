// The real main window under Windows (Wine in CI): its class, frame and controls as the Win32 API
// reads them back, its hit test, and a second Hivelet.exe finding it, waking it and ending.
#include "shell/MainWindowFixture.h"

#include "ui/WindowMessages.h"
#include "ui/WindowSlot.h"
#include "ui/win32/Win.h"
#include "ui/win32/Win32Backend.h"

#include "platform/win32/Win32TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace hivelet::shell::test {
namespace {

HWND H(ui::NativeWindow w) {
    return reinterpret_cast<HWND>(w);
}

std::string ProgramPath() {
    return platform::win32::testing::WindowsPathOf(HIVELET_PROGRAM);
}

ui::Rect ChildRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return ui::Rect{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
}

class MainWindowWin32Test : public ::testing::Test {
protected:
    MainWindowWin32Test() {
        settings::OptionsSetting() = {};
        platform.SetVersion(platform::PlatformWin32Nt, 6, 1);
        platform.AddDrive('C', platform::drive::Fixed, "\\Device\\HarddiskVolume2");
        platform.AddKey(platform::RootKey::LocalMachine, catalogue::HiveListKey);
        platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, SystemHive,
                                "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SYSTEM");
        platform.AddFile(SystemFile, 262144);
        form = CreateMainWindow(app, platform, {});
    }
    ~MainWindowWin32Test() override {
        form.reset();
        settings::OptionsSetting() = {};
    }

    fake::FakePlatform platform;
    ui::Application app{ui::win32::MakeWin32Backend()};
    std::unique_ptr<TfrmMain> form;
};

TEST_F(MainWindowWin32Test, TheWindowIsBorderlessWithItsClassAndControlsInPlace) {
    form->Show();
    HWND h = H(ui::win32::WindowOf(*form));
    ASSERT_TRUE(IsWindow(h));
    char cls[128] = {};
    GetClassNameA(h, cls, sizeof cls);
    EXPECT_STREQ(cls, "Orvane Hivelet Made by Orvane Software");
    EXPECT_EQ(FindWindowA("Orvane Hivelet Made by Orvane Software", nullptr), h);
    EXPECT_FALSE(GetWindowLongPtrA(h, GWL_STYLE) & WS_CAPTION);
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 556);
    EXPECT_EQ(client.bottom, 392);

    // Windowed controls sit where the layout puts them.
    HWND lv = H(ui::win32::WindowOf(*form->lvMain));
    ASSERT_TRUE(IsWindow(lv));
    EXPECT_EQ(ChildRect(lv), (ui::Rect{119, 65, 423, 236}));
    EXPECT_EQ(SendMessageA(lv, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_TRUE(SendMessageA(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_GRIDLINES);
    HWND minimize = H(ui::win32::WindowOf(*form->bMinimize));
    ASSERT_TRUE(IsWindow(minimize));
    EXPECT_EQ(ChildRect(minimize), (ui::Rect{488, 9, 24, 24}));
    // Pictures, labels and flat buttons are drawn by the window itself.
    EXPECT_EQ(ui::win32::WindowOf(*form->bClose), 0u);
    EXPECT_EQ(ui::win32::WindowOf(*form->bExit), 0u);
    form->Close();
}

TEST_F(MainWindowWin32Test, PressesOnTheBackgroundMoveTheWindow) {
    form->Show();
    HWND h = H(ui::win32::WindowOf(*form));
    RECT r;
    GetWindowRect(h, &r);
    auto at = [&](int x, int y) {
        return SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y));
    };
    EXPECT_EQ(at(380, 345), HTCAPTION); // between the step hints
    EXPECT_EQ(at(300, 20), HTCAPTION);  // the title band
    EXPECT_EQ(at(20, 100), HTCLIENT);   // Analyze Registry
    EXPECT_EQ(at(355, 335), HTCLIENT);  // a step hint
    EXPECT_EQ(at(528, 20), HTCLIENT);   // the close picture
    form->Close();
}

// A right-click on the background, where the hit test answers caption so the window can be
// dragged, still reaches the background picture and pops the help menu at the cursor.
TEST_F(MainWindowWin32Test, ARightClickOnTheBackgroundPopsTheHelpMenu) {
    form->Show();
    HWND h = H(ui::win32::WindowOf(*form));
    SetForegroundWindow(h);
    RECT r;
    GetWindowRect(h, &r);
    const POINT between{r.left + 380, r.top + 345}; // between the step hints
    ASSERT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(between.x, between.y)), HTCAPTION);
    ASSERT_TRUE(SetCursorPos(between.x, between.y));

    std::vector<std::string> seen;
    POINT menuAt{-1, -1};
    ui::TTimer* watch = form->Make<ui::TTimer>("watchMenu");
    watch->SetInterval(50);
    int waited = 0;
    watch->OnTimer = [&] {
        HWND menuWindow = FindWindowA("#32768", nullptr);
        if ((!menuWindow || !IsWindowVisible(menuWindow)) && ++waited < 100)
            return;
        watch->SetEnabled(false);
        if (menuWindow) {
            RECT m;
            GetWindowRect(menuWindow, &m);
            menuAt = {m.left, m.top};
            HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                char text[64] = {};
                GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
                seen.push_back(text);
            }
            EndMenu();
        }
        form->Close();
    };
    watch->SetEnabled(true);
    // What the window gets from the system for a right-click there: the context-menu request
    // for itself at the cursor's screen position.
    PostMessageA(h, WM_CONTEXTMENU, WPARAM(h), MAKELPARAM(between.x, between.y));
    app.RunUntil([&] { return !IsWindow(h); });

    EXPECT_EQ(seen, (std::vector<std::string>{"&Help", "", "H&omepage", "", "&Check for Update", "",
                                              "&About..."}));
    EXPECT_EQ(menuAt.x, between.x);
    EXPECT_EQ(menuAt.y, between.y);
}

// Windows created by the process being watched, reported by the window system as they appear.
std::atomic<DWORD> watchedProcess{0};
std::atomic<int> windowsCreatedByWatched{0};
void CALLBACK CountCreatedWindows(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD,
                                  DWORD) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (event == EVENT_OBJECT_CREATE && object == OBJID_WINDOW && process == watchedProcess)
        ++windowsCreatedByWatched;
}

// A second Hivelet.exe finds this window by its class, posts WM_RESTOREINSTANCE, brings it
// forward and ends with exit code 0 without a window of its own.
TEST_F(MainWindowWin32Test, ASecondInstanceWakesThisOneAndEnds) {
    int woken = 0;
    form->Show();
    // Counted on top of the window's own handler, which restores the application.
    form->OnMessage(ui::WM_RESTOREINSTANCE, [&](uint64_t, int64_t) {
        ++woken;
        form->WMRestoreInstance();
    });
    app.Minimize();
    ASSERT_TRUE(app.IsMinimized());

    // Should the handshake fail, the image that does not exist ends that process at once instead
    // of letting it run on this machine.
    std::string command = "\"" + ProgramPath() + "\" --image Z:\\no-such-image /Silent";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Started held, so that every window it could create is seen.
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                               nullptr, nullptr, &si, &pi));
    watchedProcess = pi.dwProcessId;
    windowsCreatedByWatched = 0;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, CountCreatedWindows,
                        pi.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
    EXPECT_NE(hook, nullptr);
    ResumeThread(pi.hThread);
    // The loop must run while the other process looks for the window (FindWindow sends nothing,
    // but a foreground change can); wait for it to end, handling messages meanwhile.
    DWORD exitCode = 1;
    for (int i = 0; i < 600; ++i) {
        app.ProcessMessages();
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
    }
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // A /Silent that only woke this instance did none of its work: not done.
    EXPECT_EQ(exitCode, 1u);
    for (int i = 0; i < 20 && woken == 0; ++i) {
        app.ProcessMessages();
        Sleep(10);
    }
    EXPECT_EQ(woken, 1);
    if (hook)
        UnhookWinEvent(hook);
    EXPECT_EQ(windowsCreatedByWatched, 0) << "the second instance looks before it makes windows";
    EXPECT_FALSE(app.IsMinimized());
    // The /Silent of the second process reached nobody: no unattended run here.
    EXPECT_FALSE(form->Unattended);
    form->Close();
}

// The real window is closed the way taskkill or the taskbar closes it (a WM_CLOSE to the main
// window) while the analysis's progress dialog is up and its worker is in a save. The close waits
// for the worker, so it must first end the dialog and with it the worker's hand-over; then the
// snapshots go as with every close.
TEST_F(MainWindowWin32Test, ClosingTheWindowDuringAScanEndsTheScanAndCleansUp) {
    auto gate = std::make_shared<fake::Gate>();
    platform.AddKey(platform::RootKey::LocalMachine, "SYSTEM");
    fake::SaveScript held;
    held.gate = gate;
    held.sizeWhileHeld = 4096;
    platform.ScriptSave(platform::RootKey::LocalMachine, "SYSTEM", held);
    platform.AddKey(platform::RootKey::LocalMachine, "SOFTWARE");
    platform.SetStringValue(platform::RootKey::LocalMachine, catalogue::HiveListKey, SoftwareHive,
                            "\\Device\\HarddiskVolume2\\Windows\\System32\\config\\SOFTWARE");
    platform.AddFile(SoftwareFile, 262144);
    form->Show();
    HWND main = H(ui::win32::WindowOf(*form));

    std::atomic<bool> closed{false};
    std::atomic<bool> rescued{false};
    std::thread helper([&] {
        gate->WaitArrived();
        // As taskkill without /F: a close request to the top-level window, from outside.
        PostMessageA(main, WM_CLOSE, 0, 0);
        Sleep(100);
        gate->Release();
        // Should the close hang, the dialog's window is ended from here so that the test fails
        // instead of hanging.
        for (int i = 0; i < 500 && !closed; ++i)
            Sleep(10);
        if (!closed) {
            rescued = true;
            if (ui::Form* dialog = app.ActiveForm();
                dialog && dialog != form.get() && dialog->Slot()) {
                HWND window = H(ui::win32::WindowOf(*dialog));
                dialog->Slot()->Expire();
                PostMessageA(window, WM_CLOSE, 0, 0); // ends its modal loop
            }
        }
        // A UI thread that waits on the worker forever cannot be ended from here (the dialog's
        // loop never runs again): the process ends, failed, rather than the suite hanging.
        for (int i = 0; i < 500 && !closed; ++i)
            Sleep(10);
        if (!closed) {
            std::fprintf(stderr, "FAILED: closing the window during a scan hung the UI thread\n");
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    });
    form->bAnalyzeRegistryClick();
    closed = true;
    helper.join();
    EXPECT_FALSE(rescued) << "the close waited on the scan until the test ended the dialog";

    EXPECT_FALSE(form->Slot()) << "the window is closed";
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(form->Workers.Running(), 0u);
    EXPECT_FALSE(form->bDefragRegistry->Enabled());
    EXPECT_FALSE(platform.HasFile(std::string(SystemFile) + ".hvt"));
    EXPECT_FALSE(platform.HasFile(std::string(SoftwareFile) + ".hvt"));
    EXPECT_EQ(platform.Saves().size(), 1u) << "nothing was saved after the hive in hand";
}

} // namespace
} // namespace hivelet::shell::test
