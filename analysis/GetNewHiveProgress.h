// TfrmGetNewHiveProgess: the modal progress dialog of an analysis. It starts the scan worker
// (TScanTaskThread) once it is shown, shows the hive being saved, moves its bar by an estimate
// from file sizes and the speed of the first save, lets the user stop, and closes when the worker
// tells it to. After the showing, its memo reads "Finish" exactly when every hive was handled.
//
// Closing it by the close box abandons the worker: the dialog goes at once, the worker never
// touches it again and ends after the hive in hand.
#pragma once

#include "analysis/ScanTaskThread.h"
#include "platform/Platform.h"
#include "platform/WorkerThreads.h"
#include "ui/Ui.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hivelet::analysis {

inline constexpr const char* StopProcessText = "Stop Process...";
// The general error box's text when the worker cannot be started, before the system's reason.
inline constexpr const char* ScanNotStartedText = "The scan of the registry could not be started:";

// What one scan works on, copied from the main window.
struct ScanJob {
    std::vector<std::string> HiveNames;
    std::vector<std::string> HiveFiles;
    bool IsWow64 = false;
    bool Unattended = false; // the dialog hides itself; the scan runs the same
    std::string Lan;         // the language the dialog is shown in
};

class TfrmGetNewHiveProgess : public ui::Form {
public:
    // `workers` runs the worker and must outlive the platform's users (WorkerThreads.h); the
    // owner form only places the dialog.
    TfrmGetNewHiveProgess(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                          platform::WorkerThreads& workers, ScanJob job);
    ~TfrmGetNewHiveProgess() override;

    // --- Controls, in creation order ----------------------------------------------------------
    ui::TsuiButton* bStop = nullptr;
    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TLabel* Label1 = nullptr;
    ui::TsuiProgressBar* ProgressBar1 = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TMemo* Memo1 = nullptr;
    ui::TTimer* Timer1 = nullptr;

    // --- State --------------------------------------------------------------------------------
    // The worker of this showing, as far as the dialog may reach it: its stop flag and its end.
    std::shared_ptr<ScanControl> ScanThread;
    bool StopRequested = false;
    uint64_t TotalSize = 0;   // live sizes of every hive file, in bytes
    uint64_t DoneSize = 0;    // live sizes of the hives reported
    int64_t CreepStep = 4;    // bar units per second while the snapshot in hand shows no size
    int32_t CurrentIndex = 0; // the hive being saved = hives reported
    int32_t NextMark = 0;     // bar position at which the hive in hand is done; 0 before a report

    // Called on the UI thread after the bar or the memo changed (the Linux build's progress line).
    std::function<void(const TfrmGetNewHiveProgess&)> OnProgress;

    // --- Events ----------------------------------------------------------------------------------
    void FormShow() override;
    void FormActivate() override;
    void FormClose() override;
    void bStopClick();
    void Timer1Timer();
    void WMStartScan();
    void WMHiveSaved(uint64_t wParam, int64_t lParam);

    // The memo reads "Finish": every hive was handled.
    bool ScanComplete() const;

private:
    void CreateControls();
    int HiveCount() const { return int(job_.HiveFiles.size()); }
    uint64_t LiveSize(int index) const;
    uint64_t SnapshotSize(int index) const;
    void SetBar(int64_t position);
    void ProgressChanged();

    platform::Platform& platform_;
    platform::WorkerThreads& workers_;
    const ScanJob job_;
    bool startPosted_ = false;
};

} // namespace hivelet::analysis
