// The one place that picks the backend, once, at startup: the Win32 backend in the Windows
// build, the headless backend (on the real-time clock) in the native Linux build.
#pragma once

#include "ui/Backend.h"

#include <memory>

namespace hivelet::ui {

std::unique_ptr<Backend> MakeBackend();

} // namespace hivelet::ui
