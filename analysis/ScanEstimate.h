// The progress estimate of a scan, in thousandths of the whole job (the bar's range 0..1000).
//
// The save service says nothing while it writes, so the bar is moved by file sizes: each reported
// hive adds its live file's size, a snapshot being written counts with its size so far, and while
// the snapshot in hand shows no size yet the bar creeps by a step per second taken from the speed
// of the first save.
//
// When no hive file could be measured (a total of 0 bytes) sizes say nothing, so every hive
// weighs the same: the bar counts hives, and the first save's speed is taken as one hive per
// that many milliseconds.
#pragma once

#include <cstdint>

namespace hivelet::analysis {

inline constexpr int ProgressRange = 1000;
// Creep per second before the first report.
inline constexpr int64_t InitialCreepStep = 4;

// The creep step from the raw speed (units per second if the whole job went at the first save's
// speed): slow speeds are lifted, fast ones capped at 50.
int64_t CreepStepFromRaw(uint64_t raw);

// The creep step after the first save: `firstSnapshotBytes` written in `firstSaveMs` milliseconds
// of a job of `totalBytes`. 40 when the save took no measurable time. Under WOW64 the step is
// halved and lowered by 3 (at least 1), the first save there being quicker than the rest.
// With `totalBytes` 0, pass the hive count as `totalBytes` and 1 as `firstSnapshotBytes`.
int64_t CreepStepAfterFirstSave(uint64_t firstSnapshotBytes, uint32_t firstSaveMs,
                                uint64_t totalBytes, bool isWow64);

// `done` of `total` as a bar position (`done` * 1000 div `total`, at most 1000); 0 for a total of
// 0.
int BarPosition(uint64_t done, uint64_t total);

} // namespace hivelet::analysis
