#include "ui/MakeBackend.h"

#ifdef _WIN32
#include "ui/win32/Win32Backend.h"
#else
#include "ui/headless/HeadlessBackend.h"
#endif

namespace hivelet::ui {

std::unique_ptr<Backend> MakeBackend(const BackendOptions& options) {
#ifdef _WIN32
    (void)options;
    return win32::MakeWin32Backend();
#else
    auto backend = std::make_unique<headless::HeadlessBackend>();
    if (auto answer = options.answerWithoutScreen)
        backend->OnMessageBox = [answer](const headless::MessageBoxRecord& box) {
            return answer(MessageBoxRequest{box.text, box.caption, box.flags});
        };
    return backend;
#endif
}

} // namespace hivelet::ui
