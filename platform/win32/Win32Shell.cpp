// Opening a web page with the user's browser.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

#include <shellapi.h>

namespace hivelet::platform::win32 {

bool Win32Platform::OpenWebPage(const std::string& address, uintptr_t ownerWindow,
                                int showCommand) {
    HINSTANCE result = ShellExecuteA(reinterpret_cast<HWND>(ownerWindow), "Open", address.c_str(),
                                     nullptr, nullptr, showCommand);
    // Values above 32 mean success; smaller ones are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace hivelet::platform::win32
