// The texts an analysis shows: a hive's reduction and the compact percent of the totals.
#pragma once

#include <cstdint>
#include <string>

namespace hivelet::analysis {

// The Reduction cell of a hive: "0%" when the snapshot is larger than the live file or the file
// measured 0 bytes, else the saving in whole percent cut toward zero ("20%"). A hive showing
// "0%" is never replaced.
std::string ReductionText(uint64_t currentBytes, uint64_t snapshotBytes);

// (current - new) * 100 / current in single precision; `newBytes` must not exceed
// `currentBytes`. 0 when both are 0: nothing measured, nothing to gain.
float CompactPercent(uint64_t currentBytes, uint64_t newBytes);

// `percent` with one decimal, rounded half away from zero, the decimal separator given, and "%":
// 2.96f gives "3.0%", 19.5121f with "," gives "19,5%".
std::string FormatCompactPercent(float percent, const std::string& decimalSeparator);

} // namespace hivelet::analysis
