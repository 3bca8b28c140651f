#include "shell/SessionEnd.h"

namespace hivelet::shell {

SessionEnd::SessionEnd(platform::Platform& platform, TfrmMain& form,
                       std::function<void()> whileRunning)
    : platform_(platform) {
    form.OnMessage(WM_SESSIONENDED,
                   [whileRunning = std::move(whileRunning)](uint64_t, int64_t) { whileRunning(); });
    // The restart is asked for on the UI thread, where the post is allowed; a closed window
    // takes no posts.
    platform_.SetSessionEndHandler([this, &form] {
        ended_ = true;
        form.Post(WM_SESSIONENDED);
    });
}

SessionEnd::~SessionEnd() {
    platform_.SetSessionEndHandler({});
}

} // namespace hivelet::shell
