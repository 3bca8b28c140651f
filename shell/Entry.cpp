#include "shell/Entry.h"

#include "info/Product.h"
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
