#include "platform/regf/InputFile.h"

#include "platform/regf/Errors.h"
#include "platform/regf/LogFiles.h"
#include "platform/regf/Recovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

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
