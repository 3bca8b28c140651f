// The end of the session as the program learns of it. Windows ends a session after the call that
// asked for the restart has returned, and a program hears of it through its message loop; a
// system image restarts within that call. This connects the two: the image's news is posted to
// the main window, so the handler that restarted finishes first, and an unattended sequence,
// which closes the window right after the restart, closes it normally and saves the settings.
#pragma once

#include "platform/Platform.h"
#include "shell/Main.h"

#include <functional>

namespace hivelet::shell {

// Posted to the main window when the system has ended the session.
inline constexpr uint32_t WM_SESSIONENDED = ui::wm::App + 0x10;

class SessionEnd {
public:
    // `whileRunning` runs on the UI thread when the news reaches a main window that is still
    // open (it ends the program, as Windows would); a window closed first never runs it.
    SessionEnd(platform::Platform& platform, TfrmMain& form, std::function<void()> whileRunning);
    ~SessionEnd();
    SessionEnd(const SessionEnd&) = delete;
    SessionEnd& operator=(const SessionEnd&) = delete;

    // The system ended the session during this run, whether or not the window heard of it.
    bool Ended() const { return ended_; }

private:
    platform::Platform& platform_;
    bool ended_ = false;
};

} // namespace hivelet::shell
