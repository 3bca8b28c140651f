// Reporting to the Application event log, for runs that nobody watches.
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WindowsApi.h"

namespace hivelet::platform::win32 {

bool Win32Platform::ReportErrorEvent(const std::string& source, const std::string& text) {
    HANDLE log = RegisterEventSourceA(nullptr, source.c_str());
    if (!log) {
        return false;
    }
    // No message file is registered for the source: the log shows the string as it is.
    const char* strings[] = {text.c_str()};
    const BOOL reported =
        ReportEventA(log, EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(log);
    return reported != FALSE;
}

} // namespace hivelet::platform::win32
