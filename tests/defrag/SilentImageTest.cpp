// The compaction from end to end on system images made of real sample hives: /Silent as a user
// starts it, the image's restart, and what is on disk afterwards; then the same with the faults a
// machine can throw in: a replacement refused, the restart refused, the restart interrupted.
#include "analysis/GetNewHiveProgress.h"
#include "analysis/Snapshot.h"
#include "defrag/Replacement.h"
#include "platform/image/ImagePlatform.h"
#include "platform/image/ImageState.h"
#include "platform/image/ProgramRun.h"
#include "platform/image/TestImage.h"
#include "platform/regf/Regf.h"
#include "settings/OptionsSetting.h"
#include "shell/Entry.h"
#include "shell/Main.h"
#include "ui/Ui.h"
#include "ui/scripted/ScriptedBackend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <thread>

namespace hivelet::defrag {
namespace {

namespace fs = std::filesystem;
using namespace image::testing;

struct Sample {
    const char* hive;   // hivelist name
    const char* source; // below the sample folder
    const char* file;   // below drive C of the image
};

// Clean hives of several kinds and sizes, one left dirty by its system whose transaction logs
// recover it, and two that must be left alone: a large SYSTEM whose saving is under 1% (4 KB of
// 11 MB) and one written compact (nothing to gain). Both show "0%".
const Sample Samples[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "regipy/regipy_tests/data/SYSTEM",
     "Windows/System32/config/SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SOFTWARE", "regipy/regipy_tests/data/NTUSER.DAT",
     "Windows/System32/config/SOFTWARE"},
    {"\\REGISTRY\\MACHINE\\SAM", "dfwinreg/test_data/SAM", "Windows/System32/config/SAM"},
    {"\\REGISTRY\\MACHINE\\SECURITY", "dfwinreg/test_data/SECURITY",
     "Windows/System32/config/SECURITY"},
    {"\\REGISTRY\\USER\\.DEFAULT", "Registry/Registry.Test/Hives/NTUSER1.DAT",
     "Windows/System32/config/DEFAULT"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "notatin/test_data/NTUSER.DAT",
     "Users/ann/NTUSER.DAT"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes", "dfwinreg/test_data/UsrClass.dat",
     "Users/ann/AppData/Local/Microsoft/Windows/UsrClass.dat"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002", "dfwinreg/test_data/NTUSER.DAT",
     "Users/bob/NTUSER.DAT"}, // written compact below: nothing to gain
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes", "regipy/regipy_tests/data/UsrClass.dat",
     "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat"}, // dirty, with its logs
};
constexpr const char* SystemHive = "\\REGISTRY\\MACHINE\\SYSTEM";
constexpr const char* CompactHive = "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002";
constexpr const char* DirtyHive = "\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes";
constexpr const char* DirtySource = "regipy/regipy_tests/data/UsrClass.dat"; // with .LOG1, .LOG2

// A smaller machine for the restart matrix, where the image is copied once per step.
const Sample SmallSamples[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "dfwinreg/test_data/NTUSER.DAT",
     "Windows/System32/config/SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SOFTWARE", "regipy/regipy_tests/data/NTUSER.DAT",
     "Windows/System32/config/SOFTWARE"},
    {"\\REGISTRY\\MACHINE\\SAM", "dfwinreg/test_data/SAM", "Windows/System32/config/SAM"},
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "Registry/Registry.Test/Hives/NTUSER1.DAT",
     "Users/ann/NTUSER.DAT"},
};

// One line per file below the image's drive, with its size: what is on disk.
std::string Listing(const fs::path& drive) {
    std::map<std::string, uintmax_t> files;
    for (const auto& e : fs::recursive_directory_iterator(drive))
        if (e.is_regular_file())
            files[fs::relative(e.path(), drive).generic_string()] = e.file_size();
    std::string out;
    for (const auto& [name, size] : files)
        out += "    C/" + name + " (" + std::to_string(size) + " bytes)\n";
    return out;
}

// The part of the machine that is stopped on the spot, as by a power cut.
struct PowerCut {};

