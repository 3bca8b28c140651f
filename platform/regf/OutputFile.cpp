#include "platform/regf/OutputFile.h"

#include "platform/RandomBytes.h"
#include "platform/SyncFolder.h"
#include "platform/regf/Errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include "platform/win32/WindowsApi.h"
#include <io.h>
#else
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace hivelet::regf {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
int OpenExclusive(const fs::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long WriteSome(int fd, const uint8_t* data, size_t size) {
    unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    return _write(fd, data, chunk);
}
int SyncFile(int fd) {
    return _commit(fd);
}
// For a flush on another thread: _commit would hold the descriptor's lock that every _write
// takes, so the handle is flushed directly. The system still serialises calls on a handle opened
// for synchronous i/o, so a write waits for a flush under way; the flush overlaps the composing
// of the next step only.
int SyncData(int fd) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    return FlushFileBuffers(handle) ? 0 : EIO;
}
int CloseFile(int fd) {
    return _close(fd);
}
// Writes at `offset`, then returns the file position to `end`.
long WriteAt(int fd, const uint8_t* data, size_t size, uint64_t offset, uint64_t end) {
    if (_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) {
        return -1;
    }
    long n = WriteSome(fd, data, size);
    if (_lseeki64(fd, static_cast<long long>(end), SEEK_SET) < 0) {
        return -1;
    }
    return n;
}
#else
int OpenExclusive(const fs::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}
long WriteSome(int fd, const uint8_t* data, size_t size) {
    return ::write(fd, data, size);
}
int SyncFile(int fd) {
    return ::fsync(fd);
}
int SyncData(int fd) {
    int result;
    do {
#if defined(__APPLE__)
        result = ::fsync(fd);
#else
        result = ::fdatasync(fd);
#endif
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}
int CloseFile(int fd) {
    return ::close(fd);
}
long WriteAt(int fd, const uint8_t* data, size_t size, uint64_t offset, uint64_t) {
    return ::pwrite(fd, data, size, static_cast<off_t>(offset));
}
#endif

std::string RandomSuffix() {
    static const char* digits = "0123456789abcdef";
    std::string suffix;
    for (int i = 0; i < 2; ++i) {
        uint32_t r = platform::RandomWord();
        for (int k = 0; k < 8; ++k) {
            suffix.push_back(digits[(r >> (4 * k)) & 0xF]);
        }
    }
    return suffix;
}

} // namespace

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    flushBehind_.reset(); // before the descriptor it flushes is closed
    if (fd_ >= 0) {
        CloseFile(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        std::error_code ec;
        fs::remove(fs::path(temporary_), ec);
        temporary_.clear();
    }
}

Status OutputFile::create(const std::string& target, bool replace) {
    discard();
    target_ = target;
    replace_ = replace;
    std::error_code ec;
    fs::path targetPath(target);
    if (!replace && fs::exists(fs::symlink_status(targetPath, ec))) {
        return Failure(ErrorKind::Io, target, "the target file already exists");
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path candidate = targetPath;
        candidate += ".tmp-" + RandomSuffix();
        int fd = OpenExclusive(candidate);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = candidate.string();
            writeFailed_ = false;
            flushData_ = nullptr;
            written_ = 0;
            handedToDisk_ = 0;
            return {};
        }
        if (errno != EEXIST) {
            return Failure(ErrorKind::Io, candidate.string(), std::strerror(errno));
        }
    }
    return Failure(ErrorKind::Io, target, "no free temporary name next to the target");
}

