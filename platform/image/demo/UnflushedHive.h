// A hive as Windows leaves it when the power goes in the middle of writing it back: its newest
// pages are in its transaction log, the primary file started the write (its sequence numbers
// differ) and never received them. Reading it means replaying the log.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace hivelet::image::demo {

// Rewrites the sound hive `hive` so: its last `pages` 4 KiB pages of bins (all of them when it
// has fewer) go into one new-format entry of `hive`.LOG1 and are blanked in the primary; .LOG2
// is left empty. Replaying the log gives back the bytes of the hive as it was. Throws
// std::runtime_error on any failure.
void LeaveLastPagesInLog(const std::filesystem::path& hive, uint32_t pages);

// The pieces of a new-format (HvLE) transaction log, for writing dirty hives of any shape.
// `primary` is the whole primary file, whose bins are known to hold every page asked for.
//
// The log's own base block: the primary's first sector as a log of sequence number `sequence`.
std::vector<uint8_t> NewFormatLogStart(const uint8_t* primary, uint32_t sequence);
// Appends one entry of sequence number `sequence` holding `pages` whole 4 KiB pages of the
// primary's bins from page `firstPage` on.
void AppendNewFormatLogEntry(std::vector<uint8_t>& log, const uint8_t* primary, uint32_t sequence,
                             uint32_t firstPage, uint32_t pages);

} // namespace hivelet::image::demo
