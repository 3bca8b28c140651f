// The recovered hive itself, written out: what the `recover` command gives a user who wants the
// hive as Windows would write it back, without compacting it.
#include "platform/regf/InputFile.h"
#include "platform/regf/OutputFile.h"
#include "platform/regf/Regf.h"

namespace hivelet::regf {

Status RecoverHiveFile(const std::string& sourcePath, const std::string& targetPath,
                       Recovery& recovery) {
    InputFile input;
    Hive hive;
    // Opening checks what was recovered: a file this library cannot read is not written.
    if (Status s = OpenHiveFile(sourcePath, input, hive, recovery); !s.ok()) {
        return s;
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
