#include "platform/regf/InputFile.h"

#include "platform/regf/Errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hivelet::regf {

InputFile::~InputFile() {
#if !defined(_WIN32)
    if (mapping_ != nullptr) {
        munmap(mapping_, mappedSize_);
    }
#endif
}

#if !defined(_WIN32)

// POSIX: map the file read-only; the pages come straight from the page cache.
Status InputFile::open(const std::string& path, uint64_t limit) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Failure(ErrorKind::Io, path, std::strerror(errno));
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Failure(ErrorKind::Io, path, "not a regular file");
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size > limit) {
        size = limit;
    }
    if (size > SIZE_MAX) {
        ::close(fd);
        return Failure(ErrorKind::TooLarge, path, "file too large to map");
    }
    if (size == 0) {
        ::close(fd);
        data_ = nullptr;
        size_ = 0;
        return {};
    }
    void* p =
        mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    int mapError = errno;
    ::close(fd);
    if (p == MAP_FAILED) {
        return Failure(ErrorKind::Io, path, std::strerror(mapError));
    }
    madvise(p, static_cast<size_t>(size), MADV_SEQUENTIAL);
    mapping_ = p;
    mappedSize_ = size;
    data_ = static_cast<const uint8_t*>(p);
    size_ = size;
    return {};
}

#else

// Elsewhere: one read into memory.
Status InputFile::open(const std::string& path, uint64_t limit) {
    std::error_code ec;
    std::filesystem::path p(path);
    if (!std::filesystem::is_regular_file(p, ec)) {
        return Failure(ErrorKind::Io, path, ec ? ec.message() : "not a regular file");
    }
    uint64_t size = std::filesystem::file_size(p, ec);
    if (ec) {
        return Failure(ErrorKind::Io, path, ec.message());
    }
    if (size > limit) {
        size = limit;
    }
    if (size > SIZE_MAX / 2) {
        return Failure(ErrorKind::TooLarge, path, "file too large to read");
    }
    std::ifstream in(p, std::ios::binary);
    if (!in) {
        return Failure(ErrorKind::Io, path, "cannot open for reading");
    }
    bytes_.resize(static_cast<size_t>(size));
    if (size > 0 &&
        !in.read(reinterpret_cast<char*>(bytes_.data()), static_cast<std::streamsize>(size))) {
        return Failure(ErrorKind::Io, path, "read failed");
    }
    data_ = bytes_.data();
    size_ = size;
    return {};
}

#endif

} // namespace hivelet::regf
