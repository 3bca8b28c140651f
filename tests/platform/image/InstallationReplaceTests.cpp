// Replacing the hives of an installation that is not running: at once, journaled, interrupted at
// every step (completed or rolled back at the next start, nothing left behind but the backups and
// the log), undone from the backups the same way, refused on a hibernated installation; and an
// installation built from real sample hives taken through it.
#include "TestImage.h"

#include "platform/image/HiveLogs.h"
#include "platform/image/ImagePlatform.h"
#include "platform/image/Installation.h"
#include "platform/image/demo/DemoInstallation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

struct Crash {};

using Tree = std::map<std::string, std::string>; // relative path -> bytes

Tree Files(const fs::path& root) {
    Tree files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) {
            files[e.path().lexically_relative(root).generic_string()] = ReadBytes(e.path());
        }
    }
    return files;
}

// The files below `root` but the log of replacements, which stays after an undo.
Tree FilesButTheLog(const fs::path& root) {
    Tree files = Files(root);
    files.erase(std::string(StateFolderName) + "/" + ReplacementLog);
    return files;
}

// Saves the hive `name` to `file`.hvt and schedules it to replace the live one, the old kept at
// `file`.bak, as Defrag Registry does.
void SaveAndSchedule(ImagePlatform& image, const std::string& name, const std::string& file) {
    SCOPED_TRACE(name);
    auto [rootKey, sub] = RootOf(name);
    RegistryKey key;
    // As Hivelet opens them: SOFTWARE's 64-bit view, not its Wow6432Node.
    ASSERT_TRUE(image.OpenKeyEx(rootKey, sub, reg::KeyWow64_64Key | reg::KeyQueryValue, key).ok());
    Status saved = image.SaveKey(key.get(), file + ".hvt");
    key.Close();
    ASSERT_TRUE(saved.ok()) << saved.detail;
    ASSERT_TRUE(image.ReplaceKey(rootKey, sub, file + ".hvt", file + ".bak").ok());
}

// Saves every listed hive beside itself and schedules its replacement.
void ScheduleEveryHive(ImagePlatform& image) {
    for (const HivelistValue& h : image.machine().hivelist) {
        ASSERT_NO_FATAL_FAILURE(SaveAndSchedule(
            image, h.name,
            InstallationWindowsPath(h.value.data.substr(0, h.value.data.find('\0')))));
    }
}

std::string DumpOf(const fs::path& hive) {
    std::string text;
    regf::Status s = regf::DumpHiveFile(hive.string(), text);
    return s.ok() ? text : "unreadable: " + s.message;
}

