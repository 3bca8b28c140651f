#include "shell/Entry.h"

#include "info/Product.h"
#include "shell/CommandLine.h"
#include "shell/Usage.h"
#include "ui/WindowMessages.h"

namespace hivelet::shell {

bool WakeRunningInstance(ui::Backend& backend) {
    const std::optional<ui::NativeWindow> running =
        backend.FindWindowByClass(info::MainWindowClassName);
    if (!running)
        return false;
    backend.PostToNative(*running, ui::WM_RESTOREINSTANCE, 0, 0);
    backend.BringToFront(*running);
    return true;
}

int SecondInstanceExit(const std::vector<std::string>& arguments, std::ostream& err) {
    if (FirstArgumentSwitch(arguments) == UnattendedSwitch::None)
        return ExitDone;
    err << "Hivelet: another Hivelet is running; this run did nothing\n";
    return ExitNotDone;
}

std::unique_ptr<ui::Application> StartApplication(std::unique_ptr<ui::Backend> backend) {
    if (WakeRunningInstance(*backend))
        return nullptr;
    return std::make_unique<ui::Application>(std::move(backend));
}

std::unique_ptr<TfrmMain> CreateMainWindow(ui::Application& app, platform::Platform& platform,
                                           std::vector<std::string> arguments) {
    app.SetTitle(info::ProductTitle);
    app.SetUrlOpener([&platform](const std::string& url) {
        platform.OpenWebPage(url, 0, platform::show::Show);
    });
    return ui::CreateForm<TfrmMain>(app, platform, std::move(arguments));
}

} // namespace hivelet::shell
