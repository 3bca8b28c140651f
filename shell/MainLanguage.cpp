// The language menu and the fitting of the flat buttons to their captions.
#include "shell/Main.h"

namespace hivelet::shell {

void TfrmMain::bLanguageClick() {}

void TfrmMain::miEnglishClick(ui::TMenuItem& item) {}

void TfrmMain::FitButtonWidths() {}

} // namespace hivelet::shell
