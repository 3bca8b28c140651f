// Flushing a file's bytes to disk: a file made by copying holds its bytes only in the system's
// cache until then, so giving it a name that stands for a complete file must wait for the flush.
#pragma once

#include <filesystem>

#include <fcntl.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace hivelet::platform {

// False when the file cannot be opened or its bytes cannot be flushed.
inline bool SyncFile(const std::filesystem::path& file) {
#if defined(_WIN32)
    int fd = _wopen(file.c_str(), _O_RDWR | _O_BINARY); // _commit needs write access
    if (fd < 0) {
        return false;
    }
    const bool ok = _commit(fd) == 0;
    return _close(fd) == 0 && ok;
#else
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
#endif
}

} // namespace hivelet::platform