// The files that differ between two trees (missing, added or changed), one per line.
std::string Differences(const Tree& a, const Tree& b) {
    std::string out;
    for (const auto& [name, bytes] : a) {
        auto it = b.find(name);
        if (it == b.end()) {
            out += "only now: " + name + "\n";
        } else if (it->second != bytes) {
            out += "changed: " + name + "\n";
        }
    }
    for (const auto& [name, bytes] : b) {
        if (!a.count(name)) {
            out += "gone: " + name + "\n";
        }
    }
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// `tree`'s entry for `rel` matched ignoring case, or nullptr.
const std::string* FindNoCase(const Tree& tree, const std::string& rel) {
    for (const auto& [name, bytes] : tree) {
        if (Lower(name) == Lower(rel)) {
            return &bytes;
        }
    }
    return nullptr;
}

class InstallationReplace : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        original_ = std::make_unique<TempFolder>("-original");
        WriteTestInstallation(original_->path());
        originalFiles_ = Files(original_->path());
        compacted_ = std::make_unique<TempFolder>("-compacted");
        CopyTree(original_->path(), compacted_->path());
        ImageOptions probe;
        probe.faultHook = [](const std::string& step) {
            replaceSteps_.push_back(step);
            return FaultAction::Proceed;
        };
        ASSERT_TRUE(Compact(compacted_->path(), probe).ok());
        newFiles_.clear();
        for (const auto& h : InstallationHives) {
            newFiles_[h.file] = ReadBytes(compacted_->path() / h.file);
            originalDumps_[h.file] = DumpOf(original_->path() / h.file);
        }
        TempFolder undoProbe("-undo-probe");
        CopyTree(compacted_->path(), undoProbe.path());
        probe.faultHook = [](const std::string& step) {
            undoSteps_.push_back(step);
            return FaultAction::Proceed;
        };
        ImagePlatform image(DeriveInstallation(undoProbe.path()), probe);
        image.UndoLastCompaction(".bak");
    }
    static void TearDownTestSuite() {
        original_.reset();
        compacted_.reset();
    }

    // What Defrag Registry does in one run: every hive saved and scheduled, then the "restart".
    static Status Compact(const fs::path& root, ImageOptions options = {},
                          std::function<void()> ended = {}) {
        ImagePlatform image(DeriveInstallation(root), std::move(options));
        EnableHivePrivileges(image);
        ScheduleEveryHive(image);
        if (ended) {
            image.SetSessionEndHandler(ended);
        }
        return image.ExitWindows(6, 1);
    }

    fs::path CopyOf(const TempFolder& from) {
        run_ = std::make_unique<TempFolder>("-run");
        CopyTree(from.path(), run_->path());
        return run_->path();
    }

    // Every hive is its old or its new file; a new one has the old one as its backup and the
    // old logs beside the backup, an old one its logs beside it and no backup. Returns how many
    // hives are new.
    static int ExpectOldOrNew(const fs::path& root, const std::string& when) {
        SCOPED_TRACE(when);
        const Tree now = Files(root);
        int fresh = 0;
        for (const auto& h : InstallationHives) {
            SCOPED_TRACE(h.file);
            const std::string live = h.file;
            if (!now.count(live)) {
                ADD_FAILURE() << "hive missing";
                continue;
            }
            const bool isOld = now.at(live) == originalFiles_.at(live);
            // A compacted copy: another file holding the same tree (its bytes carry the time
            // it was written).
            const bool isNew = !isOld && DumpOf(root / live) == originalDumps_.at(live) &&
                               now.at(live).size() == newFiles_.at(live).size();
            EXPECT_TRUE(isOld || isNew) << "hive is neither old nor new";
            const std::string* backup = FindNoCase(now, live + ".bak");
            if (isNew) {
                ++fresh;
                EXPECT_TRUE(backup && *backup == originalFiles_.at(live))
                    << "backup is not the old";
            } else {
                EXPECT_FALSE(backup);
            }
            for (const char* x : HiveLogSuffixes) {
                if (!originalFiles_.count(live + x)) {
                    continue;
                }
                const std::string* atBackup = FindNoCase(now, live + ".bak" + x);
                const std::string* atLive = FindNoCase(now, live + x);
                const std::string* log = isNew ? atBackup : atLive;
                EXPECT_TRUE(log && *log == originalFiles_.at(live + x))
                    << x << " not beside " << (isNew ? "the backup" : "its hive");
                EXPECT_FALSE(isNew ? atLive : atBackup) << x << " twice";
            }
        }
        return fresh;
    }

    // What a settled installation holds besides its own files: backups, their logs and the log
    // of replacements; no snapshot, state or journal.
    static void ExpectNothingLeftBehind(const fs::path& root) {
        for (const auto& [file, bytes] : Files(root)) {
            const bool own = originalFiles_.count(file) == 1;
            const bool backup = Lower(file).find(".bak") != std::string::npos;
            const bool log = file == std::string(StateFolderName) + "/" + ReplacementLog;
            EXPECT_TRUE(own || backup || log) << file << " left behind";
        }
    }

    static std::unique_ptr<TempFolder> original_, compacted_;
    static Tree originalFiles_, newFiles_, originalDumps_;
    static std::vector<std::string> replaceSteps_, undoSteps_;
    std::unique_ptr<TempFolder> run_;
};

std::unique_ptr<TempFolder> InstallationReplace::original_;
std::unique_ptr<TempFolder> InstallationReplace::compacted_;
Tree InstallationReplace::originalFiles_;
Tree InstallationReplace::newFiles_;
Tree InstallationReplace::originalDumps_;
std::vector<std::string> InstallationReplace::replaceSteps_;
std::vector<std::string> InstallationReplace::undoSteps_;

