// The numbers behind the progress bar: the creep step from the first save's speed, and bar
// positions from sizes.
#include "analysis/ScanEstimate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace hivelet::analysis {
namespace {

TEST(ScanEstimate, RawSpeedIsLiftedWhenSlowAndCappedWhenFast) {
    const std::pair<uint64_t, int64_t> cases[] = {
        {0, 10},
        {5, 15},
        {9, 19}, // below 10: raw + 10
        {10, 10},
        {20, 30},
        {29, 48}, // below 30: 2 * raw - 10
        {30, 30},
        {50, 50},
        {60, 50}, // otherwise raw, at most 50
        {std::numeric_limits<uint64_t>::max(), 50},
    };
    for (auto [raw, step] : cases)
        EXPECT_EQ(CreepStepFromRaw(raw), step) << "raw " << raw;
}

TEST(ScanEstimate, FirstSaveGivesTheStepAndWow64HalvesIt) {
    // 2,000,000 bytes in 4,000 ms of 100,000,000: raw 5.
    EXPECT_EQ(CreepStepAfterFirstSave(2'000'000, 4000, 100'000'000, false), 15);
    EXPECT_EQ(CreepStepAfterFirstSave(2'000'000, 4000, 100'000'000, true), 4);
    // No measurable time: 40, under WOW64 40 div 2 - 3.
    EXPECT_EQ(CreepStepAfterFirstSave(2'000'000, 0, 100'000'000, false), 40);
    EXPECT_EQ(CreepStepAfterFirstSave(2'000'000, 0, 100'000'000, true), 17);
    // raw 20 and 60 from real sizes: 8,000,000 and 24,000,000 bytes in 4 s of 100,000,000.
    EXPECT_EQ(CreepStepAfterFirstSave(8'000'000, 4000, 100'000'000, false), 30);
    EXPECT_EQ(CreepStepAfterFirstSave(8'000'000, 4000, 100'000'000, true), 12);
    EXPECT_EQ(CreepStepAfterFirstSave(24'000'000, 4000, 100'000'000, false), 50);
    EXPECT_EQ(CreepStepAfterFirstSave(24'000'000, 4000, 100'000'000, true), 22);
    // The division is integral: just under raw 30 stays 29.
    EXPECT_EQ(CreepStepAfterFirstSave(11'999'999, 4000, 100'000'000, false), 48);
    EXPECT_EQ(CreepStepAfterFirstSave(12'000'000, 4000, 100'000'000, false), 30);
    // An empty first snapshot (a failed save) is the slowest speed: raw 0.
    EXPECT_EQ(CreepStepAfterFirstSave(0, 4000, 100'000'000, false), 10);
    EXPECT_EQ(CreepStepAfterFirstSave(0, 4000, 100'000'000, true), 2);
}

TEST(ScanEstimate, HugeNumbersNeitherOverflowNorDivideByZero) {
    const uint64_t big = std::numeric_limits<uint64_t>::max() / 2;
    // ms * T beyond 64 bits: the speed is 0, not a wrapped product.
    EXPECT_EQ(CreepStepAfterFirstSave(1'000'000, 0xFFFFFFFFu, big, false), 10);
    // S0 * 1,000,000 beyond 64 bits: as fast as the cap.
    EXPECT_EQ(CreepStepAfterFirstSave(big, 1, 1, false), 50);
    EXPECT_EQ(CreepStepAfterFirstSave(1'000'000, 1000, 0, false), 40);
}

TEST(ScanEstimate, BarPositionIsThousandthsCutTowardZeroAndNeverBeyondTheEnd) {
    EXPECT_EQ(BarPosition(0, 1000), 0);
    EXPECT_EQ(BarPosition(333'333, 999'999), 333);
    EXPECT_EQ(BarPosition(999'999, 999'999), 1000);
    EXPECT_EQ(BarPosition(40'000'000, 100'000'000), 400);
    EXPECT_EQ(BarPosition(2, 1), 1000) << "files that grew during the scan";
    EXPECT_EQ(BarPosition(5, 0), 0);
    EXPECT_EQ(BarPosition(std::numeric_limits<uint64_t>::max(), 7), 1000);
}

} // namespace
} // namespace hivelet::analysis
