#include "platform/win32/SystemLibrary.h"

#include <vector>

namespace hivelet::platform::win32 {

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;
#endif

// A file name, not a path: anything with a separator would leave the system folder.
bool IsPlainFileName(const std::string& fileName) {
    return !fileName.empty() && fileName.find_first_of("\\/:") == std::string::npos;
}

UniqueModule LoadByFullPath(const std::string& fileName) {
    std::vector<char> folder(MAX_PATH);
    UINT length = GetSystemDirectoryA(folder.data(), static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {
        folder.resize(length + 1);
        length = GetSystemDirectoryA(folder.data(), static_cast<UINT>(folder.size()));
    }
    if (length == 0 || length >= folder.size()) {
        return {};
    }
    std::string path(folder.data(), length);
    if (path.back() != '\\') {
        path += '\\';
    }
    path += fileName;
    return UniqueModule(LoadLibraryA(path.c_str()));
}

} // namespace

SystemFolderLoad PreferredSystemFolderLoad() {
    HMODULE kernel32 = GetModuleHandleA("kernel32");
    bool understood = kernel32 && GetProcAddress(kernel32, "AddDllDirectory") != nullptr;
    return understood ? SystemFolderLoad::SearchFlag : SystemFolderLoad::FullPath;
}

UniqueModule LoadFromSystemFolder(const std::string& fileName, SystemFolderLoad how) {
    if (!IsPlainFileName(fileName)) {
        return {};
    }
    if (how == SystemFolderLoad::SearchFlag) {
        UniqueModule module(
            LoadLibraryExA(fileName.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (module || GetLastError() != ERROR_INVALID_PARAMETER) {
            return module;
        }
    }
    return LoadByFullPath(fileName);
}

} // namespace hivelet::platform::win32
