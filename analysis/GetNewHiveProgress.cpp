#include "analysis/GetNewHiveProgress.h"

#include "analysis/ScanEstimate.h"
#include "analysis/Snapshot.h"
#include "i18n/ApplyLanguage.h"
#include "i18n/LanguageFile.h"
#include "ui/WindowMessages.h"

namespace hivelet::analysis {

TfrmGetNewHiveProgess::TfrmGetNewHiveProgess(ui::Application& app, ui::Form* owner,
                                             platform::Platform& platform,
                                             platform::WorkerThreads& workers, ScanJob job)
    : ui::Form(app, "frmGetNewHiveProgess", owner), platform_(platform), workers_(workers),
      job_(std::move(job)) {
    SetClassName("TfrmGetNewHiveProgess");
    SetCaption("Defrag Registry");
    SetBorderStyle(ui::BorderStyle::Dialog);
    SetPosition(ui::FormPosition::OwnerCenter);
    SetClientSize(394, 181);
    SetFont(ui::Font{}); // MS Sans Serif, 8 pt
    CreateControls();
    OnMessage(ui::WM_STARTSCAN, [this](uint64_t, int64_t) { WMStartScan(); });
    OnMessage(ui::WM_HIVESAVED, [this](uint64_t w, int64_t l) { WMHiveSaved(w, l); });
}

TfrmGetNewHiveProgess::~TfrmGetNewHiveProgess() {
    // Destroyed while its worker runs (without a close): the worker stops after the hive in hand.
    if (ScanThread)
        ScanThread->Terminated = true;
}

void TfrmGetNewHiveProgess::CreateControls() {
    // Made first: the language files list its key right after the window's own.
    bStop = Make<ui::TsuiButton>("bStop");
    bStop->SetBounds(304, 142, 80, 27);
    bStop->SetCaption("Stop");
    bStop->OnClick = [this] { bStopClick(); };

    GroupBox1 = Make<ui::TGroupBox>("GroupBox1");
    GroupBox1->SetBounds(8, 8, 377, 121);

    Label1 = Make<ui::TLabel>("Label1", GroupBox1);
    Label1->SetLeft(16);
    Label1->SetTop(16);
    Label1->SetCaption("Analyzing registry. Please wait.");

    ProgressBar1 = Make<ui::TsuiProgressBar>("ProgressBar1", GroupBox1);
    ProgressBar1->SetBounds(16, 44, 345, 18);
    ProgressBar1->SetRange(0, ProgressRange);
    ProgressBar1->SetShowCaption(true);

    Label2 = Make<ui::TLabel>("Label2", GroupBox1);
    Label2->SetLeft(17);
    Label2->SetTop(76);
    Label2->SetCaption("Checking: ");

    // Shows text only: read-only, no border, and the dialog's own background (the default colour
    // is the parent's).
    Memo1 = Make<ui::TMemo>("Memo1", GroupBox1);
    Memo1->SetBounds(72, 77, 286, 32);
    Memo1->SetReadOnly(true);
    Memo1->SetBorder(false);
    Memo1->SetColor(ui::kDefaultColor);
    Memo1->SetText("Registry Key");

    Timer1 = Make<ui::TTimer>("Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);
    Timer1->OnTimer = [this] { Timer1Timer(); };
}

bool TfrmGetNewHiveProgess::ScanComplete() const {
    return Memo1->Text() == FinishText;
}

uint64_t TfrmGetNewHiveProgess::LiveSize(int index) const {
    return GetFileSize64(platform_, job_.HiveFiles.at(size_t(index)));
}

uint64_t TfrmGetNewHiveProgess::SnapshotSize(int index) const {
    return GetFileSize64(platform_, job_.HiveFiles.at(size_t(index)) + SnapshotSuffix);
}

void TfrmGetNewHiveProgess::SetBar(int64_t position) {
    if (position < 0)
        position = 0;
    if (position > ProgressRange)
        position = ProgressRange;
    ProgressBar1->SetPosition(int(position));
    ProgressChanged();
}

void TfrmGetNewHiveProgess::ProgressChanged() {
    if (OnProgress)
        OnProgress(*this);
}

void TfrmGetNewHiveProgess::FormShow() {
    ProgressBar1->SetPosition(0);
    DoneSize = 0;
    CurrentIndex = 0;
    CreepStep = InitialCreepStep;
    NextMark = 0;
    StopRequested = false;
    ScanThread.reset();
    startPosted_ = false;
    if (!i18n::IsBuiltInLanguage(job_.Lan))
        i18n::ApplyLanguage(platform_, *this, job_.Lan);
}

void TfrmGetNewHiveProgess::FormActivate() {
    // The worker starts from the dialog's own loop, after the dialog has appeared.
    if (startPosted_)
        return;
    startPosted_ = true;
    Post(ui::WM_STARTSCAN);
}

void TfrmGetNewHiveProgess::WMStartScan() {
    if (ScanThread)
        return; // one worker per showing
    if (job_.Unattended)
        Hide();

    ScanThread = std::make_shared<ScanControl>();
    auto worker = std::make_unique<TScanTaskThread>(platform_, ScanThread);
    worker->ProgressWindow = Ref();
    // Runs on the UI thread, and only while this showing's window is open.
    worker->KeyMemo = [this](const std::string& text) {
        Memo1->SetText(text);
        ProgressChanged();
    };
    worker->ReportError = [this](const std::string& text) { App().ShowException(text); };
    worker->HiveNames = job_.HiveNames;
    worker->HiveFiles = job_.HiveFiles;
    worker->IsWow64 = job_.IsWow64;
    std::string notStarted;
    try {
        TScanTaskThread::Start(std::move(worker), workers_);
    } catch (const std::exception& e) {
        notStarted = std::string(ScanNotStartedText) + " " + e.what();
    } catch (...) {
        notStarted = ScanNotStartedText;
    }
    if (!notStarted.empty()) {
        // No worker, so no report and no close would ever come: say so once and end the showing
        // as an incomplete analysis.
        ScanThread.reset();
        App().ShowException(notStarted);
        Close();
        return;
    }

    // The worker's first report is handled after this handler returns.
    TotalSize = 0;
    for (int i = 0; i < HiveCount(); ++i)
        TotalSize += LiveSize(i);
    Timer1->SetEnabled(true);
}

void TfrmGetNewHiveProgess::WMHiveSaved(uint64_t wParam, int64_t lParam) {
    const int k = CurrentIndex;
    const int n = HiveCount();
    if (k < 0 || k >= n)
        return;
    // Without a measurable total every hive weighs the same (ScanEstimate.h).
    const bool bySize = TotalSize > 0;
    if (k == 0) {
        const auto ms = uint32_t(wParam);
        CreepStep = bySize ? CreepStepAfterFirstSave(SnapshotSize(0), ms, TotalSize, job_.IsWow64)
                           : CreepStepAfterFirstSave(1, ms, uint64_t(n), job_.IsWow64);
    }
    DoneSize += LiveSize(k);
    if (bySize) {
        SetBar(BarPosition(DoneSize, TotalSize));
        if (k < n - 1)
            NextMark = BarPosition(DoneSize + LiveSize(k + 1), TotalSize);
    } else {
        SetBar(BarPosition(uint64_t(k) + 1, uint64_t(n)));
        if (k < n - 1)
            NextMark = BarPosition(uint64_t(k) + 2, uint64_t(n));
    }
    CurrentIndex = int32_t(lParam);
}

void TfrmGetNewHiveProgess::Timer1Timer() {
    const int k = CurrentIndex;
    if (k < 0 || k >= HiveCount())
        return;
    const uint64_t written = TotalSize > 0 ? SnapshotSize(k) : 0;
    if (written > 0) {
        // The snapshot being written counts against the live sizes of the hives done.
        SetBar(BarPosition(DoneSize + written, TotalSize));
    } else {
        int64_t position = ProgressBar1->Position();
        if (NextMark == 0 && k == 0)
            position += CreepStep; // no report yet: creep without a mark
        if (position < int64_t(NextMark) - CreepStep)
            position += CreepStep; // towards the mark of the hive in hand, never onto it
        SetBar(position);
    }
    if (ProgressBar1->Position() >= ProgressRange)
        Timer1->SetEnabled(false);
}

void TfrmGetNewHiveProgess::bStopClick() {
    StopRequested = true;
    Label1->SetCaption(StopProcessText);
    Timer1->SetEnabled(false);
    // The worker finishes the hive in hand, reports it and ends with WM_CLOSE.
    if (ScanThread)
        ScanThread->Terminated = true;
    bStop->SetEnabled(false);
}

void TfrmGetNewHiveProgess::FormClose() {
    // Closed before the worker finished (the close box): abandon it. The window goes now, so the
    // worker can no longer reach the dialog, and it stops after the hive in hand.
    if (ScanThread && !ScanThread->Finished)
        ScanThread->Terminated = true;
    if (Timer1->Enabled())
        Timer1->SetEnabled(false);
}

} // namespace hivelet::analysis
