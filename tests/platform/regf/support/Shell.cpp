#include "platform/regf/support/Shell.h"

#include <cstdio>
#include <cstdlib>

namespace regf_test {

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool HaveTool(const std::string& tool) {
    return std::system(("command -v " + ShellQuote(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

std::optional<std::string> CommandOutput(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string out;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    if (pclose(pipe) != 0) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> HivexRegeditExport(const std::string& hive) {
    return CommandOutput("hivexregedit --export " + ShellQuote(hive) + " '\\'");
}

} // namespace regf_test
