// Version, WOW64 and the restart.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"
#include "platform/win32/Wow64.h"

#include <cstring>

namespace hivelet::platform::win32 {

void SuppressSystemErrorBoxes() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

// The structure size GetVersionExA is told; larger sizes would ask for OSVERSIONINFOEXA.
static_assert(sizeof(OSVERSIONINFOA) == 148);

VersionInfo Win32Platform::GetVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    VersionInfo version;
    if (!GetVersionExA(&info)) {
        return version;
    }
    version.ok = true;
    version.platformId = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.build = info.dwBuildNumber;
    version.servicePack.assign(info.szCSDVersion,
                               strnlen(info.szCSDVersion, sizeof(info.szCSDVersion)));
    return version;
}

std::optional<bool> IsWow64ProcessIn(HMODULE kernel32) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    if (!kernel32) {
        return std::nullopt;
    }
    auto entry = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "IsWow64Process")));
    if (!entry) {
        return std::nullopt;
    }
    BOOL wow64 = FALSE;
    if (!entry(GetCurrentProcess(), &wow64)) {
        return false;
    }
    return wow64 != FALSE;
}

std::optional<bool> Win32Platform::IsWow64Process() {
    // kernel32 is always loaded; GetModuleHandleA takes no reference, so there is nothing to free.
    return IsWow64ProcessIn(GetModuleHandleA("kernel32"));
}

Status Win32Platform::ExitWindows(uint32_t flags, uint32_t reason) {
    if (!ExitWindowsEx(flags, reason)) {
        return Status::Fail(GetLastError());
    }
    return Status::Ok();
}

void Win32Platform::SetSessionEndHandler(std::function<void()> handler) {
    // Windows ends the process itself when the session ends; the handler is kept for symmetry
    // with the system image, whose restart runs it.
    sessionEndHandler_ = std::move(handler);
}

} // namespace hivelet::platform::win32
