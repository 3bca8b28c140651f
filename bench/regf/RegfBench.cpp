// Compaction of large churned hives against copying the same file and against a read-only walk
// of every key and value with libhivex, in one run, with the peak memory of each; then, for each
// hive, recovery from transaction logs holding every page of it plus compaction, against
// compacting the same hive already recovered.
//
//   regf_bench [--dir DIR] [--runs N] [--quick] [--keep] [--durable] [--samples DIR]
//
// --samples: the sample hives' folder; its dirty SYSTEM_B with its logs (as Windows left them)
// joins the recovery comparison.
//
// Each measurement runs in a fresh process (this program started again with --measure), so its
// peak resident memory (VmHWM) is its own; times exclude process start-up. Inputs are read once
// beforehand so that every contender starts from the page cache.
#include "BenchTrees.h"
#include "DirtyHive.h"
#include "HivexWalk.h"

#include "platform/regf/InputFile.h"
#include "platform/regf/OutputFile.h"
#include "platform/regf/Regf.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace regf = hivelet::regf;
namespace fs = std::filesystem;

namespace {

struct Sample {
    double seconds = -1; // wall clock
    double cpu = -1;     // user + system time of the process
    double peakMiB = -1;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return -1;
}

// What a compactor that reads the hive into memory and writes its copy through the page cache
// spends before any parsing: the file read the way compaction reads it, then `outBytes` of it
// written out the way compaction writes.
bool InputOutputFloor(const std::string& source, const std::string& target, uint64_t outBytes) {
    regf::InputFile input;
    regf::Status read = input.read(source, UINT64_MAX, [](uint64_t) { return regf::Status{}; });
    regf::OutputFile output;
    if (!read.ok() || !output.create(target, true).ok()) {
        return false;
    }
    outBytes = std::min(outBytes, input.size()); // a compact copy is never larger
    return output.write(input.data(), outBytes) && output.publish(false).ok();
}

// The child side: one operation, then "seconds cpu peakMiB" on stdout.
int Measure(const std::string& op, const std::string& source, const std::string& target,
            uint64_t outBytes) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds();
    bool ok = false;
    if (op == "copy" || op == "copysync") {
        std::error_code ec;
        ok = fs::copy_file(source, target, ec);
        if (ok && op == "copysync") {
            int fd = open(target.c_str(), O_WRONLY);
            ok = fd >= 0 && fsync(fd) == 0;
            if (fd >= 0) {
                close(fd);
            }
        }
    } else if (op == "copyrw") {
        // A copy through user space: read and write in 1 MiB blocks.
        std::ifstream in(source, std::ios::binary);
        std::ofstream out(target, std::ios::binary);
        std::vector<char> buffer(1 << 20);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            out.write(buffer.data(), in.gcount());
        }
        ok = static_cast<bool>(out);
    } else if (op == "compact" || op == "compactsync") {
        regf::CompactOptions options;
        options.durable = op == "compactsync";
        regf::Status s = regf::CompactHiveFile(source, target, options);
        ok = s.ok();
        if (!ok) {
            std::fprintf(stderr, "%s\n", s.message.c_str());
        }
    } else if (op == "floor") {
        ok = InputOutputFloor(source, target, outBytes);
    } else if (op == "hivex") {
        ok = HivexWalk(source).ok;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double cpu = CpuSeconds() - cpuStart;
    std::printf("%.6f %.6f %.1f\n", seconds, cpu, PeakResidentMiB());
    return ok ? 0 : 1;
}

Sample RunChild(const std::string& op, const std::string& source, const std::string& target,
                uint64_t outBytes) {
    std::error_code ec;
    fs::remove(target, ec);
    int out[2];
    if (pipe(out) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> args = {self,   "--measure", op,
                                     source, target,      std::to_string(outBytes)};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid;
    int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return {};
    }
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    Sample sample;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::sscanf(text.c_str(), "%lf %lf %lf", &sample.seconds, &sample.cpu, &sample.peakMiB);
    }
    return sample;
}

// The fastest of `runs` (wall and CPU each: on a shared machine the minimum is the least
// disturbed), and the largest peak.
Sample Best(const std::string& op, const std::string& source, const std::string& target, int runs,
            uint64_t outBytes = 0) {
    Sample result;
    for (int i = 0; i < runs; ++i) {
        Sample s = RunChild(op, source, target, outBytes);
        if (s.seconds < 0) {
            return {};
        }
        result.seconds = result.seconds < 0 ? s.seconds : std::min(result.seconds, s.seconds);
        result.cpu = result.cpu < 0 ? s.cpu : std::min(result.cpu, s.cpu);
        result.peakMiB = std::max(result.peakMiB, s.peakMiB);
    }
    return result;
}

