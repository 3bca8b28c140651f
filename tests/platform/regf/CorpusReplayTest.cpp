// The fuzzers' seeds, the inputs kept from their runs (those they once failed on among them),
// replayed through their entry functions.
#include "RegfTestSupport.h"

#include "platform/regf/fuzz/RecoverySelfCheck.h"
#include "platform/regf/fuzz/SelfCheck.h"

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

namespace hivelet::regf {
namespace {

TEST(RegfCorpusReplay, KeptRecoveryFuzzerInputs) {
    fs::path folder = fs::path(HIVELET_SOURCE_DIR) / "platform/regf/fuzz/recovery-corpus";
    size_t files = 0;
    size_t roundTrips = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::vector<uint8_t> bytes = regf_test::ReadBytes(entry.path());
        std::string detail;
        SelfCheckResult result = SelfCheckRecoveryInput(bytes.data(), bytes.size(), detail);
        EXPECT_NE(result, SelfCheckResult::Violation) << entry.path() << ": " << detail;
        roundTrips += result == SelfCheckResult::RoundTrip;
        ++files;
    }
    EXPECT_GT(files, 0u);
    // The hand-made seeds (every log kind, order, growth, wrap-around, damaged base block)
    // recover into hives that survive the round trip.
    EXPECT_GE(roundTrips, 8u);
}

TEST(RegfCorpusReplay, DirtySamplesWithTheirLogsAsRecoveryInputs) {
    if (regf_test::SampleFolder().empty()) {
        GTEST_SKIP() << "sample hives not found (HIVELET_SAMPLE_HIVES)";
    }
    fs::path data = regf_test::SampleFolder() / "regipy/regipy_tests/data";
    auto text = [](const fs::path& file) {
        std::vector<uint8_t> bytes = regf_test::ReadBytes(file);
        return std::string(bytes.begin(), bytes.end());
    };
    std::string input =
        RecoveryFuzzInput(text(data / "UsrClass.dat"), text(data / "UsrClass.dat.LOG1"),
                          text(data / "UsrClass.dat.LOG2"), 0);
    std::string detail;
    EXPECT_EQ(SelfCheckRecoveryInput(reinterpret_cast<const uint8_t*>(input.data()), input.size(),
                                     detail),
              SelfCheckResult::RoundTrip)
        << detail;
}

} // namespace
} // namespace hivelet::regf
