// Shared helpers of the hive-file tests: the sample folder, scratch folders, file bytes, small
// trees to write.
#pragma once

#include "platform/regf/Regf.h"
#include "platform/regf/support/FileBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace regf_test {

namespace fs = std::filesystem;

// The sample hives, or an empty path when they are absent (tests then skip).
fs::path SampleFolder();

// Skips the running test when the sample hives are absent.
#define SKIP_WITHOUT_SAMPLE_HIVES()                                                                \
    do {                                                                                           \
        if (::regf_test::SampleFolder().empty()) {                                                 \
            GTEST_SKIP() << "sample hives not found (HIVELET_SAMPLE_HIVES)";                       \
        }                                                                                          \
    } while (false)

// Tests on the sample hives: skipped when they are absent.
class SampleHiveTest : public ::testing::Test {
protected:
    void SetUp() override { SKIP_WITHOUT_SAMPLE_HIVES(); }
};

// Every file below the sample folder except the notes and scripts, sorted.
std::vector<fs::path> SampleFiles();
// The path relative to the sample folder, with '/' separators.
std::string SampleName(const fs::path& file);

// The names of everything in `folder`, sorted.
std::vector<std::string> FolderEntries(const fs::path& folder);

// A fresh folder removed with everything in it when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    fs::path path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// A tree with a bit of everything: names in one byte and in UTF-16, classes, shared and distinct
// descriptors, values of every size class, a key with more subkeys than one leaf holds.
hivelet::regf::Key RichTree(uint32_t manySubkeys = 1200);

// Bytes 0, 1, ... of the given length.
std::vector<uint8_t> Pattern(size_t length, uint8_t seed = 0);

} // namespace regf_test
