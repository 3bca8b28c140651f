// The compaction behind "Defrag Registry", and the options dialog.
#include "shell/Main.h"

namespace hivelet::shell {

void TfrmMain::bDefragRegistryClick() {}

bool TfrmMain::HasNoReduction(const std::string& keyPath) const {
    return false;
}

void TfrmMain::bOptionsClick() {}

} // namespace hivelet::shell
