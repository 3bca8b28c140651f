// One-line error values: "<file>: <kind>: <detail> at 0x<file offset>".
#pragma once

#include "platform/regf/Regf.h"

#include <cstdint>
#include <string>

namespace hivelet::regf {

std::string Hex(uint64_t value);

Status Failure(ErrorKind kind, const std::string& file, const std::string& detail);
Status FailureAt(ErrorKind kind, const std::string& file, const std::string& detail,
                 uint64_t fileOffset);

} // namespace hivelet::regf
