// The Windows build: real windows on the live system, on a system image with --image DIR, or on
// a Windows installation that is not running with --windows ROOT.
// `main` serves as the entry of the GUI executable (the C runtime calls it for either
// subsystem), so no Windows header is needed here.
#include "platform/image/ImagePlatform.h"
#include "platform/win32/Win32Platform.h"
#include "shell/CommandLine.h"
#include "shell/Entry.h"
#include "shell/InstallationStart.h"
#include "shell/SessionEnd.h"
#include "shell/Usage.h"
#include "ui/MakeBackend.h"

#include <cstdlib>
#include <iostream>
#include <memory>

using namespace hivelet;

int main(int argc, char** argv) {
    const shell::CommandLine cl = shell::ParseCommandLine({argv + 1, argv + argc});
    if (!cl.error.empty()) {
        std::cerr << "Hivelet: " << cl.error << "\n";
        return shell::ExitBadArguments;
    }
    if (cl.help || cl.version) {
        std::cout << (cl.help ? shell::HelpText(shell::Build::Windows, "Hivelet.exe")
                              : shell::VersionLine() + "\n");
        return shell::ExitDone;
    }

    if (shell::FirstArgumentSwitch(cl.arguments) != shell::UnattendedSwitch::None)
        platform::win32::SuppressSystemErrorBoxes();
    const std::unique_ptr<ui::Application> application = shell::StartApplication(ui::MakeBackend());
    if (!application)
        return shell::SecondInstanceExit(cl.arguments, std::cerr);
    ui::Application& app = *application;

    std::unique_ptr<platform::Platform> platform;
    if (cl.windowsRoot) {
        std::unique_ptr<image::ImagePlatform> installation =
            shell::OpenInstallation(cl, std::cout, std::cerr);
        if (!installation)
            return 1;
        if (cl.undo)
            return shell::UndoLastCompaction(*installation, std::cout, std::cerr);
        platform = std::move(installation);
    } else if (cl.imageDir) {
        try {
            platform = std::make_unique<image::ImagePlatform>(*cl.imageDir);
        } catch (const std::exception& e) {
            std::cerr << "Hivelet: cannot use the system image: " << e.what() << "\n";
            return 1;
        }
    } else {
        platform = std::make_unique<platform::win32::Win32Platform>();
    }

    std::unique_ptr<shell::TfrmMain> form = shell::CreateMainWindow(app, *platform, cl.arguments);
    // A restart of the image that reaches a window still open ends the program as Windows would:
    // at once (Windows itself ends the process on the live system).
    shell::SessionEnd sessionEnd(*platform, *form, [] { std::_Exit(0); });
    app.Run(*form);
    return form->ExitCode();
}