TEST_F(InstallationReplace, EveryHiveIsReplacedAtOnceAndNothingRestarts) {
    const fs::path root = CopyOf(*original_);
    ImagePlatform image(DeriveInstallation(root));
    EnableHivePrivileges(image);
    EXPECT_TRUE(image.ReplacesHivesAtOnce());
    ScheduleEveryHive(image);
    bool ended = false;
    image.SetSessionEndHandler([&] { ended = true; });
    ASSERT_TRUE(image.ExitWindows(6, 1).ok());
    EXPECT_FALSE(ended); // nothing restarted: the session goes on
    ASSERT_TRUE(image.lastBoot());
    EXPECT_EQ(image.lastBoot()->replaced.size(), std::size(InstallationHives));
    EXPECT_TRUE(image.pendingReplacements().empty());
    EXPECT_EQ(ExpectOldOrNew(root, "replaced"), static_cast<int>(std::size(InstallationHives)));
    ExpectNothingLeftBehind(root);
    for (const auto& h : InstallationHives) {
        EXPECT_TRUE(DumpHive(root / h.file) == DumpHive(original_->path() / h.file))
            << h.file << " does not hold the original's tree";
        EXPECT_TRUE(regf::VerifyCompactHiveFile((root / h.file).string()).ok()) << h.file;
    }
    // The privileges survive: no new session began.
    EXPECT_TRUE(image.ExitWindows(6, 1).ok());
    const auto log = image.ReadLog(ReplacementLog);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].rfind("replacement 1: replaced \\REGISTRY\\MACHINE\\SYSTEM, ", 0), 0u)
        << log[0];
    EXPECT_EQ(log[1], "replacement 2: replaced nothing");
}

TEST_F(InstallationReplace, AScheduleAnEarlierRunLeftUnappliedIsDroppedAtTheNextStart) {
    const fs::path root = CopyOf(*original_);
    {
        ImagePlatform image(DeriveInstallation(root));
        EnableHivePrivileges(image);
        ScheduleEveryHive(image);
        EXPECT_EQ(image.pendingReplacements().size(), std::size(InstallationHives));
    } // the run ends before its "restart"
    ImagePlatform next(DeriveInstallation(root));
    EXPECT_TRUE(next.pendingReplacements().empty());
    EXPECT_EQ(ExpectOldOrNew(root, "after the next start"), 0);
    ExpectNothingLeftBehind(root);
    const auto log = next.ReadLog(ReplacementLog);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("dropped, never applied: \\REGISTRY\\MACHINE\\SYSTEM", 0), 0u);
}

TEST_F(InstallationReplace, ACrashAtAnyStepIsCompletedOrRolledBackAtTheNextStart) {
    ASSERT_FALSE(replaceSteps_.empty());
    for (size_t k = 0; k < replaceSteps_.size(); ++k) {
        SCOPED_TRACE("crash before " + replaceSteps_[k]);
        const fs::path root = CopyOf(*original_);
        ImageOptions options;
        options.faultHook = AtStep(k, []() -> FaultAction { throw Crash{}; });
        EXPECT_THROW(Compact(root, options), Crash);
        ImagePlatform next(DeriveInstallation(root));
        EXPECT_TRUE(next.pendingReplacements().empty());
        const int fresh = ExpectOldOrNew(root, "after the next start");
        // Before the journal nothing was touched, so nothing is; after it, everything is done.
        EXPECT_EQ(fresh, k == 0 ? 0 : static_cast<int>(std::size(InstallationHives)));
        ExpectNothingLeftBehind(root);
    }
}

TEST_F(InstallationReplace, AFailingStepRollsItsHiveBackAndTheNextStartLeavesNothingPending) {
    for (size_t k = 0; k < replaceSteps_.size(); ++k) {
        const std::string& step = replaceSteps_[k];
        SCOPED_TRACE("failure at " + step);
        const fs::path root = CopyOf(*original_);
        ImageOptions options;
        options.faultHook = AtStep(k, [] { return FaultAction::Fail; });
        Status s = Compact(root, options);
        EXPECT_FALSE(s.ok()); // a hive or the records did not make it, which is told
        EXPECT_FALSE(s.detail.empty());
        const int fresh = ExpectOldOrNew(root, "after the failing step");
        if (step.find(' ') != std::string::npos) {
            EXPECT_EQ(fresh, static_cast<int>(std::size(InstallationHives)) - 1);
        }
        ImagePlatform next(DeriveInstallation(root));
        EXPECT_TRUE(next.pendingReplacements().empty());
        ExpectOldOrNew(root, "after the next start");
        ExpectNothingLeftBehind(root);
    }
}

