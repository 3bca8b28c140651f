// hivelet-regf: compact, verify, dump, recover or describe a hive file. A dirty hive is read
// through the transaction logs beside it.
// Exit status 0 on success; 1 on failure with one line on stderr; 2 for a usage error.
#include "platform/regf/Regf.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace regf = hivelet::regf;

namespace {

constexpr const char* kVersion = "hivelet-regf 1.1";

constexpr const char* kHelp =
    "usage: hivelet-regf COMMAND ARGS...\n"
    "\n"
    "Reads, checks and rewrites Windows registry hive files. A dirty hive (one whose newest\n"
    "changes are still in its .LOG1/.LOG2 transaction logs) is recovered from the logs beside\n"
    "it, in memory; the hive and its logs are never written.\n"
    "\n"
    "commands:\n"
    "  compact IN OUT [--subtree PATH]  write a compact copy of IN (or of one key's subtree)\n"
    "  verify FILE [--compact]          check the structure (--compact: as a compact copy)\n"
    "  dump FILE                        print the whole tree as canonical text\n"
    "  recover HIVE OUT                 write HIVE with its logs applied, as Windows would\n"
    "  info HIVE                        print base block facts, logs, replay and space used\n"
    "  --help                           print this text\n"
    "  --version                        print the version\n"
    "\n"
    "exit status: 0 success, 1 failure (one line on stderr), 2 usage error\n";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "hivelet-regf: %s (try hivelet-regf --help)\n", problem.c_str());
    return 2;
}

int Report(const regf::Status& status) {
    if (status.ok()) {
        return 0;
    }
    std::fprintf(stderr, "hivelet-regf: %s\n", status.message.c_str());
    return 1;
}

std::string Time(uint64_t filetime) {
    if (filetime == 0) {
        return "never";
    }
    constexpr uint64_t kUnixEpoch = 116444736000000000ull;
    if (filetime < kUnixEpoch) {
        return "before 1970";
    }
    std::time_t seconds = static_cast<std::time_t>((filetime - kUnixEpoch) / 10000000);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &seconds);
#else
    gmtime_r(&seconds, &tm);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

void PrintRecovery(const regf::Recovery& r) {
    if (!r.dirty) {
        std::printf("replay:          none (the hive is clean)\n");
        return;
    }
    std::printf("replay:          %s\n", r.summary().c_str());
    for (const regf::LogUse& use : r.applied) {
        std::printf("  applied        %s: %s\n", use.path.c_str(), use.end.c_str());
    }
    for (const std::string& skipped : r.skipped) {
        std::printf("  not used       %s\n", skipped.c_str());
    }
    std::printf("  sequence       %u/%u after replay\n", r.sequence, r.sequence);
    std::printf("  bins data      %u -> %u bytes\n", r.binsSizeBefore, r.binsSizeAfter);
}

int Info(const std::string& path) {
    regf::HiveFacts f;
    regf::Status status = regf::InspectHiveFile(path, f);
    if (f.majorVersion == 0) {
        return Report(status);
    }
    bool dirty = !f.checksumValid || f.primarySequence != f.secondarySequence;
    std::printf("file:            %s (%llu bytes)\n", path.c_str(),
                static_cast<unsigned long long>(f.fileSize));
    std::printf("version:         %u.%u\n", f.majorVersion, f.minorVersion);
    std::printf("sequence:        %u/%u\n", f.primarySequence, f.secondarySequence);
    std::printf("state:           %s%s\n", dirty ? "dirty" : "clean",
                f.checksumValid ? "" : " (base block checksum wrong)");
    std::printf("last written:    %s\n", Time(f.lastWritten).c_str());
    std::string reorganized = Time(f.lastReorganized);
    if (f.reorganizedDefragmented) {
        reorganized += ", defragmented";
    }
    if (f.reorganizedAccessCleared) {
        reorganized += ", access history cleared";
    }
    std::printf("reorganized:     %s\n", reorganized.c_str());
    std::printf("bins data:       %u bytes\n", f.binsDataSize);
    std::printf("logs:            %s\n", f.logs.empty()
                                             ? "none beside it"
                                             : (std::to_string(f.logs.size()) + " found").c_str());
    for (const std::string& log : f.logs) {
        std::printf("  %s\n", log.c_str());
    }
    if (status.ok()) {
        PrintRecovery(f.recovery);
        std::printf("space used:      %llu bytes in cells, %llu bytes free\n",
                    static_cast<unsigned long long>(f.allocatedBytes),
                    static_cast<unsigned long long>(f.freeBytes));
        std::printf("compact copy:    %llu bytes\n",
                    static_cast<unsigned long long>(f.compactSize));
    }
    std::fflush(stdout);
    return Report(status);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage("no command");
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("%s\n", kVersion);
        return 0;
    }
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
    if (command == "recover" && args.size() == 3) {
        regf::Recovery recovery;
        regf::Status status = regf::RecoverHiveFile(args[1], args[2], recovery);
        if (status.ok()) {
            std::printf("%s\n",
                        recovery.dirty ? recovery.summary().c_str() : "clean: written unchanged");
        }
        return Report(status);
    }
    if (command == "info" && args.size() == 2) {
        return Info(args[1]);
    }
    for (const std::string& arg : args) {
        if (arg.size() > 1 && arg[0] == '-' && arg != "--subtree" && arg != "--compact") {
            return Usage("unknown option " + arg);
        }
    }
    static const std::vector<std::string> commands = {"compact", "verify", "dump", "recover",
                                                      "info"};
    for (const std::string& known : commands) {
        if (command == known) {
            return Usage("wrong arguments for " + command);
        }
    }
    return Usage("unknown command " + command);
}