void Warm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount()) {
    }
}

double MiB(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

struct Profile {
    const char* name;
    uint64_t dataBytes;
    bool dataHeavy;
    double churn;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && args[0] == "--measure") {
        return Measure(args[1], args[2], args[3], std::stoull(args[4]));
    }
    fs::path dir = fs::temp_directory_path() / "hivelet-regf-bench";
    int runs = 5;
    bool quick = false;
    bool keep = false;
    bool durable = false;
    fs::path samples;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir" && i + 1 < args.size()) {
            dir = args[++i];
        } else if (args[i] == "--runs" && i + 1 < args.size()) {
            runs = std::max(1, std::stoi(args[++i]));
        } else if (args[i] == "--quick") {
            quick = true;
        } else if (args[i] == "--durable") {
            durable = true; // also to disk: copy + fsync against a durable compaction
        } else if (args[i] == "--samples" && i + 1 < args.size()) {
            samples = args[++i];
        } else if (args[i] == "--keep") {
            keep = true; // leave the generated hives for profiling
        }
    }
    fs::create_directories(dir);
    std::vector<Profile> profiles = {
        {"keys-40M", 30ull << 20, false, 0.25},
        {"mixed-100M", 85ull << 20, true, 0.15},
        {"mixed-220M", 190ull << 20, true, 0.15},
    };
    if (quick) {
        profiles = {{"keys-8M", 6ull << 20, false, 0.25}, {"mixed-20M", 16ull << 20, true, 0.15}};
    }

    std::printf("times in ms: wall clock / CPU (user + system); ratios on CPU time\n");
    std::printf(
        "copy = std::filesystem::copy_file (in-kernel), r/w copy = read/write loop, 1 MiB\n");
    std::printf(
        "i/o floor = the hive read as compaction reads it, the copy's size written from it\n");
    std::printf("%-11s %7s %7s %7s %11s %11s %11s %11s %11s %7s %8s %8s %9s %10s %8s %7s %8s\n",
                "hive", "MiB", "keys", "values", "copy", "r/w copy", "i/o floor", "compact",
                "hivex walk", "out MiB", "cmp/copy", "cmp/r/w", "cmp/hivex", "floor/copy",
                "peak MiB", "bound", "hivex pk");
    bool allWithin = true;
    struct RecoveryRow {
        std::string name;
        double logsMiB;
        Sample dirty;
        Sample recovered;
    };
    std::vector<RecoveryRow> recoveryRows;
    bool recoveryWithin = true;
    for (const Profile& profile : profiles) {
        std::string source = (dir / (std::string(profile.name) + ".hive")).string();
        std::string target = (dir / (std::string(profile.name) + ".out")).string();
        uint64_t keys = 0;
        uint64_t values = 0;
        {
            regf::Key tree = MakeBenchTree(profile.dataBytes, profile.dataHeavy, 1, keys, values);
            regf::WriteOptions options;
            options.freeFraction = profile.churn;
            options.seed = 3;
            regf::Status s = regf::WriteHiveFile(tree, source, options);
            if (!s.ok()) {
                std::fprintf(stderr, "%s\n", s.message.c_str());
                return 1;
            }
        }
        Warm(source);
        Sample copy = Best("copy", source, target, runs);
        Sample copyRw = Best("copyrw", source, target, runs);
        Sample compact = Best("compact", source, target, runs);
        uint64_t inBytes = fs::file_size(source);
        uint64_t outBytes = fs::file_size(target);
        regf::Status verified = regf::VerifyCompactHiveFile(target);
        if (!verified.ok()) {
            std::fprintf(stderr, "copy fails verification: %s\n", verified.message.c_str());
            return 1;
        }
        Sample floor = Best("floor", source, target, runs, outBytes);
        Sample hivex = HivexAvailable() ? Best("hivex", source, target, runs) : Sample{};
        double bound = MiB(inBytes) + MiB(outBytes) + 16.0;
        allWithin = allWithin && compact.peakMiB <= bound;
        auto ms = [](const Sample& t) {
            char text[32];
            std::snprintf(text, sizeof text, "%.0f/%.0f", t.seconds * 1e3, t.cpu * 1e3);
            return std::string(text);
        };
        std::printf("%-11s %7.1f %7llu %7llu %11s %11s %11s %11s %11s %7.1f %8.2f %8.2f %9.2f "
                    "%10.2f %8.1f %7.1f %8.1f\n",
                    profile.name, MiB(inBytes), static_cast<unsigned long long>(keys),
                    static_cast<unsigned long long>(values), ms(copy).c_str(), ms(copyRw).c_str(),
                    ms(floor).c_str(), ms(compact).c_str(), ms(hivex).c_str(), MiB(outBytes),
                    compact.cpu / copy.cpu, compact.cpu / copyRw.cpu,
                    hivex.cpu > 0 ? compact.cpu / hivex.cpu : 0.0, floor.cpu / copy.cpu,
                    compact.peakMiB, bound, hivex.peakMiB);
        if (durable) {
            Sample copySync = Best("copysync", source, target, runs);
            Sample compactSync = Best("compactsync", source, target, runs);
            std::printf("%-11s to disk (fsync): copy %s, compact %s, wall-clock ratio %.2f\n", "",
                        ms(copySync).c_str(), ms(compactSync).c_str(),
                        compactSync.seconds / copySync.seconds);
        }
        std::fflush(stdout);

        // The same hive dirty, with all of it in its logs, against the hive recovered.
        std::string dirty = (dir / (std::string(profile.name) + ".dirty")).string();
        std::string recovered = (dir / (std::string(profile.name) + ".recovered")).string();
        regf::Recovery recovery;
        fs::remove(recovered);
        if (!WriteDirtyHiveWithLogs(source, dirty) ||
            !regf::RecoverHiveFile(dirty, recovered, recovery).ok() || recovery.entries == 0) {
            std::fprintf(stderr, "could not make or recover the dirty hive\n");
            return 1;
        }
        for (const char* f : {"", ".LOG1", ".LOG2"}) {
            Warm(dirty + f);
        }
        Warm(recovered);
        RecoveryRow row{
            profile.name, MiB(fs::file_size(dirty + ".LOG1") + fs::file_size(dirty + ".LOG2")),
            Best("compact", dirty, target, runs), Best("compact", recovered, target, runs)};
        recoveryWithin = recoveryWithin && row.dirty.cpu <= 1.2 * row.recovered.cpu;
        recoveryRows.push_back(row);
        if (!keep) {
            for (const char* f : {"", ".LOG1", ".LOG2"}) {
                fs::remove(dirty + f);
            }
            fs::remove(recovered);
            fs::remove(source);
            fs::remove(target);
        }
    }
    const fs::path sampleDirty = samples / "regipy/regipy_tests/data/SYSTEM_B";
    if (!samples.empty() && fs::exists(sampleDirty)) {
        std::string recovered = (dir / "SYSTEM_B.recovered").string();
        std::string target = (dir / "SYSTEM_B.out").string();
        regf::Recovery recovery;
        fs::remove(recovered);
        if (regf::RecoverHiveFile(sampleDirty.string(), recovered, recovery).ok()) {
            for (const char* f : {"", ".LOG1", ".LOG2"}) {
                Warm(sampleDirty.string() + f);
            }
            Warm(recovered);
            RecoveryRow row{"SYSTEM_B",
                            MiB(fs::file_size(sampleDirty.string() + ".LOG1") +
                                fs::file_size(sampleDirty.string() + ".LOG2")),
                            Best("compact", sampleDirty.string(), target, runs),
                            Best("compact", recovered, target, runs)};
            recoveryWithin = recoveryWithin && row.dirty.cpu <= 1.2 * row.recovered.cpu;
            recoveryRows.push_back(row);
        }
        fs::remove(recovered);
        fs::remove(target);
    }
    std::printf("\nrecovery: compaction of the dirty hive (read through logs holding every page) "
                "against compaction of the recovered hive\n");
    std::printf("%-11s %8s %13s %13s %9s %9s %9s\n", "hive", "logs MiB", "dirty+logs", "recovered",
                "ratio", "peak MiB", "rec. pk");
    for (const RecoveryRow& row : recoveryRows) {
        char dirtyText[32];
        char recoveredText[32];
        std::snprintf(dirtyText, sizeof dirtyText, "%.0f/%.0f", row.dirty.seconds * 1e3,
                      row.dirty.cpu * 1e3);
        std::snprintf(recoveredText, sizeof recoveredText, "%.0f/%.0f", row.recovered.seconds * 1e3,
                      row.recovered.cpu * 1e3);
        std::printf("%-11s %8.1f %13s %13s %9.2f %9.1f %9.1f\n", row.name.c_str(), row.logsMiB,
                    dirtyText, recoveredText, row.dirty.cpu / row.recovered.cpu, row.dirty.peakMiB,
                    row.recovered.peakMiB);
    }
    std::printf("target: recovery + compaction <= 1.2 x compaction of the recovered hive (%s)\n",
                recoveryWithin ? "met" : "MISSED");
    std::printf("targets: compaction <= 1.5 x copy, <= 0.5 x hivex walk, peak <= in + out + 16 MiB "
                "(%s)\n",
                allWithin ? "memory within bound" : "MEMORY OVER BOUND");
    return 0;
}
