// The executable's path, the clock and the user's regional formats.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

#include <vector>

namespace hivelet::platform::win32 {

std::string Win32Platform::ExecutablePath() {
    std::vector<char> path(MAX_PATH);
    // A path that fills the buffer may have been cut: grow until it fits.
    while (path.size() <= 32768) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            return std::string(path.data(), length);
        }
        path.resize(path.size() * 2);
    }
    return {};
}

int64_t Win32Platform::MonotonicMilliseconds() {
    return static_cast<int64_t>(GetTickCount64());
}

namespace {

// Formats `when` with one of the GetDateFormatA/GetTimeFormatA pair; empty on failure.
template <typename FormatFn> std::string FormatWith(FormatFn format) {
    char text[128] = {};
    int length = format(text, static_cast<int>(sizeof(text)));
    return length > 0 ? std::string(text) : std::string();
}

} // namespace

std::string Win32Platform::LocalDateTimeText() {
    // One reading of the clock for both halves, so midnight cannot fall between them.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::string date = FormatWith([&](char* text, int size) {
        return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, text, size);
    });
    std::string time = FormatWith([&](char* text, int size) {
        return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, size);
    });
    return date + " " + time;
}

std::string Win32Platform::DecimalSeparator() {
    char separator[8] = {}; // the locale allows at most three characters and a terminator
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator,
                       static_cast<int>(sizeof(separator))) <= 0 ||
        separator[0] == '\0') {
        return ".";
    }
    return separator;
}

} // namespace hivelet::platform::win32
