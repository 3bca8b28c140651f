#include "shell/CommandLine.h"

#include "platform/TextCase.h"

namespace hivelet::shell {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    size_t next = 0;
    while (next < args.size() && args[next].rfind("--", 0) == 0) {
        const std::string& option = args[next++];
        if (option == ImageOption) {
            if (next >= args.size() || args[next].empty()) {
                cl.error = "--image needs the folder of a system image";
                return cl;
            }
            cl.imageDir = args[next++];
        } else if (option == WindowsOption) {
            if (next >= args.size() || args[next].empty()) {
                cl.error = "--windows needs the folder that holds a Windows installation";
                return cl;
            }
            cl.windowsRoot = args[next++];
            if (next < args.size() && args[next] == UndoOption) {
                if (next + 1 < args.size()) {
                    cl.error = "--undo takes nothing after it";
                    return cl;
                }
                cl.undo = true;
                ++next;
            }
        } else if (option == HelpOption) {
            cl.help = true;
        } else if (option == VersionOption) {
            cl.version = true;
        } else {
            // Options that take a value read it here, as --image does.
            cl.error = "unknown option " + option;
            return cl;
        }
    }
    if (cl.imageDir && cl.windowsRoot) {
        cl.error = "--image and --windows name two machines; give one";
        return cl;
    }
    cl.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(next), args.end());
    return cl;
}

UnattendedSwitch FirstArgumentSwitch(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return UnattendedSwitch::None;
    if (platform::SameNoCase(arguments[0], "/Silent"))
        return UnattendedSwitch::Silent;
    if (platform::SameNoCase(arguments[0], "/Scan"))
        return UnattendedSwitch::Scan;
    return UnattendedSwitch::None;
}

} // namespace hivelet::shell
