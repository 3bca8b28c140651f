// The canonical text of a hive's tree (see DumpHiveFile).
#pragma once

#include "platform/regf/Hive.h"

#include <string>

namespace hivelet::regf {

Status DumpHive(const Hive& hive, std::string& text);

} // namespace hivelet::regf
