// Stands in for the System Restore client library in the restore-point tests.
//
// SRSetRestorePointA appends where it was loaded from and the raw request it was given to the
// file named by HIVELET_FAKE_SR_LOG, fills in the status record, and answers TRUE unless the
// description begins with "fail". Built without the entry point (HIVELET_FAKE_SR_NO_ENTRY) it
// stands for a library that lacks it.
#include <windows.h>

#include <cstdint>
#include <cstring>

#ifdef HIVELET_FAKE_SR_NO_ENTRY
extern "C" __declspec(dllexport) BOOL WINAPI SRRemoveRestorePoint(DWORD) {
    return FALSE;
}
#else
namespace {

constexpr DWORD RequestBytes = 0x50; // the packed RESTOREPOINTINFOA

void Append(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    WriteFile(file, data, size, &written, nullptr);
}

} // namespace

extern "C" __declspec(dllexport) BOOL WINAPI
    SRSetRestorePointA(const unsigned char* request, unsigned char* status) {
    char log[MAX_PATH] = {};
    if (GetEnvironmentVariableA("HIVELET_FAKE_SR_LOG", log, MAX_PATH) > 0) {
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&SRSetRestorePointA), &self);
        char path[MAX_PATH] = {};
        DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            Append(file, path, length);
            Append(file, "\n", 1);
            Append(file, request, RequestBytes);
            CloseHandle(file);
        }
    }
    // STATEMGRSTATUS, packed: the status at 0, the sequence number at 4.
    DWORD ok = 0;
    int64_t sequence = 42;
    std::memcpy(status, &ok, sizeof(ok));
    std::memcpy(status + 4, &sequence, sizeof(sequence));
    return std::memcmp(request + 0x10, "fail", 4) != 0;
}
#endif
