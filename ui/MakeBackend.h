// The one place that picks the backend, once, at startup: the Win32 backend in the Windows
// build, the headless backend (on the real-time clock) in the native Linux build. The entry
// point calls it and hands the result to Application; nothing else names a backend.
#pragma once

#include "ui/Backend.h"

#include <functional>
#include <memory>
#include <string>

namespace hivelet::ui {

struct BackendOptions {
    // With no screen (the native build): answers each message box, and may show it (print it).
    // Unset, a box answers with its default button. The Win32 build shows real boxes instead.
    std::function<int(const MessageBoxRequest&)> answerWithoutScreen;
};

std::unique_ptr<Backend> MakeBackend(const BackendOptions& options = {});

} // namespace hivelet::ui
