// What `--help` and `--version` print: the usage, the options, the switches and the exit codes.
#pragma once

#include <string>

namespace hivelet::shell {

// Exit codes of the program.
inline constexpr int ExitDone = 0;
inline constexpr int ExitNotDone = 1; // the analysis or the compaction did not succeed
inline constexpr int ExitBadArguments = 2;

// Which program the text describes: the Windows program works on the live system unless it is
// given an image and opens its window without a switch; the Linux program needs an image and
// lists its hives without a switch.
enum class Build { Windows, Linux };

// The one-line synopsis, e.g. "usage: hivelet --image DIR [/Silent | /Scan [RESULTFILE]]".
std::string UsageLine(Build build, const std::string& program);
// The synopsis, then the options, the switches and the exit codes.
std::string HelpText(Build build, const std::string& program);
// "Orvane Hivelet 3.0".
std::string VersionLine();

} // namespace hivelet::shell
