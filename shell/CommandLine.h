// The command line: `[--image DIR | --windows ROOT] [/Silent | /Scan [RESULTFILE]]`, or
// `--windows ROOT --undo`. "--image" and "--windows" belong to this build and come first; every
// rule about "the first argument" applies to what follows them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hivelet::shell {

inline constexpr const char* ImageOption = "--image";
inline constexpr const char* WindowsOption = "--windows";
inline constexpr const char* UndoOption = "--undo";

struct CommandLine {
    std::optional<std::string> imageDir; // the system image to work on, when given
    // The folder holding a Windows installation that is not running (its system drive).
    std::optional<std::string> windowsRoot;
    bool undo = false;                  // --windows ROOT --undo: put back the last compaction
    std::vector<std::string> arguments; // everything after "--image DIR" or "--windows ROOT"
    std::string error;                  // not empty: the command line cannot be used
};

// `args` excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

enum class UnattendedSwitch { None, Silent, Scan };

// The switch the first argument names: the whole argument equal to "/Silent" or "/Scan",
// ignoring case. Anything else, or no argument, means interactive use.
UnattendedSwitch FirstArgumentSwitch(const std::vector<std::string>& arguments);

} // namespace hivelet::shell
