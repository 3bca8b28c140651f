#include "analysis/ScanEstimate.h"

#include <limits>

namespace hivelet::analysis {

int64_t CreepStepFromRaw(uint64_t raw) {
    int64_t step;
    if (raw < 10)
        step = int64_t(raw) + 10;
    else if (raw < 30)
        step = 2 * int64_t(raw) - 10;
    else
        step = raw > 50 ? 50 : int64_t(raw);
    return step > 50 ? 50 : step;
}

int64_t CreepStepAfterFirstSave(uint64_t firstSnapshotBytes, uint32_t firstSaveMs,
                                uint64_t totalBytes, bool isWow64) {
    int64_t step;
    if (firstSaveMs == 0 || totalBytes == 0) {
        step = 40;
    } else {
        // raw = S0 * 1,000,000 div (ms * T). A denominator beyond 64 bits makes the quotient 0;
        // a numerator beyond them (an absurd snapshot) is as fast as the cap.
        uint64_t numerator = 0, denominator = 0;
        uint64_t raw;
        if (__builtin_mul_overflow(firstSnapshotBytes, uint64_t(1000000), &numerator))
            raw = std::numeric_limits<uint64_t>::max();
        else if (__builtin_mul_overflow(uint64_t(firstSaveMs), totalBytes, &denominator))
            raw = 0;
        else
            raw = numerator / denominator;
        step = CreepStepFromRaw(raw);
    }
    if (isWow64) {
        step = step / 2 - 3;
        if (step < 0)
            step = 1;
    }
    return step;
}

int BarPosition(uint64_t done, uint64_t total) {
    if (total == 0)
        return 0;
    uint64_t scaled = 0;
    if (__builtin_mul_overflow(done, uint64_t(ProgressRange), &scaled))
        return ProgressRange;
    const uint64_t position = scaled / total;
    return position > uint64_t(ProgressRange) ? ProgressRange : int(position);
}

} // namespace hivelet::analysis
