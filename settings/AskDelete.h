// TfrmAskDelete: the confirmation asked before the hives are replaced. Answers Yes (go on), No,
// or Cancel (close box). Its "Don't ask me next time" box writes IsAskBeforeDefrag into the
// settings record at every click; whoever shows the dialog saves the record afterwards.
#pragma once

#include "platform/Platform.h"
#include "settings/OptionsSetting.h"
#include "ui/Ui.h"

namespace hivelet::settings {

class TfrmAskDelete : public ui::Form {
public:
    // `options` must outlive the dialog.
    TfrmAskDelete(ui::Application& app, ui::Form* owner, platform::Platform& platform,
                  TOptionsSetting& options);

    // Controls, in creation order (the order the language file lists them).
    ui::TLabel* Label2 = nullptr;
    ui::TLabel* Label3 = nullptr;
    ui::TsuiCheckBox* cbAsk = nullptr;
    ui::TGroupBox* GroupBox1 = nullptr;
    ui::TLabel* Label1 = nullptr;
    ui::TsuiButton* bOK = nullptr;     // "&Yes"
    ui::TsuiButton* bCancel = nullptr; // "&No": first in tab order, so it has the focus
    ui::TPanel* Panel2 = nullptr;      // separator line

    void FormShow() override;
    // Ticked means "do not ask again".
    void cbAskClick();

private:
    platform::Platform& platform_;
    TOptionsSetting& options_;
};

} // namespace hivelet::settings
