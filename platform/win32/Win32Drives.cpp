// Drive letters, drive types and the kernel device names behind them.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

#include <vector>

namespace hivelet::platform::win32 {

uint32_t Win32Platform::GetLogicalDriveStrings(uint32_t bufferChars, std::string& buffer) {
    buffer.clear();
    // One spare byte beyond what the service is told, for a final terminator it may add.
    std::vector<char> chars(static_cast<size_t>(bufferChars) + 1, '\0');
    DWORD length = GetLogicalDriveStringsA(bufferChars, chars.data());
    if (length == 0 || length > bufferChars) {
        return length; // failure, or the size needed: nothing usable was copied
    }
    buffer.assign(chars.data(), length);
    return length;
}

uint32_t Win32Platform::GetDriveType(const std::string& root) {
    return GetDriveTypeA(root.c_str());
}

bool Win32Platform::QueryDosDevice(const std::string& device, uint32_t bufferChars,
                                   std::string& firstTarget) {
    firstTarget.clear();
    std::vector<char> targets(static_cast<size_t>(bufferChars) + 1, '\0');
    DWORD length = QueryDosDeviceA(device.c_str(), targets.data(), bufferChars);
    if (length == 0) {
        return false;
    }
    // The answer is a list of NUL-terminated targets; the first one is the current mapping.
    size_t end = 0;
    while (end < length && end < bufferChars && targets[end] != '\0') {
        ++end;
    }
    firstTarget.assign(targets.data(), end);
    return true;
}

} // namespace hivelet::platform::win32
