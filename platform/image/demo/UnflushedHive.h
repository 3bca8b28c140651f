// A hive as Windows leaves it when the power goes in the middle of writing it back: its newest
// pages are in its transaction log, the primary file started the write (its sequence numbers
// differ) and never received them. Reading it means replaying the log.
#pragma once

#include <cstdint>
#include <filesystem>

namespace hivelet::image::demo {

// Rewrites the sound hive `hive` so: its last `pages` 4 KiB pages of bins (all of them when it
// has fewer) go into one new-format entry of `hive`.LOG1 and are blanked in the primary; .LOG2
// is left empty. Replaying the log gives back the bytes of the hive as it was. Throws
// std::runtime_error on any failure.
void LeaveLastPagesInLog(const std::filesystem::path& hive, uint32_t pages);

} // namespace hivelet::image::demo
