#include "shell/Entry.h"

#include "shell/Product.h"

namespace hivelet::shell {

bool WakeRunningInstance(ui::Application& app) {
    const std::optional<ui::NativeWindow> running = app.FindWindowByClass(MainWindowClassName);
    if (!running)
        return false;
    app.PostTo(*running, WM_RESTOREINSTANCE, 0, 0);
    app.BringToFront(*running);
    return true;
}

std::unique_ptr<TfrmMain> CreateMainWindow(ui::Application& app, platform::Platform& platform,
                                           std::vector<std::string> arguments) {
    app.SetTitle(ProductTitle);
    app.SetUrlOpener([&platform](const std::string& url) { platform.OpenWebPage(url, 0); });
    return ui::CreateForm<TfrmMain>(app, platform, std::move(arguments));
}

} // namespace hivelet::shell
