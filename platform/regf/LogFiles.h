// Finding and reading the transaction logs beside a hive.
#pragma once

#include "platform/regf/InputFile.h"
#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hivelet::regf {

// Largest log read: entry sizes and offsets are 32-bit, so nothing past 4 GiB can be reached.
inline constexpr uint64_t kMaxLogFileSize = uint64_t{0xFFFFFFFF};

struct LogFile {
    std::string suffix; // ".LOG1", ".LOG2" or ".LOG", whatever case the file has
    std::string path;
};

// The hive file name followed by ".LOG1", ".LOG2" and ".LOG", matched ignoring case as Windows'
// file systems do, in that order; missing ones are left out (empty ones are kept: they are
// normal and say so when read).
std::vector<LogFile> FindTransactionLogs(const std::string& hivePath);

// A log in memory.
struct LogImage {
    std::string path;
    std::string suffix; // upper case: ".LOG1", ".LOG2" or ".LOG"
    const uint8_t* bytes = nullptr;
    uint64_t length = 0;
    InputFile file; // holds the bytes of a log read from disk
    const uint8_t* data() const { return bytes; }
    uint64_t size() const { return length; }
};

Status ReadTransactionLogs(const std::string& hivePath, std::vector<LogImage>& logs);

} // namespace hivelet::regf
