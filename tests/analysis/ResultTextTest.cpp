// The texts of an analysis's results: a hive's reduction and the compact percent.
#include "analysis/ResultText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace hivelet::analysis {
namespace {

TEST(ResultText, ReductionIsWholePercentCutTowardZero) {
    EXPECT_EQ(ReductionText(10'485'760, 8'388'608), "20%");
    EXPECT_EQ(ReductionText(40'000'000, 10'000'000), "75%");
    EXPECT_EQ(ReductionText(1000, 991), "0%") << "below 1 % reads 0%";
    EXPECT_EQ(ReductionText(1000, 990), "1%");
    EXPECT_EQ(ReductionText(1000, 1000), "0%");
    EXPECT_EQ(ReductionText(1000, 1001), "0%") << "a larger snapshot";
    EXPECT_EQ(ReductionText(0, 0), "0%") << "nothing measured";
    EXPECT_EQ(ReductionText(1000, 0), "100%");
    // Far beyond any hive, still no overflow of the product.
    EXPECT_EQ(ReductionText(UINT64_MAX, UINT64_MAX / 2), "50%");
}

TEST(ResultText, CompactPercentIsSinglePrecision) {
    EXPECT_EQ(CompactPercent(100'000'000, 97'040'000), 2.96f);
    EXPECT_LT(CompactPercent(100'000'000, 97'040'000), 3.0f);
    EXPECT_EQ(CompactPercent(10'747'904, 8'650'752), float(2'097'152.0 * 100 / 10'747'904));
    EXPECT_EQ(CompactPercent(100, 100), 0.0f);
    EXPECT_EQ(CompactPercent(0, 0), 0.0f) << "both totals 0";
    EXPECT_EQ(CompactPercent(100, 0), 100.0f);
}

TEST(ResultText, CompactPercentTextRoundsHalfAwayFromZeroWithTheGivenSeparator) {
    EXPECT_EQ(FormatCompactPercent(2.96f, "."), "3.0%");
    EXPECT_EQ(FormatCompactPercent(19.5121f, "."), "19.5%");
    EXPECT_EQ(FormatCompactPercent(19.5121f, ","), "19,5%");
    EXPECT_EQ(FormatCompactPercent(15.0f, "."), "15.0%");
    EXPECT_EQ(FormatCompactPercent(0.0f, "."), "0.0%");
    EXPECT_EQ(FormatCompactPercent(100.0f, "."), "100.0%");
    // Exact halves round away from zero.
    EXPECT_EQ(FormatCompactPercent(0.25f, "."), "0.3%");
    EXPECT_EQ(FormatCompactPercent(2.75f, "."), "2.8%");
    EXPECT_EQ(FormatCompactPercent(12.125f, "."), "12.1%");
    // What is stored is rounded: 0.35f is a little below 0.35, 1.45f a little above 1.45.
    EXPECT_LT(double(0.35f), 0.35);
    EXPECT_EQ(FormatCompactPercent(0.35f, "."), "0.3%");
    EXPECT_GT(double(1.45f), 1.45);
    EXPECT_EQ(FormatCompactPercent(1.45f, "."), "1.5%");
    EXPECT_EQ(FormatCompactPercent(99.96f, "."), "100.0%");
}

} // namespace
} // namespace hivelet::analysis
