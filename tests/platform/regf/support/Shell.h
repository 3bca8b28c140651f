// Running the Linux tools some suites compare with (hivex) through the shell.
#pragma once

#include <optional>
#include <string>

namespace regf_test {

// `text` quoted for a POSIX shell, whatever characters it holds.
std::string ShellQuote(const std::string& text);
// Whether the shell finds the program `tool`.
bool HaveTool(const std::string& tool);
// What a shell command writes to its standard output (its errors are dropped); nullopt if the
// command fails.
std::optional<std::string> CommandOutput(const std::string& command);
// hivexregedit's export of the whole hive; nullopt if hivex cannot read it.
std::optional<std::string> HivexRegeditExport(const std::string& hive);

} // namespace regf_test