// The restart refused, as when the shutdown privilege cannot be had: nothing happens.
class RestartRefused : public image::ImagePlatform {
public:
    using image::ImagePlatform::ImagePlatform;
    platform::Status ExitWindows(uint32_t flags, uint32_t reason) override {
        ++refused;
        return platform::Status::Fail(platform::error::PrivilegeNotHeld, "refused by the test");
    }
    int refused = 0;
};

// Holds the save of one snapshot until the test lets it go, so that the analysis can be ended
// while a hive is in hand.
class SaveHeld : public image::ImagePlatform {
public:
    SaveHeld(const fs::path& root, image::ImageOptions o, std::string heldSnapshot)
        : image::ImagePlatform(root, std::move(o)), held_(std::move(heldSnapshot)) {}
    platform::Status SaveKey(platform::KeyHandle key, const std::string& file) override {
        if (file.size() >= held_.size() &&
            file.compare(file.size() - held_.size(), held_.size(), held_) == 0) {
            arrived = true;
            while (!released)
                std::this_thread::yield();
        }
        return image::ImagePlatform::SaveKey(key, file);
    }
    platform::Status ExitWindows(uint32_t flags, uint32_t reason) override {
        ++restarts;
        return image::ImagePlatform::ExitWindows(flags, reason);
    }
    std::atomic<bool> arrived{false}, released{false};
    int restarts = 0;

private:
    std::string held_;
};

struct Hive {
    std::string name;
    std::string file;  // below drive C of the image
    std::string bytes; // the file as it was before anything ran
    std::string dump;
};

class SilentImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const Sample& s : Samples)
            if (!fs::exists(samples / s.source))
                GTEST_SKIP() << "sample hive " << s.source << " not found in " << samples;
        settings::OptionsSetting() = {};
        fs::create_directories(folder.path() / "bin");
    }
    void TearDown() override { settings::OptionsSetting() = {}; }

    // Writes the machine and its hives, and remembers each hive as it was.
    template <size_t N> void WriteImage(const Sample (&list)[N], const fs::path& at) {
        std::string machine = "[Machine]\r\nPlatform=NT\r\nMajor=6\r\nMinor=1\r\nWow64=0\r\n"
                              "\r\n[Drives]\r\nC=fixed,\\Device\\HarddiskVolume2,C\r\n"
                              "\r\n[hivelist]\r\n\\REGISTRY\\MACHINE\\HARDWARE=\r\n";
        hives.clear();
        root = at;
        for (const Sample& s : list) {
            machine += std::string(s.hive) + "=\\Device\\HarddiskVolume2\\" +
                       DriveCPath(s.file).substr(3) + "\r\n";
            const fs::path host = at / "C" / s.file;
            fs::create_directories(host.parent_path());
            if (s.hive == std::string(CompactHive)) {
                const regf::Status c =
                    regf::CompactHiveFile((samples / s.source).string(), host.string());
                ASSERT_TRUE(c.ok()) << c.message;
            } else {
                fs::copy_file(samples / s.source, host);
            }
            fs::permissions(host, fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
            hives.push_back({s.hive, s.file, ReadBytes(host), ""});
        }
        WriteBytes(at / "machine.ini", machine);
        // A live system keeps transaction logs beside its hives; the restart moves them along.
        const fs::path config = at / "C/Windows/System32/config";
        for (const char* hive : {"SYSTEM", "SOFTWARE"}) {
            WriteBytes(config / (std::string(hive) + ".LOG1"), std::string(512, '\x01'));
            WriteBytes(config / (std::string(hive) + ".LOG2"), std::string(1024, '\x02'));
        }
        const fs::path bob = at / "C/Users/bob/AppData/Local/Microsoft/Windows";
        for (const char* log : {".LOG1", ".LOG2"})
            if (fs::exists(bob))
                fs::copy_file(samples / (std::string(DirtySource) + log),
                              bob / (std::string("UsrClass.dat") + log),
                              fs::copy_options::skip_existing);
        // The tree each hive holds, a dirty one as its logs recover it (none: it cannot be read).
        for (Hive& h : hives)
            if (!regf::DumpHiveFile(Host(h).string(), h.dump).ok())
                h.dump.clear();
    }

    // Makes `image` a fresh copy of the image at `prepared`, and the image in use.
    void UseCopyOf(const fs::path& prepared) {
        image::testing::RemoveTree(image);
        fs::copy(prepared, image, fs::copy_options::recursive);
        root = image;
    }

    // The hive's file in the image in use.
    fs::path Host(const Hive& h) const { return root / "C" / h.file; }
    fs::path Host(const Hive& h, const char* suffix) const { return Host(h).string() + suffix; }

    const Hive& Find(const std::string& name) const {
        for (const Hive& h : hives)
            if (h.name == name)
                return h;
        throw std::logic_error("no hive " + name);
    }

    image::ImageOptions Options() const {
        image::ImageOptions o;
        o.executablePath = (folder.path() / "bin" / "hivelet").string();
        return o;
    }

    // Runs the main window in this process until it closes, on `platform`. Returns the message
    // boxes it showed.
    std::vector<ui::test::MessageBoxRecord>
    RunWindow(platform::Platform& platform, std::vector<std::string> arguments,
              std::function<void(shell::TfrmMain&, ui::test::ScriptedBackend&)> interact = {},
              std::vector<ui::ListItem>* rows = nullptr) {
        ui::test::ScriptOptions o;
        o.stallSeconds = 300; // the scan worker saves at its own pace
        auto backend = ui::test::MakeScriptedBackend(o);
        ui::test::ScriptedBackend& headless = *backend;
        ui::Application app(std::move(backend));
        auto form = shell::CreateMainWindow(app, platform, std::move(arguments));
        // An unattended run shows no box: what it reports instead counts as what it told.
        std::vector<ui::test::MessageBoxRecord> reported;
        form->OnUnattendedMessage = [&reported](const std::string& line) {
            const std::string caption = "Orvane Hivelet";
            ui::test::MessageBoxRecord r;
            r.caption = caption;
            r.text = line.rfind(caption + ": ", 0) == 0 ? line.substr(caption.size() + 2) : line;
            reported.push_back(r);
        };
        headless.WhenIdle([&] {
            if (interact)
                interact(*form, headless);
            if (!form->Unattended)
                form->Close();
        });
        app.Run(*form);
        // The window has closed; its list view keeps the rows as the run left them.
        if (rows)
            for (size_t i = 0; i < form->lvMain->ItemCount(); ++i)
                rows->push_back(form->lvMain->Item(i));
        std::vector<ui::test::MessageBoxRecord> told = headless.MessageBoxes();
        told.insert(told.end(), reported.begin(), reported.end());
        return told;
    }

    // Runs the Linux program itself on the image, as a scheduler would.
    int RunProgram(const std::vector<std::string>& args, std::string* out = nullptr) {
        const fs::path program = folder.path() / "bin" / "hivelet";
        if (!fs::exists(program))
            fs::copy_file(HIVELET_PROGRAM, program);
        const ProgramOutcome o = image::testing::RunProgram(program, args, folder.path());
        if (out)
            *out = o.out + o.err;
        return o.exitCode;
    }

    static bool LeftAlone(const Hive& h) { return h.name == SystemHive || h.name == CompactHive; }

    // Every hive file in place, either as it was or as the compacted copy `fresh` holds.
    void ExpectNoHiveLost(const std::map<std::string, std::string>& fresh) const {
        for (const Hive& h : hives) {
            SCOPED_TRACE(h.name);
            ASSERT_TRUE(fs::exists(Host(h))) << "the hive file is gone";
            const std::string now = ReadBytes(Host(h));
            const auto it = fresh.find(h.name);
            EXPECT_TRUE(now == h.bytes || (it != fresh.end() && now == it->second))
                << "the hive file is neither the old hive nor its compacted copy";
        }
    }

    // A replaced hive: the compacted tree under its name, the original under the backup name.
    void ExpectReplaced(const Hive& h) const {
        SCOPED_TRACE(h.name);
        const fs::path backup = Host(h, ".bak");
        ASSERT_TRUE(fs::exists(backup));
        EXPECT_TRUE(ReadBytes(backup) == h.bytes) << "the backup differs from the original";
        EXPECT_EQ(DumpHive(Host(h)), h.dump);
        const regf::Status v = regf::VerifyCompactHiveFile(Host(h).string());
        EXPECT_TRUE(v.ok()) << v.message;
        EXPECT_LT(fs::file_size(Host(h)), h.bytes.size());
        EXPECT_FALSE(fs::exists(Host(h, ".hvt")));
        if (auto after = HivexExport(Host(h))) {
            // hivex does not replay logs: it reads the original as its logs (beside the backup
            // now) recover it.
            fs::path original = folder.path() / "original-hive";
            regf::Recovery recovery;
            const regf::Status r =
                regf::RecoverHiveFile(backup.string(), original.string(), recovery);
            ASSERT_TRUE(r.ok()) << r.message;
            EXPECT_TRUE(*after == *HivexExport(original))
                << "hivex exports the replaced hive differently";
            fs::remove(original);
        }
    }
    // The dirty hive's logs went with it to the backup name, byte for byte.
    void ExpectLogsBesideTheBackup(const Hive& dirty) const {
        for (const char* log : {".LOG1", ".LOG2"}) {
            SCOPED_TRACE(log);
            EXPECT_EQ(ReadBytes(Host(dirty, (std::string(".bak") + log).c_str())),
                      ReadBytes(samples / (std::string(DirtySource) + log)));
            EXPECT_FALSE(fs::exists(Host(dirty, log)));
        }
    }
    void ExpectUntouched(const Hive& h) const {
        SCOPED_TRACE(h.name);
        EXPECT_TRUE(ReadBytes(Host(h)) == h.bytes);
        EXPECT_FALSE(fs::exists(Host(h, ".bak")));
    }

    // The compacted copies the analysis left beside the hives, by hive.
    std::map<std::string, std::string> Snapshots() const {
        std::map<std::string, std::string> out;
        for (const Hive& h : hives)
            if (fs::exists(Host(h, ".hvt")))
                out[h.name] = ReadBytes(Host(h, ".hvt"));
        return out;
    }

    // What is on disk, hive by hive: the hive file (the original, its compacted copy from
    // `fresh`, or something else), the backup and the snapshot beside it, where the transaction
    // logs are; then the image's own records: the restart journal, the replacements still
    // pending and the restarts so far.
    std::string State(const std::map<std::string, std::string>& fresh) const {
        auto what = [&](const fs::path& f, const Hive& h) -> std::string {
            if (!fs::exists(f))
                return "-";
            const std::string bytes = ReadBytes(f);
            if (bytes == h.bytes)
                return "old";
            const auto it = fresh.find(h.name);
            if (it != fresh.end() && bytes == it->second)
                return "new";
            std::string tree;
            if (!h.dump.empty() && regf::DumpHiveFile(f.string(), tree).ok() && tree == h.dump)
                return "new";
            return "other";
        };
        std::string out;
        for (const Hive& h : hives) {
            out += "    " + h.name.substr(h.name.rfind('\\') + 1) + ": file " + what(Host(h), h) +
                   ", .bak " + what(Host(h, ".bak"), h) + ", .hvt " + what(Host(h, ".hvt"), h);
            if (fs::exists(Host(h, ".LOG1")))
                out += ", logs beside the file";
            if (fs::exists(Host(h, ".bak.LOG1")))
                out += ", logs beside the backup";
            out += "\n";
        }
        const image::ImageState state(root);
        out += std::string("    journal ") + (state.JournalExists() ? "present" : "absent") +
               ", pending replacements " + std::to_string(state.pending().size()) + ", restarts " +
               std::to_string(state.boots()) + "\n";
        return out;
    }

    const fs::path samples = HIVELET_SAMPLE_HIVES;
    TempFolder folder;
    const fs::path image = folder.path() / "image";
    fs::path root; // the image the hives below are in
    std::vector<Hive> hives;
};

