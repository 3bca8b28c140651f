#include "shell/Usage.h"

#include "info/Product.h"
#include "shell/CommandLine.h"

namespace hivelet::shell {

namespace {

struct OptionHelp {
    std::string name; // with its value, as typed: "--image DIR"
    std::string text;
};

// The options, in the order the help lists them; a new option gets its line here.
std::string OptionsText() {
    const OptionHelp options[] = {
        {std::string(ImageOption) + " DIR", "work on the Windows system image in folder DIR"},
        {std::string(WindowsOption) + " ROOT",
         "work on the Windows installation that is not running whose system drive is the\n"
         "                      folder ROOT (the one holding its Windows folder); its hives\n"
         "                      are replaced at once, nothing is restarted"},
        {std::string(UndoOption), "after --windows ROOT: put back the hives of the last\n"
                                  "                      compaction from their .bak files"},
        {HelpOption, "print this text and exit"},
        {VersionOption, "print the version and exit"},
    };
    std::string out = "Options (before the switch):\n";
    for (const OptionHelp& o : options)
        out += "  " + o.name + std::string(o.name.size() < 20 ? 20 - o.name.size() : 1, ' ') +
               o.text + "\n";
    return out;
}

} // namespace

std::string UsageLine(Build build, const std::string& program) {
    const std::string machine = build == Build::Linux ? " {--image DIR | --windows ROOT}"
                                                      : " [--image DIR | --windows ROOT]";
    return "usage: " + program + machine + " [/Silent | /Scan [RESULTFILE]]";
}

std::string HelpText(Build build, const std::string& program) {
    std::string out = UsageLine(build, program) + "\n";
    out += "       " + program + " --windows ROOT --undo\n";
    out += "       " + program + " --help | --version\n\n";
    out += build == Build::Linux
               ? "Compacts the registry hives of a Windows system image or of a Windows\n"
                 "installation that is not running.\n\n"
               : "Compacts the Windows registry (or the hives of a system image, or of a\n"
                 "Windows installation that is not running).\n\n";
    out += OptionsText();
    out += "\nSwitches (the first argument after the options; letter case does not matter):\n"
           "  /Scan [RESULTFILE]  analyse every hive unseen; with RESULTFILE, write the totals\n"
           "                      to its section \"Scan Result\"\n"
           "  /Silent             analyse every hive unseen and, when that succeeds, compact\n"
           "                      them and restart Windows\n";
    out += build == Build::Linux ? "  (none)              list the hives of the image\n"
                                 : "  (none)              open the window\n";
    out += "\nWith a switch no message box waits: its text goes to standard error.\n"
           "\nExit codes:\n"
           "  0  done\n"
           "  1  the analysis or the compaction did not succeed, or an error was reported\n"
           "  2  wrong arguments\n";
    return out;
}

std::string VersionLine() {
    return std::string(info::ProductTitle) + " " + info::VersionText;
}

} // namespace hivelet::shell