TEST_F(InstallationReplace, UndoPutsBackEveryHiveByteForByteEvenWhenInterrupted) {
    ASSERT_FALSE(undoSteps_.empty());
    EXPECT_NE(std::find(undoSteps_.begin(), undoSteps_.end(),
                        "fresh-log .LOG1 \\REGISTRY\\MACHINE\\SYSTEM"),
              undoSteps_.end());
    for (size_t k = 0; k <= undoSteps_.size(); ++k) {
        SCOPED_TRACE(k < undoSteps_.size() ? "crash before " + undoSteps_[k] : "no crash");
        const fs::path root = CopyOf(*compacted_);
        {
            ImageOptions options;
            options.faultHook = AtStep(k, []() -> FaultAction { throw Crash{}; });
            ImagePlatform image(DeriveInstallation(root), options);
            if (k < undoSteps_.size()) {
                EXPECT_THROW(image.UndoLastCompaction(".bak"), Crash);
            } else {
                EXPECT_EQ(image.UndoLastCompaction(".bak").replaced.size(),
                          std::size(InstallationHives));
            }
        }
        ImagePlatform next(DeriveInstallation(root));
        if (ExpectOldOrNew(root, "after the next start") > 0) {
            next.UndoLastCompaction(".bak"); // the crash came before anything was touched
        }
        EXPECT_EQ(Differences(FilesButTheLog(root), originalFiles_), "");
        EXPECT_THROW(next.UndoLastCompaction(".bak"), std::runtime_error); // undone already
    }
}

TEST_F(InstallationReplace, AnUndoInterruptedBeforeASwapKeepsTheLogsItBroughtBack) {
    // The compacted hives were used before the undo: their logs of their own go with them, while
    // the backups' logs take the hives' log names before each swap.
    TempFolder used("-used");
    CopyTree(compacted_->path(), used.path());
    for (const auto& h : InstallationHives) {
        for (const char* x : HiveLogSuffixes) {
            if (originalFiles_.count(h.file + std::string(x))) {
                WriteBytes(used.path() / (h.file + std::string(x)), "a log of the compacted hive");
            }
        }
    }
    for (const std::string& step : undoSteps_) {
        if (step.rfind("swap ", 0) != 0) {
            continue;
        }
        SCOPED_TRACE("crash before " + step);
        const fs::path root = CopyOf(used);
        {
            ImageOptions options;
            options.faultHook = [&](const std::string& s) -> FaultAction {
                if (s == step) {
                    throw Crash{};
                }
                return FaultAction::Proceed;
            };
            ImagePlatform image(DeriveInstallation(root), options);
            EXPECT_THROW(image.UndoLastCompaction(".bak"), Crash);
        }
        ImagePlatform next(DeriveInstallation(root)); // finishes the undo
        EXPECT_EQ(Differences(FilesButTheLog(root), originalFiles_), "");
    }
}

TEST_F(InstallationReplace, LogsSpelledUnlikeTheirHiveGoWithItAndComeBack) {
    // Windows 8.1 and later spell a profile's logs in their own case ("ntuser.dat.LOG1" beside
    // "NTUSER.DAT"); here the other way round, which a host that tells cases apart sees alike.
    for (const bool failSwap : {false, true}) {
        SCOPED_TRACE(failSwap ? "the hive's swap fails" : "replaced");
        const fs::path root = CopyOf(*original_);
        const fs::path ann = root / "users/Ann";
        fs::rename(ann / "ntuser.dat.LOG1", ann / "NTUSER.DAT.LOG1");
        ImageOptions options;
        if (failSwap) {
            options.faultHook = [](const std::string& s) {
                return s == "swap \\REGISTRY\\USER\\S-1-5-21-7-8-9-1001" ? FaultAction::Fail
                                                                         : FaultAction::Proceed;
            };
        }
        Compact(root, options);
        const int all = static_cast<int>(std::size(InstallationHives));
        EXPECT_EQ(ExpectOldOrNew(root, "after the run"), failSwap ? all - 1 : all);
        if (failSwap) {
            EXPECT_TRUE(fs::exists(ann / "NTUSER.DAT.LOG1")) << "not back under its own name";
            continue;
        }
        ExpectNothingLeftBehind(root);
        ImagePlatform image(DeriveInstallation(root));
        image.UndoLastCompaction(".bak");
        EXPECT_EQ(ExpectOldOrNew(root, "undone"), 0);
    }
}

