#include "shell/CommandLine.h"

#include "catalogue/TextCase.h"

namespace hivelet::shell {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    size_t first = 0;
    if (!args.empty() && args[0] == ImageOption) {
        if (args.size() < 2 || args[1].empty()) {
            cl.error = "--image needs the folder of a system image";
            return cl;
        }
        cl.imageDir = args[1];
        first = 2;
    } else if (!args.empty() && args[0] == WindowsOption) {
        if (args.size() < 2 || args[1].empty()) {
            cl.error = "--windows needs the folder that holds a Windows installation";
            return cl;
        }
        cl.windowsRoot = args[1];
        first = 2;
        if (args.size() > 2 && args[2] == UndoOption) {
            if (args.size() > 3) {
                cl.error = "--undo takes nothing after it";
                return cl;
            }
            cl.undo = true;
            first = 3;
        }
    }
    cl.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(first), args.end());
    return cl;
}

UnattendedSwitch FirstArgumentSwitch(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return UnattendedSwitch::None;
    if (catalogue::SameTextNoCase(arguments[0], "/Silent"))
        return UnattendedSwitch::Silent;
    if (catalogue::SameTextNoCase(arguments[0], "/Scan"))
        return UnattendedSwitch::Scan;
    return UnattendedSwitch::None;
}

} // namespace hivelet::shell
