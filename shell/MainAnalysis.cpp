// The analysis run behind "Analyze Registry".
#include "shell/Main.h"

namespace hivelet::shell {

void TfrmMain::bAnalyzeRegistryClick() {}

} // namespace hivelet::shell
