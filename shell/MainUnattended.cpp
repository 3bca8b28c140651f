// The messages the main window gets from outside its own controls: a second instance waking it
// up, and the unattended sequences that /Silent and /Scan post from FormShow.
#include "shell/Main.h"

#include "info/Product.h"
#include "shell/Console.h"

#include <iostream>

namespace hivelet::shell {

namespace {

// The profile service refused a write; the text is the runtime's own for that failure.
std::string UnableToWriteText(const std::string& file) {
    return "Unable to write to " + file;
}

} // namespace

void TfrmMain::WMRestoreInstance() {
    // Sets the visible flag; a window hidden by an unattended run keeps its flag set and so stays
    // hidden.
    Show();
    if (App().IsMinimized())
        App().Restore();
    // The innermost modal dialog, if any, is what the user must see first.
    ui::Form* front = App().ActiveForm();
    if (front && front->HandleAllocated())
        App().BringToFront(front->NativeHandle());
}

void TfrmMain::ReportBoxesInstead() {
    answeringBoxes_ = true;
    App().AnswerBoxesWith([this](const ui::MessageBoxRequest& box) {
        // Every box of an unattended run tells of something it could not do. One at the close
        // (a settings file that cannot be written, say beside a program on a read-only share)
        // is still reported, but comes after the run's own work: it does not fail the run.
        if (!closed_)
            reportedError_ = true;
        const std::string line = MessageBoxLine(box.caption, box.text);
        if (OnUnattendedMessage)
            OnUnattendedMessage(line);
        else
            std::cerr << line << std::endl;
        // Also where an administrator looks for what a scheduled run did; a log that refuses
        // the event changes nothing.
        Platform.ReportErrorEvent(info::ProductTitle, box.text);
        // What the box would have answered had somebody pressed Enter: the sequence goes on as
        // it would then.
        return DefaultMessageBoxAnswer(box.flags);
    });
}

void TfrmMain::WMSilentRun() {
    RunUnattended(&TfrmMain::SilentSequence);
}

void TfrmMain::WMScanRun() {
    RunUnattended(&TfrmMain::ScanSequence);
}

void TfrmMain::RunUnattended(void (TfrmMain::*sequence)()) {
    // Hidden below the toolkit (the visible flag stays set) together with the taskbar button.
    HideWindow();
    App().HideAppWindow();
    try {
        (this->*sequence)();
    } catch (const std::exception& e) {
        App().ShowException(e.what());
    } catch (...) {
        App().ShowException("Unknown error");
    }
    // Also after a failure: a hidden window that never closes would keep the process alive with
    // nothing left to do.
    Close();
}

void TfrmMain::SilentSequence() {
    bAnalyzeRegistryClick();
    // Only a complete and sound analysis enables the compaction.
    if (!bDefragRegistry->Enabled())
        return;
    bDefragRegistryClick();
    if (CompactionSucceeded)
        exitCode_ = 0;
}

void TfrmMain::ScanSequence() {
    const std::string file = Arguments.size() > 1 ? Arguments[1] : std::string();
    // A result from an earlier run must not survive a run whose analysis fails.
    if (!file.empty() && !Platform.EraseProfileSection(ScanResultSection, file)) {
        App().ShowException(UnableToWriteText(file));
        return;
    }

    bAnalyzeRegistryClick();
    // Complete and sound: the one outcome that enables the compaction.
    const bool analysed = bDefragRegistry->Enabled();
    if (file.empty()) {
        if (analysed)
            exitCode_ = 0;
        return;
    }

    const std::pair<const char*, std::string> values[] = {
        {ScanCurrentSizeKey, lCurrentRegistrySize->Caption()},
        {ScanNewSizeKey, lNewRegistrySize->Caption()},
        {ScanSizeReductionKey, lSizeReduction->Caption()},
        {ScanCompactPercentKey, lCompactPercent->Caption()},
        {ScanTimeKey, Platform.LocalDateTimeText()},
    };
    for (const auto& [key, value] : values) {
        if (!Platform.WriteProfileString(ScanResultSection, key, value, file)) {
            App().ShowException(UnableToWriteText(file));
            return;
        }
    }
    Platform.FlushProfile(file);
    if (analysed)
        exitCode_ = 0;
}

} // namespace hivelet::shell
