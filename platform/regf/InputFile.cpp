#include "platform/regf/InputFile.h"

#include "platform/regf/Errors.h"
#include "platform/regf/LogFiles.h"
#include "platform/regf/Recovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace hivelet::regf {

namespace {

namespace fs = std::filesystem;

// The file, opened for reading; closed on leaving. Plain descriptors rather than a stream: a
// stream's first use sets up locale machinery that costs more than reading a small hive.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) {
#if defined(_WIN32)
        fd_ = _wopen(fs::path(path).c_str(), _O_RDONLY | _O_BINARY);
#else
        // Non-blocking, so that a FIFO put where the hive was cannot hold the open until some
        // writer appears; a regular file ignores the flag.
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
#endif
        error_ = errno;
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) {
#if defined(_WIN32)
            _close(fd_);
#else
            ::close(fd_);
#endif
        }
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool open() const {
        return fd_ >= 0;
    }
    int openError() const {
        return error_;
    }
    // Whether it is a regular file, and its size.
    bool regular(uint64_t& size) const {
#if defined(_WIN32)
        struct _stat64 st;
        if (_fstat64(fd_, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
            return false;
        }
#else
        struct stat st;
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            return false;
        }
#endif
        size = static_cast<uint64_t>(st.st_size);
        return true;
    }
    // Exactly `size` bytes, or false (an error, or the file ended first).
    bool readAll(uint8_t* out, uint64_t size) const {
        while (size > 0) {
            unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
#if defined(_WIN32)
            int n = _read(fd_, out, chunk);
#else
            ssize_t n = ::read(fd_, out, chunk);
            if (n < 0 && errno == EINTR) {
                continue;
            }
#endif
            if (n <= 0) {
                return false;
            }
            out += n;
            size -= static_cast<uint64_t>(n);
        }
        return true;
    }

private:
    int fd_ = -1;
    int error_ = 0;
};

} // namespace

Status InputFile::read(const std::string& path, uint64_t limit,
                       const std::function<Status(uint64_t)>& arrived) {
    ReadOnlyFile file(path);
    if (!file.open()) {
        std::error_code ec;
        return Failure(ErrorKind::Io, path,
                       file.openError() == ENOENT ? "no such file"
                       : fs::is_directory(fs::path(path), ec)
                           ? "not a regular file" // Windows will not open a folder as a file
                           : std::string("cannot open: ") + std::strerror(file.openError()));
    }
    uint64_t size = 0;
    if (!file.regular(size)) {
        return Failure(ErrorKind::Io, path, "not a regular file");
    }
    size = std::min(size, limit);
    if (size > SIZE_MAX / 2) {
        return Failure(ErrorKind::TooLarge, path, "file too large to read");
    }
    bytes_ = AllocateBulk(static_cast<size_t>(size));
    size_ = size;
    // Pieces small enough to be still in cache when `arrived` looks at them.
    constexpr uint64_t kPiece = uint64_t{1} << 20;
    uint64_t done = 0;
    do {
        uint64_t piece = std::min(kPiece, size - done);
        if (!file.readAll(bytes_.get() + done, piece)) {
            return Failure(ErrorKind::Io, path, "read failed");
        }
        done += piece;
        if (Status s = arrived(done); !s.ok()) {
            return s;
        }
    } while (done < size);
    return {};
}

void InputFile::resize(uint64_t size) {
    if (size <= size_) {
        size_ = size;
        return;
    }
    auto bigger = AllocateBulk(static_cast<size_t>(size));
    std::memcpy(bigger.get(), bytes_.get(), static_cast<size_t>(size_));
    bytes_ = std::move(bigger);
    size_ = size;
}

namespace {

Status RecoverAndOpen(const std::string& path, InputFile& input, Hive& hive, Recovery& recovery) {
    std::vector<LogImage> logs;
    if (Status s = ReadTransactionLogs(path, logs); !s.ok()) {
        return s;
    }
    RecoveryPlan plan;
    if (Status s = PlanRecovery(input.data(), input.size(), path, logs, plan, recovery); !s.ok()) {
        return s;
    }
    const uint64_t primarySize = input.size();
    input.resize(plan.fileSize);
    ApplyRecovery(plan, input.mutableData(), primarySize);
    return hive.open(input.data(), input.size(), path);
}

} // namespace

Status OpenHiveFile(const std::string& path, InputFile& input, Hive& hive, Recovery& recovery) {
    recovery = {};
    bool begun = false;
    bool dirty = false;
    Status read = input.read(
        path, uint64_t{kBaseBlockSize} + kMaxBinsDataSize, [&](uint64_t available) -> Status {
            if (!begun) {
                if (available < kBaseBlockSize && available < input.size()) {
                    return {};
                }
                begun = true;
                // A dirty hive is checked only once its logs are applied.
                dirty = NeedsRecovery(input.data(), available);
                if (!dirty) {
                    if (Status s = hive.begin(input.data(), input.size(), path); !s.ok()) {
                        return s;
                    }
                }
            }
            return dirty ? Status{} : hive.scan(available);
        });
    if (!read.ok() || !dirty) {
        return read;
    }
    return RecoverAndOpen(path, input, hive, recovery);
}

Status OpenHiveFile(const std::string& path, InputFile& input, Hive& hive) {
    Recovery ignored;
    return OpenHiveFile(path, input, hive, ignored);
}

} // namespace hivelet::regf
