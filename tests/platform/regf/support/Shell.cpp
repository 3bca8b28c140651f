#include "platform/regf/support/Shell.h"

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

} // namespace regf_test
