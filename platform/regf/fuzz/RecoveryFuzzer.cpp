// libFuzzer target: a hive and two transaction logs from one input, through recovery and then
// the reader's round trip (layout in RecoverySelfCheck.h). Built beside regf_fuzzer:
//   cmake --build build/fuzz --target regf_recovery_fuzzer
//   build/fuzz/platform/regf/regf_recovery_fuzzer CORPUS_DIR platform/regf/fuzz/recovery-corpus \
//         -dict=platform/regf/fuzz/regf.dict
// Inputs kept from its runs are in fuzz/recovery-corpus/; the test suite replays them.
#include "platform/regf/fuzz/RecoverySelfCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string detail;
    if (hivelet::regf::SelfCheckRecoveryInput(data, size, detail) ==
        hivelet::regf::SelfCheckResult::Violation) {
        std::fprintf(stderr, "recovery violated: %s\n", detail.c_str());
        std::abort();
    }
    return 0;
}
