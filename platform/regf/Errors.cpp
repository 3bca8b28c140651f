#include "platform/regf/Errors.h"

namespace hivelet::regf {
namespace {

const char* KindWords(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::None:
        return "ok";
    case ErrorKind::Io:
        return "I/O error";
    case ErrorKind::NotAHive:
        return "not a hive";
    case ErrorKind::Unsupported:
        return "unsupported";
    case ErrorKind::Dirty:
        return "dirty";
    case ErrorKind::Corrupt:
        return "corrupt";
    case ErrorKind::TooLarge:
        return "too large";
    case ErrorKind::NotFound:
        return "not found";
    }
    return "error";
}

// Messages are one line whatever the file name holds.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

} // namespace

std::string Hex(uint64_t value) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + out;
}

Status Failure(ErrorKind kind, const std::string& file, const std::string& detail) {
    return {kind, OneLine(file + ": " + KindWords(kind) + ": " + detail)};
}

Status FailureAt(ErrorKind kind, const std::string& file, const std::string& detail,
                 uint64_t fileOffset) {
    return Failure(kind, file, detail + " at " + Hex(fileOffset));
}

} // namespace hivelet::regf