TEST_F(InstallationReplace, AHibernatedInstallationRefusesEveryChange) {
    for (const TempFolder* from : {original_.get(), compacted_.get()}) {
        const fs::path root = CopyOf(*from);
        WriteBytes(root / "HiberFil.sys", "hIbR" + std::string(100, '\0'));
        const Tree before = Files(root);
        ImagePlatform image(DeriveInstallation(root));
        EnableHivePrivileges(image);
        Status s = image.ExitWindows(6, 1);
        EXPECT_EQ(s.code, error::AccessDenied);
        EXPECT_NE(s.detail.find("Fast Startup"), std::string::npos) << s.detail;
        EXPECT_THROW(image.UndoLastCompaction(".bak"), std::runtime_error);
        EXPECT_EQ(image.ReplaceKey(RootKey::LocalMachine, "SAM", "C:\\x.hvt", "C:\\x.bak").code,
                  error::AccessDenied);
        EXPECT_EQ(Differences(Files(root), before), "");
    }
}

TEST(InstallationRecords, AnEntryLeavingTheInstallationOrNamingItsHiveTwiceIsRefused) {
    // state.ini and journal.ini lie on the installation's disk, which anyone may have written.
    const std::string system = InstallationHives[0].file;
    struct Record {
        bool journal;
        std::string live, fresh, backup;
    };
    const Record records[] = {
        // Dropped unapplied, or swapped: what New or Live names would be deleted or replaced.
        {false, system, "WINDOWS/../../victim.txt", system + ".bak"},
        {false, system, system, system + ".bak"},
        {true, "WINDOWS/../../victim.txt", "attacker.txt", "victim.bak"},
        {true, system, "attacker.txt", system}, // the old hive would be kept nowhere
    };
    for (const Record& r : records) {
        SCOPED_TRACE(std::string(r.journal ? "journal: " : "state: ") + r.live + ", " + r.fresh +
                     ", " + r.backup);
        TempFolder folder;
        const fs::path root = folder.path() / "disk";
        WriteTestInstallation(root);
        WriteBytes(folder.path() / "victim.txt", "victim");
        WriteBytes(root / "attacker.txt", "attacker");
        ImageState state = ImageState::ForInstallation(root);
        Replacement entry;
        entry.hive = "\\REGISTRY\\MACHINE\\SYSTEM";
        entry.live = r.live;
        entry.fresh = r.fresh;
        entry.backup = r.backup;
        if (r.journal) {
            Journal journal;
            journal.bootNumber = 1;
            journal.replacements = {entry};
            ASSERT_TRUE(state.WriteJournal(journal));
        } else {
            ASSERT_TRUE(state.Save({entry}, 0));
        }
        const Tree before = Files(folder.path());
        EXPECT_THROW(ImagePlatform image(DeriveInstallation(root)), std::runtime_error);
        EXPECT_EQ(Differences(Files(folder.path()), before), "");
    }
}

