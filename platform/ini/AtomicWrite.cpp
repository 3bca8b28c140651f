#include "platform/ini/AtomicWrite.h"

#include "platform/RandomBytes.h"
#include "platform/SyncFolder.h"

#include <atomic>
#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hivelet::ini {

namespace fs = std::filesystem;

namespace {

fs::path TemporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    std::string name = "." + target.filename().string() + ".tmp" +
                       std::to_string(platform::RandomWord()) + "-" + std::to_string(counter++);
    return target.parent_path() / name;
}

#ifndef _WIN32
bool WriteNew(const fs::path& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const char* p = bytes.data();
    size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
    }
    if (::close(fd) != 0) {
        ok = false;
    }
    return ok;
}

#else
bool WriteNew(const fs::path& path, std::string_view bytes) {
    std::error_code ec;
    if (fs::exists(path, ec)) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return static_cast<bool>(out);
}
#endif

} // namespace

bool IsReadOnly(const fs::path& path) {
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st)) {
        return false;
    }
    constexpr fs::perms anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (st.permissions() & anyWrite) == fs::perms::none;
}

bool WriteFileAtomically(const fs::path& target, std::string_view bytes) {
    std::error_code ec;
    fs::path folder = target.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        return false;
    }
#ifndef _WIN32
    // Windows ignores the read-only attribute of a folder; elsewhere a folder without write bits
    // is read-only even for an administrator, as it would be for a user on Windows.
    if (!folder.empty() && IsReadOnly(folder)) {
        return false;
    }
#endif
    fs::file_status old = fs::status(target, ec);
    bool replacing = !ec && fs::exists(old);
    if (replacing && (!fs::is_regular_file(old) || IsReadOnly(target))) {
        return false;
    }
    fs::path temp = TemporaryBeside(target);
    if (!WriteNew(temp, bytes)) {
        fs::remove(temp, ec);
        return false;
    }
    if (replacing) {
        fs::permissions(temp, old.permissions(), ec);
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    platform::SyncFolder(folder);
    return true;
}

} // namespace hivelet::ini
