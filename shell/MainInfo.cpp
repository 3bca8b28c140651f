// The help menu, the maker's web pages and the About dialog.
#include "shell/Main.h"

namespace hivelet::shell {

void TfrmMain::bHelpClick() {}

void TfrmMain::pmiHelpClick() {}

void TfrmMain::Homepage1Click() {}

void TfrmMain::pmiCheckUpdateClick() {}

void TfrmMain::bAboutClick() {}

void TfrmMain::bHomepageClick() {}

} // namespace hivelet::shell
