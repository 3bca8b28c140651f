// The recovered hive itself, written out: what the `recover` command gives a user who wants the
// hive as Windows would write it back, without compacting it.
#include "platform/regf/InputFile.h"
#include "platform/regf/OutputFile.h"
#include "platform/regf/Regf.h"
#include "platform/regf/Verify.h"

namespace hivelet::regf {

Status RecoverHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       Recovery& recovery) {
    InputFile input;
    Hive hive;
    // Opening checks only what reading needs; the verifier checks the rest, so a recovered hive
    // this library would reject is not written. A clean hive is the user's own bytes, copied.
    if (Status s = OpenHiveFile(sourcePath, input, hive, recovery); !s.ok()) {
        return s;
    }
    if (recovery.recovered) {
        if (Status s = VerifyHive(hive, false); !s.ok()) {
            return s;
        }
    }
    return WriteNewFile(targetPath, true, [&](OutputFile& output) -> Status {
        if (!output.write(input.data(), static_cast<size_t>(input.size()))) {
            return hive.error(ErrorKind::Io,
                              "writing the recovered hive failed: " + output.failure());
        }
        return {};
    });
}

} // namespace hivelet::regf
