// A dirty copy of a hive, for the recovery benchmark and tests: the primary left one write behind
// and every page of its bins in new-format transaction logs (LOG1 the earlier half, LOG2 the
// rest), the largest logs a hive of that size can have.
#pragma once

#include <string>

namespace regf_test {

// Writes `dirtyPath` and its .LOG1/.LOG2 from the clean hive `cleanPath`; false on failure.
bool WriteDirtyHiveWithLogs(const std::string& cleanPath, const std::string& dirtyPath);

} // namespace regf_test
