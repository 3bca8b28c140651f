// Verification of an opened hive (see VerifyHiveFile and VerifyCompactHiveFile).
#pragma once

#include "platform/regf/Hive.h"

namespace hivelet::regf {

Status VerifyHive(const Hive& hive, bool compact);

} // namespace hivelet::regf
