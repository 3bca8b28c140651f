// Compaction against the baselines its speed targets name, in one run and side by side: a
// durable copy of the same file (copy + fsync), a read-only libhivex walk of every key and
// value, a plain copy and the i/o floor (also flushed, as a durable floor); on large generated
// hives and on real ones from the sample folder. Then, for the generated hives, recovery from
// transaction logs holding every page plus compaction, against compacting the same hive already
// recovered.
//
//   regf_bench [--dir DIR] [--runs N] [--quick] [--keep] [--samples DIR]
//
// --samples: the sample hives' folder (default: ../shared/hives beside the repository); without
// it the real-hive rows are skipped with a message.
//
// Each measurement runs in a fresh process (this program started again with --measure), so its
// peak resident memory (VmHWM) is its own; times exclude process start-up. Inputs are read once
// beforehand so that every contender starts from the page cache. The contenders take turns, run
// after run, so that a change in the machine's load falls on all of them alike; each figure is
// the median of its runs, the peak the largest.
#include "BenchTrees.h"
#include "HivexWalk.h"

#include "platform/regf/InputFile.h"
#include "platform/regf/OutputFile.h"
#include "platform/regf/Regf.h"
#include "platform/regf/support/DirtyHive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
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
// written out the way compaction writes (`durable`: and flushed to disk the way it does that).
bool InputOutputFloor(const std::string& source, const std::string& target, uint64_t outBytes,
                      bool durable) {
    regf::InputFile input;
    regf::Status read = input.read(source, UINT64_MAX, [](uint64_t) { return regf::Status{}; });
    regf::OutputFile output;
    if (!read.ok() || !output.create(target, true).ok()) {
        return false;
    }
    if (durable) {
        output.writeBehind();
    }
    outBytes = std::min(outBytes, input.size()); // a compact copy is never larger
    return output.write(input.data(), outBytes) && output.publish(durable).ok();
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
    } else if (op == "compact" || op == "compactsync") {
        regf::CompactOptions options;
        options.durable = op == "compactsync";
        regf::Status s = regf::CompactHiveFile(source, target, options);
        ok = s.ok();
        if (!ok) {
            std::fprintf(stderr, "%s\n", s.message.c_str());
        }
    } else if (op == "floor" || op == "floorsync") {
        ok = InputOutputFloor(source, target, outBytes, op == "floorsync");
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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? -1 : n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs every operation `runs` times, taking turns; medians of wall and CPU, the largest peak.
// An operation that fails in any run gets no figures (seconds < 0).
std::map<std::string, Sample> SideBySide(const std::vector<std::string>& ops,
                                         const std::string& source, const std::string& target,
                                         int runs, uint64_t outBytes = 0) {
    std::map<std::string, std::vector<Sample>> all;
    for (int i = 0; i < runs; ++i) {
        for (const std::string& op : ops) {
            all[op].push_back(RunChild(op, source, target, outBytes));
        }
    }
    std::map<std::string, Sample> result;
    for (const auto& [op, samples] : all) {
        std::vector<double> wall;
        std::vector<double> cpu;
        Sample s;
        bool failed = false;
        for (const Sample& one : samples) {
            failed = failed || one.seconds < 0;
            wall.push_back(one.seconds);
            cpu.push_back(one.cpu);
            s.peakMiB = std::max(s.peakMiB, one.peakMiB);
        }
        if (!failed) {
            s.seconds = Median(wall);
            s.cpu = Median(cpu);
        }
        result[op] = s;
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

struct Input {
    std::string name;
    std::string path;
    uint64_t keys = 0; // known for generated hives only
    uint64_t values = 0;
};

struct Row {
    std::string name;
    double inMiB = 0;
    double outMiB = 0;
    std::map<std::string, Sample> t;
};

std::string Ms(const Sample& t) {
    if (t.seconds < 0) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f/%.1f", t.seconds * 1e3, t.cpu * 1e3);
    return text;
}

// "met", "MISSED", or, where the i/o floor alone (`floor`, the same ratio for the hive read and
// its copy written with no parsing at all) is already past the limit, that no compactor of that
// kind can meet it. With `additive` (CPU time, where the parse adds to the floor; wall time
// does not add, the flush overlapping the parse), a miss below that says how much faster the
// part above the floor (checking and composing) would have to become.
std::string Verdict(double ratio, double limit, double floor, bool additive) {
    if (ratio <= limit) {
        return "met";
    }
    char text[128];
    if (floor > limit) {
        std::snprintf(text, sizeof text, "MISSED, out of reach: the i/o floor alone is %.2f x",
                      floor);
    } else if (additive && ratio > floor) {
        std::snprintf(text, sizeof text,
                      "MISSED; the i/o floor is %.2f x, the parse above it would need to be "
                      "%.1f x as fast",
                      floor, (ratio - floor) / (limit - floor));
    } else {
        std::snprintf(text, sizeof text, "MISSED; the i/o floor is %.2f x", floor);
    }
    return text;
}

// The targets: durable compaction wall <= 1.5 x durable copy; its CPU <= 0.8 x the hivex walk;
// peak memory <= input + output + 16 MiB. False if any is missed. Each ratio is printed with the
// same ratio for the durable i/o floor: the least a compactor spends that reads the hive into
// memory of its own (a snapshot that cannot change under its checks) and writes a durable copy.
bool PrintTargets(const Row& row) {
    const Sample& copySync = row.t.at("copysync");
    const Sample& compactSync = row.t.at("compactsync");
    const Sample& floorSync = row.t.at("floorsync");
    Sample hivex = row.t.count("hivex") ? row.t.at("hivex") : Sample{};
    // A contender that failed in a run has no figures: no ratio of it can be met.
    for (const char* op : {"copysync", "compactsync", "compact", "floorsync", "hivex"}) {
        if (row.t.count(op) != 0 && row.t.at(op).seconds < 0) {
            std::printf("%-14s MISSED: a run of '%s' failed\n", row.name.c_str(), op);
            return false;
        }
    }
    double wall = compactSync.seconds / copySync.seconds;
    double bound = row.inMiB + row.outMiB + 16.0;
    bool wallMet = wall <= 1.5;
    bool memoryMet = compactSync.peakMiB <= bound && row.t.at("compact").peakMiB <= bound;
    std::printf("%-14s wall %.2f x durable copy (<= 1.5: %s)", row.name.c_str(), wall,
                Verdict(wall, 1.5, floorSync.seconds / copySync.seconds, false).c_str());
    bool cpuMet = true;
    if (hivex.seconds > 0) {
        double cpu = compactSync.cpu / hivex.cpu;
        cpuMet = cpu <= 0.8;
        std::printf("; CPU %.2f x hivex walk (<= 0.8: %s)", cpu,
                    Verdict(cpu, 0.8, floorSync.cpu / hivex.cpu, true).c_str());
    } else {
        std::printf("; CPU against hivex: no hivex walk (libhivex-dev missing?)");
    }
    std::printf("; peak %.1f MiB, bound %.1f (%s)\n", compactSync.peakMiB, bound,
                memoryMet ? "met" : "MISSED");
    return wallMet && cpuMet && memoryMet;
}

// Verifies the copy, then measures every contender side by side.
bool MeasureRow(const Input& input, const fs::path& dir, int runs, Row& row) {
    std::string target = (dir / (input.name + ".out")).string();
    Warm(input.path);
    fs::remove(target);
    regf::Status s = regf::CompactHiveFile(input.path, target, {});
    if (s.ok()) {
        s = regf::VerifyCompactHiveFile(target);
    }
    if (!s.ok()) {
        std::fprintf(stderr, "%s: %s\n", input.name.c_str(), s.message.c_str());
        return false;
    }
    row.name = input.name;
    row.inMiB = MiB(fs::file_size(input.path));
    uint64_t outBytes = fs::file_size(target);
    row.outMiB = MiB(outBytes);
    std::vector<std::string> ops = {"copysync", "compactsync", "copy",
                                    "compact",  "floor",       "floorsync"};
    if (HivexAvailable()) {
        ops.push_back("hivex");
    }
    row.t = SideBySide(ops, input.path, target, runs, outBytes);
    fs::remove(target);
    return true;
}

// The real hives named by the targets, where the sample folder has them; SYSTEM_B is dirty, so
// its row is the hive recovered from its logs (written into `dir`).
std::vector<Input> SampleInputs(const fs::path& samples, const fs::path& dir) {
    std::vector<Input> inputs;
    std::error_code ec;
    if (samples.empty() || !fs::is_directory(samples, ec)) {
        std::printf("sample hives not found at '%s' (--samples DIR): real-hive rows skipped\n",
                    samples.string().c_str());
        return inputs;
    }
    const std::pair<const char*, const char*> named[] = {
        {"SYSTEM", "regipy/regipy_tests/data/SYSTEM"},
        {"SYSTEM_B", "regipy/regipy_tests/data/SYSTEM_B"},
        {"UsrClass.dat", "dfwinreg/test_data/UsrClass.dat"},
        {"NTUSER.DAT", "notatin/test_data/NTUSER.DAT"},
    };
    for (const auto& [name, relative] : named) {
        fs::path path = samples / relative;
        if (!fs::exists(path, ec)) {
            std::printf("%s not found at %s: row skipped\n", name, path.string().c_str());
            continue;
        }
        if (std::string(name) == "SYSTEM_B") {
            std::string recovered = (dir / "SYSTEM_B.recovered").string();
            fs::remove(recovered, ec);
            regf::Recovery recovery;
            regf::Status s = regf::RecoverHiveFile(path.string(), recovered, recovery);
            if (!s.ok()) {
                std::printf("SYSTEM_B could not be recovered (%s): row skipped\n",
                            s.message.c_str());
                continue;
            }
            inputs.push_back({"SYSTEM_B (rec.)", recovered});
            continue;
        }
        inputs.push_back({name, path.string()});
    }
    return inputs;
}

struct RecoveryRow {
    std::string name;
    double logsMiB;
    Sample dirty;
    Sample recovered;
};

// Whether the dirty hive's compaction took at most `limit` x the recovered one's CPU; false when
// either failed in a run.
bool Within(const RecoveryRow& row, double limit) {
    return row.dirty.seconds >= 0 && row.recovered.seconds >= 0 &&
           row.dirty.cpu <= limit * row.recovered.cpu;
}

// The hive dirty, with all of it in its logs, against the hive recovered.
bool MeasureRecovery(const std::string& name, const std::string& source, const fs::path& dir,
                     int runs, RecoveryRow& row) {
    std::string dirty = (dir / (name + ".dirty")).string();
    std::string recovered = (dir / (name + ".recovered")).string();
    std::string target = (dir / (name + ".out")).string();
    regf::Recovery recovery;
    fs::remove(recovered);
    if (!regf_test::WriteDirtyHiveWithLogs(source, dirty) ||
        !regf::RecoverHiveFile(dirty, recovered, recovery).ok() || recovery.entries == 0) {
        std::fprintf(stderr, "could not make or recover the dirty hive\n");
        return false;
    }
    for (const char* f : {"", ".LOG1", ".LOG2"}) {
        Warm(dirty + f);
    }
    Warm(recovered);
    row.name = name;
    row.logsMiB = MiB(fs::file_size(dirty + ".LOG1") + fs::file_size(dirty + ".LOG2"));
    row.dirty = SideBySide({"compact"}, dirty, target, runs).at("compact");
    row.recovered = SideBySide({"compact"}, recovered, target, runs).at("compact");
    for (const char* f : {"", ".LOG1", ".LOG2"}) {
        fs::remove(dirty + f);
    }
    fs::remove(recovered);
    fs::remove(target);
    return true;
}

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
    fs::path samples = HIVELET_SAMPLE_HIVES;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dir" && i + 1 < args.size()) {
            dir = args[++i];
        } else if (args[i] == "--runs" && i + 1 < args.size()) {
            runs = std::max(1, std::stoi(args[++i]));
        } else if (args[i] == "--quick") {
            quick = true;
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
    std::vector<Input> inputs;
    for (const Profile& profile : profiles) {
        Input input{profile.name, (dir / (std::string(profile.name) + ".hive")).string()};
        regf::Key tree =
            MakeBenchTree(profile.dataBytes, profile.dataHeavy, 1, input.keys, input.values);
        regf::WriteOptions options;
        options.freeFraction = profile.churn;
        options.seed = 3;
        regf::Status s = regf::WriteHiveFile(tree, input.path, options);
        if (!s.ok()) {
            std::fprintf(stderr, "%s\n", s.message.c_str());
            return 1;
        }
        inputs.push_back(input);
    }
    std::vector<Input> real = SampleInputs(samples, dir);
    inputs.insert(inputs.end(), real.begin(), real.end());

    std::printf("medians of %d runs, side by side; times in ms: wall clock / CPU (user + system)\n",
                runs);
    std::printf("durable copy = std::filesystem::copy_file + fsync; durable compact = "
                "compaction with fsync, as the tool does it\n");
    std::printf("copy = copy_file alone; i/o floor = the hive read as compaction reads it, the "
                "copy's size written from it; durable floor = the same, flushed as compaction "
                "flushes\n");
    std::printf("%-15s %7s %7s %13s %13s %13s %11s %11s %11s %13s %7s %7s %7s\n", "hive", "in MiB",
                "out MiB", "durable copy", "durable cmp", "hivex walk", "copy", "compact",
                "i/o floor", "durable floor", "wall x", "CPU x", "peak");
    std::vector<Row> rows;
    for (const Input& input : inputs) {
        Row row;
        if (!MeasureRow(input, dir, runs, row)) {
            return 1;
        }
        const Sample& hivex = row.t.count("hivex") ? row.t.at("hivex") : Sample{};
        const Sample& copySync = row.t.at("copysync");
        const Sample& compactSync = row.t.at("compactsync");
        std::printf("%-15s %7.1f %7.1f %13s %13s %13s %11s %11s %11s %13s %7.2f %7.2f %7.1f\n",
                    row.name.c_str(), row.inMiB, row.outMiB, Ms(copySync).c_str(),
                    Ms(compactSync).c_str(), Ms(hivex).c_str(), Ms(row.t.at("copy")).c_str(),
                    Ms(row.t.at("compact")).c_str(), Ms(row.t.at("floor")).c_str(),
                    Ms(row.t.at("floorsync")).c_str(), compactSync.seconds / copySync.seconds,
                    hivex.cpu > 0 ? compactSync.cpu / hivex.cpu : 0.0, compactSync.peakMiB);
        std::fflush(stdout);
        rows.push_back(row);
    }
    std::printf("\ntargets (wall: durable compaction / durable copy; CPU: durable compaction / "
                "hivex walk; peak: in + out + 16 MiB)\n");
    bool allMet = true;
    for (const Row& row : rows) {
        allMet = PrintTargets(row) && allMet;
    }
    std::printf("compaction targets: %s\n", allMet ? "all met" : "NOT ALL MET");
    std::fflush(stdout);

    std::vector<RecoveryRow> recoveryRows;
    bool recoveryWithin = true;
    for (const Profile& profile : profiles) {
        RecoveryRow row;
        if (!MeasureRecovery(profile.name, (dir / (std::string(profile.name) + ".hive")).string(),
                             dir, runs, row)) {
            return 1;
        }
        recoveryWithin = recoveryWithin && Within(row, 1.2);
        recoveryRows.push_back(row);
    }
    const fs::path sampleDirty = samples / "regipy/regipy_tests/data/SYSTEM_B";
    std::string sampleRecovered = (dir / "SYSTEM_B.recovered").string();
    if (fs::exists(sampleDirty) && fs::exists(sampleRecovered)) {
        for (const char* f : {"", ".LOG1", ".LOG2"}) {
            Warm(sampleDirty.string() + f);
        }
        std::string target = (dir / "SYSTEM_B.out").string();
        RecoveryRow row{"SYSTEM_B",
                        MiB(fs::file_size(sampleDirty.string() + ".LOG1") +
                            fs::file_size(sampleDirty.string() + ".LOG2")),
                        SideBySide({"compact"}, sampleDirty.string(), target, runs).at("compact"),
                        SideBySide({"compact"}, sampleRecovered, target, runs).at("compact")};
        recoveryWithin = recoveryWithin && Within(row, 1.2);
        recoveryRows.push_back(row);
        fs::remove(target);
    }
    std::printf("\nrecovery: compaction of the dirty hive (read through logs holding every page) "
                "against compaction of the recovered hive\n");
    std::printf("%-11s %8s %13s %13s %9s %9s %9s\n", "hive", "logs MiB", "dirty+logs", "recovered",
                "ratio", "peak MiB", "rec. pk");
    for (const RecoveryRow& row : recoveryRows) {
        std::printf("%-11s %8.1f %13s %13s %9.2f %9.1f %9.1f\n", row.name.c_str(), row.logsMiB,
                    Ms(row.dirty).c_str(), Ms(row.recovered).c_str(),
                    row.dirty.cpu / row.recovered.cpu, row.dirty.peakMiB, row.recovered.peakMiB);
    }
    std::printf("target: recovery + compaction <= 1.2 x compaction of the recovered hive (%s)\n",
                recoveryWithin ? "met" : "MISSED");
    if (!keep) {
        std::error_code ec;
        for (const Profile& profile : profiles) {
            fs::remove(dir / (std::string(profile.name) + ".hive"), ec);
        }
    }
    fs::remove(sampleRecovered);
    return 0;
}
