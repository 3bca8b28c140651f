// Writes the demo system image: a Windows 10 machine (32-bit Hivelet on 64-bit Windows) with
// realistic generated hives. Nothing in it is fetched; the same seed gives the same image.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hivelet::image::demo {

struct DemoHiveReport {
    std::string name;
    std::string file;          // inside the image
    uint64_t bytes = 0;        // size of the hive file
    uint64_t compactBytes = 0; // size of its compact copy
    size_t keys = 0;
    size_t values = 0;
    // The part of the file a compaction gives back, in percent.
    double reclaimablePercent() const {
        return bytes
                   ? 100.0 * static_cast<double>(bytes - compactBytes) / static_cast<double>(bytes)
                   : 0.0;
    }
};

// Writes the image into `folder`, which must not exist, be empty, or hold an earlier demo image
// (which is replaced). Every hive is checked with the verifier and measured by compacting it.
// Throws std::runtime_error on any failure.
std::vector<DemoHiveReport> WriteDemoImage(const std::filesystem::path& folder, uint64_t seed = 1);

} // namespace hivelet::image::demo
