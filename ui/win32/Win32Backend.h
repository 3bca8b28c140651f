// The Win32 backend: real windows through the A functions. Forms never see it; MakeBackend()
// picks it in the Windows build. The accessors below let the Win32 tests read the real windows
// back through the Win32 API.
#pragma once

#include "ui/Backend.h"

#include <memory>

namespace hivelet::ui::win32 {

std::unique_ptr<Backend> MakeWin32Backend();

// The native window of a form or of a windowed control (0 when it has none: not created yet,
// or a graphic control, which its container draws).
NativeWindow WindowOf(const Form& form);
NativeWindow WindowOf(const Control& control);
// The window a control is drawn in or sits in (the form's or its group box's).
NativeWindow ContainerOf(const Control& control);
// The form's tooltip window (one per form), 0 when none.
NativeWindow TooltipOf(const Form& form);
// The invisible application window that carries the taskbar button.
NativeWindow AppWindowOf(const Application& app);

} // namespace hivelet::ui::win32
