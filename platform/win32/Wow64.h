// WOW64 detection through an entry point looked up at run time, because kernel32 of older
// Windows releases has no IsWow64Process.
#pragma once

#include "platform/win32/WindowsApi.h"

#include <optional>

namespace hivelet::platform::win32 {

// Looks up IsWow64Process in `kernel32` (a loaded module) and asks it about this process:
// nullopt when the module has no such entry; false when the call fails or leaves its answer unset.
std::optional<bool> IsWow64ProcessIn(HMODULE kernel32);

} // namespace hivelet::platform::win32
