// TfrmAbout, the About dialog: product title, version and build, the ownership notice, the
// support address and a link to the home page.
#pragma once

#include "platform/Platform.h"
#include "ui/Ui.h"

namespace hivelet::info {

// Build number shown beside the version.
inline constexpr const char* BuildText = "20260210";

class TfrmAbout : public ui::Form {
public:
    // `owner` is the window the dialog is centred on and modal to; `icon` is the program icon
    // (32 x 32) shown beside the texts.
    TfrmAbout(ui::Application& app, ui::Form* owner, platform::Platform& platform,
              ui::Bitmap icon = {});

    platform::Platform& Platform;

    // Controls, in creation order (the order the language file is read in).
    ui::TImage* Image2 = nullptr; // banner
    ui::TImage* Image1 = nullptr; // program icon
    ui::TLabel* Label1 = nullptr;
    ui::TLabel* lCopywrite = nullptr;
    ui::TLabel* Label3 = nullptr;
    ui::TLabel* lbEAddress = nullptr;
    ui::TLabel* Label2 = nullptr;
    ui::TPanel* Panel2 = nullptr;
    ui::TsuiButton* bOK = nullptr;

    // Sets the title, then translates the dialog when a language other than English is chosen.
    void FormShow() override;
    // Opens the home page, with this dialog as the owner window.
    void lbEAddressClick();
};

} // namespace hivelet::info
