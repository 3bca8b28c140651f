#include "shell/WindowsVersion.h"

namespace hivelet::shell {

int GetWindowsVersionCode(platform::Platform& platform) {
    const platform::VersionInfo v = platform.GetVersion();
    if (!v.ok) {
        return 0;
    }
    if (v.platformId == platform::PlatformWin32Nt) {
        switch (v.major) {
        case 3:
            return 5;
        case 4:
            return 6;
        case 5:
            return v.minor == 1 ? 9 : v.minor == 2 ? 10 : 7;
        case 6:
            return v.minor == 1 ? 12 : 11;
        default:
            return 0;
        }
    }
    if (v.major == 4) {
        switch (v.minor) {
        case 0:
            return 1;
        case 10:
            return 3;
        case 90:
            return 8;
        default:
            break;
        }
    }
    return 0;
}

bool IsSupportedWindowsVersion(int code) {
    return (code >= 5 && code <= 7) || (code >= 9 && code <= 12);
}

bool OffersRestorePoint(int code) {
    return code >= 9 && code <= 12;
}

} // namespace hivelet::shell
