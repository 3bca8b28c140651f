// The compaction behind "Defrag Registry", and the options dialog.
#include "shell/Main.h"

#include "analysis/Snapshot.h"
#include "defrag/Replacement.h"
#include "defrag/SystemPiont.h"
#include "info/Product.h"
#include "platform/Privilege.h"
#include "settings/AskDelete.h"
#include "settings/Options.h"
#include "settings/OptionsSetting.h"
#include "shell/WindowsVersion.h"

#include <algorithm>

namespace hivelet::shell {

inline constexpr const char* RestartNoticeText =
    "You must restart your computer for the changes to take effect. Click the OK button to "
    "restart your computer now.";
// After the notice promised a restart, a refused one must not pass in silence: the replacements
// stay scheduled, so the next start of Windows still does the work.
inline constexpr const char* RestartRefusedText =
    "Windows could not be restarted. The registry will be defragmented the next time you "
    "restart your computer.";

// An installation that is not running (--windows) has no System Restore and restarts nothing:
// the hives are replaced at once, each old one kept beside it as its .bak file.
inline constexpr const char* NoRestorePointText =
    "System Restore cannot make a restore point of a Windows installation that is not running. "
    "Each hive replaced is kept beside it as its .bak file, and \"hivelet --windows ROOT "
    "--undo\" puts the last compaction back. Click the OK button to replace the hives now.";
inline constexpr const char* ReplacedAtOnceText =
    "The registry hives of the Windows installation were replaced; nothing was restarted. Each "
    "old hive is kept beside it as its .bak file.";
inline constexpr const char* NotAllReplacedText =
    "The registry hives of the Windows installation were not all replaced; nothing was "
    "restarted. ";

void TfrmMain::bDefragRegistryClick() {
    // Only a complete and sound analysis enables the button; the unattended run comes here by a
    // direct call, so the rule is checked here as well.
    CompactionSucceeded = false;
    if (!bDefragRegistry->Enabled())
        return;

    settings::TOptionsSetting& options = settings::OptionsSetting();
    if (options.IsAskBeforeDefrag && !Unattended) {
        ui::ModalResult answer = ui::mrNone;
        {
            auto ask = ui::CreateForm<settings::TfrmAskDelete>(App(), this, Platform, options);
            answer = ask->ShowModal();
        }
        // Whatever the answer: "Don't ask me next time" may have changed the record.
        settings::LoadOrSaveOptions(Platform, false);
        if (answer != ui::mrYes)
            return;
    }

    const bool atOnce = Platform.ReplacesHivesAtOnce();
    if (atOnce && !Unattended) {
        if (App().MessageBox(NoRestorePointText, info::ProductTitle,
                             ui::mb::OkCancel | ui::mb::IconInformation) != ui::mrOk)
            return;
    } else if (options.RestorePoint && !Unattended &&
               OffersRestorePoint(GetWindowsVersionCode(Platform))) {
        auto point = ui::CreateForm<defrag::TfrmSystemPoint>(
            App(), this, Platform, options,
            [this](std::function<void()> body) { Workers.Start(std::move(body)); });
        if (point->ShowModal() == ui::mrCancel)
            return;
    }

    // Without the privilege every replacement is refused, which the results below show.
    platform::EnableRestorePrivilege(Platform);

    // Each hive on its own: a hive that is refused neither stops the others nor is reported.
    std::vector<std::string> notHandedOver;
    bool everyHiveHandedOver = true;
    const size_t count = std::min(HiveNames.size(), HiveFiles.size());
    for (size_t i = 0; i < count; ++i) {
        const std::string& keyPath = HiveNames[i];
        const std::string snapshot = HiveFiles[i] + analysis::SnapshotSuffix;
        if (HasNoReduction(keyPath)) {
            notHandedOver.push_back(snapshot);
        } else if (!defrag::ReplaceHive(Platform, keyPath, snapshot,
                                        HiveFiles[i] + defrag::BackupSuffix)) {
            notHandedOver.push_back(snapshot);
            everyHiveHandedOver = false;
        }
    }

    if (!Unattended && !atOnce)
        App().MessageBox(RestartNoticeText, info::ProductTitle, ui::mb::Ok);
    // A forced restart ends the program without closing the window, so the close's cleanup
    // would never remove the snapshots Windows was not given; they go now.
    for (const std::string& snapshot : notHandedOver)
        if (Platform.FileExists(snapshot))
            Platform.DeleteFile(snapshot);
    // Also when nothing was scheduled: the user was told the computer restarts.
    const platform::Status restart = defrag::RestartComputer(Platform, true);
    CompactionSucceeded = everyHiveHandedOver && restart.ok();
    if (atOnce) {
        if (!Unattended)
            App().MessageBox(restart.ok() ? std::string(ReplacedAtOnceText)
                                          : NotAllReplacedText + restart.detail,
                             info::ProductTitle,
                             ui::mb::Ok |
                                 (restart.ok() ? ui::mb::IconInformation : ui::mb::IconWarning));
        return;
    }
    if (!restart.ok() && !Unattended)
        App().MessageBox(RestartRefusedText, info::ProductTitle, ui::mb::Ok | ui::mb::IconWarning);
}

bool TfrmMain::HasNoReduction(const std::string& keyPath) const {
    std::vector<defrag::HiveRow> rows;
    rows.reserve(lvMain->ItemCount());
    for (size_t i = 0; i < lvMain->ItemCount(); ++i) {
        const ui::ListItem& item = lvMain->Item(i);
        rows.push_back({item.caption, item.subItems});
    }
    return defrag::HasNoReduction(rows, keyPath);
}

void TfrmMain::bOptionsClick() {
    settings::TOptionsSetting& options = settings::OptionsSetting();
    ui::ModalResult result = ui::mrNone;
    {
        auto dialog = ui::CreateForm<settings::TfrmOptions>(App(), this, Platform, options);
        result = dialog->ShowModal();
    }
    if (result != ui::mrOk)
        return;
    lvMain->SetGridLines(options.IsShowLine);
    // A file that cannot be written ends the click with the error box; the record and the grid
    // lines have changed all the same.
    settings::LoadOrSaveOptions(Platform, false);
}

} // namespace hivelet::shell
