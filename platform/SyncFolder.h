// Flushing a folder's entries to disk: a file created, linked or renamed keeps its new name
// across a power cut only once its folder has been flushed too, however well its bytes were.
#pragma once

#include <filesystem>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace hivelet::platform {

// Best effort: a folder that cannot be opened or flushed leaves the names as the system keeps
// them. Windows has no flush of a folder; NTFS logs name changes itself.
inline void SyncFolder(const std::filesystem::path& folder) {
#if defined(_WIN32)
    (void)folder;
#else
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

} // namespace hivelet::platform
