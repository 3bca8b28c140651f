#include "platform/regf/InputFile.h"

#include "platform/regf/Errors.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace hivelet::regf {

Status InputFile::open(const std::string& path, uint64_t limit) {
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
    if (size > limit) {
        size = limit;
    }
    if (size > SIZE_MAX / 2) {
        return Failure(ErrorKind::TooLarge, path, "file too large to read");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return Failure(ErrorKind::Io, path, std::string("cannot open: ") + std::strerror(errno));
    }
    bytes_ = AllocateBulk(static_cast<size_t>(size));
    size_ = 0;
    if (size > 0 &&
        !in.read(reinterpret_cast<char*>(bytes_.get()), static_cast<std::streamsize>(size))) {
        return Failure(ErrorKind::Io, path, "read failed");
    }
    size_ = size;
    return {};
}

} // namespace hivelet::regf