TEST_F(SilentImageTest, SilentThenTheRestartPutsEveryCompactedHiveInPlace) {
    WriteImage(Samples, image);
    std::string output;
    ASSERT_EQ(RunProgram({"--image", image.string(), "/Silent"}, &output), 0) << output;
    EXPECT_NE(output.find("The system image restarted: 7 hive(s) replaced"), std::string::npos)
        << output;
    // The table says which hive its logs recovered.
    EXPECT_NE(output.find("(recovered from its transaction logs: 14 entries (UsrClass.dat.LOG1 "
                          "287-290, UsrClass.dat.LOG2 291-300))\n"),
              std::string::npos)
        << output;

    for (const Hive& h : hives) {
        if (LeftAlone(h)) {
            ExpectUntouched(h);
            // Unused snapshots go before the restart, and the close finds none left.
            EXPECT_FALSE(fs::exists(Host(h, ".hvt"))) << h.name;
        } else {
            ExpectReplaced(h);
        }
    }
    // The transaction logs went with the old hive, and stayed with a hive left alone.
    const fs::path config = image / "C/Windows/System32/config";
    EXPECT_EQ(ReadBytes(config / "SOFTWARE.bak.LOG1"), std::string(512, '\x01'));
    EXPECT_FALSE(fs::exists(config / "SOFTWARE.LOG1"));
    EXPECT_TRUE(fs::exists(config / "SYSTEM.LOG1"));
    ExpectLogsBesideTheBackup(Find(DirtyHive));
    std::cout << "[ on disk  ] after /Silent and the restart:\n"
              << Listing(image / "C") << State({});

    // The next analysis finds nothing left to gain in the hives it replaced.
    settings::OptionsSetting() = {};
    image::ImagePlatform platform(image, Options());
    std::vector<ui::ListItem> rows;
    const auto boxes = RunWindow(platform, {"/Scan"}, {}, &rows);
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
    ASSERT_EQ(rows.size(), hives.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].caption);
        ASSERT_EQ(rows[i].subItems.size(), 3u);
        EXPECT_EQ(rows[i].subItems[2], "0%");
    }
}

