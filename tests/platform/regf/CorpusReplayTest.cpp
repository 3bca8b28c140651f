// The fuzzer's seeds, the inputs kept from its runs (those it once failed on among them),
// replayed through its entry function.
#include "RegfTestSupport.h"

#include "platform/regf/SelfCheck.h"

#include <gtest/gtest.h>

namespace hivelet::regf {
namespace {

namespace fs = std::filesystem;

void Replay(const fs::path& file, size_t& roundTrips) {
    std::vector<uint8_t> bytes = regf_test::ReadBytes(file);
    std::string detail;
    SelfCheckResult result = SelfCheckFuzzInput(bytes.data(), bytes.size(), detail);
    EXPECT_NE(result, SelfCheckResult::Violation) << file << ": " << detail;
    roundTrips += result == SelfCheckResult::RoundTrip;
}

TEST(RegfCorpusReplay, SamplesAsSeeds) {
    if (regf_test::SampleFolder().empty()) {
        GTEST_SKIP() << "sample hives not found (HIVELET_SAMPLE_HIVES)";
    }
    size_t roundTrips = 0;
    for (const fs::path& file : regf_test::SampleFiles()) {
        Replay(file, roundTrips);
    }
    // The repaired checksum lets the damaged-checksum samples through as well.
    EXPECT_GE(roundTrips, 45u);
}

TEST(RegfCorpusReplay, KeptFuzzerInputs) {
    fs::path folder = fs::path(HIVELET_SOURCE_DIR) / "platform/regf/fuzz/corpus";
    size_t files = 0;
    size_t roundTrips = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != "README") {
            Replay(entry.path(), roundTrips);
            ++files;
        }
    }
    EXPECT_GT(files, 0u);
}

} // namespace
} // namespace hivelet::regf
