// Compaction of an opened hive into any sink (files, memory for tests and fuzzing).
#pragma once

#include "platform/regf/ByteSink.h"
#include "platform/regf/Hive.h"
#include "platform/regf/Regf.h"

namespace hivelet::regf {

Status CompactHive(const Hive& hive, const CompactOptions& options, ByteSink& sink);

} // namespace hivelet::regf
