// libFuzzer target: arbitrary bytes through the reader, verifier, dump and compact writer.
//   cmake -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
//         -DHIVELET_BUILD_FUZZERS=ON -DHIVELET_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   cmake --build build/fuzz --target regf_fuzzer
//   build/fuzz/platform/regf/regf_fuzzer CORPUS_DIR SEED_DIR -dict=platform/regf/fuzz/regf.dict
// Inputs kept from its runs (any it failed on among them) are in fuzz/corpus/; the test suite
// replays them.
#include "platform/regf/fuzz/SelfCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string detail;
    if (hivelet::regf::SelfCheckFuzzInput(data, size, detail) ==
        hivelet::regf::SelfCheckResult::Violation) {
        std::fprintf(stderr, "round trip violated: %s\n", detail.c_str());
        std::abort();
    }
    return 0;
}
