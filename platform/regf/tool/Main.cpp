// hivelet-regf: compact, verify or dump a hive file.
//   hivelet-regf compact IN OUT [--subtree PATH]
//   hivelet-regf verify FILE [--compact]
//   hivelet-regf dump FILE
// Exit status 0 on success; otherwise 1 with one line on stderr (2 for a usage error).
#include "platform/regf/Regf.h"

#include <cstdio>
#include <string>
#include <vector>

namespace regf = hivelet::regf;

namespace {

int Usage() {
    std::fputs("usage: hivelet-regf compact IN OUT [--subtree PATH] | verify FILE [--compact] | "
               "dump FILE\n",
               stderr);
    return 2;
}

int Report(const regf::Status& status) {
    if (status.ok()) {
        return 0;
    }
    std::fprintf(stderr, "hivelet-regf: %s\n", status.message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage();
    }
    const std::string& command = args[0];
    if (command == "compact" &&
        (args.size() == 3 || (args.size() == 5 && args[3] == "--subtree"))) {
        regf::CompactOptions options;
        if (args.size() == 5) {
            options.subtreePath = args[4];
        }
        return Report(regf::CompactHiveFile(args[1], args[2], options));
    }
    if (command == "verify" && args.size() == 2) {
        return Report(regf::VerifyHiveFile(args[1]));
    }
    if (command == "verify" && args.size() == 3 && args[2] == "--compact") {
        return Report(regf::VerifyCompactHiveFile(args[1]));
    }
    if (command == "dump" && args.size() == 2) {
        std::string text;
        regf::Status status = regf::DumpHiveFile(args[1], text);
        if (status.ok()) {
            std::fwrite(text.data(), 1, text.size(), stdout);
        }
        return Report(status);
    }
    return Usage();
}
