// The restart interrupted at every step, by a crash or by a failing step: no hive is ever
// missing, and the next use of the image finishes the work.
#include "TestImage.h"

#include "platform/image/HiveLogs.h"
#include "platform/image/ImagePlatform.h"

#include <gtest/gtest.h>

#include <map>

namespace hivelet::image {
namespace {

using namespace testing;
using namespace hivelet::platform;

// Thrown by the fault hook to stop everything where it stands, as a power cut would.
struct Crash {};

struct HiveFiles {
    std::string live, backup;
    std::string oldBytes, newBytes;
    std::map<std::string, std::string> logs; // suffix -> bytes
};

class RestartJournal : public ::testing::Test {
protected:
    // One image with every standard hive saved and scheduled, copied afresh for each run.
    static void SetUpTestSuite() {
        scheduled_ = std::make_unique<TempFolder>("-scheduled");
        const fs::path root = scheduled_->path();
        WriteStandardImage(root);
        ImagePlatform image(root);
        ASSERT_NO_FATAL_FAILURE(EnableHivePrivileges(image));
        hives_.clear();
        for (const auto& [name, rel] : StandardHives) {
            const auto [rk, sub] = RootOf(name);
            const std::string windows = DriveCPath(std::string(rel).substr(2));
            RegistryKey key;
            ASSERT_TRUE(image.OpenKey(rk, sub, key).ok());
            ASSERT_TRUE(image.SaveKey(key.get(), windows + ".hvt").ok());
            ASSERT_TRUE(image.ReplaceKey(rk, sub, windows + ".hvt", windows + ".bak").ok());
            HiveFiles h;
            h.live = rel;
            h.backup = std::string(rel) + ".bak";
            h.oldBytes = ReadBytes(root / rel);
            h.newBytes = ReadBytes(root / (std::string(rel) + ".hvt"));
            for (const char* x : HiveLogSuffixes) {
                if (fs::exists(root / (std::string(rel) + x))) {
                    h.logs[x] = ReadBytes(root / (std::string(rel) + x));
                }
            }
            hives_.push_back(h);
        }
        // The steps of an uninterrupted restart, in order.
        TempFolder probe("-probe");
        CopyTree(root, probe.path());
        ImageOptions options;
        options.faultHook = [](const std::string& step) {
            steps_.push_back(step);
            return FaultAction::Proceed;
        };
        ImagePlatform run(probe.path(), options);
        EnableHivePrivileges(run);
        ASSERT_TRUE(run.ExitWindows(6, 1).ok());
    }
    static void TearDownTestSuite() { scheduled_.reset(); }

    // Restarts the scheduled image at `root`, crashing before the step numbered `step`.
    static void CrashRestartAt(const fs::path& root, size_t step) {
        ImageOptions options;
        options.faultHook = AtStep(step, []() -> FaultAction { throw Crash{}; });
        ImagePlatform image(root, options);
        EnableHivePrivileges(image);
        EXPECT_THROW(image.ExitWindows(6, 1), Crash);
    }

    fs::path FreshCopy() {
        run_ = std::make_unique<TempFolder>("-run");
        CopyTree(scheduled_->path(), run_->path());
        return run_->path();
    }

    // Every hive is its old or its new file, never missing; a new hive has the old one under
    // its backup name; no transaction log is lost. Once `settled` (not in the middle of an
    // interrupted restart), an old hive has its logs beside it and a new one beside its backup.
    // Returns how many hives are new.
    static int ExpectOldOrNew(const fs::path& root, const std::string& when, bool settled = true) {
        SCOPED_TRACE(when);
        int fresh = 0;
        for (const HiveFiles& h : hives_) {
            SCOPED_TRACE(h.live);
            EXPECT_TRUE(fs::exists(root / h.live)) << "hive missing";
            std::string now = ReadBytes(root / h.live);
            bool isOld = now == h.oldBytes, isNew = now == h.newBytes;
            EXPECT_TRUE(isOld || isNew) << "hive is neither old nor new";
            if (isNew) {
                ++fresh;
                EXPECT_EQ(ReadBytes(root / h.backup), h.oldBytes);
            }
            for (const auto& [suffix, bytes] : h.logs) {
                bool atLive = fs::exists(root / (h.live + suffix));
                bool atBackup = fs::exists(root / (h.backup + suffix));
                EXPECT_TRUE(atLive || atBackup) << suffix << " lost";
                if (settled) {
                    EXPECT_EQ(atLive, isOld) << suffix << " not beside its hive";
                    EXPECT_EQ(atBackup, isNew) << suffix << " not beside the backup";
                }
                EXPECT_EQ(ReadBytes(root / ((atLive ? h.live : h.backup) + suffix)), bytes);
            }
        }
        return fresh;
    }

