// The progress of an analysis as one line of a terminal, redrawn in place: what the Linux build
// shows on standard error while an unattended run scans the hives.
#pragma once

#include <cstddef>
#include <string>

namespace hivelet::analysis {

// A carriage return, "Analysing", the bar's percentage and the hive in hand, cut to fit `columns`
// (a line that wraps could no longer be redrawn), then the rest of the line cleared. Two empty
// texts give only the return and the clearing: the line is removed.
std::string ScanProgressLine(const std::string& percent, const std::string& hive, size_t columns);

} // namespace hivelet::analysis
