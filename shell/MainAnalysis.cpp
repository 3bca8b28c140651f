// The analysis run behind "Analyze Registry": a fresh snapshot of every hive behind the progress
// dialog, a check of the SOFTWARE snapshot, then the sizes and savings per hive and in total.
// Only a complete and sound run enables "Defrag Registry", and only it writes the results.
#include "shell/Main.h"

#include "analysis/GetNewHiveProgress.h"
#include "analysis/ResultText.h"
#include "analysis/Snapshot.h"
#include "i18n/LanguageFile.h"
#include "info/Product.h"
#include "platform/TextCase.h"
#include "settings/OptionsSetting.h"

namespace hivelet::shell {

namespace {

constexpr const char* LockedSnapshotText =
    "Can not analyze the registry now! Please try again later.";
constexpr const char* AdviceOpening = "The fragment rate of your registry is only";
constexpr const char* AdviceClosing =
    "We suggest that your registry does not need to be compacted at this time. If you select to "
    "compact the registry now, the same fragment rate may appear again.";
// Below this compact percent the advice is to leave the registry as it is.
constexpr float AdviceBelowPercent = 3.0f;

std::string SnapshotOf(const std::string& hiveFile) {
    return hiveFile + analysis::SnapshotSuffix;
}

} // namespace

void TfrmMain::bAnalyzeRegistryClick() {
    if (HiveNames.empty())
        return;

    // A snapshot still held (handed to a pending replacement) cannot be written again.
    for (const std::string& file : HiveFiles) {
        if (analysis::IsFileLocked(Platform, SnapshotOf(file))) {
            App().MessageBox(LockedSnapshotText, info::ProductTitle, ui::mb::Ok);
            return;
        }
    }

    analysis::ScanJob job{HiveNames, HiveFiles, IsWow64, Unattended,
                          settings::OptionsSetting().Lan};
    auto dialog = ui::CreateForm<analysis::TfrmGetNewHiveProgess>(App(), this, Platform, Workers,
                                                                  std::move(job));
    if (OnScanProgress) {
        dialog->OnProgress = [this](const analysis::TfrmGetNewHiveProgess& d) {
            OnScanProgress(d.ProgressBar1->PercentText(), d.Memo1->Text());
        };
    }
    dialog->ShowModal();
    if (OnScanProgress)
        OnScanProgress("", "");
    // The main window was closed while the dialog was up (the close ended the dialog first):
    // nothing of this run counts, and nothing of the window may change any more.
    if (closed_) {
        bDefragRegistry->SetEnabled(false);
        return;
    }
    const bool complete = dialog->ScanComplete();

    // A SOFTWARE snapshot below a quarter of its hive was not saved, or only in part: nobody may
    // put it in place.
    if (complete) {
        for (const std::string& file : HiveFiles) {
            if (platform::FindNoCase(file, "SOFTWARE") == std::string::npos)
                continue;
            const uint64_t current = analysis::GetFileSize64(Platform, file);
            const uint64_t snapshot = analysis::GetFileSize64(Platform, SnapshotOf(file));
            if (snapshot < current / 4) {
                App().MessageBox(i18n::GetLanguageString(Platform, i18n::RES_Analyze_NoSuccess,
                                                         i18n::RES_Analyze_NoSuccess_Default),
                                 info::ProductTitle, ui::mb::Ok);
                bDefragRegistry->SetEnabled(false);
                return;
            }
        }
    }

    bDefragRegistry->SetEnabled(complete);
    if (!complete)
        return;

    uint64_t currentTotal = 0;
    uint64_t newTotal = 0;
    for (size_t i = 0; i < HiveFiles.size(); ++i) {
        const uint64_t current = analysis::GetFileSize64(Platform, HiveFiles[i]);
        uint64_t snapshot = analysis::GetFileSize64(Platform, SnapshotOf(HiveFiles[i]));
        currentTotal += current;
        if (snapshot == 0) {
            // The save failed: the hive counts as unchanged and is never replaced.
            snapshot = current;
            if (Platform.FileExists(SnapshotOf(HiveFiles[i])))
                Platform.DeleteFile(SnapshotOf(HiveFiles[i]));
        }
        newTotal += snapshot;
        lvMain->SetSubItem(i, 0, analysis::FormatSizeKB(current));
        lvMain->SetSubItem(i, 1, analysis::FormatSizeKB(snapshot));
        lvMain->SetSubItem(i, 2, analysis::ReductionText(current, snapshot));
    }

    lCurrentRegistrySize->SetCaption(analysis::FormatSizeKB(currentTotal));
    lNewRegistrySize->SetCaption(analysis::FormatSizeKB(newTotal));
    if (newTotal > currentTotal) {
        lSizeReduction->SetCaption("0 KB");
        lCompactPercent->SetCaption("0%");
        return;
    }
    lSizeReduction->SetCaption(analysis::FormatSizeKB(currentTotal - newTotal));
    // Both totals 0 (nothing could be measured) read 0.0%, like equal totals.
    const float percent = analysis::CompactPercent(currentTotal, newTotal);
    lCompactPercent->SetCaption(
        analysis::FormatCompactPercent(percent, Platform.DecimalSeparator()));
    if (percent < AdviceBelowPercent && !Unattended) {
        App().MessageBox(std::string(AdviceOpening) + " " + lCompactPercent->Caption() + ". " +
                             AdviceClosing,
                         info::ProductTitle, ui::mb::Ok);
    }
}

} // namespace hivelet::shell