TEST_F(SilentImageTest, AReplacementRefusedLeavesThatHiveAndItsOldBackupAsTheyWere) {
    WriteImage(Samples, image);
    // An old backup that cannot be deleted: the service will not take SAM.
    const Hive& sam = Find("\\REGISTRY\\MACHINE\\SAM");
    const fs::path oldBackup = Host(sam, ".bak");
    WriteBytes(oldBackup, "backup of an earlier run");
    fs::permissions(oldBackup,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);

    std::string output;
    // One hive not handed over: the compaction did not fully succeed, which the exit code says.
    ASSERT_EQ(RunProgram({"--image", image.string(), "/Silent"}, &output), 1) << output;
    EXPECT_NE(output.find("The system image restarted: 6 hive(s) replaced"), std::string::npos)
        << output;
    EXPECT_TRUE(ReadBytes(Host(sam)) == sam.bytes);
    EXPECT_EQ(ReadBytes(oldBackup), "backup of an earlier run");
    EXPECT_FALSE(fs::exists(Host(sam, ".hvt"))) << "its unused snapshot went before the restart";
    for (const Hive& h : hives)
        if (h.name != sam.name && !LeftAlone(h))
            ExpectReplaced(h);
    std::cout << "[ on disk  ] after /Silent with SAM refused:\n" << State({});
}

TEST_F(SilentImageTest, ARefusedRestartLeavesEveryHiveAndTheReplacementsWaitForTheNextStart) {
    WriteImage(Samples, image);
    std::map<std::string, std::string> fresh;
    {
        RestartRefused platform(image, Options());
        const auto boxes = RunWindow(platform, {"/Silent"});
        EXPECT_TRUE(boxes.empty()) << boxes[0].text << " (nothing is reported)";
        EXPECT_EQ(platform.refused, 1);
        EXPECT_EQ(platform.pendingReplacements().size(), 7u);
        fresh = Snapshots();
    }
    for (const Hive& h : hives)
        ExpectUntouched(h);
    EXPECT_EQ(fresh.size(), 7u) << "only the scheduled snapshots outlived the window's close";
    std::cout << "[ on disk  ] after /Silent with the restart refused:\n" << State(fresh);

    // The next analysis, before any restart: the scheduled snapshots are held.
    {
        image::ImagePlatform platform(image, Options());
        const auto boxes = RunWindow(platform, {}, [](shell::TfrmMain& f, auto& headless) {
            headless.Click(*f.bAnalyzeRegistry);
        });
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Can not analyze the registry now! Please try again later.");
        EXPECT_EQ(Snapshots(), fresh) << "the held snapshots were left alone";
    }

    // Whenever the machine next starts, the replacements take place.
    image::ImagePlatform next(image, Options());
    ASSERT_TRUE(RestartComputer(next, true).ok());
    for (const Hive& h : hives)
        if (fresh.count(h.name))
            ExpectReplaced(h);
}

