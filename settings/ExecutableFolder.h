// The folder that holds the running executable, where options.ini and the language files live.
#pragma once

#include "platform/Platform.h"

#include <string>

namespace hivelet::settings {

// The executable's full path up to and including its last separator. Windows paths use '\'; the
// native Linux build reports a POSIX path, so '/' counts as a separator too. Empty when the path
// has no separator at all.
std::string ExecutableFolder(platform::Platform& platform);

// The separator that ends `folder` ('\' unless the folder ends with '/'), for naming sub-folders
// in the same style as the folder itself.
char FolderSeparator(const std::string& folder);

} // namespace hivelet::settings
