#include "defrag/SystemPiont.h"

#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"
#include "ui/WindowMessages.h"

#include <algorithm>

namespace hivelet::defrag {
namespace {

ui::TLabel* Label(ui::Form& form, const char* name, ui::Control* parent, int top,
                  const char* caption) {
    auto* label = form.Make<ui::TLabel>(name, parent);
    label->SetLeft(12);
    label->SetTop(top);
    label->SetCaption(caption);
    return label;
}

} // namespace

// --- Worker -----------------------------------------------------------------------------------

void TCreateSystemPointThread::Start(std::unique_ptr<TCreateSystemPointThread> worker,
                                     const WorkerStarter& starter) {
    // The thread's body is its only owner: the worker goes when the body does.
    std::shared_ptr<TCreateSystemPointThread> owned(std::move(worker));
    starter([owned] { owned->Execute(); });
}

void TCreateSystemPointThread::Execute() {
    int64_t result = RestorePointFailed;
    try {
        const platform::RestorePointOutcome outcome =
            platform_.SetRestorePoint(RestorePointDescription, platform::restore::BeginSystemChange,
                                      platform::restore::ApplicationInstall);
        if (outcome == platform::RestorePointOutcome::Created)
            result = RestorePointCreated;
    } catch (...) {
        // Reported as a failed creation below: the dialog must hear from every worker.
    }
    try {
        Window.Post(ui::WM_RESTOREPOINTDONE, 0, result);
    } catch (...) {
        // Nothing can be done about a queue that will not take the message, and no exception
        // may leave the thread.
    }
}

// --- Dialog -----------------------------------------------------------------------------------

TfrmSystemPoint::TfrmSystemPoint(ui::Application& app, ui::Form* owner,
                                 platform::Platform& platform,
                                 const settings::TOptionsSetting& options,
                                 WorkerStarter startWorker)
    : ui::Form(app, "frmSystemPoint", owner), platform_(platform), options_(options),
      startWorker_(std::move(startWorker)) {
    SetClassName("TfrmSystemPoint");
    SetCaption("Create System Point");
    SetBorderStyle(ui::BorderStyle::DialogNoClose);
    SetPosition(ui::FormPosition::OwnerCenter);
    SetClientSize(353, 180);
    SetFont(ui::Font{}); // MS Sans Serif, 8 pt

    suiGroupBox1 = Make<ui::TsuiGroupBox>("suiGroupBox1");
    suiGroupBox1->SetBounds(8, 8, 336, 160);

    lScanTask = Make<ui::TLabel>("lScanTask", suiGroupBox1);
    ui::Font heading = Font();
    heading.bold = true;
    heading.height = -12;
    lScanTask->SetFont(heading);
    lScanTask->SetLeft(12);
    lScanTask->SetTop(16);
    lScanTask->SetCaption("Creating Restore Point");

    Label1 = Label(*this, "Label1", suiGroupBox1, 42,
                   "Orvane Hivelet is creating a restore point which will");
    Label2 = Label(*this, "Label2", suiGroupBox1, 103, "Please wait...");
    Label3 = Label(*this, "Label3", suiGroupBox1, 62,
                   "enable you to safely return your system back to its former state.");

    ProgressBar1 = Make<ui::TsuiProgressBar>("ProgressBar1", suiGroupBox1);
    ProgressBar1->SetBounds(12, 124, 311, 18);
    ProgressBar1->SetRange(0, 100);
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetShowCaption(false);

    Timer1 = Make<ui::TTimer>("Timer1");
    Timer1->SetInterval(1000);
    Timer1->OnTimer = [this] { Timer1Timer(); };

    OnMessage(ui::WM_RESTOREPOINTDONE,
              [this](uint64_t, int64_t lParam) { RestorePointDone(lParam); });
}

void TfrmSystemPoint::FormShow() {
    finished_ = false;
    auto worker = std::make_unique<TCreateSystemPointThread>(platform_);
    worker->Window = Ref();
    try {
        TCreateSystemPointThread::Start(std::move(worker), startWorker_);
    } catch (...) {
        // No thread, no restore point: the dialog reports it to itself as a failed creation, so
        // the user still gets the question instead of a bar that never ends.
        Post(ui::WM_RESTOREPOINTDONE, 0, RestorePointFailed);
    }
    // The worker is already running while the texts change.
    if (!i18n::IsBuiltInLanguage(options_.Lan))
        i18n::ApplyLanguage(platform_, *this, options_.Lan);
}

int TfrmSystemPoint::TimerStep(int position) {
    if (position <= 30)
        return 10;
    if (position <= 50)
        return 5;
    if (position <= 60)
        return 3;
    if (position <= 80)
        return 2;
    if (position <= 99)
        return 1;
    return 0;
}

void TfrmSystemPoint::Timer1Timer() {
    const int position = ProgressBar1->Position();
    ProgressBar1->SetPosition(std::min(100, position + TimerStep(position)));
}

void TfrmSystemPoint::RestorePointDone(int64_t lParam) {
    if (finished_)
        return;
    ui::ModalResult result = ui::mrOk;
    if (lParam != RestorePointCreated) {
        const int answer =
            App().MessageBox(RestorePointFailedText, RestorePointBoxCaption,
                             ui::mb::YesNo | ui::mb::IconInformation | ui::mb::DefButton2);
        if (answer == ui::mrNo)
            result = ui::mrCancel;
    }
    finished_ = true;
    // The result ends a modal showing at once; the close request ends any other.
    SetModalResult(result);
    Post(ui::wm::Close);
}

void TfrmSystemPoint::FormClose() {
    Timer1->SetEnabled(false);
    if (finished_)
        return;
    // Closed before the report: the compaction does not go on. The worker keeps running on its
    // own; its window reference died with this window, so its report will go nowhere.
    SetModalResult(ui::mrCancel);
}

} // namespace hivelet::defrag
