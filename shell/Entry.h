// Process entry shared by the Windows and the Linux build, once the window backend and the
// platform are chosen.
#pragma once

#include "platform/Platform.h"
#include "shell/Main.h"
#include "ui/Application.h"
#include "ui/Backend.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace hivelet::shell {

// Looks for a running Hivelet by its main window's class. When there is one, posts
// WM_RESTOREINSTANCE to it, brings it to the front and returns true: this process then ends
// without passing its command line on (see SecondInstanceExit).
bool WakeRunningInstance(ui::Backend& backend);

// The exit code of a process that woke a running Hivelet instead of starting: ExitDone, except
// for an unattended run (/Scan, /Silent), which did none of the work it was started for and ends
// as ExitNotDone, saying why on `err` (a scheduler must not take an earlier run's results for its
// own).
int SecondInstanceExit(const std::vector<std::string>& arguments, std::ostream& err);

// The application object of this process, or nullptr when a running Hivelet was woken instead.
// The lookup comes first because the application object creates the application window: a
// second instance creates no window at all.
std::unique_ptr<ui::Application> StartApplication(std::unique_ptr<ui::Backend> backend);

// Gives the application its title and its web-page opener (the platform's shell, no owner
// window), and creates the main window (FormCreate has run). The caller runs it with app.Run.
std::unique_ptr<TfrmMain> CreateMainWindow(ui::Application& app, platform::Platform& platform,
                                           std::vector<std::string> arguments);

} // namespace hivelet::shell
