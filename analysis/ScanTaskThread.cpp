#include "analysis/ScanTaskThread.h"

#include "analysis/Snapshot.h"
#include "platform/Privilege.h"
#include "ui/Types.h"
#include "ui/WindowMessages.h"

#include <limits>

namespace hivelet::analysis {

TScanTaskThread::TScanTaskThread(platform::Platform& platform, std::shared_ptr<ScanControl> control)
    : platform_(platform), control_(std::move(control)) {}

TScanTaskThread::~TScanTaskThread() = default;

void TScanTaskThread::Start(std::unique_ptr<TScanTaskThread> worker,
                            platform::WorkerThreads& threads) {
    std::shared_ptr<TScanTaskThread> owned(std::move(worker));
    threads.Start([owned]() mutable {
        owned->Execute();
        owned.reset();
    });
}

bool TScanTaskThread::ShowInMemo(const std::string& text) {
    if (!KeyMemo)
        return ProgressWindow.Alive();
    return ui::HandOver(ProgressWindow, [show = KeyMemo, text] { show(text); });
}

size_t TScanTaskThread::SaveHives() {
    uint32_t firstSaveMs = 0;
    size_t i = 0;
    for (; i < HiveNames.size(); ++i) {
        if (Terminated())
            break;
        // A dropped hand-over means the dialog was abandoned: nothing more is wanted.
        if (!ShowInMemo(HiveNames[i]))
            break;
        const int64_t started = i == 0 ? platform_.MonotonicMilliseconds() : 0;
        // A hive that was not saved has no snapshot, and so shows no reduction and is never
        // scheduled: the dialog needs nothing more about it.
        SaveHiveToFile(platform_, HiveNames[i], HiveFiles.at(i) + SnapshotSuffix, IsWow64);
        if (i == 0) {
            const int64_t elapsed = platform_.MonotonicMilliseconds() - started;
            firstSaveMs = elapsed <= 0 ? 0
                          : elapsed > int64_t(std::numeric_limits<uint32_t>::max())
                              ? std::numeric_limits<uint32_t>::max()
                              : uint32_t(elapsed);
        }
        ProgressWindow.Post(ui::WM_HIVESAVED, firstSaveMs, int64_t(i + 1));
    }
    return i;
}

void TScanTaskThread::Execute() {
    std::string error;
    try {
        // Without the privilege every save fails, and each hive shows that as no saving.
        platform::EnableBackupPrivilege(platform_);
        // A stop during the last hive still ends a complete run, and so does an empty list.
        if (SaveHives() >= HiveNames.size())
            ShowInMemo(FinishText);
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "The scan of the registry failed.";
    }
    try {
        if (!error.empty() && ReportError)
            ui::HandOver(ProgressWindow, [report = ReportError, error] { report(error); });
    } catch (...) {
        // Out of memory while reporting: the close below still ends the showing.
    }
    control_->Finished = true;
    try {
        ProgressWindow.Post(ui::wm::Close);
    } catch (...) {
        // Nothing may leave a thread; the dialog can still be closed by its close box.
    }
}

} // namespace hivelet::analysis
