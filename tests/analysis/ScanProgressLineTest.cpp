// The terminal's progress line of an unattended analysis.
#include "analysis/ScanProgressLine.h"

#include <gtest/gtest.h>

namespace hivelet::analysis {
namespace {

TEST(ScanProgressLine, RedrawsOneLineInPlaceAndFitsTheTerminal) {
    EXPECT_EQ(ScanProgressLine("43%", "\\REGISTRY\\MACHINE\\SYSTEM", 80),
              "\r\x1b[KAnalysing  43%  \\REGISTRY\\MACHINE\\SYSTEM");
    EXPECT_EQ(ScanProgressLine("100%", "Finish", 80), "\r\x1b[KAnalysing 100%  Finish");
    // Cut one column short of the width, so the line never wraps.
    const std::string line = ScanProgressLine("7%", std::string(200, 'x'), 40);
    EXPECT_EQ(line.size(), std::string("\r\x1b[K").size() + 39);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    // No known width: nothing is cut.
    EXPECT_EQ(ScanProgressLine("7%", std::string(200, 'x'), 0).size(), 4u + 10 + 4 + 2 + 200);
    // The end of the scan removes the line.
    EXPECT_EQ(ScanProgressLine("", "", 80), "\r\x1b[K");
}

} // namespace
} // namespace hivelet::analysis
