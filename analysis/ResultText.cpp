#include "analysis/ResultText.h"

#include <cmath>

namespace hivelet::analysis {

std::string ReductionText(uint64_t currentBytes, uint64_t snapshotBytes) {
    if (snapshotBytes > currentBytes || currentBytes == 0)
        return "0%";
    // Exact in 64 bits for any file below 2^57 bytes; beyond, divide first.
    const uint64_t saved = currentBytes - snapshotBytes;
    const uint64_t percent =
        saved <= UINT64_MAX / 100 ? saved * 100 / currentBytes : saved / (currentBytes / 100);
    return std::to_string(percent) + "%";
}

float CompactPercent(uint64_t currentBytes, uint64_t newBytes) {
    if (currentBytes == 0)
        return 0.0f;
    const double saved = double(currentBytes - newBytes);
    return float(saved * 100.0 / double(currentBytes));
}

std::string FormatCompactPercent(float percent, const std::string& decimalSeparator) {
    // A float times 10 is exact in a double (24 + 4 bits), so the rounding sees the stored value
    // itself and not a decimal approximation of it.
    const double tenths = std::round(double(percent) * 10.0);
    const bool negative = tenths < 0;
    const uint64_t magnitude = uint64_t(negative ? -tenths : tenths);
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 10) + decimalSeparator + std::to_string(magnitude % 10);
    return text + "%";
}

} // namespace hivelet::analysis