// Dirty hives as an image taken while Windows ran holds them: one whose logs recover it, one
// whose logs are gone. /Scan says which was recovered and why the other was skipped; /Silent
// replaces the first, its original and its logs kept byte for byte under the backup names.
const Sample DirtySamples[] = {
    {"\\REGISTRY\\MACHINE\\SYSTEM", "dfwinreg/test_data/NTUSER.DAT",
     "Windows/System32/config/SYSTEM"},
    {"\\REGISTRY\\MACHINE\\SECURITY", "regipy/regipy_tests/data/SECURITY",
     "Windows/System32/config/SECURITY"}, // dirty, no logs
    {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes", "regipy/regipy_tests/data/UsrClass.dat",
     "Users/bob/AppData/Local/Microsoft/Windows/UsrClass.dat"}, // dirty, with its logs
};

TEST_F(SilentImageTest, ScanThenSilentOnDirtyHivesRecoversWhatTheLogsHoldAndSaysWhatItSkipped) {
    WriteImage(DirtySamples, image);
    const Hive& lost = Find("\\REGISTRY\\MACHINE\\SECURITY");
    const Hive& dirty = Find(DirtyHive);
    EXPECT_TRUE(lost.dump.empty());
    ASSERT_FALSE(dirty.dump.empty());

    std::string output;
    const fs::path result = folder.path() / "scan.txt";
    EXPECT_EQ(RunProgram({"--image", image.string(), "/Scan", result.string()}, &output), 0)
        << output;
    EXPECT_NE(output.find("S-1-5-21-1-2-3-1002_Classes"), std::string::npos) << output;
    EXPECT_NE(output.find("(recovered from its transaction logs: 14 entries"), std::string::npos)
        << output;
    EXPECT_NE(output.find("(skipped: "), std::string::npos) << output;
    EXPECT_NE(output.find("SECURITY: dirty: its newest changes are in transaction logs that are "
                          "missing or unusable"),
              std::string::npos)
        << output;
    for (const Hive& h : hives)
        ExpectUntouched(h);

    ASSERT_EQ(RunProgram({"--image", image.string(), "/Silent"}, &output), 0) << output;
    EXPECT_NE(output.find("The system image restarted: 2 hive(s) replaced"), std::string::npos)
        << output;
    ExpectReplaced(dirty);
    ExpectReplaced(Find(SystemHive));
    ExpectUntouched(lost);
    ExpectLogsBesideTheBackup(dirty);
    std::cout << "[ on disk  ] after /Scan, /Silent and the restart on dirty hives:\n" << State({});
}

