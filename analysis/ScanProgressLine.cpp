#include "analysis/ScanProgressLine.h"

namespace hivelet::analysis {

std::string ScanProgressLine(const std::string& percent, const std::string& hive, size_t columns) {
    const std::string clear = "\r\x1b[K";
    if (percent.empty() && hive.empty())
        return clear;
    std::string text = "Analysing ";
    if (percent.size() < 4)
        text += std::string(4 - percent.size(), ' ');
    text += percent + "  " + hive;
    // The last column stays free: writing into it makes some terminals wrap at once.
    if (columns > 1 && text.size() > columns - 1)
        text.resize(columns - 1);
    return clear + text;
}

} // namespace hivelet::analysis