TEST(InstallationSamples, AnInstallationOfRealHivesIsCompactedAndUndone) {
    const fs::path samples = HIVELET_SAMPLE_HIVES;
    if (!fs::exists(samples / "yarp/hives_for_tests/ManySubkeysHive")) {
        GTEST_SKIP() << "sample hives not found in " << samples;
    }
    struct Sample {
        const char* source;
        const char* file;
    };
    const Sample hives[] = {
        {"yarp/hives_for_tests/ManySubkeysHive", "Windows/System32/config/SYSTEM"},
        {"dfwinreg/test_data/SAM", "Windows/System32/config/SAM"},
        {"dfwinreg/test_data/SECURITY", "Windows/System32/config/SECURITY"},
        {"regipy/regipy_tests/data/NTUSER.DAT", "Windows/System32/config/DEFAULT"},
        {"notatin/test_data/NTUSER.DAT", "Users/ann/NTUSER.DAT"},
        {"dfwinreg/test_data/UsrClass.dat",
         "Users/ann/AppData/Local/Microsoft/Windows/UsrClass.dat"},
        {"dfwinreg/test_data/NTUSER.DAT", "Users/bob/NTUSER.DAT"},
        {"dfwinreg/test_data/NTUSER.DAT.LOG", "Users/bob/NTUSER.DAT.LOG"},
        // Dirty, its latest changes only in its logs.
        {"regipy/regipy_tests/data/UsrClass.dat",
         "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat"},
        {"regipy/regipy_tests/data/UsrClass.dat.LOG1",
         "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat.LOG1"},
        {"regipy/regipy_tests/data/UsrClass.dat.LOG2",
         "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat.LOG2"},
    };
    TempFolder folder, scratch("-scratch");
    const fs::path root = folder.path();
    for (const Sample& s : hives) {
        fs::create_directories((root / s.file).parent_path());
        fs::copy_file(samples / s.source, root / s.file);
    }
    regf::Key software = SmallTree("software");
    demo::InstallationVersion version;
    version.currentVersion = "6.1";
    version.majorVersionNumber.reset();
    version.buildNumber = "7601";
    version.csdVersion = "Service Pack 1";
    demo::AddInstallationKeys(software, version,
                              {{"S-1-5-21-1-2-3-1001", "%SystemDrive%\\Users\\ann"},
                               {"S-1-5-21-1-2-3-1002", "C:\\Users\\bob"}});
    ASSERT_TRUE(
        regf::WriteHiveFile(software, (root / "Windows/System32/config/SOFTWARE").string()).ok());
    const Tree before = Files(root);
    // HIVELET_KEEP_SAMPLE_INSTALLATION=DIR keeps a copy of it, to run the program on by hand.
    if (const char* keep = std::getenv("HIVELET_KEEP_SAMPLE_INSTALLATION")) {
        CopyTree(root, keep);
    }

    const Installation in = DeriveInstallation(root);
    EXPECT_EQ(in.machine.major, 6u);
    EXPECT_EQ(in.machine.minor, 1u);
    EXPECT_FALSE(in.machine.wow64); // no SysWOW64: 32-bit Windows
    std::vector<std::string> names;
    for (const HivelistValue& h : in.machine.hivelist) {
        names.push_back(h.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "\\REGISTRY\\MACHINE\\SYSTEM", "\\REGISTRY\\MACHINE\\SOFTWARE",
                         "\\REGISTRY\\MACHINE\\SAM", "\\REGISTRY\\MACHINE\\SECURITY",
                         "\\REGISTRY\\USER\\.DEFAULT", "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001",
                         "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes",
                         "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002",
                         "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes"}));

    ImagePlatform image(in);
    EnableHivePrivileges(image);
    std::vector<std::string> scheduled;
    for (const HivelistValue& h : image.machine().hivelist) {
        const std::string device = h.value.data.substr(0, h.value.data.find('\0'));
        const std::string file = "C:" + device.substr(std::string(InstallationDevice).size());
        // The dirty hive among them is saved through its logs.
        ASSERT_NO_FATAL_FAILURE(SaveAndSchedule(image, h.name, file));
        scheduled.push_back(device.substr(std::string(InstallationDevice).size() + 1));
    }
    ASSERT_TRUE(image.ExitWindows(6, 1).ok());
    EXPECT_EQ(image.lastBoot()->replaced.size(), scheduled.size());
    for (std::string rel : scheduled) {
        std::replace(rel.begin(), rel.end(), '\\', '/');
        SCOPED_TRACE(rel);
        EXPECT_EQ(ReadBytes(root / (rel + ".bak")), before.at(rel));
        // The backup is read with the logs that went with it, as the old hive was.
        EXPECT_EQ(DumpHive(root / rel), DumpHive(root / (rel + ".bak")));
    }
    EXPECT_TRUE(fs::exists(root / "Users/bob/NTUSER.DAT.bak.LOG"));

    image.UndoLastCompaction(".bak");
    EXPECT_EQ(Differences(FilesButTheLog(root), before), "");
}

} // namespace
} // namespace hivelet::image
