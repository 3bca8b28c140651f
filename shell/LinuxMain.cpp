// The native Linux build: works on a Windows system image with no screen. Without a switch it
// lists the hives; /Scan and /Silent run as on Windows, with every message box printed to the
// terminal and answered with its default button, and print the results at the end.
#include "analysis/ScanProgressLine.h"
#include "catalogue/DevicePath.h"
#include "catalogue/HiveList.h"
#include "info/Product.h"
#include "platform/image/ImagePlatform.h"
#include "shell/CommandLine.h"
#include "shell/Console.h"
#include "shell/Entry.h"
#include "shell/InstallationStart.h"
#include "shell/SessionEnd.h"
#include "shell/Usage.h"
#include "shell/WindowsVersion.h"
#include "ui/MakeBackend.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <sys/ioctl.h>
#include <unistd.h>

using namespace hivelet;

namespace {

constexpr const char* ProgramName = "hivelet";

// Posted before the loop starts, handled after FormShow: a run that FormShow did not turn into
// an unattended sequence (for example on an unsupported system) has nothing more to do here.
constexpr uint32_t EndIfInteractive = ui::wm::App + 1;

size_t TerminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

int ListHives(platform::Platform& platform) {
    if (!shell::IsSupportedWindowsVersion(shell::GetWindowsVersionCode(platform)))
        std::cerr << shell::MessageBoxLine(info::ProductTitle,
                                           "The software does not support the current Windows "
                                           "system!")
                  << "\n";
    catalogue::HiveList list;
    catalogue::LoadHiveList(platform, catalogue::DetectWow64(platform), list);
    std::cout << shell::HiveListReport(list.HiveNames, list.HiveFiles);
    return 0;
}

// Beside each row of the results (named by its hive): recovered from its logs, or why it was
// skipped.
std::vector<std::string> SaveNotes(const shell::TfrmMain& form,
                                   const image::ImagePlatform& platform) {
    std::vector<std::string> notes;
    for (size_t r = 0; r < form.lvMain->ItemCount(); ++r)
        notes.push_back(platform.SaveNote(form.lvMain->Item(r).caption));
    return notes;
}

} // namespace

int main(int argc, char** argv) {
    const shell::CommandLine cl = shell::ParseCommandLine({argv + 1, argv + argc});
    const std::string usage = shell::UsageLine(shell::Build::Linux, ProgramName);
    if (!cl.error.empty()) {
        std::cerr << "hivelet: " << cl.error << " (" << usage << ")\n";
        return shell::ExitBadArguments;
    }
    if (cl.help) {
        std::cout << shell::HelpText(shell::Build::Linux, ProgramName);
        return shell::ExitDone;
    }
    if (cl.version) {
        std::cout << shell::VersionLine() << "\n";
        return shell::ExitDone;
    }
    if (!cl.imageDir && !cl.windowsRoot) {
        std::cerr << "hivelet: this build works on a Windows system image; give its folder with "
                     "--image DIR, or a Windows installation's folder with --windows ROOT ("
                  << usage << ")\n";
        return shell::ExitBadArguments;
    }

    // No screen: every box is printed and answered with its default button. An error box means
    // the run did not do all it should, which the exit code tells.
    bool errorShown = false;
    // The progress line of an analysis, only for a person watching a terminal.
    const bool progressLine = isatty(STDERR_FILENO) == 1;
    ui::BackendOptions options;
    options.answerWithoutScreen = [&errorShown, progressLine](const ui::MessageBoxRequest& box) {
        if (progressLine)
            std::cerr << analysis::ScanProgressLine("", "", 0);
        std::cerr << shell::MessageBoxLine(box.caption, box.text) << "\n";
        if ((box.flags & ui::mb::IconMask) == ui::mb::IconError)
            errorShown = true;
        return shell::DefaultMessageBoxAnswer(box.flags);
    };
    const std::unique_ptr<ui::Application> application =
        shell::StartApplication(ui::MakeBackend(options));
    if (!application)
        return shell::SecondInstanceExit(cl.arguments, std::cerr);
    ui::Application& app = *application;

    std::unique_ptr<image::ImagePlatform> platform;
    if (cl.windowsRoot) {
        platform = shell::OpenInstallation(cl, std::cout, std::cerr);
        if (!platform)
            return 1;
        if (cl.undo)
            return shell::UndoLastCompaction(*platform, std::cout, std::cerr);
    } else {
        try {
            platform = std::make_unique<image::ImagePlatform>(*cl.imageDir);
        } catch (const std::exception& e) {
            std::cerr << "hivelet: cannot use the system image: " << e.what() << "\n";
            return 1;
        }
    }
    const std::optional<image::BootOutcome> started = platform->lastBoot();
    const unsigned runsBefore = started ? started->number : 0;

    if (shell::FirstArgumentSwitch(cl.arguments) == shell::UnattendedSwitch::None)
        return ListHives(*platform);

    std::unique_ptr<shell::TfrmMain> form = shell::CreateMainWindow(app, *platform, cl.arguments);
    auto reportRestart = [&platform] {
        const std::optional<image::BootOutcome> boot = platform->lastBoot();
        std::cout << "\nThe system image restarted";
        if (boot)
            std::cout << ": " << boot->replaced.size() << " hive(s) replaced";
        std::cout << ".\n";
    };
    // A restart that reaches a window still open ends the program as Windows ends it: at once,
    // without closing the window. /Silent closes its window first, as it does on Windows.
    shell::SessionEnd sessionEnd(*platform, *form, [&form, &platform, &reportRestart] {
        std::cout << shell::AnalysisReport(*form, SaveNotes(*form, *platform));
        reportRestart();
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(0);
    });
    form->OnUnattendedMessage = [progressLine](const std::string& line) {
        if (progressLine)
            std::cerr << analysis::ScanProgressLine("", "", 0);
        std::cerr << line << std::endl;
    };
    if (progressLine) {
        form->OnScanProgress = [](const std::string& percent, const std::string& hive) {
            std::cerr << analysis::ScanProgressLine(percent, hive, TerminalColumns(STDERR_FILENO))
                      << std::flush;
        };
    }
    form->OnMessage(EndIfInteractive, [&form](uint64_t, int64_t) {
        if (!form->Unattended)
            form->Close();
    });
    form->Post(EndIfInteractive);
    app.Run(*form);

    if (!form->Unattended)
        return shell::ExitNotDone; // FormShow refused the run; its message is on the terminal
    std::cout << shell::AnalysisReport(*form, SaveNotes(*form, *platform));
    if (sessionEnd.Ended())
        reportRestart();
    if (platform->ReplacesHivesAtOnce()) {
        const std::string replaced = shell::ReplacedAtOnceReport(*platform, runsBefore);
        std::cout << replaced;
        if (replaced.find("not replaced:") != std::string::npos)
            return shell::ExitNotDone;
    }
    return errorShown ? shell::ExitNotDone : form->ExitCode();
}
