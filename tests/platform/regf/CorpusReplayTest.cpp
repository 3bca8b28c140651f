// The fuzzers' seeds, the inputs kept from their runs (those they once failed on among them),
// replayed through their entry functions.
#include "RegfTestSupport.h"

#include "platform/regf/fuzz/RecoverySelfCheck.h"
#include "platform/regf/fuzz/SelfCheck.h"

#include <gtest/gtest.h>

namespace hivelet::regf {
namespace {

namespace fs = std::filesystem;

using SelfCheck = SelfCheckResult (*)(const uint8_t* data, size_t size, std::string& detail);

void Replay(const fs::path& file, SelfCheck check, size_t& roundTrips) {
    std::vector<uint8_t> bytes = regf_test::ReadBytes(file);
    std::string detail;
    SelfCheckResult result = check(bytes.data(), bytes.size(), detail);
    EXPECT_NE(result, SelfCheckResult::Violation) << file << ": " << detail;
    roundTrips += result == SelfCheckResult::RoundTrip;
}

// Replays every input kept in a corpus folder of the fuzzers; returns how many there were.
size_t ReplayCorpus(const std::string& corpus, SelfCheck check, size_t& roundTrips) {
    size_t files = 0;
    for (const auto& entry :
         fs::directory_iterator(fs::path(HIVELET_SOURCE_DIR) / "platform/regf/fuzz" / corpus)) {
        if (entry.is_regular_file() && entry.path().filename() != "README") {
            Replay(entry.path(), check, roundTrips);
            ++files;
        }
    }
    return files;
}

TEST(RegfCorpusReplay, SamplesAsSeeds) {
    SKIP_WITHOUT_SAMPLE_HIVES();
    size_t roundTrips = 0;
    for (const fs::path& file : regf_test::SampleFiles()) {
        Replay(file, SelfCheckFuzzInput, roundTrips);
    }
    // The repaired checksum lets the damaged-checksum samples through as well.
    EXPECT_GE(roundTrips, 45u);
}

TEST(RegfCorpusReplay, KeptFuzzerInputs) {
    size_t roundTrips = 0;
    EXPECT_GT(ReplayCorpus("corpus", SelfCheckFuzzInput, roundTrips), 0u);
}

TEST(RegfCorpusReplay, KeptRecoveryFuzzerInputs) {
    size_t roundTrips = 0;
    EXPECT_GT(ReplayCorpus("recovery-corpus", SelfCheckRecoveryInput, roundTrips), 0u);
    // The hand-made seeds (every log kind, order, growth, wrap-around, damaged base block)
    // recover into hives that survive the round trip.
    EXPECT_GE(roundTrips, 8u);
}

TEST(RegfCorpusReplay, DirtySamplesWithTheirLogsAsRecoveryInputs) {
    SKIP_WITHOUT_SAMPLE_HIVES();
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
