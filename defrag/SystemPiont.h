// TfrmSystemPoint and TCreateSystemPointThread: a restore point made before the hives are
// replaced. The worker asks System Restore for one while the dialog shows a bar that advances
// with time; the dialog ends with OK (go on) or Cancel (stop the compaction).
//
// The worker owns everything it uses but the platform: its copy of the dialog's WindowRef and the
// request's texts. Once the dialog's window has closed its post does nothing, so a worker that
// outlives an abandoned dialog never touches it.
#pragma once

#include "info/Product.h"
#include "platform/Platform.h"
#include "settings/OptionsSetting.h"
#include "ui/Ui.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hivelet::defrag {

// The lParam of WM_RESTOREPOINTDONE: created, or not (refused, no library, no entry point, or an
// error on the way).
inline constexpr int64_t RestorePointCreated = 0;
inline constexpr int64_t RestorePointFailed = 1;

// What System Restore lists the point under: "Made by " and the product's title.
inline const std::string RestorePointDescription = std::string("Made by ") + info::ProductTitle;
inline constexpr const char* RestorePointFailedText =
    "Restore Point creation Failed! Please check whether you close the system restore. Contiue "
    "to defrag?";
inline constexpr const char* RestorePointBoxCaption = info::ProductTitle;

// Runs a worker's body on a thread of its own. The caller keeps the thread (and waits for it
// before the platform goes); the body owns the worker and frees it when it returns.
using WorkerStarter = std::function<void(std::function<void()> body)>;

class TCreateSystemPointThread {
public:
    explicit TCreateSystemPointThread(platform::Platform& platform) : platform_(platform) {}

    // Where the completion goes: the dialog's window.
    ui::WindowRef Window;

    // Hands the worker to a new thread, which runs Execute and then frees it. Throws what the
    // starter throws (the worker is then gone without having run).
    static void Start(std::unique_ptr<TCreateSystemPointThread> worker,
                      const WorkerStarter& starter);

    // Asks for the restore point ("Made by Orvane Hivelet", BEGIN_SYSTEM_CHANGE,
    // APPLICATION_INSTALL) and posts WM_RESTOREPOINTDONE exactly once. Never throws.
    void Execute();

private:
    platform::Platform& platform_;
};

class TfrmSystemPoint : public ui::Form {
public:
    // `options` gives the language at showing; `startWorker` runs the worker's thread. Both must
    // outlive the dialog.
    TfrmSystemPoint(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                    const settings::TOptionsSetting& options, WorkerStarter startWorker);

    // Controls, in creation order (the order the language file lists them).
    ui::TsuiGroupBox* suiGroupBox1 = nullptr;
    ui::TLabel* lScanTask = nullptr;
    ui::TLabel* Label1 = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TLabel* Label3 = nullptr;
    ui::TsuiProgressBar* ProgressBar1 = nullptr;
    ui::TTimer* Timer1 = nullptr;

    // Starts the worker, then translates the dialog.
    void FormShow() override;
    // Advances the bar by a step that shrinks as it fills: 100 after 38 ticks.
    void Timer1Timer();
    // The worker's report: OK, or after a failure the user's answer to going on without one.
    void RestorePointDone(int64_t lParam);
    // Closed before the report was handled: Cancel; the worker is abandoned.
    void FormClose() override;

    bool Finished() const { return finished_; }

    // The bar's step from position `position`.
    static int TimerStep(int position);

private:
    platform::Platform& platform_;
    const settings::TOptionsSetting& options_;
    WorkerStarter startWorker_;
    bool finished_ = false;
};

} // namespace hivelet::defrag
