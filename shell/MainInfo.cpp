// The help menu, the maker's web pages and the About dialog.
#include "shell/Main.h"

#include "info/About.h"
#include "info/Product.h"
#include "info/WebPage.h"
#include "shell/Artwork.h"

namespace hivelet::shell {

void TfrmMain::bHelpClick() {
    pmHelp->Popup(App().CursorPos());
}

void TfrmMain::pmiHelpClick() {
    info::OpenWebPage(Platform, *this, info::HelpPage);
}

void TfrmMain::Homepage1Click() {
    info::OpenWebPage(Platform, *this, info::HomePage);
}

void TfrmMain::pmiCheckUpdateClick() {
    info::OpenWebPage(Platform, *this, info::UpdatePage);
}

void TfrmMain::bAboutClick() {
    // Built for this showing only: nothing of an earlier showing survives.
    auto about = ui::CreateForm<info::TfrmAbout>(App(), this, Platform, DrawProgramIcon(32));
    about->ShowModal();
}

void TfrmMain::bHomepageClick() {
    info::OpenWebPage(Platform, *this, info::HomePage);
}

} // namespace hivelet::shell