// Calls `writeSome(bytes, count, done)` until all `size` bytes are written, retrying interrupted
// calls; a failure is recorded for failure().
template <class WriteSomeFn>
bool OutputFile::writeAll(const uint8_t* data, size_t size, WriteSomeFn writeSome) {
    size_t done = 0;
    while (done < size) {
        long n = writeSome(data + done, size - done, done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            writeFailed_ = true;
            writeError_ = n < 0 ? std::strerror(errno) : "nothing written";
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool OutputFile::write(const uint8_t* data, size_t size) {
    if (fd_ < 0 || writeFailed_) {
        return false;
    }
    if (!writeAll(data, size, [&](const uint8_t* bytes, size_t count, size_t) {
            return WriteSome(fd_, bytes, count);
        })) {
        return false;
    }
    written_ += size;
    startWriting();
    return true;
}

void OutputFile::writeBehind(FlushData flush) {
    flushData_ = flush ? std::move(flush) : FlushData(SyncData);
}

void OutputFile::startWriting() {
    // In steps of a few MiB: each flush also commits the file system's journal.
    constexpr uint64_t kStep = uint64_t{2} << 20;
    if (flushData_ && written_ - handedToDisk_ >= kStep) {
        if (!flushBehind_) {
            flushBehind_ =
                std::make_unique<FlushBehind>([flush = flushData_, fd = fd_] { return flush(fd); });
        }
        flushBehind_->request();
        handedToDisk_ = written_;
    }
}

bool OutputFile::patch(uint64_t offset, const void* data, size_t size) {
    if (fd_ < 0 || writeFailed_ || offset > written_ || written_ - offset < size) {
        return false;
    }
    return writeAll(static_cast<const uint8_t*>(data), size,
                    [&](const uint8_t* bytes, size_t count, size_t done) {
                        return WriteAt(fd_, bytes, count, offset + done, written_);
                    });
}

#if defined(_WIN32)
bool OutputFile::writePieces(const Piece* pieces, size_t count) {
    return ByteSink::writePieces(pieces, count);
}
#else
// writev in batches, resuming after short writes.
bool OutputFile::writePieces(const Piece* pieces, size_t count) {
    if (fd_ < 0 || writeFailed_) {
        return false;
    }
    constexpr size_t kBatch = IOV_MAX < 1024 ? IOV_MAX : 1024;
    iovec batch[kBatch];
    size_t next = 0;
    size_t skip = 0; // bytes of pieces[next] already written
    while (next < count) {
        size_t n = 0;
        for (size_t i = next; i < count && n < kBatch; ++i) {
            size_t offset = i == next ? skip : 0;
            batch[n].iov_base = const_cast<uint8_t*>(pieces[i].data) + offset;
            batch[n].iov_len = pieces[i].size - offset;
            ++n;
        }
        ssize_t written = ::writev(fd_, batch, static_cast<int>(n));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            writeFailed_ = true;
            writeError_ = written < 0 ? std::strerror(errno) : "nothing written";
            return false;
        }
        written_ += static_cast<uint64_t>(written);
        size_t left = static_cast<size_t>(written);
        while (next < count && left >= pieces[next].size - skip) {
            left -= pieces[next].size - skip;
            skip = 0;
            ++next;
        }
        skip += left;
    }
    startWriting();
    return true;
}
#endif

Status OutputFile::publish(bool durable) {
    if (fd_ < 0) {
        return Failure(ErrorKind::Io, target_, "no file being written");
    }
    if (writeFailed_) {
        Status s = Failure(ErrorKind::Io, temporary_, "write failed: " + writeError_);
        discard();
        return s;
    }
    // A failed background flush fails the write even if the final flush succeeds.
    int flushError = flushBehind_ ? flushBehind_->finish() : 0;
    flushBehind_.reset();
    if (flushError == 0 && durable && SyncFile(fd_) != 0) {
        flushError = errno;
    }
    if (flushError != 0) {
        Status s = Failure(ErrorKind::Io, temporary_,
                           std::string("flush failed: ") + std::strerror(flushError));
        discard();
        return s;
    }
    int fd = fd_;
    fd_ = -1;
    if (CloseFile(fd) != 0) {
        Status s = Failure(ErrorKind::Io, temporary_, std::strerror(errno));
        discard();
        return s;
    }
    std::error_code ec;
    fs::path from(temporary_);
    fs::path to(target_);
    if (!replace_) {
        // A hard link publishes without ever replacing a file that appeared meanwhile.
        fs::create_hard_link(from, to, ec);
        if (!ec) {
            discard();
            if (durable) {
                platform::SyncFolder(to.parent_path()); // the new name, the temporary one gone
            }
            return {};
        }
        std::error_code probe;
        if (ec == std::errc::file_exists || fs::exists(fs::symlink_status(to, probe))) {
            discard();
            return Failure(ErrorKind::Io, target_, "the target file already exists");
        }
        ec.clear();
    }
    fs::rename(from, to, ec);
    if (ec) {
        Status s = Failure(ErrorKind::Io, target_, "rename failed: " + ec.message());
        discard();
        return s;
    }
    temporary_.clear();
    if (durable) {
        platform::SyncFolder(to.parent_path());
    }
    return {};
}

} // namespace hivelet::regf