// An analysis that did not succeed enables nothing: /Silent then schedules no hive and leaves
// Windows running, whether the analysis was stopped while a hive was in hand, lost its window,
// or found the snapshots of an earlier compaction still waiting for the restart.
TEST_F(SilentImageTest, SilentAfterAStoppedOrFailedAnalysisReplacesNothingAndDoesNotRestart) {
    const fs::path prepared = folder.path() / "prepared";
    WriteImage(SmallSamples, prepared);

    for (bool closeWindow : {false, true}) {
        SCOPED_TRACE(closeWindow ? "progress window closed" : "Stop");
        UseCopyOf(prepared);
        SaveHeld platform(image, Options(), "\\SAM.hvt");
        std::function<void()> poll;
        const auto boxes =
            RunWindow(platform, {"/Silent"}, [&](shell::TfrmMain& f, auto& headless) {
                poll = [&, closeWindow] {
                    if (!platform.arrived) {
                        std::this_thread::yield();
                        headless.WhenIdle(poll);
                        return;
                    }
                    auto* progress =
                        dynamic_cast<analysis::TfrmGetNewHiveProgess*>(f.App().ActiveForm());
                    ASSERT_NE(progress, nullptr) << "the analysis is not under way";
                    if (closeWindow)
                        progress->Close();
                    else
                        progress->bStopClick();
                    platform.released = true;
                };
                poll();
            });
        EXPECT_TRUE(platform.arrived) << "the analysis never reached SAM";
        EXPECT_TRUE(boxes.empty()) << boxes[0].text;
        EXPECT_EQ(platform.restarts, 0);
        EXPECT_TRUE(platform.pendingReplacements().empty());
        for (const Hive& h : hives) {
            ExpectUntouched(h);
            // The window's close waits for an abandoned worker to finish the hive in hand, so
            // its snapshot is removed with the others.
            EXPECT_FALSE(fs::exists(Host(h, ".hvt"))) << h.name << ": the close removes snapshots";
        }
        std::cout << "[ on disk  ] /Silent after the analysis was "
                  << (closeWindow ? "abandoned" : "stopped") << ":\n"
                  << State({});
    }

    // Failed: the snapshots of a compaction whose restart was refused are held by the system.
    UseCopyOf(prepared);
    std::map<std::string, std::string> fresh;
    {
        RestartRefused first(image, Options());
        RunWindow(first, {"/Silent"});
        fresh = Snapshots();
    }
    ASSERT_EQ(fresh.size(), std::size(SmallSamples));
    SaveHeld platform(image, Options(), "none");
    const auto boxes = RunWindow(platform, {"/Silent"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can not analyze the registry now! Please try again later.");
    EXPECT_EQ(platform.restarts, 0);
    EXPECT_EQ(platform.pendingReplacements().size(), std::size(SmallSamples))
        << "the earlier replacements stand, none twice";
    EXPECT_EQ(Snapshots(), fresh);
    for (const Hive& h : hives)
        ExpectUntouched(h);
    std::cout << "[ on disk  ] a second /Silent before the restart:\n" << State(fresh);
}

TEST_F(SilentImageTest, ARestartInterruptedAtAnyStepLosesNoHive) {
    const fs::path prepared = folder.path() / "prepared";
    WriteImage(SmallSamples, prepared);
    std::map<std::string, std::string> fresh;
    {
        RestartRefused platform(prepared, Options());
        RunWindow(platform, {"/Silent"});
        ASSERT_EQ(platform.pendingReplacements().size(), std::size(SmallSamples));
        fresh = Snapshots();
    }
    // Every step a restart takes, in order; each round below works on a copy of the prepared image.
    std::vector<std::string> steps;
    UseCopyOf(prepared);
    {
        image::ImageOptions o = Options();
        o.faultHook = [&](const std::string& step) {
            steps.push_back(step);
            return image::FaultAction::Proceed;
        };
        image::ImagePlatform platform(image, o);
        ASSERT_TRUE(RestartComputer(platform, true).ok());
    }
    ASSERT_GT(steps.size(), 3 * std::size(SmallSamples));
    std::cout << "[ restart  ] " << steps.size()
              << " steps, each interrupted once by a power cut and once by a failure\n";

    for (const std::string& step : steps) {
        for (bool cut : {true, false}) {
            SCOPED_TRACE((cut ? "power cut at " : "failure at ") + step);
            UseCopyOf(prepared);
            image::ImageOptions o = Options();
            o.faultHook = [&](const std::string& s) {
                if (s != step)
                    return image::FaultAction::Proceed;
                if (cut)
                    throw PowerCut{};
                return image::FaultAction::Fail;
            };
            try {
                image::ImagePlatform platform(image, o);
                RestartComputer(platform, true);
            } catch (const PowerCut&) {
            }
            ExpectNoHiveLost(fresh);
            std::cout << "[ on disk  ] " << (cut ? "power cut" : "failure") << " at \"" << step
                      << "\":\n"
                      << State(fresh);
            // The next start finishes or repeats the work: every hive ends up replaced.
            {
                image::ImagePlatform recovered(image, Options());
                ASSERT_TRUE(RestartComputer(recovered, true).ok());
            }
            for (const Hive& h : hives) {
                SCOPED_TRACE(h.name);
                EXPECT_TRUE(ReadBytes(Host(h)) == fresh.at(h.name));
                EXPECT_TRUE(ReadBytes(Host(h, ".bak")) == h.bytes);
            }
        }
    }
}

} // namespace
} // namespace hivelet::defrag
