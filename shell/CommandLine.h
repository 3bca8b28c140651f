// The command line: `[OPTIONS] [/Silent | /Scan [RESULTFILE]]`, or `--windows ROOT --undo`.
// The options ("--image DIR", "--windows ROOT", "--help", "--version") belong to this build and
// come first; every rule about "the first argument" applies to what follows them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hivelet::shell {

inline constexpr const char* ImageOption = "--image";
inline constexpr const char* WindowsOption = "--windows";
inline constexpr const char* UndoOption = "--undo";
inline constexpr const char* HelpOption = "--help";
inline constexpr const char* VersionOption = "--version";

struct CommandLine {
    std::optional<std::string> imageDir; // the system image to work on, when given
    // The folder holding a Windows installation that is not running (its system drive).
    std::optional<std::string> windowsRoot;
    bool undo = false;                  // --windows ROOT --undo: put back the last compaction
    bool help = false;                  // print the usage and end
    bool version = false;               // print the version and end
    std::vector<std::string> arguments; // everything after the options
    std::string error;                  // not empty: the command line cannot be used (one line)
};

// `args` excludes the program name. Options are read while the arguments begin with "--"; an
// option this build does not know is an error.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

enum class UnattendedSwitch { None, Silent, Scan };

// The switch the first argument names: the whole argument equal to "/Silent" or "/Scan",
// ignoring case. Anything else, or no argument, means interactive use.
UnattendedSwitch FirstArgumentSwitch(const std::vector<std::string>& arguments);

} // namespace hivelet::shell
