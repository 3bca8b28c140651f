// Runs a built program as a user or a scheduler starts it, for the tests of whole runs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hivelet::image::testing {

struct ProgramOutcome {
    int exitCode = -1; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `args` from the folder `work` (which also receives its captured output),
// with nothing on standard input, and waits for it.
ProgramOutcome RunProgram(const std::filesystem::path& program,
                          const std::vector<std::string>& args, const std::filesystem::path& work);

} // namespace hivelet::image::testing
