// TScanTaskThread: the worker that saves every hive into its snapshot, one after the other, for
// the progress dialog.
//
// It works on its own copies of the hive lists and reaches the dialog only through its window:
// posted messages (WM_HIVESAVED after each hive, WM_CLOSE as its last act) and hand-overs that
// run on the UI thread and wait (the hive in hand, then "Finish"). Once the dialog's window is
// gone both do nothing, so a worker that outlives its dialog never touches it.
#pragma once

#include "platform/Platform.h"
#include "platform/WorkerThreads.h"
#include "ui/WindowRef.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hivelet::analysis {

// The memo's text once every hive has been handled: the analysis counts as complete.
inline constexpr const char* FinishText = "Finish";

// What the dialog and its worker share: the stop request, set on the UI thread and read by the
// worker before each hive, and the worker's end of work, set just before its WM_CLOSE.
struct ScanControl {
    std::atomic<bool> Terminated{false};
    std::atomic<bool> Finished{false};
};

class TScanTaskThread {
public:
    // Created suspended: fill in the fields, then Start.
    TScanTaskThread(platform::Platform& platform, std::shared_ptr<ScanControl> control);
    ~TScanTaskThread();
    TScanTaskThread(const TScanTaskThread&) = delete;
    TScanTaskThread& operator=(const TScanTaskThread&) = delete;

    // The dialog's window: target of the reports and of the hand-overs.
    ui::WindowRef ProgressWindow;
    // Shows a text in the dialog's memo. Runs on the UI thread, through a hand-over, and only
    // while ProgressWindow is open.
    std::function<void(const std::string&)> KeyMemo;
    // Shows the reason a run ended early (the general error box). Runs on the UI thread, through
    // the worker's last hand-over, and only while ProgressWindow is open.
    std::function<void(const std::string&)> ReportError;
    // The worker's own copies of the hive list.
    std::vector<std::string> HiveNames;
    std::vector<std::string> HiveFiles;
    bool IsWow64 = false;

    // Runs Execute on a thread of `threads`; that thread owns the worker and deletes it at the end
    // of the run.
    static void Start(std::unique_ptr<TScanTaskThread> worker, platform::WorkerThreads& threads);

    // The run: the backup privilege, then each hive in list order until a stop is requested, then
    // "Finish" when every hive was handled, then WM_CLOSE. Never throws: an error ends the run
    // without "Finish", and its text goes to ReportError.
    void Execute();

    void Terminate() { control_->Terminated = true; }
    bool Terminated() const { return control_->Terminated; }

private:
    // False when the dialog's window is gone (the scan was abandoned).
    bool ShowInMemo(const std::string& text);
    // Saves every hive until a stop; returns how many were handled.
    size_t SaveHives();

    platform::Platform& platform_;
    std::shared_ptr<ScanControl> control_;
};

} // namespace hivelet::analysis
