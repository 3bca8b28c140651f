// File existence, deletion, the exclusive-open test and sizes from directory entries.
#include "platform/win32/Handles.h"
#include "platform/win32/Win32Platform.h"

#include <vector>

namespace hivelet::platform::win32 {

namespace {

// The exclusive-open test asks for read and write access, shares nothing and opens only an
// existing file with normal attributes.
constexpr DWORD ExclusiveAccess = GENERIC_READ | GENERIC_WRITE;
static_assert(ExclusiveAccess == 0xC0000000u);
static_assert(OPEN_EXISTING == 3 && FILE_ATTRIBUTE_NORMAL == 0x80);

// GetFullPathNameA, growing the buffer when the first one is too small. Empty on failure.
std::string FullPathName(const std::string& path) {
    std::vector<char> full(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD length =
            GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            return {};
        }
        if (length < full.size()) {
            return std::string(full.data(), length);
        }
        full.resize(length + 1); // length is the size needed, terminator included
    }
    return {};
}

} // namespace

bool Win32Platform::FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Platform::DeleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Platform::MoveFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), 0) != FALSE;
}

bool Win32Platform::OpenExclusive(const std::string& path) {
    // Windows refuses write access to a read-only file; Wine running as root grants it. Refuse
    // here so that such a file counts as locked everywhere.
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    UniqueFile file(CreateFileA(path.c_str(), ExclusiveAccess, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

std::optional<uint64_t> Win32Platform::FindFileSize(const std::string& path) {
    // A name with wildcards names no file; searching with it would measure whichever file
    // happened to match first.
    if (path.find_first_of("*?") != std::string::npos) {
        return std::nullopt;
    }
    std::string full = FullPathName(path);
    if (full.empty()) {
        return std::nullopt;
    }
    WIN32_FIND_DATAA entry{};
    UniqueFind search(FindFirstFileA(full.c_str(), &entry));
    if (!search) {
        return std::nullopt;
    }
    return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

} // namespace hivelet::platform::win32
