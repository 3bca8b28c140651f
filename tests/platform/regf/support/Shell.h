// Running the Linux tools some suites compare with (hivex) through the shell.
#pragma once

#include <string>

namespace regf_test {

// `text` quoted for a POSIX shell, whatever characters it holds.
std::string ShellQuote(const std::string& text);
// Whether the shell finds the program `tool`.
bool HaveTool(const std::string& tool);

} // namespace regf_test
