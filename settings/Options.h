// TfrmOptions: the options dialog behind the main window's Options button. It edits the three
// switches of the settings record on copies (its check boxes) and writes them back only on OK.
#pragma once

#include "platform/Platform.h"
#include "settings/OptionsSetting.h"
#include "ui/Ui.h"

#include <string>

namespace hivelet::settings {

// The list of systems every restore-point caption ends with, whatever the language file says.
inline constexpr const char* RestorePointSystems = "(XP, Vista, 7, 8, 10, 11)";

// `caption` cut before its first "(XP" (found ignoring case) with RestorePointSystems appended;
// unchanged when it holds no "(XP".
std::string WithRestorePointSystems(const std::string& caption);

class TfrmOptions : public ui::Form {
public:
    // `options` is the record the boxes start from and OK writes to; it must outlive the dialog.
    TfrmOptions(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                TOptionsSetting& options);

    // Controls, in creation order (the order the language file lists them).
    ui::TGroupBox* GroupBox2 = nullptr;
    ui::TsuiCheckBox* cbAskBeforeDefrag = nullptr;
    ui::TsuiCheckBox* cbShowLines = nullptr;
    ui::TsuiCheckBox* cbCreateRestore = nullptr;
    ui::TsuiButton* bOK = nullptr;
    ui::TsuiButton* bCancel = nullptr;

    // Ticks the boxes from the record.
    void FormCreate() override;
    // Translates the dialog, then gives the restore-point box its final caption and, as its
    // tooltip, the same text (the dialog may be too narrow for a translated caption).
    void FormShow() override;
    // Copies the boxes into the record and closes with OK.
    void bOKClick();

private:
    platform::Platform& platform_;
    TOptionsSetting& options_;
};

} // namespace hivelet::settings
