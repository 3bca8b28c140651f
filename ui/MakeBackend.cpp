#include "ui/MakeBackend.h"

#ifdef _WIN32
#include "ui/win32/Win32Backend.h"
#else
#include "ui/headless/HeadlessBackend.h"
#endif

namespace hivelet::ui {

std::unique_ptr<Backend> MakeBackend() {
#ifdef _WIN32
    return win32::MakeWin32Backend();
#else
    headless::Options options;
    options.realTime = true;
    return headless::MakeHeadlessBackend(options);
#endif
}

} // namespace hivelet::ui