    // What a finished restart leaves: every hive new, logs beside the backups, nothing pending.
    static void ExpectFinished(const fs::path& root) {
        EXPECT_EQ(ExpectOldOrNew(root, "finished"), static_cast<int>(hives_.size()));
        for (const HiveFiles& h : hives_) {
            EXPECT_FALSE(fs::exists(root / (h.live + ".hvt")));
            for (const auto& [suffix, bytes] : h.logs) {
                EXPECT_FALSE(fs::exists(root / (h.live + suffix))) << h.live << suffix;
            }
        }
        EXPECT_FALSE(fs::exists(root / StateFolderName / "journal.ini"));
        ImagePlatform after(root);
        EXPECT_TRUE(after.pendingReplacements().empty());
    }

    // Opens the image again (which repairs it) and restarts once more if anything is pending.
    static void FinishWithAnotherRun(const fs::path& root) {
        ImagePlatform next(root);
        EXPECT_FALSE(fs::exists(root / StateFolderName / "journal.ini")) << "not repaired";
        ExpectOldOrNew(root, "after repair");
        if (!next.pendingReplacements().empty()) {
            EnableHivePrivileges(next);
            ASSERT_TRUE(next.ExitWindows(6, 1).ok());
        }
        ExpectFinished(root);
    }

    static std::unique_ptr<TempFolder> scheduled_;
    static std::vector<HiveFiles> hives_;
    static std::vector<std::string> steps_;
    std::unique_ptr<TempFolder> run_;
};

std::unique_ptr<TempFolder> RestartJournal::scheduled_;
std::vector<HiveFiles> RestartJournal::hives_;
std::vector<std::string> RestartJournal::steps_;

TEST_F(RestartJournal, EveryStepIsNamedAndEveryHiveSwapsOnce) {
    ASSERT_FALSE(steps_.empty());
    EXPECT_EQ(steps_.front(), "journal");
    EXPECT_EQ(steps_.back(), "journal-clear");
    size_t swaps = std::count_if(steps_.begin(), steps_.end(),
                                 [](const std::string& s) { return s.rfind("swap ", 0) == 0; });
    EXPECT_EQ(swaps, hives_.size());
    EXPECT_NE(std::find(steps_.begin(), steps_.end(), "log .LOG1 \\REGISTRY\\MACHINE\\SYSTEM"),
              steps_.end());
}

TEST_F(RestartJournal, ACrashAtAnyStepLosesNoHiveAndTheNextUseFinishes) {
    for (size_t k = 0; k < steps_.size(); ++k) {
        SCOPED_TRACE("crash before " + steps_[k]);
        fs::path root = FreshCopy();
        CrashRestartAt(root, k);
        ExpectOldOrNew(root, "right after the crash", false);
        FinishWithAnotherRun(root);
        ImagePlatform check(root);
        auto log = check.ReadLog(BootLog);
        EXPECT_EQ(std::count_if(log.begin(), log.end(),
                                [](const std::string& l) { return l.rfind("boot 1:", 0) == 0; }),
                  1);
    }
}

TEST_F(RestartJournal, AFailingStepKeepsItsHivePendingAndTheRestGoesOn) {
    for (size_t k = 0; k < steps_.size(); ++k) {
        const std::string& step = steps_[k];
        SCOPED_TRACE("failure at " + step);
        fs::path root = FreshCopy();
        {
            ImageOptions options;
            options.faultHook = AtStep(k, [] { return FaultAction::Fail; });
            ImagePlatform image(root, options);
            EnableHivePrivileges(image);
            bool ended = false;
            image.SetSessionEndHandler([&] { ended = true; });
            ASSERT_TRUE(image.ExitWindows(6, 1).ok());
            EXPECT_TRUE(ended); // the machine restarted all the same
            int fresh = ExpectOldOrNew(root, "after the failing restart");
            size_t space = step.find(' ');
            bool hiveStep = space != std::string::npos;
            if (step == "journal") {
                EXPECT_EQ(fresh, 0);
                EXPECT_EQ(image.pendingReplacements().size(), hives_.size());
            } else if (hiveStep) {
                std::string hive = step.substr(step.rfind(' ') + 1);
                EXPECT_EQ(fresh, static_cast<int>(hives_.size()) - 1);
                ASSERT_EQ(image.pendingReplacements().size(), 1u);
                EXPECT_EQ(image.pendingReplacements()[0].hive, hive);
                // Still held until the next restart puts it in place.
                std::string held = "C:\\" + image.pendingReplacements()[0].fresh.substr(2);
                EXPECT_FALSE(image.DeleteFile(held));
            } else {
                EXPECT_EQ(fresh, static_cast<int>(hives_.size())); // only the records lag
            }
        }
        FinishWithAnotherRun(root);
    }
}

TEST_F(RestartJournal, ACrashWhileRepairingIsRepairedLater) {
    // Interrupt the restart just after the first swap, then crash the repair at each step.
    size_t firstSwap = std::find_if(steps_.begin(), steps_.end(),
                                    [](const std::string& s) { return s.rfind("swap ", 0) == 0; }) -
                       steps_.begin();
    ASSERT_LT(firstSwap + 1, steps_.size());
    for (size_t j = 0;; ++j) {
        SCOPED_TRACE("repair crashed at step " + std::to_string(j));
        fs::path root = FreshCopy();
        CrashRestartAt(root, firstSwap + 1);
        std::vector<std::string> repairSteps;
        ImageOptions options;
        auto count = std::make_shared<size_t>(0);
        options.faultHook = [&, count](const std::string& s) -> FaultAction {
            repairSteps.push_back(s);
            if ((*count)++ == j) {
                throw Crash{};
            }
            return FaultAction::Proceed;
        };
        bool crashed = false;
        try {
            ImagePlatform repair(root, options);
        } catch (const Crash&) {
            crashed = true;
        }
        ExpectOldOrNew(root, "after the crashed repair", false);
        FinishWithAnotherRun(root);
        if (!crashed) {
            break; // j went past the last step of the repair
        }
    }
}

TEST_F(RestartJournal, ANewFileDeletedWhileItWaitedLeavesItsHiveAsItWasAndSaysWhy) {
    fs::path root = FreshCopy();
    const HiveFiles& system = hives_[0];
    fs::remove(root / (system.live + ".hvt"));
    ImagePlatform image(root);
    EnableHivePrivileges(image);
    ASSERT_TRUE(image.ExitWindows(6, 1).ok());
    ASSERT_TRUE(image.lastBoot());
    EXPECT_EQ(image.lastBoot()->replaced.size(), hives_.size() - 1);
    EXPECT_EQ(image.lastBoot()->KeptPendingText(),
              "\\REGISTRY\\MACHINE\\SYSTEM (the new file " + system.live + ".hvt is missing)");
    EXPECT_EQ(ReadBytes(root / system.live), system.oldBytes);
    EXPECT_FALSE(fs::exists(root / system.backup));
}

TEST_F(RestartJournal, AHiveThatCanNeitherMoveNorGoBackStopsTheRepairWithAClearError) {
    fs::path root = FreshCopy();
    {
        ImageOptions options;
        options.faultHook = [](const std::string& s) {
            return s.rfind("swap \\REGISTRY\\MACHINE\\SAM", 0) == 0 || s.rfind("rollback", 0) == 0
                       ? FaultAction::Fail
                       : FaultAction::Proceed;
        };
        ImagePlatform image(root, options);
        EnableHivePrivileges(image);
        EXPECT_TRUE(image.ExitWindows(6, 1).ok());
        ExpectOldOrNew(root, "stuck", false);
        EXPECT_TRUE(fs::exists(root / StateFolderName / "journal.ini"));
        ImageOptions stillFailing = options;
        EXPECT_THROW(ImagePlatform again(root, stillFailing), std::runtime_error);
        ExpectOldOrNew(root, "after the failed repair", false);
    }
    FinishWithAnotherRun(root);
}

} // namespace
} // namespace hivelet::image
