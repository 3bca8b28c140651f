#include "ProgramRun.h"

#include "TestImage.h"

#include <cstdlib>
#include <sys/wait.h>

namespace hivelet::image::testing {

ProgramOutcome RunProgram(const fs::path& program, const std::vector<std::string>& args,
                          const fs::path& work) {
    std::string command = "cd " + ShellQuote(work.string()) + " && " + ShellQuote(program.string());
    for (const std::string& a : args)
        command += " " + ShellQuote(a);
    const fs::path out = work / "stdout", err = work / "stderr";
    command += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
    const int status = std::system(command.c_str());
    ProgramOutcome o;
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadBytes(out);
    o.err = ReadBytes(err);
    return o;
}

} // namespace hivelet::image::testing
