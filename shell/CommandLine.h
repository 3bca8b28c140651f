// The command line: `[--image DIR] [/Silent | /Scan [RESULTFILE]]`. "--image" belongs to this
// build and comes first; every rule about "the first argument" applies to what follows it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hivelet::shell {

inline constexpr const char* ImageOption = "--image";

struct CommandLine {
    std::optional<std::string> imageDir; // the system image to work on, when given
    std::vector<std::string> arguments;  // everything after "--image DIR"
    std::string error;                   // not empty: the command line cannot be used
};

// `args` excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

enum class UnattendedSwitch { None, Silent, Scan };

// The switch the first argument names: the whole argument equal to "/Silent" or "/Scan",
// ignoring case. Anything else, or no argument, means interactive use.
UnattendedSwitch FirstArgumentSwitch(const std::vector<std::string>& arguments);

} // namespace hivelet::shell
