#include "platform/regf/InputFile.h"

#include "platform/regf/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace hivelet::regf {

Status InputFile::read(const std::string& path, uint64_t limit,
                       const std::function<Status(uint64_t)>& arrived) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path file(path);
    if (!fs::is_regular_file(file, ec)) {
        return Failure(ErrorKind::Io, path,
                       ec                     ? ec.message()
                       : fs::exists(file, ec) ? "not a regular file"
                                              : "no such file");
    }
    uint64_t size = fs::file_size(file, ec);
    if (ec) {
        return Failure(ErrorKind::Io, path, ec.message());
    }
    size = std::min(size, limit);
    if (size > SIZE_MAX / 2) {
        return Failure(ErrorKind::TooLarge, path, "file too large to read");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return Failure(ErrorKind::Io, path, std::string("cannot open: ") + std::strerror(errno));
    }
    bytes_ = AllocateBulk(static_cast<size_t>(size));
    size_ = size;
    // Pieces small enough to be still in cache when `arrived` looks at them.
    constexpr uint64_t kPiece = uint64_t{1} << 20;
    uint64_t done = 0;
    do {
        uint64_t piece = std::min(kPiece, size - done);
        if (piece > 0 && !in.read(reinterpret_cast<char*>(bytes_.get() + done),
                                  static_cast<std::streamsize>(piece))) {
            return Failure(ErrorKind::Io, path, "read failed");
        }
        done += piece;
        if (Status s = arrived(done); !s.ok()) {
            return s;
        }
    } while (done < size);
    return {};
}

Status OpenHiveFile(const std::string& path, InputFile& input, Hive& hive) {
    bool begun = false;
    return input.read(
        path, uint64_t{kBaseBlockSize} + kMaxBinsDataSize, [&](uint64_t available) -> Status {
            if (!begun) {
                if (available < kBaseBlockSize && available < input.size()) {
                    return {};
                }
                begun = true;
                if (Status s = hive.begin(input.data(), input.size(), path); !s.ok()) {
                    return s;
                }
            }
            return hive.scan(available);
        });
}

} // namespace hivelet::regf
